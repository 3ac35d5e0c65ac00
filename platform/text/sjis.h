// Shift-JIS byte classes: the text services of two-byte (Japanese) text. A character is one
// byte, or a lead byte followed by a trail byte. A lead byte that is not followed by a valid
// trail byte (at the end of the text, or before a return, comma, space or quote) stands alone
// as a one-byte character, so that a damaged text never swallows a delimiter.
#pragma once

#include <array>

#include "platform/types.h"

namespace kv {

// Script codes of the text services.
enum : i16 { smRoman = 0, smJapanese = 1 };
// Answers of CharacterByteType.
enum : i16 { smFirstByte = -1, smSingleByte = 0, smLastByte = 1 };

namespace sjisdetail {
enum : u8 { leadbit = 1, trailbit = 2 };
constexpr std::array<u8, 256> makebyteclasses() {
  std::array<u8, 256> t{};
  for (int c = 0; c < 256; ++c) {
    u8 k = 0;
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) k |= leadbit;
    if ((c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC)) k |= trailbit;
    t[std::size_t(c)] = k;
  }
  return t;
}
}  // namespace sjisdetail

// Per byte value: leadbit when it may start a two-byte character, trailbit when it may end
// one. 0xA1-0xDF (half-width katakana) and ASCII are one-byte characters.
inline constexpr std::array<u8, 256> sjisbyteclasses = sjisdetail::makebyteclasses();

inline bool sjislead(u8 c) { return (sjisbyteclasses[c] & sjisdetail::leadbit) != 0; }
inline bool sjistrail(u8 c) { return (sjisbyteclasses[c] & sjisdetail::trailbit) != 0; }

// The length (1 or 2) of the character starting at p, with `avail` bytes left (at least 1).
inline Size sjischarlength(const u8* p, Size avail) { return avail >= 2 && sjislead(p[0]) && sjistrail(p[1]) ? 2 : 1; }

// The number of two-byte characters in the n bytes.
Size sjisdoublecount(const u8* p, Size n);
// The number of characters in the n bytes (bytes less two-byte characters).
inline Size sjischarcount(const u8* p, Size n) { return n - sjisdoublecount(p, n); }
// The byte offset of the start of character `index` (0-based) of the n bytes; n when the text
// has fewer characters.
Size sjischaroffset(const u8* p, Size n, Size index);

// The class of the byte at `offset` of a text of `length` bytes that starts on a character
// boundary: the first or last byte of a two-byte character, or a one-byte character. Texts of
// scripts other than Japanese, and offsets outside the text, are one byte per character.
i16 CharacterByteType(const u8* text, Size length, Size offset, i16 script);

}  // namespace kv
