// Going between cards, windows and projects from scripts, opening and closing project windows
// and quitting, driven by script lines in the current card; the messages sent are read from
// the transcript.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/navigation.h"
#include "engine/textutil.h"
#include "platform/prefs/prefs.h"
#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/projectclose.h"
#include "shell/windtable.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Project;

class NavigationTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default answer
    setexithook([this](int status, const std::string& why) {
      exits.push_back(status);
      if (status != 0) ADD_FAILURE() << "exit " << status << ": " << why;
    });
  }
  void TearDown() override {
    setexithook({});
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  // The small project ("Main": cards One, Two, Three) with `extra` copies of its window, each
  // named "W2", "W3", ...
  static Project windows(int extra) {
    Project p = testproject::small();
    for (int i = 0; i < extra; ++i) {
      p.windows.push_back(p.windows[0]);
      p.windows.back().name = "W" + std::to_string(i + 2);
    }
    return p;
  }
  // Builds and opens window 1 of a project, then forgets the opening's transcript.
  void start(const Project& p) {
    build(p);
    ASSERT_EQ(open(), 0);
    transcriptclear();
  }
  // The names of the messages sent since the transcript was cleared, space-separated.
  static std::string sent() {
    std::string out;
    for (const std::string& l : transcriptlines()) {
      if (l.rfind("message: ", 0) != 0) continue;
      std::string name = l.substr(9, l.find(' ', 9) - 9);
      // The test's own lines travel as messages too.
      if (name == "go" || name == "open" || name == "close" || name == "quit" || name == "arrowKey" ||
          name == "global" || name == "put" || name == "scriptError")
        continue;
      out += (out.empty() ? "" : " ") + name;
    }
    return out;
  }
  u32 card() { return current().cardnum; }
  // The table entry of an open window of the project, by its number.
  desk window(u32 windnum) {
    for (i32 i = 0; i < mainglobals().numwinds; ++i)
      if (HandleAs<desk>(mainglobals().winds)[i].windnum == windnum) return HandleAs<desk>(mainglobals().winds)[i];
    return desk{};
  }
  // The number of the front project window.
  u32 front() {
    WindowRef w = nilid;
    desk d{};
    return topwindow(&w) && getwind(w, &d) ? d.windnum : 0;
  }
  std::vector<int> exits;
};

TEST_F(NavigationTest, DestinationsByNameVariableAndLongId) {
  start(testproject::small());
  EXPECT_EQ(doline("go \"Two\""), 0);
  EXPECT_EQ(card(), 2u);
  EXPECT_EQ(doline("put \"card 3\" into x\ngo to x"), 0);
  EXPECT_EQ(card(), 3u);
  EXPECT_EQ(doline("global y\nput the long id of card 1 into y"), 0);
  EXPECT_EQ(doline("global y\ngo y"), 0);
  EXPECT_EQ(card(), 1u);
  EXPECT_EQ(doline("go next card of window \"Main\""), 0);
  EXPECT_EQ(card(), 2u);
  transcriptclear();
  EXPECT_EQ(doline("go window \"Main\""), 0);
  EXPECT_EQ(doline("go to this window"), 0);
  EXPECT_EQ(card(), 2u);
  EXPECT_EQ(sent(), "") << "going to the window shown sends nothing";
  EXPECT_EQ(doline("go card 2 foo"), 19);
  EXPECT_EQ(doline("go \"Nine\""), 51);
  EXPECT_EQ(card(), 2u);
}

TEST_F(NavigationTest, BackRecentAndForthFollowTheHistory) {
  start(testproject::small());
  ASSERT_EQ(doline("go card 2\ngo card 3"), 0);
  EXPECT_EQ(doline("go back"), 0);
  EXPECT_EQ(card(), 2u);
  EXPECT_EQ(doline("go recent"), 0);
  EXPECT_EQ(card(), 1u);
  EXPECT_EQ(doline("go forth"), 0);
  EXPECT_EQ(card(), 2u);
  EXPECT_EQ(doline("arrowKey up"), 0);
  EXPECT_EQ(card(), 3u);
  EXPECT_EQ(doline("arrowKey down"), 0);
  EXPECT_EQ(card(), 2u);
  // The back step left card 3 to go forth to, and then nothing.
  EXPECT_EQ(doline("go forth"), 0);
  EXPECT_EQ(card(), 3u);
  EXPECT_EQ(doline("go forth"), 0);
  EXPECT_EQ(card(), 3u);
}

TEST_F(NavigationTest, GoBackWithOneRecordedCardStays) {
  start(testproject::small());
  Handle list = mainglobals().recentlist;
  ASSERT_NE(list, nilhandle);
  std::string before(reinterpret_cast<const char*>(deref(list)), size_t(GetHandleSize(list)));
  EXPECT_EQ(doline("go back"), 0);
  EXPECT_EQ(card(), 1u);
  EXPECT_EQ(sent(), "");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(list)), size_t(GetHandleSize(list))), before);
  EXPECT_EQ(mainglobals().forwardlist == nilhandle ? 0 : GetHandleSize(mainglobals().forwardlist), 0);
}

