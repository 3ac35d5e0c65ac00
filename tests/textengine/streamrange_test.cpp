// A record's ranges in the engine's flavours: exact layouts, the style and ruler lists read back
// by their parsers, damaged lists refused, and copying to the clipboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/fonts/fonts.h"
#include "fields/fieldview.h"
#include "platform/scrap/scrap.h"
#include "store/records.h"
#include "tests/textengine/wetest.h"
#include "textengine/westreams.h"

namespace kv {
namespace {

class StreamRangeTest : public WETest {
 protected:
  // A record of the text with [from, to) bold.
  WEReference withbold(const char* s, i32 from, i32 to) {
    const WEReference we = maketext(s);
    WECalText(we);
    const WETextStyle bold = style(0, facebold);
    EXPECT_EQ(_WESetStyleRange(from, to, weDoFace, &bold, we), noErr);
    return we;
  }
  static std::vector<u8> bytesof(Handle h) { return std::vector<u8>(deref(h), deref(h) + GetHandleSize(h)); }
  static std::string textin(Handle h) {
    return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
  }
  // The keys of a list's record, in order.
  static std::vector<OSType> keysof(Handle list, i32 record) {
    WEDataDesc r{};
    OSType key = 0;
    EXPECT_EQ(_WEDataDesc_GetNthItem(_WEWholeStream(list), record, &key, &r), noErr);
    i32 n = 0;
    _WEDataDesc_CountItems(r, &n);
    std::vector<OSType> keys;
    for (i32 i = 0; i < n; ++i) {
      WEDataDesc item{};
      EXPECT_EQ(_WEDataDesc_GetNthItem(r, i, &key, &item), noErr);
      keys.push_back(key);
    }
    return keys;
  }
};

TEST_F(StreamRangeTest, RangesAndFlavoursAreChecked) {
  const WEReference we = maketext("hello");
  Handle h = NewHandle(3);
  EXPECT_EQ(WEStreamRange(0, 0, fourcc("TEXT"), 0, h, we), noErr);
  EXPECT_EQ(GetHandleSize(h), 0);
  EXPECT_EQ(WEStreamRange(2, 2, fourcc("SOUP"), 0, h, we), noErr);
  EXPECT_EQ(GetHandleSize(h), 0);
  EXPECT_EQ(WEStreamRange(5, 2, fourcc("TEXT"), 0, h, we), paramErr);
  EXPECT_EQ(WEStreamRange(0, 2, fourcc("XXXX"), 0, h, we), -1852);
  ASSERT_EQ(WEStreamRange(0, 2, fourcc("RTF "), 0, h, we), noErr);
  EXPECT_EQ(textin(h).substr(0, 10), "{\\rtf1\\mac");
  EXPECT_EQ(textin(h).substr(textin(h).size() - 4), "he}}");
  EXPECT_EQ(WEStreamRange(0, 2, fourcc("TEXT"), 0, nilhandle, we), nilHandleErr);
  // -1 is the selection's end; ends are pinned to the text.
  WESetSelection(1, 3, we);
  ASSERT_EQ(WEStreamRange(-1, 99, fourcc("TEXT"), 0, h, we), noErr);
  EXPECT_EQ(textin(h), "ello");
  ASSERT_EQ(WEStreamRange(0, 5, fourcc("UTF8"), 0, h, we), noErr);
  EXPECT_EQ(textin(h), "hello");
  ASSERT_EQ(WEStreamRange(0, 2, fourcc("utxt"), 0, h, we), noErr);
  ASSERT_EQ(GetHandleSize(h), 4);
  EXPECT_EQ(loadat<u16>(deref(h)), u16('h'));
  DisposeHandle(h);
}

TEST_F(StreamRangeTest, STXTHoldsTheTextPaddedAndItsStyleScrap) {
  const WEReference we = maketext("abc");
  WECalText(we);
  Handle h = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, 3, fourcc("STXT"), 0, h, we), noErr);
  ASSERT_EQ(GetHandleSize(h), 32 + 4 + 22);
  const u8* p = deref(h);
  EXPECT_EQ(loadat<u32>(p), 2u);
  EXPECT_EQ(loadat<u32>(p + 4), 0u);
  EXPECT_EQ(loadat<u32>(p + 8), fourcc("ktxt"));
  EXPECT_EQ(loadat<u32>(p + 12), fourcc("TEXT"));
  EXPECT_EQ(loadat<u32>(p + 16), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 20), 3), "abc");
  EXPECT_EQ(p[23], 0);
  EXPECT_EQ(loadat<u32>(p + 24), fourcc("ksty"));
  EXPECT_EQ(loadat<u32>(p + 28), fourcc("styl"));
  EXPECT_EQ(loadat<u32>(p + 32), 22u);
  Handle styl = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, 3, fourcc("styl"), 0, styl, we), noErr);
  EXPECT_EQ(std::vector<u8>(p + 36, p + 58), bytesof(styl));
  DisposeHandle(styl);
  DisposeHandle(h);
}

