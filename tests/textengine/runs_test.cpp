// Style and paragraph runs: where typed text goes, merging, reference counts, paragraphs and
// their rulers, the invariants over a long random edit, the formatting scraps and intelligent
// cut and paste.
#include <gtest/gtest.h>

#include <random>

#include "store/records.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

using WERunsTest = WETest;

constexpr u8 kBold = 1, kItalic = 2;

WERuler ruleraligned(i8 alignment) {
  WERuler r{};
  r.alignment = alignment;
  r.direction = 1;
  return r;
}

i32 refcount(WEReference we, i32 style) { return weelement<WEStyleTableEntry>(werec(we)->hStyles, style).refCount; }

TEST_F(WERunsTest, TypedTextJoinsTheRunBeforeItAndNeighboursMerge) {
  const WEReference we = maketext("abcdef");
  const WETextStyle bold = style(3, kBold);
  ASSERT_EQ(_WESetStyleRange(2, 4, fontfacesize, &bold, we), noErr);  // ab [cd] ef
  ASSERT_EQ(WECountRuns(we), 3);

  ASSERT_EQ(_WEInsertText(0, "x", 1, we), noErr);
  EXPECT_EQ(styleat(0, we).face, 0) << "at offset 0 the first run";
  ASSERT_EQ(_WEInsertText(3, "y", 1, we), noErr);  // xab|cd: at the bold run's start
  EXPECT_EQ(styleat(3, we).face, 0) << "at a run's start the previous run";
  i32 start, end;
  WEGetRunRange(1, &start, &end, we);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 6);
  EXPECT_EQ(checkruns(we), "");

  // Deleting the whole bold run leaves plain neighbours that merge.
  ASSERT_EQ(_WEDeleteRange(4, 6, we), noErr);
  EXPECT_EQ(textof(we), "xabyef");
  EXPECT_EQ(WECountRuns(we), 1);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WERunsTest, SettingTheSameStyleTwiceChangesNoCount) {
  const WEReference we = maketext("abcdef");
  const WETextStyle times = style(20, kItalic, 14);
  ASSERT_EQ(_WESetStyleRange(1, 5, fontfacesize, &times, we), noErr);
  const WERec before = rec(we);
  std::vector<i32> counts;
  for (i32 i = 0; i < before.nStyles; ++i) counts.push_back(refcount(we, i));
  ASSERT_EQ(_WESetStyleRange(1, 5, fontfacesize, &times, we), noErr);
  ASSERT_EQ(_WESetStyleRange(2, 3, fontfacesize, &times, we), noErr);
  EXPECT_EQ(rec(we).nStyles, before.nStyles);
  EXPECT_EQ(rec(we).nRuns, before.nRuns);
  for (i32 i = 0; i < before.nStyles; ++i) EXPECT_EQ(refcount(we, i), counts[std::size_t(i)]);
  EXPECT_EQ(styleat(1, we).encoding, 0u) << "the encoding comes from the font";
  EXPECT_EQ(styleat(1, we).size, 14);
  EXPECT_EQ(weelement<WEStyleTableEntry>(rec(we).hStyles, 1).style.runHeight, 16) << "metrics of 14 points";
}

