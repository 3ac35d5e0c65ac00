// Line drawing on the pixels of the fixture's 32-bit port: ink inside the line, the offscreen
// path, greyed text and backgrounds, paragraph borders.
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/process/process.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "render/graphicdrawing.h"
#include "core/mainglobals.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr RGBColor kWhite{0xFFFF, 0xFFFF, 0xFFFF}, kBlack{0, 0, 0};

class WELineDrawingTest : public WETest {
 protected:
  // The port's pixels, one colour per pixel, row by row.
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
  static void clear() {
    const Rect all{0, 0, 100, 100};
    RGBForeColor(&kWhite);
    PaintRect(&all);
    RGBForeColor(&kBlack);
  }
  // The bounds of every pixel that is not white ((0, 0, 0, 0) when none).
  static Rect inkbounds(const std::vector<RGBColor>& p) {
    Rect b{100, 100, 0, 0};
    for (i16 v = 0; v < 100; ++v)
      for (i16 h = 0; h < 100; ++h)
        if (!(p[std::size_t(v * 100 + h)] == kWhite)) {
          b.top = std::min(b.top, v), b.left = std::min(b.left, h);
          b.bottom = std::max(b.bottom, i16(v + 1)), b.right = std::max(b.right, i16(h + 1));
        }
    return b.top == 100 ? Rect{0, 0, 0, 0} : b;
  }
  // "Hello" in a record whose destination and view are the given rectangle.
  WEReference hello(const char* s = "Hello") {
    const WEReference we = maketext(s);
    const LongRect r{10, 20, 60, 90};
    WESetDestRect(&r, we);
    WESetViewRect(&r, we);
    EXPECT_EQ(WECalText(we), noErr);
    return we;
  }
};

TEST_F(WELineDrawingTest, TextInksOnlyItsLineTheSameOffscreen) {
  const WEReference we = hello();
  clear();
  WEUpdate(0, we);
  const std::vector<RGBColor> direct = pixels();
  const Rect ink = inkbounds(direct);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 10 + 13);
  EXPECT_EQ(ink.left, 20) << "left aligned at the destination's edge";
  EXPECT_LT(ink.right, 20 + 40);
  for (const RGBColor& c : direct) EXPECT_TRUE(c == kWhite || c == kBlack);

  WEFeatureFlag(weFDrawOffscreen, 1, we);
  clear();
  WEUpdate(0, we);
  EXPECT_TRUE(pixels() == direct) << "composed offscreen, copied once";
}

TEST_F(WELineDrawingTest, GreyedTextAndItsOwnBackground) {
  const WEReference we = hello();
  WETextStyle ts = style(0);
  ts.transferMode = 0;  // copy: the run draws on its own background colour
  ts.backColor = RGBColor{0, 0, 0xFFFF};
  ASSERT_EQ(_WESetStyleRange(1, 2, weDoTransferMode | weDoBackColor, &ts, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  mainglobals().smoothtext = 0;
  setprocessfront(false);  // the program in the background greys its text
  clear();
  WEUpdate(0, we);
  setprocessfront(true);
  const std::vector<RGBColor> p = pixels();
  // The port keeps 8 bits of each component: grey 35767 is 0x8B.
  auto same = [](const RGBColor& a, const RGBColor& b) {
    return (a.red >> 8) == (b.red >> 8) && (a.green >> 8) == (b.green >> 8) && (a.blue >> 8) == (b.blue >> 8);
  };
  RGBColor blue{0, 0, 0xFFFF};
  grayTextRGB(&blue);
  bool greytext = false, greyback = false;
  for (const RGBColor& c : p) {
    EXPECT_FALSE(c == kBlack) << "no black ink while greyed";
    greytext |= same(c, RGBColor{35767, 35767, 35767});
    greyback |= same(c, blue);
  }
  EXPECT_TRUE(greytext);
  EXPECT_TRUE(greyback) << "the run's background, greyed";
}

TEST_F(WELineDrawingTest, ABorderRunsUnderAParagraphsLastLineWithinItsIndents) {
  const WEReference we = hello("ab ab ab ab ab");  // two lines in 70 pixels
  WERuler ruler{};
  ruler.borderStyle = 1;
  ruler.leftIndent = 5 << 16;
  ruler.rightIndent = 0x38000;  // 3.5 rounds to 4
  ASSERT_EQ(_WESetRulerRange(0, 1, weDoBorderStyle | weDoLeftIndent | weDoRightIndent, &ruler, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  ASSERT_EQ(WECountLines(we), 2);
  clear();
  WEUpdate(0, we);
  // The border lies on the paragraph's bottom row: 10 + 2 lines of 13, less one.
  const i16 row = 10 + 26 - 1;
  i16 first = -1, last = -1;
  for (i16 h = 0; h < 100; ++h) {
    RGBColor c;
    GetCPixel(h, row, &c);
    if (c == kBlack) {
      if (first < 0) first = h;
      last = h;
    }
  }
  EXPECT_EQ(first, 20 + 5);
  EXPECT_EQ(last - first + 1, 70 - 5 - 4) << "the destination's width less both indents";
  RGBColor above;
  GetCPixel(40, 10 + 13 - 1, &above);
  EXPECT_TRUE(above == kWhite) << "no border under the first line";
}

TEST_F(WELineDrawingTest, TabbedLinesOfIndentedAlignedParagraphsAreMeasuredAsDrawn) {
  // The reference: "x" alone, left aligned, shows where the glyph inks from its pen.
  const i16 bearing = i16(inkbounds([&] {
                            const WEReference plain = hello("x");
                            clear();
                            WEUpdate(0, plain);
                            return pixels();
                          }())
                              .left -
                          20);
  const i32 x = CharWidth('x');
  const WEReference we = hello("\tx");
  ASSERT_EQ(WEInstallTabHooks(we, 36), noErr);
  WERuler ruler{};
  ruler.leftIndent = 10 << 16;
  ruler.alignment = 1;
  ASSERT_EQ(_WESetRulerRange(0, 2, weDoLeftIndent | weDoAlignment, &ruler, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  // The slop measures the tab from the destination's left edge through the indent: from 10 to
  // the stop at 36, in a line 70 - 10 wide. Measuring it again (as every edit of the line does)
  // gives the same slop.
  const i32 slop = 60 - 26 - x;
  EXPECT_EQ(weelement<WELineRec>(rec(we).hLines, 0).lineSlop, slop);
  ASSERT_EQ(_WERecalSlops(0, 0, we), noErr);
  EXPECT_EQ(weelement<WELineRec>(rec(we).hLines, 0).lineSlop, slop) << "measured again";
  // Drawing puts the pen at the indent plus half the slop, and the tab moves it to the next stop
  // from there.
  const i32 pen = 10 + (slop + 1) / 2;
  const i32 after = pen + 36 - pen % 36;
  clear();
  WEUpdate(0, we);
  EXPECT_EQ(inkbounds(pixels()).left, 20 + after + bearing);
  LongPoint p;
  WEGetPoint(1, 0, &p, nullptr, we);
  EXPECT_EQ(p.h, 20 + after) << "the caret after the tab stands where the text is drawn";
  p.h += x / 2 + 1;
  EXPECT_EQ(WEGetOffset(&p, nullptr, we), 2);
}

}  // namespace
}  // namespace kv
