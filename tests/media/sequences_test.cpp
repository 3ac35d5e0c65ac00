// The card recorded as a movie and as a picture sequence, sequences played back, and film
// strips opened from picture files and animated with their inks, all from scripts.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "media/movies.h"
#include "media/sequences.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/movies/movierecorder.h"
#include "platform/movies/movies.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "tests/support/owned.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class SequenceTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
    testproject::Project p = testproject::small();
    testproject::Object box;
    box.kind = testproject::Object::graphic;
    box.name = "Box";
    box.rect = Rect{150, 0, 250, 100};
    p.windows[0].cards[0].objects.push_back(box);
    build(p);
    ASSERT_EQ(open(), 0);
    mainglobals().hasQuickTime = 1;
  }
  void TearDown() override {
    lowclosemovie(false);
    closepics(false, nilhandle, 0);
    closeallfilms();
    WindowTest::TearDown();
  }
  std::string path(const std::string& name) { return home->path() + "/" + name; }
  std::string quoted(const std::string& name) { return "\"" + path(name) + "\""; }
  u32 pixel(i32 h, i32 v) {
    PixMap rec = pixmaprecord(GetPortPixMap(GetWindowPort(current().window)));
    u32 px = 0;
    std::memcpy(&px, reinterpret_cast<const u8*>(rec.baseAddr) + v * (rec.rowBytes & rowbytesmask) + h * 4, 4);
    return px & 0xFFFFFF;
  }
  static u32 pixelof(GWorldPtr w, i32 h, i32 v) {
    PixMap rec = pixmaprecord(GetGWorldPixMap(w));
    u32 px = 0;
    std::memcpy(&px, reinterpret_cast<const u8*>(rec.baseAddr) + v * (rec.rowBytes & rowbytesmask) + h * 4, 4);
    return px & 0xFFFFFF;
  }
  // A picture of `w` x `h` painted by `paint` in a 32-bit world.
  template <class F>
  static std::vector<u8> picture(i16 w, i16 h, F paint) {
    OwnedWorld world;
    Rect r{0, 0, h, w};
    EXPECT_EQ(NewGWorld(&world, 32, &r, nilhandle, nilhandle, 0), noErr);
    SavePort saved;
    SetPort(world);
    PicHandle pic = OpenPicture(&r);
    paint();
    ClosePicture();
    std::vector<u8> bytes(deref(pic), deref(pic) + GetHandleSize(pic));
    KillPicture(pic);
    return bytes;
  }
  static void paintrect(Rect r, u16 red, u16 green, u16 blue) {
    RGBColor c{red, green, blue};
    RGBForeColor(&c);
    PaintRect(&r);
  }
  void writepicturefile(const std::string& name, const std::vector<u8>& pic) {
    std::ofstream out(path(name), std::ios::binary);
    std::vector<u8> header(512, 0);
    out.write(reinterpret_cast<const char*>(header.data()), 512);
    out.write(reinterpret_cast<const char*>(pic.data()), std::streamsize(pic.size()));
  }
  bool exists(const std::string& name) { return std::ifstream(path(name)).good(); }
};

