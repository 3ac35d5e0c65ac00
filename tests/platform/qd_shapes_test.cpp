#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/qd/qd.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace qdtest;
using ShapeTest = RuntimeTest;

TEST_F(ShapeTest, FrameRectWithAWidePenStaysInsideTheRectangle) {
  OwnedWorld gw(world(32, 30, 30));
  PenSize(2, 3);
  Rect r{10, 10, 20, 20};
  FrameRect(&r);
  for (i32 y = 0; y < 30; ++y)
    for (i32 x = 0; x < 30; ++x) {
      const bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
      const bool band = inside && (x < 12 || x >= 18 || y < 13 || y >= 17);
      ASSERT_EQ(pixel(gw, x, y) == 0, band) << x << "," << y;
    }
}

TEST_F(ShapeTest, PaintRectCoversTheHalfOpenRectangle) {
  OwnedWorld gw(world(32, 30, 30));
  Rect r{10, 10, 20, 20};
  PaintRect(&r);
  EXPECT_EQ(inked(gw), 100);
  EXPECT_EQ(pixel(gw, 10, 10), 0u);
  EXPECT_EQ(pixel(gw, 19, 19), 0u);
  EXPECT_EQ(pixel(gw, 20, 19), 0xFFFFFFu);
  EXPECT_EQ(pixel(gw, 19, 20), 0xFFFFFFu);
}

TEST_F(ShapeTest, LineHangsThePenBelowAndRightOfThePath) {
  OwnedWorld gw(world(32, 20, 20));
  PenSize(1, 2);
  MoveTo(6, 5);
  LineTo(11, 5);
  EXPECT_EQ(picture(gw, 5, 4, 13, 8),
            "........\n"
            ".######.\n"
            ".######.\n"
            "........\n");
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen, (Point{5, 11}));
  // A diagonal with a 1-pixel pen touches one pixel per column, ends included.
  EraseRect(&(const Rect&)Rect{0, 0, 20, 20});
  PenSize(1, 1);
  MoveTo(0, 0);
  LineTo(4, 2);
  EXPECT_EQ(picture(gw, 0, 0, 5, 3),
            "#....\n"
            ".##..\n"
            "...##\n");
  PenSize(0, 0);
  LineTo(10, 10);
  EXPECT_EQ(pixel(gw, 10, 10), 0xFFFFFFu) << "a pen of size 0 draws nothing";
}

TEST_F(ShapeTest, PatternXorTwiceRestoresThePixels) {
  OwnedWorld gw(world(32, 24, 24));
  const RGBColor blue{0, 0, 0xFFFF};
  RGBForeColor(&blue);
  Rect base{3, 3, 15, 19};
  PaintOval(&base);
  ForeColor(blackColor);
  std::vector<u32> before;
  for (i32 y = 0; y < 24; ++y)
    for (i32 x = 0; x < 24; ++x) before.push_back(pixel(gw, x, y));
  const Pattern checker{{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}};
  PenPat(&checker);
  PenMode(patXor);
  Rect r{0, 0, 20, 20};
  PaintRect(&r);
  EXPECT_EQ(pixel(gw, 1, 0), 0x000000u) << "a set pattern bit inverts white";
  EXPECT_EQ(pixel(gw, 0, 0), 0xFFFFFFu);
  PaintRect(&r);
  std::vector<u32> after;
  for (i32 y = 0; y < 24; ++y)
    for (i32 x = 0; x < 24; ++x) after.push_back(pixel(gw, x, y));
  EXPECT_EQ(before, after);
}