// The style scrap's count stops at 32767 and holds exactly that many elements.
TEST_F(StreamRangeTest, AStyleScrapHoldsAtMost32767Runs) {
  const WEReference we = withbold("ab", 1, 2);
  WERec& r = rec(we);
  const i32 n = 40000;
  Handle text = NewHandle(n);
  std::memset(deref(text), 'x', n);
  // Two styles taking turns, one a character.
  const WERunEntry a = weelement<WERunEntry>(r.hRuns, 0), b = weelement<WERunEntry>(r.hRuns, 1);
  _WESplice(r.hText, nullptr, -2, 0);
  _WESplice(r.hText, deref(text), n, 0);
  r.textLength = n;
  SetHandleSize(r.hRuns, (n + 1) * 8);
  for (i32 i = 0; i < n; ++i) setweelement(r.hRuns, i, WERunEntry{i, (i & 1) ? b.styleIndex : a.styleIndex});
  setweelement(r.hRuns, n, WERunEntry{n + 1, -1});
  r.nRuns = n;
  for (i32 s : {a.styleIndex, b.styleIndex}) {
    WEStyleTableEntry e = weelement<WEStyleTableEntry>(r.hStyles, s);
    e.refCount = n / 2;
    setweelement(r.hStyles, s, e);
  }
  setweelement(r.hParaRuns, r.nParaRuns, WEParaRunEntry{n + 1, -1});
  DisposeHandle(text);
  Handle h = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, n, fourcc("styl"), 0, h, we), noErr);
  EXPECT_EQ(loadat<u16>(deref(h)), 32767);
  EXPECT_EQ(GetHandleSize(h), 2 + 20 * 32767);
  DisposeHandle(h);
}

TEST_F(StreamRangeTest, APlainBoldStyleWritesOnlyItsOwnItems) {
  const WEReference we = withbold("ab", 0, 2);
  Handle h = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, 2, fourcc("WEst"), 0, h, we), noErr);
  EXPECT_EQ(keysof(h, 0),
            (std::vector<OSType>{fourcc("extp"), fourcc("fnt#"), fourcc("font"), fourcc("ptsz"), fourcc("bold")}));
  DisposeHandle(h);
}

