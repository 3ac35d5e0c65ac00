// Movies played from scripts: `play movie` on the virtual clock, the `movie` function over the
// open-movie table, and the movie time text. Movies come from the test movie maker (64 x 48,
// 2 seconds at 30 frames a second).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "media/movies.h"
#include "platform/events/events.h"
#include "platform/movies/moviecontroller.h"
#include "platform/movies/movies.h"
#include "platform/backend/backend.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/testing/answers.h"
#include "platform/testing/testmovies.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "tests/support/owned.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class MovieTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default
    testproject::Project p = testproject::small();
    testproject::Object oval;
    oval.name = "Oval";
    oval.style = 207;
    oval.rect = Rect{200, 200, 248, 264};
    p.windows[0].cards[0].objects.push_back(oval);
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_TRUE(writetestmovie(home->path() + "/m.mov", TestMovie{}));
    mainglobals().hasQuickTime = 1;
  }
  void TearDown() override {
    dumpmoovs(nilid, false);
    WindowTest::TearDown();
  }
  std::string movie() { return "\"" + home->path() + "/m.mov\""; }
  // The window's pixel at (h, v) as 0xRRGGBB, and its red level.
  u32 pixel(i32 h, i32 v) {
    PixMapHandle pm = GetPortPixMap(GetWindowPort(current().window));
    PixMap rec = pixmaprecord(pm);
    u32 px = 0;
    std::memcpy(&px, reinterpret_cast<const u8*>(rec.baseAddr) + v * (rec.rowBytes & rowbytesmask) + h * 4, 4);
    return px & 0xFFFFFF;
  }
  u32 red(i32 h, i32 v) { return pixel(h, v) >> 16; }
  // A file of the test's home folder.
  std::vector<u8> readhome(const std::string& name) {
    std::ifstream in(home->path() + "/" + name, std::ios::binary);
    return std::vector<u8>(std::istreambuf_iterator<char>(in), {});
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
  EXPECT_EQ(stringtotimevalue(600,
                              reinterpret_cast<ConstStringPtr>("\x03"
                                                               "1:2"),
                              &t),
            0);
  EXPECT_EQ(t, 640);
  EXPECT_EQ(stringtotimevalue(600,
                              reinterpret_cast<ConstStringPtr>("\x08"
                                                               "0:0:0:45"),
                              &t),
            0);
  EXPECT_EQ(t, 900);
  EXPECT_EQ(stringtotimevalue(600,
                              reinterpret_cast<ConstStringPtr>("\x03"
                                                               "abc"),
                              &t),
            140);
  // Hours that wrap 32 bits are clamped instead.
  EXPECT_EQ(stringtotimevalue(600000,
                              reinterpret_cast<ConstStringPtr>("\x0B"
                                                               "99:00:00:00"),
                              &t),
            0);
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
            {"", m + "set, swingSpeed, 5)", "QuickTime VR is not available."},
            // A read-only panorama word reads as the others and cannot be set.
            {"", m + "get, currentNodeName)", "QuickTime VR is not available."},
            {"", m + "set, currentNodeName, 5)", "error 65"}});
  // The speaker mutes a full volume; the volume reads its magnitude.
  MCToggleMute(movietable()[0].controller);
  EXPECT_EQ(cardvalue(m + "get, volume)"), "256");
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

// A frame copied to a file is 512 zero bytes and a picture framed by the box; copied without
// a path it goes onto the clipboard as a 'PICT'.
TEST_F(MovieTest, CopiesTheFrameToAFileAndTheClipboard) {
  std::string m = "movie(" + opened() + ", ";
  ASSERT_EQ(doline("get " + m + "set, currentTime, \"0:0:1:0\")"), 0);
  std::string path = home->path() + "/f.pict";
  ASSERT_EQ(doline("get " + m + "copy, \"" + path + "\")"), 0);
  std::vector<u8> file = readhome("f.pict");
  ASSERT_GT(file.size(), 512u + 10u);
  EXPECT_EQ(std::count(file.begin(), file.begin() + 512, 0), 512);
  OwnedHandle pic(NewHandle(Size(file.size() - 512)));
  std::memcpy(deref(pic), file.data() + 512, file.size() - 512);
  EXPECT_TRUE(picturevalid(PicHandle(pic.get())));
  Rect frame;
  QDGetPictureBounds(PicHandle(pic.get()), &frame);
  EXPECT_EQ(frame, (Rect{0, 0, 48, 64}));
  // Played back, the picture shows frame 30.
  OwnedWorld w;
  Rect r{0, 0, 48, 64};
  ASSERT_EQ(NewGWorld(&w, 32, &r, nilhandle, nilhandle, 0), noErr);
  {
    SavePort saved;
    SetPort(w);
    DrawPicture(PicHandle(pic.get()), &r);
  }
  PixMap pm = pixmaprecord(GetGWorldPixMap(w));
  u32 px = 0;
  std::memcpy(&px, reinterpret_cast<const u8*>(pm.baseAddr) + 20 * (pm.rowBytes & rowbytesmask) + 20 * 4, 4);
  EXPECT_EQ((px >> 16) & 0xFF, testmoviered(30));
  backend().setclipboard({});
  ASSERT_EQ(doline("get " + m + "copy)"), 0);
  std::vector<ClipFlavor> clip = backend().clipboard();
  ASSERT_EQ(clip.size(), 1u);
  EXPECT_EQ(clip[0].type, fourcc("PICT"));
  EXPECT_EQ(clip[0].bytes.size(), file.size() - 512);
  EXPECT_TRUE(std::equal(clip[0].bytes.begin(), clip[0].bytes.end(), file.begin() + 512));
  EXPECT_EQ(doline("get " + m + "copy, \"" + home->path() + "/no/such/folder/f.pict\")"), 72);
}

