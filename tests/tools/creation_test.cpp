// Creating objects by dragging, as a user does it: a drawing, button or field tool chosen by
// script, a drag (or click) with the driver's mouse and keys, and the new objects read back by
// script with the "new" messages their card heard.
#include "tools/creation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/testing/driver.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Object;

class CreationTest : public EventLoopTest {
 protected:
  // One card whose script logs each "new" message with the id of the object it went to.
  void start(std::vector<Object> objects = {}) {
    testproject::Project p = project();
    testproject::Card& c = p.windows[0].cards[0];
    c.script.clear();
    for (const char* m : {"newGraphic", "newButton", "newField"})
      c.script += std::string("on ") + m + "\n  global log\n  put \"" + m +
                  " \" & the id of the target & \",\" after log\nend " + m + "\n";
    c.objects = std::move(objects);
    ASSERT_EQ(openproject(p, "p" + std::to_string(++projects) + ".kv45"), 0);
    settle();
    clearlog();
  }
  // The tool chosen, then a drag between two card points in six steps with the keys held until
  // after the release (the next press lets them go).
  void drag(int tool, Point from, Point to, u16 modifiers = 0) {
    ASSERT_EQ(doline("choose tool " + std::to_string(tool)), 0);
    drive::advance(60);
    drive::mouseDown(at(from.h, from.v), modifiers);
    for (int k = 1; k <= 6; ++k) {
      drive::advance(3);
      drive::moveTo(at(i16(from.h + (to.h - from.h) * k / 6), i16(from.v + (to.v - from.v) * k / 6)));
    }
    // The mouse rests at its end before the release, the keys let go after it.
    drive::advance(10);
    drive::mouseUp(modifiers);
    settle();
  }
  void click(int tool, Point where) {
    ASSERT_EQ(doline("choose tool " + std::to_string(tool)), 0);
    drive::advance(60);
    drive::click(at(where.h, where.v));
    settle();
  }
  i32 count() { return spotcount(mainglobals().current.cardspots); }
  spot last() { return spotat(mainglobals().current.cardspots, count() - 1); }
  // A property of the card's newest object of a kind ("graphic", "button", "field").
  std::string newest(const std::string& property, const std::string& kind) {
    return cardvalue("the " + property + " of last card " + kind);
  }
  int projects = 0;
};

// Points are written (v, h) as the drawing layer takes them.
constexpr Point P(i16 h, i16 v) { return Point{v, h}; }

TEST_F(CreationTest, ShapesTakeTheDraggedGeometry) {
  Object old;
  old.kind = Object::graphic;
  old.rect = Rect{300, 500, 320, 520};
  start({old});
  const u32 oldid = spotat(mainglobals().current.cardspots, 0).id;

  // A horizontal line keeps its zero height; a click without moving makes nothing.
  drag(202, P(50, 50), P(150, 50));
  ASSERT_EQ(count(), 2);
  EXPECT_EQ(newest("style", "graphic"), "line");
  EXPECT_EQ(newest("rect", "graphic"), "50,50,150,50");
  EXPECT_EQ(u16(last().selected), 3);
  const u32 first = last().id;
  EXPECT_GE(first, 100u);
  EXPECT_GT(first, oldid);
  click(202, P(200, 200));
  EXPECT_EQ(count(), 2);
  // The straight-line tool holds the line on its axis without Shift.
  drag(201, P(50, 80), P(150, 95));
  EXPECT_EQ(newest("rect", "graphic"), "50,80,150,80");

  // With Shift, 50 right and 30 up makes a 30 x 30 square on the mouse-down corner.
  drag(203, P(100, 200), P(150, 170), shiftKey);
  EXPECT_EQ(newest("style", "graphic"), "rectangle");
  EXPECT_EQ(newest("rect", "graphic"), "100,170,130,200");

  // Arcs: down and right start at 12 o'clock, up and left at 6, a quarter each.
  drag(207, P(200, 50), P(260, 90));
  EXPECT_EQ(newest("style", "graphic"), "arc");
  EXPECT_EQ(newest("rect", "graphic"), "200,50,260,90");
  EXPECT_EQ(newest("startAngle", "graphic") + " " + newest("arcAngle", "graphic"), "0 90");
  drag(207, P(400, 200), P(350, 150));
  EXPECT_EQ(newest("rect", "graphic"), "350,150,400,200");
  EXPECT_EQ(newest("startAngle", "graphic") + " " + newest("arcAngle", "graphic"), "180 90");

  // Each object got the next id and its message once.
  std::string heard;
  for (u32 id = first; id < first + 5; ++id) heard += "newGraphic " + std::to_string(id) + ",";
  EXPECT_EQ(log(), heard);
  EXPECT_EQ(u32(last().id), first + 4);
}

