// The event manager on the headless backend: the virtual clock, the event order, the input
// state polls and the platform's handlers.
#include <gtest/gtest.h>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/events/keycodes.h"
#include "platform/process/process.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class EventsTest : public RuntimeTest {
 protected:
  HeadlessBackend& hb() { return *headlessbackend(); }
};

// Acceptance: WaitNextEvent on an empty timeline answers a null event and moves the virtual
// clock by exactly its sleep; an injected mouse-down comes before any null event.
TEST_F(EventsTest, WaitNextEventSleepsOnTheVirtualClockAndInputComesFirst) {
  EventRecord e{};
  u32 t0 = TickCount();
  EXPECT_FALSE(WaitNextEvent(everyEvent, &e, 2));
  EXPECT_EQ(u32(e.what), u32(nullEvent));
  EXPECT_EQ(TickCount(), t0 + 2);
  EXPECT_EQ(TickCount(), t0 + 2) << "reading the tick count never moves the clock";

  drive::mouseDown(Point{100, 200});
  EXPECT_TRUE(WaitNextEvent(everyEvent, &e, 30));
  EXPECT_EQ(u32(e.what), u32(mouseDown));
  Point where = e.where;
  EXPECT_EQ(where, (Point{100, 200}));
  EXPECT_EQ(TickCount(), t0 + 2) << "a due input ends the wait at once";
  EXPECT_EQ(u32(e.modifiers) & btnState, 0u) << "the button is down";
}

TEST_F(EventsTest, WaitEndsAtTheNextDueInputBeforeItsDeadline) {
  u32 t0 = TickCount();
  drive::advance(5);
  drive::keychar('x');
  EventRecord e{};
  EXPECT_TRUE(WaitNextEvent(everyEvent, &e, 60));
  EXPECT_EQ(u32(e.what), u32(keyDown));
  EXPECT_EQ(u32(e.message) & charCodeMask, u32('x'));
  EXPECT_EQ((u32(e.message) & keyCodeMask) >> 8, 0x07u);
  EXPECT_EQ(TickCount(), t0 + 5);
  EXPECT_EQ(u32(e.when), t0 + 5);
}

TEST_F(EventsTest, MaskedEventsStayQueuedAndComeInPostingOrder) {
  PostEvent(diskEvt, fourcc("moun"));
  drive::key(kVKReturn);
  EventRecord e{};
  EXPECT_TRUE(WaitNextEvent(keyDownMask, &e, 0));
  EXPECT_EQ(u32(e.what), u32(keyDown));
  EXPECT_EQ(u32(e.message) & charCodeMask, 13u);
  EXPECT_TRUE(GetNextEvent(everyEvent, &e));
  EXPECT_EQ(u32(e.what), u32(diskEvt));
  EXPECT_FALSE(GetNextEvent(everyEvent, &e)) << "the key-up is not due yet";
  EXPECT_TRUE(WaitNextEvent(everyEvent, &e, 5));
  EXPECT_EQ(u32(e.what), u32(keyUp));
  EXPECT_FALSE(GetNextEvent(everyEvent, &e));
}

