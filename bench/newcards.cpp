// A long run of `new card`: 1,200 cards made one command at a time in a new project, as
// `--do "new card"` repeated makes them, each committed to the file when it is done. With
// the file's barriers waiting for the disk (1) and without (0: the work of the program alone).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "platform/text/pstring.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "store/forms.h"

namespace {

using namespace kv;

constexpr int kNewCards = 1200;

void BM_NewCardsInARow(benchmark::State& state) {
  setmemoryhardening(false);
  setfilesyncs(state.range(0) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    auto home = std::make_unique<TemporaryHome>();
    initglobs();
    std::string path = home->path() + "/new.kv45";
    bool made = doscripttext("new project \"" + path + "\"") == 0;
    state.ResumeTiming();
    for (int i = 0; i < kNewCards && made; ++i) {
      if (doscripttext("new card") != 0) made = false;
    }
    state.PauseTiming();
    if (!made) state.SkipWithError("new card failed");
    closeallwindows();
    resetruntime();
    home.reset();
    state.ResumeTiming();
  }
  setfilesyncs(true);
}
BENCHMARK(BM_NewCardsInARow)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
