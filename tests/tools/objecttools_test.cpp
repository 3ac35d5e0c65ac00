// The object tools as a user meets them: choosing the pointer, universal, button and field
// tools, clicking and dragging (with the drag command and the driver's mouse), and reading the
// objects' selection, rectangles, the card's pixels and the messages the scripts heard.
#include "tools/objecttools.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/cursor.h"
#include "render/selectionknobs.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/support/eventloop.h"
#include "tools/handletools.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kLocked = 1u << 12;

Object graphic(const std::string& name, Rect r, u16 style = 100) {
  Object g;
  g.kind = Object::graphic;
  g.name = name;
  g.style = style;
  g.rect = r;
  g.showfill = 1;
  return g;
}

Object button(const std::string& name, Rect r, u16 style = 200) {
  Object b;
  b.name = name;
  b.style = style;
  b.rect = r;
  return b;
}

// The messages the object tools send, logged with the object's name.
const std::initializer_list<std::string_view> kToolMessages = {"pointerDown",       "dragGraphic",  "dragButton",
                                                               "resizeGraphic",     "resizeButton", "doubleClickButton",
                                                               "doubleClickGraphic"};

class ObjectToolTest : public EventLoopTest {
 protected:
  // One card over the objects; each object and the card log the tool messages.
  void start(std::vector<Object> objects, const std::string& cardscript = "") {
    testproject::Project p = project();
    testproject::Card& c = p.windows[0].cards[0];
    c.script = logs("", {"cardClick", "pointerDown"}) + cardscript;
    for (Object& o : objects)
      if (o.script.empty()) o.script = logs(o.name, kToolMessages);
    c.objects = objects;
    ASSERT_EQ(openproject(p, "p" + std::to_string(++projects) + ".kv45"), 0);
    // New objects come selected; the tests choose their selection.
    hilitespot(cards(), 1, 0);
    settle();
    clearlog();
  }
  Handle cards() { return mainglobals().current.cardspots; }
  Rect rectof(i16 index) { return spotat(cards(), index).rect; }
  u16 selected(i16 index) { return spotat(cards(), index).selected; }
  void select(i16 index, u32 flags = 0) {
    spot s = spotat(cards(), index);
    s.selected = knobscorners;
    s.flags |= flags;
    putspot(cards(), index, s);
  }
  bool cardchanged() {
    const desk& d = mainglobals().current;
    u16 flag = 0;
    testvir(d.store, i32(d.cardrecid), &flag);
    return flag != 0;
  }
  // The colour of a pixel (local) of the card window.
  u32 pixel(i16 h, i16 v) { return drive::pixelat(drive::windowpixels(mainglobals().current.window), h, v); }
  int projects = 0;
};

