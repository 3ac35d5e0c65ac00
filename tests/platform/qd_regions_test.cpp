#include <gtest/gtest.h>

#include "platform/qd/regions.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using RegionTest = RuntimeTest;

RgnHandle rectrgn(i16 l, i16 t, i16 r, i16 b) {
  RgnHandle h = NewRgn();
  SetRectRgn(h, l, t, r, b);
  return h;
}

// Counts the pixels of a region inside a window of the plane.
int area(RgnHandle r) {
  int n = 0;
  for (const Rect& rc : regionrects(r)) n += (rc.right - rc.left) * (rc.bottom - rc.top);
  return n;
}

TEST_F(RegionTest, RectangleRegionHoldsItsPixels) {
  OwnedRegion r(rectrgn(10, 20, 30, 25));
  Rect b{};
  GetRegionBounds(r, &b);
  EXPECT_EQ(b, (Rect{20, 10, 25, 30}));
  EXPECT_TRUE(PtInRgn(Point{20, 10}, r));
  EXPECT_TRUE(PtInRgn(Point{24, 29}, r));
  EXPECT_FALSE(PtInRgn(Point{25, 29}, r)) << "bottom edge is outside";
  EXPECT_FALSE(PtInRgn(Point{24, 30}, r)) << "right edge is outside";
  EXPECT_TRUE(IsRegionRectangular(r));
  EXPECT_EQ(area(r), 100);
}

TEST_F(RegionTest, EmptyAndInvertedRectanglesGiveEmptyRegions) {
  OwnedRegion r(rectrgn(10, 10, 10, 20));
  EXPECT_TRUE(EmptyRgn(r));
  SetRectRgn(r, 30, 10, 20, 20);
  EXPECT_TRUE(EmptyRgn(r));
  EXPECT_EQ(regionbounds(r), (Rect{0, 0, 0, 0}));
  SetRectRgn(r, 0, 0, 5, 5);
  SetEmptyRgn(r);
  EXPECT_TRUE(EmptyRgn(r));
}

TEST_F(RegionTest, SetOperationsAgreeWithPointTests) {
  RgnHandle a = rectrgn(0, 0, 20, 20);
  RgnHandle b = rectrgn(10, 5, 30, 15);
  RgnHandle u = NewRgn(), s = NewRgn(), d = NewRgn(), x = NewRgn();
  UnionRgn(a, b, u);
  SectRgn(a, b, s);
  DiffRgn(a, b, d);
  XorRgn(a, b, x);
  for (i16 v = -2; v < 35; ++v)
    for (i16 h = -2; h < 35; ++h) {
      Point p{v, h};
      bool ia = PtInRgn(p, a), ib = PtInRgn(p, b);
      ASSERT_EQ(PtInRgn(p, u), ia || ib);
      ASSERT_EQ(PtInRgn(p, s), ia && ib);
      ASSERT_EQ(PtInRgn(p, d), ia && !ib);
      ASSERT_EQ(PtInRgn(p, x), ia != ib);
    }
  EXPECT_EQ(area(u), 400 + 200 - 100);
  // The destination may be a source.
  UnionRgn(a, b, a);
  EXPECT_TRUE(EqualRgn(a, u));
  for (RgnHandle r : {a, b, u, s, d, x}) DisposeRgn(r);
  EXPECT_EQ(liveregioncount(), 0u);
}

TEST_F(RegionTest, OffsetAndInset) {
  OwnedRegion r(rectrgn(0, 0, 20, 10));
  OffsetRgn(r, 5, -3);
  EXPECT_EQ(regionbounds(r), (Rect{-3, 5, 7, 25}));
  InsetRgn(r, 2, 1);
  EXPECT_EQ(regionbounds(r), (Rect{-2, 7, 6, 23}));
  InsetRgn(r, -4, -2);
  EXPECT_EQ(regionbounds(r), (Rect{-4, 3, 8, 27}));
  InsetRgn(r, 20, 0);
  EXPECT_TRUE(EmptyRgn(r)) << "inset past the middle empties";
}

TEST_F(RegionTest, InsetOfAnLShapeErodesEveryEdge) {
  OwnedRegion a(rectrgn(0, 0, 10, 30));
  OwnedRegion b(rectrgn(0, 20, 30, 30));
  UnionRgn(a, b, a);
  InsetRgn(a, 1, 1);
  for (i16 v = -2; v < 33; ++v)
    for (i16 h = -2; h < 33; ++h) {
      bool expect = true;
      for (int dv = -1; dv <= 1; ++dv)
        for (int dh = -1; dh <= 1; ++dh)
          if (!PtInRgn(Point{i16(v + dv), i16(h + dh)}, b) &&
              !((h + dh) >= 0 && (h + dh) < 10 && (v + dv) >= 0 && (v + dv) < 30))
            expect = false;
      ASSERT_EQ(PtInRgn(Point{v, h}, a), expect) << v << "," << h;
    }
}

TEST_F(RegionTest, RectInRgnAndEquality) {
  RgnHandle a = rectrgn(0, 0, 10, 10);
  RgnHandle b = rectrgn(20, 0, 30, 10);
  UnionRgn(a, b, a);
  EXPECT_FALSE(IsRegionRectangular(a));
  EXPECT_TRUE(RectInRgn(Rect{0, 5, 5, 15}, a));
  EXPECT_FALSE(RectInRgn(Rect{0, 10, 10, 20}, a)) << "the gap shares no pixel";
  EXPECT_FALSE(RectInRgn(Rect{5, 5, 5, 8}, a)) << "an empty rectangle is in nothing";
  RgnHandle c = NewRgn();
  CopyRgn(a, c);
  EXPECT_TRUE(EqualRgn(a, c));
  auto rects = regionrects(c);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0], (Rect{0, 0, 10, 10}));
  EXPECT_EQ(rects[1], (Rect{0, 20, 10, 30}));
  for (RgnHandle r : {a, b, c}) DisposeRgn(r);
}

TEST_F(RegionTest, DisposedIdsAreIgnored) {
  RgnHandle a = rectrgn(0, 0, 10, 10);
  DisposeRgn(a);
  EXPECT_FALSE(IsValidRgn(a));
  EXPECT_TRUE(EmptyRgn(a));
  EXPECT_FALSE(PtInRgn(Point{1, 1}, a));
  OwnedRegion b(NewRgn());
  EXPECT_NE(a, b) << "a disposed id never names the next region of its slot";
  UnionRgn(a, a, b);
  EXPECT_TRUE(EmptyRgn(b));
  DisposeRgn(a);
}

TEST_F(RegionTest, WideRegionsStayInThePlane) {
  OwnedRegion r(rectrgn(-32767, -32767, 32767, 32767));
  OffsetRgn(r, 1000, 1000);
  Rect b = regionbounds(r);
  EXPECT_EQ(b.right, 32767);
  EXPECT_EQ(b.left, -31767);
  InsetRgn(r, -2000, -2000);
  b = regionbounds(r);
  EXPECT_EQ(b.left, -32768);
}

}  // namespace
}  // namespace kv
