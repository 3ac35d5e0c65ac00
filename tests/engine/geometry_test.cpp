// Geometry services: rectangle arithmetic, quads, polygon rotation and random numbers in a
// range.
#include "engine/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/windows/compositor.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/spots.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using GeometryTest = RuntimeTest;

Rect rect(i16 top, i16 left, i16 bottom, i16 right) { return Rect{top, left, bottom, right}; }

// --- Rectangles ------------------------------------------------------------------------------

// Acceptance: scalerect, MyCenterRectInRect and rectinrect.
TEST_F(GeometryTest, ScaleCentreAndContainRectangles) {
  Rect r = rect(0, 0, 100, 200);
  scalerect(&r, 0.5);
  EXPECT_EQ(r, rect(25, 50, 75, 150));

  Rect inner = rect(0, 0, 10, 10);
  MyCenterRectInRect(&inner, rect(0, 0, 20, 21));
  EXPECT_EQ(inner, rect(5, 5, 15, 15));

  EXPECT_FALSE(rectinrect(rect(0, 0, 10, 10), rect(0, 0, 10, 10)));
  EXPECT_TRUE(rectinrect(rect(0, 0, 10, 10), rect(0, 0, 11, 11)));
}

TEST_F(GeometryTest, ScaleRectKeepsItsSidesWithinSixteenBits) {
  Rect r = rect(10, 20, 30, 60);
  scalerect(&r, 1.0);
  EXPECT_EQ(r, rect(10, 20, 30, 60));
  scalerect(&r, 2.0);
  EXPECT_EQ(r, rect(0, 0, 40, 80));
  // Odd growth truncates toward zero on both sides.
  Rect odd = rect(0, 0, 3, 3);
  scalerect(&odd, 2.0);
  EXPECT_EQ(odd, rect(-1, -1, 4, 4));

  Rect big = rect(-30000, -30000, 30000, 30000);
  scalerect(&big, 1e6);
  EXPECT_EQ(big, rect(-32768, -32768, 32767, 32767));
  Rect same = rect(1, 2, 3, 4);
  scalerect(&same, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(same, rect(1, 2, 3, 4));
}

TEST_F(GeometryTest, CentringMovesOnlyWhereTheOuterRectangleIsLarger) {
  Rect inner = rect(3, 4, 13, 54);
  MyCenterRectInRect(&inner, rect(0, 0, 30, 40));
  EXPECT_EQ(inner, rect(10, 4, 20, 54)) << "the outer is narrower: the horizontal position stays";
}

TEST_F(GeometryTest, ProportionalScaleFitsOrCoversTheBox) {
  i16 w = 200, h = 100;
  MyProportionallyScale(&w, &h, 100, 100, true);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  w = 200, h = 100;
  MyProportionallyScale(&w, &h, 100, 100, false);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 100);
  w = 30, h = 60;
  MyProportionallyScale(&w, &h, 300, 300, true);
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 300);
  // A box without area, or a size without area, leaves the size as it is.
  w = 30, h = 60;
  MyProportionallyScale(&w, &h, 0, 300, true);
  EXPECT_EQ(w, 30);
  w = 0, h = 0;
  MyProportionallyScale(&w, &h, 10, 10, false);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST_F(GeometryTest, RectangleFactsAndTests) {
  i16 w, h, ch, cv;
  getrectinfo(rect(-5, -3, 4, 8), &w, &h, &ch, &cv);
  EXPECT_EQ(w, 11);
  EXPECT_EQ(h, 9);
  EXPECT_EQ(ch, 2);   // (-3 + 8) >> 1
  EXPECT_EQ(cv, -1);  // (-5 + 4) >> 1: the lower integer
  EXPECT_TRUE(BogusRect(rect(0, 10, 5, 9)));
  EXPECT_TRUE(BogusRect(rect(6, 0, 5, 9)));
  EXPECT_FALSE(BogusRect(rect(5, 9, 5, 9)));
  EXPECT_TRUE(EqualLongRect(LongRect{1, 2, 70000, 4}, LongRect{1, 2, 70000, 4}));
  EXPECT_FALSE(EqualLongRect(LongRect{1, 2, 70000, 4}, LongRect{1, 2, 70001, 4}));
}

// --- Quads -----------------------------------------------------------------------------------