TEST_F(ShapeTest, PatternModesOnColourPixels) {
  OwnedWorld gw(world(32, 8, 2));
  const RGBColor red{0xFFFF, 0, 0}, green{0, 0xFFFF, 0};
  RGBForeColor(&red);
  RGBBackColor(&green);
  const Pattern half{{0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}};
  PenPat(&half);
  Rect r{0, 0, 1, 8};
  PaintRect(&r);
  EXPECT_EQ(pixel(gw, 0, 0), 0xFF0000u) << "pattern copy: set bits take the foreground";
  EXPECT_EQ(pixel(gw, 7, 0), 0x00FF00u) << "clear bits take the background";
  PenMode(patBic);
  Rect row2{1, 0, 2, 8};
  PaintRect(&row2);
  EXPECT_EQ(pixel(gw, 0, 1), 0x00FF00u) << "pattern bit-clear paints the background under set bits";
  EXPECT_EQ(pixel(gw, 7, 1), 0xFFFFFFu) << "and leaves the rest";
  PenMode(notPatOr);
  PaintRect(&row2);
  EXPECT_EQ(pixel(gw, 7, 1), 0xFF0000u);
}

struct Call {
  std::string what;
  i16 verb;
};

TEST_F(ShapeTest, HiddenPenDrawsNothingButTheTableSeesEveryCall) {
  OwnedWorld gw(world(32, 40, 40));
  std::vector<Call> calls;
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.rectProc = [&](GrafVerb v, const Rect* r) { calls.push_back({"rect", v}), StdRect(v, r); };
  procs.rRectProc = [&](GrafVerb v, const Rect* r, i16 w, i16 h) {
    calls.push_back({"rrect", v}), StdRRect(v, r, w, h);
  };
  procs.ovalProc = [&](GrafVerb v, const Rect* r) { calls.push_back({"oval", v}), StdOval(v, r); };
  procs.arcProc = [&](GrafVerb v, const Rect* r, i16 s, i16 a) { calls.push_back({"arc", v}), StdArc(v, r, s, a); };
  procs.polyProc = [&](GrafVerb v, PolyHandle p) { calls.push_back({"poly", v}), StdPoly(v, p); };
  procs.rgnProc = [&](GrafVerb v, RgnHandle r) { calls.push_back({"rgn", v}), StdRgn(v, r); };
  procs.lineProc = [&](Point p) { calls.push_back({"line", -1}), StdLine(p); };
  procs.textProc = [&](i16 n, const void* t, Point a, Point b) { calls.push_back({"text", -1}), StdText(n, t, a, b); };
  procs.bitsProc = [&](const BitMap* s, const Rect* a, const Rect* b, i16 m, RgnHandle k) {
    calls.push_back({"bits", -1}), StdBits(s, a, b, m, k);
  };
  procs.commentProc = [&](i16 k, i16 n, Handle h) { calls.push_back({"comment", -1}), StdComment(k, n, h); };
  SetPortGrafProcs(gw, &procs);

  PolyHandle poly = newpolygon({{5, 5}, {5, 30}, {30, 18}, {5, 5}});
  RgnHandle rgn = NewRgn();
  SetRectRgn(rgn, 2, 2, 12, 12);
  GWorldPtr src = 0;
  Rect sr{0, 0, 8, 8};
  ASSERT_EQ(NewGWorld(&src, 1, &sr, 0, 0, 0), noErr);
  SetGWorld(src, 0);
  PaintRect(&sr);
  SetGWorld(gw, 0);

  auto everything = [&] {
    Rect r{4, 4, 30, 30};
    const Pattern grey = qdgray;
    FrameRect(&r), PaintRect(&r), InvertRect(&r), FillRect(&r, &grey);
    FrameRoundRect(&r, 8, 8), PaintRoundRect(&r, 8, 8);
    FrameOval(&r), PaintOval(&r), InvertOval(&r);
    FrameArc(&r, 0, 90), PaintArc(&r, 90, 45);
    FramePoly(poly), PaintPoly(poly);
    FrameRgn(rgn), PaintRgn(rgn);
    MoveTo(0, 0), LineTo(39, 39);
    MoveTo(2, 20), DrawString(pstr("Hi").data());
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(gw), &sr, &sr, srcCopy, 0);
    PicComment(100, 0, 0);
    EraseRect(&r);
  };
  HidePen();
  EXPECT_EQ(GetPortPenVisibility(gw), -1);
  everything();
  EXPECT_EQ(inked(gw), 0) << "no pixel changes while the pen is hidden";
  const std::vector<std::string> expected = {"rect", "rect", "rect", "rect", "rrect",   "rrect", "oval",
                                             "oval", "oval", "arc",  "arc",  "poly",    "poly",  "rgn",
                                             "rgn",  "line", "text", "bits", "comment", "rect"};
  ASSERT_EQ(calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(calls[i].what, expected[i]) << i;
  EXPECT_EQ(calls[0].verb, kQDGrafVerbFrame);
  EXPECT_EQ(calls[1].verb, kQDGrafVerbPaint);
  EXPECT_EQ(calls[2].verb, kQDGrafVerbInvert);
  EXPECT_EQ(calls[3].verb, kQDGrafVerbFill);
  EXPECT_EQ(calls.back().verb, kQDGrafVerbErase);
  Point pen;
  GetPen(&pen);
  EXPECT_GT(pen.h, 2) << "hidden text still moves the pen";

  calls.clear();
  ShowPen();
  Rect r{4, 4, 30, 30};
  PaintRect(&r);
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(inked(gw), 26 * 26) << "after ShowPen drawing happens again";
  DisposeGWorld(src);
  DisposeRgn(rgn);
  KillPoly(poly);
}

