// The program on a display: the SDL2 backend (on SDL's display-less driver) under the main
// loop, fed SDL's own events. The screen it shows is what a headless run composes; clicks,
// keys, focus, quitting and dropped files reach the scripts as their messages; an idle program
// sleeps; a small change uploads only its own pixels.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/backend/sdl2.h"
#include "platform/process/exit.h"
#include "platform/testing/driver.h"
#include "platform/windows/compositor.h"
#include "platform/windows/windows.h"
#include "shell/commandline.h"
#include "shell/demo.h"
#include "core/mainglobals.h"
#include "textengine/werecord.h"
#include "tests/support/eventloop.h"
#include "tests/support/project.h"
#include "tests/support/sdldummy.h"

namespace kv {
namespace {

using testproject::Project;

class DisplayTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    drivers_ = std::make_unique<DummySDLDrivers>();
  }
  void TearDown() override {
    closeallwindows();
    removedemo();
    setbackend(nullptr);
    drivers_.reset();
    EventLoopTest::TearDown();
  }
  static ScreenInfo screenof(i16 width, i16 height, i16 depth) {
    ScreenInfo s;
    s.bounds = Rect{0, 0, height, width};
    s.depth = depth;
    return s;
  }
  // Puts the SDL2 backend in, its window showing a screen of this size and depth; false (the
  // test skips) when SDL cannot start here.
  bool usedisplay(i16 width = 800, i16 height = 600, i16 depth = 32) {
    std::string why;
    std::unique_ptr<Backend> b = opensdl2backend(screenof(width, height, depth), &why);
    if (!b) {
      why_ = why;
      return false;
    }
    setbackend(std::move(b));
    return true;
  }
  const SDL2Counters& counters() { return *sdl2counters(backend()); }
  Frame shown() {
    Frame f;
    EXPECT_TRUE(sdl2readback(backend(), &f));
    return f;
  }
  // Opens the demo and lets its first drawing reach the window.
  void startdemo() {
    setpasslimit(0);  // what ran before has no say over the opening messages
    ASSERT_EQ(opendemo(), 0);
    passes(5);
  }
  // Opens a project whose card logs the loop's messages, and empties the log once its window
  // is drawn.
  void startlogging(const Project& p, std::string_view name = "p.kv45") {
    ASSERT_EQ(openproject(p, name), 0);
    passes(3);
    clearlog();
  }
  // The global place of the demo's button "Next" (its centre) and of a point of card 1 away
  // from every object.
  Point next() { return at(70, 32); }
  // Presses and releases a button at a window pixel.
  static void click(int button, int x, int y) {
    ASSERT_TRUE(sdl2pushbutton(backend(), true, button, x, y));
    ASSERT_TRUE(sdl2pushbutton(backend(), false, button, x, y));
  }
  // A key pressed and released; a key that types text brings its text input between.
  static void press(const char* key, u16 held = 0, const char* text = nullptr) {
    ASSERT_TRUE(sdl2pushkey(true, key, held));
    if (text) {
      ASSERT_TRUE(sdl2pushtext(text));
    }
    ASSERT_TRUE(sdl2pushkey(false, key, held));
  }
  std::string cardnumber() { return cardvalue("the number of this card"); }
  void sameasheadless(i16 width, i16 height, i16 depth);

  std::unique_ptr<DummySDLDrivers> drivers_;
  std::string why_;
};

#define NEEDS_DISPLAY(...)                           \
  if (!usedisplay(__VA_ARGS__)) {                    \
    GTEST_SKIP() << "SDL could not start: " << why_; \
  }

// The window shows, pixel for pixel, what a headless run of the same screen composes.
void DisplayTest::sameasheadless(i16 width, i16 height, i16 depth) {
  // The headless run first: its virtual clock starts where the fixture's did.
  setbackend(std::make_unique<HeadlessBackend>(std::vector<ScreenInfo>{screenof(width, height, depth)}));
  startdemo();
  const Frame headless = composescreen();
  closeallwindows();
  removedemo();

  if (!usedisplay(width, height, depth)) GTEST_SKIP() << "SDL could not start: " << why_;
  startdemo();
  const Frame real = shown();
  ASSERT_EQ(real.width, headless.width);
  ASSERT_EQ(real.height, headless.height);
  std::size_t differ = 0;
  for (std::size_t i = 0; i < real.pixels.size(); ++i)
    differ += (real.pixels[i] & 0xFFFFFF) != (headless.pixels[i] & 0xFFFFFF);
  EXPECT_EQ(differ, 0u) << "pixels that differ";
}

