// Right-to-left text: a line of Hebrew with a Latin word in the middle, each run in its own
// colour, drawn in the order the bidirectional rules give; clicks at the runs' boundaries, the
// caret's places, the dual caret and the arrow keys walking the line as it is shown.
#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr RGBColor kWhite{0xFFFF, 0xFFFF, 0xFFFF}, kBlack{0, 0, 0};
constexpr std::array<RGBColor, 3> kRunColours{RGBColor{0xFFFF, 0, 0}, RGBColor{0, 0xFFFF, 0}, RGBColor{0, 0, 0xFFFF}};
constexpr i16 kHebrewFont = 18432;  // the first family number of the Hebrew script
constexpr i16 kLeftArrow = 28, kRightArrow = 29;

class WEBidiTest : public WETest {
 protected:
  void SetUp() override {
    WETest::SetUp();
    enablerighttoleftscripts(true);
  }
  // Alef and a no-break space (Hebrew), "cd" (Geneva), bet and gimel (Hebrew): three runs in
  // red, green and blue, in a paragraph of the given direction.
  WEReference hebrew(i8 direction) {
    const char bytes[] = {char(0xE0), char(0xCA), 'c', 'd', char(0xE1), char(0xE2), 0};
    const WEReference we = maketext(bytes);
    const LongRect r{10, 10, 40, 90};
    WESetDestRect(&r, we);
    WESetViewRect(&r, we);
    const i16 fonts[] = {kHebrewFont, 3, kHebrewFont};
    for (i32 run = 0; run < 3; ++run) {
      WETextStyle ts = style(fonts[run]);
      ts.color = kRunColours[std::size_t(run)];
      EXPECT_EQ(_WESetStyleRange(run * 2, run * 2 + 2, weDoFont | weDoSize | weDoColor, &ts, we), noErr);
    }
    WERuler ruler{};
    ruler.direction = direction;
    EXPECT_EQ(_WESetRulerRange(0, 6, weDoDirection, &ruler, we), noErr);
    EXPECT_EQ(WECalText(we), noErr);
    return we;
  }
  // A record of style runs (bytes, font) in a paragraph of the given direction.
  WEReference runs(std::initializer_list<std::pair<const char*, i16>> parts, i8 direction) {
    std::string bytes;
    for (const auto& part : parts) bytes += part.first;
    const WEReference we = maketext(bytes.c_str());
    const LongRect r{10, 10, 40, 90};
    WESetDestRect(&r, we);
    WESetViewRect(&r, we);
    i32 at = 0;
    for (const auto& part : parts) {
      const i32 n = i32(std::strlen(part.first));
      const WETextStyle ts = style(part.second);
      EXPECT_EQ(_WESetStyleRange(at, at + n, weDoFont | weDoSize, &ts, we), noErr);
      at += n;
    }
    WERuler ruler{};
    ruler.direction = direction;
    EXPECT_EQ(_WESetRulerRange(0, at, weDoDirection, &ruler, we), noErr);
    EXPECT_EQ(WECalText(we), noErr);
    return we;
  }
  // The offsets one arrow key visits from an offset, as many times as asked.
  static std::vector<i32> walk(i16 key, i32 from, int steps, WEReference we) {
    WESetSelection(from, from, we);
    std::vector<i32> visited{from};
    for (int i = 0; i < steps; ++i) {
      _WEDoArrowKey(key, 0, we);
      visited.push_back(rec(we).selStart);
    }
    return visited;
  }
  static i16 width(i16 font, u8 c) {
    TextFont(font);
    TextSize(12);
    return CharWidth(c);
  }
  static void clear() {
    const Rect all{0, 0, 100, 100};
    RGBForeColor(&kWhite);
    PaintRect(&all);
    RGBForeColor(&kBlack);
  }
  // The leftmost and rightmost columns holding the colour ({-1, -1} when none does).
  static std::pair<i16, i16> columns(const RGBColor& colour) {
    std::pair<i16, i16> c{-1, -1};
    for (i16 h = 0; h < 100; ++h)
      for (i16 v = 0; v < 100; ++v) {
        RGBColor p;
        GetCPixel(h, v, &p);
        if (p == colour) {
          if (c.first < 0) c.first = h;
          c.second = h;
          break;
        }
      }
    return c;
  }
  static i32 caretx(i32 offset, i16 side, WEReference we) {
    LongPoint p;
    WEGetPoint(offset, side, &p, nullptr, we);
    return p.h;
  }
  // The runs from left to right as FriBidi orders them for the line.
  static std::array<i16, 3> fribidiorder(bool lineright, WEReference we) {
    std::array<i16, 3> order{};
    WESegmentDirectionParams params{0, we};
    GetFormatOrder(order.data(), 0, 2, lineright, GetSegmentDirection, &params);
    return order;
  }
};

