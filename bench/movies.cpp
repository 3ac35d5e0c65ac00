// Movie playback speed: a 640 x 480, 30 frames-a-second movie decoded and drawn into a 32-bit
// port, frame after frame; frames per second (the goal is at least 120).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "platform/memory/memory.h"
#include "platform/movies/movies.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "platform/testing/testmovies.h"

namespace {

using namespace kv;

void BM_MovieFrames(benchmark::State& st) {
  setmemoryhardening(false);
  TemporaryHome home;
  std::string path = home.path() + "/big.mov";
  TestMovie spec;
  spec.width = 640;
  spec.height = 480;
  spec.frames = 90;
  if (!writetestmovie(path, spec)) {
    st.SkipWithError("no movie written");
    return;
  }
  GWorldPtr gw = 0;
  Rect r{0, 0, 480, 640};
  NewGWorld(&gw, 32, &r, 0, 0, 0);
  Movie m = nilid;
  NewMovieFromPath(path, &m);
  SetMovieGWorld(m, gw);
  i64 n = 0;
  for (auto _ : st) {
    SetMovieTimeValue(m, TimeValue((n % spec.frames) * 20));
    UpdateMovie(m);
    ++n;
  }
  st.counters["frames/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
  DisposeMovie(m);
  DisposeGWorld(gw);
  resetruntime();
}
BENCHMARK(BM_MovieFrames);

}  // namespace
