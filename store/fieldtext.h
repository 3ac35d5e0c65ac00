// The stored text of a field or text graphic (the object's data handle):
//
//   u16 run count n | n style runs of 20 bytes | the characters | 14-byte tail
//
// The text length is the size less (2 + 20n) less 14, so an empty text is 16 bytes. A stored
// text is whole when its size holds the count, the n runs and the tail; every reader takes the
// parts only from a whole text and reads anything else as the empty text with the default tail,
// so a damaged length never reaches past the block.
#pragma once

#include "platform/types.h"
#include "store/fieldtail.h"
#include "store/records.h"

namespace kv {

struct fred;

constexpr i32 kFieldTailSize = i32(sizeof(fieldtail));
constexpr i32 kStyleRunSize = i32(sizeof(stylerun));
constexpr i32 kEmptyFieldTextSize = 2 + kFieldTailSize;

// Where the parts of a stored text lie.
struct fieldtextlayout {
  bool whole = false;  // count, runs and tail fit in the size
  u16 runs = 0;        // style runs (0 when not whole)
  i32 textoffset = 2;  // first character: 2 + 20 runs
  i32 textlength = 0;  // characters (0 when not whole)
};
fieldtextlayout measurefieldtext(const u8* bytes, i64 size);
fieldtextlayout measurefieldtext(Handle text);

// The tail of a stored text; the default tail when the text is not whole.
fieldtail fieldtextail(const u8* bytes, i64 size);
// Style run i of a whole stored text (i below its run count).
stylerun fieldtextrun(const u8* bytes, i32 i);

// Sets the tail's font, size and face from the global text font, size and style.
void setdefaultail(fieldtail& t);
// The tail of an empty field: justification -2, line height -1, the global text font, size and
// style, colour 0.
fieldtail defaultfieldtail();

// Replaces the bytes of `dest` (its id kept) by a stored text of the runs, the characters and the
// tail. The characters and runs must not lie in `dest`.
OSErr setfieldtext(Handle dest, const stylerun* runs, u16 count, const void* text, i32 length, const fieldtail& tail);
// The empty text: a zero count and the tail (16 bytes).
OSErr setemptyfieldtext(Handle dest, const fieldtail& tail);

// The characters of a stored text, without runs and tail, as a new text value: 0, or 37 when
// memory runs out (the value is then an empty text). A text that is not whole gives the empty
// text.
i16 datatotext(Handle data, fred* out);

}  // namespace kv
