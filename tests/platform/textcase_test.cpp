// Case changes of Mac Roman and Shift-JIS text from our own tables, script runs of text in a
// font, and the keyboard's script.
#include <gtest/gtest.h>

#include <string>

#include "platform/fonts/scriptmanager.h"
#include "platform/text/changecase.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using TextCase = RuntimeTest;

std::string cased(std::string s, bool upper, i16 script = smRoman) {
  u8* p = reinterpret_cast<u8*>(s.data());
  if (upper) UppercaseText(p, i16(s.size()), script);
  else LowercaseText(p, i16(s.size()), script);
  return s;
}

TEST_F(TextCase, MacRomanLettersTakeTheirPartners) {
  EXPECT_EQ(cased("caf\x8E", true), "CAF\x83");
  EXPECT_EQ(cased("CAF\x83", false), "caf\x8E");
  EXPECT_EQ(cased("\xD8", true), "\xD9");  // ÿ and Ÿ
  EXPECT_EQ(cased("\xD9", false), "\xD8");
  EXPECT_EQ(cased("\xCF\xBE\xBF", true), "\xCE\xAE\xAF");  // œ æ ø
  EXPECT_EQ(cased("\xF5", true), "I");                     // the dotless i
  // Letters without a partner in Mac Roman, and everything that is not a letter, stay.
  EXPECT_EQ(cased("\xA7\xB5\xB9", true), "\xA7\xB5\xB9");  // ß µ π
  EXPECT_EQ(cased("1+2=[x]", true), "1+2=[X]");
  // Every byte with a partner comes back from it.
  for (int c = 0; c < 256; ++c) {
    const u8 up = macromanupper(u8(c));
    if (up != c && c != 0xF5) {
      EXPECT_EQ(macromanlower(up), c) << c;
    }
  }
}

TEST_F(TextCase, ShiftJISChangesOneByteLettersOnly) {
  // 0x82 0x61 is a two-byte character whose second byte is 'a'.
  EXPECT_EQ(cased("ab\x82\x61z", true, smJapanese), "AB\x82\x61Z");
  EXPECT_EQ(cased("\xB1Q", false, smJapanese), "\xB1q");  // half-width katakana stays
}

std::string stripped(std::string s, bool upper, i16 script = smRoman) {
  u8* p = reinterpret_cast<u8*>(s.data());
  if (upper) UppercaseStripDiacritics(p, i16(s.size()), script);
  else StripDiacritics(p, i16(s.size()), script);
  return s;
}

TEST_F(TextCase, DiacriticalMarksComeOffTheirLetters) {
  EXPECT_EQ(stripped("caf\x8E \x81\x82\x96\xD8\xD9", false), "cafe ACnyY");  // é Å Ç ñ ÿ Ÿ
  EXPECT_EQ(stripped("caf\x8E \x81\x96", true), "CAFE AN");
  // Letters that do not decompose stay, and so do their upper-case forms.
  EXPECT_EQ(stripped("\xBE\xCF\xA7\xBF\xF5", false), "\xBE\xCF\xA7\xBF\xF5");  // æ œ ß ø ı
  EXPECT_EQ(stripped("\xBE\xCF\xA7", true), "\xAE\xCE\xA7");
  // Every stripped letter is plain ASCII.
  for (int c = 0x80; c < 256; ++c) {
    std::string one(1, char(c));
    const std::string out = stripped(one, false);
    if (out != one) {
      EXPECT_LT(u8(out[0]), 0x80) << c;
    }
  }
  // In Shift-JIS text the pairs are never touched, whatever their second byte.
  EXPECT_EQ(stripped("\x82\x8E"
                     "a\x8E",
                     true, smJapanese),
            "\x82\x8E"
            "A\x8E");
}

TEST_F(TextCase, ScriptRunsOfJapaneseText) {
  const std::string t =
      "ab\x82\xA0\xB1"
      "c";
  const u8* p = reinterpret_cast<const u8*>(t.data());
  i32 used = 0;
  EXPECT_EQ(FindScriptRun(p, 6, &used, smJapanese), smRoman);
  EXPECT_EQ(used, 2);
  EXPECT_EQ(FindScriptRun(p + 2, 4, &used, smJapanese), smJapanese);
  EXPECT_EQ(used, 3);
  EXPECT_EQ(FindScriptRun(p + 5, 1, &used, smJapanese), smRoman);
  EXPECT_EQ(used, 1);
  EXPECT_EQ(FindScriptRun(p, 6, &used, smRoman), smRoman);
  EXPECT_EQ(used, 6);
}

TEST_F(TextCase, TheKeyboardTakesOnlyEnabledScripts) {
  KeyScript(smJapanese);
  EXPECT_EQ(GetScriptManagerVariable(smKeyScript), smRoman);
  enablejapanesescript(true);
  KeyScript(smJapanese);
  EXPECT_EQ(GetScriptManagerVariable(smKeyScript), smJapanese);
  enablejapanesescript(false);
  EXPECT_EQ(GetScriptManagerVariable(smKeyScript), smRoman);
}

}  // namespace
}  // namespace kv