// Acceptance: a window with a non-empty update region yields an update event; changing the
// front window yields deactivate and activate events (active flag) before anything else.
TEST_F(EventsTest, UpdateAndActivateEventsAreSynthesised) {
  Rect r1{100, 100, 300, 400}, r2{150, 150, 350, 450};
  WindowRef a = nilid, b = nilid;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &r1, &a), noErr);
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &r2, &b), noErr);
  ShowWindow(a);
  EventRecord e{};
  ASSERT_TRUE(GetNextEvent(everyEvent, &e));
  EXPECT_EQ(u32(e.what), u32(activateEvt));
  EXPECT_EQ(u32(e.message), a);
  EXPECT_EQ(u32(e.modifiers) & activeFlag, u32(activeFlag));
  ASSERT_TRUE(GetNextEvent(everyEvent, &e)) << "the first show invalidates the whole content";
  EXPECT_EQ(u32(e.what), u32(updateEvt));
  EXPECT_EQ(u32(e.message), a);
  BeginUpdate(a);
  EndUpdate(a);
  EXPECT_FALSE(GetNextEvent(everyEvent, &e)) << "the update region is empty after the update";

  Rect part{10, 10, 20, 20};
  InvalWindowRect(a, &part);
  ASSERT_TRUE(EventAvail(updateMask, &e));
  EXPECT_EQ(u32(e.message), a);
  RgnHandle rgn = NewRgn();
  GetWindowRegion(a, kWindowUpdateRgn, rgn);
  EXPECT_EQ(regionbounds(rgn), (Rect{110, 110, 120, 120})) << "update regions are global";
  DisposeRgn(rgn);
  ValidWindowRect(a, &part);
  EXPECT_FALSE(EventAvail(updateMask, &e));

  ShowWindow(b);  // b comes in front of a
  BeginUpdate(b);
  EndUpdate(b);
  ASSERT_TRUE(GetNextEvent(everyEvent, &e));
  EXPECT_EQ(u32(e.what), u32(activateEvt));
  EXPECT_EQ(u32(e.message), a);
  EXPECT_EQ(u32(e.modifiers) & activeFlag, 0u) << "a deactivate event for the old front window";
  ASSERT_TRUE(GetNextEvent(everyEvent, &e));
  EXPECT_EQ(u32(e.what), u32(activateEvt));
  EXPECT_EQ(u32(e.message), b);
  EXPECT_EQ(u32(e.modifiers) & activeFlag, u32(activeFlag));
  EXPECT_TRUE(IsWindowHilited(b));
  EXPECT_FALSE(IsWindowHilited(a));
  DisposeWindow(a);
  DisposeWindow(b);
}

// Acceptance: StillDown follows a scripted click; EventAvail sees a queued click without
// taking it; polling with no input due moves the clock one tick per poll.
TEST_F(EventsTest, StillDownFollowsAScriptedClick) {
  drive::click(Point{50, 60});
  EventRecord e{};
  ASSERT_TRUE(EventAvail(mDownMask, &e));
  EXPECT_EQ(u32(e.what), u32(mouseDown));
  ASSERT_TRUE(EventAvail(mDownMask, &e)) << "EventAvail leaves the event queued";
  ASSERT_TRUE(GetNextEvent(mDownMask, &e));
  u32 downat = TickCount();
  int polls = 0;
  while (StillDown()) ++polls;  // each poll is one tick; the button is up 2 ticks after it went down
  EXPECT_EQ(polls, 1);
  EXPECT_EQ(TickCount(), downat + 2);
  EXPECT_FALSE(Button());
  ASSERT_TRUE(GetNextEvent(mUpMask, &e));
  EXPECT_EQ(u32(e.what), u32(mouseUp));
  EXPECT_NE(u32(e.modifiers) & btnState, 0u);

  // While the mouse-down of a press is still queued, the press is not "still down".
  drive::mouseDown(Point{5, 5});
  drive::advance(10);
  drive::mouseUp();
  EXPECT_FALSE(StillDown());
  EXPECT_TRUE(Button());
  FlushEvents(everyEvent, 0);
}

TEST_F(EventsTest, PollingWithNoInputDueMovesOneTickPerPollAndEnds) {
  u32 start = TickCount();
  int polls = 0;
  while (TickCount() < start + 30) {
    EXPECT_FALSE(StillDown());
    ++polls;
  }
  EXPECT_EQ(polls, 30);
  Point p;
  GetMouse(&p);
  KeyMap keys;
  GetKeys(keys);
  EXPECT_EQ(TickCount(), start + 32);
  notestatements(2500);
  EXPECT_EQ(TickCount(), start + 34);
  notestatements(500);
  EXPECT_EQ(TickCount(), start + 35) << "statements count on across reports";
}

