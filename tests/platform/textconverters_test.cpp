// Text encodings and the converters between 8-bit text and Unicode: the pictorial sets, the
// statuses a conversion stops with, exact offsets through two-byte text, and the text
// services' character types and words.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/text/symbolsets.h"
#include "platform/text/textservices.h"
#include "platform/text/unicodeconverters.h"
#include "tests/platform/convertroundtrip.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using TextConverters = RuntimeTest;

const TextEncoding kUTF16 = CreateTextEncoding(kTextEncodingUnicodeDefault, 0, kUnicode16BitFormat);

TEST_F(TextConverters, ThePictorialSetsRoundTrip) {
  for (TextEncoding set : {kTextEncodingMacSymbol, kTextEncodingMacDingbats}) {
    std::vector<u8> defined;
    std::set<char32_t> seen;
    for (int b = 0; b < 256; ++b) {
      const char32_t cp = set == kTextEncodingMacSymbol ? symboltounicode(u8(b)) : dingbatstounicode(u8(b));
      if (cp == 0 && b != 0) continue;
      EXPECT_TRUE(seen.insert(cp).second) << "byte " << b << " of set " << set;
      defined.push_back(u8(b));
    }
    std::vector<UniChar> units;
    std::vector<u8> back;
    convertroundtrip(set, defined, &units, &back);
    if (HasFatalFailure()) return;
    EXPECT_EQ(back, defined);
  }
  TextEncoding e = 0;
  EXPECT_EQ(FMGetFontFamilyTextEncoding(23, &e), noErr);
  EXPECT_EQ(e, kTextEncodingMacSymbol);
  EXPECT_EQ(FMGetFontFamilyTextEncoding(13, &e), noErr);
  EXPECT_EQ(e, kTextEncodingMacDingbats);
  EXPECT_EQ(FMGetFontFamilyTextEncoding(20, &e), noErr);
  EXPECT_EQ(e, kTextEncodingMacRoman);
  EXPECT_EQ(FMGetFontFamilyTextEncoding(4711, &e), kFMInvalidFontFamilyErr);
}

TEST_F(TextConverters, StatusesAndOffsets) {
  // Shift-JIS: "a", a two-byte character, "b"; the offsets of every byte.
  const u8 sjis[] = {'a', 0x82, 0xA0, 'b'};
  const UnicodeMapping japanese{kUTF16, kTextEncodingMacJapanese};
  TextToUnicodeInfo in;
  ASSERT_EQ(CreateTextToUnicodeInfo(&japanese, &in), noErr);
  const ByteOffset offs[] = {0, 1, 2, 3, 4};
  ByteOffset outoffs[5] = {};
  ItemCount reached = 0;
  ByteCount read = 0, written = 0;
  UniChar units[3] = {};
  ASSERT_EQ(ConvertFromTextToUnicode(in, 4, sjis, 0, 5, offs, &reached, outoffs, 6, &read, &written, units), noErr);
  EXPECT_EQ(units[1], 0x3042);
  EXPECT_EQ(reached, 5u);
  EXPECT_EQ(std::vector<ByteOffset>(outoffs, outoffs + 5), (std::vector<ByteOffset>{0, 2, 4, 4, 6}))
      << "inside a character: the next character's start";

  // Room for two units, then none.
  EXPECT_EQ(ConvertFromTextToUnicode(in, 4, sjis, 0, 5, offs, &reached, outoffs, 4, &read, &written, units),
            kTECOutputBufferFullStatus);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(reached, 4u) << "the offset where it stopped is known";
  EXPECT_EQ(ConvertFromTextToUnicode(in, 4, sjis, 0, 0, nullptr, nullptr, nullptr, 1, &read, &written, units),
            kTECBufferBelowMinimumSizeErr);

  // A set the converters do not hold; a character without a mapping or a fallback.
  const UnicodeMapping celtic{kUTF16, kTextEncodingMacCeltic};
  EXPECT_EQ(CreateTextToUnicodeInfo(&celtic, &in), kTextUnsupportedEncodingErr);
  const UnicodeMapping roman{kUTF16, kTextEncodingMacRoman};
  UnicodeToTextInfo out;
  ASSERT_EQ(CreateUnicodeToTextInfo(&roman, &out), noErr);
  const UniChar alpha[] = {'x', 0x03B1};
  u8 bytes[4] = {};
  EXPECT_EQ(ConvertFromUnicodeToText(out, 4, alpha, 0, 0, nullptr, nullptr, nullptr, 4, &read, &written, bytes),
            kTECUnmappableElementErr);
  EXPECT_EQ(read, 2u);
  EXPECT_EQ(ConvertFromUnicodeToText(out, 4, alpha, kUnicodeUseFallbacksMask, 0, nullptr, nullptr, nullptr, 4, &read,
                                     &written, bytes),
            kTECUsedFallbacksStatus);
  EXPECT_EQ(bytes[1], '?');

  // The run converter stops when its run array is full.
  enablejapanesescript(true);
  UnicodeToTextRunInfo runs;
  ASSERT_EQ(CreateUnicodeToTextRunInfo(0, nullptr, kUTF16, &runs), noErr);
  ASSERT_EQ(runs.encodings.size(), 2u);
  const UniChar mixed[] = {'a', 0x3042};
  TextEncodingRun got[2] = {};
  ItemCount nruns = 0;
  EXPECT_EQ(ConvertFromUnicodeToTextRun(runs, 4, mixed, 0, 0, nullptr, nullptr, nullptr, 8, &read, &written, bytes, 1,
                                        &nruns, got),
            kTECArrayFullErr);
  EXPECT_EQ(nruns, 1u);
  EXPECT_EQ(read, 2u);
}