TEST_F(ShapeTest, ARectangleProcedureCanDropCalls) {
  OwnedWorld gw(world(32, 20, 20));
  QDProcs procs;
  SetStdCProcs(&procs);
  // Drops erases, passes everything else on.
  procs.rectProc = [](GrafVerb v, const Rect* r) {
    if (v != kQDGrafVerbErase) StdRect(v, r);
  };
  SetPortGrafProcs(gw, &procs);
  Rect r{0, 0, 10, 10};
  PaintRect(&r);
  EraseRect(&r);
  EXPECT_EQ(inked(gw), 100);
  SetPortGrafProcs(gw, nullptr);
  EraseRect(&r);
  EXPECT_EQ(inked(gw), 0);
}

TEST_F(ShapeTest, OvalRoundRectArcAndPolygonAreSymmetric) {
  OwnedWorld gw(world(32, 64, 64));
  const Rect boxes[] = {{0, 0, 21, 33}, {0, 0, 20, 32}, {0, 0, 7, 5}, {0, 0, 1, 9}, {0, 0, 40, 40}};
  for (const Rect& r : boxes) {
    Rect a{0, 0, 64, 64};
    EraseRect(&a);
    PaintOval(&r);
    EXPECT_TRUE(symmetric(gw, r)) << "oval " << r.right << "x" << r.bottom;
    EXPECT_GT(inked(gw), 0);
    EraseRect(&a);
    PenSize(2, 2);
    FrameOval(&r);
    EXPECT_TRUE(symmetric(gw, r)) << "framed oval " << r.right << "x" << r.bottom;
    EraseRect(&a);
    FrameRoundRect(&r, 12, 8);
    EXPECT_TRUE(symmetric(gw, r)) << "round rect " << r.right << "x" << r.bottom;
    EraseRect(&a);
    PaintRoundRect(&r, 12, 8);
    EXPECT_TRUE(symmetric(gw, r));
    PenSize(1, 1);
  }
  // A wedge from 270 over 180 (the top half, left to right through 0) is symmetric left to
  // right, and the arc of 0 over 90 mirrors that of 270 over 90.
  Rect r{0, 0, 30, 40}, a{0, 0, 64, 64};
  EraseRect(&a);
  PaintArc(&r, 270, 180);
  for (i32 y = 0; y < 30; ++y)
    for (i32 x = 0; x < 40; ++x) ASSERT_EQ(pixel(gw, x, y), pixel(gw, 39 - x, y)) << x << "," << y;
  EXPECT_EQ(pixel(gw, 20, 2), 0u);
  EXPECT_EQ(pixel(gw, 20, 28), 0xFFFFFFu) << "the bottom half is outside the wedge";
  EraseRect(&a);
  PaintArc(&r, 0, 90);
  std::string right = picture(gw, 0, 0, 40, 30);
  EraseRect(&a);
  PaintArc(&r, 270, 90);
  std::string left = picture(gw, 0, 0, 40, 30);
  for (i32 y = 0; y < 30; ++y)
    for (i32 x = 0; x < 40; ++x)
      ASSERT_EQ(right[std::size_t(y * 41 + x)], left[std::size_t(y * 41 + 39 - x)]) << x << "," << y;
  // A diamond.
  EraseRect(&a);
  PolyHandle poly = newpolygon({{0, 20}, {20, 40}, {40, 20}, {20, 0}, {0, 20}});
  PaintPoly(poly);
  EXPECT_TRUE(symmetric(gw, Rect{0, 0, 40, 40}));
  EraseRect(&a);
  FramePoly(poly);
  EXPECT_TRUE(symmetric(gw, Rect{0, 0, 41, 41})) << "the frame hangs one pixel right and down";
  KillPoly(poly);
}