// Acceptance: drag(a, b, 10) walks GetMouse from a to b over 10 ticks.
TEST_F(EventsTest, DragWalksTheMouseFromAToB) {
  Point a{100, 100}, b{200, 150};
  drive::drag(a, b, 10);
  EventRecord e{};
  ASSERT_TRUE(GetNextEvent(mDownMask, &e));
  u32 t0 = TickCount();
  Point where = e.where;
  EXPECT_EQ(where, a);
  std::vector<Point> seen;
  while (StillDown()) {
    Point p;
    GetMouse(&p);
    seen.push_back(p);
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), b);
  for (std::size_t i = 1; i < seen.size(); ++i) {
    EXPECT_GE(seen[i].v, seen[i - 1].v);
    EXPECT_GE(seen[i].h, seen[i - 1].h);
  }
  Point reached = seen.front();
  EXPECT_GT(reached.v, a.v);
  EXPECT_EQ(TickCount(), t0 + 11) << "10 ticks of moves, then the release";
}

TEST_F(EventsTest, KeysAndModifiersFollowTheInput) {
  drive::key(kVKLeftArrow, shiftKey | cmdKey);
  KeyMap keys;
  GetKeys(keys);  // takes the due key-down without moving the clock
  EXPECT_TRUE(keys[kVKLeftArrow / 8] & (1 << (kVKLeftArrow % 8)));
  EXPECT_TRUE(keys[kVKCommand / 8] & (1 << (kVKCommand % 8)));
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(keyDownMask, &e, 0));
  EXPECT_EQ(u32(e.message) & charCodeMask, u32(kLeftArrowCharCode));
  EXPECT_EQ(u32(e.modifiers) & (shiftKey | cmdKey), u32(shiftKey | cmdKey));
  while (Button()) {
  }
  GetKeys(keys);
  for (u8 b : keys) EXPECT_EQ(b, 0) << "everything was released";
  EXPECT_EQ(GetCurrentKeyModifiers() & (shiftKey | cmdKey), 0);
}

TEST_F(EventsTest, TypedTextBecomesKeyDownsWithShiftWhereNeeded) {
  drive::type("aB!");
  std::string got;
  EventRecord e{};
  while (WaitNextEvent(keyDownMask, &e, 10)) {
    got += char(u32(e.message) & charCodeMask);
    if (got.size() == 2) {
      EXPECT_NE(u32(e.modifiers) & shiftKey, 0u);
    }
  }
  EXPECT_EQ(got, "aB!");
}

TEST_F(EventsTest, FlushEventsStopsAtTheStopMask) {
  PostEvent(mouseDown, 0);
  PostEvent(keyDown, 'a');
  PostEvent(mouseDown, 0);
  FlushEvents(mDownMask, keyDownMask);
  EventRecord e{};
  ASSERT_TRUE(GetNextEvent(everyEvent, &e));
  EXPECT_EQ(u32(e.what), u32(keyDown));
  ASSERT_TRUE(GetNextEvent(everyEvent, &e));
  EXPECT_EQ(u32(e.what), u32(mouseDown));
  FlushEvents(everyEvent, 0);
  EXPECT_FALSE(EventAvail(everyEvent, &e));
}

TEST_F(EventsTest, UserCancelIsCommandPeriodOrEscape) {
  drive::keychar('x');
  EXPECT_FALSE(CheckEventQueueForUserCancel());
  drive::keychar('.', cmdKey);
  drive::advance(20);
  Delay(10, nullptr);
  EXPECT_TRUE(CheckEventQueueForUserCancel());
  drive::key(kVKEscape);  // after the 20-tick pause left above
  Delay(30, nullptr);
  EXPECT_TRUE(CheckEventQueueForUserCancel());
}

TEST_F(EventsTest, DelayWaitsOnTheVirtualClockAndKeepsInput) {
  u32 t0 = TickCount();
  drive::advance(3);
  drive::click(Point{1, 1});
  u32 end = 0;
  Delay(20, &end);
  EXPECT_EQ(end, t0 + 20);
  EventRecord e{};
  EXPECT_TRUE(GetNextEvent(mDownMask, &e)) << "input that came during the delay is queued";
  EXPECT_EQ(u32(e.when), t0 + 3);
}

