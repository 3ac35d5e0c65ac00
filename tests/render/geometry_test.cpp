// Object geometry: the union of drawing bounds, points and bounds on ovals and arcs, the
// invalidation of an object, and the mapping of objects onto new rectangles.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "platform/lists/lists.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/objectbounds.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "tests/support/spots.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testspots::newspot;

class GeometryTest : public WindowTest {
 protected:
  void TearDown() override {
    for (Handle list : lists_) dumpspot(list);
    WindowTest::TearDown();
  }
  Handle list(const std::vector<spot>& objects) {
    Handle h = NewHandle(0);
    for (const spot& s : objects) PtrAndHand(&s, h, sizeof s);
    lists_.push_back(h);
    return h;
  }
  // A 1-bit bitmap of w x h pixels with the pixel (x, y) black.
  static spot bitmap(Rect r, i16 x, i16 y) {
    spot s = newspot(spotgraphic, stylebitmap, 0, r);
    const i16 w = i16(r.right - r.left), h = i16(r.bottom - r.top), rb = i16(pixmaprowbytes(w, 1));
    s.data = NewHandleClear(Size(rb) * h);
    deref(s.data)[y * rb + x / 8] = u8(0x80 >> (x % 8));
    return s;
  }
  static bool black(const spot& s, i16 x, i16 y) {
    const i16 rb = i16(pixmaprowbytes(s.rect.right - s.rect.left, 1));
    return deref(s.data)[y * rb + x / 8] & (0x80 >> (x % 8));
  }
  std::vector<Handle> lists_;
};

TEST_F(GeometryTest, TheUnionOfBoundsChoosesBySelection) {
  spot a = newspot(spotgraphic, stylerectangle, 1, Rect{10, 10, 20, 20});
  spot b = newspot(spotfield, stylefieldrect, 2, Rect{30, 40, 50, 60});
  a.selected = b.selected = 0;
  Handle l = list({a, b});
  Rect r{};
  calcbounds(l, &r, 1);
  EXPECT_EQ(r, (Rect{32767, 32767, -32768, -32768})) << "nothing selected";
  calcbounds(l, &r, 2);
  EXPECT_EQ(r, (Rect{10, 10, 54, 64}));
  HandleAs<spot>(l)[0].selected = 3;
  calcbounds(l, &r, 1);
  EXPECT_EQ(r, (Rect{10, 10, 20, 20}));
  calcbounds(l, &r, 0);
  EXPECT_EQ(r, (Rect{26, 36, 54, 64}));
}

TEST_F(GeometryTest, BoundsNearTheEdgeOfThePlaneStopThere) {
  spot s = newspot(spotbutton, 200, 1, Rect{32700, -32760, 32760, -32700});
  s.shadow = 100;
  Rect r{};
  lowcalc(&s, &r);
  EXPECT_EQ(r, (Rect{32700, -32760, 32767, -32600}));
  s = newspot(spotfield, stylefieldrect, 1, Rect{-32767, -32766, 0, 0});
  lowcalc(&s, &r);
  EXPECT_EQ(r, (Rect{-32768, -32768, 4, 4}));
}

TEST_F(GeometryTest, PointsAndBoundsOnAnOval) {
  const Rect oval{0, 0, 100, 100};
  Point p{};
  arcpoint(oval, 0, &p);
  EXPECT_EQ(p, (Point{0, 50})) << "12 o'clock";
  arcpoint(oval, 90, &p);
  EXPECT_EQ(p, (Point{50, 100}));
  arcpoint(oval, 450, &p);
  EXPECT_EQ(p, (Point{50, 100})) << "reduced into 0..359";
  Rect r{};
  arcbounds(oval, 350, 110, &r);
  auto holds = [&](i16 h, i16 v) { return h >= r.left && h <= r.right && v >= r.top && v <= r.bottom; };
  EXPECT_TRUE(holds(50, 0)) << "the top centre";
  EXPECT_TRUE(holds(100, 50)) << "the right centre";
  EXPECT_FALSE(holds(50, 100)) << "not the bottom centre";
}

TEST_F(GeometryTest, InvalspotInvalidatesTheBoundsAndThreeMoreInTheWindowOfThePort) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  const WindowRef w = current().window;
  Rect port{};
  GetWindowPortBounds(w, &port);
  ValidWindowRect(w, &port);
  SetPortWindowPort(w);
  spot s = newspot(spotgraphic, stylerectangle, 1, Rect{20, 30, 40, 60});
  s.flags = s.flags | spotfocushilite;
  invalspot(list({s}), 0);
  RgnHandle update = NewRgn();
  GetWindowRegion(w, kWindowUpdateRgn, update);
  Rect content{};
  GetWindowBounds(w, kWindowContentRgn, &content);
  OffsetRgn(update, i16(-content.left), i16(-content.top));
  EXPECT_EQ(regionbounds(update), (Rect{13, 23, 47, 67})) << "the rectangle grown by 4 for the ring and 3";
  DisposeRgn(update);
}

