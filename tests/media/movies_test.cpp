// Movies played from scripts: `play movie` on the virtual clock, the `movie` function over the
// open-movie table, and the movie time text. Movies come from the test movie maker (64 x 48,
// 2 seconds at 30 frames a second).
#include <gtest/gtest.h>

#include "media/movies.h"
#include "platform/events/events.h"
#include "platform/movies/moviecontroller.h"
#include "platform/movies/movies.h"
#include "platform/qd/ports.h"
#include "platform/testing/answers.h"
#include "platform/testing/testmovies.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "shell/mainglobals.h"
#include "shell/redraws.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class MovieTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default
    build(testproject::small());
    ASSERT_EQ(open(), 0);
    ASSERT_TRUE(writetestmovie(home->path() + "/m.mov", TestMovie{}));
    mainglobals().hasQuickTime = 1;
  }
  void TearDown() override {
    dumpmoovs(nilid, false);
    WindowTest::TearDown();
  }
  std::string movie() { return "\"" + home->path() + "/m.mov\""; }
  // The red level of the window's pixel at (h, v).
  u32 red(i32 h, i32 v) {
    PixMapHandle pm = GetPortPixMap(GetWindowPort(current().window));
    PixMap rec = pixmaprecord(pm);
    u32 px = 0;
    std::memcpy(&px, reinterpret_cast<const u8*>(rec.baseAddr) + v * (rec.rowBytes & rowbytesmask) + h * 4, 4);
    return (px >> 16) & 0xFF;
  }
  // Plays the movie with the controller: its id.
  std::string opened() {
    EXPECT_EQ(doline("play movie " + movie() + " with controller"), 0);
    return cardvalue("it");
  }
};

TEST_F(MovieTest, TimeTextAndInvalidReferences) {
  Str255 s;
  formatmovietime(1250, 600, s);
  EXPECT_EQ(pstringview(s), "00:00:02:02");
  formatmovietime(1250, 20, s);
  EXPECT_EQ(pstringview(s), "00:01:02:00");
  formatmovietime(1250, 0, s);
  EXPECT_EQ(pstringview(s), "00:00:00:00");
  i32 t = 0;
  EXPECT_EQ(stringtotimevalue(600, reinterpret_cast<ConstStringPtr>("\x03" "1:2"), &t), 0);
  EXPECT_EQ(t, 640);
  EXPECT_EQ(stringtotimevalue(600, reinterpret_cast<ConstStringPtr>("\x08" "0:0:0:45"), &t), 0);
  EXPECT_EQ(t, 900);
  EXPECT_EQ(stringtotimevalue(600, reinterpret_cast<ConstStringPtr>("\x03" "abc"), &t), 140);
  // Hours that wrap 32 bits are clamped instead.
  EXPECT_EQ(stringtotimevalue(600000, reinterpret_cast<ConstStringPtr>("\x0B" "99:00:00:00"), &t), 0);
  EXPECT_EQ(t, 0x7FFFFFFF);
  cardrows({{"", "movie(5, start)", "Invalid movie reference"},
            {"", "movie(5 get currentTime)", "Invalid movie reference"},
            {"", "the number of movies", "0"}});
}

TEST_F(MovieTest, ControllerMovieProperties) {
  std::string id = opened();
  std::string m = "movie(" + id + ", ";
  cardrows({{"", "the number of movies", "1"},
            {"", m + "get, duration)", "00:00:02:00"},
            {"", "movie(" + id + " get duration)", "00:00:02:00"},
            {"", m + "get, rect)", "0,0,64,48"},
            {"", m + "get, playRate)", "0.00"},
            {"", m + "get, isQTVRMovie)", "false"},
            {"", m + "get, swingDirection)", "QuickTime VR is not available."},
            {"", m + "get, name)", home->path() + "/m.mov"},
            {"", m + "get, foo)", "error 2"},
            {"", m + "get, duration, 5)", "error 88"},
            {"", m + "set, duration, 5)", "error 65"},
            {"", m + "set, width, 0)", "error 66"},
            {"", m + "get, rect)", "0,0,64,48"},
            {"get " + m + "set, rotation, 450)", m + "get, rotation)", "90"},
            {"get " + m + "set, rotation, -90)", m + "get, rotation)", "-90"},
            {"get " + m + "set, currentTime, \"99:00:00:00\")", m + "get, currentTime)", "00:00:02:00"},
            {"", m + "set, quad, \"1,1,2,2,3,3\")", "error 2"},
            {"", m + "set, clip, 12345)", "error 2"},
            {"", m + "set, swingSpeed, 5)", "QuickTime VR is not available."}});
  // The speaker mutes a full volume; the volume reads its magnitude.
  MCToggleMute(movietable()[0].controller);
  EXPECT_EQ(cardvalue(m + "get, volume)"), "256");
  EXPECT_EQ(doline("get " + m + "copy, \"f.pict\")"), 0);
  EXPECT_EQ(doline("get " + m + "remove)"), 0);
  EXPECT_EQ(cardvalue(m + "start)"), "Invalid movie reference");
  EXPECT_EQ(moviecount(), 0u);
  EXPECT_EQ(moviecontrollercount(), 0u);
}

TEST_F(MovieTest, PlaysOnTheVirtualClock) {
  u32 t0 = TickCount();
  takeredraws();
  ASSERT_EQ(doline("play movie " + movie()), 0);
  EXPECT_NEAR(double(TickCount() - t0), 120.0, 1.0);
  EXPECT_FALSE(takeredraws().empty());  // the box shows the card again
  ASSERT_EQ(doline("play movie " + movie() + " keep picture"), 0);
  EXPECT_EQ(red(10, 10), testmoviered(59));
  ASSERT_EQ(doline("play movie " + movie() + " show \"0:0:1:0\" keep picture"), 0);
  EXPECT_EQ(red(10, 10), testmoviered(30));
  t0 = TickCount();
  ASSERT_EQ(doline("play movie " + movie() + " speed -1 keep picture"), 0);
  EXPECT_NEAR(double(TickCount() - t0), 120.0, 1.0);
  EXPECT_EQ(red(10, 10), testmoviered(0));
  t0 = TickCount();
  ASSERT_EQ(doline("play movie " + movie() + " speed 50000"), 0);
  ASSERT_EQ(doline("play movie " + movie() + " from \"0:0:1:0\" to \"0:0:0:15\""), 0);
  EXPECT_LE(TickCount() - t0, 2u);
  ASSERT_EQ(doline("play movie " + movie() + " at 100,100 keep picture"), 0);
  EXPECT_EQ(red(100 - 32, 100 - 24), testmoviered(59));
  EXPECT_EQ(moviecount(), 0u);
}

TEST_F(MovieTest, OptionErrorsAndMissingFiles) {
  cardrows({{"play movie " + movie() + " until foo", "", "error 2"},
            {"play movie " + movie() + " keep foo", "", "error 2"},
            {"play movie " + movie() + " very foo", "", "error 2"},
            {"play movie " + movie() + " with foo", "", "error 2"},
            {"play movie \"" + home->path() + "/none.mov\"", "the result", "The file could not be opened."}});
  mainglobals().hasQuickTime = 0;
  EXPECT_EQ(doline("play movie " + movie()), 0);
  EXPECT_EQ(result(), "Movie files cannot be played.");
}

}  // namespace
}  // namespace kv