TEST_F(EventsTest, SuspendAndResumeAreOperatingSystemEvents) {
  drive::suspend();
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(everyEvent, &e, 1));
  EXPECT_EQ(u32(e.what), u32(osEvt));
  EXPECT_EQ(u32(e.message) >> 24, suspendResumeMessage);
  EXPECT_EQ(u32(e.message) & resumeFlag, 0u);
  EXPECT_FALSE(processisfront());
  ProcessSerialNumber front, me;
  GetFrontProcess(&front);
  GetCurrentProcess(&me);
  Boolean same = 1;
  SameProcess(&front, &me, &same);
  EXPECT_FALSE(same);

  ASSERT_EQ(SetFrontProcess(&me), noErr);
  ASSERT_TRUE(WaitNextEvent(everyEvent, &e, 1));
  EXPECT_EQ(u32(e.what), u32(osEvt));
  EXPECT_EQ(u32(e.message) & resumeFlag, u32(resumeFlag));
  EXPECT_TRUE(processisfront());
  EXPECT_EQ(hb().raises(), 1u);
}

TEST_F(EventsTest, QuitAndOpenDocumentsAreHighLevelEvents) {
  drive::openDocuments({"/tmp/a.kv45", "/tmp/b.kv45"});
  drive::quitRequest();
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 5));
  EXPECT_EQ(u32(e.what), u32(kHighLevelEvent));
  EXPECT_EQ(u32(e.message), fourcc("aevt"));
  Point id = e.where;
  EXPECT_EQ((u32(u16(id.v)) << 16) | u16(id.h), fourcc("odoc"));
  HighLevelRequest r;
  ASSERT_TRUE(takehighlevelrequest(&r));
  EXPECT_EQ(r.eventid, fourcc("odoc"));
  EXPECT_EQ(r.paths.size(), 2u);
  EXPECT_FALSE(takehighlevelrequest(&r)) << "each request is taken once";
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 5));
  ASSERT_TRUE(takehighlevelrequest(&r));
  EXPECT_EQ(r.eventid, fourcc("quit"));

  // Requests stay with their events when others are flushed or taken out of order.
  drive::openDocuments({"/tmp/x"});
  drive::quitRequest();
  drive::openDocuments({"/tmp/y"});
  Delay(5, nullptr);
  PostEvent(kHighLevelEvent, fourcc("aevt"));  // posted by hand: no request of its own
  FlushEvents(highLevelEventMask, 0);
  EXPECT_FALSE(EventAvail(highLevelEventMask, &e));
  drive::openDocuments({"/tmp/z"});
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 5));
  ASSERT_TRUE(takehighlevelrequest(&r));
  EXPECT_EQ(r.paths, (std::vector<std::string>{"/tmp/z"}));
}

// --- Platform handlers ---------------------------------------------------------------------

struct Seen {
  int calls = 0;
  u32 lastkind = 0;
  i16 volume = 0;
  i32 wheel = 0;
  std::vector<u16> axes;
  u32 command = 0;
  std::vector<u32> order;
};
Seen* seen = nullptr;

OSStatus volumehandler(EventHandlerCallRef, EventRef ev, u32 userdata) {
  seen->calls++;
  seen->lastkind = GetEventKind(ev);
  GetEventParameter(ev, kEventParamDirectObject, typeFSVolumeRefNum, nullptr, sizeof seen->volume, nullptr,
                    &seen->volume);
  seen->order.push_back(userdata);
  return noErr;
}

OSStatus passing(EventHandlerCallRef call, EventRef ev, u32 userdata) {
  seen->order.push_back(userdata);
  OSStatus r = CallNextEventHandler(call, ev);
  seen->order.push_back(userdata + 100);
  return r;
}

