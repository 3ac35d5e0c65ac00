// The object and palette commands as scripts use them: group and ungroup, rotate and reshape
// handles, rotating a polygon, grab with the driver's mouse, pick, and cycling the colours of
// an 8-bit screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands/objectcommands.h"
#include "engine/geometry.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/events/events.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "render/objectbounds.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/support/windows.h"
#include "platform/drag/drag.h"
#include "tools/dragdata.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

constexpr Rect kA{10, 10, 40, 60}, kB{50, 80, 90, 140}, kButton{100, 20, 130, 60};

Object graphic(std::string name, Rect r, u16 style = 100) {
  Object o;
  o.kind = Object::graphic;
  o.name = std::move(name);
  o.rect = r;
  o.style = style;
  return o;
}

Object button(std::string name, Rect r, std::string script = "") {
  Object o;
  o.name = std::move(name);
  o.rect = r;
  o.style = 200;
  o.script = std::move(script);
  return o;
}

// The data part of a polygon graphic: its header and points in memory order.
std::vector<u8> polygondata(const std::vector<Point>& pts) {
  PolyHandle h = newpolygon(pts);
  std::vector<u8> bytes(deref(h), deref(h) + GetHandleSize(h));
  DisposeHandle(h);
  return bytes;
}

const std::vector<Point> kTriangle{{20, 100}, {60, 140}, {60, 60}};

// One window of one card: graphics A and B, buttons C and D, polygon "p", arc "a".
Project objects(std::string script = "") {
  Project p;
  testproject::Window w;
  w.name = "Main";
  w.rect = Rect{100, 100, 460, 640};
  w.backgrounds = {testproject::Background{"Plain", "", {}}};
  testproject::Card c;
  Object poly = graphic("p", Rect{20, 60, 60, 140}, 104);
  poly.data = polygondata(kTriangle);
  c.objects = {graphic("A", kA),
               graphic("B", kB),
               button("C", kButton, script),
               button("D", Rect{140, 20, 170, 60}),
               poly,
               graphic("a", Rect{200, 200, 260, 260}, 107)};
  w.cards = {c};
  p.windows.push_back(w);
  testproject::Window other = w;
  other.name = "Other";
  other.rect = Rect{120, 300, 400, 600};
  p.windows.push_back(other);
  return p;
}

class ObjectCommandsTest : public WindowTest {
 protected:
  void openobjects(std::string script = "") {
    build(objects(std::move(script)));
    ASSERT_EQ(open(), 0);
  }
  Handle list() { return mainglobals().current.cardspots; }
  i32 count() { return spotcount(list()); }
  spot at(i32 i) { return spotat(list(), i); }
  i32 named(std::string_view name) {
    for (i32 i = 0; i < count(); ++i) {
      Handle n = at(i).name;
      if (n != nilhandle &&
          std::string_view(reinterpret_cast<const char*>(deref(n)), std::size_t(GetHandleSize(n))) == name)
        return i;
    }
    return -1;
  }
  // Selects exactly the objects named.
  void select(std::initializer_list<std::string_view> names) {
    for (i32 i = 0; i < count(); ++i) {
      spot s = at(i);
      s.selected = 0;
      putspot(list(), i, s);
    }
    for (std::string_view n : names) {
      const i32 i = named(n);
      ASSERT_GE(i, 0) << n;
      spot s = at(i);
      s.selected = 1;
      putspot(list(), i, s);
    }
  }
  u16 cardchanged() {
    u16 changed = 0;
    EXPECT_EQ(testvir(current().store, i32(current().cardrecid), &changed), 0);
    return changed;
  }
  void reopen() {
    closeallwindows();
    ASSERT_EQ(open(), 0);
  }
  // The mouse-down that a handler running grab would have been sent for.
  static void takemousedown() {
    EventRecord e{};
    ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 60));
  }
  static Point centre(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }
};

