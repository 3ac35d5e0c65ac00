// Picture graphics and transitions: a 1024 x 768 card of 20 picture graphics of 400 x 300
// drawn from their cached buffers with backspot, plain and rotated by 30 degrees (draws per
// second); and the frames of a 1024 x 768 dissolve (frames per second).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/benchsupport.h"
#include "platform/effects/effects.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "render/carddrawing.h"
#include "render/offscreen.h"
#include "render/pictinfo.h"
#include "render/picturecache.h"
#include "core/mainglobals.h"
#include "store/objects.h"

namespace {

using namespace kv;

constexpr i16 kWidth = 1024, kHeight = 768;

// A 400 x 300 picture of coloured bands.
PicHandle bands(bench::Rng& rng) {
  GWorldPtr scratch = nilid;
  const Rect frame{0, 0, 300, 400};
  NewGWorld(&scratch, 32, &frame, 0, 0, 0);
  SetGWorld(scratch, 0);
  PicHandle pic = OpenPicture(&frame);
  for (i16 x = 0; x < 400; x += 40) {
    const RGBColor c{u16(rng.next()), u16(rng.next()), u16(rng.next())};
    RGBForeColor(&c);
    const Rect r{0, x, 300, i16(x + 40)};
    PaintRect(&r);
  }
  ClosePicture();
  DisposeGWorld(scratch);
  return pic;
}

void BM_CardOfTwentyPictures(benchmark::State& st) {
  setmemoryhardening(false);
  initglobs();
  MainGlobals& g = mainglobals();
  g.bufferMode = 32;
  SetOffScreenBounds(Rect{0, 0, kHeight, kWidth});
  if (CreateOffScreen(32) != 1) {
    st.SkipWithError("no offscreen world");
    resetruntime();
    return;
  }
  bench::Rng rng;
  Handle card = NewHandle(0), back = NewHandle(0);
  for (i32 i = 0; i < 20; ++i) {
    spot s{};
    defaultspot(s);
    s.kind = spotgraphic;
    s.style = stylerectangle;
    s.id = u32(i + 1);
    s.showpen = s.showfill = 0;
    const i16 left = i16((i % 5) * 150), top = i16((i / 5) * 120);
    s.rect = Rect{top, left, i16(top + 300), i16(left + 400)};
    New_PictInfoHandle(s);
    SetPictInfoHandle(s, bands(rng), 1);
    PictInfo p;
    loadpictinfo(s.alt, &p);
    p.rotation = i16(st.range(0));
    storepictinfo(s.alt, p);
    PtrAndHand(&s, card, sizeof s);
  }
  g.current.cardspots = card;
  g.current.backspots = back;
  g.current.cardclut = g.current.backclut = GetCTable(8);
  g.current.tool = 600;
  g.imagedrawing = 1;  // rotated pictures clip to their destination, as when printing
  SetGWorld(GetOffScreenWorld(), nilhandle);
  i64 draws = 0;
  for (auto _ : st) {
    backspot(0);
    ++draws;
  }
  st.counters["draws/s"] = benchmark::Counter(double(draws), benchmark::Counter::kIsRate);
  purgepictbuffer();
  DisposeCTable(g.current.cardclut);
  g.current = desk{};
  dumpspot(card);
  dumpspot(back);
  resetruntime();
}
BENCHMARK(BM_CardOfTwentyPictures)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);

void BM_Dissolve1024(benchmark::State& st) {
  const std::size_t n = std::size_t(kWidth) * kHeight;
  std::vector<u32> a(n, 0x00FF0000), b(n, 0x000000FF), out(n);
  const PixelsView va{a.data(), kWidth, kHeight, kWidth}, vb{b.data(), kWidth, kHeight, kWidth},
      vo{out.data(), kWidth, kHeight, kWidth};
  i64 frames = 0;
  for (auto _ : st) {
    transitionframe(fourcc("dslv"), {}, va, vb, vo, i32(frames % 6) + 1, 6);
    benchmark::DoNotOptimize(out.data());
    ++frames;
  }
  st.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Dissolve1024)->Unit(benchmark::kMillisecond);

}  // namespace