TEST_F(CreationTest, AnOptionButtonKeepsItsSizeCentredOnTheMouse) {
  start();
  auto pixel = [&](i16 h, i16 v) { return drive::pixelat(drive::windowpixels(mainglobals().current.window), h, v); };
  const u32 card = pixel(266, 190);
  // The button tool draws out a push button with the command key; with Option its size is fixed.
  drag(603, P(300, 200), P(100, 150), cmdKey | optionKey);
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(pixel(266, 190), card) << "the outline shown at the press is gone";
  EXPECT_EQ(newest("style", "button"), "rectangle");
  EXPECT_EQ(newest("rect", "button"), "66,140,135,160");
  drag(603, P(10, 10), P(400, 300), cmdKey | optionKey);
  EXPECT_EQ(newest("rect", "button"), "366,290,435,310");
  // Without Option the button is the dragged rectangle.
  drag(603, P(10, 10), P(400, 300), cmdKey);
  EXPECT_EQ(newest("rect", "button"), "10,10,400,300");
  EXPECT_EQ(log(), "newButton 100,newButton 101,newButton 102,");
}

TEST_F(CreationTest, ButtonKindsTakeTheirStylesAndDataProperties) {
  start();
  struct Row {
    int tool;
    const char* style;
    const char* property;  // the data property a new one defines, or ""
  } rows[] = {{406, "popupMenu", "popupData"}, {411, "tabs", "tabData"}, {414, "scrollBar", ""}};
  i16 h = 10;
  for (const Row& r : rows) {
    drag(r.tool, P(h, 20), P(i16(h + 60), 50));
    EXPECT_EQ(newest("style", "button"), r.style) << r.tool;
    EXPECT_EQ(newest("userProperties", "button"), r.property) << r.tool;
    h = i16(h + 80);
  }
}

TEST_F(CreationTest, FieldsAreDraggedOutBeyondSixteenPixels) {
  start();
  drag(500, P(10, 10), P(25, 25));
  EXPECT_EQ(count(), 0) << "within 16 pixels";
  EXPECT_EQ(log(), "");
  drag(500, P(10, 10), P(210, 110));
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(newest("rect", "field"), "10,10,210,110");
  EXPECT_EQ(newest("showFrame", "field") + " " + newest("showPen", "field"), "true false");
  EXPECT_EQ(u16(last().selected), 0);
  EXPECT_EQ(log(), "newField 100,");
  EXPECT_EQ(newest("style", "field"), "rectangle");
  drag(501, P(10, 150), P(210, 250));
  EXPECT_EQ(newest("style", "field"), "scrolling");
  drag(502, P(250, 10), P(400, 110));
  EXPECT_EQ(u16(last().style), stylefieldlist);
  drag(503, P(250, 150), P(400, 250));
  EXPECT_EQ(u16(last().style), stylefieldscrolllist);
  EXPECT_EQ(count(), 4);
  // Empty and typed into, a field takes the global text settings.
  ASSERT_EQ(doline("put \"abc\" into card field 1"), 0);
  EXPECT_EQ(cardvalue("card field 1"), "abc");
}

