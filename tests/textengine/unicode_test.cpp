// Unicode conversion: ranges of a record as UTF-16 and UTF-8 with their run arrays, the
// encodings of fonts, Unicode back into styled text and across the enabled scripts, and the
// engine's fallback for the object placeholder.
#include <gtest/gtest.h>

#include <vector>

#include "platform/fonts/scriptmanager.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

using WEUnicodeTest = WETest;

template <class T>
Handle handleof(std::initializer_list<T> items) {
  const std::vector<T> v(items);
  Handle h = nilhandle;
  PtrToHand(v.data(), &h, Size(v.size() * sizeof(T)));
  return h;
}

template <class T>
std::vector<T> contents(Handle h) {
  return std::vector<T>(HandleAs<T>(h), HandleAs<T>(h) + HandleCount<T>(h));
}

std::vector<i32> offsets(Handle runs) {
  std::vector<i32> v;
  for (const WERunEntry& e : contents<WERunEntry>(runs)) v.push_back(e.runStart);
  return v;
}

TEST_F(WEUnicodeTest, ARangeAsUTF16AndUTF8) {
  const WEReference we = maketext("a\rb\x01");
  Handle out = NewHandle(5);
  Handle cf = handleof<WERunEntry>({{0, 0}, {1, 1}}), pf = handleof<WERunEntry>({{0, 0}, {2, 1}});
  ASSERT_EQ(WEGetTextRangeAsUnicode(0, 4, out, cf, pf, 0, kUnicode16BitFormat, 0, we), noErr);
  EXPECT_EQ(contents<UniChar>(out), (std::vector<UniChar>{'a', 0x2029, 'b', 0xFFFC}));
  EXPECT_EQ(offsets(cf), (std::vector<i32>{0, 2}));
  EXPECT_EQ(offsets(pf), (std::vector<i32>{0, 4}));

  // A byte-order mark first moves every run offset on by 2; swapped bytes.
  cf = (DisposeHandle(cf), handleof<WERunEntry>({{0, 0}, {1, 1}}));
  pf = (DisposeHandle(pf), handleof<WERunEntry>({{0, 0}, {2, 1}}));
  ASSERT_EQ(WEGetTextRangeAsUnicode(0, 3, out, cf, pf, 0, kUnicode16BitFormat, weGetAddUnicodeBOM | weGetLittleEndian,
                                    we),
            noErr);
  EXPECT_EQ(contents<UniChar>(out), (std::vector<UniChar>{0xFFFE, 0x6100, 0x2920, 0x6200}));
  EXPECT_EQ(offsets(cf), (std::vector<i32>{2, 4}));
  EXPECT_EQ(offsets(pf), (std::vector<i32>{2, 6}));

  // UTF-8 with its 3-byte mark; a return stays a return.
  cf = (DisposeHandle(cf), handleof<WERunEntry>({{0, 0}, {1, 1}}));
  ASSERT_EQ(WEGetTextRangeAsUnicode(0, 3, out, cf, nilhandle, 0, kUnicodeUTF8Format, weGetAddUnicodeBOM, we), noErr);
  EXPECT_EQ(contents<u8>(out), (std::vector<u8>{0xEF, 0xBB, 0xBF, 'a', 13, 'b'}));
  EXPECT_EQ(offsets(cf), (std::vector<i32>{3, 4}));

  // The selection; an empty range; the refusals.
  rec(we).selStart = 2;
  rec(we).selEnd = 3;
  ASSERT_EQ(WEGetTextRangeAsUnicode(-1, -1, out, nilhandle, nilhandle, 0, 0, 0, we), noErr);
  EXPECT_EQ(contents<UniChar>(out), std::vector<UniChar>{'b'});
  ASSERT_EQ(WEGetTextRangeAsUnicode(1, 1, out, nilhandle, nilhandle, 0, 0, 0, we), noErr);
  EXPECT_EQ(GetHandleSize(out), 0);
  ASSERT_EQ(WEGetTextRangeAsUnicode(1, 1, out, nilhandle, nilhandle, 0, 0, weGetAddUnicodeBOM, we), noErr);
  EXPECT_EQ(contents<UniChar>(out), std::vector<UniChar>{0xFEFF});
  EXPECT_EQ(WEGetTextRangeAsUnicode(0, 1, nilhandle, nilhandle, nilhandle, 0, 0, 0, we), nilHandleErr);
  EXPECT_EQ(WEGetTextRangeAsUnicode(3, 1, out, nilhandle, nilhandle, 0, 0, 0, we), paramErr);
  // Run offsets that descend or leave the range.
  for (Handle bad : {handleof<WERunEntry>({{0, 0}, {2, 1}, {1, 2}}), handleof<WERunEntry>({{0, 0}, {5, 1}})}) {
    EXPECT_EQ(WEGetTextRangeAsUnicode(0, 3, out, bad, nilhandle, 0, 0, 0, we), weMalformedScrapErr);
    DisposeHandle(bad);
  }
  for (Handle h : {out, cf, pf}) DisposeHandle(h);
}

