// Browse clicks on buttons drawn by platform controls, driven as a user's mouse (the driver on
// the virtual clock) or the drag command: the messages the buttons hear with their parameters,
// and the values they keep.
#include "tools/controltrack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "render/controlvisibility.h"
#include "render/themebuttons.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/support/eventloop.h"
#include "tools/handletools.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kAutoHilite = 1u << 2, kControl = 1u << 21;
constexpr i16 kProbe = 99;  // a theme brush no window has

Object control(u16 style, Rect r, u32 clear = 0) {
  Object b;
  b.name = "B";
  b.style = style;
  b.rect = r;
  b.setflags = kControl | kAutoHilite;
  b.clearflags = clear;
  b.script = "on mouseDown a\n  global log\n  put \"mouseDown[\" & a & \"],\" after log\nend mouseDown\n";
  return b;
}

class ControlTrackTest : public EventLoopTest {
 protected:
  void start(Object b, const std::string& extra = "", int cards = 1) {
    testproject::Project p = project();
    // The extra handlers come first and win.
    b.script = extra + b.script + logs("", {"mouseStillDown", "mouseUp", "mouseRelease"});
    p.windows[0].cards[0].objects = {b};
    p.windows[0].cards[0].script.clear();
    for (int i = 1; i < cards; ++i) p.windows[0].cards.push_back(testproject::Card{"Next", "", 0, {}, {}});
    ASSERT_EQ(openproject(p, "c" + std::to_string(++projects) + ".kv45"), 0);
    settle();
    clearlog();
  }
  void range(int value, int minimum, int maximum) {
    ASSERT_EQ(doline("set the minimumValue of card button 1 to " + std::to_string(minimum)), 0);
    ASSERT_EQ(doline("set the maximumValue of card button 1 to " + std::to_string(maximum)), 0);
    ASSERT_EQ(doline("set the currentValue of card button 1 to " + std::to_string(value)), 0);
    ASSERT_EQ(doline("save"), 0);
    settle();
    clearlog();
  }
  // The driver holds the button at `at` for `ticks`, moving through `path` first.
  void hold(Point at, u32 ticks, const std::vector<Point>& path = {}) {
    drive::mouseDown(this->at(at.h, at.v));
    for (Point p : path) {
      drive::advance(3);
      drive::moveTo(this->at(p.h, p.v));
    }
    drive::advance(ticks);
    drive::mouseUp();
    settle();
  }
  // Defines a user property of the button and sets it; the button's control is built afresh.
  void setdata(const std::string& name, const std::string& expression) {
    ASSERT_EQ(doline("define " + name + " of card button 1"), 0);
    ASSERT_EQ(doline("set the " + name + " of card button 1 to " + expression), 0);
    spot s = spotat(current().cardspots, 0);
    dumpspotcontrol(s);
    putspot(current().cardspots, 0, s);
    ASSERT_EQ(doline("save"), 0);
    settle();
    clearlog();
  }
  std::string value() { return cardvalue("the currentValue of card button 1"); }
  bool cardchanged() {
    const desk& d = mainglobals().current;
    u16 flag = 0;
    testvir(d.store, i32(d.cardrecid), &flag);
    return flag != 0;
  }
  int projects = 0;
};

// A vertical scroll bar (20,20 to 220,36): arrows 16 high at both ends, a thumb 16 high.
constexpr Rect kBar{20, 20, 220, 36};

TEST_F(ControlTrackTest, AScrollBarsArrowStepsToItsMinimum) {
  start(control(213, kBar));
  range(5, 0, 100);
  hold(Point{25, 28}, 20);
  EXPECT_EQ(log(),
            "mouseDown[],mouseStillDown up,mouseStillDown up,mouseStillDown up,mouseStillDown up,"
            "mouseStillDown up,mouseUp,");
  EXPECT_EQ(value(), "0");
  EXPECT_TRUE(cardchanged());
}

TEST_F(ControlTrackTest, APageClickWithoutAViewSizeStepsByTen) {
  start(control(213, kBar));
  range(85, 0, 100);
  // Below the thumb until it reaches the press.
  hold(Point{200, 28}, 20);
  const std::string l = log();
  EXPECT_EQ(l.rfind("mouseDown[],mouseStillDown pageDown,mouseStillDown pageDown,mouse", 0), 0u) << l;
  EXPECT_EQ(l.find("pageDown", l.rfind("pageDown") - 1), l.rfind("pageDown")) << l;
  EXPECT_EQ(l.find("pageDown,mouseStillDown pageDown,mouseStillDown"), std::string::npos) << l;
  EXPECT_EQ(value(), "100");
}

