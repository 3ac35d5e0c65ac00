// Movies left on cards as the event loop runs them: started, looping, clicked, calling back,
// removed, their controllers hidden and shown; a play without controller stopped by a click.
#include <gtest/gtest.h>

#include <cstring>

#include "media/movies.h"
#include "platform/events/events.h"
#include "platform/movies/moviecontroller.h"
#include "platform/movies/movies.h"
#include "platform/qd/ports.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/testmovies.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "render/effects.h"
#include "core/mainglobals.h"
#include "shell/windowmanage.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

class MovieServiceTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
    testproject::Project p = project();
    std::string& script = p.windows[0].cards[0].script;
    script +=
        "on movieClick a, b, c\n  global log\n  put \"movieClick \" & a & \"|\" & b & \"|\" & c & \",\" after log\nend movieClick\n";
    // A callback handler that removes its own movie when asked to, and notes its rate then.
    script +=
        "on movieCallBack a, b\n  global log, removeit, rate\n  put \"movieCallBack \" & a & \"|\" & b & \",\" after log\n"
        "  if removeit then\n    get movie(a, remove)\n    put movie(a, get, playRate) into rate\n  end if\nend "
        "movieCallBack\n";
    ASSERT_EQ(openproject(p), 0);
    ASSERT_TRUE(writetestmovie(home->path() + "/m.mov", TestMovie{}));
    mainglobals().hasQuickTime = 1;
  }
  void TearDown() override {
    dumpmoovs(nilid, false);
    EventLoopTest::TearDown();
  }
  std::string movie() { return "\"" + home->path() + "/m.mov\""; }
  // A movie with a controller at 200,150 (its box 168,126 to 232,174): its id.
  std::string placed(const std::string& options = "") {
    EXPECT_EQ(doline("play movie " + movie() + " with controller " + options + " at 200,150"), 0);
    return cardvalue("it");
  }
  // What the card got, without the window's updates.
  std::string got() {
    std::string s = logged();
    for (std::size_t at; (at = s.find("updateWindow,")) != std::string::npos;) s.erase(at, 13);
    return s;
  }
  // Lets `ticks` pass on the clock, then runs the loop.
  void wait(u32 ticks) {
    Delay(ticks, nullptr);
    passes(1);
  }
  u32 pixel(i32 h, i32 v) {
    PixMap rec = pixmaprecord(GetPortPixMap(GetWindowPort(current().window)));
    u32 px = 0;
    std::memcpy(&px, reinterpret_cast<const u8*>(rec.baseAddr) + v * (rec.rowBytes & rowbytesmask) + h * 4, 4);
    return px & 0xFFFFFF;
  }
};

TEST_F(MovieServiceTest, StartsLoopingMoviesOnTheFirstPass) {
  ASSERT_FALSE(mainglobals().movieIdle);
  std::string looping = placed("and loop"), still = placed();
  std::string l = "movie(" + looping + ", get, ";
  passes(1);
  EXPECT_EQ(cardvalue(l + "looping)"), "true");
  EXPECT_EQ(cardvalue(l + "playRate)"), "1.00");
  EXPECT_EQ(cardvalue("movie(" + still + ", get, playRate)"), "0.00");
  wait(150);
  Str255 t;
  setpstring(t, cardvalue(l + "currentTime)"));
  i32 at = 0;
  ASSERT_EQ(stringtotimevalue(600, t, &at), 0);
  EXPECT_GE(at, 14 * 20);
  EXPECT_LE(at, 16 * 20);
  EXPECT_EQ(cardvalue("movie(" + still + ", get, currentTime)"), "00:00:00:00");
  // The controller bar under the still movie's box was drawn; hidden and shown again.
  EXPECT_EQ(pixel(200, 182), 0xC0C0C0u);
  ASSERT_EQ(doline("hide controllers"), 0);
  EXPECT_EQ(cardvalue("movie(" + still + ", get, showController)"), "false");
  EXPECT_EQ(cardvalue(l + "showController)"), "false");
  ASSERT_EQ(doline("show controllers"), 0);
  EXPECT_EQ(cardvalue(l + "showController)"), "true");
  EXPECT_EQ(pixel(200, 182), 0xC0C0C0u);
  cardrows({{"hide controllers now", "", "error 19"}});
}