TEST_F(WEBidiTest, RunsAreDrawnInTheirVisualOrder) {
  for (i8 direction : {i8(-1), i8(0)}) {
    SCOPED_TRACE(int(direction));
    const WEReference we = hebrew(direction);
    ASSERT_TRUE(rec(we).flags & weFlagBidi);
    EXPECT_EQ(WEGetRunDirection(0, we), 1);
    EXPECT_EQ(WEGetRunDirection(2, we), 0);
    clear();
    WEUpdate(0, we);
    std::array<std::pair<i16, i16>, 3> ink{};
    for (std::size_t run = 0; run < 3; ++run) {
      ink[run] = columns(kRunColours[run]);
      ASSERT_GE(ink[run].first, 10) << "run " << run << " has ink";
    }
    // The runs' ink from left to right is FriBidi's order, and no run overlaps another.
    std::array<i16, 3> shown{0, 1, 2};
    std::sort(shown.begin(), shown.end(),
              [&](i16 a, i16 b) { return ink[std::size_t(a)].first < ink[std::size_t(b)].first; });
    EXPECT_EQ(shown, fribidiorder(direction == -1, we));
    EXPECT_EQ(shown, direction == -1 ? (std::array<i16, 3>{2, 1, 0}) : (std::array<i16, 3>{0, 1, 2}));
    for (std::size_t j = 0; j + 1 < 3; ++j)
      EXPECT_LT(ink[std::size_t(shown[j])].second, ink[std::size_t(shown[j + 1])].first);
    // Within the first run the alef stands right of the no-break space (which has no ink): the
    // run's ink is its right seven columns.
    const i32 right = caretx(0, 0, we), left = caretx(2, -1, we);
    EXPECT_EQ(right - left, 7 + 4);
    EXPECT_EQ(ink[0].first, left + 4);
    EXPECT_EQ(ink[0].second, right - 2) << "the alef's frame is its advance less one column";
    // The right-to-left paragraph is right aligned; the left-to-right one starts at the left.
    if (direction == -1) {
      EXPECT_EQ(ink[0].second, 90 - 2);
    } else {
      EXPECT_EQ(ink[0].first, 10 + 4);
    }
  }
}

TEST_F(WEBidiTest, ClicksAtRunBoundariesFollowTheCharacterUnderThePoint) {
  const WEReference we = hebrew(-1);
  // Shown from the left: gimel bet | c d | no-break space alef.
  const i32 b1 = caretx(2, 1, we);  // between bet and "c": the left-to-right edge of offset 2
  const i32 b2 = caretx(4, 1, we);  // between "d" and the no-break space
  EXPECT_EQ(b1, caretx(4, -1, we)) << "the right-to-left edge of offset 4 is the same place";
  EXPECT_EQ(b2, caretx(2, -1, we));
  EXPECT_EQ(b2 - b1, 6 + 7);
  struct Click {
    i32 h;
    i32 offset;
    i8 edge;
  };
  // Right of a right-to-left character's middle is before it; left of a left-to-right one's is
  // before it; the other halves are after them.
  const Click clicks[] = {{b1 - 1, 4, -1},
                          {b1 + 1, 2, -1},
                          {b2 - 1, 4, 0},
                          {b2 + 1, 2, 0},
                          {caretx(0, 0, we) - 1, 0, -1},
                          {caretx(6, 0, we) + 1, 6, 0}};
  for (const Click& c : clicks) {
    const LongPoint p{15, c.h};
    i8 edge = 9;
    EXPECT_EQ(WEGetOffset(&p, &edge, we), c.offset) << "at " << c.h;
    EXPECT_EQ(edge, c.edge) << "at " << c.h;
  }
}

