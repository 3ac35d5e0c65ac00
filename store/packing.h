// Record packing: the nine record kinds turned into one contiguous run of bytes (packing) and
// back (unpacking), measured and freed.
//
// A packed record is its fixed part followed by one block per present part: a u32 length L, the
// L bytes, and a pad byte when L is odd. In the packed fixed part a handle field holds 1 when its
// block follows and 0 when the part is absent; readers test only zero against non-zero. Lists
// (object lists, menu items, user properties, alt lists) are packed inside their own block: the
// fixed entries, each entry's blocks in entry order, then the u16 entry count.
//
// Which parts a record kind has, in which order, and which are always present is declared once
// per kind (PartTable); packing, unpacking, measuring, freeing and the byte-order swapper all
// walk the same table.
#pragma once

#include <cstring>

#include "platform/memory/memory.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// --- Part tables -----------------------------------------------------------------------------
enum class PartForm : u8 {
  plain,     // bytes kept as they are (names, contents, part slots, xres data)
  script,    // script text with its 24-byte tail
  patterns,  // the project's pattern list: u16 count, then 8-byte patterns
  brushes,   // the project's brushes: 16 u16
  backtext,  // a card's background texts (field id, length, stored field text; back to back)
  props,     // a user-property list
  alts,      // an alternate-data list
  spots,     // an object list
  items,     // a menu's item list
};

struct PartRule {
  u16 offset;   // of the handle field in the fixed part
  bool always;  // written and read without a presence test
  PartForm form;
};

struct PartTable {
  const PartRule* rules;
  int count;
  u16 fixedsize;  // without a window's or library's page references
};

// The parts of a record kind (0, 4-8), of a menu item and of an iota.
const PartTable* parttable(u16 kind);
const PartTable& itemparts();
const PartTable& iotaparts();

// Bytes of a record's fixed part as stored (for a window its page references included), or -1
// when the handle is too small for it or the kind is not 0-8.
i32 recordfixedsize(Handle rec);

// --- Blocks ------------------------------------------------------------------------------------
// Every writer keeps an offset (where the next byte goes) and a capacity (the target's current
// size), grows the target with slack when it must, and leaves trimming to the caller.

// Appends the part as a block and frees it; a zero target or part does nothing.
OSErr packobj(Handle target, i32& offset, i32& capacity, Handle part);
// The same, leaving the part alive.
OSErr fastobj(Handle target, i32& offset, i32& capacity, Handle part);
// Appends the part's bytes with no length word and no pad.
OSErr fastone(Handle target, i32& offset, i32& capacity, Handle part);
// Appends count bytes with no length word and no pad.
OSErr fastbytes(Handle target, i32& offset, i32& capacity, const void* bytes, i32 count);
// Appends a block holding count bytes (an empty block for count 0).
OSErr fastblock(Handle target, i32& offset, i32& capacity, const void* bytes, i32 count);
// Reads the block at the offset into a new handle and steps past it. A block that does not fit
// in the handle leaves *part none, the offset unchanged, and answers 0.
OSErr unpackobj(Handle packed, i32& offset, Handle* part);

// Options of the list writers.
struct PackOptions {
  bool packing = false;      // for `pack` (lists leave list mode) rather than `fast`
  bool blankfields = false;  // fields are written with empty texts and without alt lists
  int depth = 0;             // nesting depth of groups
};

// Writes a list block: a length word, what `body` appends, then the length word rewritten to
// cover it (and a pad when odd).
template <class Body>
OSErr fastlistblock(Handle target, i32& offset, i32& capacity, Body&& body);

// --- Records -----------------------------------------------------------------------------------
// All answer 0, 105 for a bad kind (or a record too small for its kind), -108 for a bitmap
// the codec cannot convert, or the memory manager's error.
OSErr pack(Handle rec);               // in place; on failure the record is left unchanged
OSErr fast(Handle rec, Handle dest);  // into dest, the record unchanged
OSErr unpack(Handle rec);             // in place; on failure the parts read so far are kept
i64 getsize(Handle rec);              // bytes in memory with all present parts
OSErr dump(Handle rec);               // frees the record and all it owns
OSErr dumpxres(Handle rec);

