// Geometry services: rectangle arithmetic, quads, polygon rotation and regions, the counted
// screen lock, colour remapping between colour tables and random numbers in a range.
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

// --- Quads and pictures ----------------------------------------------------------------------

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

TEST_F(GeometryTest, PictureBoundsAreWrittenBigEndian) {
  PicHandle pic = NewHandleClear(12);
  QDSetPictureBounds(pic, rect(1, -2, 300, 0x1234));
  const u8 want[12] = {0, 0, 0x00, 0x01, 0xFF, 0xFE, 0x01, 0x2C, 0x12, 0x34, 0, 0};
  EXPECT_EQ(std::memcmp(deref(pic), want, 12), 0);
  // Too short to hold a frame: nothing is written.
  OwnedHandle shorth(NewHandleClear(9));
  QDSetPictureBounds(shorth, rect(1, 1, 1, 1));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(deref(shorth)[i], 0);
  DisposeHandle(pic);
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

TEST_F(GeometryTest, PolygonRegionIsClosedBackToItsFirstPoint) {
  OwnedWorld gw;
  Rect bounds = rect(0, 0, 40, 40);
  ASSERT_EQ(NewGWorld(&gw, 32, &bounds, 0, 0, 0), noErr);
  SetGWorld(gw, 0);
  // An open outline of three sides of a square: the region closes it.
  PolyHandle poly = newpolygon({{5, 5}, {5, 25}, {25, 25}, {25, 5}});
  RgnHandle rgn = polytorgn(poly);
  EXPECT_EQ(regionbounds(rgn), rect(5, 5, 25, 25));
  EXPECT_TRUE(IsRegionRectangular(rgn));
  EXPECT_EQ(GetPortPenVisibility(gw), 0) << "the pen is shown again after the capture";
  DisposeRgn(rgn);
  KillPoly(poly);
  SetGWorld(0, 0);
}

// --- Screen lock -----------------------------------------------------------------------------

// Acceptance: lock, lock, unlock leaves drawing frozen; a second unlock redraws.
TEST_F(GeometryTest, ScreenLockIsCountedAndTheLastUnlockRedraws) {
  backend();
  HeadlessBackend& hb = *headlessbackend();
  presentscreen();
  const u32 before = hb.presentcount();
  EXPECT_EQ(lockscreen(), 1);
  EXPECT_EQ(lockscreen(), 2);
  screenchanged();
  presentscreen();
  EXPECT_EQ(hb.presentcount(), before) << "nothing is shown while the screen is locked";
  EXPECT_FALSE(unlockscreen());
  EXPECT_TRUE(screenupdatesdisabled());
  presentscreen();
  EXPECT_EQ(hb.presentcount(), before);
  EXPECT_TRUE(unlockscreen());
  EXPECT_FALSE(screenupdatesdisabled());
  EXPECT_EQ(hb.presentcount(), before + 1) << "the last unlock shows what changed";
  EXPECT_EQ(mainglobals().lockcount, 0);
  // An unlock without a lock is harmless.
  EXPECT_TRUE(unlockscreen());
  EXPECT_EQ(mainglobals().lockcount, 0);
  EXPECT_EQ(hb.presentcount(), before + 1);
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

// --- Colour remapping ------------------------------------------------------------------------

class ChangeColorTest : public GeometryTest {
 protected:
  void SetUp() override {
    GeometryTest::SetUp();
    mainglobals().remapColor = 1;
    // Destination: black, white, red, dark red.
    dest_ = table({{0, 0, 0}, {65535, 65535, 65535}, {65535, 0, 0}, {30000, 0, 0}});
    mainglobals().currentclut = dest_;
    list_ = NewHandle(0);
  }
  void TearDown() override {
    dumpspot(list_);
    DisposeCTable(dest_);
    GeometryTest::TearDown();
  }
  static CTabHandle table(const std::vector<RGBColor>& colours) {
    CTabHandle t = NewCTable(i32(colours.size()));
    for (std::size_t i = 0; i < colours.size(); ++i) setctableentry(t, i32(i), colours[i]);
    return t;
  }
  static spot object(u16 style, u8 colour) {
    spot s = testspots::newspot(spotgraphic, style);
    s.fillfore = s.penfore = s.fillback = s.penback = colour;
    return s;
  }
  void add(const spot& s) { PtrAndHand(&s, list_, sizeof s); }
  spot at(Handle list, i32 i) { return HandleAs<spot>(list)[i]; }

  CTabHandle dest_ = 0;
  Handle list_ = 0;
};

TEST_F(ChangeColorTest, ObjectsTakeTheNearestColoursOfTheCurrentTable) {
  // Source: white, near red, a dark red, near black.
  CTabHandle source = table({{65535, 65535, 65535}, {60000, 1000, 0}, {31000, 100, 0}, {100, 100, 100}});
  add(object(stylerectangle, 0));
  add(object(stylerectangle, 1));
  add(object(stylerectangle, 2));
  add(object(stylerectangle, 3));
  add(object(stylerectangle, 200));  // past the source's entries: unchanged
  changecolor(list_, 0, 5, source);
  const u8 want[5] = {1, 2, 3, 0, 200};
  for (i32 i = 0; i < 5; ++i) {
    spot s = at(list_, i);
    EXPECT_EQ(u32(s.fillfore), want[i]) << i;
    EXPECT_EQ(u32(s.penfore), want[i]) << i;
    EXPECT_EQ(u32(s.fillback), want[i]) << i;
    EXPECT_EQ(u32(s.penback), want[i]) << i;
  }
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, OnlyTheRangeIsRemappedAndOnlyWhileRemapColorIsOn) {
  CTabHandle source = table({{65535, 65535, 65535}});
  for (int i = 0; i < 3; ++i) add(object(stylerectangle, 0));
  changecolor(list_, 1, 2, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 0u);
  EXPECT_EQ(u32(at(list_, 1).fillfore), 1u);
  EXPECT_EQ(u32(at(list_, 2).fillfore), 0u);
  mainglobals().remapColor = 0;
  changecolor(list_, 0, 3, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 0u);
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, ColourBitmapsRemapTheirPixelsAndOneBitBitmapsTheirColourBytes) {
  CTabHandle source = table({{65535, 65535, 65535}, {0, 0, 0}, {29000, 10, 10}});
  spot colour = object(stylebitmap, 2);
  graphictail t = getgraphictail(colour);
  t.startangle = 1;
  setgraphictail(colour, t);
  const u8 pixels[6] = {0, 1, 2, 2, 1, 77};
  Handle h = nilhandle;
  PtrToHand(pixels, &h, 6);
  colour.data = h;
  add(colour);
  spot mono = object(stylebitmap, 2);
  const u8 bits[4] = {0x00, 0x01, 0x02, 0xFF};
  PtrToHand(bits, &h, 4);
  mono.data = h;
  add(mono);
  changecolor(list_, 0, 2, source);

  spot c = at(list_, 0);
  const u8 remapped[6] = {1, 0, 3, 3, 0, 77};
  EXPECT_EQ(std::memcmp(deref(c.data), remapped, 6), 0);
  EXPECT_EQ(u32(c.fillfore), 2u) << "a colour bitmap keeps its colour bytes";
  spot m = at(list_, 1);
  EXPECT_EQ(std::memcmp(deref(m.data), bits, 4), 0) << "a 1-bit bitmap keeps its pixels";
  EXPECT_EQ(u32(m.fillfore), 3u);
  EXPECT_EQ(u32(m.penback), 3u);
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, GroupsAreRemappedThroughTheirObjectsToABoundedDepth) {
  CTabHandle source = table({{65535, 65535, 65535}});
  // A chain of groups nested deeper than any stored project may hold; each level holds one
  // rectangle and the next group.
  constexpr int kLevels = kMaxGroupDepth + 10;
  std::vector<Handle> levels;
  for (int i = 0; i < kLevels; ++i) levels.push_back(NewHandle(0));
  for (int i = 0; i < kLevels; ++i) {
    spot r = object(stylerectangle, 0);
    PtrAndHand(&r, levels[size_t(i)], sizeof r);
    if (i + 1 < kLevels) {
      spot g = object(stylegroup, 0);
      g.data = levels[size_t(i + 1)];
      PtrAndHand(&g, levels[size_t(i)], sizeof g);
    }
  }
  spot top = object(stylegroup, 0);
  top.data = levels[0];
  add(top);
  changecolor(list_, 0, 1, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 0u) << "a group has no colour of its own to remap";
  EXPECT_EQ(u32(at(levels[0], 0).fillfore), 1u);
  EXPECT_EQ(u32(at(levels[kMaxGroupDepth - 1], 0).fillfore), 1u);
  EXPECT_EQ(u32(at(levels[kMaxGroupDepth], 0).fillfore), 0u) << "deeper groups are left alone";
  // The list is freed from the innermost level out.
  top.data = 0;
  HandleAs<spot>(list_)[0] = top;
  for (int i = kLevels - 1; i >= 0; --i) DisposeHandle(levels[size_t(i)]);
  DisposeCTable(source);
}

TEST_F(ChangeColorTest, WithoutACurrentTableTheCurrentPortsTableIsUsed) {
  mainglobals().currentclut = 0;
  CTabHandle eight = GetCTable(8);
  GWorldPtr gw = 0;
  Rect bounds = rect(0, 0, 4, 4);
  ASSERT_EQ(NewGWorld(&gw, 8, &bounds, eight, 0, 0), noErr);
  SetGWorld(gw, 0);
  CTabHandle source = table({{0, 0, 0}});
  add(object(stylerectangle, 0));
  changecolor(list_, 0, 1, source);
  EXPECT_EQ(u32(at(list_, 0).fillfore), 255u) << "black is entry 255 of the standard 8-bit table";
  SetGWorld(0, 0);
  DisposeGWorld(gw);
  DisposeCTable(source);
  DisposeCTable(eight);
}

}  // namespace
}  // namespace kv
