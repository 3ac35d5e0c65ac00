// Drawing-layer speed on a 1024 x 768 32-bit port: rectangles filled and framed per second,
// and CopyBits megapixels per second.
#include <benchmark/benchmark.h>

#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "tests/fuzz/hostilepictures.h"

namespace {

using namespace kv;

constexpr i16 kWidth = 1024, kHeight = 768;

GWorldPtr screenworld(i16 depth = 32) {
  GWorldPtr gw = 0;
  Rect r{0, 0, kHeight, kWidth};
  NewGWorld(&gw, depth, &r, 0, 0, 0);
  SetGWorld(gw, 0);
  EraseRect(&r);
  return gw;
}

// Rectangles of 10 to 200 pixels a side spread over the port.
Rect nthrect(i64 n) {
  const i16 w = i16(10 + (n * 37) % 190), h = i16(10 + (n * 53) % 190);
  const i16 x = i16((n * 97) % (kWidth - w)), y = i16((n * 61) % (kHeight - h));
  return Rect{y, x, i16(y + h), i16(x + w)};
}

void BM_PaintRect(benchmark::State& st) {
  setmemoryhardening(false);
  screenworld();
  i64 n = 0;
  for (auto _ : st) {
    Rect r = nthrect(n++);
    PaintRect(&r);
  }
  st.counters["rects/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
  resetruntime();
}
BENCHMARK(BM_PaintRect);

void BM_FillRectPattern(benchmark::State& st) {
  setmemoryhardening(false);
  screenworld();
  const Pattern grey = qdgray;
  i64 n = 0;
  for (auto _ : st) {
    Rect r = nthrect(n++);
    FillRect(&r, &grey);
  }
  st.counters["rects/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
  resetruntime();
}
BENCHMARK(BM_FillRectPattern);

void BM_FrameRect(benchmark::State& st) {
  setmemoryhardening(false);
  screenworld();
  PenSize(2, 2);
  i64 n = 0;
  for (auto _ : st) {
    Rect r = nthrect(n++);
    FrameRect(&r);
  }
  st.counters["rects/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
  resetruntime();
}
BENCHMARK(BM_FrameRect);

void BM_PaintWholePort(benchmark::State& st) {
  setmemoryhardening(false);
  screenworld();
  Rect r{0, 0, kHeight, kWidth};
  i64 n = 0;
  for (auto _ : st) {
    PaintRect(&r);
    ++n;
  }
  st.counters["rects/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsRate);
  st.counters["MPixel/s"] = benchmark::Counter(double(n) * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
  resetruntime();
}
BENCHMARK(BM_PaintWholePort);

void copybench(benchmark::State& st, i16 srcdepth, i16 mode, bool scale) {
  setmemoryhardening(false);
  GWorldPtr src = screenworld(srcdepth);
  Rect half{0, 0, kHeight / 2, kWidth / 2};
  PaintOval(&half);
  GWorldPtr dst = screenworld();
  Rect all{0, 0, kHeight, kWidth};
  const Rect& from = scale ? half : all;
  i64 n = 0;
  for (auto _ : st) {
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &from, &all, mode, 0);
    ++n;
  }
  st.counters["MPixel/s"] = benchmark::Counter(double(n) * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
  resetruntime();
}

void BM_CopyBits32(benchmark::State& st) { copybench(st, 32, srcCopy, false); }
BENCHMARK(BM_CopyBits32);
void BM_CopyBits32Scaled(benchmark::State& st) { copybench(st, 32, srcCopy, true); }
BENCHMARK(BM_CopyBits32Scaled);
void BM_CopyBits8to32(benchmark::State& st) { copybench(st, 8, srcCopy, false); }
BENCHMARK(BM_CopyBits8to32);
void BM_CopyBits1to32(benchmark::State& st) { copybench(st, 1, srcCopy, false); }
BENCHMARK(BM_CopyBits1to32);
void BM_CopyBits32Blend(benchmark::State& st) { copybench(st, 32, blend, false); }
BENCHMARK(BM_CopyBits32Blend);

// Shapes over the whole coordinate range drawn into the port: each costs what the port can
// show of it. A painted arc of 64000 pixels a side, and a line across the range with a thick
// pen, as a damaged or hostile picture may hold them.
void BM_HugeArc(benchmark::State& st) {
  setmemoryhardening(false);
  screenworld();
  const Rect huge{-32000, -32000, 32000, 32000};
  for (auto _ : st) PaintArc(&huge, 30, 100);
  resetruntime();
}
BENCHMARK(BM_HugeArc)->Unit(benchmark::kMillisecond);

void BM_HugeThickLine(benchmark::State& st) {
  setmemoryhardening(false);
  screenworld();
  PenSize(200, 200);
  for (auto _ : st) {
    MoveTo(-32764, 5);
    LineTo(14, -32764);
    MoveTo(-32764, -32764);
    LineTo(32764, 32764);
  }
  resetruntime();
}
BENCHMARK(BM_HugeThickLine)->Unit(benchmark::kMillisecond);

// A picture of 10,000 shapes, each filling or framing a shape over the full 16-bit range.
void BM_FullRangePicture(benchmark::State& st) {
  setmemoryhardening(false);
  screenworld();
  const Rect frame{-32767, -32767, 32767, 32767};
  PicHandle pic = OpenPicture(&frame);
  PenSize(9, 7);
  for (i32 i = 0; i < 10000; ++i) {
    const i16 d = i16(i % 50);
    const Rect r{i16(-32767 + d), i16(-32700 + d), i16(32767 - d), i16(32700 - d)};
    switch (i % 5) {
      case 0: PaintOval(&r); break;
      case 1: FrameArc(&r, i16(i % 360), 200); break;
      case 2: PaintArc(&r, i16(i % 360), 45); break;
      case 3: FrameRoundRect(&r, 4000, 3000); break;
      default:
        MoveTo(r.left, r.top);
        LineTo(r.right, r.bottom);
        break;
    }
  }
  ClosePicture();
  for (auto _ : st) DrawPicture(pic, &frame);  // unscaled: the port shows a small part of each
  KillPicture(pic);
  resetruntime();
}
BENCHMARK(BM_FullRangePicture)->Unit(benchmark::kMillisecond);

// The hostile pictures the picture fuzz target replays, drawn unscaled into a card-sized port:
// the huge arc painted 41 times, and the thick lines across the range (each well under 50 ms).
void drawhostile(benchmark::State& st, bool arc) {
  setmemoryhardening(false);
  GWorldPtr gw = 0;
  NewGWorld(&gw, 32, &hostile::kCardFrame, 0, 0, 0);
  SetGWorld(gw, 0);
  const std::vector<std::uint8_t> bytes = arc ? hostile::hugearc(40) : hostile::thickline();
  PicHandle pic = 0;
  PtrToHand(bytes.data(), &pic, Size(bytes.size()));
  for (auto _ : st) DrawPicture(pic, &hostile::kCardFrame);
  DisposeHandle(pic);
  resetruntime();
}
void BM_HostileArcPicture(benchmark::State& st) { drawhostile(st, true); }
BENCHMARK(BM_HostileArcPicture)->Unit(benchmark::kMillisecond);
void BM_HostileLinePicture(benchmark::State& st) { drawhostile(st, false); }
BENCHMARK(BM_HostileLinePicture)->Unit(benchmark::kMillisecond);

}  // namespace