std::string rectstring(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// A user selects a button with the pointer tool (its knobs drawn), drags it elsewhere, resizes
// it by its bottom-right knob, and finds it so after the project is closed and opened again.
TEST_F(ObjectToolTest, ThePointerToolMovesAndResizesAButtonThatStaysSo) {
  start({button("OK", Rect{40, 40, 70, 140})});
  ASSERT_EQ(doline("choose pointer tool"), 0);
  const u32 card = pixel(38, 38), far = pixel(138, 98);
  ASSERT_EQ(doline("click at 90,55"), 0);
  EXPECT_EQ(selected(0), knobscorners);
  EXPECT_NE(pixel(38, 38), card) << "the top-left knob";
  EXPECT_NE(pixel(141, 71), card) << "the bottom-right knob";
  EXPECT_EQ(log(), "OK pointerDown,cardClick,");
  clearlog();
  // Away from the click, which a quick second press would make a double click.
  ASSERT_EQ(doline("drag from 100,60 to 200,120"), 0);
  EXPECT_EQ(rectstring(rectof(0)), "140,100,240,130");
  EXPECT_EQ(log(), "OK pointerDown,OK dragButton,");
  EXPECT_EQ(pixel(38, 38), card) << "the old knob is gone";
  EXPECT_NE(pixel(138, 98), far) << "the knob went with the button";
  clearlog();
  ASSERT_EQ(doline("drag from 240,130 to 270,160"), 0);
  EXPECT_EQ(rectstring(rectof(0)), "140,100,270,160");
  EXPECT_EQ(log(), "OK pointerDown,OK resizeButton,");
  EXPECT_EQ(cardvalue("the rect of card button 1"), "140,100,270,160");
  ASSERT_EQ(doline("save"), 0);
  closeallwindows();
  ASSERT_EQ(open("p1.kv45"), 0);
  settle();
  EXPECT_EQ(cardvalue("the rect of card button 1"), "140,100,270,160");
}

// The knobs a click hits: corner squares reach 3 pixels out on the top and left and 2 in, and
// the reverse on the bottom and right; a locked or unselected object has none.
TEST_F(ObjectToolTest, TheKnobsAClickHits) {
  Object line = graphic("L", Rect{100, 100, 150, 200}, 103);
  start({graphic("R", Rect{20, 30, 60, 90}), line, graphic("P", Rect{200, 10, 240, 60}, 104)});
  spot l = spotat(cards(), 1);
  graphictail t = getgraphictail(l);
  t.point1 = Point{100, 100};
  t.point2 = Point{150, 200};
  setgraphictail(l, t);
  l.selected = knobsline;
  putspot(cards(), 1, l);
  spot p = spotat(cards(), 2);
  if (p.data != nilhandle) DisposeHandle(p.data);
  p.data = newpolygon({{200, 10}, {240, 60}, {200, 60}, {200, 10}});
  p.selected = knobspolygon;
  putspot(cards(), 2, p);
  i16 none = 0;
  EXPECT_EQ(ptinhand(cards(), 0, Point{17, 27}, &none), 0) << "unselected";
  select(0);
  struct Row {
    i16 index;
    Point pt;  // v, h
    i16 shape, handle;
  } rows[] = {
      {0, {17, 27}, 1, 1},   {0, {21, 31}, 1, 1},   {0, {17, 26}, 0, 0},  {0, {22, 31}, 0, 0},  {0, {58, 88}, 1, 3},
      {0, {62, 92}, 1, 3},   {0, {60, 93}, 0, 0},   {0, {17, 92}, 1, 2},  {0, {62, 27}, 1, 4},  {1, {98, 98}, 3, 1},
      {1, {152, 202}, 3, 2}, {1, {125, 150}, 0, 0}, {2, {240, 60}, 2, 1}, {2, {201, 61}, 2, 2}, {2, {220, 35}, 0, 0},
  };
  for (const Row& r : rows) {
    i16 handle = -1;
    EXPECT_EQ(ptinhand(cards(), r.index, r.pt, &handle), r.shape) << r.index << " at " << r.pt.h << "," << r.pt.v;
    if (r.shape != 0) {
      EXPECT_EQ(handle, r.handle) << r.index << " at " << r.pt.h << "," << r.pt.v;
    }
  }
  select(0, kLocked);
  i16 handle = 0;
  EXPECT_EQ(ptinhand(cards(), 0, Point{17, 27}, &handle), 0) << "locked";
}

// The universal tool: a corner knob of a selected graphic resizes it; a click without
// movement moves nothing; a double click reports and does not drag; the button tool on a field
// selects nothing and the card hears "cardClick".
TEST_F(ObjectToolTest, TheUniversalAndButtonTools) {
  Object field;
  field.kind = Object::field;
  field.name = "F";
  field.rect = Rect{200, 200, 240, 300};
  start({graphic("G", Rect{20, 20, 60, 80}), graphic("H", Rect{100, 20, 140, 80}), button("B", Rect{20, 200, 50, 300}),
         field});
  ASSERT_EQ(doline("choose tool 600"), 0);
  select(0);
  ASSERT_EQ(doline("drag from 80,60 to 100,80"), 0);
  EXPECT_EQ(rectstring(rectof(0)), "20,20,100,80");
  EXPECT_EQ(log(), "G pointerDown,G resizeGraphic,");
  EXPECT_EQ(selected(1), 0) << "nothing else is selected";
  clearlog();

  ASSERT_EQ(doline("click at 50,120"), 0);
  EXPECT_EQ(rectstring(rectof(1)), "20,100,80,140");
  EXPECT_EQ(selected(1), knobscorners);
  EXPECT_EQ(selected(0), 0);
  EXPECT_EQ(log(), "H pointerDown,");
  clearlog();

  drive::advance(2 * GetDblTime());
  drive::doubleClick(at(250, 35));
  settle();
  EXPECT_EQ(log(), "B pointerDown,B doubleClickButton,");
  EXPECT_EQ(rectstring(rectof(2)), "200,20,300,50");
  clearlog();

  ASSERT_EQ(doline("choose button tool"), 0);
  ASSERT_EQ(doline("click at 250,220"), 0);
  EXPECT_EQ(log(), "cardClick,");
  for (i16 i = 0; i < 4; ++i) EXPECT_EQ(selected(i), 0) << i;
}

// Of three selected graphics one is locked: a drag on another moves the two unlocked ones; a
// drag on the locked one moves them too, marks the card changed and reports no drag.
TEST_F(ObjectToolTest, LockedObjectsStayWhileTheSelectionMoves) {
  start({graphic("A", Rect{20, 20, 40, 40}), graphic("B", Rect{20, 60, 40, 80}), graphic("C", Rect{20, 100, 40, 120})});
  ASSERT_EQ(doline("choose pointer tool"), 0);
  select(0);
  select(1, kLocked);
  select(2);
  ASSERT_EQ(doline("drag from 30,30 to 40,50"), 0);
  EXPECT_EQ(rectstring(rectof(0)), "30,40,50,60");
  EXPECT_EQ(rectstring(rectof(1)), "60,20,80,40");
  EXPECT_EQ(rectstring(rectof(2)), "110,40,130,60");
  EXPECT_EQ(log(), "A pointerDown,A dragGraphic,");
  clearlog();
  ASSERT_EQ(doline("save"), 0);
  ASSERT_EQ(doline("drag from 70,30 to 80,35"), 0);
  EXPECT_EQ(rectstring(rectof(0)), "40,45,60,65");
  EXPECT_EQ(rectstring(rectof(1)), "60,20,80,40");
  EXPECT_EQ(rectstring(rectof(2)), "120,45,140,65");
  EXPECT_EQ(log(), "B pointerDown,");
  EXPECT_TRUE(cardchanged());
}

// A far drag cannot wrap an object round the 16-bit plane: it stops at the plane's edge.
TEST_F(ObjectToolTest, AFarDragStopsAtThePlanesEdge) {
  start({graphic("A", Rect{20, 20, 40, 40})});
  ASSERT_EQ(doline("choose pointer tool"), 0);
  select(0);
  mainglobals().dragSpeed = 0;
  toolstate() = ToolState{};
  toolstate().sender = senderDrag;
  toolstate().butdown = toolstate().sendfirst = 1;
  toolstate().startpt = Point{30, 30};
  toolstate().finishpt = Point{32767, 32767};
  EXPECT_EQ(dragspot(cards(), 0, Point{30, 30}), -1);
  const Rect r = rectof(0);
  EXPECT_GT(r.left, 0);
  EXPECT_GT(r.top, 0);
  EXPECT_EQ(r.right, 32767);
}

// Shift-clicks, the selection rectangle and its cursor.
TEST_F(ObjectToolTest, ShiftClicksAndTheSelectionRectangle) {
  start({graphic("A", Rect{20, 20, 40, 40}), graphic("B", Rect{20, 60, 40, 80})});
  ASSERT_EQ(doline("choose pointer tool"), 0);
  select(0);
  ASSERT_EQ(doline("click at 30,30 with shiftKey"), 0);
  EXPECT_EQ(selected(0), 0);
  EXPECT_EQ(log(), "A pointerDown,cardClick,");
  clearlog();

  SetCursor(&arrowcursor());
  ASSERT_EQ(doline("drag from 10,10 to 80,40"), 0);
  EXPECT_EQ(selected(0), 0) << "touching edges select nothing";
  EXPECT_EQ(selected(1), 0);
  EXPECT_EQ(log(), "pointerDown,cardClick,");
  Cursor now = currentcursor();
  EXPECT_NE(std::memcmp(&now, &arrowcursor(), sizeof now), 0) << "the marquee's cursor";
  clearlog();
  ASSERT_EQ(doline("drag from 10,10 to 50,50"), 0);
  EXPECT_EQ(selected(0), knobscorners);
  EXPECT_EQ(selected(1), 0);
  ASSERT_EQ(doline("drag from 10,10 to 90,50 with shiftKey"), 0);
  EXPECT_EQ(selected(0), 0) << "swapped";
  EXPECT_EQ(selected(1), knobscorners);
  ASSERT_EQ(doline("drag from 10,10 to 50,50"), 0);
  EXPECT_EQ(selected(0), knobscorners) << "without shift the others leave the selection";
  EXPECT_EQ(selected(1), 0);

  SetCursor(&arrowcursor());
  mainglobals().lockCursor = 1;
  ASSERT_EQ(doline("drag from 200,200 to 250,250"), 0);
  now = currentcursor();
  EXPECT_EQ(std::memcmp(&now, &arrowcursor(), sizeof now), 0) << "lockCursor keeps the cursor";
  mainglobals().lockCursor = 0;
}

// The driver's release falls due while the "pointerDown" handler runs: the knob click ends
// without reshaping; a drag held through the handler resizes.
TEST_F(ObjectToolTest, AReleaseDuringPointerDownEndsTheKnobClick) {
  Object g = graphic("G", Rect{20, 20, 60, 80});
  g.script = "on pointerDown\n  put 0 into x\n  repeat 3000\n    add 1 to x\n  end repeat\nend pointerDown\n" +
             logs("G", {"resizeGraphic"});
  start({g});
  ASSERT_EQ(doline("choose pointer tool"), 0);
  select(0);
  drive::click(at(80, 60));
  drive::moveTo(at(120, 90));
  settle();
  EXPECT_EQ(rectstring(rectof(0)), "20,20,80,60");
  EXPECT_EQ(log(), "");
  drive::drag(at(80, 60), at(100, 70), 8);
  settle();
  EXPECT_EQ(rectstring(rectof(0)), "20,20,100,70");
  EXPECT_EQ(log(), "G resizeGraphic,");
}

// Resizing platform-control buttons keeps their style's sizes.
TEST_F(ObjectToolTest, ControlButtonsKeepTheirSizes) {
  constexpr u32 kControl = 1u << 21;
  Object progress = button("P", Rect{20, 20, 35, 120}, 214);
  Object arrows = button("C", Rect{100, 20, 120, 40}, 218);
  Object bar = button("S", Rect{200, 20, 215, 200}, 213);
  Object bevel = button("V", Rect{20, 300, 50, 360}, 205);
  for (Object* o : {&progress, &arrows, &bar, &bevel}) o->setflags = kControl;
  start({progress, arrows, bar, bevel});
  ASSERT_EQ(doline("choose pointer tool"), 0);
  struct Row {
    i16 index;
    const char* drag;
    const char* rect;
  } rows[] = {
      {0, "drag from 120,35 to 150,70", "20,20,150,35"},
      {1, "drag from 40,120 to 90,170", "20,100,52,132"},
      {2, "drag from 200,215 to 230,260", "20,200,230,215"},
      {3, "drag from 360,50 to 380,90", "300,20,380,90"},
  };
  for (const Row& r : rows) {
    select(r.index);
    ASSERT_EQ(doline(r.drag), 0);
    EXPECT_EQ(rectstring(rectof(r.index)), r.rect) << r.drag;
    hilitespot(cards(), 1, 0);
  }
  // A large progress bar (size option 2) keeps a height of 20 instead.
  ASSERT_EQ(doline("set the buttonSize of card button 1 to large"), 0);
  select(0);
  ASSERT_EQ(doline("drag from 150,35 to 180,90"), 0);
  EXPECT_EQ(rectstring(rectof(0)), "20,20,180,40");
}

}  // namespace
}  // namespace kv