TEST_F(MovieServiceTest, ClicksInMoviesBarsAndCard) {
  std::string id = placed();
  passes(1);
  clearlog();
  drive::click(at(168, 126));
  EXPECT_EQ(got(), "movieClick " + id + "|00:00:00:00|0,0,");
  drive::click(at(231, 173));
  EXPECT_EQ(got(), "movieClick " + id + "|00:00:00:00|63,47,");
  drive::click(at(200, 182));  // the controller's bar
  EXPECT_EQ(got(), "");
  drive::click(at(400, 300));
  EXPECT_EQ(got(), "mouseDown,mouseUp,");
  // Entries removed before the pass are released by it, and the one after them still starts.
  std::string a = placed(), b = placed(), c = placed("and start");
  for (moovrec& e : movietable())
    if (std::to_string(i32(e.movie)) == a || std::to_string(i32(e.movie)) == b) e.removed = 1;
  passes(1);
  EXPECT_EQ(cardvalue("the number of movies"), "2");
  EXPECT_EQ(moviecount(), 2u);
  EXPECT_EQ(cardvalue("movie(" + c + ", get, playRate)"), "1.00");
}

TEST_F(MovieServiceTest, CallbacksAtTheirTime) {
  std::string id = placed();
  std::string m = "movie(" + id + ", ";
  passes(1);
  ASSERT_EQ(doline("get " + m + "set, allowCallbacks, true)"), 0);
  ASSERT_EQ(doline("get " + m + "set, callbackTime, \"0:0:1:0\")"), 0);
  clearlog();
  ASSERT_EQ(doline("get " + m + "start)"), 0);
  wait(90);
  EXPECT_EQ(got(), "movieCallBack " + id + "|00:00:01:00,");
  // The flag set to what it is arms nothing: played again, nothing more is sent.
  ASSERT_EQ(doline("get " + m + "set, currentTime, 0)"), 0);
  ASSERT_EQ(doline("get " + m + "set, allowCallbacks, true)"), 0);
  ASSERT_EQ(doline("get " + m + "start)"), 0);
  wait(90);
  EXPECT_EQ(got(), "");
  // Off, nothing is sent either.
  ASSERT_EQ(doline("get " + m + "set, allowCallbacks, false)"), 0);
  ASSERT_EQ(doline("get " + m + "set, currentTime, 0)"), 0);
  ASSERT_EQ(doline("get " + m + "start)"), 0);
  wait(90);
  EXPECT_EQ(got(), "");
  // Removed from its own callback: gone for `movie` at once, released by the next pass.
  ASSERT_EQ(doline("global removeit\nput true into removeit"), 0);
  ASSERT_EQ(doline("get " + m + "set, allowCallbacks, true)"), 0);
  ASSERT_EQ(doline("get " + m + "set, currentTime, 0)"), 0);
  ASSERT_EQ(doline("get " + m + "start)"), 0);
  wait(90);
  EXPECT_EQ(global("rate"), "Invalid movie reference");
  EXPECT_EQ(moviecount(), 1u);  // kept until the next pass
  passes(1);
  EXPECT_EQ(global("rate"), "Invalid movie reference");
  EXPECT_EQ(cardvalue("the number of movies"), "0");
  EXPECT_EQ(moviecount(), 0u);
  EXPECT_EQ(moviecontrollercount(), 0u);
}

// A click due at tick 30 ends a play until click by tick 31; the card then gets the click's
// messages, which `until mouse` flushes instead.
// Drawing a window active or inactive takes its playing movies with the hilite the window has
// then: one in a window that is not hilited stops.
TEST_F(MovieServiceTest, AWindowsHiliteStopsOrKeepsItsPlayingMovies) {
  const Movie m = Movie(std::stoul(placed()));
  const WindowRef w = current().window;
  SetMovieRate(m, 0x10000);
  hiliteone(w, 1);
  EXPECT_EQ(GetMovieRate(m), 0x10000) << "a hilited window keeps its movie playing";
  HiliteWindow(w, false);
  hiliteone(w, 1);
  EXPECT_EQ(GetMovieRate(m), 0) << "it was not hilited: its movie stopped";
  EXPECT_TRUE(IsWindowHilited(w));
}

// A visual effect draws the card over the window's movies; their controllers come back.
TEST_F(MovieServiceTest, AnEffectDrawsTheControllersAgain) {
  placed();
  passes(1);
  const u32 bar = pixel(200, 182);
  ASSERT_NE(bar, pixel(20, 20)) << "the controller's bar is not the card";
  draweffect(1, nilid);
  EXPECT_EQ(pixel(200, 182), bar);
}

TEST_F(MovieServiceTest, PlayUntilClick) {
  clearlog();
  u32 t0 = TickCount();
  drive::advance(30);
  drive::click(at(400, 300));
  ASSERT_EQ(doline("play movie " + movie() + " until click"), 0);
  EXPECT_LE(TickCount() - t0, 31u);
  EXPECT_GE(TickCount() - t0, 30u);
  EXPECT_EQ(got(), "mouseDown,mouseUp,");
  drive::advance(30);
  drive::click(at(400, 300));
  ASSERT_EQ(doline("play movie " + movie() + " until mouse"), 0);
  EXPECT_EQ(got(), "");
}

}  // namespace
}  // namespace kv
