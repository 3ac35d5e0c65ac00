// RTF speed with the built-in metrics font: a 1 MB document of 10,000 paragraphs, each with a
// style change, read into an empty record (aim: under 500 ms), and written back as RTF into a
// handle (aim: under 200 ms).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/benchsupport.h"
#include "fields/rtfreader.h"
#include "fields/rtfwriter.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "textengine/weinternal.h"

namespace {

using namespace kv;

// 10,000 paragraphs of about 100 bytes, the first word of each bold.
std::string document() {
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}}\\f0\\fs24 ";
  bench::Rng rng;
  for (int p = 0; p < 10000; ++p) {
    std::string para = "{\\b lead}";
    while (para.size() < 96) {
      para += ' ';
      para += std::string(2 + rng.next() % 8, char('a' + rng.next() % 26));
    }
    rtf += para + "\\par\n";
  }
  return rtf + "}";
}

// The setting both benchmarks run in: a small world to draw in and the 1 MB document in a
// handle; the runtime is reset when it goes.
struct Scene {
  Scene() {
    setmemoryhardening(false);
    usebuiltinmetricsfont(true);
    const Rect bounds{0, 0, 100, 100};
    NewGWorld(&world, 32, &bounds, 0, 0, 0);
    SetGWorld(world, 0);
    const std::string rtf = document();
    PtrToHand(rtf.data(), &document_, Size(rtf.size()));
  }
  ~Scene() {
    DisposeHandle(document_);
    SetGWorld(0, 0);
    DisposeGWorld(world);
    resetruntime();
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  // A new record the document can be read into.
  static WEReference record() {
    const LongRect dest{0, 0, 100, 400};
    WEReference we = nilid;
    WENew(&dest, &dest, 1u << weFInhibitRedraw, &we);
    return we;
  }
  GWorldPtr world = 0;
  Handle document_ = nilhandle;
};

void BM_RTFReadMillionBytes(benchmark::State& st) {
  Scene scene;
  for (auto _ : st) {
    st.PauseTiming();
    WEReference we = Scene::record();
    st.ResumeTiming();
    benchmark::DoNotOptimize(RTFReadHandleCrutch(0, 0, we, scene.document_));
    st.PauseTiming();
    st.counters["bytes"] = double(WEGetTextLength(we));
    WEDispose(we);
    st.ResumeTiming();
  }
}
BENCHMARK(BM_RTFReadMillionBytes)->Unit(benchmark::kMillisecond);

void BM_RTFWriteMillionBytes(benchmark::State& st) {
  Scene scene;
  WEReference we = Scene::record();
  RTFReadHandleCrutch(0, 0, we, scene.document_);
  Handle out = NewHandle(0);
  for (auto _ : st) {
    benchmark::DoNotOptimize(RTFWriteHandleCrutch(0, WEGetTextLength(we), we, out, nullptr, 0));
  }
  st.counters["bytes"] = double(GetHandleSize(out));
  DisposeHandle(out);
  WEDispose(we);
}
BENCHMARK(BM_RTFWriteMillionBytes)->Unit(benchmark::kMillisecond);

}  // namespace
