// Card look-ups in a window of 100,000 cards (written by the test support's project builder):
// `go to card` by a name near the end, by an id near the end and by number, each step between
// two cards 8 apart so that every go really changes the card; and the number of cards.
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
#include "tests/support/project.h"

namespace {

using namespace kv;

constexpr long kCards = 100000;

// The window "Many" of cards "c1" ... "cN" on one background; card "cK" has id 100 + K.
struct ManyCards {
  std::unique_ptr<TemporaryHome> home = std::make_unique<TemporaryHome>();
  bool open = false;

  ManyCards() {
    setmemoryhardening(false);
    initglobs();
    testproject::Project p;
    testproject::Window w;
    w.name = "Many";
    w.backgrounds.push_back({"Plain", "", {}});
    for (long i = 1; i <= kCards; ++i) {
      std::string name = "c";
      name += std::to_string(i);
      w.cards.push_back({name, "", 0, {}, {}});
    }
    p.windows.push_back(std::move(w));
    u32 dir = 0;
    if (folderidofpath(home->path(), &dir) != noErr || testproject::build(dir, "many.kv45", p) != 0) return;
    form f{};
    f.wind = selpart{selnumber, 1, {}, 0};
    std::string path = home->path() + "/many.kv45";
    pstrassign(f.proj.name, 256, path.data(), path.size());
    open = openwindow(f, 0, 0) == 0;
  }
  ~ManyCards() {
    closeallwindows();
    home.reset();
    resetruntime();
  }
};

// Goes back and forth between two cards named by `first` and `second`.
void goes(benchmark::State& state, const std::string& first, const std::string& second) {
  ManyCards m;
  if (!m.open) {
    state.SkipWithError("the window did not open");
    return;
  }
  bool flip = false;
  for (auto _ : state) {
    if (doscripttext("go to card " + (flip ? second : first)) != 0) state.SkipWithError("go failed");
    flip = !flip;
  }
}

void BM_GoToCardByNameNearTheEnd(benchmark::State& state) { goes(state, "\"c99998\"", "\"c99990\""); }
BENCHMARK(BM_GoToCardByNameNearTheEnd)->Unit(benchmark::kMillisecond);

void BM_GoToCardByIdNearTheEnd(benchmark::State& state) { goes(state, "id 100098", "id 100090"); }
BENCHMARK(BM_GoToCardByIdNearTheEnd)->Unit(benchmark::kMillisecond);

void BM_GoToCardByNumber(benchmark::State& state) { goes(state, "99998", "99990"); }
BENCHMARK(BM_GoToCardByNumber)->Unit(benchmark::kMillisecond);

void BM_NumberOfCards(benchmark::State& state) {
  ManyCards m;
  if (!m.open) {
    state.SkipWithError("the window did not open");
    return;
  }
  for (auto _ : state) {
    std::string value;
    if (evaluatetext("the number of cards", &value) != 0 || value != "100000") state.SkipWithError("wrong count");
  }
}
BENCHMARK(BM_NumberOfCards)->Unit(benchmark::kMillisecond);

}  // namespace
