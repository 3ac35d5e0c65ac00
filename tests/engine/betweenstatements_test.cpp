// What the interpreter does between statements while a handler runs: a window waiting for its
// update is redrawn by the message poll, window output left waiting is flushed to the screen,
// and `wait` waits on the clock while it looks after both. Time passes while the handler runs:
// every statement moves the virtual clock a tick.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/testing/answers.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "store/starfile.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

class BetweenStatementsTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default
    testproject::Project p = project();
    p.windows[0].cards[0].script += std::string(kSpin) + kMoveIt + kRename;
    p.windows[0].cards[0].objects[0].style = 200;  // the button "Go", framed in black
    ASSERT_EQ(openproject(p), 0);
    settle();
    clearlog();
  }
  void TearDown() override {
    setabortcheck({});
    EventLoopTest::TearDown();
  }
  // Runs `line` with `each` called after every statement (with the count so far); each
  // statement takes a tick.
  i16 runwatched(const std::string& line, std::function<void(int)> each) {
    int statements = 0;
    setabortcheck([&, each](u32) {
      headlessbackend()->advance(1);
      each(++statements);
      return i16(0);
    });
    i16 st = doline(line);
    setabortcheck({});
    return st;
  }
  // The screen's pixel at a point local to the window, as last presented.
  u32 screenpixel(i16 h, i16 v) {
    Point p = at(h, v);
    const Frame& f = headlessbackend()->lastframe();
    return f.pixels[std::size_t(p.v) * std::size_t(f.width) + std::size_t(p.h)] & 0xFFFFFF;
  }

  // The left edge of the button's frame on a row of the window, as the screen shows it now
  // (-1 when none is seen).
  int buttonleft(i16 v) {
    for (i16 h = 0; h < 500; ++h)
      if (screenpixel(h, v) == 0) return h;
    return -1;
  }

  // `moveit` slides the button 200 pixels right, a pixel at a time.
  static constexpr const char* kMoveIt =
      "on moveit\n  repeat with i = 1 to 200\n    set the loc of button 1 to 60 + i, 100\n    wait 0\n"
      "  end repeat\nend moveit\n";
  // `rename` changes the card twice, with a command that changes nothing after each change.
  static constexpr const char* kRename =
      "on rename\n  set the name of this card to \"First\"\n  get 1\n"
      "  set the name of this card to \"Second\"\n  get 2\nend rename\n";
  // `spin n` runs n passes of a loop (each with a command, which the message poll goes with)
  // and notes in `seenat` the first pass that found an update noted in the log.
  static constexpr const char* kSpin =
      "on spin n\n  global log, seenat\n  put empty into seenat\n  repeat with i = 1 to n\n    get i\n"
      "    if seenat is empty and log contains \"updateWindow\" then put i into seenat\n"
      "  end repeat\nend spin\n";
};

TEST_F(BetweenStatementsTest, AWindowWaitingForItsUpdateIsRedrawnWhileAHandlerRuns) {
  WindowRef w = current().window;
  Rect all{0, 0, 360, 540};
  ASSERT_EQ(runwatched("spin 200",
                       [&](int n) {
                         if (n == 100) InvalWindowRect(w, &all);  // uncovered by the user
                       }),
            0);
  std::string seen = global("seenat");
  ASSERT_FALSE(seen.empty()) << "not redrawn before the handler ended";
  EXPECT_LT(std::stoi(seen), 200);
  EXPECT_FALSE(EventAvail(updateMask, nullptr)) << "the update was taken";
}

TEST_F(BetweenStatementsTest, AButtonMovedInALoopIsShownAtEachStep) {
  ASSERT_EQ(doline("set the loc of button 1 to 60, 100"), 0);
  settle();
  ASSERT_EQ(buttonleft(100), 10);
  std::set<int> seen;
  ASSERT_EQ(runwatched("moveit", [&](int) { seen.insert(buttonleft(100)); }), 0);
  EXPECT_GT(seen.size(), 150u) << "the screen followed the loop";
  EXPECT_EQ(*seen.rbegin(), 210);
  EXPECT_EQ(buttonleft(100), 210);
}

TEST_F(BetweenStatementsTest, AnUncoveredWindowIsRedrawnBeforeTheHandlerEnds) {
  WindowRef w = current().window;
  Rect all{0, 0, 360, 540};
  int lost = -1, back = -1;
  ASSERT_EQ(runwatched("spin 300",
                       [&](int n) {
                         if (n == 50) {
                           // What covered the window took its pixels away: the window must draw them again.
                           SetPortWindowPort(w);
                           const RGBColor grey{0x8000, 0x8000, 0x8000};
                           RGBForeColor(&grey);
                           PaintRect(&all);
                           InvalWindowRect(w, &all);
                           EconomyFlush(GetWindowPort(w), nilid);
                           lost = buttonleft(25);
                         }
                         if (n > 50 && back < 0 && buttonleft(25) == 10) back = n;
                       }),
            0);
  EXPECT_EQ(lost, -1) << "the button was gone from the screen";
  EXPECT_GT(back, 50) << "it came back while the handler ran";
}

