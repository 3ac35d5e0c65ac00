// Shape geometry (stepping a simulated drag, the axis lock, horizontal or vertical lines), the
// rubber-band polygon on the driver's mouse, and typing into a text graphic.
#include "tools/textgraphic.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/testing/driver.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/windows.h"
#include "tools/shapegeometry.h"

namespace kv {
namespace {

using testproject::Object;

TEST(ShapeGeometry, SteppingAlongALine) {
  const Point start{0, 0}, end{3, 10};  // v, h
  Point pt = start;
  std::vector<std::pair<int, int>> visits;
  std::vector<int> answers;
  for (int i = 0; i < 3; ++i) {
    answers.push_back(stepoint(start, end, &pt, 4));
    visits.emplace_back(pt.h, pt.v);
  }
  EXPECT_EQ(visits, (std::vector<std::pair<int, int>>{{4, 1}, {8, 2}, {10, 3}}));
  EXPECT_EQ(answers, (std::vector<int>{1, 1, 0}));
  Point still = start;
  EXPECT_EQ(stepoint(start, start, &still, 4), 0);
  // A steeper line steps along its vertical.
  Point up{0, 0};
  EXPECT_EQ(stepoint(Point{0, 0}, Point{-8, 2}, &up, 5), 1);
  EXPECT_EQ(up.v, -5);
  EXPECT_EQ(up.h, 1);
}

TEST(ShapeGeometry, AxisLockAndStraightLines) {
  mainglobals().event.modifiers = shiftKey;
  const Point anchor{100, 100};
  i16 axis = 0;
  Point pt{101, 101};
  constrain(anchor, &pt, &axis);
  EXPECT_EQ(pt.h, 100);
  EXPECT_EQ(pt.v, 100);
  EXPECT_EQ(axis, 0) << "not decided within a pixel";
  pt = Point{103, 105};
  constrain(anchor, &pt, &axis);
  EXPECT_EQ(axis, 2);
  EXPECT_EQ(pt.v, 100);
  mainglobals().event.modifiers = 0;
  pt = Point{140, 102};
  constrain(anchor, &pt, &axis);
  EXPECT_EQ(pt.v, 100) << "the axis holds without Shift";
  EXPECT_EQ(pt.h, 102);
  // Equal width and height hold the horizontal: a vertical line.
  Point square{110, 110};
  shiftpoint(anchor, &square, true);
  EXPECT_EQ(square.h, 100);
  EXPECT_EQ(square.v, 110);
  // A reference rectangle without height: the proportional rule falls back to the axis lock.
  mainglobals().event.modifiers = shiftKey | cmdKey;
  i16 flat = 0;
  Point resize{130, 150};
  procon(anchor, Point{100, 160}, &resize, &flat);
  EXPECT_EQ(flat, 1);
  EXPECT_EQ(resize.h, 160);
  mainglobals().event.modifiers = 0;
}

class TextGraphicTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{60, 60, 360, 460};
    w.backgrounds.push_back(testproject::Background{"Bg", "", {}});
    testproject::Card c;
    c.objects = {
        Object{.kind = Object::graphic, .name = "t", .text = "one", .rect = {100, 100, 140, 300}, .style = 106}};
    w.cards.push_back(c);
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    SetPortWindowPort(current().window);
  }
  void TearDown() override {
    putdowngraph();
    WindowTest::TearDown();
  }
  i16 height() { return i16(spotat(current().cardspots, 0).rect.bottom - spotat(current().cardspots, 0).rect.top); }
};

TEST_F(TextGraphicTest, ASecondLineMakesTheGraphicTallerAndDeletingItShorter) {
  putupgraph(current().cardspots, 0);
  ASSERT_EQ(mainglobals().graphindex, 0);
  graphkey('x');
  const i16 one = height();
  graphkey(13);
  graphkey('y');
  EXPECT_EQ(height(), one + 13);
  graphkey(8);
  graphkey(8);
  EXPECT_EQ(height(), one);
}

TEST_F(TextGraphicTest, ARubberBandPolygonClosesOntoItsStart) {
  const Point origin{60, 60};  // the window's top left on the screen
  auto at = [&](i16 h, i16 v) { return Point{i16(origin.v + v), i16(origin.h + h)}; };
  // Each press held a little, as a hand does, and a pause between the points.
  auto press = [&](Point p) {
    drive::moveTo(p);
    drive::advance(10);
    drive::mouseDown(p);
    drive::advance(10);
    drive::mouseUp();
    drive::advance(30);
  };
  // The press that started the polygon is under way when it starts.
  drive::mouseDown(at(50, 50));
  drive::advance(10);
  drive::mouseUp();
  drive::advance(30);
  press(at(150, 60));
  press(at(120, 160));
  press(at(53, 47));
  ASSERT_TRUE(Button()) << "the starting press is down";
  PenMode(patXor);
  PolyHandle poly = linepoly(Point{50, 50}, false);
  ASSERT_NE(poly, nilhandle);
  const PolygonHeader h = loadat<PolygonHeader>(deref(poly));
  std::vector<std::pair<int, int>> points;
  for (int i = 0; 10 + 4 * i < GetHandleSize(poly); ++i) {
    const Point p = loadat<Point>(deref(poly) + 10 + 4 * i);
    points.emplace_back(p.h, p.v);
  }
  DisposeHandle(poly);
  EXPECT_EQ(h.polySize, 10 + 4 * 4);
  EXPECT_EQ(points, (std::vector<std::pair<int, int>>{{50, 50}, {150, 60}, {120, 160}, {50, 50}}));
  EXPECT_EQ(i16(h.polyBBox.right), 150);
  EXPECT_EQ(i16(h.polyBBox.bottom), 160);
}

}  // namespace
}  // namespace kv