TEST_F(SequenceTest, RecordsTheCardAsAMovie) {
  cardrows({{"record movie", "the result", "No movie is being recorded."},
            {"open movie " + quoted("r.mov") + " with foo", "", "error 137"},
            {"open movie " + quoted("r.mov") + " at 10,10,10,10", "", "error 66"}});
  ASSERT_EQ(doline("open movie " + quoted("r.mov") + " at 10,10,74,58"), 0);
  EXPECT_EQ(result(), "");
  cardrows({{"open movie " + quoted("r.mov"), "the result", "The file is open already, or too many files are open."},
            {"play movie " + quoted("r.mov"), "the result", "Movies cannot be played while recording."}});
  ASSERT_EQ(doline("record movie\nrecord movie\nrecord movie\nclose movie"), 0);
  MovieFileFacts f;
  ASSERT_TRUE(moviefilefacts(path("r.mov"), &f));
  EXPECT_EQ(f.codec, "qtrle");
  EXPECT_EQ(f.timescale, 600);
  EXPECT_EQ(f.duration, 120);
  EXPECT_EQ(f.samples, 3);
  EXPECT_EQ(f.width, 64);
  EXPECT_EQ(f.height, 48);
  CatInfo c{};
  Str255 name;
  setpstring(name, path("r.mov"));
  ASSERT_EQ(HGetCatInfo(0, 0, name, &c), noErr);
  EXPECT_EQ(c.type, fourcc("MooV"));
  EXPECT_EQ(c.creator, fourcc("TVOD"));
  // A decoded frame is the card under the record rectangle, as the card draws.
  OwnedWorld card;
  Rect r{0, 0, 48, 64};
  ASSERT_EQ(NewGWorld(&card, 32, &r, nilhandle, nilhandle, 0), noErr);
  drawcardinto(card, Rect{10, 10, 58, 74});
  Movie m = nilid;
  ASSERT_EQ(NewMovieFromPath(path("r.mov"), &m), noErr);
  OwnedWorld w;
  ASSERT_EQ(NewGWorld(&w, 32, &r, nilhandle, nilhandle, 0), noErr);
  SetMovieGWorld(m, w);
  UpdateMovie(m);
  int differ = 0, dark = 0;
  for (i32 y = 0; y < 48; y += 3)
    for (i32 x = 0; x < 64; x += 3) {
      differ += pixelof(w, x, y) != pixelof(card, x, y);
      dark += pixelof(w, x, y) != 0xFFFFFF;
    }
  DisposeMovie(m);
  EXPECT_EQ(differ, 0);
  EXPECT_GT(dark, 0);  // the field and button are in the frame
  EXPECT_EQ(doline("close movie"), 0);
  EXPECT_EQ(result(), "No movie is being recorded.");
  // A script error ends a recording: scriptError closes every user file first.
  ASSERT_EQ(doline("open movie " + quoted("e.mov") + " at 10,10,74,58"), 0);
  cardrows({{"close movie file x", "", "error 19"}, {"record movie", "the result", "No movie is being recorded."}});
}

TEST_F(SequenceTest, TheSettingsDialogSetsTheFrameRate) {
  queueanswer(Answer{"movie settings", "0.5", {}});
  ASSERT_EQ(doline("open movie " + quoted("slow.mov") + " at 0,0,16,16 with dialog"), 0);
  ASSERT_EQ(doline("record movie\nrecord movie\nrecord movie\nclose movie"), 0);
  MovieFileFacts f;
  ASSERT_TRUE(moviefilefacts(path("slow.mov"), &f));
  EXPECT_EQ(f.duration, 1800);  // at least one frame a second
  queueanswer(Answer{"movie settings", "Cancel", {}});
  ASSERT_EQ(doline("open movie " + quoted("none.mov") + " with dialog"), 0);
  EXPECT_EQ(result(), "Cancel");
  EXPECT_FALSE(exists("none.mov"));
  EXPECT_EQ(movierecordercount(), 0u);
}