TEST_F(ObjectCommandsTest, GroupTakesTheSelectedGraphicsAndDeselectsTheRest) {
  openobjects();
  select({"A", "B", "C", "D"});
  const u32 ida = at(named("A")).id, idb = at(named("B")).id;
  ASSERT_EQ(cardchanged(), 0);
  ASSERT_EQ(failingline("group"), 0);
  ASSERT_EQ(count(), 5) << "A and B left the list for the group";
  EXPECT_EQ(at(named("C")).selected, 0);
  EXPECT_EQ(at(named("D")).selected, 0);
  const spot g = at(count() - 1);
  EXPECT_EQ(g.style, stylegroup);
  EXPECT_NE(u32(g.flags) & (1u << 27), 0u);
  for (i32 i = 0; i + 1 < count(); ++i) EXPECT_NE(u32(at(i).id), u32(g.id));
  Rect bounds{};
  calcbounds(g.data, &bounds, 2);
  EXPECT_EQ(g.rect, bounds);
  Rect both{};
  UnionRect(&kA, &kB, &both);
  EXPECT_TRUE(rectinrect(Rect{both.top, both.left, i16(both.bottom - 1), i16(both.right - 1)}, g.rect));
  ASSERT_EQ(spotcount(g.data), 2);
  EXPECT_EQ(u32(spotat(g.data, 0).id), ida);
  EXPECT_EQ(u32(spotat(g.data, 1).id), idb);
  EXPECT_EQ(cardchanged(), 1);
}

TEST_F(ObjectCommandsTest, GroupOfOneGraphicMakesNothingAndWordsAfterItAreRefused) {
  openobjects();
  select({"A", "C", "D"});
  ASSERT_EQ(failingline("group"), 0);
  EXPECT_EQ(count(), 6);
  EXPECT_EQ(at(named("A")).selected, 1);
  EXPECT_EQ(at(named("C")).selected + at(named("D")).selected, 0);
  EXPECT_EQ(cardchanged(), 0) << "no group made";
  EXPECT_EQ(failingline("group x"), 19);
}

TEST_F(ObjectCommandsTest, UngroupedMembersComeBackSelectedWithNewIdsAndStay) {
  openobjects();
  select({"A", "B", "p"});
  ASSERT_EQ(failingline("group"), 0);
  const spot g = at(count() - 1);
  std::vector<u32> memberids;
  for (i32 i = 0; i < spotcount(g.data); ++i) memberids.push_back(u32(spotat(g.data, i).id));
  select({});
  spot s = at(count() - 1);
  s.selected = 1;
  putspot(list(), count() - 1, s);
  ASSERT_EQ(failingline("ungroup"), 0);
  ASSERT_EQ(count(), 6);
  for (i32 i = 3; i < 6; ++i) {
    EXPECT_NE(at(i).selected, 0) << i;
    for (u32 old : memberids) EXPECT_NE(u32(at(i).id), old) << "a new id";
    for (i32 j = 0; j < 3; ++j) EXPECT_NE(u32(at(i).id), u32(at(j).id));
  }
  EXPECT_EQ(cardchanged(), 1) << "ungroup marks its record changed";
  reopen();
  ASSERT_EQ(count(), 6);
  for (i32 i = 3; i < 6; ++i) EXPECT_NE(at(i).style, stylegroup);
  EXPECT_EQ(at(5).style, stylepolygon);
}

TEST_F(ObjectCommandsTest, RotateAndReshapeHandles) {
  openobjects();
  select({"p", "a", "A"});
  ASSERT_EQ(failingline("rotate polygon"), 0);
  EXPECT_EQ(at(named("p")).selected, 4);
  EXPECT_EQ(at(named("A")).selected, 1) << "only polygons";
  ASSERT_EQ(failingline("reshape polygon"), 0);
  EXPECT_EQ(at(named("p")).selected, 2);
  ASSERT_EQ(failingline("reshape arc"), 0);
  EXPECT_EQ(at(named("a")).selected, 5);
  EXPECT_EQ(at(named("A")).selected, 1);
  failrows({{"reshape arc x", "", "error 19"},
            {"reshape foo", "", "error 2"},
            {"reshape window", "", ""},
            {"rotate oval", "", "error 2"},
            {"rotate polygon graphic \"A\", 10", "", "error 218"},
            {"rotate polygon graphic \"p\" 10", "", "error 39"},
            {"rotate polygon graphic \"p\", 1.5", "", "error 9"},
            {"rotate polygon graphic \"p\", 10 x", "", "error 19"}});
}

