// The internal event queue, disk events from the volume handler, the front-process tests, the
// click and abort polls, and the deferred flushing of window buffers.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/events/keycodes.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/process/process.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "core/memoryguard.h"
#include "tests/support/veltrix.h"
#include "shell/mainloop.h"

namespace kv {
namespace {

class EventQueueTest : public VeltrixTest {
 protected:
  // Lets the scripted input that is due reach the event queue.
  void due(u32 ticks) {
    headlessbackend()->advance(ticks);
    takedueinputs();
  }
};

EventRecord diskevent(u32 message, i16 volume) {
  EventRecord e{};
  e.what = diskEvt;
  e.message = message;
  e.modifiers = u16(volume);
  return e;
}

TEST_F(EventQueueTest, TheQueueHandsEventsOutInPostingOrder) {
  EventRecord out{};
  out.what = 99;
  EXPECT_EQ(FetchEventFromInternalQueue(&out), 0);
  EXPECT_EQ(u32(out.what), 99) << "an empty queue leaves the record alone";
  PostEventToInternalQueue(diskevent(kDiskMounted, 3));
  PostEventToInternalQueue(diskevent(kDiskUnmounted, 4));
  ASSERT_EQ(FetchEventFromInternalQueue(&out), 1);
  EXPECT_EQ(u32(out.message), kDiskMounted);
  EXPECT_EQ(u32(out.modifiers), 3);
  ASSERT_EQ(FetchEventFromInternalQueue(&out), 1);
  EXPECT_EQ(u32(out.message), kDiskUnmounted);
  EXPECT_EQ(u32(out.modifiers), 4);
  EXPECT_EQ(FetchEventFromInternalQueue(&out), 0);
  EXPECT_EQ(GetHandleSize(mainglobals().internalqueue), 0);
}

TEST_F(EventQueueTest, AnEventThatFindsNoMemoryIsDropped) {
  failallocationafter(1);
  PostEventToInternalQueue(diskevent(kDiskMounted, 3));
  failallocationafter(0);
  EventRecord out{};
  EXPECT_EQ(FetchEventFromInternalQueue(&out), 0);
}

// The volume handler turns the platform's volume events into disk events of the internal
// queue, and leaves no platform event recorded as running.
TEST_F(EventQueueTest, TheVolumeHandlerPostsDiskEvents) {
  const EventTypeSpec volumes[2] = {{kEventClassVolume, kEventVolumeMounted},
                                    {kEventClassVolume, kEventVolumeUnmounted}};
  EventHandlerRef ref = 0;
  ASSERT_EQ(InstallApplicationEventHandler(PeditRTHandleDiskEvent, 2, volumes, 0, &ref), noErr);
  drive::volumeChange(12, true, "Data");
  drive::volumeChange(12, false);
  due(5);
  EventRecord out{};
  ASSERT_EQ(FetchEventFromInternalQueue(&out), 1);
  EXPECT_EQ(u32(out.what), diskEvt);
  EXPECT_EQ(u32(out.message), kDiskMounted);
  EXPECT_EQ(i32(i16(out.modifiers)), 12);
  EXPECT_EQ(i32(out.where.h), 0);
  ASSERT_EQ(FetchEventFromInternalQueue(&out), 1);
  EXPECT_EQ(u32(out.message), kDiskUnmounted);
  EXPECT_EQ(eventloopstate().carbonevent, 0u);
  EXPECT_EQ(eventloopstate().carboncall, 0u);
  RemoveEventHandler(ref);
}

TEST_F(EventQueueTest, FrontProcess) {
  MainGlobals& g = mainglobals();
  setprocessfront(true);
  EXPECT_EQ(checkfront(), 0);
  EXPECT_EQ(g.notfront, 0);
  EXPECT_TRUE(weAreFrontApp());
  EXPECT_TRUE(weAreFrontProcess());
  setprocessfront(false);
  EXPECT_EQ(checkfront(), 1);
  EXPECT_EQ(g.notfront, 1);
  EXPECT_EQ(checkfront(), 0) << "no change the second time";
  EXPECT_FALSE(weAreFrontApp());
  u32 raises = headlessbackend()->raises();
  bringapptofront(0);
  EXPECT_EQ(headlessbackend()->raises(), raises + 1);
  due(1);
  EXPECT_TRUE(processisfront());
}

TEST_F(EventQueueTest, TheClickPollLooksEveryThirtyTicks) {
  MainGlobals& g = mainglobals();
  g.notfront = 1;
  EXPECT_EQ(isclick(), 48) << "another program in front";
  g.notfront = 0;
  EXPECT_EQ(isclick(), 0);
  drive::mouseDown(Point{10, 10});
  due(1);
  EXPECT_EQ(isclick(), 0) << "looked less than 30 ticks ago";
  headlessbackend()->advance(30);
  g.dragref = 5;
  EXPECT_EQ(isclick(), 0) << "a drag is being tracked";
  g.dragref = 0;
  headlessbackend()->advance(31);
  EXPECT_EQ(isclick(), 48);
}

class AbortTest : public EventQueueTest {
 protected:
  void SetUp() override {
    EventQueueTest::SetUp();
    setabortcheck({});
  }
  void commandperiod(u16 more = 0) {
    drive::keychar('.', u16(cmdKey | more));
    due(3);
  }
};

TEST_F(AbortTest, CommandPeriodStopsTheScript) {
  commandperiod();
  EXPECT_EQ(isabort(0), 48);
  EXPECT_EQ(mainglobals().abortkey, 1);
  EventRecord e{};
  EXPECT_FALSE(EventAvail(keyDownMask, &e)) << "the pending events are flushed";
}

TEST_F(AbortTest, ThePollLooksOnceInThirtyTicks) {
  u32 now = TickCount();
  EXPECT_EQ(isabort(now), 0);
  commandperiod();
  EXPECT_EQ(isabort(now + 10), 0);
  EXPECT_EQ(isabort(now + 30), 0);
  EXPECT_EQ(isabort(now + 31), 48);
}

TEST_F(AbortTest, WithoutAllowInterruptsTheKeyIsNotedAndTheScriptGoesOn) {
  mainglobals().allowInterrupts = 0;
  commandperiod();
  EXPECT_EQ(isabort(0), 0);
  EXPECT_EQ(mainglobals().abortkey, 1);
}

// The end of the run stops every script between two statements as `exit to Kestrove` does; a
// quit request stops the one running once; the watchdog ends a run whose script has run 10
// virtual minutes with no input left, naming the handler.
TEST_F(AbortTest, TheRunsEndStopsScripts) {
  stopscriptforquit();
  EXPECT_EQ(isabort(0), -998);
  EXPECT_EQ(isabort(0), 0) << "once";
  endrun(kExitOK, "done");
  EXPECT_EQ(isabort(0), -998);
  EXPECT_EQ(isabort(0), -998) << "every time";
}

// The checks after every statement read flags kept with the quit request, the end of the run
// and a test's injected check: a forgotten request, a removed check and a reset clear them.
TEST_F(AbortTest, WhatStopsAScriptGoesWithItsCause) {
  stopscriptforquit();
  forgetscriptstop();
  EXPECT_EQ(scriptstop(), ScriptStop::none);
  setabortcheck([](u32) { return i16(0); });
  EXPECT_TRUE(abortcheckinjected());
  setabortcheck({});
  EXPECT_FALSE(abortcheckinjected());
  setabortcheck([](u32) { return i16(0); });
  endrun(kExitOK, "done");
  forgetscriptstop();
  EXPECT_EQ(scriptstop(), ScriptStop::runend) << "the end of the run is not forgotten";
  resetruntime();
  EXPECT_EQ(scriptstop(), ScriptStop::none);
  EXPECT_FALSE(abortcheckinjected());
  stopscriptforquit();
  EXPECT_EQ(scriptstop(), ScriptStop::quit);
  EXPECT_EQ(scriptstop(), ScriptStop::none);
}

TEST_F(AbortTest, AHandlerRunningTenMinutesIsStuck) {
  script("on spin\n  repeat forever\n  end repeat\nend spin");
  notepassbegins();
  setabortcheck([](u32) {
    headlessbackend()->advance(kLoopWatchdogTicks);
    return i16(0);
  });
  EXPECT_EQ(send("spin"), -998) << "stopped as by exit to Kestrove";
  EXPECT_EQ(runendstatus(), kExitStuck);
  EXPECT_EQ(runendreason().rfind("stuck: the handler spin of ", 0), 0u) << runendreason();
}

// SIGINT is the abort key; a second one within two seconds asks to quit with status 130.
TEST_F(AbortTest, InterruptSignals) {
  installquitsignals();
  ::raise(SIGINT);
  EXPECT_EQ(isabort(TickCount() + 31), 48);
  ::raise(SIGINT);
  takedueinputs();
  std::signal(SIGINT, SIG_DFL);
  EXPECT_EQ(quitsignalstatus(), 128 + SIGINT);
  EventRecord e{};
  EXPECT_TRUE(EventAvail(highLevelEventMask, &e)) << "a quit request";
}

TEST_F(AbortTest, EscapeStopsAsWell) {
  drive::key(kVKEscape);
  due(3);
  EXPECT_EQ(isabort(0), 48);
}

// With the option key held the abort is not taken; until one such poll went on, a shortage of
// memory is reported instead.
TEST_F(AbortTest, TheOptionKeyHoldsTheAbortBack) {
  auto holdoption = [this]() {
    InputEvent in;
    in.kind = InputKind::modifiers;
    in.when = TickCount();
    in.modifiers = optionKey;
    headlessbackend()->schedule(in);
    due(0);
  };
  setmemoryguardrefusal(true);
  commandperiod();
  holdoption();
  EXPECT_EQ(isabort(TickCount() + 40), 37);
  setmemoryguardrefusal(false);
  commandperiod();
  holdoption();
  EXPECT_EQ(isabort(TickCount() + 80), 0);
  setmemoryguardrefusal(true);
  commandperiod();
  holdoption();
  EXPECT_EQ(isabort(TickCount() + 120), 0) << "once one poll went on, the shortage is no longer reported";
  setmemoryguardrefusal(false);
}

TEST_F(EventQueueTest, FlushesComeAtMostOncePerTick) {
  Rect r{100, 100, 200, 200};
  WindowRef w = nilid;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &w), noErr);
  MainGlobals& g = mainglobals();
  EconomyFlush(GetWindowPort(w), 0);
  EXPECT_EQ(g.flushwanted, 0) << "the first flush happens at once";
  EconomyFlush(GetWindowPort(w), 0);
  EXPECT_EQ(g.flushwanted, 1) << "a second in the same tick waits";
  checkflush(TickCount());
  headlessbackend()->advance(1);
  checkflush(TickCount());
  EXPECT_EQ(g.flushwanted, 0);
  headlessbackend()->advance(1);
  EconomyFlush(GetWindowPort(w), 0);
  EXPECT_EQ(g.flushwanted, 0) << "a tick later it flushes at once";
  EconomyFlush(nilid, 0);  // a port of no window: flushed now
  EXPECT_EQ(g.flushwanted, 0);
  DisposeWindow(w);
}

}  // namespace
}  // namespace kv