TEST_F(TextConverters, ScriptStateFollowsTheTwoByteSwitch) {
  EXPECT_EQ(GetScriptManagerVariable(smEnabled), 1);
  EXPECT_EQ(GetScriptVariable(smJapanese, smScriptEnabled), 0);
  enablejapanesescript(true);
  EXPECT_EQ(GetScriptManagerVariable(smEnabled), 2);
  EXPECT_EQ(GetScriptManagerVariable(smDoubleByte), 1);
  EXPECT_EQ(GetScriptVariable(smJapanese, smScriptFlags) & smsfSingByte, 0);
  EXPECT_EQ(GetScriptVariable(smJapanese, smScriptAppFond), 3);
  EXPECT_EQ(FontToScript(16384), smJapanese);
  EXPECT_EQ(FontToScript(20), smRoman);
}

TEST_F(TextConverters, CharacterTypesAndWords) {
  const u8 text[] =
      "Caf\x8e 42, x\xca"
      "y";
  const i32 n = i32(sizeof text - 1);
  EXPECT_EQ(CharacterType(text, n, 0, smRoman) & smcTypeMask, smCharAscii);
  EXPECT_EQ(CharacterType(text, n, 3, smRoman) & smcTypeMask, smCharEuro) << "e acute";
  EXPECT_EQ(CharacterType(text, n, 5, smRoman), smCharPunct | smPunctNumber);
  EXPECT_EQ(CharacterType(text, n, 7, smRoman), smCharPunct | smPunctNormal);
  EXPECT_EQ(CharacterType(text, n, 4, smRoman), smCharPunct | smPunctBlank);
  EXPECT_EQ(CharacterType(text, n, 10, smRoman), smCharPunct | smPunctBlank) << "non-breaking space";
  const u8 dollar = '$';
  EXPECT_EQ(CharacterType(&dollar, 1, 0, smRoman), smCharPunct | smPunctSymbol);

  OffsetTable words{};
  FindWordBreaks(text, n, 2, true, words, smRoman);
  EXPECT_EQ(words[0].offFirst, 0);
  EXPECT_EQ(words[0].offSecond, 4);
  FindWordBreaks(text, n, 7, false, words, smRoman);  // the digits before the comma
  EXPECT_EQ(words[0].offFirst, 5);
  EXPECT_EQ(words[0].offSecond, 7);
  FindWordBreaks(text, n, 7, true, words, smRoman);  // the comma, a word of one
  EXPECT_EQ(words[0].offFirst, 7);
  EXPECT_EQ(words[0].offSecond, 8);
}

}  // namespace
}  // namespace kv
