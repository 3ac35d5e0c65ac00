// The headless run's test machinery: the process-exit hook, the answers queue and its
// unattended policy for modal loops, the loop watchdog and the transcript.
#include <gtest/gtest.h>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/events/watchdog.h"
#include "platform/process/exit.h"
#include "platform/process/process.h"
#include "platform/testing/answers.h"
#include "platform/testing/commandline.h"
#include "platform/testing/inputscript.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class TestingTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    setexithook([this](int status, const std::string& reason) {
      exits.push_back(status);
      reasons.push_back(reason);
    });
  }
  std::vector<int> exits;
  std::vector<std::string> reasons;
};

// A small modal alert as a dialog would run it: an answer of its kind, else its filter on
// the input (Return or a click in the button), else the unattended policy.
constexpr Rect kButton{300, 400, 320, 480};

int runalert() {
  Answer a;
  switch (beginmodal("alert \"Save changes?\"", "alert", &a)) {
    case ModalStart::answered: return a.text == "Save" ? 1 : 2;
    case ModalStart::usedefault: return 1;
    case ModalStart::run: break;
  }
  LoopScope loop("alert \"Save changes?\"");
  for (;;) {
    EventRecord e{};
    if (!WaitNextEvent(mDownMask | keyDownMask, &e, 10)) continue;
    if (e.what == keyDown && (u32(e.message) & charCodeMask) == kReturnCharCode) return 1;
    Point where = e.where;
    if (e.what == mouseDown && where.v >= kButton.top && where.v < kButton.bottom && where.h >= kButton.left &&
        where.h < kButton.right)
      return 1;
  }
}

// Acceptance: the process-exit hook turns an exit into an outcome the test sees.
TEST_F(TestingTest, TheExitHookTurnsAnExitIntoAnOutcome) {
  try {
    exitprocess(kExitFailure, "cannot go on");
    FAIL() << "exitprocess returned";
  } catch (const ProcessExit& x) {
    EXPECT_EQ(x.status, kExitFailure);
    EXPECT_EQ(x.reason, "cannot go on");
  }
  EXPECT_EQ(exits, (std::vector<int>{kExitFailure}));
  ASSERT_FALSE(transcriptlines().empty());
  EXPECT_EQ(transcriptlines().back(), "exit: 1 cannot go on");
}

// Acceptance: with an empty timeline and the fail policy, a modal loop is reported by name
// instead of hanging; with an answer queued it proceeds.
TEST_F(TestingTest, AnUnansweredModalLoopFailsByName) {
  ASSERT_EQ(unattendedpolicy(), UnattendedPolicy::fail) << "unit tests fail on unanswered loops";
  try {
    runalert();
    FAIL() << "the loop ran on";
  } catch (const ProcessExit& x) {
    EXPECT_EQ(x.status, kExitUnattended);
    EXPECT_NE(x.reason.find("alert \"Save changes?\""), std::string::npos) << x.reason;
  }
  queueanswer(Answer{"alert", "Don't Save", {}});
  EXPECT_EQ(runalert(), 2);
  std::string err;
  ASSERT_TRUE(loadanswers("alert: Save\n", &err)) << err;
  EXPECT_EQ(runalert(), 1);
  EXPECT_EQ(answerspending(), 0u);
  setunattendedpolicy(UnattendedPolicy::usedefault);
  EXPECT_EQ(runalert(), 1) << "smoke runs take the default";
  auto t = transcripttext();
  EXPECT_NE(t.find("dialog: alert \"Save changes?\""), std::string::npos);
  EXPECT_NE(t.find("answer: alert: Save"), std::string::npos);
  EXPECT_NE(t.find("answer: alert: (default)"), std::string::npos);
}

TEST_F(TestingTest, AModalLoopRunsItsFilterOnInjectedInput) {
  drive::click(Point{100, 100});  // misses the button
  drive::advance(30);
  drive::click(Point{310, 420});
  u32 t0 = TickCount();
  EXPECT_EQ(runalert(), 1);
  EXPECT_GE(TickCount(), t0 + 33);
  drive::type("\r");
  EXPECT_EQ(runalert(), 1);
}

