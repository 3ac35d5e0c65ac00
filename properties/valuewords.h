// The word tables between the codes stored in records and the words scripts see, and the
// formatters that turn a stored code or rectangle into a value: text styles, list-selection
// styles, transfer modes (inks), object kinds and styles, alignments, window styles and the
// twelve rectangle words. The value parsers (valueparsers.h) read the same tables backwards.
#pragma once

#include <span>

#include "platform/types.h"

namespace kv {

struct fred;

// A word and its code.
struct wordcode {
  const char* word;
  i16 code;
};

// The transfer modes in the order the parsers search them (first match wins).
std::span<const wordcode> modewords();
// The text style bits with their words, bold first, group last.
std::span<const wordcode> stylewords();
// The list-selection bits with their words, selOne first, selRedraw last.
std::span<const wordcode> liststylewords();
// The alignment codes with their words (-2 left .. 2 full).
std::span<const wordcode> alignwords();

// Appends the style words of the set bits, joined by commas; style 0 gives "plain".
void stylelist(u16 style, StringPtr text);
// The same for list-selection flags; 0 gives "selReset".
void liststylenames(u16 flags, StringPtr text);

// The ink word of a transfer mode as a new value. Mode form (shadeform false): the table's
// word, "unknown" for a code without one. Shade form: 0-9 "shad1".."shad10", 10-14
// "gray1".."gray5", any other code 2.
i16 modetofred(i16 mode, bool shadeform, fred* result);

// Appends the kind word of an object kind (0 graphic, 1 button, 2 field); 43 for any other.
i16 spotkindstring(u16 kind, StringPtr text);
// Appends the style word of an object style code; 43 for a code without one.
i16 spotstylestring(u16 style, StringPtr text);
// The word of a window style code; "unknown" for a code without one.
const char* windowstyleword(u16 style);
// The word of an alignment code; null for a code without one.
const char* alignword(i16 code);

// The value of one of the twelve rectangle words (`loc`, `rect`, `width`, ...) of a rectangle,
// as a new value. Sums and differences are worked out in 32 bits.
i16 rectoresult(u16 token, const Rect& r, fred* result);

}  // namespace kv