TEST_F(ControlTrackTest, ReleasedOutsideTheBarKeepsTheValueReached) {
  start(control(213, kBar));
  range(50, 0, 100);
  hold(Point{215, 28}, 2, {Point{215, 300}});
  const std::string l = log();
  EXPECT_EQ(l.rfind("mouseDown[],mouseStillDown down,", 0), 0u) << l;
  EXPECT_EQ(l.substr(l.size() - 13), "mouseRelease,") << l;
  EXPECT_NE(value(), "50");
  EXPECT_NE(value(), "0");
}

// Tabs: a click on the third tab tells the new and the old tab; a popup menu's chosen item
// becomes its value and its contents, with no "mouseStillDown".
TEST_F(ControlTrackTest, TabsAndPopupMenus) {
  start(control(210, Rect{20, 20, 150, 300}));
  setdata("tabData", "\"A\" & return & \"B\" & return & \"C\"");
  // Three tabs 40 wide from 8 in: the third from 108 to 148.
  hold(Point{30, 120}, 2);
  EXPECT_EQ(log().substr(log().rfind("mouseUp")), "mouseUp 3 1,");
  EXPECT_EQ(value(), "3");
  closeallwindows();

  start(control(206, Rect{20, 20, 40, 150}));
  setdata("popupData", "\"One;Two;Three\"");
  // The menu puts the chosen item (1) at the button's top left: item 3 lies two rows lower.
  const Rect r = spotat(current().cardspots, 0).rect;
  drive::mouseDown(at(i16(r.left + 10), i16(r.top + 5)));
  drive::advance(3);
  drive::moveTo(at(i16(r.left + 20), i16(r.top + 2 * 18 + 8)));
  drive::advance(3);
  drive::mouseUp();
  settle();
  EXPECT_EQ(log(), "mouseDown[],mouseUp 3,");
  EXPECT_EQ(value(), "3");
  EXPECT_EQ(cardvalue("the contents of card button 1"), "Three");
}

// New data for a popup menu whose control is shown: the control is built again from it, and a
// click offers the new items.
TEST_F(ControlTrackTest, NewPopupDataReachesTheShownMenu) {
  start(control(205, Rect{20, 20, 50, 120}));
  ASSERT_EQ(doline("set the behavior of card button 1 to popupButton"), 0);
  setdata("popupData", "\"One;Two;Three\"");
  // The menu opens below the button with its first item there: item n lies n - 1 rows lower.
  auto choose = [&](int n) {
    drive::mouseDown(at(40, 35));
    drive::advance(3);
    drive::moveTo(at(60, i16(50 + (n - 1) * 18 + 8)));
    drive::advance(3);
    drive::mouseUp();
    settle();
  };
  choose(2);
  ASSERT_EQ(cardvalue("the contents of card button 1"), "Two");
  ASSERT_NE(livecontrol(spotat(current().cardspots, 0)), nilid) << "its control is up";
  ASSERT_EQ(doline("set the popupData of card button 1 to \"Red;Green;Blue;Grey\""), 0);
  settle();
  clearlog();
  choose(4);
  EXPECT_EQ(log(), "mouseDown[],mouseUp 4,") << "a fourth item exists";
  EXPECT_EQ(cardvalue("the contents of card button 1"), "Grey");
}

// A radio group tracks the member pressed: it becomes the group's value and its title the
// button's contents.
TEST_F(ControlTrackTest, ARadioGroupTakesTheMembersTitle) {
  start(control(203, Rect{20, 20, 110, 150}));
  setdata("radioData", "\"One\" & return & \"Two\" & return & \"Three\"");
  // Three rows 36 apart from the top: the second from 56 to 74.
  hold(Point{65, 40}, 4);
  EXPECT_EQ(log(), "mouseDown[],mouseStillDown in,mouseUp 2,");
  EXPECT_EQ(value(), "2");
  EXPECT_EQ(cardvalue("the contents of card button 1"), "Two");
  EXPECT_TRUE(cardchanged());
  // Pressed on the third and released away from it, the group keeps its choice.
  hold(Point{100, 40}, 2, {Point{300, 300}});
  EXPECT_EQ(log().substr(log().rfind("mouseDown")), "mouseDown[],mouseStillDown in,mouseStillDown out,mouseRelease,");
  EXPECT_EQ(value(), "2");
  EXPECT_EQ(cardvalue("the contents of card button 1"), "Two");
}

