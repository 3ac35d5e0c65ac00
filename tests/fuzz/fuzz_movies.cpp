// Opens arbitrary bytes as a movie file through the movie layer, as a project's movie or a
// dropped file would be opened: a file that is no movie is refused with an error; a movie has a
// positive time scale and a duration not below 0, and draws its frames at its start, middle and
// end, backwards, and its poster into a small world without touching memory outside it. The
// seeds are movies our own recorder wrote.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/movies/movierecorder.h"
#include "platform/movies/movies.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "tests/fuzz/fuzzcheck.h"

// replay-runs: 300

namespace {

using namespace kv;

void writefile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  setmemorybudget(64u << 20);
  TemporaryHome home;
  const std::string path = home.path() + "/m.mov";
  writefile(path, data, size);
  if (EnterMovies() != noErr) return 0;
  GWorldPtr gw = 0;
  const Rect frame{0, 0, 48, 64};
  check(NewGWorld(&gw, 32, &frame, 0, 0, 0) == noErr);
  SetGWorld(gw, 0);
  Movie m = nilid;
  if (NewMovieFromPath(path, &m) == noErr) {
    check(IsValidMovie(m) && GetMovieTimeScale(m) > 0 && GetMovieDuration(m) >= 0);
    SetMovieGWorld(m, gw);
    const Rect box{4, 4, 44, 60};
    SetMovieBox(m, &box);
    const TimeValue d = GetMovieDuration(m);
    for (TimeValue t : {TimeValue(0), d / 2, d, d / 3}) {
      SetMovieTimeValue(m, t);
      MoviesTask(m);
    }
    ShowMoviePoster(m);
    UpdateMovie(m);
    DisposeMovie(m);
  }
  DisposeGWorld(gw);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  TemporaryHome home;
  GWorldPtr gw = 0;
  const Rect frame{0, 0, 12, 16};
  if (NewGWorld(&gw, 32, &frame, 0, 0, 0) != noErr) return 0;
  SetGWorld(gw, 0);
  for (i16 depth : {i16(32), i16(16)}) {
    const std::string path = home.path() + "/seed.mov";
    MovieRecorder r = nilid;
    if (NewMovieRecorder(path, 16, 12, depth, &r) != noErr) continue;
    for (int i = 0; i < 3; ++i) {
      const Rect spot{i16(i * 3), i16(i * 4), i16(i * 3 + 5), i16(i * 4 + 6)};
      EraseRect(&frame);
      PaintOval(&spot);
      AddMovieRecorderFrame(r, gw, 200);
    }
    CloseMovieRecorder(r, true);
    std::ifstream in(path, std::ios::binary);
    out->emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  DisposeGWorld(gw);
  resetruntime();
  return out->size();
}
