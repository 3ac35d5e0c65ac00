// Removing objects, the new-bitmap size limit, and reshaping polygons and arcs by their
// handles on a card window, with the drag command's mouse and the driver's.
#include "tools/reshape.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/windows.h"
#include "tools/handletools.h"
#include "tools/objectremoval.h"

namespace kv {
namespace {

using testproject::Object;

class ReshapeTest : public WindowTest {
 protected:
  void opencard(std::vector<Object> objects) {
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 400, 500};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card c;
    c.objects = std::move(objects);
    w.cards.push_back(c);
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    mainglobals().current.tool = 601;
    SetPortWindowPort(current().window);
  }
  static Object graphic(u16 style, Rect r) {
    Object o;
    o.kind = Object::graphic;
    o.style = style;
    o.rect = r;
    return o;
  }
  Handle list() { return current().cardspots; }
  // Object 0 becomes a polygon of these points.
  void makepolygon(const std::vector<Point>& pts) {
    spot s = spotat(list(), 0);
    if (s.data) DisposeHandle(s.data);
    s.data = newpolygon(pts);
    s.rect = loadat<PolygonHeader>(deref(s.data)).polyBBox;
    putspot(list(), 0, s);
  }
  // The drag command's mouse: from `from` to `to` at once.
  static void dragcommand(Point from, Point to) {
    mainglobals().dragSpeed = 0;
    ToolState& t = toolstate();
    t.sender = senderDrag;
    t.butdown = 1;
    t.sendfirst = 1;
    t.startpt = from;
    t.finishpt = to;
  }
  // The real mouse, pressed at `path`'s first point, moved through the others (one move every
  // other tick) and released at the last; points are local to the card window.
  void drivemouse(const std::vector<Point>& path) {
    toolstate().sender = senderMouse;
    auto global = [](Point p) {
      LocalToGlobal(&p);
      return p;
    };
    drive::mouseDown(global(path.front()));
    for (std::size_t i = 1; i < path.size(); ++i) {
      drive::advance(2);
      drive::moveTo(global(path[i]));
    }
    drive::advance(2);
    drive::mouseUp();
    // The event loop takes the press before a tracking routine runs.
    EventRecord e{};
    for (int polls = 0; polls < 10 && !GetNextEvent(mDownMask, &e); ++polls) {
    }
  }
};

TEST_F(ReshapeTest, SquashutilFreesTheObjectAndForgetsTheOpenField) {
  Object group = graphic(stylegroup, Rect{10, 10, 60, 60});
  group.nested = {graphic(stylerectangle, Rect{10, 10, 30, 30}), graphic(styleoval, Rect{30, 30, 60, 60})};
  Object field;
  field.kind = Object::field;
  field.text = "open";
  field.rect = Rect{100, 10, 130, 200};
  opencard({graphic(stylerectangle, Rect{5, 5, 20, 20}), group, field, graphic(styleoval, Rect{150, 150, 170, 170})});
  MainGlobals& g = mainglobals();
  ASSERT_EQ(doline("select before text of card field 1"), 0);
  ASSERT_EQ(g.openfield, 2);
  ASSERT_NE(g.openfieldrec, nilid);
  const u64 changes = g.layerchanges;
  squashutil(list(), 1);
  EXPECT_EQ(g.layerchanges, changes + 1);
  EXPECT_EQ(g.openfield, 1) << "the open field moved down with its list";
  squashutil(list(), 1);
  EXPECT_EQ(g.openfield, -1);
  EXPECT_EQ(g.openfieldrec, nilid);
  EXPECT_EQ(g.openfieldspots, nilhandle);
  // The last object: only the list shrinks, the first record stays byte for byte.
  std::vector<u8> first(deref(list()), deref(list()) + sizeof(spot));
  const Size before = GetHandleSize(list());
  squashutil(list(), 1);
  EXPECT_EQ(GetHandleSize(list()), before - 98);
  EXPECT_EQ(std::memcmp(first.data(), deref(list()), sizeof(spot)), 0);
  squashutil(list(), 5);
  EXPECT_EQ(GetHandleSize(list()), before - 98) << "an index the list does not hold";
}

TEST_F(ReshapeTest, LimitbitsShrinksToTheBudgetKeepingTheAnchorSide) {
  struct Case {
    Rect r;
    Point anchor, current;
    i32 budget;
    i16 mask, colour;
    Rect expected;
  };
  const Case cases[] = {
      {{0, 0, 200, 200}, {0, 0}, {200, 200}, 10000, 0, 1, {0, 0, 96, 96}},
      {{0, 0, 200, 200}, {200, 200}, {0, 0}, 10000, 0, 1, {104, 104, 200, 200}},
      {{0, 0, 100, 100}, {0, 0}, {100, 100}, 100000, 0, 1, {0, 0, 100, 100}},  // fits: unchanged
      // Without colour the 1-bit image counts: 14 bytes a row x 100 rows = 1,400.
      {{0, 0, 100, 100}, {0, 0}, {100, 100}, 1400, 0, 0, {0, 0, 100, 100}},
      {{0, 0, 100, 100}, {0, 0}, {100, 100}, 1000, 0, 0, {0, 0, 83, 83}},
      // The mask doubles the 1-bit estimate.
      {{0, 0, 100, 100}, {0, 0}, {100, 100}, 1400, i16(0x8000), 0, {0, 0, 70, 70}},
      {{0, 0, 50, 50}, {0, 0}, {50, 50}, -5, 0, 1, {0, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    Rect r = c.r;
    limitbits(&r, c.anchor, c.current, c.budget, c.mask, c.colour);
    EXPECT_TRUE(EqualRect(&r, &c.expected))
        << "budget " << c.budget << ": " << r.top << "," << r.left << "," << r.bottom << "," << r.right;
  }
}

TEST_F(ReshapeTest, SizepolyMovesOnePointAndGrowsTheRectangle) {
  opencard({graphic(stylepolygon, Rect{20, 20, 60, 60})});
  makepolygon({{20, 20}, {20, 60}, {60, 60}, {20, 20}});
  dragcommand(Point{60, 60}, Point{90, 120});
  EXPECT_EQ(sizepoly(list(), 0, Point{60, 60}, 2), 0);
  const spot s = spotat(list(), 0);
  const std::vector<Point> pts = polypoints(s.data);
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(pts[2].h, 120);
  EXPECT_EQ(pts[2].v, 90);
  const Rect grown{20, 20, 90, 120};
  EXPECT_TRUE(EqualRect(&s.rect, &grown));
  const Rect box = loadat<PolygonHeader>(deref(s.data)).polyBBox;
  EXPECT_TRUE(EqualRect(&box, &grown));
  // The old and new areas were drawn again: the old edge is gone, the new corner shows.
  SetPortWindowPort(current().window);
  EXPECT_FALSE(GetPixel(60, 40)) << "the old edge";
  EXPECT_TRUE(GetPixel(119, 89)) << "the moved corner";
}

TEST_F(ReshapeTest, RotspotOnceRoundGivesThePolygonBack) {
  opencard({graphic(stylepolygon, Rect{100, 100, 140, 200})});
  const std::vector<Point> start{{100, 100}, {100, 200}, {140, 170}, {100, 100}};
  makepolygon(start);
  // Round the centre (120, 150) and back to the click.
  drivemouse({{100, 200}, {150, 220}, {160, 120}, {90, 80}, {80, 160}, {100, 200}});
  EXPECT_EQ(rotspot(list(), 0, Point{100, 200}), 0);
  const spot s = spotat(list(), 0);
  const std::vector<Point> pts = polypoints(s.data);
  ASSERT_EQ(pts.size(), start.size());
  for (std::size_t i = 0; i < pts.size(); ++i) EXPECT_TRUE(EqualPt(pts[i], start[i])) << i;
  const Rect box = loadat<PolygonHeader>(deref(s.data)).polyBBox;
  EXPECT_TRUE(EqualRect(&s.rect, &box));
}

TEST_F(ReshapeTest, RotspotHalfwayKeepsTheRectangleTheBoundingBox) {
  opencard({graphic(stylepolygon, Rect{100, 100, 140, 200})});
  makepolygon({{100, 100}, {100, 200}, {140, 170}, {100, 100}});
  drivemouse({{100, 200}, {160, 180}});
  rotspot(list(), 0, Point{100, 200});
  const spot s = spotat(list(), 0);
  const Rect box = loadat<PolygonHeader>(deref(s.data)).polyBBox;
  EXPECT_TRUE(EqualRect(&s.rect, &box));
  const Rect unturned{100, 100, 140, 200};
  EXPECT_FALSE(EqualRect(&s.rect, &unturned));
}

TEST_F(ReshapeTest, ShapearcReversesInsteadOfSweepingRound) {
  opencard({graphic(stylearc, Rect{0, 50, 50, 100})});
  spot s = spotat(list(), 0);
  graphictail t{};
  t.startangle = 0;
  t.arcangle = 90;
  t.point1 = Point{0, 0};
  t.point2 = Point{100, 100};
  setgraphictail(s, t);
  arcbounds(Rect{0, 0, 100, 100}, 0, 90, &s.rect);
  putspot(list(), 0, s);
  // Points on the circle round (50, 50) at 90 (the far end), 60, 30, 0, 340 and 315 degrees.
  auto on = [](i16 degrees) {
    Point p{};
    arcpoint(Rect{0, 0, 100, 100}, degrees, &p);
    return p;
  };
  drivemouse({on(90), on(60), on(30), on(0), on(340), on(315)});
  EXPECT_EQ(shapearc(list(), 0, on(90), 2), 0);
  s = spotat(list(), 0);
  t = getgraphictail(s);
  EXPECT_EQ(t.startangle, 315);
  EXPECT_EQ(t.arcangle, 45);
  Rect expected{};
  arcbounds(Rect{0, 0, 100, 100}, 315, 45, &expected);
  EXPECT_TRUE(EqualRect(&s.rect, &expected));
}

}  // namespace
}  // namespace kv
