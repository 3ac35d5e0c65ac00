// WEPut and the insertions on it: where the selection goes, the encodings, the byte-order mark,
// which flavours win, and what a field that refuses objects ignores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fields/fieldview.h"
#include "platform/fonts/fonts.h"
#include "store/records.h"
#include "tests/textengine/wetest.h"
#include "textengine/westreams.h"

namespace kv {
namespace {

using PutTest = WETest;

TEST_F(PutTest, TheSelectionFollowsThePut) {
  const WEReference we = maketext("hello");
  WECalText(we);
  WESetSelection(2, 2, we);
  ASSERT_EQ(WEPut(-1, -1, "XY", 2, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "heXYllo");
  i32 s = 0, e = 0;
  WEGetSelection(&s, &e, we);
  EXPECT_EQ(s, 4);
  EXPECT_EQ(e, 4);
  // Wholly before the selection: it moves by the difference in length.
  WESetSelection(5, 7, we);
  ASSERT_EQ(WEPut(0, 2, "A", 1, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "AXYllo");
  WEGetSelection(&s, &e, we);
  EXPECT_EQ(s, 4);
  EXPECT_EQ(e, 6);
  // After it: the selection stays; overlapping it: the caret goes after the new text.
  ASSERT_EQ(WEPut(6, 6, "!", 1, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  WEGetSelection(&s, &e, we);
  EXPECT_EQ(s, 4);
  EXPECT_EQ(e, 6);
  ASSERT_EQ(WEPut(3, 5, "---", 3, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "AXY---o!");
  WEGetSelection(&s, &e, we);
  EXPECT_EQ(s, 6);
  EXPECT_EQ(e, 6);
  EXPECT_EQ(WEPut(5, 2, "x", 1, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), paramErr);
  EXPECT_EQ(checkruns(we), "");
  WEFeatureFlag(weFReadOnly, 1, we);
  EXPECT_EQ(WEPut(0, 0, "x", 1, kTextEncodingWEText, 0, 0, nullptr, nullptr, we), weReadOnlyErr);
}

TEST_F(PutTest, EncodingsAndTheByteOrderMark) {
  const WEReference we = maketext("");
  const UniChar odd[] = {'a', 'b'};
  EXPECT_EQ(WEPut(0, 0, odd, 3, 256, 0, 0, nullptr, nullptr, we), -9469);
  EXPECT_EQ(WEPut(0, 0, "ab", 2, 7, 0, 0, nullptr, nullptr, we), -9473);
  EXPECT_EQ(textof(we), "");
  // A mark first: dropped, and a run the mark held starts with the text.
  const UniChar marked[] = {0xFEFF, 'a', 'b'};
  Handle cf = NewHandle(0);
  const WERunEntry run{0, 0};
  _WESplice(cf, &run, sizeof run, -1);
  Handle st = NewHandle(0);
  {
    const WEReference source = maketext("q");
    WECalText(source);
    const WETextStyle bold = style(0, facebold, 14);
    _WESetStyleRange(0, 1, fontfacesize, &bold, source);
    ASSERT_EQ(WEStreamRange(0, 1, fourcc("WEst"), 0, st, source), noErr);
  }
  const OSType types[] = {fourcc("WEcf"), fourcc("WEst")};
  const Handle handles[] = {cf, st};
  ASSERT_EQ(WEPut(0, 0, marked, 6, 256, 0x200, 2, types, handles, we), noErr);
  EXPECT_EQ(textof(we), "ab");
  EXPECT_EQ(styleat(0, we).face, facebold);
  EXPECT_EQ(styleat(0, we).size, 14);
  EXPECT_EQ(weelement<WERunEntry>(cf, 0).runStart, 0);  // the caller's run array is untouched
  // Swapped: the text is read the other way round.
  const UniChar swapped[] = {0xFFFE, u16('c' << 8), u16('d' << 8)};
  ASSERT_EQ(WEPut(2, 2, swapped, 6, 256, 0x200, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "abcd");
  DisposeHandle(cf);
  DisposeHandle(st);
}

TEST_F(PutTest, AParagraphSeparatorGoesInAsAReturn) {
  // Unicode text as the engine gives it out: a return becomes U+2029.
  const WEReference source = maketext("one\rtwo");
  WECalText(source);
  Handle unicode = NewHandle(0);
  ASSERT_EQ(WEGetTextRangeAsUnicode(0, 7, unicode, nilhandle, nilhandle, 0, 0, 0, source), noErr);
  ASSERT_EQ(GetHandleSize(unicode), 14);
  UniChar separator = 0;
  std::memcpy(&separator, deref(unicode) + 6, 2);
  ASSERT_EQ(separator, 0x2029);

  const WEReference we = maketext("");
  ASSERT_EQ(WEPut(0, 0, deref(unicode), 14, 256, 0, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "one\rtwo");
  i32 start = -1, end = -1;
  WEFindParagraph(5, 0, &start, &end, we);
  EXPECT_EQ(start, 4) << "the second paragraph begins after the return";
  EXPECT_EQ(end, 7);
  // Byte-swapped after a mark, the same.
  const UniChar swapped[] = {0xFFFE, u16('a' << 8), 0x2920, u16('b' << 8)};
  ASSERT_EQ(WEPut(0, 7, swapped, 8, 256, 0x200, 0, nullptr, nullptr, we), noErr);
  EXPECT_EQ(textof(we), "a\rb");
  DisposeHandle(unicode);
}

TEST_F(PutTest, TheEnginesOwnFormatsWinOverTheStyleScrap) {
  const WEReference source = maketext("xy");
  WECalText(source);
  const WETextStyle italic = style(0, faceitalic, 12);
  _WESetStyleRange(0, 2, fontfacesize, &italic, source);
  Handle cf = NewHandle(0), st = NewHandle(0), styl = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, 2, fourcc("WEcf"), 0, cf, source), noErr);
  ASSERT_EQ(WEStreamRange(0, 2, fourcc("WEst"), 0, st, source), noErr);
  const WETextStyle bold = style(0, facebold, 12);
  _WESetStyleRange(0, 2, fontfacesize, &bold, source);
  ASSERT_EQ(WEStreamRange(0, 2, fourcc("styl"), 0, styl, source), noErr);
  const WEReference we = maketext("");
  const OSType types[] = {fourcc("styl"), fourcc("WEcf"), fourcc("WEst")};
  const Handle handles[] = {styl, cf, st};
  ASSERT_EQ(WEPut(0, 0, "xy", 2, kTextEncodingWEText, 0, 3, types, handles, we), noErr);
  EXPECT_EQ(styleat(1, we).face, faceitalic);
  // Without them the style scrap is read.
  const WEReference plain = maketext("");
  ASSERT_EQ(WEPut(0, 0, "xy", 2, kTextEncodingWEText, 0, 1, types, handles, plain), noErr);
  EXPECT_EQ(styleat(1, plain).face, facebold);
  for (Handle h : {cf, st, styl}) DisposeHandle(h);
}

// Objects and paragraph formats go only into records that allow objects.
TEST_F(PutTest, ObjectsAndParagraphFormatsNeedTheAllowObjectsSetting) {
  const WEReference source = maketext("a\rb");
  WECalText(source);
  SetAllowObjectsFlag(source, 1);
  Handle data = NewHandle(4);
  ASSERT_EQ(_WEInsertObjectAtOffset(1, fourcc("blob"), data, Point{10, 12}, source), noErr);
  WERuler centred{};
  centred.alignment = 1;
  _WESetRulerRange(0, 4, weDoAlignment, &centred, source);
  const i32 n = WEGetTextLength(source);
  Handle soup = NewHandle(0), pf = NewHandle(0), ru = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, n, fourcc("SOUP"), 2, soup, source), noErr);
  ASSERT_EQ(WEStreamRange(0, n, fourcc("WEpf"), 2, pf, source), noErr);
  ASSERT_EQ(WEStreamRange(0, n, fourcc("WEru"), 2, ru, source), noErr);
  const std::string text = textof(source);
  const OSType types[] = {fourcc("SOUP"), fourcc("WEpf"), fourcc("WEru")};
  const Handle handles[] = {soup, pf, ru};

  const WEReference refusing = maketext("");
  ASSERT_EQ(WEPut(0, 0, text.data(), n, kTextEncodingWEText, 0, 3, types, handles, refusing), noErr);
  WEObjectDescHandle object = nilhandle;
  EXPECT_EQ(WEGetObjectAtOffset(1, &object, refusing), weObjectNotFoundErr);
  EXPECT_EQ(WEGetAlignment(refusing), 0);

  const WEReference allowing = maketext("");
  SetAllowObjectsFlag(allowing, 1);
  ASSERT_EQ(WEPut(0, 0, text.data(), n, kTextEncodingWEText, 0, 3, types, handles, allowing), noErr);
  ASSERT_EQ(WEGetObjectAtOffset(1, &object, allowing), noErr);
  EXPECT_EQ(WEGetObjectType(object), fourcc("blob"));
  EXPECT_EQ(WEGetObjectSize(object), (12u << 16) | 10u);
  EXPECT_EQ(WEGetAlignment(allowing), 1);
  EXPECT_EQ(checkruns(allowing), "");
  for (Handle h : {soup, pf, ru}) DisposeHandle(h);
}

TEST_F(PutTest, InsertGoesAtTheSelectionWithItsStyles) {
  const WEReference source = maketext("BOLD");
  WECalText(source);
  const WETextStyle bold = style(0, facebold, 12);
  _WESetStyleRange(0, 4, fontfacesize, &bold, source);
  Handle styl = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, 4, fourcc("styl"), 0, styl, source), noErr);
  const WEReference we = maketext("ab");
  WECalText(we);
  WESetSelection(1, 1, we);
  ASSERT_EQ(WEInsert("BOLD", 4, styl, nilhandle, we), noErr);
  EXPECT_EQ(textof(we), "aBOLDb");
  EXPECT_EQ(styleat(2, we).face, facebold);
  EXPECT_EQ(styleat(5, we).face, 0);
  i32 s = 0;
  WEGetSelection(&s, nullptr, we);
  EXPECT_EQ(s, 5);
  // Intelligent paste adds the space words need.
  WEFeatureFlag(weFIntCutAndPaste, 1, we);
  WESetSelection(6, 6, we);
  ASSERT_EQ(WEInsertFormattedText("word", 4, nilhandle, nilhandle, nilhandle, nilhandle, we), noErr);
  EXPECT_EQ(textof(we), "aBOLDb word");
  EXPECT_EQ(checkruns(we), "");
  DisposeHandle(styl);
}

}  // namespace
}  // namespace kv