TEST_F(WERunsTest, ParagraphsKeepTheirRulers) {
  const WEReference we = maketext("aa\rbb\rcc");
  const WERuler centred = ruleraligned(1), right = ruleraligned(-1);
  // A ruler over part of a paragraph sets the whole paragraph.
  ASSERT_EQ(_WESetRulerRange(4, 4, weDoAlignment, &centred, we), noErr);
  WEParaInfo info;
  WEGetParaInfo(3, &info, we);
  EXPECT_EQ(info.ruler.alignment, 1);
  EXPECT_EQ(info.paraStart, 3);
  EXPECT_EQ(info.paraEnd, 6);
  WEGetParaInfo(2, &info, we);
  EXPECT_EQ(info.ruler.alignment, 0);

  // Deleting the return between "aa" (default) and "bb" (centred): one paragraph, the first's.
  ASSERT_EQ(_WEDeleteRange(2, 3, we), noErr);
  EXPECT_EQ(textof(we), "aabb\rcc");
  WEGetParaInfo(3, &info, we);
  EXPECT_EQ(info.ruler.alignment, 0);
  EXPECT_EQ(WECountParaRuns(we), 1) << "the joined paragraph and \"cc\" share the default ruler";
  EXPECT_EQ(checkruns(we), "");

  // At an empty selection at the text's end: the last paragraph, also the empty one after a
  // final return.
  ASSERT_EQ(_WESetRulerRange(7, 7, weDoAlignment, &right, we), noErr);
  WEGetParaInfo(5, &info, we);
  EXPECT_EQ(info.ruler.alignment, -1);
  ASSERT_EQ(_WEInsertText(7, "\r", 1, we), noErr);
  ASSERT_EQ(_WESetRulerRange(8, 8, weDoAlignment, &centred, we), noErr);
  EXPECT_EQ(WECountParaRuns(we), 3);
  WEGetParaInfo(8, &info, we);
  EXPECT_EQ(info.paraStart, 8);
  EXPECT_EQ(info.ruler.alignment, 1);
  WEGetParaInfo(5, &info, we);
  EXPECT_EQ(info.ruler.alignment, -1);
  EXPECT_EQ(checkruns(we), "");
}

TEST_F(WERunsTest, ARandomEditKeepsEveryInvariant) {
  const WEReference we = maketext("one\rtwo three\rfour five six\r\rseven");
  std::mt19937 rng(20240607);
  auto pick = [&](i32 n) { return i32(rng() % u32(n)); };
  const char* inserts[] = {"a", "bc", "\r", "x\ry", "  ", "\r\r"};
  const i16 fonts[] = {3, 20, 21};
  const u32 modes[] = {fontfacesize, weDoFace | weDoToggleFace, weDoSize, weDoAddSize, weDoColor, weDoFace};
  for (int step = 0; step < 2000; ++step) {
    WERec& r = rec(we);
    const i32 len = r.textLength;
    const i32 a = pick(len + 1), b = pick(len + 1);
    const i32 from = std::min(a, b), to = std::max(a, b);
    WETextStyle ts = style(fonts[pick(3)], u8(pick(4)), i16(9 + pick(6)));
    ts.color.red = u16(pick(2) * 0xFFFF);
    switch (pick(4)) {
      case 0: {
        if (pick(2)) {
          r.nullStyle.ts = ts;
          r.flags |= weFlagNullStyleValid;
        }
        const char* s = inserts[pick(6)];
        ASSERT_EQ(_WEInsertText(a, s, i32(std::strlen(s)), we), noErr);
        break;
      }
      case 1: ASSERT_EQ(_WEDeleteRange(from, std::min(to, from + 6), we), noErr); break;
      case 2: ASSERT_EQ(_WESetStyleRange(from, to, modes[pick(6)], &ts, we), noErr); break;
      default: {
        WERuler ruler = ruleraligned(i8(pick(5) - 2));
        ruler.leftIndent = pick(3) << 16;
        ASSERT_EQ(_WESetRulerRange(from, to, u16(weDoAlignment | (pick(2) ? weDoLeftIndent : 0)), &ruler, we), noErr);
      }
    }
    ASSERT_EQ(_WERedraw(from, to, we), noErr);
    ASSERT_EQ(checkruns(we), "") << "after step " << step;
    if (rec(we).textLength > 400) {
      ASSERT_EQ(_WEDeleteRange(0, 200, we), noErr);
    }
  }
}

// --- Scraps --------------------------------------------------------------------------------