TEST_F(SequenceTest, RecordsAndPlaysPictureSequences) {
  cardrows({{"record pics", "the result", "No picture sequence is open."},
            {"open pics " + quoted("s") + " at 5,5,5,5", "", "error 66"}});
  // Frames of cards One, Three and Two, which look different.
  ASSERT_EQ(doline("open pics " + quoted("s") + " at 0,0,120,60"), 0);
  cardrows({{"open pics " + quoted("t"), "the result", "The file is open already, or too many files are open."},
            {"play pics " + quoted("s"), "the result", "Cannot play while recording."}});
  ASSERT_EQ(doline("record pics\ngo card 3\nrecord pics\ngo card 2\nrecord pics\nclose pics\ngo card 1"), 0);
  CatInfo c{};
  Str255 name;
  setpstring(name, path("s"));
  ASSERT_EQ(HGetCatInfo(0, 0, name, &c), noErr);
  EXPECT_EQ(c.type, fourcc("PICS"));
  EXPECT_EQ(c.creator, fourcc("????"));
  i16 file = OpenResFile(path("s.rsrc"));
  ASSERT_GT(file, 0);
  EXPECT_EQ(Count1Resources(fourcc("PICT")), 3);
  std::vector<u8> frames[3];
  for (i16 k = 0; k < 3; ++k) {
    Handle h = Get1Resource(fourcc("PICT"), i16(128 + k));
    ASSERT_NE(h, nilhandle);
    EXPECT_TRUE(picturevalid(PicHandle(h)));
    frames[k].assign(deref(h), deref(h) + GetHandleSize(h));
  }
  CloseResFile(file);
  EXPECT_NE(frames[0], frames[1]);
  // Frame 2 kept in the window is card Three's image; without keep pict the card comes back.
  u32 before = pixel(70, 20);
  ASSERT_EQ(doline("play pics " + quoted("s") + " frame 2 keep pict"), 0);
  OwnedWorld w;
  Rect r{0, 0, 60, 120};
  ASSERT_EQ(NewGWorld(&w, 32, &r, nilhandle, nilhandle, 0), noErr);
  OwnedHandle second(NewHandle(Size(frames[1].size())));
  std::memcpy(deref(second), frames[1].data(), frames[1].size());
  {
    SavePort saved;
    SetPort(w);
    EraseRect(&r);
    DrawPicture(PicHandle(second.get()), &r);
  }
  int differ = 0;
  for (i32 y = 0; y < 60; y += 2)
    for (i32 x = 0; x < 120; x += 2) differ += pixelof(w, x, y) != pixel(x, y);
  EXPECT_EQ(differ, 0);
  ASSERT_EQ(doline("play pics " + quoted("s")), 0);
  EXPECT_EQ(pixel(70, 20), before);
  // `slow` waits 12 ticks after each frame; a click during frame 1's wait stops after it.
  u32 t0 = TickCount();
  ASSERT_EQ(doline("play pics " + quoted("s") + " slow"), 0);
  EXPECT_EQ(TickCount() - t0, 36u);
  t0 = TickCount();
  drive::advance(5);
  drive::click(Point{300, 300});
  ASSERT_EQ(doline("play pics " + quoted("s") + " slow until click"), 0);
  EXPECT_EQ(TickCount() - t0, 12u);
  cardrows({{"play pics " + quoted("none"), "the result", "The file could not be opened."},
            {"play pics " + quoted("s") + " foo", "", "error 2"}});
  // A frame that cannot be written is reported in the result.
  std::filesystem::create_directory(path("gone"));
  ASSERT_EQ(doline("open pics " + quoted("gone/s")), 0);
  std::filesystem::remove_all(path("gone"));
  ASSERT_EQ(doline("record pics"), 0);
  EXPECT_EQ(result().rfind("File system error ", 0), 0u) << result();
  ASSERT_EQ(doline("close pics"), 0);
}

TEST_F(SequenceTest, FilmStripsFromPictureFiles) {
  // Three cells of 100 x 100: red; white on the left half and green on the right; blue.
  writepicturefile("strip.pict", picture(300, 100, [] {
                     paintrect(Rect{0, 0, 100, 100}, 0xFFFF, 0, 0);
                     paintrect(Rect{0, 100, 100, 150}, 0xFFFF, 0xFFFF, 0xFFFF);
                     paintrect(Rect{0, 150, 100, 200}, 0, 0xFFFF, 0);
                     paintrect(Rect{0, 200, 100, 300}, 0, 0, 0xFFFF);
                   }));
  ASSERT_EQ(doline("open film file " + quoted("strip.pict") + " as f using 100,100"), 19);
  ASSERT_EQ(doline("open film file " + quoted("strip.pict") + " using 100,100"), 0);
  EXPECT_EQ(cardvalue("it"), "0,0,300,100");
  std::string f = quoted("strip.pict");
  ASSERT_EQ(doline("play film " + f + " frame 2 to 2 repeat forever keep pict"), 0);
  EXPECT_EQ(pixel(75, 50), 0x00FF00u);
  EXPECT_EQ(pixel(25, 50), 0xFFFFFFu);
  ASSERT_EQ(doline("play film " + f + " frame 3 keep pict at 150,50"), 0);
  EXPECT_EQ(pixel(150, 50), 0x0000FFu);
  cardrows({{"open film file " + f, "the result", "The file is in use or may not be opened."},
            {"play film " + f + " wobble", "", "error 2"},
            {"open film container x f", "", "error 228"},
            {"open film resource \"nope\"", "the result", "No resource with that name or number."},
            {"open film data \"nope\"", "the result", "No resource with that name or number."},
            {"close film " + f, "the result", ""},
            {"play film " + f, "the result", "No film with that name is open."},
            {"close film " + f, "the result", "No film with that name is open."}});
  std::ofstream(path("short.pict")) << "too short";
  ASSERT_EQ(doline("open film file " + quoted("short.pict")), 0);
  EXPECT_EQ(result(), "The file is empty.");
  ASSERT_EQ(doline("open film file " + quoted("missing.pict")), 0);
  EXPECT_NE(result(), "");
}

