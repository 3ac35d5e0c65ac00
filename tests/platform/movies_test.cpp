// The movie layer over FFmpeg: files made by the test movie maker, opened, played on the
// virtual clock, drawn into an offscreen world.
#include <gtest/gtest.h>

#include "platform/events/events.h"
#include "platform/movies/movies.h"
#include "platform/qd/qd.h"
#include "platform/sound/audio.h"
#include "platform/testing/testmovies.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/homefolder.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using OwnedMovie = Owned<Movie, DisposeMovie>;

class MovieLayerTest : public HomeFolderTest {
 protected:
  std::string make(const char* name, TestMovie m = {}) {
    std::string p = home->path() + "/" + name;
    EXPECT_TRUE(writetestmovie(p, m));
    return p;
  }
  static u32 red(i32 k) { return u32(testmoviered(k)) << 16; }
};

TEST_F(MovieLayerTest, OpensWithTimeScaleDurationAndBox) {
  OwnedMovie m;
  ASSERT_EQ(NewMovieFromPath(make("m.mov"), &m), noErr);
  EXPECT_EQ(GetMovieTimeScale(m), 600);
  EXPECT_EQ(GetMovieDuration(m), 1200);
  Rect box;
  GetMovieBox(m, &box);
  EXPECT_EQ(box, (Rect{0, 0, 48, 64}));
  EXPECT_FALSE(movieHasSound(m));
  Movie none = nilid;
  EXPECT_EQ(NewMovieFromPath(home->path() + "/none.mov", &none), fnfErr);
  writefile(dir, "t.txt", {'h', 'e', 'l', 'l', 'o'}, fourcc("TEXT"));
  EXPECT_EQ(NewMovieFromPath(home->path() + "/t.txt", &none), invalidDataRef);
  EXPECT_EQ(none, nilid);
}

// Playing forwards and backwards on the virtual clock shows the frame due, decoding backwards
// from key frames.
TEST_F(MovieLayerTest, PlaysOnTheTickClockAndDrawsTheFrameDue) {
  OwnedMovie m;
  ASSERT_EQ(NewMovieFromPath(make("m.mov"), &m), noErr);
  GWorldPtr w = qdtest::world(32, 100, 80);
  SetMovieGWorld(m, w);
  Rect box{10, 20, 58, 84};
  SetMovieBox(m, &box);
  StartMovie(m);
  u32 t0 = TickCount();
  Delay(30, nullptr);
  MoviesTask(m);
  EXPECT_EQ(GetMovieTime(m), 300);
  EXPECT_EQ(qdtest::pixel(w, 30, 20) & 0xFFFFFF, red(15));
  EXPECT_EQ(qdtest::pixel(w, 5, 5) & 0xFFFFFF, 0xFFFFFFu);
  while (!IsMovieDone(m)) Delay(1, nullptr);
  EXPECT_EQ(TickCount() - t0, 120u);
  MoviesTask(m);
  EXPECT_EQ(qdtest::pixel(w, 30, 20) & 0xFFFFFF, red(59));
  SetMovieRate(m, -fixed1);
  Delay(100, nullptr);
  MoviesTask(m);
  EXPECT_EQ(GetMovieTime(m), 200);
  EXPECT_EQ(qdtest::pixel(w, 30, 20) & 0xFFFFFF, red(10));
  DisposeGWorld(w);
}

TEST_F(MovieLayerTest, ClipAndRotatedMatrix) {
  OwnedMovie m;
  ASSERT_EQ(NewMovieFromPath(make("m.mov"), &m), noErr);
  GWorldPtr w = qdtest::world(32, 100, 100);
  SetMovieGWorld(m, w);
  NewRegion clip;
  SetRectRgn(clip, 0, 0, 10, 10);
  SetMovieDisplayClipRgn(m, clip);
  UpdateMovie(m);
  EXPECT_EQ(qdtest::pixel(w, 5, 5) & 0xFFFFFF, red(0));
  EXPECT_EQ(qdtest::pixel(w, 20, 20) & 0xFFFFFF, 0xFFFFFFu);
  SetMovieDisplayClipRgn(m, nilid);
  MatrixRecord mx;
  SetIdentityMatrix(&mx);
  RotateMatrix(&mx, Long2Fix(90), Long2Fix(32), Long2Fix(24));
  SetMovieMatrix(m, &mx);
  qdtest::world(32, 100, 100);
  SetMovieGWorld(m, w);
  EraseRect(&(const Rect&)Rect{0, 0, 100, 100});
  UpdateMovie(m);
  // 64 x 48 turned about its centre covers x 8..56, y -8..56.
  EXPECT_EQ(qdtest::pixel(w, 10, 50) & 0xFFFFFF, red(0));
  EXPECT_EQ(qdtest::pixel(w, 4, 30) & 0xFFFFFF, 0xFFFFFFu);
  DisposeGWorld(w);
}

TEST_F(MovieLayerTest, SoundPlaysAtRateOneOnly) {
  TestMovie spec;
  spec.sound = true;
  OwnedMovie m;
  ASSERT_EQ(NewMovieFromPath(make("s.mov", spec), &m), noErr);
  EXPECT_TRUE(movieHasSound(m));
  auto loudest = [](u32 from, u32 to) {
    int peak = 0;
    for (i16 s : renderedaudio(from, to)) peak = std::max(peak, std::abs(int(s)));
    return peak;
  };
  SetMovieRate(m, 2 * fixed1);
  u32 t = TickCount();
  Delay(10, nullptr);
  audioservice();
  EXPECT_EQ(loudest(t, t + 10), 0);
  SetMovieRate(m, fixed1);
  t = TickCount();
  Delay(10, nullptr);
  audioservice();
  EXPECT_GT(loudest(t + 2, t + 10), 5000);
  // A negative volume mutes.
  SetMovieVolume(m, -256);
  t = TickCount();
  Delay(10, nullptr);
  audioservice();
  EXPECT_EQ(loudest(t + 2, t + 10), 0);
  StopMovie(m);
}

}  // namespace
}  // namespace kv
