// Card drawing of graphics: a 1024 x 768 card of 200 graphics of every style (rectangles,
// round rectangles, ovals, lines, polygons, bitmaps, text graphics, arcs and groups, with
// pens, patterns and inks) drawn with backspot into the 32-bit card offscreen world; frames
// per second (aim: 60, headless).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/benchsupport.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "render/carddrawing.h"
#include "render/offscreen.h"
#include "render/spotgeometry.h"
#include "core/mainglobals.h"
#include "store/objects.h"

namespace {

using namespace kv;

constexpr i16 kWidth = 1024, kHeight = 768;
constexpr i32 kGraphics = 200;

void append(Handle list, const spot& s) { PtrAndHand(&s, list, sizeof s); }

spot graphic(u16 style, Rect r, bench::Rng& rng) {
  spot s{};
  defaultspot(s);
  s.kind = spotgraphic;
  s.style = style;
  s.rect = r;
  s.selected = 0;
  s.fillfore = u8(rng.next());
  s.penfore = u8(rng.next());
  std::memset(s.fillpat.b, rng.next() % 2 ? 0xFF : 0x55, 8);
  s.penwidth = s.penheight = u16(1 + rng.next() % 3);
  s.showfill = u8(rng.next() % 4 != 0);
  s.ink = rng.next() % 5 == 0 ? 32 : 0;
  graphictail t{};
  t.point1 = Point{r.top, r.left};
  t.point2 = Point{r.bottom, r.right};
  const i16 w = i16(r.right - r.left), h = i16(r.bottom - r.top);
  switch (style) {
    case 101: t.startangle = t.arcangle = 16; break;
    case 104:
      s.data = newpolygon(
          {Point{r.top, r.left}, Point{r.top, r.right}, Point{r.bottom, i16(r.left + w / 2)}, Point{r.top, r.left}});
      break;
    case 105: {
      const bool colour = rng.next() % 2 != 0;
      t.startangle = colour ? 1 : 0;
      s.data = NewHandle(Size(pixmaprowbytes(w, colour ? 8 : 1)) * h);
      for (Size i = 0; i < GetHandleSize(s.data); ++i) deref(s.data)[i] = u8(rng.next());
      break;
    }
    case 107: {
      t.startangle = u16(rng.next() % 360);
      t.arcangle = u16(30 + rng.next() % 300);
      const Rect oval = r;
      arcbounds(oval, i16(t.startangle), i16(t.arcangle), &s.rect);
      break;
    }
    case 108: {
      s.data = NewHandle(0);
      Rect half = r;
      half.right = i16(r.left + w / 2);
      append(s.data, graphic(100, half, rng));
      half = Rect{r.top, half.right, r.bottom, r.right};
      append(s.data, graphic(102, half, rng));
      break;
    }
    default: break;
  }
  setgraphictail(s, t);
  return s;
}

void BM_CardOfTwoHundredGraphics(benchmark::State& st) {
  setmemoryhardening(false);
  initglobs();
  MainGlobals& g = mainglobals();
  SetOffScreenBounds(Rect{0, 0, kHeight, kWidth});
  if (CreateOffScreen(32) != 1) {
    st.SkipWithError("no offscreen world");
    resetruntime();
    return;
  }
  bench::Rng rng;
  Handle card = NewHandle(0), back = NewHandle(0);
  for (i32 i = 0; i < kGraphics; ++i) {
    const i16 w = i16(20 + rng.next() % 180), h = i16(20 + rng.next() % 140);
    const i16 left = i16(rng.next() % (kWidth - w)), top = i16(rng.next() % (kHeight - h));
    append(card, graphic(u16(100 + i % 9), Rect{top, left, i16(top + h), i16(left + w)}, rng));
  }
  g.current.cardspots = card;
  g.current.backspots = back;
  g.current.cardclut = g.current.backclut = GetCTable(8);
  g.current.tool = 600;
  SetGWorld(GetOffScreenWorld(), nilhandle);
  i64 frames = 0;
  for (auto _ : st) {
    backspot(0);
    ++frames;
  }
  st.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  DisposeCTable(g.current.cardclut);
  g.current = desk{};
  dumpspot(card);
  dumpspot(back);
  resetruntime();
}
BENCHMARK(BM_CardOfTwoHundredGraphics)->Unit(benchmark::kMillisecond);

}  // namespace
