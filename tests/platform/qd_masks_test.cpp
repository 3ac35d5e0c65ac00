#include <gtest/gtest.h>

#include <vector>

#include "platform/qd/qd.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace qdtest;
using ShapeRegionTest = RuntimeTest;
using MaskTest = RuntimeTest;

TEST_F(ShapeRegionTest, SetOperationsOfShapeRegionsAgreeWithPointTests) {
  RgnHandle shapes[4];
  for (RgnHandle& r : shapes) r = NewRgn();
  Rect rect{5, 5, 30, 25}, oval{2, 10, 40, 36}, rr{12, 0, 34, 30};
  RectRgn(shapes[0], rect);
  OvalRgn(shapes[1], &oval);
  RoundRectRgn(shapes[2], &rr, 16, 10);
  PolyHandle poly = newpolygon({{0, 20}, {38, 35}, {20, 2}, {0, 20}});
  PolyRgn(shapes[3], poly);
  KillPoly(poly);
  for (RgnHandle r : shapes) EXPECT_FALSE(EmptyRgn(r));
  // The oval region is the pixels PaintOval paints.
  GWorldPtr gw = world(32, 48, 48);
  PaintOval(&oval);
  for (i16 v = 0; v < 48; ++v)
    for (i16 h = 0; h < 48; ++h) ASSERT_EQ(pixel(gw, h, v) == 0, PtInRgn(Point{v, h}, shapes[1])) << h << "," << v;
  DisposeGWorld(gw);

  RgnHandle out = NewRgn();
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      if (i == j) continue;
      for (int op = 0; op < 4; ++op) {
        if (op == 0) UnionRgn(shapes[i], shapes[j], out);
        if (op == 1) DiffRgn(shapes[i], shapes[j], out);
        if (op == 2) XorRgn(shapes[i], shapes[j], out);
        if (op == 3) SectRgn(shapes[i], shapes[j], out);
        for (i16 v = -2; v < 44; ++v)
          for (i16 h = -2; h < 44; ++h) {
            const bool a = PtInRgn(Point{v, h}, shapes[i]), b = PtInRgn(Point{v, h}, shapes[j]);
            const bool want = op == 0 ? (a || b) : op == 1 ? (a && !b) : op == 2 ? (a != b) : (a && b);
            ASSERT_EQ(PtInRgn(Point{v, h}, out), want) << i << " " << j << " op " << op << " at " << h << "," << v;
          }
      }
    }
  DisposeRgn(out);
  for (RgnHandle r : shapes) DisposeRgn(r);
}

TEST_F(ShapeRegionTest, ArcRegionIsTheWedgeOfTheOval) {
  RgnHandle arc = NewRgn(), oval = NewRgn();
  Rect r{0, 0, 40, 40};
  ArcRgn(arc, &r, 0, 90);
  OvalRgn(oval, &r);
  EXPECT_TRUE(PtInRgn(Point{10, 30}, arc));
  EXPECT_FALSE(PtInRgn(Point{30, 30}, arc));
  EXPECT_FALSE(PtInRgn(Point{10, 10}, arc));
  RgnHandle outside = NewRgn();
  DiffRgn(arc, oval, outside);
  EXPECT_TRUE(EmptyRgn(outside));
  ArcRgn(arc, &r, 0, 360);
  EXPECT_TRUE(EqualRgn(arc, oval));
  ArcRgn(arc, &r, 45, -90);  // the same wedge as from 315 over 90
  RgnHandle other = NewRgn();
  ArcRgn(other, &r, 315, 90);
  EXPECT_TRUE(EqualRgn(arc, other));
  for (RgnHandle h : {arc, oval, outside, other}) DisposeRgn(h);
}

TEST_F(ShapeRegionTest, BitMapToRegionHoldsTheSetPixels) {
  const u16 rb = 4;
  std::vector<u8> bits(rb * 5, 0);
  auto set = [&](int x, int y) { bits[std::size_t(y * rb + x / 8)] |= u8(0x80 >> (x % 8)); };
  for (int x : {0, 1, 2, 9, 16, 17, 25}) set(x, 0);
  for (int y = 1; y < 5; ++y) set(y * 3, y);
  BitMap bm{bits.data(), rb, Rect{10, 20, 15, 46}};
  OwnedRegion rgn(NewRgn());
  EXPECT_EQ(BitMapToRegion(rgn, &bm), noErr);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 26; ++x) {
      const bool on = (bits[std::size_t(y * rb + x / 8)] >> (7 - x % 8)) & 1;
      ASSERT_EQ(PtInRgn(Point{i16(10 + y), i16(20 + x)}, rgn), on) << x << "," << y;
    }
  EXPECT_FALSE(PtInRgn(Point{9, 20}, rgn));
  // Deeper maps are refused.
  OwnedWorld gw(world(8, 4, 4));
  EXPECT_EQ(BitMapToRegion(rgn, GetPortBitMapForCopyBits(gw)), pixmapTooDeepErr);
}

