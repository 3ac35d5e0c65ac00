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

struct CaseTables {
  std::array<u8, 256> upper{}, lower{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) {
      const u8 c = u8(i);
      const char32_t cp = macromantounicode(c);
      u8 to = c;
      upper[std::size_t(i)] = unicodetomacroman(unicodeupper(cp), &to) ? to : c;
      to = c;
      lower[std::size_t(i)] = unicodetomacroman(unicodelower(cp), &to) ? to : c;
    }
  }
};
const CaseTables kCaseTables;

void changecase(u8* text, i16 length, i16 script, const std::array<u8, 256>& table) {
  if (text == nullptr || length <= 0) return;
  if (script == smJapanese) {
    // Only one-byte characters have a case; pairs are left as they are (ASCII letters only:
    // the other one-byte characters are katakana).
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

}  // namespace kv
