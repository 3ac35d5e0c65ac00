#include "platform/text/changecase.h"

#include <array>

#include "platform/text/macroman.h"
#include "platform/text/sjis.h"

namespace kv {

namespace {

// The simple case mappings of the characters Mac Roman holds: ASCII and Latin-1 letters (the
// ×/÷ pair aside), ÿ/Ÿ, œ/Œ, and the dotless ı, whose upper case is I.
char32_t unicodeupper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c == 0x153) return 0x152;
  if (c == 0x131) return 'I';
  return c;
}
char32_t unicodelower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c == 0x152) return 0x153;
  return c;
}

// The base letter of the canonical decomposition of the Latin-1 letters U+00C0..U+00FF (0:
// the letter does not decompose), and of Ÿ.
char32_t unicodebase(char32_t c) {
  static constexpr char kLatin1[] = "AAAAAA\0CEEEEIIII\0NOOOOO\0\0UUUUY\0\0aaaaaa\0ceeeeiiii\0nooooo\0\0uuuuy\0y";
  static_assert(sizeof kLatin1 == 0x40 + 1);
  if (c >= 0xC0 && c <= 0xFF) return kLatin1[c - 0xC0] ? char32_t(kLatin1[c - 0xC0]) : c;
  if (c == 0x178) return 'Y';
  return c;
}

struct CaseTables {
  std::array<u8, 256> upper{}, lower{}, strip{}, upperstrip{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) {
      const u8 c = u8(i);
      const char32_t cp = macromantounicode(c);
      u8 to = c;
      upper[std::size_t(i)] = unicodetomacroman(unicodeupper(cp), &to) ? to : c;
      to = c;
      lower[std::size_t(i)] = unicodetomacroman(unicodelower(cp), &to) ? to : c;
      to = c;
      strip[std::size_t(i)] = unicodetomacroman(unicodebase(cp), &to) ? to : c;
    }
    for (std::size_t i = 0; i < 256; ++i) upperstrip[i] = upper[strip[i]];
  }
};
const CaseTables kCaseTables;

void changecase(u8* text, i16 length, i16 script, const std::array<u8, 256>& table) {
  if (text == nullptr || length <= 0) return;
  if (script == smJapanese) {
    // Only one-byte characters have a case or a mark; pairs are left as they are (ASCII
    // letters only: the other one-byte characters are katakana).
    for (Size i = 0; i < length;) {
      const Size n = sjischarlength(text + i, length - i);
      if (n == 1 && text[i] < 0x80) text[i] = table[text[i]];
      i += n;
    }
    return;
  }
  for (i16 i = 0; i < length; ++i) text[i] = table[text[i]];
}

}  // namespace

u8 macromanupper(u8 c) { return kCaseTables.upper[c]; }
u8 macromanlower(u8 c) { return kCaseTables.lower[c]; }

void UppercaseText(u8* text, i16 length, i16 script) { changecase(text, length, script, kCaseTables.upper); }
void LowercaseText(u8* text, i16 length, i16 script) { changecase(text, length, script, kCaseTables.lower); }
void StripDiacritics(u8* text, i16 length, i16 script) { changecase(text, length, script, kCaseTables.strip); }
void UppercaseStripDiacritics(u8* text, i16 length, i16 script) {
  changecase(text, length, script, kCaseTables.upperstrip);
}

}  // namespace kv