// Writes a fixed part to `target` with its handle fields turned into presence marks.
OSErr fastfixed(const PartTable& t, const u8* fixed, i32 size, Handle target, i32& offset, i32& capacity);
// Writes the blocks of every part of a fixed part, in the table's order.
OSErr writeparts(const PartTable& t, const u8* fixed, Handle target, i32& offset, i32& capacity,
                 const PackOptions& how);
// Reads the blocks of a packed fixed part (its presence marks in `work`) from `src` at the
// offset into new handles written into `work`. On failure every field not read is left 0.
OSErr readparts(const PartTable& t, u8* work, Handle src, i32& offset, int depth);
i64 sizeparts(const PartTable& t, const u8* fixed);
void dumpparts(const PartTable& t, const u8* fixed);
// Sets every handle field of a fixed part to 0.
void clearparts(const PartTable& t, u8* fixed);

// The menu item list.
OSErr fastitems(Handle target, i32& offset, i32& capacity, Handle items, const PackOptions& how);
OSErr unpackitems(Handle items);
i64 sizeitems(Handle items);
void dumpitems(Handle items);

// Packs a handle in place, all or nothing: `write(out, offset, capacity)` appends the packed
// form to a new handle, which replaces the handle's bytes only when complete (the handle is
// grown first, so that a failure leaves it as it was); `release(size)` then frees the parts that
// the old bytes (`size` of them) owned.
template <class Write, class Release>
OSErr packinplace(Handle h, Write&& write, Release&& release);

// Deep copies of every part of a fixed part into `dst` (a copy of it whose handle fields are
// replaced). On failure the copies made so far are freed and dst's handle fields are 0.
OSErr copyparts(const PartTable& t, const u8* src, u8* dst);

// --- Tails, hints, bitmaps -------------------------------------------------------------------
OSErr putail(Handle h, const void* src, i32 count);  // appends count bytes
void getail(Handle h, void* dst, i32 count);         // takes off the last count bytes
void buildhash(u8* hint, Handle objects);            // the 32-byte find hint: always zeros
OSErr packbits(Handle bitmap, const Rect& r, i16 colour, Handle* out);
OSErr unpackbits(Handle packed, const Rect& r, i16 colour, Handle* out);
void unpackreserve(u32 w, u16* red, u16* green, u16* blue);

// --- Implementation of the templates -----------------------------------------------------
template <class Write, class Release>
OSErr packinplace(Handle h, Write&& write, Release&& release) {
  Handle out = NewHandle(GetHandleSize(h));
  if (out == nilhandle) return MemError();
  i32 offset = 0, capacity = GetHandleSize(h);
  OSErr e = write(out, offset, capacity);
  Size size = GetHandleSize(h);  // the writer may have tidied the handle
  if (!e && offset > size) {
    SetHandleSize(h, offset);
    e = MemError();
  }
  if (e) {
    DisposeHandle(out);
    return e;
  }
  release(size);
  if (offset > 0) std::memcpy(deref(h), deref(out), size_t(offset));
  SetHandleSize(h, offset);
  DisposeHandle(out);
  return noErr;
}

template <class Body>
OSErr fastlistblock(Handle target, i32& offset, i32& capacity, Body&& body) {
  i32 start = offset;
  u32 zero = 0;
  if (OSErr e = fastbytes(target, offset, capacity, &zero, 4)) return e;
  if (OSErr e = body()) return e;
  u32 len = u32(offset - start - 4);
  storeat<u32>(deref(target) + start, len);
  if (len & 1) {
    u8 pad = 0;
    if (OSErr e = fastbytes(target, offset, capacity, &pad, 1)) return e;
  }
  return noErr;
}

}  // namespace kv