TEST_F(ShapeTest, PtToAngleMeasuresOnTheRectangle) {
  Rect r{0, 0, 100, 200};
  i16 angle = -1;
  PtToAngle(&r, Point{0, 200}, &angle);
  EXPECT_EQ(angle, 45);
  PtToAngle(&r, Point{0, 100}, &angle);
  EXPECT_EQ(angle, 0);
  PtToAngle(&r, Point{50, 200}, &angle);
  EXPECT_EQ(angle, 90);
  PtToAngle(&r, Point{100, 100}, &angle);
  EXPECT_EQ(angle, 180);
  PtToAngle(&r, Point{100, 0}, &angle);
  EXPECT_EQ(angle, 225);
  PtToAngle(&r, Point{50, 0}, &angle);
  EXPECT_EQ(angle, 270);
}

TEST_F(ShapeTest, InvertAndHiliteMode) {
  OwnedWorld gw(world(32, 4, 4));
  Rect r{0, 0, 2, 2};
  InvertRect(&r);
  EXPECT_EQ(pixel(gw, 0, 0), 0u);
  InvertRect(&r);
  EXPECT_EQ(pixel(gw, 0, 0), 0xFFFFFFu);
  const RGBColor yellow{0xFFFF, 0xFFFF, 0};
  HiliteColor(&yellow);
  LMSetHiliteMode(false);
  InvertRect(&r);
  EXPECT_EQ(pixel(gw, 0, 0), 0xFFFF00u) << "with the hilite bit cleared the background turns the hilite colour";
  EXPECT_TRUE(LMGetHiliteMode()) << "and the bit is set again";
  LMSetHiliteMode(false);
  InvertRect(&r);
  EXPECT_EQ(pixel(gw, 0, 0), 0xFFFFFFu);
}

TEST_F(ShapeTest, ArithmeticPenModes) {
  OwnedWorld gw(world(32, 4, 1));
  const RGBColor grey{0x8080, 0x8080, 0x8080};
  RGBForeColor(&grey);
  Rect r{0, 0, 1, 4};
  PaintRect(&r);  // every pixel 0x808080
  const RGBColor dark{0x2020, 0x4040, 0xA0A0};
  RGBForeColor(&dark);
  PenMode(addMax);
  Rect p0{0, 0, 1, 1};
  PaintRect(&p0);
  EXPECT_EQ(pixel(gw, 0, 0), 0x8080A0u);
  PenMode(adMin);
  Rect p1{0, 1, 1, 2};
  PaintRect(&p1);
  EXPECT_EQ(pixel(gw, 1, 0), 0x204080u);
  PenMode(blend);
  const RGBColor half{32767, 32767, 32767};
  OpColor(&half);
  Rect p2{0, 2, 1, 3};
  PaintRect(&p2);
  const u32 b = pixel(gw, 2, 0);
  EXPECT_NEAR(double((b >> 16) & 255), (0x20 + 0x80) / 2.0, 1.0);
  EXPECT_NEAR(double(b & 255), (0xA0 + 0x80) / 2.0, 1.0);
}