TEST_F(StreamRangeTest, DamagedStyleListsAreRefused) {
  auto list = [](auto fill) {
    Handle h = NewHandle(0);
    WEStream w{};
    _WEStream_Open(h, &w);
    _WEStream_OpenList(&w);
    _WEStream_OpenRecord(&w, fourcc("reco"));
    fill(&w);
    _WEStream_Close(&w);
    return h;
  };
  Handle styles = nilhandle;
  Handle early = list([](WEStream* w) { _WEStream_WriteKeyDesc(w, fourcc("font"), fourcc("TEXT"), "Times", 5); });
  EXPECT_EQ(_WEParseStyleScrap(early, &styles, 0, nullptr), weMalformedScrapErr);
  EXPECT_EQ(styles, nilhandle);
  Handle shortcolour = list([](WEStream* w) { _WEStream_WriteKeyDesc(w, fourcc("colr"), fourcc("cRGB"), "abcd", 4); });
  EXPECT_EQ(_WEParseStyleScrap(shortcolour, &styles, 0, nullptr), weMalformedScrapErr);
  Handle past = list([](WEStream* w) { _WEStream_WriteKeyDesc(w, fourcc("bold"), fourcc("bool"), "\1", 1); });
  storeat<u32>(deref(past) + 28, 4000);  // the record's size runs past the block
  EXPECT_EQ(_WEParseStyleScrap(past, &styles, 0, nullptr), weMalformedScrapErr);
  Handle unknown = list([](WEStream* w) { _WEStream_WriteKeyDesc(w, fourcc("zzzz"), fourcc("long"), "abcd", 4); });
  ASSERT_EQ(_WEParseStyleScrap(unknown, &styles, 0, nullptr), noErr);
  EXPECT_EQ(HandleCount<WETextStyle>(styles), 1);
  _WEForgetStyleArray(&styles);
  Handle notrecord = NewHandle(0);
  WEStream w{};
  _WEStream_Open(notrecord, &w);
  _WEStream_OpenList(&w);
  _WEStream_OpenRecord(&w, fourcc("junk"));
  _WEStream_Close(&w);
  EXPECT_EQ(_WEParseStyleScrap(notrecord, &styles, 0, nullptr), weMalformedScrapErr);
  Handle rulers = nilhandle;
  EXPECT_EQ(_WEParseRulerScrap(notrecord, &rulers), weMalformedScrapErr);
  for (Handle h : {early, shortcolour, past, unknown, notrecord}) DisposeHandle(h);
}