TEST_F(GeometryTest, ALineKeepsItsDirection) {
  spot s = newspot(spotgraphic, styleline, 1, Rect{10, 10, 50, 90});
  graphictail t = getgraphictail(s);
  t.point1 = Point{10, 90};
  t.point2 = Point{50, 10};
  setgraphictail(s, t);
  Handle l = list({s});
  ASSERT_EQ(mapspot(l, 0, Rect{20, 20, 100, 200}, false), 0);
  t = getgraphictail(spotat(l, 0));
  EXPECT_EQ(t.point1, (Point{20, 200}));
  EXPECT_EQ(t.point2, (Point{100, 20}));
  EXPECT_EQ(spotat(l, 0).rect, (Rect{20, 20, 100, 200}));
}

TEST_F(GeometryTest, APolygonWithoutWidthMapsAsOnePixelWide) {
  spot s = newspot(spotgraphic, stylepolygon, 1, Rect{10, 10, 50, 10});
  s.data = newpolygon({Point{10, 10}, Point{50, 10}});
  Handle l = list({s});
  ASSERT_EQ(mapspot(l, 0, Rect{20, 20, 100, 60}, false), 0);
  EXPECT_EQ(polypoints(spotat(l, 0).data), (std::vector<Point>{Point{20, 20}, Point{100, 20}}));
  EXPECT_EQ(spotat(l, 0).rect, (Rect{20, 20, 100, 60}));
}

TEST_F(GeometryTest, AGroupScalesItsBitmapsAndTakesTheirBounds) {
  spot inner = bitmap(Rect{0, 0, 10, 10}, 3, 4);
  spot box = newspot(spotgraphic, stylerectangle, 2, Rect{5, 5, 10, 10});
  spot group = newspot(spotgraphic, stylegroup, 3, Rect{0, 0, 10, 10});
  group.data = NewHandle(0);
  PtrAndHand(&inner, group.data, sizeof inner);
  PtrAndHand(&box, group.data, sizeof box);
  Handle l = list({group});
  ASSERT_EQ(mapspot(l, 0, Rect{0, 0, 20, 20}, false), 0);
  group = spotat(l, 0);
  EXPECT_EQ(group.rect, (Rect{0, 0, 20, 20}));
  inner = spotat(group.data, 0);
  EXPECT_EQ(inner.rect, (Rect{0, 0, 20, 20}));
  EXPECT_EQ(spotat(group.data, 1).rect, (Rect{10, 10, 20, 20}));
  for (i16 y = 0; y < 20; ++y)
    for (i16 x = 0; x < 20; ++x) EXPECT_EQ(black(inner, x, y), x / 2 == 3 && y / 2 == 4) << x << "," << y;
}

TEST_F(GeometryTest, ABitmapAloneKeepsItsPixelsUnscaled) {
  Handle l = list({bitmap(Rect{0, 0, 10, 10}, 3, 4)});
  ASSERT_EQ(mapspot(l, 0, Rect{5, 5, 25, 25}, false), 0);
  const spot s = spotat(l, 0);
  EXPECT_EQ(s.rect, (Rect{5, 5, 25, 25}));
  for (i16 y = 0; y < 20; ++y)
    for (i16 x = 0; x < 20; ++x) EXPECT_EQ(black(s, x, y), x == 3 && y == 4) << x << "," << y;

  refuseworlddepth(1, true);
  EXPECT_EQ(mapspot(l, 0, Rect{0, 0, 8, 8}, true), 37) << "no memory for the new pixels";
  refuseworlddepth(1, false);
  EXPECT_EQ(spotat(l, 0).rect, (Rect{5, 5, 25, 25}));
  EXPECT_TRUE(black(spotat(l, 0), 3, 4));
}

