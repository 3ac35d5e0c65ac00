// The main loop and the event dispatch, driven as a person would drive them: scripted clicks,
// keys, window parts, suspend and resume, volumes and the quit request reach the project's
// scripts as their messages; idle messages, sleep times and the per-pass resets.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/files/files.h"
#include "platform/process/exit.h"
#include "platform/process/process.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/startup.h"
#include "shell/windtable.h"
#include "tests/support/eventloop.h"
#include "tests/support/holds.h"

namespace kv {
namespace {

using testproject::Project;

// Replaces the handler of a message in a script by another text.
void replacehandler(std::string* script, const std::string& message, const std::string& text) {
  size_t from = script->find("on " + message + " ");
  size_t to = script->find("end " + message + "\n", from);
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  script->replace(from, to + message.size() + 5 - from, text);
}

// A log without the "updateWindow" that a window's growing or a change of the windows drawn
// active brings.
std::string withoutupdates(std::string log) {
  for (size_t at; (at = log.find("updateWindow,")) != std::string::npos;) log.erase(at, 13);
  return log;
}

Point centre(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }

Rect region(WindowRef w, u16 code) {
  Rect r{};
  GetWindowBounds(w, code, &r);
  return r;
}

class MainLoopTest : public EventLoopTest {
 protected:
  // Opens the project and lets the opening's update and the first null events pass.
  void start() {
    ASSERT_EQ(openproject(), 0);
    settle();
    clearlog();
  }
};

// Acceptance: a scripted click on a button reaches its script as "mouseDown" and "mouseUp"; a
// click on the bare card reaches the card.
TEST_F(MainLoopTest, AClickReachesTheButtonUnderItAndTheCardElsewhere) {
  start();
  drive::click(at(20, 20));
  EXPECT_EQ(logged(), "Go mouseDown,Go mouseUp,");
  drive::click(at(300, 200));
  settle();
  EXPECT_EQ(log(), "mouseDown,mouseUp,");
  EXPECT_EQ(mainglobals().clickloc.h, 300);
  EXPECT_EQ(mainglobals().clickloc.v, 200);
}

TEST_F(MainLoopTest, AButtonReleasedOutsideHearsMouseRelease) {
  start();
  drive::mouseDown(at(20, 20));
  drive::moveTo(at(300, 300));
  drive::mouseUp();
  EXPECT_EQ(logged(), "Go mouseDown,Go mouseRelease,");
}

// Acceptance: typed keys reach the card as their key messages.
TEST_F(MainLoopTest, KeysBecomeKeyMessages) {
  start();
  drive::keychar('a');
  drive::key(kVKReturn);
  drive::key(kVKKeypadEnter);
  drive::key(kVKTab);
  drive::key(kVKLeftArrow);
  drive::key(kVKUpArrow);
  drive::key(0x60);  // F5
  drive::keychar('x', controlKey);
  drive::keychar('"');
  settle();
  EXPECT_EQ(log(),
            "keyStroke a,returnKey,enterKey,tabKey,arrowKey left,arrowKey up,functionKey 5,controlKey 120,"
            "keyStroke \",");
}

// Acceptance: a command key that no menu takes is "menuKey" with its character; command-return
// and command-enter are "returnKey" and "enterKey".
TEST_F(MainLoopTest, CommandKeysWithoutMenusAreMenuKeys) {
  start();
  drive::keychar('q', cmdKey);
  drive::key(kVKReturn, cmdKey);
  drive::key(kVKKeypadEnter, cmdKey);
  EXPECT_EQ(logged(), "menuKey q,returnKey,enterKey,");
}

TEST_F(MainLoopTest, WithoutTheModernLookAControlCharacterWithCommandIsTyped) {
  start();
  mainglobals().modernLook = 0;
  drive::key(kVKReturn, cmdKey);  // return is a control character: typed, not a menu key
  drive::keychar('w', cmdKey);
  EXPECT_EQ(logged(), "returnKey,menuKey w,");
}

TEST_F(MainLoopTest, ACommandKeyInPlugInModeIsDropped) {
  start();
  desk d = current();
  d.plugin = 1;
  putwind(d.window, d);
  drive::keychar('q', cmdKey);
  drive::keychar('b');
  EXPECT_EQ(logged(), "keyStroke b,");
}

// Acceptance: "idle" goes to the current card at most once every idleTicks ticks.
TEST_F(MainLoopTest, IdleComesEveryIdleTicks) {
  start();
  mainglobals().idleTicks = 0;
  i32 before = idles();
  passes(10);
  EXPECT_EQ(idles() - before, 10) << "with idleTicks 0 every null event idles the card";

  mainglobals().idleTicks = 20;
  mainglobals().nextidle = TickCount();
  before = idles();
  u32 t0 = TickCount();
  passes(60);
  u32 elapsed = TickCount() - t0;
  i32 n = idles() - before;
  EXPECT_GE(n, i32(elapsed / 20));
  EXPECT_LE(n, i32(elapsed / 20) + 1);
  EXPECT_GT(n, 1);
}

// Acceptance: a pass after an event does not sleep; idle passes sleep fgSleepTime in front and
// bgSleepTime behind.
TEST_F(MainLoopTest, SleepTimesFollowTheFrontState) {
  start();
  u32 t = TickCount();
  passes(1);
  EXPECT_EQ(TickCount() - t, 2u) << "fgSleepTime";
  mainglobals().fgSleepTime = 7;
  t = TickCount();
  passes(1);
  EXPECT_EQ(TickCount() - t, 7u);

  drive::suspend();
  passes(1);  // takes the suspend
  EXPECT_EQ(mainglobals().notfront, 1);
  t = TickCount();
  passes(1);
  EXPECT_EQ(TickCount() - t, 0u) << "no sleep after an event";
  settle();  // the update of the windows drawn inactive
  t = TickCount();
  passes(1);
  EXPECT_EQ(TickCount() - t, 50u) << "bgSleepTime";
}

// A script that leaves lockMessages true finds it false after the next event.
TEST_F(MainLoopTest, AForgottenLockMessagesLastsOnlyUntilTheNextPass) {
  Project p = project();
  p.windows[0].cards[0].objects[0].script = "on mouseUp\n  set lockMessages to true\nend mouseUp";
  ASSERT_EQ(openproject(p), 0);
  settle();
  clearlog();
  drive::click(at(20, 20));
  drive::click(at(300, 200));
  settle();
  // The button passes "mouseDown" to the card and sets lockMessages in its "mouseUp"; the
  // second click, on the card, is heard again.
  EXPECT_EQ(log(), "mouseDown,mouseDown,mouseUp,");
  EXPECT_EQ(mainglobals().lockMessages, 0);
}

// Acceptance: suspend and resume reach the current card; the program's front state follows.
TEST_F(MainLoopTest, SuspendAndResume) {
  start();
  WindowRef w = current().window;
  drive::suspend();
  settle();
  EXPECT_EQ(log(), "suspend,");
  EXPECT_EQ(mainglobals().notfront, 1);
  EXPECT_FALSE(IsWindowHilited(w)) << "windows are drawn inactive behind";
  clearlog();
  drive::resume();
  settle();
  EXPECT_EQ(withoutupdates(log()), "resume,");
  EXPECT_EQ(mainglobals().notfront, 0);
  EXPECT_EQ(eventloopstate().systemmessage, 0);
}

TEST_F(MainLoopTest, LockMenusIsClearedOnlyOnceTheProgramIsInFront) {
  start();
  drive::suspend();
  settle();
  mainglobals().lockMenus = 1;
  passes(3);
  EXPECT_EQ(mainglobals().lockMenus, 1);
  drive::resume();
  settle();
  EXPECT_EQ(mainglobals().lockMenus, 0);
}

// Acceptance: the quit request closes the window with its messages and ends the program.
TEST_F(MainLoopTest, AQuitRequestClosesTheWindowAndEnds) {
  start();
  drive::quitRequest();
  EXPECT_THROW(settle(), ProcessExit);
  // Quitting released the globals: the transcript tells what was sent.
  EXPECT_EQ(transcribed({"quitKestrove", "closeCard", "closeBackground", "closeWindow", "closeProject"}),
            "quitKestrove,closeCard,closeBackground,closeWindow,closeProject,");
  EXPECT_EQ(exits, std::vector<int>{0});
  EXPECT_EQ(mainglobals().numwinds, 0);
}

TEST_F(MainLoopTest, AQuitKestroveHandlerThatExitsToTheTopCancelsTheQuit) {
  Project p = project();
  replacehandler(&p.windows[0].cards[0].script, "quitKestrove",
                 "on quitKestrove\n  exit to kestrove\nend quitKestrove\n");
  ASSERT_EQ(openproject(p), 0);
  settle();
  clearlog();
  drive::quitRequest();
  settle();
  EXPECT_EQ(log(), "");
  EXPECT_TRUE(exits.empty());
  EXPECT_EQ(mainglobals().numwinds, 1);
}

TEST_F(MainLoopTest, ASignalBecomesAQuitRequest) {
  start();
  installquitsignals();
  ::raise(SIGTERM);
  EXPECT_THROW(settle(), ProcessExit);
  std::signal(SIGTERM, SIG_DFL);
  EXPECT_EQ(exits, std::vector<int>{128 + SIGTERM});
}

// Acceptance: volumes mounted and unmounted reach the card with their names.
TEST_F(MainLoopTest, VolumeMessagesCarryTheVolumesName) {
  start();
  drive::volumeChange(7, true, "Backup Disk");
  drive::volumeChange(7, false);
  EXPECT_EQ(logged(), "volumeMount Backup Disk,volumeUnmount Backup Disk,");
}

TEST_F(MainLoopTest, AnUnmountWithNoWindowCurrentSendsNothing) {
  start();
  notevolume(9, "Card", true);
  MainGlobals& g = mainglobals();
  g.event = EventRecord{};
  g.event.what = diskEvt;
  g.event.message = kDiskMounted;
  g.event.modifiers = 9;
  HandleFakeDiskEvent();
  EXPECT_EQ(log(), "volumeMount Card,");
  clearlog();
  g.event.message = kDiskUnmounted;
  g.current.window = nilid;
  HandleFakeDiskEvent();
  EXPECT_EQ(log(), "");
  g.event.message = fourcc("what");
  getwind(GetWindowList(), &g.current);
  HandleFakeDiskEvent();
  EXPECT_EQ(log(), "") << "a disk event of another message is dropped";
}

// A disk event posted to the internal queue is handled before a system event already waiting.
TEST_F(MainLoopTest, TheInternalQueueComesFirst) {
  start();
  drive::keychar('k');
  headlessbackend()->advance(5);
  ASSERT_TRUE(takedueinputs());  // the key waits in the platform's queue
  notevolume(5, "Five", true);
  EventRecord disk{};
  disk.what = diskEvt;
  disk.message = kDiskMounted;
  disk.modifiers = 5;
  PostEventToInternalQueue(disk);
  EXPECT_EQ(logged(), "volumeMount Five,keyStroke k,");
}

// Acceptance: window parts: the title bar drags, the grow box resizes, the zoom box zooms, each
// with its message; the menu bar hears "menuBarClick".
TEST_F(MainLoopTest, WindowPartsSendTheirMessages) {
  start();
  WindowRef w = current().window;
  Rect before = region(w, kWindowStructureRgn);
  Point title = centre(region(w, kWindowTitleBarRgn));
  drive::drag(title, Point{i16(title.v + 30), i16(title.h + 40)}, 5);
  settle();
  EXPECT_EQ(withoutupdates(log()), "dragWindow,");
  Rect after = region(w, kWindowStructureRgn);
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 30);

