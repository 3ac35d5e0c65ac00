// Records and objects made in memory for the store tests and the store's fuzz targets.
#pragma once

#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "store/records.h"

namespace kv::storetest {

Handle texthandle(const std::string& text);
std::string textof(Handle h);
std::vector<u8> bytesof(Handle h);
Handle handleof(const std::vector<u8>& bytes);

// A script handle: the text followed by its 24-byte tail.
Handle scripthandle(const std::string& text);
// A stored field text: no style runs, the text, and a tail.
Handle fieldtext(const std::string& text);
// A style run from `start` in the font, face and size (height and ascent follow the size, the
// colour the font and size).
stylerun styledrun(i32 start, i16 font, u8 face, i16 size);

template <class R>
Handle recordhandle(const R& r) {
  Handle h = NewHandle(Size(sizeof(R)));
  storeat<R>(deref(h), r);
  return h;
}
template <class R>
R recordof(Handle h) {
  return loadat<R>(deref(h));
}
template <class R>
void putrecord(Handle h, const R& r) {
  storeat<R>(deref(h), r);
}

// An object of the given kind and style with the defaults of a new one.
spot newspot(u16 kind, u16 style, u32 id, Rect r = Rect{10, 10, 50, 90});
// Appends an object to a list.
void appendspot(Handle list, const spot& s);
spot spotof(Handle list, i32 index);

// A user-property list of (name, value) pairs, and an alt list of (kind, data) pairs.
Handle proplist(const std::vector<std::pair<std::string, std::string>>& props);
Handle altlist(const std::vector<std::pair<u32, Handle>>& entries);

// Records of every kind with all their parts filled in.
Handle fullhead();
Handle fulllib(int racks);
Handle fullpage(int words);
Handle fullrack(int books);
Handle fullwind(int pages);
Handle fullmenu(int items);
Handle fullxres();
Handle fullcard();
Handle fullback();
// A new card as the creating code makes it: an empty name, a new script, an empty object list
// and an empty background text.
Handle newcard();
// The full record of a kind (a library with 3 racks, a page of 4 words, a rack of 5 books, a
// window with 3 pages, a menu of 4 items).
Handle fullrecord(int kind);

// The packed form (`fast`) of a record, as bytes.
std::vector<u8> fastbytes(Handle rec);
// The packed forms of the full records of every kind, and of a card's object list (last).
std::vector<std::vector<u8>> packedseeds();

}  // namespace kv::storetest