OSStatus wheelhandler(EventHandlerCallRef, EventRef ev, u32) {
  seen->calls++;
  GetEventParameter(ev, kEventParamMouseWheelDelta, typeSInt32, nullptr, sizeof seen->wheel, nullptr, &seen->wheel);
  u16 axis = 9;
  GetEventParameter(ev, kEventParamMouseWheelAxis, typeMouseWheelAxis, nullptr, sizeof axis, nullptr, &axis);
  seen->axes.push_back(axis);
  return noErr;
}

OSStatus dockhandler(EventHandlerCallRef, EventRef ev, u32) {
  HICommand cmd{};
  if (GetEventParameter(ev, kEventParamDirectObject, typeHICommand, nullptr, sizeof cmd, nullptr, &cmd) != noErr)
    return eventNotHandledErr;
  seen->command = cmd.commandID;
  return noErr;
}

OSStatus collapsehandler(EventHandlerCallRef, EventRef ev, u32) {
  seen->lastkind = GetEventKind(ev);
  seen->calls++;
  return noErr;
}

TEST_F(EventsTest, PlatformHandlersRunInsideTheWaitByClassAndKind) {
  Seen s;
  seen = &s;
  EventTypeSpec vol[] = {{kEventClassVolume, kEventVolumeMounted}, {kEventClassVolume, kEventVolumeUnmounted}};
  EventTypeSpec wheel[] = {{kEventClassMouse, kEventMouseWheelMoved}};
  EventTypeSpec dock[] = {{kEventClassCommand, kEventProcessCommand}};
  EventHandlerRef h1 = 0, h2 = 0;
  ASSERT_EQ(InstallApplicationEventHandler(volumehandler, 2, vol, 1, &h1), noErr);
  ASSERT_EQ(InstallApplicationEventHandler(passing, 2, vol, 2, &h2), noErr);
  InstallApplicationEventHandler(wheelhandler, 1, wheel, 0, nullptr);
  InstallApplicationEventHandler(dockhandler, 1, dock, 0, nullptr);

  drive::volumeChange(-3, true);
  drive::wheel(Point{10, 10}, 3, true);
  drive::wheel(Point{10, 10}, -2);
  drive::dockCommand(fourcc("DM03"));
  EventRecord e{};
  EXPECT_FALSE(WaitNextEvent(everyEvent, &e, 10)) << "handled inside the wait, nothing queued";
  EXPECT_EQ(s.volume, -3);
  EXPECT_EQ(s.lastkind, u32(kEventVolumeMounted));
  EXPECT_EQ(s.order, (std::vector<u32>{2, 1, 102})) << "the newest handler first; it passes the event on";
  EXPECT_EQ(s.wheel, -2);
  EXPECT_EQ(s.axes, (std::vector<u16>{0, 1})) << "the platform's axis: 0 horizontal, 1 vertical";
  EXPECT_EQ(s.command, fourcc("DM03"));

  RemoveEventHandler(h2);
  s.order.clear();
  drive::volumeChange(4, false);
  Delay(2, nullptr);
  EXPECT_EQ(s.order, (std::vector<u32>{1}));
  EXPECT_EQ(s.lastkind, u32(kEventVolumeUnmounted));
  seen = nullptr;
}

TEST_F(EventsTest, CollapseGoesToTheWindowsHandlersAndCollapsesTheWindow) {
  Seen s;
  seen = &s;
  Rect r{100, 100, 200, 200};
  WindowRef w = nilid;
  CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &r, &w);
  ShowWindow(w);
  EventTypeSpec types[] = {{kEventClassWindow, kEventWindowCollapsed}, {kEventClassWindow, kEventWindowExpanded}};
  InstallEventHandler(w, collapsehandler, 2, types, 0, nullptr);
  drive::collapseWindow(w, true);
  Delay(2, nullptr);
  EXPECT_TRUE(IsWindowCollapsed(w));
  EXPECT_EQ(s.lastkind, u32(kEventWindowCollapsed));
  DisposeWindow(w);
  drive::collapseWindow(w, false);
  Delay(2, nullptr);
  EXPECT_EQ(s.calls, 1) << "the disposed window's handlers went with it";
  seen = nullptr;
}

}  // namespace
}  // namespace kv