// Every further style, the language and the underline style survive a trip through the streams,
// and so does a ruler.
TEST_F(StreamRangeTest, StylesAndRulersComeBackWhole) {
  const WEReference we = maketext("abc\rdef");
  WECalText(we);
  WETextStyle ts = style(0, facebold | faceitalic, 18);
  ts.extraFace = 0x02 | 0x04 | 0x80;  // double strike-through, small capitals, engraved
  ts.setting = 2;                     // 'dubl'
  ASSERT_EQ(_WESetLanguage("fr", 2, &ts.language), noErr);
  ts.color = RGBColor{0x1111, 0x2222, 0x3333};
  ts.vShift = 3;
  ASSERT_EQ(_WESetStyleRange(1, 5, fontfacesize | weDoExtraFace | weDoSetting | weDoLanguage | weDoColor | weDoShift,
                             &ts, we),
            noErr);
  WERuler ruler{};
  ruler.alignment = 1;
  ruler.leftIndent = 10 << 16;
  ASSERT_EQ(_WESetRulerRange(4, 7, weDoAlignment | weDoLeftIndent, &ruler, we), noErr);

  Handle st = NewHandle(0), ru = NewHandle(0), cf = NewHandle(0), pf = NewHandle(0);
  ASSERT_EQ(WEStreamRange(0, 7, fourcc("WEst"), 0x102, st, we), noErr);
  ASSERT_EQ(WEStreamRange(0, 7, fourcc("WEru"), 2, ru, we), noErr);
  ASSERT_EQ(WEStreamRange(0, 7, fourcc("WEcf"), 2, cf, we), noErr);
  ASSERT_EQ(WEStreamRange(0, 7, fourcc("WEpf"), 2, pf, we), noErr);
  Handle styles = nilhandle, rulers = nilhandle;
  ASSERT_EQ(_WEParseStyleScrap(st, &styles, 0, nullptr), noErr);
  ASSERT_EQ(_WEParseRulerScrap(ru, &rulers), noErr);
  ASSERT_EQ(HandleCount<WETextStyle>(styles), 2);
  ASSERT_EQ(HandleCount<WERuler>(rulers), 2);
  // Character runs at 0 and 1 (and back at 5) name their styles by position in the list.
  ASSERT_EQ(HandleCount<WERunEntry>(cf), 3);
  EXPECT_EQ(weelement<WERunEntry>(cf, 1).runStart, 1);
  const WETextStyle back = weelement<WETextStyle>(styles, weelement<WERunEntry>(cf, 1).styleIndex);
  EXPECT_EQ(back.face, facebold | faceitalic);
  EXPECT_EQ(back.size, 18);
  EXPECT_EQ(back.extraFace, 0x86);
  EXPECT_EQ(back.setting, 2);
  EXPECT_EQ(back.language, ts.language);
  EXPECT_EQ(back.color.green, 0x2222);
  EXPECT_EQ(back.vShift, 3);
  const WERuler centred = weelement<WERuler>(rulers, weelement<WERunEntry>(pf, 1).styleIndex);
  EXPECT_EQ(centred.alignment, 1);
  EXPECT_EQ(centred.leftIndent, 10 << 16);

  // Put into a record that allows objects (paragraph formats go only there), the range reads
  // the same.
  const WEReference other = make();
  SetAllowObjectsFlag(other, 1);
  const OSType types[] = {fourcc("WEcf"), fourcc("WEst"), fourcc("WEpf"), fourcc("WEru")};
  const Handle handles[] = {cf, st, pf, ru};
  ASSERT_EQ(WEPut(0, 0, "abc\rdef", 7, kTextEncodingWEText, 0, 4, types, handles, other), noErr);
  const WETextStyle got = styleat(2, other);
  EXPECT_EQ(got.extraFace, 0x86);
  EXPECT_EQ(got.setting, 2);
  EXPECT_EQ(got.language, ts.language);
  EXPECT_EQ(got.size, 18);
  EXPECT_EQ(styleat(6, other).face, 0);
  WEParaInfo para;
  WEGetParaInfo(5, &para, other);
  EXPECT_EQ(para.ruler.alignment, 1);
  EXPECT_EQ(para.ruler.leftIndent, 10 << 16);
  EXPECT_EQ(checkruns(other), "");
  _WEForgetStyleArray(&styles);
  for (Handle h : {st, ru, cf, pf, rulers}) DisposeHandle(h);
}

TEST_F(StreamRangeTest, CopyPutsEveryFlavourInOrder) {
  const WEReference we = withbold("hello", 1, 3);
  WESetSelection(0, 5, we);
  ASSERT_EQ(WECopy(we), noErr);
  ScrapRef scrap = 0;
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  ScrapFlavorInfo info[16];
  u32 count = 16;
  ASSERT_EQ(GetScrapFlavorInfoList(scrap, &count, info), noErr);
  std::vector<OSType> types;
  for (u32 i = 0; i < count; ++i) types.push_back(info[i].flavorType);
  EXPECT_EQ(types, (std::vector<OSType>{fourcc("RTF "), fourcc("TEXT"), fourcc("styl"), fourcc("FISH"), fourcc("WEpf"),
                                        fourcc("WEru"), fourcc("WEcf"), fourcc("WEst"), fourcc("SOUP")}));
  std::string outside;
  for (const ClipFlavor& f : backend().clipboard())
    if (f.type == fourcc("TEXT")) outside.assign(f.bytes.begin(), f.bytes.end());
  EXPECT_EQ(outside, "hello");
  // The RTF flavour holds the bold word as a run of its own.
  Size rtfsize = 0;
  ASSERT_EQ(GetScrapFlavorSize(scrap, fourcc("RTF "), &rtfsize), noErr);
  std::string rtf(std::size_t(rtfsize), '\0');
  ASSERT_EQ(GetScrapFlavorData(scrap, fourcc("RTF "), &rtfsize, rtf.data()), noErr);
  EXPECT_NE(rtf.find("h{\\b el}lo}"), std::string::npos) << rtf;

  // A mono-styled record puts its text alone; an empty selection keeps the scrap.
  WEFeatureFlag(weFMonoStyled, 1, we);
  ASSERT_EQ(WECopy(we), noErr);
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  ASSERT_EQ(GetScrapFlavorCount(scrap, &count), noErr);
  EXPECT_EQ(count, 1u);
  WESetSelection(2, 2, we);
  EXPECT_EQ(WECopy(we), -10013);
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  Size size = 0;
  EXPECT_EQ(GetScrapFlavorSize(scrap, fourcc("TEXT"), &size), noErr);
  EXPECT_EQ(size, 5);
}