TEST_F(DisplayTest, TheWindowShowsWhatAHeadlessRunComposes) { sameasheadless(800, 600, 32); }

TEST_F(DisplayTest, AnIndexedScreenShowsWhatAHeadlessRunComposes) { sameasheadless(640, 480, 8); }

// A window made smaller shows the screen scaled with its aspect kept, and a click at the
// scaled place of "Next" reaches "Next"; an uncovered window shows its frame again without
// composing the screen.
TEST_F(DisplayTest, AResizedWindowIsTheScreenScaledAndClicksFindTheirPlace) {
  NEEDS_DISPLAY();
  startdemo();
  const Frame screen = composescreen();
  sdl2resize(backend(), 400, 300);
  passes(3);
  const Frame small = shown();
  if (small.width != 400) GTEST_SKIP() << "the dummy driver kept the window's size";
  ASSERT_EQ(small.height, 300);
  // Each pixel shown is one of the four screen pixels it stands for.
  std::size_t strays = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      const u32 p = small.pixels[std::size_t(y) * 400 + std::size_t(x)] & 0xFFFFFF;
      bool found = false;
      for (int dy = 0; dy < 2 && !found; ++dy)
        for (int dx = 0; dx < 2 && !found; ++dx)
          found = (screen.pixels[std::size_t(2 * y + dy) * 800 + std::size_t(2 * x + dx)] & 0xFFFFFF) == p;
      strays += !found;
    }
  EXPECT_EQ(strays, 0u);

  ASSERT_EQ(cardnumber(), "1");
  const Point n = next();
  click(1, n.h / 2, n.v / 2);
  passes(5);
  EXPECT_EQ(cardnumber(), "2") << "the click went to Next";

  const u32 composes = compositorcomposes(), partials = compositorpartials(), represents = counters().represents;
  ASSERT_TRUE(sdl2pushwindowevent(backend(), SDL2WindowEvent::exposed));
  passes(2);
  EXPECT_EQ(counters().represents, represents + 1);
  EXPECT_EQ(compositorcomposes(), composes) << "shown again, not composed again";
  EXPECT_EQ(compositorpartials(), partials);
}

// Keys as a person types them reach the card as their messages, one each.
TEST_F(DisplayTest, KeysReachTheCardAsTheirMessages) {
  NEEDS_DISPLAY();
  Project p = project();
  startlogging(p);
  press("F5");
  press("E", 0, "\xC3\xA9");  // é
  press("L", 0, "\xC5\x82");  // ł: Mac Roman has none
  press("A", sdl2super);
  press("Return");
  press("B", 0, "b");
  // Held: the first press and two repeats.
  ASSERT_TRUE(sdl2pushkey(true, "C", 0));
  ASSERT_TRUE(sdl2pushtext("c"));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(sdl2pushkey(true, "C", 0, true));
    ASSERT_TRUE(sdl2pushtext("c"));
  }
  ASSERT_TRUE(sdl2pushkey(false, "C", 0));
  passes(20);
  EXPECT_EQ(log(),
            "functionKey 5,keyStroke \x8E,controlKey 1,returnKey,keyStroke b,keyStroke c,keyStroke c,keyStroke c,");
}

// Ctrl is the command key: Ctrl+Q quits the demo with its closing messages, status 0.
TEST_F(DisplayTest, CtrlQQuits) {
  NEEDS_DISPLAY();
  startdemo();
  press("Q", sdl2ctrl);
  EXPECT_THROW(passes(20), ProcessExit);
  EXPECT_EQ(exits, std::vector<int>{0});
  EXPECT_EQ(mainglobals().numwinds, 0);
}

// Clicks reach the button under them, with either button (the right one is a control-click);
// a release while a handler tracks the mouse is seen at its next poll.
TEST_F(DisplayTest, ClicksReachTheirButtons) {
  NEEDS_DISPLAY();
  Project p = project();
  startlogging(p);
  const Point go = at(20, 20);
  click(1, go.h, go.v);
  passes(10);
  EXPECT_EQ(log(), "Go mouseDown,Go mouseUp,");
  clearlog();
  click(3, go.h, go.v);
  passes(10);
  EXPECT_EQ(log(), "Go mouseDown,Go mouseUp,");
  closeallwindows();

  // A handler that tracks the mouse sees the release at its next poll.
  Project t = project();
  t.windows[0].cards[0].objects[0].script =
      "on mouseDown\n  global polls\n  put 0 into polls\n  set the hilite of me to true\n"
      "  repeat while the mouse is down\n    add 1 to polls\n    if polls > 100 then exit repeat\n  end repeat\n"
      "  set the hilite of me to false\nend mouseDown\n";
  ASSERT_EQ(openproject(t, "t.kv45"), 0);
  passes(3);
  const Point track = at(20, 20);
  ASSERT_TRUE(sdl2pushbutton(backend(), true, 1, track.h, track.v));
  ASSERT_TRUE(sdl2pushbutton(backend(), false, 1, track.h, track.v));
  passes(5);
  EXPECT_LE(std::stoi(global("polls")), 1) << "the release was not seen at once";
}

