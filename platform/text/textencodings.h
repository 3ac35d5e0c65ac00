// Text encodings: the 32-bit values that name a character set (a base, a variant and a format),
// and the mapping between encodings and the Script Manager's script codes and font names.
#pragma once

#include "platform/types.h"

namespace kv {

using TextEncoding = u32;

// An encoding is its base in the low 16 bits, its variant in the next 10 and its format in the
// top 6.
constexpr TextEncoding CreateTextEncoding(u32 base, u32 variant, u32 format) {
  return (base & 0xFFFF) | ((variant & 0x3FF) << 16) | ((format & 0x3F) << 26);
}
constexpr u32 GetTextEncodingBase(TextEncoding e) { return e & 0xFFFF; }
constexpr u32 GetTextEncodingVariant(TextEncoding e) { return (e >> 16) & 0x3FF; }
constexpr u32 GetTextEncodingFormat(TextEncoding e) { return e >> 26; }

// Bases.
enum : u32 {
  kTextEncodingMacRoman = 0,
  kTextEncodingMacJapanese = 1,
  kTextEncodingMacArabic = 4,
  kTextEncodingMacHebrew = 5,
  kTextEncodingMacGreek = 6,
  kTextEncodingMacCyrillic = 7,
  kTextEncodingMacCentralEurRoman = 29,
  kTextEncodingMacSymbol = 33,
  kTextEncodingMacDingbats = 34,
  kTextEncodingMacTurkish = 35,
  kTextEncodingMacCroatian = 36,
  kTextEncodingMacIcelandic = 37,
  kTextEncodingMacRomanian = 38,
  kTextEncodingMacCeltic = 39,
  kTextEncodingMacGaelic = 40,
  kTextEncodingMacFarsi = 140,
  kTextEncodingMacUkrainian = 152,
  kTextEncodingMacInuit = 236,
  kTextEncodingMacVT100 = 252,
  kTextEncodingUnicodeDefault = 0x100,
};

// Formats of Unicode encodings.
enum : u32 {
  kUnicode16BitFormat = 0,  // UTF-16 in the host's byte order
  kUnicodeUTF8Format = 2,
};

// "Any" for the script, language and region arguments.
constexpr i16 kTextScriptDontCare = -128;
constexpr i16 kTextLanguageDontCare = -128;
constexpr i16 kTextRegionDontCare = -128;

// The encoding of a script (with an optional font name, length-prefixed or null): the fonts
// named "Symbol" and "Zapf Dingbats" have their own sets (any script), "VT100" in the
// uninterpreted script 32 its own; otherwise a script 0-32 gives the encoding of the same
// number. paramErr for any other script.
OSStatus UpgradeScriptInfoToTextEncoding(i16 script, i16 language, i16 region, ConstStringPtr fontName,
                                         TextEncoding* encoding);
// The other way: the script of an encoding, its language (always "any") and, for the encodings
// that belong to one font, that font's name (else an empty name). Any argument may be null.
// paramErr for a Unicode encoding or a base no script has.
OSStatus RevertTextEncodingToScriptInfo(TextEncoding encoding, i16* script, i16* language, Str255 fontName);

}  // namespace kv