TEST_F(TestingTest, ALoopLeftWithoutInputTripsTheWatchdogAfterTenMinutes) {
  drive::click(Point{1, 1});  // the loop starts on input that does not end it
  u32 t0 = TickCount();
  try {
    runalert();
    FAIL();
  } catch (const ProcessExit& x) {
    EXPECT_EQ(x.status, kExitUnattended);
    EXPECT_NE(x.reason.find("alert"), std::string::npos);
    EXPECT_GE(TickCount() - t0, kLoopWatchdogTicks);
    EXPECT_LT(TickCount() - t0, kLoopWatchdogTicks + 20);
  }
  EXPECT_EQ(currentloopname(), nullptr);
}

TEST_F(TestingTest, ATrackingLoopWithTheButtonHeldForeverFailsWithItsName) {
  Rect c{100, 100, 300, 300};
  WindowRef w = nilid;
  CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &c, &w);
  ShowWindow(w);
  Rect box;
  GetWindowBounds(w, kWindowCloseBoxRgn, &box);
  Point p{i16(box.top + 3), i16(box.left + 3)};
  drive::mouseDown(p);  // and never up
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  try {
    TrackGoAway(w, p);
    FAIL();
  } catch (const ProcessExit& x) {
    EXPECT_NE(x.reason.find("TrackGoAway"), std::string::npos) << x.reason;
  }
  DisposeWindow(w);
}

TEST_F(TestingTest, BeepsAreHeardAndRecorded) {
  SysBeep(3);
  EXPECT_EQ(headlessbackend()->beeps(), 1u);
  EXPECT_EQ(transcriptlines().back(), "beep");
}

TEST_F(TestingTest, AnswersFilesParseEveryForm) {
  std::string err;
  ASSERT_TRUE(
      loadanswers("# answers for the smoke run\n"
                  "alert: Save\n"
                  "ask: \"Bob \"\"the\"\" Builder\"\n"
                  "Answer   File: notes/a.txt\n"
                  "\n"
                  "list: 2,5\n"
                  "ask: caf\xC3\xA9\n",
                  &err))
      << err;
  ASSERT_EQ(answerspending(), 5u);
  Answer a;
  setunattendedpolicy(UnattendedPolicy::usedefault);
  ASSERT_EQ(beginmodal("alert", "alert", &a), ModalStart::answered);
  EXPECT_EQ(a.text, "Save");
  ASSERT_EQ(beginmodal("ask", "ask", &a), ModalStart::answered);
  EXPECT_EQ(a.text, "Bob \"the\" Builder");
  ASSERT_EQ(beginmodal("answer file", "answer  file", &a), ModalStart::answered);
  EXPECT_EQ(a.text, "notes/a.txt");
  EXPECT_EQ(beginmodal("list", "alert", &a), ModalStart::usedefault) << "an answer of another kind is left queued";
  ASSERT_EQ(beginmodal("list", "list", &a), ModalStart::answered);
  EXPECT_EQ(a.items, (std::vector<int>{2, 5}));
  ASSERT_EQ(beginmodal("ask", "ask", &a), ModalStart::answered);
  EXPECT_EQ(a.text, "caf\x8E") << "values are Mac Roman inside";

  EXPECT_FALSE(loadanswers("alert Save\n", &err));
  EXPECT_NE(err.find("line 1"), std::string::npos);
  EXPECT_FALSE(loadanswers("ok: fine\nask: \"unclosed\n", &err));
  EXPECT_NE(err.find("line 2"), std::string::npos);
  EXPECT_EQ(answerspending(), 0u) << "a bad file queues nothing";
}