TEST_F(WEBidiTest, TheCaretSplitsAtADirectionBoundary) {
  const WEReference we = hebrew(-1);
  EXPECT_TRUE(_WEAtDirectionBoundary(2, we));
  EXPECT_FALSE(_WEAtDirectionBoundary(1, we));
  WEActivate(we);
  WESetSelection(2, 2, we);
  clear();
  _WEDrawCaret(2, -1, true, we);
  // The right-to-left caret (the paragraph's) in the line's upper half, the other in its lower.
  const i16 rtl = i16(caretx(2, -1, we) - 1), ltr = i16(caretx(2, 1, we) - 1);
  ASSERT_NE(rtl, ltr);
  RGBColor c;
  GetCPixel(rtl, 11, &c);
  EXPECT_TRUE(c == kBlack);
  GetCPixel(rtl, 10 + 11, &c);
  EXPECT_TRUE(c == kWhite);
  GetCPixel(ltr, 11, &c);
  EXPECT_TRUE(c == kWhite);
  GetCPixel(ltr, 10 + 11, &c);
  EXPECT_TRUE(c == kBlack);
}

TEST_F(WEBidiTest, ArrowKeysWalkTheLineAsShown) {
  const WEReference we = hebrew(-1);
  WESetSelection(0, 0, we);
  // From the right end, the left arrow visits every offset once, each step further left.
  std::vector<i32> visited{0};
  i32 x = caretx(0, 0, we);
  for (int step = 0; step < 6; ++step) {
    _WEDoArrowKey(kLeftArrow, 0, we);
    const i32 at = rec(we).selStart;
    EXPECT_LT(caretx(at, 0, we), x) << "step " << step;
    x = caretx(at, 0, we);
    visited.push_back(at);
  }
  std::vector<i32> sorted = visited;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<i32>{0, 1, 2, 3, 4, 5, 6}));
  // The right arrow comes back the same way.
  for (int step = 5; step >= 0; --step) {
    _WEDoArrowKey(kRightArrow, 0, we);
    EXPECT_EQ(rec(we).selStart, visited[std::size_t(step)]);
  }
  // Shift extends the selection the same way.
  _WEDoArrowKey(kLeftArrow, shiftKey, we);
  EXPECT_EQ(rec(we).selEnd - rec(we).selStart, 1);
}