// Rows of a 16-pixel-wide 1-bit image from strings ('#' set).
std::vector<u8> image(const std::vector<const char*>& rows) {
  std::vector<u8> bits(rows.size() * 2, 0);
  for (std::size_t y = 0; y < rows.size(); ++y)
    for (int x = 0; rows[y][x]; ++x)
      if (rows[y][x] == '#') bits[y * 2 + std::size_t(x / 8)] |= u8(0x80 >> (x % 8));
  return bits;
}

std::string rowsof(const std::vector<u8>& bits, int width) {
  std::string s;
  for (std::size_t y = 0; y < bits.size() / 2; ++y) {
    for (int x = 0; x < width; ++x) s += ((bits[y * 2 + std::size_t(x / 8)] >> (7 - x % 8)) & 1) ? '#' : '.';
    s += '\n';
  }
  return s;
}

TEST_F(MaskTest, CalcMaskFillsEnclosedShapes) {
  std::vector<u8> src = image({"........", ".####...", ".#..#...", ".####...", "......#.", "........"});
  std::vector<u8> dst(src.size(), 0xFF);
  CalcMask(src.data(), dst.data(), 2, 2, 6, 1);
  EXPECT_EQ(rowsof(dst, 8), "........\n.####...\n.####...\n.####...\n......#.\n........\n");
}

TEST_F(MaskTest, SeedFillReachesTheConnectedWhitePixels) {
  std::vector<u8> src = image({"########", "#..#...#", "#..#...#", "########"});
  std::vector<u8> dst(src.size(), 0);
  SeedFill(src.data(), dst.data(), 2, 2, 4, 1, 5, 1);
  EXPECT_EQ(rowsof(dst, 8), "........\n....###.\n....###.\n........\n");
  std::vector<u8> none(src.size(), 0);
  SeedFill(src.data(), none.data(), 2, 2, 4, 1, 0, 0);
  EXPECT_EQ(rowsof(none, 8), "........\n........\n........\n........\n") << "a black seed reaches nothing";
}

bool whitezero(RGBColor* rgb, i32* position) {
  *position = (rgb->red == 0xFFFF && rgb->green == 0xFFFF && rgb->blue == 0xFFFF) ? 0 : 1;
  return true;
}

TEST_F(MaskTest, ColourMasksAndSeedFills) {
  OwnedWorld gw(world(32, 8, 4));
  const RGBColor red{0xFFFF, 0, 0}, blue{0, 0, 0xFFFF};
  RGBForeColor(&red);
  Rect box{0, 1, 4, 5};
  FrameRect(&box);
  RGBForeColor(&blue);
  Rect dot{1, 6, 2, 7};
  PaintRect(&dot);
  std::vector<u8> mask(8, 0);
  BitMap mbm{mask.data(), 2, Rect{0, 0, 4, 8}};
  Rect r{0, 0, 4, 8};
  const RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
  CalcCMask(GetPortBitMapForCopyBits(gw), &mbm, &r, &r, &white, nullptr, 0);
  EXPECT_EQ(rowsof(mask, 8), ".####...\n.####.#.\n.####...\n.####...\n");
  std::fill(mask.begin(), mask.end(), 0);
  CalcCMask(GetPortBitMapForCopyBits(gw), &mbm, &r, &r, nullptr, whitezero, 0);
  EXPECT_EQ(rowsof(mask, 8), ".####...\n.####.#.\n.####...\n.####...\n");
  std::fill(mask.begin(), mask.end(), 0);
  SeedCFill(GetPortBitMapForCopyBits(gw), &mbm, &r, &r, 2, 1, nullptr, 0);
  EXPECT_EQ(rowsof(mask, 8), "........\n..##....\n..##....\n........\n") << "the white inside the red frame";
}

}  // namespace
}  // namespace kv