TEST_F(TestingTest, InputFilesScheduleTheDriversActions) {
  std::string err;
  ASSERT_TRUE(
      runinputscript("# a small session\n"
                     "click 120,40 cmd\n"
                     "advance 10\n"
                     "type \"h\u00e9\"\n"
                     "key return\n"
                     "key 36 shift\n"
                     "key \"q\" cmd\n"
                     "wheel 5,6 -3\n"
                     "openDocuments \"a b.kv45\" c.kv45\n"
                     "dropFiles 30,40 \"d e.txt\"\n"
                     "dropText 30,40 \"lost\"\n"
                     "quitRequest\n",
                     &err))
      << err;
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  Point where = e.where;
  EXPECT_EQ(where, (Point{40, 120})) << "points are written x,y";
  EXPECT_NE(u32(e.modifiers) & cmdKey, 0u);
  std::string typed;
  std::vector<u16> mods;
  while (WaitNextEvent(keyDownMask, &e, 20)) {
    typed += char(u32(e.message) & charCodeMask);
    mods.push_back(u16(e.modifiers & (cmdKey | shiftKey)));
  }
  EXPECT_EQ(typed, "h\x8E\r\rq");
  EXPECT_EQ(mods.back(), cmdKey);
  EXPECT_EQ(mods[3], shiftKey);
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 20));
  HighLevelRequest r;
  ASSERT_TRUE(takehighlevelrequest(&r));
  EXPECT_EQ(r.paths, (std::vector<std::string>{"a b.kv45", "c.kv45"}));
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &e, 20));
  ASSERT_TRUE(takehighlevelrequest(&r));
  EXPECT_EQ(r.paths, (std::vector<std::string>{"d e.txt"})) << "dropped with no drag handlers: opened as a document";

  for (const char* bad : {"click 1", "drag 1,1", "key nosuchkey", "type hello", "advance -1", "jump 1,1",
                          "wheel 1,1 3 diagonal", "click 1,1 hyper", "type \"open", "dropFiles 1,1",
                          "dropFiles 1,1 a.txt", "dropText 1,1 plain", "dropText 1,1"}) {
    EXPECT_FALSE(runinputscript(std::string("advance 1\n") + bad + "\n", &err)) << bad;
    EXPECT_NE(err.find("line 2"), std::string::npos) << err;
  }
}

TEST_F(TestingTest, PlatformOptionsAreReadFromTheCommandLine) {
  const char* argv[] = {"kestrove",     "--headless", "--screen", "640x480x8", "--max-ticks", "600",
                        "--transcript", "/tmp/t.txt", "--screen", "10x10x3",   "--answers"};
  int argc = 11;
  PlatformOptions o;
  std::string err;
  char** av = const_cast<char**>(argv);
  EXPECT_EQ(takeplatformoption(argc, av, 0, &o, &err), 0);
  EXPECT_EQ(takeplatformoption(argc, av, 1, &o, &err), 1);
  EXPECT_EQ(takeplatformoption(argc, av, 2, &o, &err), 2);
  EXPECT_EQ(takeplatformoption(argc, av, 4, &o, &err), 2);
  EXPECT_EQ(takeplatformoption(argc, av, 6, &o, &err), 2);
  EXPECT_TRUE(o.headless);
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.depth, 8);
  EXPECT_EQ(o.maxticks, 600u);
  EXPECT_EQ(o.transcript, "/tmp/t.txt");
  EXPECT_EQ(takeplatformoption(argc, av, 8, &o, &err), -1);
  EXPECT_EQ(takeplatformoption(argc, av, 10, &o, &err), -1) << err;
}

TEST_F(TestingTest, AHeadlessRunStartsFromItsOptionsAndEndsAtItsTickLimit) {
  PlatformOptions o;
  o.headless = true;
  o.width = 640;
  o.height = 480;
  o.maxticks = 100;
  o.transcript = testing::TempDir() + "kv_transcript.txt";
  std::string err;
  ASSERT_TRUE(startplatform(o, &err)) << err;
  ASSERT_TRUE(backend().headless());
  EXPECT_EQ(backend().screens()[0].bounds, (Rect{0, 0, 480, 640}));
  EXPECT_EQ(unattendedpolicy(), UnattendedPolicy::usedefault);
  u32 t0 = TickCount();
  EventRecord e{};
  while (!runending()) WaitNextEvent(everyEvent, &e, 30);
  EXPECT_EQ(runendstatus(), kExitOK);
  EXPECT_EQ(TickCount() - t0, 120u) << "the first wait past the limit ends the run";
  {
    // Inside a loop of the platform's own, which nothing outside can leave, the process ends.
    LoopScope loop("MenuSelect");
    EXPECT_THROW(WaitNextEvent(everyEvent, &e, 30), ProcessExit);
  }
  o.answers = "/nonexistent/answers.txt";
  EXPECT_FALSE(startplatform(o, &err));
  EXPECT_NE(err.find("/nonexistent/answers.txt"), std::string::npos);
  EXPECT_EQ(finishplatform(0), 0);
  std::FILE* f = std::fopen(o.transcript.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char buf[256] = {};
  std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  std::remove(o.transcript.c_str());
  EXPECT_NE(std::string(buf, n).find("exit: 0"), std::string::npos);
}

}  // namespace
}  // namespace kv