TEST_F(WEBidiTest, ArrowKeysCrossDirectionBoundaries) {
  // Left to right: "ab", alef bet gimel, "cd"; shown a b gimel bet alef c d. Right to left:
  // alef and a no-break space, "cde", bet gimel; shown gimel bet c d e no-break-space alef.
  const char hebrew3[] = {char(0xE0), char(0xE1), char(0xE2), 0}, hebrew2a[] = {char(0xE0), char(0xCA), 0},
             hebrew2b[] = {char(0xE1), char(0xE2), 0};
  struct Case {
    WEReference we;
    i16 key;
    i32 from;
    std::vector<i32> visited;
  };
  const WEReference ltr = runs({{"ab", 3}, {hebrew3, kHebrewFont}, {"cd", 3}}, 0);
  const WEReference rtl = runs({{hebrew2a, kHebrewFont}, {"cde", 3}, {hebrew2b, kHebrewFont}}, -1);
  // The caret after "b" is where gimel's left edge is: crossing gives the offset after gimel,
  // and the caret before "c" crosses to the offset before alef.
  EXPECT_EQ(_WECrossDirectionBoundary(2, 0, ltr), 5);
  EXPECT_EQ(caretx(2, 1, ltr), caretx(5, -1, ltr));
  EXPECT_EQ(_WECrossDirectionBoundary(5, -1, ltr), 2);
  EXPECT_EQ(_WECrossDirectionBoundary(3, 0, ltr), 3) << "no boundary";
  EXPECT_EQ(_WECrossDirectionBoundary(2, 0, rtl), 5) << "after the no-break space: after \"e\"";
  const Case cases[] = {{ltr, kRightArrow, 0, {0, 1, 2, 4, 3, 5, 6, 7}},
                        {ltr, kLeftArrow, 7, {7, 6, 5, 3, 4, 2, 1, 0}},
                        {rtl, kLeftArrow, 0, {0, 1, 2, 4, 3, 5, 6, 7}},
                        {rtl, kRightArrow, 7, {7, 6, 5, 3, 4, 2, 1, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.we == ltr ? "left to right" : "right to left");
    const std::vector<i32> visited = walk(c.key, c.from, 7, c.we);
    EXPECT_EQ(visited, c.visited);
    // Each step moves the caret shown one way.
    for (std::size_t i = 1; i < visited.size(); ++i) {
      const i32 before = caretx(visited[i - 1], 0, c.we), after = caretx(visited[i], 0, c.we);
      if (c.key == kRightArrow) {
        EXPECT_GT(after, before) << "step " << i;
      } else {
        EXPECT_LT(after, before) << "step " << i;
      }
    }
  }
}

TEST_F(WEBidiTest, TheSelectionOfRightToLeftLinesRunsToTheEdgeItContinuesPast) {
  // Two right-to-left paragraphs, alef bet and gimel dalet, right aligned; the range from
  // between alef and bet to between gimel and dalet.
  const char text[] = {char(0xE0), char(0xE1), 13, char(0xE2), char(0xE3), 0};
  const WEReference we = runs({{text, kHebrewFont}}, -1);
  ASSERT_EQ(rec(we).nLines, 2);
  RgnHandle rgn = WEGetHiliteRgn(1, 4, we);
  ASSERT_NE(rgn, 0u);
  const i16 line1 = 15, line2 = 15 + 16;
  struct Probe {
    i32 h, v;
    bool in;
  };
  // First line: bet, and on to the destination's left edge (the paragraph reads on that way);
  // not alef. Second line: gimel only, nothing left of it.
  const Probe probes[] = {{11, line1, true},
                          {caretx(1, 0, we) - 1, line1, true},
                          {caretx(1, 0, we), line1, false},
                          {caretx(3, 0, we) - 1, line2, true},
                          {caretx(4, 0, we), line2, true},
                          {caretx(4, 0, we) - 1, line2, false},
                          {11, line2, false}};
  for (const Probe& p : probes) EXPECT_EQ(PtInRgn(Point{i16(p.v), i16(p.h)}, rgn), p.in) << p.h << "," << p.v;
  DisposeRgn(rgn);
  // The whole text after a final return: the empty line below adds nothing.
  const char ended[] = {char(0xE0), char(0xE1), 13, 0};
  const WEReference we2 = runs({{ended, kHebrewFont}}, -1);
  rgn = WEGetHiliteRgn(0, 3, we2);
  ASSERT_NE(rgn, 0u);
  Rect bounds;
  GetRegionBounds(rgn, &bounds);
  LongPoint end;
  i16 height = 0;
  WEGetPoint(0, 0, &end, &height, we2);
  EXPECT_EQ(bounds, (Rect{10, 10, i16(10 + height), 90}));
  DisposeRgn(rgn);
}

TEST_F(WEBidiTest, ASelectedObjectIsFramedWhole) {
  const char text[] = {char(0xE0), char(0xE1), 0};
  const WEReference we = runs({{text, kHebrewFont}}, 0);
  ASSERT_EQ(_WEInsertObjectAtOffset(0, fourcc("PICT"), NewHandleClear(4), Point{8, 20}, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  RgnHandle rgn = WEGetHiliteRgn(0, 1, we);
  ASSERT_NE(rgn, 0u);
  Rect bounds;
  GetRegionBounds(rgn, &bounds);
  LongPoint p;
  i16 height = 0;
  WEGetPoint(0, 0, &p, &height, we);
  // The object takes the right-to-left font of the text after it: it is shown after alef and
  // bet, its frame over the line's height and nothing of the letters.
  EXPECT_EQ(bounds, (Rect{10, i16(10 + width(kHebrewFont, 0xE0) + width(kHebrewFont, 0xE1)), i16(10 + height),
                          i16(10 + width(kHebrewFont, 0xE0) + width(kHebrewFont, 0xE1) + 20)}));
  DisposeRgn(rgn);
}

TEST_F(WEBidiTest, LatinLettersInARightToLeftRunKeepTheirOwnOrder) {
  // alef bet, a space, "cd", a space, gimel, all in the Hebrew font: shown
  // gimel _ c d _ bet alef.
  const char text[] = {char(0xE0), char(0xE1), ' ', 'c', 'd', ' ', char(0xE2), 0};
  const WEReference we = runs({{text, kHebrewFont}}, -1);
  const i32 wc = width(kHebrewFont, 'c'), wd = width(kHebrewFont, 'd');
  ASSERT_NE(wc, wd) << "the letters must differ for the order to show";
  const i32 right = caretx(0, 0, we);
  const i32 afterspace = right - width(kHebrewFont, 0xE0) - width(kHebrewFont, 0xE1) - width(kHebrewFont, ' ');
  EXPECT_EQ(caretx(3, 0, we), afterspace) << "before c: where the Hebrew before it ends";
  EXPECT_EQ(caretx(4, 0, we), afterspace - wd) << "between c and d";
  EXPECT_EQ(caretx(5, 0, we), afterspace - wd - wc) << "after d: at the space's right edge";
  // Clicks either side of the place between c and d, and on the left half of c.
  struct Click {
    i32 h;
    i32 offset;
    i8 edge;
  };
  const i32 between = afterspace - wd;
  const Click clicks[] = {{between - 1, 4, 0}, {between + 1, 4, -1}, {between - wc + 1, 3, -1}};
  for (const Click& c : clicks) {
    const LongPoint p{15, c.h};
    i8 edge = 9;
    EXPECT_EQ(WEGetOffset(&p, &edge, we), c.offset) << "at " << c.h;
    EXPECT_EQ(edge, c.edge) << "at " << c.h;
  }
  // Selecting "c" alone covers c's place; bet, the space and "c" are two pieces, with "d" shown
  // between them left out.
  RgnHandle rgn = WEGetHiliteRgn(3, 4, we);
  ASSERT_NE(rgn, 0u);
  Rect bounds;
  GetRegionBounds(rgn, &bounds);
  EXPECT_EQ(bounds.left, between - wc);
  EXPECT_EQ(bounds.right, between);
  DisposeRgn(rgn);
  rgn = WEGetHiliteRgn(1, 4, we);
  ASSERT_NE(rgn, 0u);
  GetRegionBounds(rgn, &bounds);
  EXPECT_EQ(bounds.left, between - wc);
  EXPECT_EQ(bounds.right, caretx(1, 0, we));
  EXPECT_FALSE(PtInRgn(Point{15, i16(between)}, rgn));
  EXPECT_FALSE(PtInRgn(Point{15, i16(afterspace - 1)}, rgn));
  EXPECT_TRUE(PtInRgn(Point{15, i16(afterspace)}, rgn));
  DisposeRgn(rgn);
}

TEST_F(WEBidiTest, ArrowKeysWalkLatinLettersInARightToLeftRunAsShown) {
  // alef bet, a space, "cde", a space, gimel, all in the Hebrew font: shown
  // gimel _ c d e _ bet alef.
  const char text[] = {char(0xE0), char(0xE1), ' ', 'c', 'd', 'e', ' ', char(0xE2), 0};
  const WEReference we = runs({{text, kHebrewFont}}, -1);
  EXPECT_EQ(_WECrossDirectionBoundary(3, 0, we), 6) << "right of e: after e";
  EXPECT_EQ(_WECrossDirectionBoundary(3, -1, we), 6) << "left of c: before the space after e";
  const std::vector<i32> left = walk(kLeftArrow, 0, 8, we), right = walk(kRightArrow, 8, 8, we);
  EXPECT_EQ(left, (std::vector<i32>{0, 1, 2, 3, 5, 4, 6, 7, 8}));
  EXPECT_EQ(right, (std::vector<i32>{8, 7, 6, 4, 5, 3, 2, 1, 0}));
  for (std::size_t i = 1; i < left.size(); ++i) EXPECT_LT(caretx(left[i], 0, we), caretx(left[i - 1], 0, we)) << i;
}

TEST_F(WEBidiTest, WithoutRightToLeftScriptsRunsKeepTheirOrder) {
  enablerighttoleftscripts(false);
  const WEReference we = hebrew(-1);
  EXPECT_FALSE(rec(we).flags & weFlagBidi);
  EXPECT_EQ(WEGetRunDirection(0, we), 0);
  clear();
  WEUpdate(0, we);
  EXPECT_LT(columns(kRunColours[0]).second, columns(kRunColours[1]).first);
  EXPECT_LT(columns(kRunColours[1]).second, columns(kRunColours[2]).first);
}

}  // namespace
}  // namespace kv
