// Upper- and lower-casing of text and stripping of diacritical marks in place, from our own tables: Mac Roman letters take the
// Unicode case partner of their character when Mac Roman holds it (é and É, ÿ and Ÿ, œ and Œ);
// a letter without one (ß, µ) stays. Shift-JIS text changes its one-byte letters only.
// Nothing here depends on a locale.
#pragma once

#include "platform/types.h"

namespace kv {

// The length is at most 32,767 bytes, as the Script Manager's calls take it; the script is
// that of the text's font (smRoman, smJapanese).
void UppercaseText(u8* text, i16 length, i16 script);
void LowercaseText(u8* text, i16 length, i16 script);

// Each letter with a diacritical mark becomes its base letter, as the Unicode decomposition of
// its character gives it (é to e, Å to A, Ç to C); letters that do not decompose (æ, œ, ø, ß)
// stay. Shift-JIS text: only its one-byte characters are looked at, and none of those carries
// a mark. The second also upper-cases (é to E).
void StripDiacritics(u8* text, i16 length, i16 script);
void UppercaseStripDiacritics(u8* text, i16 length, i16 script);

// The upper- and lower-case partner of a Mac Roman byte (the byte itself when it has none).
u8 macromanupper(u8 c);
u8 macromanlower(u8 c);

}  // namespace kv
