// Line layout speed with the built-in metrics font: WECalText of 1,000,000 bytes in 10,000
// paragraphs, and one character typed in the middle of that text with its re-layout.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/benchsupport.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "textengine/weinternal.h"

namespace {

using namespace kv;

// A record holding 10,000 paragraphs of 100 bytes (words of 2-9 letters) in a 400-pixel
// destination, drawing into a small 32-bit world.
struct LongText {
  GWorldPtr world = 0;
  WEReference we = nilid;
  LongText() {
    setmemoryhardening(false);
    const Rect bounds{0, 0, 100, 100};
    NewGWorld(&world, 32, &bounds, 0, 0, 0);
    SetGWorld(world, 0);
    std::string text;
    bench::Rng rng;
    for (int p = 0; p < 10000; ++p) {
      std::string para;
      while (para.size() < 99) {
        para += std::string(2 + rng.next() % 8, char('a' + rng.next() % 26));
        para += ' ';
      }
      para.resize(99);
      text += para + '\r';
    }
    const LongRect dest{0, 0, 100, 400};
    WENew(&dest, &dest, 1u << weFInhibitRedraw, &we);
    Handle h = nilhandle;
    PtrToHand(text.data(), &h, Size(text.size()));
    WEUseText(h, we);
  }
  ~LongText() {
    WEDispose(we);
    SetGWorld(0, 0);
    DisposeGWorld(world);
    resetruntime();
  }
};

void BM_WECalTextMillionBytes(benchmark::State& st) {
  LongText t;
  for (auto _ : st) benchmark::DoNotOptimize(WECalText(t.we));
  st.counters["lines"] = double(WECountLines(t.we));
}
BENCHMARK(BM_WECalTextMillionBytes)->Unit(benchmark::kMillisecond);

void BM_TypeOneCharacterInTheMiddle(benchmark::State& st) {
  LongText t;
  WECalText(t.we);
  const i32 middle = WEGetTextLength(t.we) / 2;
  for (auto _ : st) {
    _WEInsertText(middle, "x", 1, t.we);
    _WERedraw(middle, middle + 1, t.we);
    st.PauseTiming();
    _WEDeleteRange(middle, middle + 1, t.we);
    _WERedraw(middle, middle, t.we);
    st.ResumeTiming();
  }
}
BENCHMARK(BM_TypeOneCharacterInTheMiddle)->Unit(benchmark::kMicrosecond);

}  // namespace