  clearlog();
  Point grow = centre(region(w, kWindowGrowRgn));
  Rect content = region(w, kWindowContentRgn);
  drive::drag(grow, Point{i16(grow.v - 50), i16(grow.h - 60)}, 5);
  settle();
  EXPECT_EQ(withoutupdates(log()), "resizeWindow,");
  Rect grown = region(w, kWindowContentRgn);
  EXPECT_EQ((grown.right - grown.left) - (content.right - content.left), -60);
  EXPECT_EQ((grown.bottom - grown.top) - (content.bottom - content.top), -50);

  clearlog();
  drive::click(centre(region(w, kWindowZoomBoxRgn)));
  EXPECT_EQ(withoutupdates(logged()), "zoomWindow zoomout,");
  drive::click(centre(region(w, kWindowZoomBoxRgn)));
  settle();
  EXPECT_EQ(withoutupdates(log()), "zoomWindow zoomin,");
  Rect back = region(w, kWindowContentRgn);
  EXPECT_EQ(back.right - back.left, grown.right - grown.left);

  clearlog();
  drive::click(centre(menubarrect()));
  EXPECT_EQ(logged(), "menuBarClick,");
}

TEST_F(MainLoopTest, AZoomWindowHandlerThatExitsToTheTopKeepsTheSize) {
  Project p = project();
  replacehandler(&p.windows[0].cards[0].script, "zoomWindow", "on zoomWindow\n  exit to kestrove\nend zoomWindow\n");
  ASSERT_EQ(openproject(p), 0);
  settle();
  WindowRef w = current().window;
  Rect before = region(w, kWindowContentRgn);
  drive::click(centre(region(w, kWindowZoomBoxRgn)));
  settle();
  Rect after = region(w, kWindowContentRgn);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

// Acceptance: the close box of the last window quits in order.
TEST_F(MainLoopTest, TheCloseBoxOfTheLastWindowQuits) {
  start();
  drive::click(centre(region(current().window, kWindowCloseBoxRgn)));
  EXPECT_THROW(settle(), ProcessExit);
  // Quitting released the globals: the transcript tells what was sent.
  EXPECT_EQ(transcribed({"quitKestrove", "closeCard", "closeBackground", "closeWindow", "closeProject"}),
            "quitKestrove,closeCard,closeBackground,closeWindow,closeProject,");
  EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(MainLoopTest, AClickOnTheDesktopBeeps) {
  start();
  u32 beeps = headlessbackend()->beeps();
  Rect screen = screenbounds(0);
  drive::click(Point{i16(screen.bottom - 5), i16(screen.right - 5)});
  settle();
  EXPECT_EQ(headlessbackend()->beeps(), beeps + 1);
  EXPECT_EQ(log(), "");
}

// Acceptance: "updateWindow" follows an update of the window, but not while the program is
// behind.
TEST_F(MainLoopTest, UpdatesSendUpdateWindowInFrontOnly) {
  start();
  WindowRef w = current().window;
  Rect r{0, 0, 10, 10};
  InvalWindowRect(w, &r);
  settle();
  EXPECT_EQ(log(), "updateWindow,");
  drive::suspend();
  settle();
  clearlog();
  InvalWindowRect(w, &r);
  EXPECT_EQ(logged(), "");
}

TEST_F(MainLoopTest, AutoKeysRepeatButCommandAutoKeysAreDropped) {
  start();
  auto autokey = [](u8 ch, u16 modifiers) {
    InputEvent in;
    in.kind = InputKind::autokey;
    in.when = drive::cursor();
    in.charcode = ch;
    in.keycode = keyforchar(ch).keycode;
    in.modifiers = modifiers;
    headlessbackend()->schedule(in);
    drive::advance(1);
  };
  autokey('a', 0);
  autokey('b', cmdKey);
  autokey(13, cmdKey);  // a control character: dropped with the modern look as well
  EXPECT_EQ(logged(), "keyStroke a,");
  mainglobals().modernLook = 0;
  autokey('b', cmdKey);
  autokey(13, cmdKey);
  settle();
  EXPECT_EQ(log(), "returnKey,") << "without the modern look a control character repeats as typed";
}

// A null event tracks the cursor: the object under the mouse is left once the mouse is
// outside every window; with mouse messages off and the cursor locked nothing is tracked.
TEST_F(MainLoopTest, CursorTrackingLeavesTheObjectUnderTheMouse) {
  start();
  MainGlobals& g = mainglobals();
  drive::moveTo(Point{700, 1000});
  g.allowMouseMessages = 0;
  g.lockCursor = 1;
  g.mouseobject = 0;
  eventloopstate().mousewindow = current().window;
  settle();
  EXPECT_EQ(g.mouseobject, 0) << "no tracking at all";
  g.allowMouseMessages = 1;
  settle();
  EXPECT_EQ(g.mouseobject, -1);
}

TEST_F(MainLoopTest, ActivationAsksForARedraw) {
  start();
  eventloopstate().redrawafteractivate = 0;
  postactivate(current().window, true);
  settle();
  EXPECT_EQ(eventloopstate().redrawafteractivate, 1);
  EXPECT_EQ(eventloopstate().activating, 0);
}

// Closing one of two windows of a project sends the closing messages but not "closeProject"
// and does not quit.
TEST_F(MainLoopTest, TheCloseBoxOfOneOfTwoWindows) {
  Project p = project();
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  p.windows[1].rect = Rect{150, 300, 450, 700};
  build(p);
  ASSERT_EQ(open("p.kv45", 1), 0);
  ASSERT_EQ(open("p.kv45", 2), 0);
  settle();
  clearlog();
  drive::click(centre(region(current().window, kWindowCloseBoxRgn)));
  settle();
  EXPECT_EQ(withoutupdates(log()), "closeCard,closeBackground,closeWindow,selectWindow,")
      << "the other window is the top one now";
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_TRUE(exits.empty());
}

TEST_F(MainLoopTest, TheMessageBoxsCloseBoxHidesIt) {
  start();
  initmes();
  WindowRef box = mainglobals().msgwindow;
  ShowWindow(box);
  settle();
  drive::click(centre(region(box, kWindowCloseBoxRgn)));
  settle();
  EXPECT_FALSE(IsWindowVisible(box));
  EXPECT_EQ(withoutupdates(log()), "");
}

// Handlers that take the window to another card while their own message is still being
// dispatched: the clicked button's card goes away under its mouseDown (the click's mouseUp
// then reaches nobody), and the card's mouseUp passes on to a background that is no longer
// shown. Nothing is left held and the next click reaches the card now shown.
TEST_F(MainLoopTest, HandlersThatLeaveTheirCardWhileTheirMessageIsDispatched) {
  Project p = project();
  p.windows[0].backgrounds.push_back(testproject::Background{"Other", logs("other", {"mouseUp"}), {}});
  p.windows[0].backgrounds[0].script = logs("plain", {"mouseUp"});
  p.windows[0].cards[0].objects[0].script =
      "on mouseDown\n  global log\n  put \"Go mouseDown,\" after log\n"
      "  go card 2\nend mouseDown";
  replacehandler(&p.windows[0].cards[0].script, "mouseUp",
                 "on mouseUp\n  global log\n  put \"mouseUp,\" after log\n  go card 3\n  pass mouseUp\nend mouseUp\n");
  testproject::Card two{"Two", logs("two", {"mouseDown", "mouseUp"}), 0, {}, {}};
  testproject::Card three{"Three", logs("three", {"mouseUp"}), 1, {}, {}};
  p.windows[0].cards.push_back(two);
  p.windows[0].cards.push_back(three);
  ASSERT_EQ(openproject(p), 0);
  settle();
  u64 holds = recordholds();
  clearlog();
  drive::click(at(20, 20));
  settle();
  EXPECT_EQ(log(), "Go mouseDown,closeCard,");
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(recordholds(), holds);
  ASSERT_EQ(doline("go card 1"), 0);
  settle();
  clearlog();
  drive::click(at(300, 200));
  settle();
  EXPECT_EQ(log(), "mouseDown,mouseUp,closeCard,closeBackground,plain mouseUp,")
      << "passed to the background of the card it came from";
  EXPECT_EQ(current().cardnum, 3u);
  EXPECT_EQ(recordholds(), holds);
  clearlog();
  drive::click(at(300, 200));
  EXPECT_EQ(logged(), "three mouseUp,");
}

class SelectTest : public EventLoopTest {
 protected:
  Project second(const char* name, Rect rect) {
    Project p = project();
    p.windows[0].name = name;
    p.windows[0].rect = rect;
    return p;
  }
};

// Acceptance: clicking a card window behind only brings it forward; the next null event sends
// "selectWindow" (and "selectProject" for a window of another project).
TEST_F(SelectTest, AClickOnAWindowBehindSelectsItAndAnnouncesItAtTheNextNullEvent) {
  build(second("Left", Rect{100, 100, 400, 400}), "a.kv45");
  build(second("Right", Rect{120, 300, 420, 700}), "b.kv45");
  ASSERT_EQ(open("a.kv45"), 0);
  WindowRef left = current().window;
  ASSERT_EQ(open("b.kv45"), 0);
  WindowRef right = current().window;
  settle();
  clearlog();
  ASSERT_EQ(FrontWindow(), right);
  drive::click(Point{200, 150});  // inside Left only
  settle();
  EXPECT_EQ(FrontWindow(), left);
  EXPECT_EQ(withoutupdates(log()), "selectProject,selectWindow,") << "no mouse message reaches the window behind";
  clearlog();
  drive::click(Point{200, 150});
  settle();
  EXPECT_EQ(log(), "mouseDown,mouseUp,") << "the front window takes its clicks";
}

TEST_F(SelectTest, AnotherWindowOfTheSameProjectIsOnlySelectWindow) {
  Project p = second("Left", Rect{100, 100, 400, 400});
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Right";
  p.windows[1].rect = Rect{120, 300, 420, 700};
  build(p);
  ASSERT_EQ(open("p.kv45", 1), 0);
  ASSERT_EQ(open("p.kv45", 2), 0);
  settle();
  clearlog();
  drive::click(Point{200, 150});
  EXPECT_EQ(withoutupdates(logged()), "selectWindow,");
}

TEST_F(SelectTest, TheFirstNullEventOnlyRecordsTheTopWindow) {
  ASSERT_EQ(openproject(), 0);
  clearlog();
  settle();
  EXPECT_EQ(log().find("select"), std::string::npos);
  EXPECT_NE(eventloopstate().topserial, 0u);
}

// Acceptance: headless runs end by their pass limits.
TEST_F(MainLoopTest, PassLimitsEndTheLoop) {
  start();
  u32 t = TickCount();
  passes(5);
  EXPECT_EQ(TickCount() - t, 10u) << "five idle passes in front";
  drive::click(at(300, 200));
  drive::advance(100);
  drive::click(at(300, 200));
  mainloop(LoopLimits{0, 2});
  EXPECT_EQ(log(), "mouseDown,mouseUp,mouseDown,mouseUp,") << "idle passes count only once the input is used up";
}

TEST_F(MainLoopTest, DoubleClicks) {
  ASSERT_EQ(openproject(), 0);
  u32 dbl = GetDblTime();
  EXPECT_EQ(dclick(Point{50, 50}, 1000), 0);
  EXPECT_EQ(dclick(Point{50, 50}, 1000 + dbl), 1) << "the same point within the double-click time";
  EXPECT_EQ(mainglobals().doubleclick, 1);
  EXPECT_EQ(dclick(Point{50, 53}, 1000 + dbl + 1), 0) << "3 pixels apart";
  EXPECT_EQ(dclick(Point{50, 51}, 1000 + dbl + 2), 0) << "two pixels right of 53 is outside";
  EXPECT_EQ(dclick(Point{49, 50}, 1000 + dbl + 3), 1) << "two pixels left and one above";
  EXPECT_EQ(dclick(Point{49, 50}, 1000 + 3 * dbl + 10), 0) << "too late";
  EXPECT_EQ(mainglobals().doubleclick, 0);
}

TEST_F(MainLoopTest, GetnexteventTakesSuspendAndResumeItself) {
  start();
  eventloopstate().inmainloop = 1;
  drive::suspend();
  drive::keychar('z');
  headlessbackend()->advance(10);
  EventRecord e{};
  i16 got = 0;
  for (int i = 0; i < 10 && !got; ++i) got = getnextevent(everyEvent, &e);
  EXPECT_EQ(got, 1);
  EXPECT_EQ(u32(e.what), u32(keyDown));
  EXPECT_EQ(log(), "suspend,");
}

}  // namespace
}  // namespace kv