TEST_F(CreationTest, TheTextToolTypesIntoTextGraphics) {
  start();
  MainGlobals& g = mainglobals();
  drag(200, P(50, 100), P(150, 100));
  ASSERT_EQ(count(), 1);
  const spot made = last();
  EXPECT_EQ(u16(made.style), styletext);
  EXPECT_EQ(i16(made.rect.left), 50);
  EXPECT_EQ(i16(made.rect.right), 150);
  EXPECT_LT(i16(made.rect.top), 100);
  EXPECT_GT(i16(made.rect.bottom), 100);
  EXPECT_EQ(g.graphindex, 0) << "typing starts in the new text graphic";
  EXPECT_EQ(log(), "newGraphic 100,");
  clearlog();
  // A click inside it while typing goes to its text.
  click(200, P(70, 100));
  EXPECT_EQ(g.graphindex, 0);
  EXPECT_EQ(count(), 1);
  // A click elsewhere ends the typing and, released within 10 pixels, makes nothing.
  drag(200, P(300, 300), P(309, 309));
  EXPECT_EQ(g.graphindex, -1);
  EXPECT_EQ(count(), 1);
  // A click on the text graphic starts typing in it again.
  click(200, P(60, 100));
  EXPECT_EQ(g.graphindex, 0);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(log(), "");
  // A narrow drag is widened to the widest character.
  drag(200, P(300, 200), P(312, 220));
  ASSERT_EQ(count(), 2);
  EXPECT_GE(last().rect.right - last().rect.left, 12);
  ASSERT_EQ(doline("choose browse tool"), 0);
  EXPECT_EQ(g.graphindex, -1);
}

TEST_F(CreationTest, PolygonsAndFreehandShapes) {
  start();
  // A free shape follows the mouse and closes back on its start while showFill is on.
  ASSERT_EQ(doline("choose tool 208"), 0);
  drive::advance(60);
  drive::mouseDown(at(20, 20));
  for (Point p : {P(60, 20), P(60, 70), P(20, 70)}) {
    drive::advance(3);
    drive::moveTo(at(p.h, p.v));
  }
  drive::advance(3);
  drive::mouseUp();
  settle();
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(newest("style", "graphic"), "polygon");
  EXPECT_EQ(newest("rect", "graphic"), "20,20,60,70");
  EXPECT_EQ(newest("points", "graphic"), "20,20,60,20,60,70,20,70,20,20");
  // A click without a drag leaves nothing.
  click(208, P(200, 200));
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(log(), "newGraphic 100,");
  clearlog();

  // A polygon button is clicked out point by point; the double click ends it, closed.
  ASSERT_EQ(doline("choose tool 401"), 0);
  drive::advance(60);
  const std::vector<Point> pts{P(230, 30), P(270, 30), P(270, 60), P(270, 60)};
  // Each press held a little, as a hand does, the mouse moving on while it is down.
  for (size_t i = 0; i < pts.size(); ++i) {
    drive::moveTo(at(pts[i].h, pts[i].v));
    drive::advance(8);
    drive::mouseDown(at(pts[i].h, pts[i].v));
    drive::advance(4);
    if (i + 1 < pts.size()) drive::moveTo(at(pts[i + 1].h, pts[i + 1].v));
    drive::advance(4);
    drive::mouseUp();
  }
  settle();
  ASSERT_EQ(count(), 2);
  EXPECT_EQ(newest("style", "button"), "polygon");
  EXPECT_EQ(newest("rect", "button"), "230,30,270,60");
  EXPECT_EQ(newest("points", "button"), "230,30,270,30,270,60,230,30");
  EXPECT_EQ(log(), "newButton 101,");
}

TEST_F(CreationTest, ARefusedMemoryRequestMakesNothing) {
  start();
  mainglobals().memplentiful = 0;
  setmemoryguardrefusal(true);
  const i16 st = createdrawrect(mainglobals().current.cardspots, P(10, 10), 1);
  setmemoryguardrefusal(false);
  EXPECT_EQ(st, 37);
  EXPECT_EQ(count(), 0);
}

}  // namespace
}  // namespace kv
