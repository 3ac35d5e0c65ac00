// The services above the engine that the interpreter calls between statements and after a
// message: what is installed is called at its place, a runtime reset brings back the stand-ins,
// and scripts run as before without any service installed.
#include "engine/servicehooks.h"

#include <gtest/gtest.h>

#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

// What the recording services saw (plain counters: the services are plain routines).
struct Seen {
  int busycursor = 0, controls = 0, sound = 0, flush = 0, speech = 0;
};
Seen seen;

void seebusycursor(u32) { ++seen.busycursor; }
void seecontrols(u32) { ++seen.controls; }
void seesound(u32) { ++seen.sound; }
void seeflush(u32) { ++seen.flush; }
void seespeech() { ++seen.speech; }

class ServiceHooksTest : public VeltrixTest {
 protected:
  void SetUp() override {
    VeltrixTest::SetUp();
    seen = Seen{};
  }
  void TearDown() override {
    MainGlobals& g = mainglobals();
    g.flushwanted = 0;
    g.speechCount = 0;
    g.controlidle = 0;
    g.busycursorstep = 0;
    VeltrixTest::TearDown();
  }
  static void record() {
    installservicehooks(ServiceHooks{.checkbusycursor = seebusycursor,
                                     .checkcontrols = seecontrols,
                                     .checksound = seesound,
                                     .checkflush = seeflush,
                                     .checkspeech = seespeech});
  }
  // The hooks as a runtime reset leaves them: nothing installed.
  static void uninstall() { state<ServiceHooksState>() = ServiceHooksState{}; }
};

TEST_F(ServiceHooksTest, EachServiceIsCalledWhenItIsDue) {
  record();
  MainGlobals& g = mainglobals();
  // Output left waiting is looked at before every statement, so is a cursor step asked for.
  g.flushwanted = 1;
  g.busycursorstep = 1;
  ASSERT_EQ(run("get 1\nget 2\nget 3\nget 4"), 0);
  EXPECT_GE(seen.flush, 4);
  EXPECT_GE(seen.busycursor, 4);
  EXPECT_GE(seen.sound, 1) << "the sound queues have their turn";
  EXPECT_EQ(seen.controls, 0) << "no control asked for idle time";
  EXPECT_EQ(seen.speech, 0) << "nothing is being spoken";

  // The rest is due once a tick: the clock has not moved, but waiting output is looked at.
  seen = Seen{};
  g.busycursorstep = 0;
  g.controlidle = 1;
  g.speechCount = 1;
  ASSERT_EQ(run("get 1"), 0);
  EXPECT_GE(seen.controls, 1);
  EXPECT_GE(seen.speech, 1) << "speech is looked after once the message was sent";
}

TEST_F(ServiceHooksTest, AnEntryLeftOutKeepsWhatWasInstalledBefore) {
  record();
  installservicehooks(ServiceHooks{.checkflush = [](u32) { seen.flush += 100; }});
  mainglobals().flushwanted = 1;
  ASSERT_EQ(run("get 1"), 0);
  EXPECT_GE(seen.flush, 100) << "the new flush";
  EXPECT_GE(seen.sound, 1) << "the sound service installed before";
}

TEST_F(ServiceHooksTest, ScriptsRunWithoutTheServices) {
  uninstall();
  MainGlobals& g = mainglobals();
  g.flushwanted = 1;
  g.speechCount = 1;
  g.controlidle = 1;
  EXPECT_EQ(fn("put 0 into n\nrepeat 50 times\nadd 1 to n\nend repeat\nreturn n"), "50");
  EXPECT_NE(evalerror("1 +"), 0);
  EXPECT_EQ(g.flushwanted, 1) << "no flush was installed to take the waiting output";
  EXPECT_EQ(seen.flush + seen.sound + seen.speech + seen.controls, 0);
}

using ServiceHooksResetTest = RuntimeTest;

TEST_F(ServiceHooksResetTest, AResetBringsTheStandInsBack) {
  seen = Seen{};
  installservicehooks(ServiceHooks{.checksound = seesound, .checkspeech = seespeech});
  servicehooks().checksound(0);
  servicehooks().checkspeech();
  ASSERT_EQ(seen.sound, 1);
  resetruntime();
  servicehooks().checksound(0);
  servicehooks().checkspeech();
  EXPECT_EQ(seen.sound, 1);
  EXPECT_EQ(seen.speech, 1);
}

}  // namespace
}  // namespace kv
