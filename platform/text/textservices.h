// The Script Manager's text services over Mac Roman (and Shift-JIS) bytes: the type of a
// character and the word around an offset. The classes come from our own table, written from
// the Unicode properties of the Mac Roman characters; nothing depends on a locale.
#pragma once

#include "platform/text/sjis.h"
#include "platform/types.h"

namespace kv {

// CharacterType: a type in the low bits, a class in bits 8-11.
enum : i16 {
  smcTypeMask = 0x000F,
  smcClassMask = 0x0F00,
  smcUpperMask = 0x4000,
  // Types.
  smCharPunct = 0x0000,    // punctuation, digits, blanks, symbols and control characters
  smCharAscii = 0x0001,    // the letters A-Z and a-z
  smCharEuro = 0x0007,     // the other letters (accented and the ligatures)
  smCharTwoByte = 0x0008,  // a two-byte (Japanese) character
  // Classes of smCharPunct.
  smPunctNormal = 0x0000,
  smPunctNumber = 0x0100,  // the digits
  smPunctSymbol = 0x0200,  // mathematical, currency and other symbols
  smPunctBlank = 0x0300,   // space, tab and the non-breaking space (0xCA)
};

// The type of the character at offset of a text of length bytes (0 outside the text). With
// the Japanese script a two-byte character's bytes are smCharTwoByte.
i16 CharacterType(const u8* text, i32 length, i32 offset, i16 script);

// The start and end of a word around an offset.
struct OffPair {
  i16 offFirst, offSecond;
};
using OffsetTable = OffPair[3];
// The word that holds the character at offset (leadingEdge) or before it, into offsets[0]: a
// word is a run of letters and digits, and any other character a word of one. At the text's
// ends an empty word. offsets[1] and offsets[2] are cleared.
void FindWordBreaks(const u8* text, i32 length, i32 offset, bool leadingEdge, OffsetTable offsets, i16 script);

}  // namespace kv
