// Hit testing, the selection's region and highlight, and the cursor over text and objects, on
// the fixture's 32-bit port (built-in metrics font at 12 points: lines 13 high, "a" and "b" 7
// pixels, a space 4).
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/shapes.h"
#include "platform/windows/cursor.h"
#include "core/mainglobals.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

class WEHitTest : public WETest {
 protected:
  // A record of the text in a destination (and view) of the width at (10, 10).
  WEReference layout(const char* s, i32 width) {
    const WEReference we = maketext(s);
    const LongRect r{10, 10, 90, 10 + width};
    WESetDestRect(&r, we);
    WESetViewRect(&r, we);
    EXPECT_EQ(WECalText(we), noErr);
    return we;
  }
  static WELineRec line(WEReference we, i32 i) { return weelement<WELineRec>(rec(we).hLines, i); }
  static i32 offsetat(i32 v, i32 h, WEReference we, i8* edge = nullptr) {
    const LongPoint p{v, h};
    return WEGetOffset(&p, edge, we);
  }
  static std::vector<RGBColor> pixels() {
    std::vector<RGBColor> out;
    for (i16 v = 0; v < 100; ++v)
      for (i16 h = 0; h < 100; ++h) {
        RGBColor c;
        GetCPixel(h, v, &c);
        out.push_back(c);
      }
    return out;
  }
};

TEST_F(WEHitTest, PointsBecomeOffsetsAtTheEdgesOfTheText) {
  // "ab ab " and "ab ab": the first line's space hangs past its 40 pixels.
  const WEReference we = layout("ab ab ab ab", 40);
  ASSERT_EQ(rec(we).nLines, 2);
  i8 edge = 1;
  EXPECT_EQ(offsetat(5, 30, we, &edge), 0);
  EXPECT_EQ(edge, 0) << "above the text";
  EXPECT_EQ(offsetat(10 + 26, 0, we, &edge), 11);
  EXPECT_EQ(edge, -1) << "at the text's height";
  EXPECT_EQ(offsetat(12, 49, we, &edge), 5) << "right of a wrapped line: before its trailing blank";
  EXPECT_EQ(offsetat(12, 12, we, &edge), 0);
  EXPECT_EQ(offsetat(12, 16, we, &edge), 1) << "past the middle of the a";
  EXPECT_EQ(edge, 0);
  EXPECT_EQ(offsetat(25, 5, we, &edge), 6) << "left of the second line";
  EXPECT_EQ(edge, -1) << "its start belongs to it";

  // At the boundary of the two lines.
  i32 s = 0, e = 0;
  WEFindLine(6, 0, &s, &e, we);
  EXPECT_EQ(std::pair(s, e), std::pair(0, 6));
  WEFindLine(6, -1, &s, &e, we);
  EXPECT_EQ(std::pair(s, e), std::pair(6, 11));

  const WEReference paras = layout("one two\rthree", 200);
  WEFindParagraph(2, -1, &s, &e, paras);
  EXPECT_EQ(std::pair(s, e), std::pair(0, 8));
  WEFindParagraph(8, -1, &s, &e, paras);
  EXPECT_EQ(std::pair(s, e), std::pair(8, 13));
  WEFindWord(5, -1, &s, &e, paras);
  EXPECT_EQ(std::pair(s, e), std::pair(4, 7));
  WEFindWord(4, 0, &s, &e, paras);
  EXPECT_EQ(std::pair(s, e), std::pair(3, 4)) << "edge 0: the character before";
}