TEST_F(GeometryTest, QuadBoundsAndFixedQuads) {
  const Point quad[4] = {{10, 5}, {-2, 40}, {30, 35}, {25, 0}};
  Rect b;
  getquadbounds(quad, &b);
  EXPECT_EQ(b, rect(-2, 0, 30, 40));

  FixedPoint src[4], dst[4];
  initquads(rect(1, 2, 3, 4), quad, src, dst);
  const FixedPoint corners[4] = {{2 << 16, 1 << 16}, {4 << 16, 1 << 16}, {4 << 16, 3 << 16}, {2 << 16, 3 << 16}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(src[i].x, corners[i].x) << i;
    EXPECT_EQ(src[i].y, corners[i].y) << i;
    EXPECT_EQ(dst[i].x, Long2Fix(quad[i].h)) << i;
    EXPECT_EQ(dst[i].y, Long2Fix(quad[i].v)) << i;
  }
  EXPECT_EQ(Long2Fix(-2), Fixed(0xFFFE0000u));
}

// --- Polygons --------------------------------------------------------------------------------

TEST_F(GeometryTest, RotatingAPolygonTurnsItAboutItsCentre) {
  PolyHandle square = newpolygon({{0, 0}, {0, 20}, {10, 20}, {10, 0}});
  PolyHandle turned = rotatepoly(square, 90);
  ASSERT_NE(turned, nilhandle);
  // Centre (10, 5); a quarter turn is exact.
  const std::vector<Point> want = {{-5, 15}, {15, 15}, {15, 5}, {-5, 5}};
  EXPECT_EQ(polypoints(turned), want);
  Rect bounds = loadat<PolygonHeader>(deref(turned)).polyBBox;
  EXPECT_EQ(bounds, rect(-5, 5, 15, 15));

  PolyHandle full = rotatepoly(square, 360);
  EXPECT_EQ(polypoints(full), polypoints(square));
  PolyHandle back = rotatepoly(square, -180);
  const std::vector<Point> half = {{10, 20}, {10, 0}, {0, 0}, {0, 20}};
  EXPECT_EQ(polypoints(back), half);

  // Other angles truncate each coordinate toward zero before moving back by the centre.
  PolyHandle one = newpolygon({{0, 0}, {0, 10}});  // centre (5, 0)
  PolyHandle tilted = rotatepoly(one, 45);
  const double c = std::cos(std::numbers::pi / 4), s = std::sin(std::numbers::pi / 4);
  const std::vector<Point> tilt = {{i16(std::trunc(s * -5)), i16(std::trunc(c * -5) + 5)},
                                   {i16(std::trunc(s * 5)), i16(std::trunc(c * 5) + 5)}};
  EXPECT_EQ(polypoints(tilted), tilt);

  for (PolyHandle p : {square, turned, full, back, one, tilted}) KillPoly(p);
  PolyHandle empty = newpolygon({});
  EXPECT_EQ(rotatepoly(empty, 30), nilhandle);
  EXPECT_EQ(rotatepoly(nilhandle, 30), nilhandle);
  KillPoly(empty);
}

// --- Random numbers --------------------------------------------------------------------------

// The platform's generator, written out: seed = seed x 16807 mod (2^31 - 1); the number is the
// seed's low 16 bits as a signed value, with -32768 read as 0.
struct ReferenceRandom {
  i64 seed;
  i16 next() {
    seed = seed * 16807 % 2147483647;
    i16 r = i16(u16(seed & 0xFFFF));
    return r == -32768 ? 0 : r;
  }
};

// Acceptance: randomrange(1) is 1; a seed gives the platform generator's sequence.
TEST_F(GeometryTest, RandomRangeFollowsThePlatformGenerator) {
  for (int i = 0; i < 100; ++i) EXPECT_EQ(randomrange(1), 1);

  for (i32 seed : {1, 42, 2147483646}) {
    setrandseed(seed);
    ReferenceRandom ref{seed};
    for (int i = 0; i < 200; ++i) {
      const i32 n = 1 + i * 37;
      const double r = std::abs(double(ref.next()));
      EXPECT_EQ(randomrange(n), 1 + i32(r * n / 32768.0)) << "seed " << seed << " draw " << i;
    }
    EXPECT_EQ(getrandseed(), i32(ref.seed));
  }
  // The same seed gives the same numbers again; every number lies in range.
  setrandseed(7);
  std::vector<i32> first;
  for (int i = 0; i < 50; ++i) first.push_back(randomrange(6));
  setrandseed(7);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(randomrange(6), first[size_t(i)]);
    EXPECT_GE(first[size_t(i)], 1);
    EXPECT_LE(first[size_t(i)], 6);
  }
  EXPECT_EQ(randomrange(0), 1);
  EXPECT_EQ(randomrange(-5), 1);
}

}  // namespace
}  // namespace kv