TEST_F(ShapeTest, RegionCaptureCollectsFramedOutlines) {
  OwnedWorld gw(world(32, 40, 40));
  OpenRgn();
  EXPECT_EQ(GetPortPenVisibility(gw), -1);
  MoveTo(10, 10);
  LineTo(30, 10);
  LineTo(30, 30);
  LineTo(10, 30);
  LineTo(10, 10);
  OwnedRegion rgn(NewRgn());
  CloseRgn(rgn);
  EXPECT_EQ(GetPortPenVisibility(gw), 0);
  EXPECT_EQ(inked(gw), 0) << "nothing is drawn while the region is open";
  EXPECT_EQ(regionbounds(rgn), (Rect{10, 10, 30, 30}));
  EXPECT_TRUE(IsRegionRectangular(rgn));
  // Framed shapes combine by exclusive-or.
  OpenRgn();
  Rect outer{0, 0, 20, 20}, inner{5, 5, 15, 15};
  FrameRect(&outer);
  FrameOval(&inner);
  CloseRgn(rgn);
  EXPECT_TRUE(PtInRgn(Point{2, 2}, rgn));
  EXPECT_FALSE(PtInRgn(Point{10, 10}, rgn)) << "the oval is a hole";
  EXPECT_TRUE(PtInRgn(Point{5, 5}, rgn)) << "the oval's corner is not part of it";
}

TEST_F(ShapeTest, PolygonsRecordLinesAndTheirBounds) {
  OwnedWorld gw(world(32, 40, 40));
  PolyHandle poly = OpenPoly();
  MoveTo(5, 5);
  LineTo(25, 8);
  LineTo(15, 30);
  LineTo(5, 5);
  ClosePoly();
  std::vector<Point> pts = polypoints(poly);
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(pts[0], (Point{5, 5}));
  EXPECT_EQ(pts[2], (Point{30, 15}));
  PolygonHeader hdr;
  std::memcpy(&hdr, deref(poly), sizeof hdr);
  EXPECT_EQ(hdr.polySize, 26);
  EXPECT_EQ(hdr.polyBBox, (Rect{5, 5, 30, 25}));
  EXPECT_EQ(inked(gw), 0);
  OffsetPoly(poly, 2, 3);
  EXPECT_EQ(polypoints(poly)[0], (Point{8, 7}));
  // A damaged size word is held to the block.
  hdr.polySize = 60000;
  std::memcpy(deref(poly), &hdr, sizeof hdr);
  EXPECT_EQ(polypoints(poly).size(), 4u);
  // One that leaves less than a whole point (a stored graphic's, found by the card-drawing
  // fuzz target) is no polygon: painting it changes nothing.
  hdr.polySize = u16(sizeof hdr + 3);
  std::memcpy(deref(poly), &hdr, sizeof hdr);
  EXPECT_TRUE(polypoints(poly).empty());
  PaintPoly(poly);
  EXPECT_EQ(inked(gw), 0);
  KillPoly(poly);
}

TEST_F(ShapeTest, DrawingIntoAOneBitWorld) {
  OwnedWorld gw(world(1, 16, 4));
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  Rect r{0, 0, 1, 8};
  PaintRect(&r);
  EXPECT_EQ(pixel(gw, 0, 0), 1u) << "a dark colour comes out black";
  PenMode(blend);
  Rect r2{1, 0, 2, 8};
  PaintRect(&r2);
  EXPECT_EQ(pixel(gw, 0, 1), 1u) << "blend acts as copy at 1 bit";
}

}  // namespace
}  // namespace kv
