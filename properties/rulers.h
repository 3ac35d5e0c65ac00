// Paragraph-format changes of fields: the ruler change record and the reader of its entries.
#pragma once

#include "properties/propfront.h"
#include "textengine/werecord.h"

namespace kv {

// The paragraph-format fields to set, with the bits of the entries given (`setmask`: 0x1
// alignment, 0x2 direction, 0x8 border style, 0x10 left, 0x20 right and 0x40 first-line
// indent, 0x80 line spacing, 0x100 space before, 0x200 space after) and of the measures that
// are not zero (`nonzeromask`). Measures are 16.16 pixels; line spacing is the extra spacing
// beyond single (a value of 1 is single spacing).
struct rulerchange {
  WERuler ruler;
  u16 setmask;
  u16 nonzeromask;
};

// Reads entries (`<word> [is|=] <value>`) from atom `at`: to the end of the line, or in list
// mode to the end of the text with line ends between entries. 2 for a word that is no entry or
// a word value the entry does not take; errors of number conversions. *used (may be null) is
// the atoms read.
i16 lowsetrulerinfo(const propctx& c, i32 at, rulerchange* rc, bool listmode, i32* used);

}  // namespace kv