// The wheel turned over the window reaches the card as "mouseWheel", through the request the
// program sends itself.
TEST_F(DisplayTest, TheWheelReachesTheCard) {
  NEEDS_DISPLAY();
  Project p = project();
  p.windows[0].cards[0].script += logs("", {"mouseWheel"});
  startlogging(p);
  const Point place = at(300, 200);
  click(1, place.h, place.v);  // the mouse goes there
  ASSERT_TRUE(sdl2pushwheel(backend(), 0, 2, false));
  ASSERT_TRUE(sdl2pushwheel(backend(), -1, 0, false));
  passes(10);
  EXPECT_EQ(log(), "mouseDown,mouseUp,mouseWheel vertical 2,mouseWheel horizontal 1,");
}

TEST_F(DisplayTest, NextShowsCardTwo) {
  NEEDS_DISPLAY();
  startdemo();
  const Frame one = shown();
  const Point n = next();
  click(1, n.h, n.v);
  passes(5);
  EXPECT_EQ(cardnumber(), "2");
  EXPECT_NE(shown().pixels, one.pixels) << "card 2 shows";
  EXPECT_EQ(shown().pixels, composescreen().pixels);
}

// Another program in front is "suspend", the program back in front "resume"; the window's
// close request is "quitKestrove" and the quit, unless a handler exits to the top; a project
// dropped on the window opens.
TEST_F(DisplayTest, FocusQuitAndDroppedProjects) {
  NEEDS_DISPLAY();
  Project p = project();
  startlogging(p);
  ASSERT_TRUE(sdl2pushwindowevent(backend(), SDL2WindowEvent::focuslost));
  passes(3);
  EXPECT_EQ(log(), "suspend,");
  EXPECT_EQ(mainglobals().notfront, 1);
  clearlog();
  ASSERT_TRUE(sdl2pushwindowevent(backend(), SDL2WindowEvent::focusgained));
  passes(3);
  EXPECT_EQ(log().rfind("resume,", 0), 0u) << log();
  EXPECT_EQ(mainglobals().notfront, 0);

  Project b = project();
  b.windows[0].name = "Other";
  b.windows[0].rect = Rect{150, 150, 400, 500};
  b.windows[0].cards[0].script = logs("b", {"openCard"});
  build(b, "b.kv45");
  clearlog();
  ASSERT_TRUE(sdl2pushdrop(backend(), home->path() + "/b.kv45"));
  passes(10);
  EXPECT_EQ(mainglobals().numwinds, 2);
  EXPECT_NE(log().find("b openCard,"), std::string::npos) << log();

  closeallwindows();
  Project stays = project();
  stays.windows[0].cards[0].script = "on quitKestrove\n  exit to kestrove\nend quitKestrove\n";
  startlogging(stays, "stays.kv45");
  ASSERT_TRUE(sdl2pushquit());
  passes(10);
  EXPECT_TRUE(exits.empty()) << "the handler kept the program running";
  EXPECT_EQ(mainglobals().numwinds, 1);
  closeallwindows();

  startlogging(p, "q.kv45");
  ASSERT_TRUE(sdl2pushquit());
  EXPECT_THROW(passes(10), ProcessExit);
  EXPECT_EQ(mainglobals().numwinds, 0) << "the quit closed the window";
  EXPECT_EQ(exits, std::vector<int>{0});
}