TEST_F(BetweenStatementsTest, NoUpdateIsTakenWhileOneIsBeingDrawn) {
  // The card's updateWindow handler runs long; the window needs redrawing again meanwhile.
  testproject::Project p = project();
  p.windows[0].cards[0].script =
      "on updateWindow\n  global depth, deepest, redraws\n  add 1 to depth\n  add 1 to redraws\n"
      "  if depth > deepest then put depth into deepest\n  repeat 50 times\n    get 1\n  end repeat\n"
      "  subtract 1 from depth\nend updateWindow\n" +
      std::string(kSpin);
  ASSERT_EQ(openproject(p, "q.kv45"), 0);
  settle();
  clearglobals();
  WindowRef w = current().window;
  Rect all{0, 0, 360, 540};
  ASSERT_EQ(runwatched("spin 300",
                       [&](int n) {
                         if (n == 20 || n == 60 || n == 90) InvalWindowRect(w, &all);
                       }),
            0);
  EXPECT_EQ(global("deepest"), "1");
  EXPECT_EQ(global("redraws"), "2") << "the second request waited for the first drawing to end";
}

TEST_F(BetweenStatementsTest, WindowOutputLeftWaitingReachesTheScreenBeforeTheHandlerEnds) {
  WindowRef w = current().window;
  const RGBColor red{0xFFFF, 0, 0};
  u32 during = 0;
  ASSERT_EQ(runwatched("spin 100",
                       [&](int n) {
                         if (n == 10) {
                           // Drawn and flushed twice in one tick: the second flush is left waiting.
                           SetPortWindowPort(w);
                           EconomyFlush(GetWindowPort(w), nilid);
                           RGBForeColor(&red);
                           Rect r{5, 5, 20, 20};
                           PaintRect(&r);
                           EconomyFlush(GetWindowPort(w), nilid);
                           EXPECT_NE(mainglobals().flushwanted, 0);
                         }
                         if (n == 20) during = screenpixel(10, 10);
                       }),
            0);
  EXPECT_EQ(during, 0xFF0000u) << "shown while the handler ran";
  EXPECT_EQ(mainglobals().flushwanted, 0);
}

TEST_F(BetweenStatementsTest, WaitTakesItsTimeAndItsWords) {
  struct Row {
    const char* line;
    u32 ticks;
  };
  for (Row r : {Row{"wait 10", 10}, Row{"wait for 7 ticks", 7}, Row{"wait 1 second", 60}, Row{"wait 2 seconds", 120},
                Row{"wait 0", 0}, Row{"wait -5", 0}, Row{"wait while false", 0}, Row{"wait until true", 0}}) {
    u32 before = TickCount();
    ASSERT_EQ(doline(r.line), 0) << r.line;
    EXPECT_EQ(TickCount() - before, r.ticks) << r.line;
  }
  // A condition is asked again after every tick until it holds.
  ASSERT_EQ(doline("put the ticks + 12 into t"), 0);
  u32 before = TickCount();
  ASSERT_EQ(doline("wait until the ticks >= t"), 0);
  EXPECT_EQ(TickCount() - before, 12u);
  cardrows({{"wait 1 ticks now", "", "error 19"},
            {"wait \"soon\"", "", "error 13"},
            {"wait until 5", "", "error 15"},
            {"wait while true and", "", "error 3"}});
}

TEST_F(BetweenStatementsTest, WaitFlushesWaitingOutputAndStopsAtAnAbort) {
  WindowRef w = current().window;
  SetPortWindowPort(w);
  EconomyFlush(GetWindowPort(w), nilid);
  const RGBColor blue{0, 0, 0xFFFF};
  RGBForeColor(&blue);
  Rect r{5, 5, 20, 20};
  PaintRect(&r);
  EconomyFlush(GetWindowPort(w), nilid);
  ASSERT_NE(mainglobals().flushwanted, 0);
  ASSERT_EQ(doline("wait 6"), 0);
  EXPECT_EQ(screenpixel(10, 10), 0x0000FFu);
  setabortcheck([](u32) { return i16(48); });
  u32 before = TickCount();
  EXPECT_EQ(doline("wait 600"), 48);
  EXPECT_LE(TickCount() - before, 5u) << "stopped at the first look after the media";
}

// A handler's commands commit each at its end, though the line that called it is one change
// still under way.
TEST_F(BetweenStatementsTest, EachChangeInAHandlerIsCommittedAtItsCommandsEnd) {
  RegistryId store = current().store;
  std::string seen;
  ASSERT_EQ(runwatched("rename", [&](int) { seen += findprojectstore(store)->dirty != 0 ? 'd' : '.'; }), 0);
  EXPECT_EQ(seen, ".....") << "after each statement of the handler and its end";
  EXPECT_EQ(cardvalue("the short name of this card"), "Second");
}

}  // namespace
}  // namespace kv
