// Shapes are built only where they can be seen: what a shape draws inside a clipped port (in a
// pen of any size, one larger than the port too) is what it draws there unclipped, and a shape
// over the whole coordinate range costs what its visible part costs.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include "platform/qd/qd.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace qdtest;
using BoundedShapeTest = RuntimeTest;

// A pixel is in an arc's wedge when the angle of its centre, measured clockwise from 12
// o'clock on the rectangle (so its corners lie at 45 degrees), lies within the sweep.
bool inwedge(const Rect& r, i32 start, i32 arc, i32 x, i32 y) {
  if (arc < 0) {
    start += arc;
    arc = -arc;
  }
  const double w = r.right - r.left, h = r.bottom - r.top;
  const double dx = x + 0.5 - (r.left + r.right) / 2.0, dy = y + 0.5 - (r.top + r.bottom) / 2.0;
  double a = std::atan2(dx / w, -dy / h) * 180.0 / std::numbers::pi;
  if (a < 0) a += 360.0;
  double rel = a - std::fmod(std::fmod(double(start), 360.0) + 360.0, 360.0);
  if (rel < 0) rel += 360.0;
  return rel <= arc + 1e-9 || rel >= 360.0 - 1e-9;
}

TEST_F(BoundedShapeTest, ArcsHoldExactlyThePixelsOfTheirWedge) {
  const Rect rects[] = {{10, 10, 90, 130}, {0, 0, 7, 5}, {-40, -30, 61, 41}};
  const i16 sweeps[][2] = {{0, 90}, {45, 90}, {300, 100}, {10, -80}, {-90, 45}, {0, 359}, {90, 1}, {200, 180}};
  RgnHandle oval = NewRgn(), arc = NewRgn();
  for (const Rect& r : rects)
    for (const auto& s : sweeps) {
      OvalRgn(oval, &r);
      ArcRgn(arc, &r, s[0], s[1]);
      for (i16 y = r.top; y < r.bottom; ++y)
        for (i16 x = r.left; x < r.right; ++x)
          ASSERT_EQ(PtInRgn(Point{y, x}, arc), PtInRgn(Point{y, x}, oval) && inwedge(r, s[0], s[1], x, y))
              << "arc " << s[0] << "," << s[1] << " at " << x << "," << y;
    }
  DisposeRgn(oval);
  DisposeRgn(arc);
}

TEST_F(BoundedShapeTest, ShapesInAClippedPortDrawWhatTheyDrawThereUnclipped) {
  OwnedWorld gw(world(32, 200, 160));
  const Rect all{0, 0, 160, 200};
  const Rect r{5, -20, 150, 230};
  PolyHandle poly = OpenPoly();
  MoveTo(-30, 0);
  LineTo(140, 100);
  LineTo(10, 190);
  LineTo(60, 20);
  LineTo(-30, 0);
  ClosePoly();
  const std::pair<const char*, std::function<void()>> shapes[] = {
      {"paint oval", [&] { PaintOval(&r); }},
      {"frame oval", [&] { FrameOval(&r); }},
      {"frame round rect", [&] { FrameRoundRect(&r, 60, 36); }},
      {"paint arc", [&] { PaintArc(&r, 30, 100); }},
      {"frame arc", [&] { FrameArc(&r, 250, -200); }},
      {"paint polygon", [&] { PaintPoly(poly); }},
      {"frame polygon", [&] { FramePoly(poly); }},
      {"lines",
       [&] {
         MoveTo(-300, -200);
         LineTo(400, 250);
         MoveTo(90, 5);
         LineTo(-100, 160);
         MoveTo(150, 3);
         LineTo(-40, 9);
       }},
  };
  const Rect views[] = {{0, 0, 40, 50}, {21, 37, 90, 80}, {60, -10, 61, 200}, {100, 100, 130, 140}};
  for (const auto& [name, draw] : shapes)
    for (const Point pen : {Point{1, 1}, Point{3, 7}, Point{12, 2}, Point{250, 300}})
      for (const Rect& v : views) {
        SCOPED_TRACE(::testing::Message()
                     << name << " pen " << pen.h << "x" << pen.v << " view " << v.left << "," << v.top);
        PenSize(pen.h, pen.v);
        ClipRect(&all);
        EraseRect(&all);
        draw();
        const std::string whole = picture(gw, std::max<i16>(v.left, 0), v.top, v.right, v.bottom);
        EraseRect(&all);
        ClipRect(&v);
        draw();
        ASSERT_EQ(picture(gw, std::max<i16>(v.left, 0), v.top, v.right, v.bottom), whole);
      }
  KillPoly(poly);
}

TEST_F(BoundedShapeTest, ShapesOverTheWholeRangeDrawTheirVisiblePart) {
  // A card-sized port below and right of the centre of a huge oval: the sweep from 90 to
  // 180 degrees covers it whole, the sweep from 0 to 90 none of it.
  OwnedWorld gw(world(32, 640, 480));
  const Rect huge{-32000, -32000, 32000, 32000};
  PaintArc(&huge, 0, 90);
  EXPECT_EQ(inked(gw), 0);
  PaintArc(&huge, 90, 90);
  EXPECT_EQ(inked(gw), 640 * 480);
  const Rect all{0, 0, 480, 640};
  EraseRect(&all);
  // Lines across the range with a thick pen: one passing above and left of the port, one
  // through it.
  PenSize(200, 200);
  MoveTo(-32764, 5);
  LineTo(14, -32764);
  EXPECT_EQ(inked(gw), 0);
  PenSize(60, 40);
  MoveTo(-32764, 100);
  LineTo(32764, 100);
  EXPECT_EQ(inked(gw), 640 * 40);
}

TEST_F(BoundedShapeTest, AFrameCutOffByThePortHasNoEdgeWhereItIsCut) {
  OwnedWorld gw(world(32, 100, 100));
  PenSize(3, 3);
  const Rect r{-1000, -50, 1000, 50};  // centred on the port's top-left corner, two thousand high
  FrameOval(&r);
  for (i32 y = 0; y < 100; ++y) {
    for (i32 x = 0; x < 45; ++x) ASSERT_EQ(pixel(gw, x, y), 0xFFFFFFu) << "inside the band at " << x << "," << y;
    ASSERT_EQ(pixel(gw, 48, y), 0u) << "the oval's right edge at row " << y;
    ASSERT_EQ(pixel(gw, 50, y), 0xFFFFFFu) << "outside the oval at row " << y;
  }
}

}  // namespace
}  // namespace kv