// Text another program drops over an open field: "mouseDrop" with the offset and the text in
// Mac Roman, the same from SDL's drop events as from the headless driver's dropText.
TEST_F(DisplayTest, TextDroppedFromAnotherProgramAsHeadless) {
  Project p = project();
  testproject::Object f;
  f.kind = testproject::Object::field;
  f.name = "F";
  f.rect = Rect{60, 20, 160, 220};
  f.style = 301;
  f.setflags = 1u << 17;  // allowDrop
  f.text = "hello world";
  f.script = logs("F", {"mouseDrop"});
  p.windows[0].cards[0].objects.push_back(f);
  // Opens the project with the field open for typing, and answers the global point of its
  // offset 6.
  auto start = [&](std::string_view name) {
    startlogging(p, name);
    EXPECT_EQ(doline("set the allowDragAndDrop to true\nselect after char 3 of card field \"F\""), 0);
    LongPoint l{};
    i16 height = 0;
    WEGetPoint(6, 0, &l, &height, mainglobals().openfieldrec);
    return at(i16(l.h + 1), i16(l.v + 3));
  };
  const Point headless = start("h.kv45");
  drive::dropText(headless, "caf\xC3\xA9");
  const std::string expected = logged();
  EXPECT_EQ(expected.rfind("F mouseDrop 6,", 0), 0u) << expected;
  EXPECT_EQ(cardvalue("card field \"F\""), "hello caf\x8E world")
      << "at the offset, with the field's intelligent space after";
  closeallwindows();

  NEEDS_DISPLAY();
  const Point real = start("d.kv45");
  ASSERT_TRUE(sdl2pushmotion(backend(), real.h, real.v));
  ASSERT_TRUE(sdl2pushdropevent(backend(), SDL2DropEvent::begin));
  ASSERT_TRUE(sdl2pushdropevent(backend(), SDL2DropEvent::text, "caf\xC3\xA9"));
  ASSERT_TRUE(sdl2pushdropevent(backend(), SDL2DropEvent::complete));
  passes(5);
  EXPECT_EQ(log(), expected);
  EXPECT_EQ(cardvalue("card field \"F\""), "hello caf\x8E world");

  // A project among the dropped files opens as a document, with the drag handlers installed.
  Project b = project();
  b.windows[0].name = "Other";
  b.windows[0].rect = Rect{150, 150, 400, 500};
  b.windows[0].cards[0].script = logs("b", {"openProject"});
  build(b, "b.kv45");
  ASSERT_EQ(testproject::typeasproject(dir, "b.kv45"), noErr);
  clearlog();
  ASSERT_TRUE(sdl2pushdropevent(backend(), SDL2DropEvent::begin));
  ASSERT_TRUE(sdl2pushdropevent(backend(), SDL2DropEvent::file, home->path() + "/b.kv45"));
  ASSERT_TRUE(sdl2pushdropevent(backend(), SDL2DropEvent::complete));
  passes(10);
  EXPECT_EQ(mainglobals().numwinds, 2);
  EXPECT_NE(log().find("b openProject,"), std::string::npos) << log();
}

// An idle program sleeps between events: each pass of the loop waits for SDL's events until
// its sleep time is up. A pass begins as the last one's wait ended, at the turn of a tick, so it
// lasts about the whole sleep time (a busy loop's passes take next to no time, one sleeping a
// tick less a tick less each), and it waits about once (the wait is cut in milliseconds, the
// deadline counted in ticks; the display server's own events may wake a few waits early; a
// busy loop of short waits waits many times). Both bounds hold however loaded the machine is:
// a slow machine only makes a pass longer, never adds waits to it. A button's hilite composes
// and uploads only its own pixels.
TEST_F(DisplayTest, AnIdleProgramSleepsAndASmallChangeUploadsOnlyItself) {
  NEEDS_DISPLAY();
  Project p = project();
  p.windows[0].cards[0].objects[0].style = 200;  // a plain rectangle button
  ASSERT_EQ(openproject(p), 0);
  passes(5);
  const i32 sleep = std::max(1, mainglobals().fgSleepTime);
  constexpr u32 kPasses = 100;
  const u32 waits = counters().waits, start = backend().ticks();
  passes(kPasses);
  // A quarter of slack: a pass after an event sleeps none.
  EXPECT_GE(backend().ticks() - start, kPasses * u32(sleep) * 3 / 4) << "the passes did not sleep";
  EXPECT_LE(counters().waits - waits, kPasses * 3 / 2 + 10) << "the passes woke to wait again";

  const Point go = at(10, 10);  // the button's top-left, global
  const Rect grown{i16(go.v - 3), i16(go.h - 3), i16(go.v + 30 + 3), i16(go.h + 100 + 3)};
  const u32 composes = compositorcomposes(), presents = counters().presents;
  ASSERT_EQ(doline("set the hilite of card button \"Go\" to true"), 0);
  passes(2);
  EXPECT_EQ(compositorcomposes(), composes) << "not the whole screen";
  ASSERT_GT(counters().presents, presents);
  ASSERT_FALSE(counters().uploaded.empty());
  const Rect r = counters().uploaded.back();
  EXPECT_TRUE(r.top >= grown.top && r.left >= grown.left && r.bottom <= grown.bottom && r.right <= grown.right)
      << r.top << "," << r.left << "," << r.bottom << "," << r.right;
}

}  // namespace
}  // namespace kv