TEST_F(NavigationTest, ArrowKeysStepAndJumpWithTheModifiers) {
  start(testproject::small());
  MainGlobals& g = mainglobals();
  ASSERT_EQ(doline("go card 2"), 0);
  EXPECT_EQ(doline("arrowKey left"), 0);
  EXPECT_EQ(card(), 1u);
  EXPECT_EQ(doline("arrowKey right\narrowKey right"), 0);
  EXPECT_EQ(card(), 3u);
  ASSERT_EQ(doline("go card 2"), 0);
  g.event.modifiers = optionKey;
  EXPECT_EQ(doline("arrowKey left"), 0);
  EXPECT_EQ(card(), 1u);
  g.event.modifiers = cmdKey;
  EXPECT_EQ(doline("arrowKey right"), 0);
  EXPECT_EQ(card(), 3u);
  g.event.modifiers = 0;
  EXPECT_EQ(doline("arrowKey sideways"), 2);
  EXPECT_EQ(doline("arrowKey left right"), 19);
  EXPECT_EQ(doline("arrowKey"), 19);
  EXPECT_EQ(card(), 3u);
}

TEST_F(NavigationTest, OpeningAWindowSendsItsOpeningMessages) {
  start(windows(1));
  EXPECT_EQ(doline("open window 2"), 0);
  EXPECT_EQ(sent(), "openWindow openBackground openCard");
  EXPECT_EQ(mainglobals().numwinds, 2);
  EXPECT_EQ(front(), 2u);
  transcriptclear();
  EXPECT_EQ(doline("open window 9"), 61);
  EXPECT_EQ(sent(), "");
  EXPECT_EQ(mainglobals().numwinds, 2);
}

TEST_F(NavigationTest, OpenInvisibleAndWithStartUp) {
  start(windows(2));
  EXPECT_EQ(doline("open invisible window 2"), 0);
  ASSERT_NE(window(2).window, nilid);
  EXPECT_FALSE(IsWindowVisible(window(2).window));
  // With startUp, the card hears "startUp" before the window its "openWindow".
  transcriptclear();
  EXPECT_EQ(doline("open with startUp window 3"), 0);
  std::string s = sent();
  ASSERT_NE(s.find("startUp"), std::string::npos) << s;
  EXPECT_LT(s.find("startUp"), s.find("openWindow")) << s;
  EXPECT_EQ(s.find("shareInit"), std::string::npos) << s;
  EXPECT_EQ(doline("open with foo window 1"), 2);
  EXPECT_EQ(doline("open step"), 0);
}

TEST_F(NavigationTest, InPlugInModeOpenInvisibleShowsTheWindow) {
  start(windows(1));
  mainglobals().plugin = 1;
  EXPECT_EQ(doline("open invisible window 2"), 0);
  ASSERT_NE(window(2).window, nilid);
  EXPECT_TRUE(IsWindowVisible(window(2).window));
  EXPECT_EQ(doline("close window 1"), 175);
  EXPECT_EQ(doline("open file \"x\""), 175);
  mainglobals().plugin = 0;
}

TEST_F(NavigationTest, ClosingAWindowSendsItsClosingMessages) {
  start(windows(2));
  ASSERT_EQ(doline("open window 2"), 0);
  WindowRef second = window(2).window;
  transcriptclear();
  EXPECT_EQ(doline("close window 2"), 0);
  EXPECT_EQ(sent(), "closeCard closeBackground closeWindow");
  EXPECT_EQ(mainglobals().numwinds, 1);
  desk d{};
  EXPECT_EQ(getwind(second, &d), 0);
  EXPECT_EQ(current().windnum, 1u) << "the window that stays becomes current";
  EXPECT_EQ(doline("close window 3"), 0) << "a window that is not open";
  EXPECT_EQ(doline("close window 2 foo"), 19);
  EXPECT_EQ(doline("close card 1"), 2);
  EXPECT_EQ(doline("close all foo"), 2);
  EXPECT_EQ(doline("close all windows and foo"), 19);
  EXPECT_EQ(mainglobals().numwinds, 1);
}

TEST_F(NavigationTest, PrintJobWordsAreChecked) {
  start(testproject::small());
  EXPECT_EQ(doline("open print job to file \"\""), 2);
  EXPECT_EQ(doline("open print job without or dialog"), 2);
  EXPECT_EQ(doline("open print job \"a\" to nowhere"), 2);
  EXPECT_EQ(doline("open print job without dialog or fish"), 19);
  EXPECT_EQ(doline("open print foo"), 2);
  EXPECT_EQ(doline("close print job"), 0);
  EXPECT_EQ(doline("close printing"), 0);
}

