// The card window's event handler and window management as a person meets them: clicks and
// their reported errors, card scroll bars, keys, the mouse-tracking messages and tool tips, the
// windows' activation and updates, and growing, zooming and dragging windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/tokens.h"
#include "platform/controls/controls.h"
#include "platform/dialogs/dialogs.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/te/te.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "render/offscreen.h"
#include "shell/cardwindow.h"
#include "shell/commandline.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/startup.h"
#include "shell/windowmanage.h"
#include "shell/windowstyle.h"
#include "shell/windtable.h"
#include "store/namekey.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "system/windowkind.h"
#include "tests/support/eventloop.h"
#include "shell/mainloop.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

Point centre(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }

Rect region(WindowRef w, u16 code) {
  Rect r{};
  GetWindowBounds(w, code, &r);
  return r;
}

int count(const std::string& log, std::string_view what) {
  int n = 0;
  for (size_t at = 0; (at = log.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

// Adds a user property to a list of them.
void addprop(Handle* list, std::string_view name, std::string_view value) {
  if (*list == nilhandle) *list = NewHandle(0);
  Str255 s{};
  pstrassign(s, sizeof s, name.data(), name.size());
  uprop e{};
  getkey(s, &e.key);
  Handle n = nilhandle, v = nilhandle;
  ASSERT_EQ(PtrToHand(name.data(), &n, Size(name.size())), noErr);
  ASSERT_EQ(PtrToHand(value.data(), &v, Size(value.size())), noErr);
  e.name = n;
  e.value = v;
  ASSERT_EQ(PtrAndHand(&e, *list, sizeof e), noErr);
}

// Handlers that log a message with the tick it came at: "<who> <message> <ticks>,".
std::string timed(std::string_view who, std::string_view message) {
  std::string m(message);
  return "on " + m + "\n  global log\n  put \"" + std::string(who) + " " + m +
         " \" & the ticks & \",\" after log\nend " + m + "\n";
}

// The ticks of each logged "<what> <ticks>,".
std::vector<long> ticksof(const std::string& log, const std::string& what) {
  std::vector<long> out;
  for (size_t at = 0; (at = log.find(what + " ", at)) != std::string::npos;) {
    at += what.size() + 1;
    out.push_back(std::stol(log.substr(at)));
  }
  return out;
}

class CardWindowTest : public EventLoopTest {
 protected:
  void start(const Project& p, std::string_view name = "p.kv45") {
    ASSERT_EQ(openproject(p, name), 0);
    settle();
    clearlog();
  }
  // Runs the main loop until `ticks` more ticks have passed.
  void waitticks(u32 ticks) {
    const u32 until = TickCount() + ticks;
    while (i32(TickCount() - until) < 0) passes(1);
  }
  // Tool tips allowed, and button Go's "ToolTip" `text`.
  void givetip(std::string_view text) {
    mainglobals().allowToolTips = 1;
    spot go = spotat(current().cardspots, 0);
    Handle list = go.uprops;
    addprop(&list, "ToolTip", text);
    go.uprops = list;
    putspot(current().cardspots, 0, go);
  }
  Project tracked() {
    Project p = project();
    Object& go = p.windows[0].cards[0].objects[0];
    go.script = timed("Go", "mouseEnter") + timed("Go", "mouseWithin") + timed("Go", "mouseLeave");
    return p;
  }
};

// Acceptance: a handler's error during a click is reported once, and the send depth is back to
// 0 after the click.
TEST_F(CardWindowTest, AClickHandlersErrorIsReportedOnce) {
  setunattendedpolicy(UnattendedPolicy::usedefault);
  Project p = project();
  p.windows[0].cards[0].objects[0].script = "on mouseUp\n  put 1 into empty\nend mouseUp";
  start(p);
  transcriptclear();
  drive::click(at(20, 20));
  settle();
  int errors = 0, alerts = 0;
  for (const std::string& l : transcriptlines()) {
    if (l.rfind("message: scriptError", 0) == 0) ++errors;
    if (l.rfind("dialog: alert", 0) == 0) ++alerts;
  }
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(alerts, 1);
  EXPECT_EQ(mainglobals().senddepth, 0);
}

// Acceptance: a click in a card scroll bar is tracked and "scrollWindow" follows; the tool
// dispatcher never hears of it.
TEST_F(CardWindowTest, ACardScrollBarClickSendsScrollWindow) {
  Project p = project();
  p.windows[0].style = 1;
  p.windows[0].backgrounds[0].width = 1200;
  p.windows[0].backgrounds[0].height = 900;
  p.windows[0].cards[0].script += logs("", {"scrollWindow"});
  start(p);
  const ControlRef bar = current().vscroll;
  ASSERT_NE(bar, nilid);
  ASSERT_TRUE(IsControlVisible(bar));
  Rect r{};
  GetControlBounds(bar, &r);
  Point mid = centre(r);
  drive::click(at(mid.h, mid.v));
  settle();
  EXPECT_EQ(log(), "scrollWindow,");
  clearlog();
  DeactivateControl(bar);
  drive::click(at(mid.h, mid.v));
  settle();
  EXPECT_EQ(log(), "") << "a click on a bar that takes no click is ignored, the card hears nothing";
}

// A click in a scrolled card reaches the object shown under it; the send depth is 0 after.
TEST_F(CardWindowTest, AClickInAScrolledCardReachesTheObjectShownThere) {
  Project p = project();
  p.windows[0].style = 1;
  p.windows[0].backgrounds[0].width = 1200;
  p.windows[0].backgrounds[0].height = 900;
  Object far;
  far.name = "Far";
  far.rect = Rect{300, 400, 340, 500};
  far.script = logs("Far", {"mouseUp"});
  p.windows[0].cards[0].objects.push_back(far);
  start(p);
  const desk d = current();
  SetControl32BitValue(d.hscroll, 200);
  SetControl32BitValue(d.vscroll, 100);
  drive::click(at(250, 220));
  settle();
  EXPECT_EQ(log(), "mouseDown,Far mouseUp,") << "Far passes its mouseDown to the card";
  EXPECT_EQ(cardvalue("the clickLoc"), "450,320") << "the click in the card's coordinates";
  EXPECT_EQ(mainglobals().senddepth, 0);
}

// Acceptance: keys without an open field, the message box hidden.
TEST_F(CardWindowTest, KeysBecomeTheirMessages) {
  start(project());
  ASSERT_EQ(doline("global log\nput empty into log"), 0);
  MainGlobals& g = mainglobals();
  struct Case {
    u8 ch, code;
    u16 modifiers;
    i16 textarrows;
    const char* expected;
  } cases[] = {
      {16, 96, 0, 0, "functionKey 5,"},
      {16, 50, 0, 0, "keyStroke \x10,"},
      {'"', 0, 0, 0, "keyStroke \","},
      {1, 0, controlKey, 0, "controlKey 1,"},
      {9, 48, 0, 0, "tabKey,"},
      {13, 36, 0, 0, "returnKey,"},
      {3, 76, 0, 0, "enterKey,"},
      {28, 123, 0, 0, "arrowKey left,"},
      {28, 123, optionKey, 1, "arrowKey left,"},
  };
  for (const Case& c : cases) {
    clearlog();
    g.event.modifiers = c.modifiers;
    g.textArrows = c.textarrows;
    charcase(u16(c.code << 8 | c.ch));
    EXPECT_EQ(log(), c.expected) << int(c.ch) << " " << int(c.code);
  }
  g.event.modifiers = 0;
  g.textArrows = 0;
}

// Acceptance: entering, staying on and leaving a button.
TEST_F(CardWindowTest, TheMouseEntersStaysOnAndLeavesAButton) {
  start(tracked());
  mainglobals().allowMouseWithin = 1;
  drive::moveTo(at(20, 20));
  settle();
  waitticks(200);
  drive::moveTo(at(300, 300));
  settle();
  const std::string l = log();
  EXPECT_EQ(count(l, "Go mouseEnter"), 1) << l;
  EXPECT_EQ(count(l, "Go mouseLeave"), 1) << l;
  EXPECT_LT(l.find("Go mouseEnter"), l.find("Go mouseLeave"));
  const std::vector<long> within = ticksof(l, "Go mouseWithin");
  ASSERT_GE(within.size(), 2u) << l;
  for (size_t i = 1; i < within.size(); ++i) EXPECT_GE(within[i] - within[i - 1], 30) << l;

  for (int off = 0; off < 2; ++off) {
    clearlog();
    if (off == 0) mainglobals().allowMouseMessages = 0;
    else {
      mainglobals().current.tool = 603;  // the button tool
      putwind(mainglobals().current.window, mainglobals().current);
    }
    drive::moveTo(at(20, 20));
    settle();
    waitticks(60);
    drive::moveTo(at(300, 300));
    settle();
    EXPECT_EQ(log(), "") << (off == 0 ? "allowMouseMessages false" : "another tool");
    mainglobals().allowMouseMessages = 1;
  }
}

// Acceptance: a "mouseLeave" handler that goes to another card stops the next object's
// "mouseEnter".
TEST_F(CardWindowTest, AMouseLeaveHandlerThatLeavesTheCardStopsTheNextEnter) {
  Project p = tracked();
  testproject::Card& c = p.windows[0].cards[0];
  c.objects[0].script = timed("Go", "mouseEnter") + "on mouseLeave\n  go next card\nend mouseLeave\n";
  Object other;
  other.name = "Other";
  other.rect = Rect{10, 110, 40, 210};
  other.script = timed("Other", "mouseEnter");
  c.objects.push_back(other);
  p.windows[0].cards.push_back(testproject::Card{"Two", "", 0, {}, {}});
  start(p);
  drive::moveTo(at(20, 20));
  settle();
  drive::moveTo(at(150, 20));
  settle();
  EXPECT_EQ(count(log(), "Go mouseEnter"), 1);
  EXPECT_EQ(count(log(), "Other mouseEnter"), 0) << log();
  EXPECT_EQ(current().cardnum, 2u);
}

// The context after a mouse message is the card the window shows once the handler ran: a
// "mouseLeave" that went to the next card leaves the next card current, and a handler that
// fails leaves the window current and tracking goes on.
TEST_F(CardWindowTest, AfterAMouseMessageTheCurrentCardIsTheOneShown) {
  Project p = tracked();
  p.windows[0].cards[0].objects[0].script =
      "on mouseEnter\n  put 1 into empty\nend mouseEnter\non mouseLeave\n  go next card\nend mouseLeave\n";
  p.windows[0].cards.push_back(testproject::Card{"Two", "", 0, {}, {}});
  setunattendedpolicy(UnattendedPolicy::usedefault);
  start(p);
  const WindowRef w = current().window;
  drive::moveTo(at(20, 20));
  settle();
  EXPECT_EQ(current().window, w) << "a failing mouseEnter leaves its window current";
  ASSERT_GE(mainglobals().mouseobject, 0) << "and the mouse object set";
  EXPECT_EQ(sendmous(tok::mouseleave), 0);
  desk shown{};
  ASSERT_TRUE(getwind(w, &shown));
  EXPECT_EQ(shown.cardnum, 2u);
  EXPECT_EQ(current().cardnum, 2u);
  EXPECT_EQ(current().cardspots, shown.cardspots);
}

// Acceptance: "idle" goes to the card at most once every idleTicks.
TEST_F(CardWindowTest, IdleWaitsForIdleTicks) {
  Project p = project();
  p.windows[0].cards[0].script = timed("card", "idle");
  start(p);
  mainglobals().idleTicks = 30;
  waitticks(200);
  const std::vector<long> idles = ticksof(log(), "card idle");
  ASSERT_GE(idles.size(), 3u) << log();
  for (size_t i = 1; i < idles.size(); ++i) EXPECT_GE(idles[i] - idles[i - 1], 30) << log();
}

// Acceptance: a tool tip shows 30 ticks after the mouse entered, beside the mouse, in its
// colour, and goes when the mouse leaves, giving the card its pixels back.
TEST_F(CardWindowTest, AToolTip) {
  Project p = project();
  start(p);
  MainGlobals& g = mainglobals();
  givetip("Hi");
  const Point mouse = at(30, 20);
  const u32 before = drive::screenpixel(Point{i16(mouse.v + 20), i16(mouse.h + 14)});
  drive::moveTo(mouse);
  settle();
  ASSERT_NE(g.tooltip, nilid) << "a tip window is made at once";
  EXPECT_FALSE(IsWindowVisible(g.tooltip)) << "and shown only later";
  waitticks(32);
  ASSERT_NE(g.tooltip, nilid);
  const WindowRef tip = g.tooltip;
  ASSERT_TRUE(IsWindowVisible(tip));
  EXPECT_EQ(GetWindowKind(tip), kindtoolwindow);
  WindowClass cls = 0;
  GetWindowClass(tip, &cls);
  EXPECT_EQ(cls, u32(kToolbarWindowClass));
  const Rect content = region(tip, kWindowContentRgn);
  EXPECT_EQ(content.left, mouse.h + 10);
  EXPECT_EQ(content.top, mouse.v + 16);
  EXPECT_EQ(content.bottom - content.top, 15);
  {
    SavePort saved;
    SetPortWindowPort(tip);  // the tip's own font
    EXPECT_EQ(content.right - content.left, StringWidth(reinterpret_cast<const u8*>("\x02Hi")) + 8);
  }
  EXPECT_EQ(drive::screenpixel(Point{i16(content.bottom - 2), i16(content.right - 2)}) & 0xFFFFFF, 0xFEFEC5u);
  int tips = 0;
  for (const drive::WindowInfo& w : drive::windows()) tips += w.kind == kindtoolwindow;
  EXPECT_EQ(tips, 1);
  drive::moveTo(at(300, 300));
  settle();
  EXPECT_EQ(g.tooltip, nilid);
  EXPECT_EQ(drive::screenpixel(Point{i16(mouse.v + 20), i16(mouse.h + 14)}), before) << "the card is as before";
}

// A tip that would reach below the screen moves up by its excess and 20 more.
TEST_F(CardWindowTest, AToolTipStaysOnTheScreen) {
  const Rect screen = screenbounds(0);
  Project p = project();
  p.windows[0].rect = Rect{i16(screen.bottom - 60), 100, i16(screen.bottom - 10), 400};
  start(p);
  MainGlobals& g = mainglobals();
  givetip("Hi");
  const Point mouse = at(30, 35);
  drive::moveTo(mouse);
  settle();
  waitticks(32);
  ASSERT_NE(g.tooltip, nilid);
  ASSERT_TRUE(IsWindowVisible(g.tooltip));
  const Rect content = region(g.tooltip, kWindowContentRgn);
  const i32 bottom = screen.bottom - 4, top = mouse.v + 16;
  EXPECT_EQ(content.top, top - (top + 15 - bottom + 20));
  EXPECT_EQ(content.left, mouse.h + 10);
  cleartooltip();
}

// A tip that stays goes 420 ticks after it showed.
TEST_F(CardWindowTest, AToolTipGoesAfterItsTime) {
  start(project());
  MainGlobals& g = mainglobals();
  givetip("Hi");
  drive::moveTo(at(30, 20));
  settle();
  waitticks(40);
  ASSERT_NE(g.tooltip, nilid);
  ASSERT_TRUE(IsWindowVisible(g.tooltip));
  waitticks(420);
  EXPECT_EQ(g.tooltip, nilid);
}

// Acceptance: which windows are drawn active.
TEST_F(CardWindowTest, WindowsAreDrawnActiveByTheirPlace) {
  Project p = project();
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  p.windows[1].rect = Rect{150, 300, 450, 700};
  p.windows.push_back(p.windows[0]);
  p.windows[2].name = "Palette";
  p.windows[2].style = 6;
  p.windows[2].rect = Rect{60, 700, 160, 800};
  build(p);
  ASSERT_EQ(open("p.kv45", 1), 0);
  const WindowRef first = current().window;
  ASSERT_EQ(open("p.kv45", 2), 0);
  const WindowRef second = current().window;
  ASSERT_EQ(open("p.kv45", 3), 0);
  const WindowRef palette = current().window;
  settle();
  hilitewindows();
  EXPECT_TRUE(IsWindowHilited(second));
  EXPECT_FALSE(IsWindowHilited(first));
  EXPECT_TRUE(IsWindowHilited(palette));

  // A document window selected while a palette shows stays under it.
  selectwindow(first);
  EXPECT_EQ(FrontWindow(), palette);
  EXPECT_TRUE(IsWindowHilited(first));
  EXPECT_FALSE(IsWindowHilited(second));

  // While a window is being re-created nothing changes.
  mainglobals().reopeningwindow = 1;
  HiliteWindow(second, true);
  hilitewindows();
  EXPECT_TRUE(IsWindowHilited(second));
  mainglobals().reopeningwindow = 0;

  // A foreign modal dialog in front leaves every runtime window inactive.
  Rect r{200, 200, 300, 400};
  WindowRef dialog = nilid;
  ASSERT_EQ(CreateNewWindow(kModalWindowClass, 0, &r, &dialog), noErr);
  ShowWindow(dialog);
  BringToFront(dialog);
  hilitewindows();
  EXPECT_FALSE(IsWindowHilited(first));
  EXPECT_FALSE(IsWindowHilited(second));
  EXPECT_FALSE(IsWindowHilited(palette));
  DisposeWindow(dialog);

  // A palette brought forward while the message box shows ends directly behind it.
  initmes();
  ShowWindow(mainglobals().msgwindow);
  selectwindow(palette);
  const std::vector<WindowRef> order = windowlist();
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[0], mainglobals().msgwindow);
  EXPECT_EQ(order[1], palette);
}

// The message box drawn inactive shows its text unselected, and the next key replaces it; a
// sheet on a project window is drawn active and inactive with its window.
TEST_F(CardWindowTest, TheMessageBoxAndSheetsFollowTheirWindowsHilite) {
  start(project());
  MainGlobals& g = mainglobals();
  initmes();
  ShowWindow(g.msgwindow);
  g.msginactive = 0;
  TEActivate(g.msgtext);
  hiliteone(g.msgwindow, 1);
  EXPECT_TRUE(teactive(g.msgtext));
  hiliteone(g.msgwindow, 0);
  EXPECT_FALSE(IsWindowHilited(g.msgwindow));
  EXPECT_FALSE(teactive(g.msgtext));
  EXPECT_EQ(g.msginactive, 1);

  const WindowRef w = current().window;
  const DialogRef sheet = CreateStandardSheet(kAlertNoteAlert, reinterpret_cast<const u8*>("\x02Hi"), nullptr, nullptr);
  ASSERT_NE(sheet, nilid);
  ASSERT_EQ(ShowSheetWindow(sheet, w), noErr);
  hiliteone(w, 0);
  EXPECT_FALSE(IsWindowHilited(sheet));
  hiliteone(w, 1);
  EXPECT_TRUE(IsWindowHilited(sheet));
  DisposeDialog(sheet);
}

// Acceptance: update events: "updateWindow" with the system-message flag, not behind, not for
// the message box; the backdrop's colour; updates behind a dialog.
TEST_F(CardWindowTest, UpdateEvents) {
  Project p = project();
  start(p);
  MainGlobals& g = mainglobals();
  const WindowRef w = current().window;
  Rect port{};
  GetWindowPortBounds(w, &port);
  InvalWindowRect(w, &port);
  updatewindow(w, 1);
  EXPECT_EQ(log(), "updateWindow,");
  EXPECT_EQ(eventloopstate().systemmessage, 0) << "the flag is down after the send";
  clearlog();
  g.notfront = 1;
  updatewindow(w, 1);
  g.notfront = 0;
  updatewindow(w, 0);
  initmes();
  updatewindow(g.msgwindow, 1);
  EXPECT_EQ(log(), "");

  // The backdrop window: black with its reference constant 11017, else white.
  for (i32 refcon : {11017, 5}) {
    Rect r{300, 300, 340, 340};
    WindowRef backdrop = nilid;
    ASSERT_EQ(CreateNewWindow(kPlainWindowClass, 0, &r, &backdrop), noErr);
    SetWindowKind(backdrop, kindcoverwindow);
    SetWRefCon(backdrop, refcon);
    ShowWindow(backdrop);
    BringToFront(backdrop);
    updatewindow(backdrop, 1);
    EXPECT_EQ(drive::screenpixel(Point{320, 320}) & 0xFFFFFF, refcon == 11017 ? 0u : 0xFFFFFFu);
    DisposeWindow(backdrop);
  }

  // Updates behind a dialog: a project window is served; the dialog's own is not.
  Rect r{200, 200, 300, 400};
  WindowRef dialog = nilid;
  ASSERT_EQ(CreateNewWindow(kModalWindowClass, 0, &r, &dialog), noErr);
  EventRecord e{};
  e.what = updateEvt;
  e.message = w;
  EXPECT_EQ(updateBehind(dialog, e), 1);
  e.message = dialog;
  EXPECT_EQ(updateBehind(dialog, e), 0);
  DisposeWindow(dialog);
}

// The mend: an update whose handler fails leaves no system-message flag and no screen lock.
TEST_F(CardWindowTest, AFailingUpdateHandlerLeavesNothingBehind) {
  setunattendedpolicy(UnattendedPolicy::usedefault);
  Project p = project();
  p.windows[0].cards[0].script += "on updateWindow\n  put 1 into empty\nend updateWindow\n";
  start(p);
  MainGlobals& g = mainglobals();
  const i32 locks = g.lockcount;
  updatewindow(current().window, 1);
  hilitewindows();
  EXPECT_EQ(eventloopstate().systemmessage, 0);
  EXPECT_EQ(g.lockcount, locks);
}

// Acceptance: the limits of a grow: minimumSize and the card's height plus the scroll bar.
TEST_F(CardWindowTest, GrowingAWindowKeepsItsLimits) {
  Project p = project();
  p.windows[0].style = 1;
  p.windows[0].backgrounds[0].width = 560;
  p.windows[0].backgrounds[0].height = 380;
  start(p);
  mainglobals().dontLimitWindows = 0;
  const desk d = current();
  ASSERT_TRUE(d.hscroll != nilid && IsControlVisible(d.hscroll));
  backrec b = loadat<backrec>(deref(d.back));
  Handle list = b.uprops;
  addprop(&list, "minimumSize", "200,150");
  b.uprops = list;
  storeat<backrec>(deref(d.back), b);
  const WindowRef w = d.window;
  Point grow = centre(region(w, kWindowGrowRgn));
  drive::drag(grow, Point{i16(grow.v - 400), i16(grow.h - 500)}, 5);
  settle();
  Rect c = region(w, kWindowContentRgn);
  EXPECT_EQ(c.right - c.left, 200);
  EXPECT_EQ(c.bottom - c.top, 150);
  EXPECT_NE(count(log(), "resizeWindow"), 0);
  grow = centre(region(w, kWindowGrowRgn));
  drive::drag(grow, Point{i16(grow.v + 500), i16(grow.h + 100)}, 5);
  settle();
  c = region(w, kWindowContentRgn);
  EXPECT_EQ(c.bottom - c.top, 380 + 15) << "the card's height and the bar";
}

// Acceptance: shrinking a window scrolled to the bottom-right pulls its scroll back inside the
// card.
TEST_F(CardWindowTest, ShrinkingAScrolledWindowKeepsTheCardInView) {
  Project p = project();
  p.windows[0].style = 1;
  p.windows[0].backgrounds[0].width = 800;
  p.windows[0].backgrounds[0].height = 600;
  start(p);
  const desk d = current();
  ASSERT_NE(d.hscroll, nilid);
  SetControl32BitValue(d.hscroll, GetControl32BitMaximum(d.hscroll));
  SetControl32BitValue(d.vscroll, GetControl32BitMaximum(d.vscroll));
  const WindowRef w = d.window;
  Point grow = centre(region(w, kWindowGrowRgn));
  drive::drag(grow, Point{i16(grow.v + 100), i16(grow.h + 100)}, 5);
  settle();
  const Rect c = region(w, kWindowContentRgn);
  const i32 visiblewidth = c.right - c.left - 15, visibleheight = c.bottom - c.top - 15;
  EXPECT_LE(GetControl32BitValue(d.hscroll) + visiblewidth, 800);
  EXPECT_LE(GetControl32BitValue(d.vscroll) + visibleheight, 600);
}

// Acceptance: a move with mode 1 sends "presizeWindow", then the window record keeps the
// content rectangle and is marked changed.
TEST_F(CardWindowTest, AResizeTellsTheCardAndKeepsTheRectangle) {
  Project p = project();
  p.windows[0].cards[0].script += logs("", {"presizeWindow"});
  start(p);
  const desk d = current();
  MoveWindow(d.window, 150, 130, false);
  runedit(kWindowMoved, 1, d.window);
  EXPECT_EQ(log(), "presizeWindow,");
  const windrec wr = loadat<windrec>(deref(current().wind));
  const Rect c = region(d.window, kWindowContentRgn);
  EXPECT_EQ(wr.rect1.left, c.left);
  EXPECT_EQ(wr.rect1.top, c.top);
  EXPECT_EQ(wr.rect1.right, c.right);
  u16 flag = 0;
  testvir(d.store, i32(d.windrecid), &flag);
  EXPECT_NE(flag, 0);
}

// Acceptance: a "zoomWindow" handler that exits to the top keeps the window's size; without
// it the window zooms out and back in to where it was.
TEST_F(CardWindowTest, ZoomingAWindow) {
  for (bool exits : {true, false}) {
    Project p = project();
    p.windows[0].backgrounds[0].width = 900;
    p.windows[0].backgrounds[0].height = 700;
    p.windows[0].cards[0].script = "on zoomWindow how\n  global log\n  put how & \",\" after log\n" +
                                   std::string(exits ? "  exit to kestrove\n" : "") + "end zoomWindow\n";
    start(p, exits ? "exits.kv45" : "zooms.kv45");
    mainglobals().dontLimitWindows = 0;
    const WindowRef w = current().window;
    const Rect before = region(w, kWindowContentRgn);
    doCustomZoom(w);
    const Rect zoomed = region(w, kWindowContentRgn);
    EXPECT_EQ(log(), "zoomout,");
    if (exits) {
      EXPECT_EQ(zoomed.right - zoomed.left, before.right - before.left);
      EXPECT_EQ(zoomed.bottom - zoomed.top, before.bottom - before.top);
    } else {
      EXPECT_GT(zoomed.right - zoomed.left, before.right - before.left);
      EXPECT_LE(zoomed.right - zoomed.left, 900) << "no wider than the card";
      doCustomZoom(w);
      EXPECT_EQ(log(), "zoomout,zoomin,");
      const Rect back = region(w, kWindowContentRgn);
      EXPECT_EQ(back.right - back.left, before.right - before.left);
      EXPECT_EQ(back.bottom - back.top, before.bottom - before.top);
    }
    closeallwindows();
  }
}

// A rectangle wider than the coordinates allow is cut to the offscreen world's size (to the
// largest size without one), never wrapped round to a negative size.
TEST_F(CardWindowTest, AWindowMovedToAHugeRectangleKeepsASensibleSize) {
  start(project());
  const WindowRef w = current().window;
  rectowind(Rect{-32000, -32000, 32000, 32000}, w);
  const Rect c = region(w, kWindowContentRgn);
  const Rect off = GetOffScreenBounds();
  const i32 most = off.right > off.left ? off.right - off.left : 32767;
  EXPECT_EQ(c.right - c.left, most);
  EXPECT_EQ(c.bottom - c.top, off.bottom > off.top ? off.bottom - off.top : 32767);
  EXPECT_EQ(c.left, -32000);
}

// The mend: grow and zoom handlers that fail leave no screen lock, no locked messages and the
// window current.
TEST_F(CardWindowTest, FailingGrowAndZoomHandlersLeaveNothingLocked) {
  setunattendedpolicy(UnattendedPolicy::usedefault);
  Project p = project();
  p.windows[0].cards[0].script =
      "on resizeWindow\n  put 1 into empty\nend resizeWindow\n"
      "on zoomWindow\n  put 1 into empty\nend zoomWindow\n";
  start(p);
  MainGlobals& g = mainglobals();
  const WindowRef w = current().window;
  const i32 locks = g.lockcount;
  transcriptclear();
  const Point grow = centre(region(w, kWindowGrowRgn));
  drive::drag(grow, Point{i16(grow.v - 40), i16(grow.h - 60)}, 3);
  settle();
  doCustomZoom(w);
  int sent = 0;
  for (const std::string& l : transcriptlines())
    sent += l.rfind("message: resizeWindow", 0) == 0 || l.rfind("message: zoomWindow", 0) == 0;
  EXPECT_EQ(sent, 2) << "both handlers ran";
  EXPECT_EQ(g.lockcount, locks);
  EXPECT_EQ(g.lockMessages, 0);
  EXPECT_EQ(current().window, w);
}

// Acceptance: with liveResize each change of the bounds while the grow is tracked is stored in
// the window record; without it the platform resizes the outline alone.
TEST_F(CardWindowTest, ALiveResizeStoresEachBoundsChange) {
  for (bool live : {true, false}) {
    Project p = project();
    p.windows[0].flags = live ? 15 | kWindFlagLiveResize : 15;
    start(p, live ? "live.kv45" : "outline.kv45");
    const desk d = current();
    SizeWindow(d.window, 300, 200, true);
    ScopedEvent e(kEventClassWindow, kEventWindowBoundsChanged);
    u32 ref = d.window;
    SetEventParameter(e, kEventParamDirectObject, typeWindowRef, sizeof ref, &ref);
    EXPECT_EQ(PeditRTRedrawForLiveResize(0, e, 0), live ? noErr : -9874);
    const windrec wr = loadat<windrec>(deref(d.wind));
    EXPECT_EQ(wr.rect1.right - wr.rect1.left == 300 && wr.rect1.bottom - wr.rect1.top == 200, live);
    EXPECT_EQ(current().window, d.window);
    closeallwindows();
  }
}

// Acceptance: dragging windows by their title bars.
TEST_F(CardWindowTest, DraggingWindows) {
  Project p = project();
  p.windows.push_back(p.windows[0]);
  p.windows[1].name = "Second";
  p.windows[1].rect = Rect{300, 300, 500, 700};
  p.windows[1].flags = 15 & ~kWindowDraggable;
  build(p);
  ASSERT_EQ(open("p.kv45", 1), 0);
  const WindowRef first = current().window;
  ASSERT_EQ(open("p.kv45", 2), 0);
  const WindowRef second = current().window;
  settle();
  clearlog();
  auto drag = [&](WindowRef w, i16 dh, u16 modifiers) {
    Point title = centre(region(w, kWindowTitleBarRgn));
    drive::drag(title, Point{title.v, i16(title.h + dh)}, 5, modifiers);
    settle();
  };
  Rect before = region(second, kWindowStructureRgn);
  drag(second, 40, 0);
  EXPECT_EQ(region(second, kWindowStructureRgn).left, before.left) << "not draggable";
  before = region(first, kWindowStructureRgn);
  drag(first, 40, 0);
  EXPECT_EQ(region(first, kWindowStructureRgn).left, before.left) << "a window behind is only selected";
  EXPECT_EQ(FrontWindow(), first);
  EXPECT_EQ(count(log(), "dragWindow"), 0);
  SelectWindow(second);
  ASSERT_EQ(FrontNonFloatingWindow(), second);
  before = region(first, kWindowStructureRgn);
  drag(first, 40, cmdKey);
  EXPECT_EQ(region(first, kWindowStructureRgn).left, before.left + 40) << "dragged with the command key";
  EXPECT_EQ(FrontNonFloatingWindow(), second) << "and left behind";
  EXPECT_EQ(count(log(), "dragWindow"), 1);

  initmes();
  const WindowRef box = mainglobals().msgwindow;
  ShowWindow(box);
  BringToFront(box);
  before = region(box, kWindowStructureRgn);
  drag(box, 30, 0);
  EXPECT_EQ(region(box, kWindowStructureRgn).left, before.left + 30) << "the message box is dragged";
}

}  // namespace
}  // namespace kv