TEST_F(WEHitTest, EveryOffsetComesBackFromItsPoint) {
  // Three paragraphs, two styles, a centred paragraph and wrapped lines.
  const WEReference we = layout("Hello there world\rcentred text in here\rthe end\r", 70);
  const WETextStyle big = style(0, 1, 18);
  ASSERT_EQ(_WESetStyleRange(6, 24, fontfacesize, &big, we), noErr);
  WERuler centred{};
  centred.alignment = 1;
  ASSERT_EQ(_WESetRulerRange(18, 20, weDoAlignment, &centred, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  ASSERT_GT(rec(we).nLines, 5);
  for (i32 offset = 0; offset <= rec(we).textLength; ++offset) {
    LongPoint p;
    i16 height = 0;
    WEGetPoint(offset, 0, &p, &height, we);
    EXPECT_GT(height, 0);
    EXPECT_EQ(WEGetOffset(&p, nullptr, we), offset) << "at " << p.v << "," << p.h;
  }
}

TEST_F(WEHitTest, TabStopsCountFromTheLinesLeftEdgeBothWays) {
  // With a left indent, a tab's stop lies where drawing puts it: measured from the line's left
  // edge, not from the indented pen.
  const WEReference we = layout("ab\tc\td", 200);
  ASSERT_EQ(WEInstallTabHooks(we, 36), noErr);
  WERuler indented{};
  indented.leftIndent = 10 << 16;
  ASSERT_EQ(_WESetRulerRange(0, 6, weDoLeftIndent, &indented, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  LongPoint p;
  WEGetPoint(3, 0, &p, nullptr, we);
  EXPECT_EQ(p.h, 10 + 36) << "after the first tab: the stop at 36";
  WEGetPoint(5, 0, &p, nullptr, we);
  EXPECT_EQ(p.h, 10 + 72);
  for (i32 offset = 0; offset <= 6; ++offset) {
    WEGetPoint(offset, 0, &p, nullptr, we);
    EXPECT_EQ(WEGetOffset(&p, nullptr, we), offset);
  }
}

TEST_F(WEHitTest, TheHighlightOfTwoLinesAndTheAutoIndentRule) {
  const WEReference we = layout("ab ab ab ab", 40);
  LongPoint a, b;
  WEGetPoint(3, 0, &a, nullptr, we);
  WEGetPoint(8, 0, &b, nullptr, we);
  RgnHandle got = WEGetHiliteRgn(3, 8, we);
  RgnHandle want = NewRgn(), second = NewRgn();
  RectRgn(want, Rect{10, i16(a.h), 23, 50});
  RectRgn(second, Rect{23, 10, 36, i16(b.h)});
  UnionRgn(want, second, want);
  EXPECT_TRUE(EqualRgn(got, want)) << "the rest of the first line and the start of the second";
  DisposeRgn(got);

  // With auto-indentation the second line starts 2 x 4 spaces in; a range ending at its start
  // ends at the margin, so nothing of the second line is highlighted.
  WESetInfo(fourcc("refc"), std::array<u32, 1>{1u << 18}.data(), we);
  WESetUserInfo(fourcc("TSIZ"), 4, we);
  WESetUserInfo(fourcc("EMSP"), 4, we);
  WELineRec l = line(we, 1);
  l.lineIndent = 2;
  setweelement(rec(we).hLines, 1, l);
  WEGetPoint(6, 0, &b, nullptr, we);
  EXPECT_EQ(b.h, 10 + 32);
  got = WEGetHiliteRgn(3, 6, we);
  Rect bounds;
  GetRegionBounds(got, &bounds);
  EXPECT_EQ(bounds, (Rect{10, i16(a.h), 23, 50}));
  DisposeRgn(got);
  DisposeRgn(want);
  DisposeRgn(second);
}

TEST_F(WEHitTest, SmoothedTextShowsItsSelectionOnlyWhenDrawn) {
  const WEReference we = layout("ab ab", 80);
  WEActivate(we);
  const RGBColor hilite{0x9999, 0xCCCC, 0xFFFF};
  HiliteColor(&hilite);
  WESetSelection(0, 2, we);
  for (i16 smooth : {1, 0}) {
    mainglobals().smoothtext = smooth;
    const Rect all{0, 0, 100, 100};
    EraseRect(&all);
    WEUpdate(0, we);
    const std::vector<RGBColor> drawn = pixels();
    _WEHiliteRange(0, 2, we);
    EXPECT_EQ(pixels() == drawn, smooth == 1) << "inverting changes pixels only without smoothing";
  }
  // Drawn with smoothing: the selected bytes lie on the hilite colour, the rest on white.
  mainglobals().smoothtext = 1;
  WEUpdate(0, we);
  RGBColor inside, outside;
  GetCPixel(10, 11, &inside);   // left of the a's glyph, in the selection
  GetCPixel(30, 11, &outside);  // past it
  EXPECT_EQ(inside, hilite);
  EXPECT_EQ(outside, (RGBColor{0xFFFF, 0xFFFF, 0xFFFF}));
}

bool samecursor(const Cursor& a, const Cursor& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The hover states an object handler heard.
std::vector<std::pair<i16, WEObjectDescHandle>> hovers;
OSErr notehover(i16 state, Point, RgnHandle, WEObjectDescHandle object) {
  hovers.emplace_back(state, object);
  return 1;  // the cursor is the engine's to set
}

TEST_F(WEHitTest, TheCursorAndHoveringOverObjects) {
  hovers.clear();
  ASSERT_EQ(WEInstallObjectHandler(fourcc("hovr"), fourcc("hovr"), reinterpret_cast<WEProcPtr>(notehover), nilid),
            noErr);
  const WEReference we = layout("ab", 90);
  ASSERT_EQ(_WEInsertObjectAtOffset(2, fourcc("hovr"), NewHandle(0), Point{0, 0}, we), noErr);
  ASSERT_EQ(_WEInsertObjectAtOffset(3, fourcc("hovr"), NewHandle(0), Point{0, 0}, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  WEObjectDescHandle first = nilhandle, second = nilhandle;
  WEGetObjectAtOffset(2, &first, we);
  WEGetObjectAtOffset(3, &second, we);
  LongRect f1, f2;
  ASSERT_EQ(WEGetObjectFrame(first, &f1), noErr);
  ASSERT_EQ(WEGetObjectFrame(second, &f2), noErr);
  EXPECT_EQ(f1, (LongRect{10, 24, 42, 56}));
  EXPECT_EQ(f2.left, 56);

  // The fixture's port is an offscreen world: its local points are global ones.
  SetCursor(&arrowcursor());
  RgnHandle mouse = NewRgn();
  RectRgn(mouse, Rect{0, 0, 100, 100});
  EXPECT_TRUE(WEAdjustCursor(Point{40, 12}, mouse, we));
  EXPECT_TRUE(samecursor(currentcursor(), ibeamcursor())) << "over text";
  EXPECT_FALSE(PtInRgn(Point{20, 30}, mouse)) << "the mouse region leaves the objects out";
  EXPECT_TRUE(WEAdjustCursor(Point{20, 30}, mouse, we));
  EXPECT_TRUE(WEAdjustCursor(Point{25, 35}, mouse, we));
  EXPECT_TRUE(WEAdjustCursor(Point{25, 60}, mouse, we));
  const std::vector<std::pair<i16, WEObjectDescHandle>> want{{0, first}, {1, first}, {2, first}, {0, second}};
  EXPECT_EQ(hovers, want);
  EXPECT_TRUE(samecursor(currentcursor(), ibeamcursor())) << "a hover handler that leaves the cursor";
  EXPECT_FALSE(WEAdjustCursor(Point{95, 95}, mouse, we)) << "outside the view";
  DisposeRgn(mouse);
}

}  // namespace
}  // namespace kv