TEST_F(WEUnicodeTest, FontsTakeTheirCharacterSets) {
  TextEncoding e = 99;
  ASSERT_EQ(_WEFontFamilyToTextEncoding(23, &e), noErr);
  EXPECT_EQ(e, 33u) << "Symbol";
  ASSERT_EQ(_WEFontFamilyToTextEncoding(13, &e), noErr);
  EXPECT_EQ(e, 34u) << "Zapf Dingbats";
  ASSERT_EQ(_WEFontFamilyToTextEncoding(1, &e), noErr);
  EXPECT_EQ(e, 0u);
  EXPECT_EQ(_WEFontFamilyToScript(16384 + 600), 2);
  i16 family = 0;
  ASSERT_EQ(_WETextEncodingToFontFamily(33, &family), noErr);
  EXPECT_EQ(family, 23);
  ASSERT_EQ(_WETextEncodingToFontFamily(0, &family), noErr);
  EXPECT_EQ(family, 3) << "the script's default font";

  // A style in Symbol converts through the Symbol set.
  const WEReference we = maketext("ap");
  const WETextStyle symbol = style(23);
  ASSERT_EQ(_WESetStyleRange(1, 2, fontfacesize, &symbol, we), noErr);
  EXPECT_EQ(styleat(1, we).encoding, 33u);
  Handle out = NewHandle(0);
  ASSERT_EQ(WEGetTextRangeAsUnicode(0, 2, out, nilhandle, nilhandle, 0, 0, 0, we), noErr);
  EXPECT_EQ(contents<UniChar>(out), (std::vector<UniChar>{'a', 0x03C0}));
  DisposeHandle(out);
}

TEST_F(WEUnicodeTest, EveryMacRomanByteComesBack) {
  std::vector<u8> all(256);
  for (int i = 0; i < 256; ++i) all[std::size_t(i)] = u8(i);
  const UnicodeMapping roman{CreateTextEncoding(kTextEncodingUnicodeDefault, 0, 0), kTextEncodingMacRoman};
  TextToUnicodeInfo in;
  UnicodeToTextInfo out;
  ASSERT_EQ(CreateTextToUnicodeInfo(&roman, &in), noErr);
  ASSERT_EQ(CreateUnicodeToTextInfo(&roman, &out), noErr);
  Handle unicode = NewHandle(0), text = NewHandle(0);
  i32 written = 0;
  ASSERT_EQ(_WEConvertTextToUnicode(all.data(), 256, in, 3, unicode, &written, 0, nullptr, nullptr), noErr);
  EXPECT_EQ(written, 512);
  EXPECT_EQ(HandleAs<UniChar>(unicode)[0xDB], 0x20AC);
  EXPECT_EQ(HandleAs<UniChar>(unicode)[0xF0], 0xF8FF);
  EXPECT_EQ(HandleAs<UniChar>(unicode)[0xCA], 0x00A0);
  written = 0;
  ASSERT_EQ(_WEConvertUnicodeToText(deref(unicode), 512, out, 0, text, &written, 0, nullptr, nullptr), noErr);
  EXPECT_EQ(contents<u8>(text), all);
  DisposeHandle(unicode);
  DisposeHandle(text);
}