// Inks composite the cell over the card: blend mixes the two, mask lets the card show through
// the cell's white pixels; dissolve draws straight into the window.
TEST_F(SequenceTest, FilmInks) {
  writepicturefile("strip.pict", picture(300, 100, [] {
                     paintrect(Rect{0, 0, 100, 100}, 0xFFFF, 0, 0);
                     paintrect(Rect{0, 100, 100, 150}, 0xFFFF, 0xFFFF, 0xFFFF);
                     paintrect(Rect{0, 150, 100, 200}, 0, 0xFFFF, 0);
                     paintrect(Rect{0, 200, 100, 300}, 0, 0, 0xFFFF);
                   }));
  std::string f = quoted("strip.pict");
  ASSERT_EQ(doline("open film file " + f + " using 100,100"), 0);
  // A black line across the card where the cell will go (at v 150).
  auto line = [&] {
    SavePort saved;
    SetPortWindowPort(current().window);
    paintrect(Rect{150, 0, 151, 100}, 0, 0, 0);
  };
  line();
  ASSERT_EQ(doline("play film " + f + " frame 2 at 50,200 keep pict"), 0);
  EXPECT_EQ(pixel(10, 150), 0xFFFFFFu);  // source copy: the cell's white covers the line
  line();
  ASSERT_EQ(doline("play film " + f + " frame 2 at 50,200 with mask keep pict"), 0);
  EXPECT_EQ(pixel(10, 150), 0u);         // white lets the card through
  EXPECT_EQ(pixel(75, 200), 0x00FF00u);  // the green half is drawn
  line();
  ASSERT_EQ(doline("play film " + f + " frame 1 at 50,200 with blend keep pict"), 0);
  u32 mixed = pixel(10, 150);
  EXPECT_NE(mixed, 0xFF0000u);
  EXPECT_NE(mixed, 0u);
  line();
  ASSERT_EQ(doline("play film " + f + " frame 1 at 50,200 with blend dissolve keep pict"), 0);
  EXPECT_EQ(pixel(10, 150), mixed);
}

// An offscreen world sized from a damaged picture's bounds fails with 37 instead of growing
// without limit; a cell size below one pixel is one pixel.
TEST_F(SequenceTest, FilmsFromDamagedPictures) {
  std::vector<u8> pic = picture(30, 10, [] { paintrect(Rect{0, 0, 10, 30}, 0, 0, 0); });
  std::vector<u8> huge = pic;
  // The frame: top, left, bottom, right after the size word.
  huge[2] = 0x80, huge[3] = 0x00, huge[4] = 0x80, huge[5] = 0x00, huge[6] = 0x7F, huge[7] = 0xFF, huge[8] = 0x7F,
  huge[9] = 0xFF;
  writepicturefile("huge.pict", huge);
  EXPECT_EQ(doline("open film file " + quoted("huge.pict")), 37);
  writepicturefile("small.pict", pic);
  ASSERT_EQ(doline("open film file " + quoted("small.pict") + " using 0,0"), 0);
  ASSERT_EQ(doline("play film " + quoted("small.pict") + " frame 300 keep pict"), 0);
}

}  // namespace
}  // namespace kv
