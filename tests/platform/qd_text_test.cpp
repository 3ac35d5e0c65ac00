#include <gtest/gtest.h>

#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/qd/qd.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace qdtest;
using QDTextTest = RuntimeTest;

std::vector<u32> snapshot(GWorldPtr gw, i32 w, i32 h) {
  std::vector<u32> v;
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) v.push_back(pixel(gw, x, y));
  return v;
}

TEST_F(QDTextTest, SystemFontMeasuresAndHasMetrics) {
  usebuiltinmetricsfont(false);
  OwnedWorld gw(world(32, 40, 20));
  TextFont(0);
  TextSize(12);
  EXPECT_GT(StringWidth(pstr("m").data()), 0);
  FontInfo fi{};
  GetFontInfo(&fi);
  EXPECT_GT(fi.ascent, 0);
  EXPECT_GT(fi.descent, 0);
  EXPECT_GE(fi.widMax, StringWidth(pstr("m").data()));
}

TEST_F(QDTextTest, BoldAndUnderlineChangeTheDrawnPixels) {
  for (bool builtin : {true, false}) {
    usebuiltinmetricsfont(builtin);
    GWorldPtr gw = world(32, 60, 24);
    TextFont(0);
    TextSize(12);
    MoveTo(2, 14);
    DrawString(pstr("Hello").data());
    const std::vector<u32> plain = snapshot(gw, 60, 24);
    EXPECT_GT(inked(gw), 0);
    Rect all{0, 0, 24, 60};
    EraseRect(&all);
    TextFace(facebold);
    MoveTo(2, 14);
    DrawString(pstr("Hello").data());
    EXPECT_NE(snapshot(gw, 60, 24), plain) << "bold, builtin " << builtin;
    EraseRect(&all);
    TextFace(faceunderline);
    MoveTo(2, 14);
    DrawString(pstr("Hello").data());
    const std::vector<u32> under = snapshot(gw, 60, 24);
    EXPECT_NE(under, plain) << "underline, builtin " << builtin;
    // The underline runs one pixel below the baseline across the text's width.
    const i16 w = StringWidth(pstr("Hello").data());
    for (i32 x = 2; x < 2 + w; ++x) EXPECT_EQ(pixel(gw, x, 15), 0u) << x;
    DisposeGWorld(gw);
  }
}

TEST_F(QDTextTest, BuiltInMetricsFontWidthsAreTheTableIntegers) {
  usebuiltinmetricsfont(true);
  OwnedWorld gw(world(32, 10, 10));
  for (i16 font : {0, 1, 3, 4, 20, 22}) {
    TextFont(font);
    TextSize(12);
    EXPECT_EQ(CharWidth('m'), 11);
    EXPECT_EQ(CharWidth('i'), 3);
    EXPECT_EQ(CharWidth(' '), 4);
    EXPECT_EQ(StringWidth(pstr("Hello").data()), 8 + 7 + 3 + 3 + 7);
    const u8 text[] = "xxmim";
    EXPECT_EQ(TextWidth(text, 2, 3), 11 + 3 + 11);
    FontInfo fi;
    GetFontInfo(&fi);
    EXPECT_EQ(fi.ascent, 9);
    EXPECT_EQ(fi.descent, 3);
    EXPECT_EQ(fi.leading, 1);
  }
  TextSize(24);
  EXPECT_EQ(CharWidth('m'), 22);
}

TEST_F(QDTextTest, DrawingMovesThePenByTheWidth) {
  usebuiltinmetricsfont(true);
  OwnedWorld gw(world(32, 80, 20));
  TextSize(12);
  MoveTo(5, 12);
  DrawString(pstr("Hi m").data());
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 5 + 8 + 3 + 4 + 11);
  EXPECT_EQ(pen.v, 12);
  DrawChar('i');
  GetPen(&pen);
  EXPECT_EQ(pen.h, 5 + 8 + 3 + 4 + 11 + 3);
  SpaceExtra(3 << 16);
  EXPECT_EQ(StringWidth(pstr("a b").data()), 7 + 4 + 3 + 7);
}

TEST_F(QDTextTest, TextModes) {
  usebuiltinmetricsfont(true);
  OwnedWorld gw(world(32, 20, 16));
  const RGBColor green{0, 0xFFFF, 0};
  RGBForeColor(&green);
  Rect all{0, 0, 16, 20};
  PaintRect(&all);
  ForeColor(blackColor);
  // Or mode touches the ink only; copy mode paints the character's cell.
  MoveTo(2, 12);
  DrawChar('H');
  EXPECT_EQ(pixel(gw, 1, 5), 0x00FF00u);
  i32 black = 0;
  for (i32 y = 0; y < 16; ++y)
    for (i32 x = 0; x < 20; ++x) black += pixel(gw, x, y) == 0;
  EXPECT_GT(black, 0);
  TextMode(srcCopy);
  MoveTo(12, 12);
  DrawChar(' ');  // no ink
  EXPECT_EQ(pixel(gw, 12, 4), 0xFFFFFFu) << "the cell takes the background colour";
  EXPECT_EQ(pixel(gw, 16, 4), 0x00FF00u) << "and ends with the advance";
  // Blend mode draws coverage.
  TextMode(blend);
  const RGBColor half{32767, 32767, 32767};
  OpColor(&half);
  EraseRect(&all);
  MoveTo(2, 12);
  DrawChar('H');
  bool mixed = false;
  for (i32 y = 0; y < 16; ++y)
    for (i32 x = 0; x < 20; ++x) mixed = mixed || pixel(gw, x, y) == 0x7F7F7Fu || pixel(gw, x, y) == 0x808080u;
  EXPECT_TRUE(mixed);
}

TEST_F(QDTextTest, JustifiedTextAndHitMeasures) {
  usebuiltinmetricsfont(true);
  OwnedWorld gw(world(32, 100, 20));
  TextSize(12);
  const u8 t[] = "a b c";
  // Slop of 6 pixels over 2 spaces.
  MoveTo(0, 12);
  DrawJustified(t, 5, 6 << 16, 0, Point{1, 1}, Point{1, 1});
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 7 + 4 + 7 + 4 + 6 + 6);
  EXPECT_EQ(CharToPixel(t, 5, 0, 2, 0, Point{1, 1}, Point{1, 1}), 11);
  EXPECT_EQ(CharToPixel(t, 5, 6 << 16, 2, 0, Point{1, 1}, Point{1, 1}), 14);
  bool leading = false;
  i32 rest = 0;
  EXPECT_EQ(PixelToChar(t, 5, 0, 12 << 16, &leading, &rest, 0, Point{1, 1}, Point{1, 1}), 2);
  EXPECT_TRUE(leading);
  EXPECT_EQ(PixelToChar(t, 5, 0, 17 << 16, &leading, &rest, 0, Point{1, 1}, Point{1, 1}), 3);
  EXPECT_FALSE(leading);
  EXPECT_EQ(PixelToChar(t, 5, 0, 40 << 16, &leading, &rest, 0, Point{1, 1}, Point{1, 1}), 5);
  EXPECT_EQ(rest, (40 - 28) << 16);
  EXPECT_EQ(PortionLine(t, 5, 0, Point{1, 1}, Point{1, 1}), 2 << 16);
  const u8 trailing[] = "ab   ";
  EXPECT_EQ(VisibleLength(trailing, 5), 2);
}

}  // namespace
}  // namespace kv