TEST_F(WEUnicodeTest, UnicodeSpreadOverTheEnabledScripts) {
  const UniChar euroalpha[] = {0x20AC, 0x03B1};
  Handle text = NewHandle(0), runs = NewHandle(0);
  ASSERT_EQ(_WEConvertUnicodeToMultiScriptText(euroalpha, 2, text, runs), noErr);
  EXPECT_EQ(contents<u8>(text), (std::vector<u8>{0xDB, '?'}));
  ASSERT_EQ(HandleCount<TextEncodingRun>(runs), 1);
  EXPECT_EQ(HandleAs<TextEncodingRun>(runs)[0].offset, 0u);
  EXPECT_EQ(HandleAs<TextEncodingRun>(runs)[0].textEncoding, kTextEncodingMacRoman);
  EXPECT_EQ(_WEConvertUnicodeToMultiScriptText(euroalpha, 2, nilhandle, runs), nilHandleErr);

  // With two-byte text switched on, Japanese takes what Roman cannot hold.
  enablejapanesescript(true);
  const UniChar mixed[] = {'a', 0x3042, 0x03B1, 'b'};
  ASSERT_EQ(_WEConvertUnicodeToMultiScriptText(mixed, 4, text, runs), noErr);
  EXPECT_EQ(contents<u8>(text), (std::vector<u8>{'a', 0x82, 0xA0, 0x83, 0xBF, 'b'}));
  const std::vector<TextEncodingRun> got = contents<TextEncodingRun>(runs);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[1].offset, 1u);
  EXPECT_EQ(got[1].textEncoding, kTextEncodingMacJapanese);
  EXPECT_EQ(got[2].offset, 5u);
  // New records see two scripts, one of them two-byte.
  const WERec& r = rec(make());
  EXPECT_EQ(r.flags & (weFlagMultiScript | weFlagDoubleByte), weFlagMultiScript | weFlagDoubleByte);
  DisposeHandle(text);
  DisposeHandle(runs);
}

TEST_F(WEUnicodeTest, StyledUnicodeKeepsItsRunsAligned) {
  // Six units, a style run at byte 0 (Roman) and one at byte 6 (Symbol), the object
  // replacement character last.
  const UniChar units[] = {'a', 'b', 'c', 0x03C0, 'd', 0xFFFC};
  WETextStyle roman{}, symbol{};
  symbol.encoding = kTextEncodingMacSymbol;
  for (i32 estimate : {0, 2}) {
    _WESetConversionEstimate(estimate);
    Handle styles = handleof<WETextStyle>({roman, symbol});
    Handle cf = handleof<WERunEntry>({{0, 0}, {6, 1}, {8, 0}}), pf = handleof<WERunEntry>({{0, 0}, {10, 0}});
    Handle text = NewHandle(0);
    ASSERT_EQ(_WEConvertStyledUnicode(units, 12, CreateTextEncoding(kTextEncodingUnicodeDefault, 0, 0), cf, pf, styles,
                                      text),
              noErr)
        << estimate;
    EXPECT_EQ(contents<u8>(text), (std::vector<u8>{'a', 'b', 'c', 0x70, 'd', 1})) << estimate;
    EXPECT_EQ(offsets(cf), (std::vector<i32>{0, 3, 4})) << estimate;
    EXPECT_EQ(offsets(pf), (std::vector<i32>{0, 5})) << estimate;
    for (Handle h : {styles, cf, pf, text}) DisposeHandle(h);
  }
  _WESetConversionEstimate(0);
}

TEST_F(WEUnicodeTest, TheFallbackTakesOnlyTheObjectPlaceholder) {
  u8 out[2] = {9, 9};
  ByteCount used = 7, dused = 7;
  const UniChar placeholder = 0xFFFC, other[2] = {0x03B1, 0xFFFC};
  EXPECT_EQ(_WEUnicodeToTextFallbackProc(&placeholder, 2, &used, out, 2, &dused), noErr);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(used, 2u);
  EXPECT_EQ(dused, 1u);
  EXPECT_EQ(_WEUnicodeToTextFallbackProc(&placeholder, 2, &used, out, 0, &dused), kTECBufferBelowMinimumSizeErr);
  EXPECT_EQ(_WEUnicodeToTextFallbackProc(other, 2, &used, out, 2, &dused), kTECUnmappableElementErr);
  EXPECT_EQ(_WEUnicodeToTextFallbackProc(other, 4, &used, out, 2, &dused), kTECUnmappableElementErr);
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(dused, 0u);
}

}  // namespace
}  // namespace kv
