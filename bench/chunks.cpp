// Reading the items of a 10,000-item text: item i for every i (each read scans from the start,
// so a sweep is quadratic in the item count), and every item in turn. Measured twice: by the
// chunk routines called directly, and by handlers that run `get item i of v` and
// `repeat for each item`. One-byte text.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "bench/sendline.h"
#include "engine/chunks.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"

namespace {

using namespace kv;

// "item1,item2,...,itemN".
std::string itemtext(int n) {
  std::string t;
  for (int i = 1; i <= n; ++i) {
    if (i > 1) t += ',';
    t += "item" + std::to_string(i);
  }
  return t;
}

struct Setup {
  fred v{};
  i32 size = 0;
  explicit Setup(int items) {
    setmemoryhardening(false);
    initglobs();
    std::string t = itemtext(items);
    size = i32(t.size());
    charstonewfred(t.data(), size, &v);
  }
  ~Setup() {
    disposfred(&v);
    resetruntime();
  }
};

// item i of the text for i = 1..N, each copied out as a new value.
void BM_ItemByIndex(benchmark::State& st) {
  const int items = int(st.range(0));
  Setup s(items);
  for (auto _ : st) {
    for (i32 i = 1; i <= items; ++i) {
      i32 a = 0, e = s.size;
      chunkchar(&s.v, i, i, &a, &e, tok::item);
      fred out{};
      charstonewfred(fredaddr(&s.v) + a, e - a, &out);
      benchmark::DoNotOptimize(out.shorttext[0]);
      disposfred(&out);
    }
  }
  st.counters["items/s"] = benchmark::Counter(double(items), benchmark::Counter::kIsIterationInvariantRate);
  st.SetComplexityN(st.range(0));
}
BENCHMARK(BM_ItemByIndex)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNSquared);

// Every item in turn: item 1 of what follows the last one, as a walk over each item does.
void BM_EachItem(benchmark::State& st) {
  const int items = int(st.range(0));
  Setup s(items);
  for (auto _ : st) {
    i32 from = 0;
    while (from <= s.size) {
      i32 a = from, e = s.size;
      chunkchar(&s.v, 1, 1, &a, &e, tok::item);
      fred out{};
      charstonewfred(fredaddr(&s.v) + a, e - a, &out);
      benchmark::DoNotOptimize(out.shorttext[0]);
      disposfred(&out);
      from = e + 1;
    }
  }
  st.counters["items/s"] = benchmark::Counter(double(items), benchmark::Counter::kIsIterationInvariantRate);
  st.SetComplexityN(st.range(0));
}
BENCHMARK(BM_EachItem)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// Counting the items, and the last item (which counts first).
void BM_CountItems(benchmark::State& st) {
  Setup s(int(st.range(0)));
  for (auto _ : st) {
    i32 a = 0, e = s.size;
    chunkset(&s.v, chunkspec{chunklast, 0, 0}, tok::item, &a, &e);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_CountItems)->Arg(10000);

// --- Through the interpreter -------------------------------------------------------------------

constexpr std::string_view scripts =
    "on build\r"
    "global v\r"
    "put empty into v\r"
    "repeat with i = 1 to 10000\r"
    "put \"item\" & i & \",\" after v\r"
    "end repeat\r"
    "end build\r"
    "on byindex\r"
    "global v\r"
    "repeat with i = 1 to 10000\r"
    "get item i of v\r"
    "end repeat\r"
    "end byindex\r"
    "on foreach\r"
    "global v\r"
    "repeat for each item x in v\r"
    "get x\r"
    "end repeat\r"
    "end foreach\r"
    "on loop\r"
    "global v\r"
    "repeat with i = 1 to 10000\r"
    "get i\r"
    "end repeat\r"
    "end loop\r";

// Builds the global 10,000-item text once, then times the handler.
void runhandler(benchmark::State& st, std::string_view message) {
  setmemoryhardening(false);
  initglobs();
  Handle script = nilhandle;
  PtrToHand(scripts.data(), &script, Size(scripts.size()));
  if (bench::sendline(script, "build") != 0) st.SkipWithError("the text could not be built");
  for (auto _ : st)
    if (bench::sendline(script, message) != 0) st.SkipWithError("the handler failed");
  st.counters["items/s"] = benchmark::Counter(10000.0, benchmark::Counter::kIsIterationInvariantRate);
  DisposeHandle(script);
  resetruntime();
}

// `get item i of v` for i = 1 to 10,000.
void BM_ScriptItemByIndex(benchmark::State& st) { runhandler(st, "byindex"); }
BENCHMARK(BM_ScriptItemByIndex)->Unit(benchmark::kMillisecond);

// `repeat for each item x in v`.
void BM_ScriptEachItem(benchmark::State& st) { runhandler(st, "foreach"); }
BENCHMARK(BM_ScriptEachItem)->Unit(benchmark::kMillisecond);

// The same loop with `get i`: what the loop itself costs.
void BM_ScriptLoopOnly(benchmark::State& st) { runhandler(st, "loop"); }
BENCHMARK(BM_ScriptLoopOnly)->Unit(benchmark::kMillisecond);

}  // namespace
