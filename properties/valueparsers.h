// The value parsers of the setters: points and rectangles written as comma lists, new
// rectangles for the geometry words, alignments, list-selection styles, transfer modes, tool
// phrases, delimiter characters, and two tests on references and buttons. Words are compared
// without regard to letter case; keywords by token. A parser changes none of its outputs on
// error, except where said.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "platform/types.h"
#include "properties/propfront.h"
#include "store/records.h"

namespace kv {

struct fred;

// A point h,v from the atoms at i: two expressions separated by a comma (39 without it), each
// an integer. *used counts both expressions and the comma.
i16 lowloc(const propctx& c, i32 i, i32* used, i16* h, i16* v);
// A point from one operand whose value holds "h,v" (a variable, a property), or else from the
// statement's own atoms as lowloc reads it.
i16 getloc(const propctx& c, i32 i, i32* used, i16* h, i16* v);
// As getloc, the coordinates kept in 32 bits (for callers that check their range).
i16 getloc32(const propctx& c, i32 i, i32* used, i32* h, i32* v);
// A rectangle left,top,right,bottom from the atoms (39 for a missing comma); coordinates are
// truncated to 16 bits.
i16 lowrect(const propctx& c, i32 i, i32* used, Rect* r);
// As getloc, for a rectangle.
i16 getrect(const propctx& c, i32 i, i32* used, Rect* r);

// The new rectangle of a geometry word from the current one: a point (h, v) for the point
// words, a number n for the single-number words; the width and height of the old rectangle
// stay unless the word changes them. 16-bit arithmetic.
void makearect(u16 token, i16 h, i16 v, i16 n, Rect* r);

// The first word of a value's text in lower case: leading blanks and quotes are skipped, and
// the word ends at a blank, a comma or a quote.
std::string firstword(fred* value);
// The code of a word (already in lower case) in a list of (word, code) pairs, the listed words
// compared in lower case; -1 for none.
i32 codeofword(const std::string& w, std::initializer_list<std::pair<const char*, i32>> table);

// "left" -2, "right" -1, "default" 0, "center" 1, "full" 2; any other text 2.
i16 getalign(fred* value, i16* code);
// The list-selection words of a text, joined: 83 at a word outside the table (the bits read
// before it are handed back).
i16 getliststyles(fred* value, u16* mask);
// The text style bits of a list of style words (`bold`, `italic`, ... `group`; `plain` and
// commas add nothing); 83 at a word outside the table.
i16 getstylewords(ConstStringPtr text, u16* bits);
// A transfer mode: with `shadeform` off one of the 21 mode words ("mask" only for bitmaps,
// style 105); with it on "shad1".."shad10" or "gray1".."gray5". 2 for anything else; the
// number's conversion error when the shade number does not parse.
i16 fredtomode(fred* value, bool shadeform, u16 style, i16* mode);
// A tool phrase at the atoms: an optional class word (`paint`, `draw`, `button`, `field`,
// `text`), then a tool word. 2 for a phrase that names no tool.
i16 textotool(const propctx& c, i32 i, i32* used, i16* tool);
// A delimiter: an integer gives that character code; a text its first character (in two-byte
// text mode one byte, or two as one code, high byte first). 2 for an empty text.
i16 getchardel(fred* value, u16* ch);
// True when the atoms begin a graphic reference: `graphic`, or `card`/`background` `graphic`.
bool isgrcont(const propctx& c, i32 i);
// True for a version-4 button whose style has minimum and maximum values.
bool hasMinMaxValues(const spot* s);

}  // namespace kv