TEST_F(GeometryTest, AColourBitmapKeepsItsSizeWhileColourIsOff) {
  spot s = newspot(spotgraphic, stylebitmap, 1, Rect{0, 0, 4, 4});
  graphictail t = getgraphictail(s);
  t.startangle = 1;
  setgraphictail(s, t);
  s.data = NewHandleClear(16);
  Handle l = list({s});
  mainglobals().colorWorld = 0;
  ASSERT_EQ(mapspot(l, 0, Rect{0, 0, 8, 8}, true), 0);
  EXPECT_EQ(spotat(l, 0).rect, (Rect{0, 0, 4, 4}));
  EXPECT_EQ(GetHandleSize(spotat(l, 0).data), 16);
  mainglobals().colorWorld = 1;
  ASSERT_EQ(mapspot(l, 0, Rect{0, 0, 8, 8}, true), 0);
  EXPECT_EQ(spotat(l, 0).rect, (Rect{0, 0, 8, 8}));
  EXPECT_EQ(GetHandleSize(spotat(l, 0).data), 64);
  ASSERT_EQ(mapspot(l, 0, Rect{30, 30, 38, 38}, true), 0) << "a move alone";
  EXPECT_EQ(spotat(l, 0).rect, (Rect{30, 30, 38, 38}));
}

TEST_F(GeometryTest, AnArcTakesTheBoundsOfItsMappedWedge) {
  spot s = newspot(spotgraphic, stylearc, 1, Rect{0, 50, 50, 100});
  testspots::setarc(s, 0, 90, Rect{0, 0, 100, 100});
  Handle l = list({s});
  ASSERT_EQ(mapspot(l, 0, Rect{0, 100, 100, 200}, false), 0);
  s = spotat(l, 0);
  EXPECT_EQ(arcoval(s), (Rect{0, 0, 200, 200}));
  EXPECT_EQ(s.rect, (Rect{0, 100, 100, 200}));
}

// A scrolling field resized while nothing shows its text is measured through a record made
// for the purpose: a two-line text scrolled far beyond its end comes back to 0, and stays so.
TEST_F(GeometryTest, AResizedScrollingFieldClampsItsScrollToItsText) {
  testproject::Project p = testproject::small();
  testproject::Object f;
  f.kind = testproject::Object::field;
  f.style = 301;
  f.name = "S";
  f.text = "one\rtwo";
  f.rect = Rect{100, 10, 200, 200};
  p.windows[0].cards[1].objects.push_back(f);
  build(p);
  ASSERT_EQ(open(), 0);
  // Hidden, it is not drawn: no live record holds its text.
  ASSERT_EQ(doline("go card 2\nhide card field \"S\""), 0);
  const Handle objects = current().cardspots;
  const i32 at = spotcount(objects) - 1;
  spot s = spotat(objects, at);
  setfieldscroll(s, 500);
  putspot(objects, at, s);
  ASSERT_EQ(doline("set the width of card field \"S\" to 150"), 0);
  EXPECT_EQ(getfieldscroll(spotat(objects, at)), 0);
  EXPECT_EQ(cardvalue("the scroll of card field \"S\""), "0");
}

// Shown fields follow their new rectangle at once: a scrolling field's live record takes the
// clamped scroll, and a list's rows take the new width.
TEST_F(GeometryTest, ShownFieldsFollowTheirNewRectangle) {
  testproject::Project p = testproject::small();
  testproject::Object f;
  f.kind = testproject::Object::field;
  f.style = 301;
  f.name = "S";
  for (int i = 1; i <= 30; ++i) f.text += "line " + std::to_string(i) + "\r";
  f.rect = Rect{20, 10, 100, 200};
  testproject::Object l = f;
  l.name = "L";
  l.style = 303;
  l.rect = Rect{120, 10, 200, 200};
  p.windows[0].cards[0].objects = {f, l};
  build(p);
  ASSERT_EQ(open(), 0);
  const Handle objects = current().cardspots;
  ASSERT_EQ(doline("set the scroll of card field \"S\" to 10000"), 0);
  const i32 before = std::stoi(cardvalue("the scroll of card field \"S\""));
  ASSERT_GT(before, 100) << "scrolled to the end";
  ASSERT_EQ(doline("set the height of card field \"S\" to 300"), 0);
  const spot s = spotat(objects, 0);
  const WEReference we = livefield(s);
  ASSERT_NE(we, nilid) << "shown: the field keeps its record";
  LongRect view{}, dest{};
  WEGetViewRect(&view, we);
  WEGetDestRect(&dest, we);
  Rect margins{};
  fldmargins(s, &margins);
  EXPECT_LT(getfieldscroll(s), before) << "clamped to the taller view";
  EXPECT_EQ(view.top - (dest.top - margins.top), getfieldscroll(s)) << "the record shows the stored scroll";

  ASSERT_EQ(doline("set the width of card field \"L\" to 300"), 0);
  const spot list = spotat(objects, 1);
  const ListHandle rows = fieldlisthandle(list);
  ASSERT_NE(rows, nullptr) << "shown: the field keeps its list";
  EXPECT_EQ(LGetCellSize(rows).h, listviewrect(list).right - listviewrect(list).left);
}

}  // namespace
}  // namespace kv