// A bevel button with a menu: the item chosen below it becomes its value and contents.
TEST_F(ControlTrackTest, ABevelButtonsMenuItem) {
  start(control(205, Rect{20, 20, 50, 120}));
  ASSERT_EQ(doline("set the behavior of card button 1 to popupButton"), 0);
  setdata("popupData", "\"One;Two;Three\"");
  // The menu opens below the button with its first item there: the second lies a row lower.
  drive::mouseDown(at(40, 35));
  drive::advance(3);
  drive::moveTo(at(60, i16(50 + 18 + 8)));
  drive::advance(3);
  drive::mouseUp();
  settle();
  EXPECT_EQ(log(), "mouseDown[],mouseUp 2,");
  EXPECT_EQ(value(), "2");
  EXPECT_EQ(cardvalue("the contents of card button 1"), "Two");
  // Leaving the menu without an item is a release outside.
  clearlog();
  hold(Point{35, 40}, 2, {Point{300, 400}});
  EXPECT_EQ(log(), "mouseDown[],mouseRelease,");
  EXPECT_EQ(value(), "2");
}

// "mouseRelease" finds the window's own theme background, whatever the tracking left.
TEST_F(ControlTrackTest, MouseReleaseHasTheWindowsThemeBackground) {
  start(control(206, Rect{20, 20, 40, 150}));
  setdata("popupData", "\"One;Two;Three\"");
  const WindowRef w = current().window;
  SetThemeWindowBackground(w, kProbe, false);
  hold(Point{30, 40}, 2, {Point{300, 400}});
  EXPECT_EQ(log(), "mouseDown[],mouseRelease,");
  EXPECT_EQ(windowthemebrush(w), getheme(&current()));
}

// Radio buttons, check boxes and round buttons tell only the crossings of their edge.
TEST_F(ControlTrackTest, InAndOutAreToldOnlyAtTheEdge) {
  for (u16 style : {203, 204, 207}) {
    start(control(style, Rect{20, 20, 50, 120}));
    hold(Point{30, 35}, 2, {Point{40, 35}, Point{300, 300}, Point{35, 35}});
    EXPECT_EQ(log(), "mouseDown[],mouseStillDown in,mouseStillDown out,mouseStillDown in,mouseUp,") << style;
    closeallwindows();
  }
}

TEST_F(ControlTrackTest, LittleArrows) {
  // 22 high: the up arrow above row 111, the down arrow below it.
  start(control(217, Rect{100, 100, 122, 113}));
  range(1, 0, 3);
  hold(Point{111, 106}, 2);
  EXPECT_EQ(log(), "mouseDown[],mouseUp,") << "between the arrows: no word";
  clearlog();
  hold(Point{103, 106}, 20);
  EXPECT_EQ(log(), "mouseDown[up],mouseStillDown 2,mouseStillDown 3,mouseUp,");
  EXPECT_EQ(value(), "3");
}

// A push button released outside hears "mouseRelease"; one without autoHilite runs the plain
// loop.
TEST_F(ControlTrackTest, PushButtons) {
  start(control(201, Rect{20, 20, 50, 120}));
  hold(Point{30, 35}, 2, {Point{300, 300}});
  EXPECT_EQ(log(), "mouseDown[],mouseStillDown in,mouseStillDown out,mouseRelease,");
  closeallwindows();
  start(control(201, Rect{20, 20, 50, 120}, kAutoHilite));
  hold(Point{30, 35}, 4);
  const std::string l = log();
  EXPECT_EQ(l.rfind("mouseDown[],mouseStillDown,", 0), 0u) << l;
  EXPECT_EQ(l.substr(l.size() - 8), "mouseUp,") << l;
}

// A "mouseStillDown" handler that leaves the card ends the click with -991; the control its
// card change disposed of is not touched again.
TEST_F(ControlTrackTest, AHandlerThatLeavesTheCardEndsTheClick) {
  start(control(213, kBar), "on mouseStillDown\n  go next\nend mouseStillDown\n", 2);
  range(50, 0, 100);
  mainglobals().dragSpeed = 0;
  MainGlobals& g = mainglobals();
  g.event = EventRecord{};
  g.simulatedclick = 1;
  const i16 st = handletools(Point{25, 28}, Point{26, 28}, senderDrag);
  g.simulatedclick = 0;
  EXPECT_EQ(st, -991);
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(controltrackstate().trackedcontrol, nilid);
  EXPECT_EQ(toolstate().tracking, nullptr);
}

}  // namespace
}  // namespace kv