Handle stylscrap(u16 storedcount, std::initializer_list<std::pair<i32, WETextStyle>> elements) {
  std::vector<u8> b(2 + 20 * elements.size(), 0);
  storeat<u16>(b.data(), storedcount);
  std::size_t at = 2;
  for (const auto& [offset, ts] : elements) {
    storeat<i32>(&b[at], offset);
    storeat<i16>(&b[at + 8], ts.font);
    b[at + 10] = ts.face;
    storeat<i16>(&b[at + 12], ts.size);
    at += 20;
  }
  Handle h = nilhandle;
  PtrToHand(b.data(), &h, Size(b.size()));
  return h;
}

template <class T>
Handle handleof(std::initializer_list<T> items) {
  const std::vector<T> v(items);
  Handle h = nilhandle;
  PtrToHand(v.data(), &h, Size(v.size() * sizeof(T)));
  return h;
}

TEST_F(WERunsTest, MalformedStyleScrapsAreRefusedWholly) {
  const WEReference we = maketext("abcdefgh");
  struct Bad {
    u16 stored;
    i32 extra;
  };
  for (const Bad bad : {Bad{1, 1}, Bad{3, 0}, Bad{2, 0}}) {
    Handle h = stylscrap(bad.stored, {{0, style(20)}, {3, style(21)}});
    if (bad.extra) SetHandleSize(h, GetHandleSize(h) + bad.extra);
    const OSErr expected = bad.extra || bad.stored != 2 ? weMalformedScrapErr : OSErr(noErr);
    EXPECT_EQ(_WEApplyTextEditStyleScrap(0, 8, h, we), expected);
    if (expected != noErr) {
      EXPECT_EQ(WECountRuns(we), 1) << "nothing changes";
    }
    DisposeHandle(h);
  }
  EXPECT_EQ(styleat(5, we).font, 21);

  Handle none = stylscrap(0, {});
  const WEReference other = maketext("abc");
  EXPECT_EQ(_WEApplyTextEditStyleScrap(0, 3, none, other), noErr);
  EXPECT_EQ(WECountRuns(other), 1);
  DisposeHandle(none);

  // Offsets that are negative or descend apply nothing; spans stay within the range.
  Handle odd = stylscrap(3, {{-4, style(20)}, {2, style(21)}, {1, style(20)}});
  const WEReference third = maketext("abcdefgh");
  ASSERT_EQ(_WEApplyTextEditStyleScrap(1, 5, odd, third), noErr);
  EXPECT_EQ(styleat(0, third).font, 0);
  EXPECT_EQ(styleat(2, third).font, 0) << "the negative element is skipped";
  EXPECT_EQ(styleat(3, third).font, 21);
  EXPECT_EQ(styleat(4, third).font, 21);
  EXPECT_EQ(styleat(5, third).font, 0) << "clipped to the range";
  DisposeHandle(odd);
  EXPECT_EQ(checkruns(third), "");
}

TEST_F(WERunsTest, FormattingRunsWithBadIndexesAreSkipped) {
  const WEReference we = maketext("aa\rbb\rcc");
  Handle styles = handleof<WETextStyle>({style(20), style(21)});
  Handle runs = handleof<WERunEntry>({{0, 1}, {2, -1}, {4, 2}, {6, 0}});
  ASSERT_EQ(_WEApplyCharacterFormatting(0, 8, runs, styles, we), noErr);
  EXPECT_EQ(styleat(0, we).font, 21);
  EXPECT_EQ(styleat(3, we).font, 0) << "index -1";
  EXPECT_EQ(styleat(5, we).font, 0) << "index beyond the styles";
  EXPECT_EQ(styleat(7, we).font, 20);

  Handle rulers = handleof<WERuler>({ruleraligned(1), ruleraligned(-1)});
  Handle paras = handleof<WERunEntry>({{0, 1}, {3, 7}, {6, 0}});
  ASSERT_EQ(_WEApplyParagraphFormatting(0, 8, paras, rulers, we), noErr);
  WEParaInfo info;
  WEGetParaInfo(0, &info, we);
  EXPECT_EQ(info.ruler.alignment, -1);
  WEGetParaInfo(4, &info, we);
  EXPECT_EQ(info.ruler.alignment, 0) << "ruler index beyond the rulers";
  WEGetParaInfo(7, &info, we);
  EXPECT_EQ(info.ruler.alignment, 1);
  EXPECT_EQ(checkruns(we), "");
  for (Handle h : {styles, runs, rulers, paras}) DisposeHandle(h);
}