TEST_F(ObjectCommandsTest, RotatingAPolygonByAnAngleIsKept) {
  openobjects();
  ASSERT_EQ(failingline("rotate polygon graphic \"p\", 370"), 0);
  PolyHandle original = newpolygon(kTriangle);
  PolyHandle expected = rotatepoly(original, 10);
  const spot p = at(named("p"));
  const std::vector<Point> want = polypoints(expected), got = polypoints(p.data);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(got[i].h == want[i].h && got[i].v == want[i].v) << i;
  EXPECT_EQ(p.rect, loadat<PolygonHeader>(deref(expected)).polyBBox);
  EXPECT_NE(p.rect, (Rect{20, 60, 60, 140}));
  DisposeHandle(original);
  DisposeHandle(expected);
  reopen();
  EXPECT_EQ(at(named("p")).rect, p.rect) << "the rotation was written back";
}

TEST_F(ObjectCommandsTest, GrabStopsAtTheLimit) {
  openobjects();
  const Point from = toglobal(centre(kButton));
  drive::drag(from, Point{from.v, i16(from.h + 300)}, 30);
  takemousedown();
  ASSERT_EQ(failingline("grab button \"C\" within 0,0,200,200"), 0);
  const Rect r = at(named("C")).rect;
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.left, 160) << "its width kept";
  EXPECT_EQ(r.top, kButton.top);
  EXPECT_EQ(cardchanged(), 1);
}

TEST_F(ObjectCommandsTest, GrabWithMessageAndAHandlerThatPutsItBack) {
  openobjects("on mouseStillDown\n  global moves\n  add 1 to moves\n  exit to kestrove\nend mouseStillDown");
  const Point from = toglobal(centre(kButton));
  drive::drag(from, Point{from.v, i16(from.h + 50)}, 5);
  takemousedown();
  ASSERT_EQ(failingline("grab button \"C\" with message"), 0);
  EXPECT_GE(std::atoi(global("moves").c_str()), 1) << "each move sent mouseStillDown";
  EXPECT_EQ(at(named("C")).rect, kButton) << "every move put back";
}

TEST_F(ObjectCommandsTest, GrabLimitsAreWidenedAndEmptyOnesRefused) {
  openobjects();
  drive::mouseDown(toglobal(centre(kButton)));
  drive::mouseUp();
  // A limit 10 wide for a 40-wide button widens to -15..25; the button moves there at once.
  ASSERT_EQ(failingline("grab button \"C\" within 0,0,10,200"), 0);
  EXPECT_EQ(at(named("C")).rect.left, -15);
  EXPECT_EQ(at(named("C")).rect.right, 25);
  EXPECT_EQ(failingline("grab button \"C\" within 5,5,5,5"), 66);
  EXPECT_EQ(failingline("grab button \"C\" with foo"), 2);
  EXPECT_EQ(failingline("grab this card"), 0) << "not an object of the card: nothing to grab";
  EXPECT_EQ(failingline("grab button 99"), 11);
  Rect r{0, 0, 30, 100};
  clampRect(&r, Rect{10, 10, 20, 20});
  EXPECT_EQ(r, (Rect{-10, -80, 20, 20})) << "right and bottom edges win";
}

TEST_F(ObjectCommandsTest, GrabWithinMovesTheCardViewWithTheHand) {
  openobjects();
  ASSERT_EQ(failingline("set the backSize of bkgnd 1 to 2000,2000"), 0);
  ASSERT_EQ(failingline("set the scroll of this window to 10,10"), 0);
  // The hand moves 100 pixels left and 5 up: the view goes right and down, pinned to 0..30.
  const Point from = toglobal(Point{100, 200});
  drive::drag(from, Point{i16(from.v - 5), i16(from.h - 100)}, 10);
  takemousedown();
  ASSERT_EQ(failingline("grab within 0,0,30,30"), 0);
  EXPECT_EQ(GetControl32BitValue(current().hscroll), 30);
  EXPECT_EQ(GetControl32BitValue(current().vscroll), 15);
  // An empty rectangle keeps the view where it was.
  drive::drag(from, Point{from.v, i16(from.h + 100)}, 10);
  takemousedown();
  ASSERT_EQ(failingline("grab within 0,0,0,0"), 0);
  EXPECT_EQ(GetControl32BitValue(current().hscroll), 30);
}

// What pick dragged: the 'MDOX' references dragData gives during each drag.
std::vector<std::string> picked;
OSErr pickprobe(DragTrackingMessage m, WindowRef, u32, DragRef) {
  if (m != kDragTrackingEnterHandler) return noErr;
  Handle refs = GetDragData(1, 0x4D444F58, 0);
  picked.emplace_back(refs ? std::string(reinterpret_cast<const char*>(deref(refs)), std::size_t(GetHandleSize(refs)))
                           : "");
  if (refs) DisposeHandle(refs);
  return noErr;
}

