// The one-byte Mac sets held as our own tables: every byte goes to Unicode and back, the bytes
// of a set that have no character answer the converter's error, a character two bytes give
// comes back as the lower byte, and the sets without a table stay unsupported.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/text/unicodeconverters.h"
#include "tests/platform/convertroundtrip.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using MacSets = RuntimeTest;

const TextEncoding kUTF16 = CreateTextEncoding(kTextEncodingUnicodeDefault, 0, kUnicode16BitFormat);

// One byte to Unicode without fallbacks: its unit, or nothing when the set has no character.
struct Decoded {
  OSStatus status;
  UniChar unit;
};
Decoded decode(TextEncoding set, u8 b) {
  const UnicodeMapping m{kUTF16, set};
  TextToUnicodeInfo in;
  EXPECT_EQ(CreateTextToUnicodeInfo(&m, &in), noErr);
  UniChar unit = 0;
  ByteCount read = 0, written = 0;
  const OSStatus s = ConvertFromTextToUnicode(in, 1, &b, 0, 0, nullptr, nullptr, nullptr, 2, &read, &written, &unit);
  return {s, unit};
}

TEST_F(MacSets, EveryByteRoundTripsThroughUnicode) {
  // A letter of each set where the sets differ from one another.
  const std::map<TextEncoding, std::pair<u8, UniChar>> letters = {
      {kTextEncodingMacArabic, {0xC7, 0x0627}},          {kTextEncodingMacHebrew, {0xE0, 0x05D0}},
      {kTextEncodingMacGreek, {0xA1, 0x0393}},           {kTextEncodingMacCyrillic, {0x80, 0x0410}},
      {kTextEncodingMacCentralEurRoman, {0x81, 0x0100}}, {kTextEncodingMacTurkish, {0xDA, 0x011E}},
      {kTextEncodingMacCroatian, {0xA9, 0x0160}},        {kTextEncodingMacIcelandic, {0xDC, 0x00D0}},
      {kTextEncodingMacRomanian, {0xAF, 0x0218}},        {kTextEncodingMacFarsi, {0xB0, 0x06F0}},
      {kTextEncodingMacUkrainian, {0xA2, 0x0490}},
  };
  for (const auto& [set, letter] : letters) {
    SCOPED_TRACE(set);
    EXPECT_EQ(decode(set, letter.first).unit, letter.second);
    // All 256 bytes: the defined ones in one text to Unicode, and back.
    std::vector<u8> defined;
    std::map<UniChar, u8> first;  // the lowest byte of each character
    for (int b = 0; b < 256; ++b) {
      const Decoded d = decode(set, u8(b));
      if (d.status == kTextMalformedInputErr) continue;
      ASSERT_EQ(d.status, noErr) << "byte " << b;
      if (b < 0x80) {
        EXPECT_EQ(d.unit, b) << "the low half is ASCII";
      }
      first.emplace(d.unit, u8(b));
      defined.push_back(u8(b));
    }
    EXPECT_GE(defined.size(), 250u);
    std::vector<UniChar> units;
    std::vector<u8> back;
    convertroundtrip(set, defined, &units, &back);
    if (HasFatalFailure()) return;
    ASSERT_EQ(back.size(), defined.size());
    for (std::size_t i = 0; i < defined.size(); ++i)
      EXPECT_EQ(back[i], first.at(units[i])) << "byte " << int(defined[i]);
  }
}

TEST_F(MacSets, TheRightToLeftSetsKeepBothFormsOfPunctuation) {
  // The right-to-left space and digit of the Hebrew and Arabic sets read as the same characters
  // as their left-to-right forms, which the way back gives.
  for (TextEncoding set : {kTextEncodingMacHebrew, kTextEncodingMacArabic}) {
    EXPECT_EQ(decode(set, 0xA0).unit, 0x20);
    EXPECT_EQ(decode(set, 0x20).unit, 0x20);
  }
  EXPECT_EQ(decode(kTextEncodingMacArabic, 0xB0).unit, 0x0660) << "the Arabic digits are their own";
  // A Hebrew ligature Unicode holds only as several characters has no byte of its own here.
  const Decoded lig = decode(kTextEncodingMacHebrew, 0xC0);
  EXPECT_EQ(lig.status, kTextMalformedInputErr);
  const UnicodeMapping m{kUTF16, kTextEncodingMacHebrew};
  TextToUnicodeInfo in;
  ASSERT_EQ(CreateTextToUnicodeInfo(&m, &in), noErr);
  const u8 text[] = {0xE0, 0xC0, 'a'};
  UniChar units[3] = {};
  ByteCount read = 0, written = 0;
  EXPECT_EQ(ConvertFromTextToUnicode(in, 3, text, kUnicodeUseFallbacksMask, 0, nullptr, nullptr, nullptr, 6, &read,
                                     &written, units),
            kTECUsedFallbacksStatus);
  EXPECT_EQ(units[1], 0xFFFD);
}

TEST_F(MacSets, SetsWithoutATableAreUnsupported) {
  for (TextEncoding set :
       {kTextEncodingMacCeltic, kTextEncodingMacGaelic, kTextEncodingMacInuit, kTextEncodingMacVT100}) {
    const UnicodeMapping m{kUTF16, set};
    TextToUnicodeInfo in;
    UnicodeToTextInfo out;
    EXPECT_EQ(CreateTextToUnicodeInfo(&m, &in), kTextUnsupportedEncodingErr) << set;
    EXPECT_EQ(CreateUnicodeToTextInfo(&m, &out), kTextUnsupportedEncodingErr) << set;
  }
}

}  // namespace
}  // namespace kv
