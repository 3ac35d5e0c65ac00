// Line layout: breaks, heights, slops and the re-break after edits, with the built-in metrics
// font at 12 points (ascent 9, descent 3, leading 1; "a" and "b" 7 pixels, a space 4).
#include <random>

#include "tests/textengine/wetest.h"

namespace kv {
namespace {

class WELineLayoutTest : public WETest {
 protected:
  static WELineRec line(WEReference we, i32 i) { return weelement<WELineRec>(rec(we).hLines, i); }
  static i32 height(WEReference we) { return rec(we).destRect.bottom - rec(we).destRect.top; }
  // A ruler over the whole text.
  static void setruler(WEReference we, const WERuler& ruler, u16 mask) {
    ASSERT_EQ(_WESetRulerRange(0, rec(we).textLength, mask, &ruler, we), noErr);
    ASSERT_EQ(WECalText(we), noErr);
  }
  // A record of the text laid out in a destination of the width.
  WEReference layout(const char* s, i32 width = 200) {
    const WEReference we = maketext(s);
    rec(we).destRect.right = width;
    EXPECT_EQ(WECalText(we), noErr);
    return we;
  }
};

TEST_F(WELineLayoutTest, LineCountsAndHeights) {
  const WEReference empty = layout("");
  EXPECT_EQ(rec(empty).nLines, 1);
  EXPECT_EQ(line(empty, 0).lineStart, 0);
  EXPECT_EQ(line(empty, 1).lineStart, 0);
  EXPECT_EQ(line(empty, 1).lineOrigin, 13);
  EXPECT_EQ(line(empty, 0).lineAscent, 0x8000 | 9);

  // A final return adds an empty line that has no record of its own.
  const WEReference twolines = layout("ab\rcd");
  const WEReference ended = layout("ab\rcd\r");
  EXPECT_EQ(rec(ended).nLines, 2);
  EXPECT_EQ(height(twolines), 26);
  EXPECT_EQ(height(ended), 39);

  // A zero-length break still moves on by one byte.
  const WEReference narrow = layout("abc", 3);
  EXPECT_EQ(rec(narrow).nLines, 3);
  EXPECT_EQ(line(narrow, 2).lineStart, 2);
}

TEST_F(WELineLayoutTest, FirstLineIndentNarrowsOrWidensTheFirstLine) {
  // "ab " words of 18 pixels in a 56-pixel line: three a line (the last space hangs).
  const char* text = "ab ab ab ab ab ab ab ab ab ab";
  for (auto [indent, firstlinewords] : {std::pair{0, 3}, {10, 2}, {-14, 4}}) {
    const WEReference we = layout(text, 56);
    WERuler ruler{};
    ruler.firstLineIndent = indent << 16;
    setruler(we, ruler, weDoFirstLineIndent);
    EXPECT_EQ(line(we, 1).lineStart, firstlinewords * 3) << "indent " << indent;
    EXPECT_EQ(line(we, 2).lineStart - line(we, 1).lineStart, 9) << "indent " << indent;
  }
}

TEST_F(WELineLayoutTest, SpacingAndSpaceBeforeAndAfter) {
  const WEReference we = layout("ab\rcd");
  WERuler ruler{};
  ruler.lineSpacing = 0x8000;
  setruler(we, ruler, weDoLineSpacing);
  EXPECT_EQ(line(we, 1).lineOrigin, 20) << "descent 3 + 7";
  ruler = WERuler{};
  ruler.spaceBefore = 0x38000;  // 3.5
  ruler.spaceAfter = 0x28000;   // 2.5 (the descent of 4 holds the leading)
  setruler(we, ruler, weDoLineSpacing | weDoSpaceBefore | weDoSpaceAfter);
  EXPECT_EQ(line(we, 0).lineAscent, 0x8000 | 13);
  EXPECT_EQ(line(we, 1).lineOrigin, (9 + 4) + (4 + 3));
  EXPECT_EQ(line(we, 2).lineOrigin, 2 * ((9 + 4) + (4 + 3)));
}

TEST_F(WELineLayoutTest, SlopPlacesThePenByAlignment) {
  for (auto [alignment, pen] : {std::pair{-2, 0}, {1, 43}, {-1, 86}}) {
    const WEReference we = layout("ab", 100);
    WERuler ruler{};
    ruler.alignment = i8(alignment);
    setruler(we, ruler, weDoAlignment);
    EXPECT_EQ(line(we, 0).lineSlop, 86);
    WEParaInfo para;
    WEGetParaInfo(0, &para, we);
    EXPECT_EQ(_WECalcPenIndent(line(we, 0), para.ruler, we), pen) << "alignment " << alignment;
  }
}

TEST_F(WELineLayoutTest, JustifiedLinesSpreadTheirSlopOverTheSpaces) {
  // "ab ab " breaks a 40-pixel line; its trailing space hangs: slop 40 - 32.
  const WEReference we = layout("ab ab ab ab", 40);
  WERuler ruler{};
  ruler.alignment = 2;
  setruler(we, ruler, weDoAlignment);
  ASSERT_EQ(rec(we).nLines, 2);
  EXPECT_EQ(line(we, 0).lineSlop, 8);
  EXPECT_EQ(Fixed(line(we, 0).lineJustDelta), 8 << 16) << "one space between the two words of the line";
  EXPECT_EQ(Fixed(line(we, 1).lineJustDelta), 0) << "the paragraph's last line";
  // A full line without spaces has nothing to spread its slop over.
  const WEReference solid = layout("abababababab", 40);
  setruler(solid, ruler, weDoAlignment);
  EXPECT_EQ(Fixed(line(solid, 0).lineJustDelta), 0);
}

TEST_F(WELineLayoutTest, AutoIndentShiftsOnlyLeftAlignedLines) {
  const WEReference we = layout("ab");
  WESetInfo(fourcc("refc"), std::array<u32, 1>{1u << 18}.data(), we);
  WESetUserInfo(fourcc("TSIZ"), 4, we);
  WESetUserInfo(fourcc("EMSP"), 5, we);
  WELineRec l = line(we, 0);
  l.lineIndent = 2;
  for (auto [alignment, pen] : {std::pair{-2, 2 * 4 * 5}, {1, 93}, {-1, 186}}) {
    WERuler ruler{};
    ruler.alignment = i8(alignment);
    EXPECT_EQ(_WECalcPenIndent(l, ruler, we), pen) << "alignment " << alignment;
  }
}

// The line-break hook, counting the lines it breaks (it is called once for each style run of a
// line; a line's first run starts where the text it is given starts).
i32 breaks = 0;
i16 countedbreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference we) {
  if (start == 0) ++breaks;
  return _WERomanLineBreak(text, length, start, end, width, offset, we);
}

TEST_F(WELineLayoutTest, EditsKeepTheLinesAsAFreshLayoutWouldAndTypingReBreaksLittle) {
  std::string text;
  std::mt19937 rng(31);
  auto pick = [&](i32 n) { return i32(rng() % u32(n)); };
  for (int i = 0; i < 1000; ++i) {
    // One pick after the other: a call's arguments are read in an order each compiler chooses.
    const i32 length = 2 + pick(6);
    text += std::string(std::size_t(length), char('a' + pick(26)));
    text += pick(3) == 0 ? '\r' : ' ';
  }
  const WEReference we = layout(text.c_str(), 120);
  const char* inserts[] = {"x", "yy zz", "\r", " ", "long words here\r"};
  for (int step = 0; step < 500; ++step) {
    const i32 len = rec(we).textLength;
    const i32 a = pick(len + 1), b = std::min(len, a + pick(12));
    switch (pick(3)) {
      case 0: {
        const char* s = inserts[pick(5)];
        ASSERT_EQ(_WEInsertText(a, s, i32(std::strlen(s)), we), noErr);
        ASSERT_EQ(_WERedraw(a, a + i32(std::strlen(s)), we), noErr);
        break;
      }
      case 1:
        ASSERT_EQ(_WEDeleteRange(a, b, we), noErr);
        ASSERT_EQ(_WERedraw(a, a, we), noErr);
        break;
      default: {
        const WETextStyle ts = style(0, 0, i16(9 + pick(10)));
        ASSERT_EQ(_WESetStyleRange(a, b, weDoSize, &ts, we), noErr);
        ASSERT_EQ(_WERedraw(a, b, we), noErr);
      }
    }
  }
  // The same text and styles laid out from scratch.
  WERec& r = rec(we);
  const std::vector<u8> before(deref(r.hLines), deref(r.hLines) + GetHandleSize(r.hLines));
  const LongRect dest = r.destRect;
  ASSERT_EQ(WECalText(we), noErr);
  const std::vector<u8> after(deref(r.hLines), deref(r.hLines) + GetHandleSize(r.hLines));
  EXPECT_EQ(r.destRect, dest);
  ASSERT_EQ(before.size(), after.size());
  EXPECT_TRUE(before == after);

  const WELineBreakProcPtr hook = countedbreak;
  WESetInfo(fourcc("lbrk"), &hook, we);
  breaks = 0;
  const i32 middle = rec(we).textLength / 2;
  ASSERT_EQ(_WEInsertText(middle, "q", 1, we), noErr);
  ASSERT_EQ(_WERedraw(middle, middle + 1, we), noErr);
  EXPECT_LE(breaks, 3);
}

}  // namespace
}  // namespace kv