TEST_F(WERunsTest, PrivateScrapsRestoreRunsAndRulers) {
  const WEReference we = maketext("one two\rthree\rfour");
  const WETextStyle bold = style(20, kBold), big = style(21, 0, 24);
  ASSERT_EQ(_WESetStyleRange(1, 5, fontfacesize, &bold, we), noErr);
  ASSERT_EQ(_WESetStyleRange(9, 16, fontfacesize, &big, we), noErr);
  WERuler odd = ruleraligned(2);
  odd.userValue = 77;
  odd.paraFlags = 3;
  ASSERT_EQ(_WEReplaceRulerRange(8, 9, &odd, we), noErr);

  Handle styles = NewHandle(0), rulers = NewHandle(0);
  ASSERT_EQ(_WEBuildPrivateStyleScrap(2, 16, styles, we), noErr);
  ASSERT_EQ(_WEBuildPrivateRulerScrap(2, 16, rulers, we), noErr);
  EXPECT_EQ(loadat<u32>(deref(styles)), 3u) << "the runs touched by the range";
  std::vector<WEParaInfo> parasbefore(3);
  for (i32 i = 0; i < 3; ++i) WEGetIndParaInfo(i, &parasbefore[std::size_t(i)], we);

  const WETextStyle plain = style(3);
  const WERuler left = ruleraligned(-2);
  ASSERT_EQ(_WESetStyleRange(0, 18, fontfacesize, &plain, we), noErr);
  ASSERT_EQ(_WEReplaceRulerRange(0, 18, &left, we), noErr);
  ASSERT_EQ(_WEApplyPrivateStyleScrap(2, 16, styles, we), noErr);
  ASSERT_EQ(_WEApplyPrivateRulerScrap(2, 16, rulers, we), noErr);
  for (i32 offset : {1, 2, 9, 15, 16, 17}) {
    WERunInfo a;
    WEGetRunInfo(offset, &a, we);
    EXPECT_EQ(a.font, offset == 1 || offset >= 16 ? 3 : offset < 5 ? 20 : 21) << offset;
  }
  for (i32 i = 0; i < 3; ++i) {
    WEParaInfo after;
    WEGetIndParaInfo(i, &after, we);
    EXPECT_TRUE(_WEBlockCmp(&after.ruler, &parasbefore[std::size_t(i)].ruler, sizeof after.ruler)) << "ruler " << i;
  }
  EXPECT_EQ(checkruns(we), "");
  DisposeHandle(styles);
  DisposeHandle(rulers);
}

TEST_F(WERunsTest, IntelligentCutAndPasteMindTheSpaces) {
  const WEReference we = maketext("the dog");
  ASSERT_EQ(_WEInsertText(4, "big", 3, we), noErr);
  EXPECT_EQ(_WEIntelligentPaste(4, 7, we), 1) << "a space goes after it";

  const WEReference cut = maketext("the big dog");
  i32 start = 4, end = 7;
  _WEIntelligentCut(&start, &end, cut);
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 7);

  const WEReference punct = maketext("the dog");
  ASSERT_EQ(_WEInsertText(4, ", big", 5, punct), noErr);
  EXPECT_EQ(_WEIntelligentPaste(4, 9, punct), 0);
  const WEReference before = maketext("thedog");
  ASSERT_EQ(_WEInsertText(3, " big", 4, before), noErr);
  EXPECT_EQ(_WEIntelligentPaste(3, 7, before), 0) << "begins with a blank";
  const WEReference after = maketext("dog ");
  ASSERT_EQ(_WEInsertText(3, "big", 3, after), noErr);
  EXPECT_EQ(_WEIntelligentPaste(3, 6, after), -1) << "a space goes before it";
}

}  // namespace
}  // namespace kv