// Closing a project closes its windows from the last table entry to the first; every window
// is found again by serial, so one a handler closed meanwhile is skipped. Another project's
// window stays open (and current afterwards).
TEST_F(NavigationTest, ClosingAProjectClosesItsWindowsLastFirst) {
  Project p = windows(2);
  for (size_t i = 0; i < 3; ++i)
    p.windows[i].script = "on closeWindow\n  global closed\n  put \"" + std::to_string(i + 1) +
                          "\" after closed\nend closeWindow";
  // Window 2's closing also closes window 1, which then is not closed twice.
  p.windows[1].script = "on closeWindow\n  global closed\n  put \"2\" after closed\n  close window 1\nend closeWindow";
  start(p);
  build(testproject::small(), "q.kv45");
  ASSERT_EQ(open("q.kv45"), 0);
  RegistryId other = current().store;
  ASSERT_EQ(open("p.kv45"), 0);
  ASSERT_EQ(doline("open window 2\nopen window 3"), 0);
  ASSERT_EQ(mainglobals().numwinds, 4);
  EXPECT_EQ(doline("close this project"), 0);
  EXPECT_EQ(global("closed"), "321");
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_EQ(current().store, other);
  EXPECT_TRUE(exits.empty());
}

// The quit sequence as quit and the menu key run it (called here directly: the program ends
// inside it).
TEST_F(NavigationTest, QuitClosesEveryWindowAndOnlyTheLastHearsQuitKestrove) {
  Project p = windows(1);
  p.script = "on quitKestrove\n  global quits\n  put \"q\" after quits\nend quitKestrove";
  start(p);
  ASSERT_EQ(doline("open window 2"), 0);
  try {
    shutdown(0);
    ADD_FAILURE() << "the program did not end";
  } catch (const ProcessExit& x) {
    EXPECT_EQ(x.status, 0);
  }
  // Quitting released the globals: the transcript tells who heard "quitKestrove".
  int quits = 0;
  for (const std::string& l : transcriptlines()) quits += l.rfind("message: quitKestrove ", 0) == 0 ? 1 : 0;
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(mainglobals().numwinds, 0);
  EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(NavigationTest, AQuitKestroveHandlerThatExitsToTheTopKeepsTheLastWindow) {
  Project p = windows(1);
  p.script = "on quitKestrove\n  exit to kestrove\nend quitKestrove";
  start(p);
  ASSERT_EQ(doline("open window 2"), 0);
  EXPECT_EQ(doline("quit"), 0);
  EXPECT_EQ(mainglobals().numwinds, 1) << "the first window closed before the last one refused";
  EXPECT_EQ(doline("menuKey \"Q\""), 0);
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_TRUE(exits.empty());
}

TEST_F(NavigationTest, QuitInPlugInModeIsRefused) {
  start(testproject::small());
  mainglobals().plugin = 1;
  EXPECT_EQ(doline("quit"), 175);
  EXPECT_EQ(doline("close all windows"), 175);
  mainglobals().plugin = 0;
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_TRUE(exits.empty());
}

// The hand-over to the companion editor is written before the windows close (the last
// window's handler refuses the quit here, so the program goes on).
TEST_F(NavigationTest, CloseAllWindowsAndShowCardHandsTheCardOver) {
  Project p = testproject::small();
  p.script = "on quitKestrove\n  exit to kestrove\nend quitKestrove";
  start(p);
  ASSERT_EQ(doline("go card 3"), 0);
  mainglobals().fromeditor = 1;
  removepreference(kEditorDomain, "trancard");
  EXPECT_EQ(doline("close all windows and show card"), 0);
  auto cardpref = getpreference(kEditorDomain, "trancard");
  ASSERT_TRUE(cardpref.has_value());
  EXPECT_EQ(cardpref->number, 3);
  auto windpref = getpreference(kEditorDomain, "tranwind");
  ASSERT_TRUE(windpref.has_value());
  EXPECT_EQ(windpref->number, 1);
  EXPECT_EQ(mainglobals().numwinds, 1);
}

TEST_F(NavigationTest, CloseAllWindowsAndStopWritesNoHandOver) {
  Project p = testproject::small();
  p.script = "on quitKestrove\n  exit to kestrove\nend quitKestrove";
  start(p);
  mainglobals().fromeditor = 1;
  removepreference(kEditorDomain, "trantime");
  EXPECT_EQ(doline("close all windows and stop"), 0);
  EXPECT_FALSE(getpreference(kEditorDomain, "trantime").has_value());
  EXPECT_EQ(mainglobals().fromeditor, 0);
}

TEST_F(NavigationTest, ACancelledWhereIsLeavesCancelInTheResult) {
  start(testproject::small());
  ASSERT_EQ(doline("go card 2"), 0);
  queueanswer(Answer{"answer file", "", {}});
  EXPECT_EQ(doline("go to card 1 of project \"Missing\""), 0);
  EXPECT_EQ(cardvalue("the result"), "Cancel");
  EXPECT_EQ(card(), 2u);
}

TEST_F(NavigationTest, ResetWords) {
  start(testproject::small());
  EXPECT_EQ(doline("set the lineSize to 4\nreset paint"), 0);
  EXPECT_EQ(cardvalue("the lineSize"), "1");
  EXPECT_EQ(doline("reset paint x"), 19);
  EXPECT_EQ(doline("reset foo"), 2);
  EXPECT_EQ(doline("reset doubleClickTime"), 0);
}

}  // namespace
}  // namespace kv