// `using` an object clips the movie to its shape; with `and scale` the shape is stretched over
// the box, so the corners show the card and the middle the frame.
TEST_F(MovieTest, ClipsToAnObjectsShape) {
  u32 card = pixel(1, 1);
  ASSERT_EQ(doline("play movie " + movie() + " using button \"Oval\" and scale show \"0:0:1:0\" keep picture"), 0);
  EXPECT_EQ(red(32, 24), testmoviered(30));
  EXPECT_EQ(red(32, 2), testmoviered(30));
  EXPECT_EQ(pixel(1, 1), card);
  EXPECT_EQ(pixel(62, 46), card);
  cardrows({{"play movie " + movie() + " using card 1", "", "error 11"},
            {"play movie " + movie() + " using button \"Oval\" and foo", "", "error 160"},
            {"play movie " + movie() + " using button \"Oval\" centered at 10", "", "error 39"}});
  EXPECT_EQ(moviecount(), 0u);
}

// A quad maps the box onto any four points: a trapezoid leaves the corners of the box outside.
TEST_F(MovieTest, MapsTheMovieOntoAQuad) {
  std::string m = "movie(" + opened() + ", ";
  u32 card = pixel(2, 2);
  ASSERT_EQ(doline("get " + m + "set, quad, \"16,0,48,0,64,48,0,48\")"), 0);
  EXPECT_EQ(cardvalue(m + "get, quad)"), "16,0,48,0,64,48,0,48");
  EXPECT_EQ(pixel(2, 2), card);  // outside the narrow top
  EXPECT_EQ(pixel(32, 2), 0u);   // frame 0 is black
  EXPECT_EQ(pixel(2, 46), 0u);   // the wide bottom
  cardrows({{"", m + "set, quad, \"1,1,2,2,3,3,4,4,5,5\")", "error 2"},
            {"", m + "set, quad, \"1,1,2,2,3,3,4,x\")", "error 2"}});
}

// The value of a set runs before its movie is found: removing the movie there leaves the
// others alone, and a removed movie is reported, not written.
TEST_F(MovieTest, SetFindsItsMovieAfterTheValue) {
  std::string a = opened(), b = opened();
  ASSERT_EQ(doline("get movie(" + a + ", set, rect, movie(" + a + ", remove) & \"0,0,10,10\")"), 0);
  EXPECT_EQ(cardvalue("it"), "Invalid movie reference");
  EXPECT_EQ(cardvalue("movie(" + b + ", get, rect)"), "0,0,64,48");
  EXPECT_EQ(cardvalue("the number of movies"), "1");
  ASSERT_EQ(doline("get movie(" + b + ", set, rect, movie(" + b + ", remove) & \"0,0,10,10\")"), 0);
  EXPECT_EQ(cardvalue("it"), "Invalid movie reference");
  EXPECT_EQ(moviecount(), 0u);
}

// `at` and `within` take a point or a rectangle as one value too.
TEST_F(MovieTest, AtAndWithinTakeOneValue) {
  ASSERT_EQ(doline("put \"100,100\" into p"), 0);
  std::string m = opened();
  for (const std::string& opt : {std::string("at p"), std::string("at \"100,100\""), std::string("at 100,100")}) {
    ASSERT_EQ(doline("play movie " + movie() + " with controller " + opt), 0) << opt;
    EXPECT_EQ(cardvalue("movie(it, get, rect)"), "68,76,132,124") << opt;
  }
  ASSERT_EQ(doline("play movie " + movie() + " with controller within the rect of button \"Oval\""), 0);
  EXPECT_EQ(cardvalue("movie(it, get, rect)"), "200,200,264,248");
  ASSERT_EQ(doline("play movie " + movie() + " with controller within \"1,2,30,40\""), 0);
  EXPECT_EQ(cardvalue("movie(it, get, rect)"), "1,2,30,40");
  EXPECT_EQ(cardvalue("movie(" + m + ", get, rect)"), "0,0,64,48");
}

// A muted volume reads its magnitude and plays nothing.
TEST_F(MovieTest, NegativeVolumeMutes) {
  std::string m = "movie(" + opened() + ", ";
  ASSERT_EQ(doline("get " + m + "set, volume, -256)"), 0);
  EXPECT_EQ(cardvalue(m + "get, volume)"), "256");
  EXPECT_EQ(GetMovieVolume(movietable()[0].movie), -256);
}

// A failed play and a closed window leave no movie, controller or handle behind (the fixture
// checks the handles).
TEST_F(MovieTest, FailuresAndClosedWindowsReleaseEverything) {
  std::ofstream(home->path() + "/t.txt") << "hi";
  ASSERT_EQ(doline("play movie \"" + home->path() + "/t.txt\""), 0);
  EXPECT_EQ(result(), "The file could not be opened.");
  opened();
  opened();
  EXPECT_EQ(moviecount(), 2u);
  dumpmoovs(current().window, true);
  EXPECT_EQ(moviecount(), 0u);
  EXPECT_EQ(moviecontrollercount(), 0u);
  EXPECT_EQ(cardvalue("the number of movies"), "0");
}

}  // namespace
}  // namespace kv