// A family this machine has no font for is written with an empty name; it reads back as
// itself, so that a save and a load keep text in a font missing here.
TEST_F(StreamRangeTest, AFamilyWithoutAFontKeepsItsNumber) {
  for (const i16 family : {i16(28515), i16(-26691)}) {
    const WEReference we = maketext("abc");
    WETextStyle ts = style(family, 0, 12);
    ASSERT_EQ(_WESetStyleRange(0, 3, fontfacesize, &ts, we), noErr);
    Handle st = NewHandle(0);
    ASSERT_EQ(WEStreamRange(0, 3, fourcc("WEst"), 0x102, st, we), noErr);
    Handle styles = nilhandle;
    ASSERT_EQ(_WEParseStyleScrap(st, &styles, 0, nullptr), noErr);
    ASSERT_EQ(HandleCount<WETextStyle>(styles), 1);
    EXPECT_EQ(weelement<WETextStyle>(styles, 0).font, family);
    _WEForgetStyleArray(&styles);
    DisposeHandle(st);
  }
}

TEST_F(StreamRangeTest, AFamilyGivenByNumberAloneReadsAsASaveAndALoadWouldReadIt) {
  // A style that gives its family by number and no name (a damaged or foreign list) reads as
  // the family its saved form reads back as, so that runs neither merge nor split at the first
  // save: the none mark, the application font's designator, a real family.
  auto parsed = [](Handle list) {
    Handle styles = nilhandle;
    EXPECT_EQ(_WEParseStyleScrap(list, &styles, 0, nullptr), noErr);
    const i16 font = HandleCount<WETextStyle>(styles) == 1 ? weelement<WETextStyle>(styles, 0).font : i16(-2);
    _WEForgetStyleArray(&styles);
    return font;
  };
  for (const i16 family : {i16(-1), i16(1), i16(3)}) {
    Handle list = NewHandle(0);
    WEStream w{};
    EXPECT_EQ(_WEStream_Open(list, &w), noErr);
    EXPECT_EQ(_WEStream_OpenList(&w), noErr);
    EXPECT_EQ(_WEStream_OpenRecord(&w, fourcc("reco")), noErr);
    EXPECT_EQ(_WEStream_WriteKeyDesc(&w, fourcc("fnt#"), fourcc("shor"), &family, 2), noErr);
    EXPECT_EQ(_WEStream_CloseRecord(&w), noErr);
    EXPECT_EQ(_WEStream_CloseList(&w), noErr);
    EXPECT_EQ(_WEStream_Close(&w), noErr);
    const i16 first = parsed(list);
    const WEReference we = maketext("abc");
    const WETextStyle ts = style(first, 0, 12);
    EXPECT_EQ(_WESetStyleRange(0, 3, fontfacesize, &ts, we), noErr);
    Handle saved = NewHandle(0);
    EXPECT_EQ(WEStreamRange(0, 3, fourcc("WEst"), 0x102, saved, we), noErr);
    EXPECT_EQ(parsed(saved), first) << family;
    if (family == -1) {
      EXPECT_NE(first, -1) << "the none mark is no family";
    }
    if (family == 3) {
      EXPECT_EQ(first, 3);
    }
    DisposeHandle(saved);
    DisposeHandle(list);
  }
}

}  // namespace
}  // namespace kv