TEST_F(ObjectCommandsTest, PickHandsObjectsToTheDragService) {
  openobjects();
  picked.clear();
  for (const char* n : {"A", "B", "C"}) {
    spot s = at(named(n));
    s.flags = s.flags | (1u << 16);  // allowDrag
    putspot(list(), named(n), s);
  }
  ASSERT_EQ(failingline("set the allowDragAndDrop to true"), 0);
  ASSERT_EQ(InstallTrackingHandler(pickprobe, nilid, 0), noErr);
  auto pressanddrag = [&](Point from) {
    drive::drag(from, Point{i16(from.v + 30), i16(from.h + 30)}, 6);
    ASSERT_TRUE(WaitNextEvent(mDownMask, &mainglobals().event, 60));
  };
  select({"A", "B"});
  pressanddrag(toglobal(centre(kA)));
  ASSERT_EQ(failingline("pick up selected"), 0);
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0],
            cardvalue("the long name of graphic \"A\"") + "\r" + cardvalue("the long name of graphic \"B\"") + "\r");
  pressanddrag(toglobal(centre(kButton)));
  ASSERT_EQ(failingline("pick button \"C\""), 0);
  ASSERT_EQ(picked.size(), 2u);
  EXPECT_EQ(picked[1], cardvalue("the long name of button \"C\""));
  EXPECT_EQ(failingline("pick button 99"), 0);
  EXPECT_EQ(failingline("pick button 1 of window \"Other\""), 0);
  FlushEvents(everyEvent, 0);
  mainglobals().event.where = toglobal(Point{300, 300});
  EXPECT_EQ(failingline("pick selected"), 0) << "nothing under the mouse";
  EXPECT_EQ(picked.size(), 2u);
  RemoveTrackingHandler(pickprobe, nilid);
  ASSERT_EQ(failingline("set the allowDragAndDrop to false"), 0);
}

TEST_F(ObjectCommandsTest, CycleRotatesTheColoursOfAn8BitScreen) {
  openobjects();
  drive::setscreendepth(8);
  mainglobals().colorWorld = 1;
  CTabHandle table = devicetable(GetMainDevice());
  std::vector<RGBColor> before(256);
  for (i32 i = 0; i < 256; ++i) ctableentry(table, i, &before[std::size_t(i)]);
  ASSERT_EQ(failingline("cycle 2 to 4 step"), 0);
  table = devicetable(GetMainDevice());
  auto entry = [&](i32 i) {
    RGBColor c{};
    ctableentry(table, i, &c);
    return c;
  };
  auto same = [](RGBColor a, RGBColor b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; };
  EXPECT_TRUE(same(entry(1), before[2]));
  EXPECT_TRUE(same(entry(2), before[3]));
  EXPECT_TRUE(same(entry(3), before[1]));
  EXPECT_TRUE(same(entry(4), before[4]));
  ASSERT_EQ(failingline("cycle 2 to 6 fast 2 times"), 0);
  table = devicetable(GetMainDevice());
  // Two rounds: 2 x 5 steps over five colours bring each back to where it was.
  EXPECT_TRUE(same(entry(1), before[2]));
  EXPECT_TRUE(same(entry(3), before[1]));
  EXPECT_TRUE(same(entry(5), before[5]));
  ASSERT_EQ(failingline("cycle all step"), 0);
  table = devicetable(GetMainDevice());
  EXPECT_TRUE(same(entry(0), before[0]));
  EXPECT_TRUE(same(entry(255), before[255]));
  failrows({{"cycle 1 to 1", "", "error 2"},
            {"cycle 1 2", "", "error 7"},
            {"cycle 2 to 4 very foo", "", "error 2"},
            {"cycle 2 to 4 0 times", "", "error 2"},
            {"cycle 2 to 4 step x", "", "error 19"}});
}

TEST_F(ObjectCommandsTest, CycleOnADirectScreenChangesNothing) {
  openobjects();
  drive::setscreendepth(32);
  mainglobals().colorWorld = 1;
  ASSERT_EQ(failingline("cycle all"), 0);
  EXPECT_EQ(devicedepth(GetMainDevice()), 32);
}

}  // namespace
}  // namespace kv
