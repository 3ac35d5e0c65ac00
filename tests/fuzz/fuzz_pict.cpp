// Plays arbitrary bytes as a picture into a 32-bit and an 8-bit offscreen world, and asks
// whether they are a valid picture. Damaged pictures must stop at the damage without harm.
// The seeds are pictures this layer recorded itself: shapes, regions, text, bits, and text of a
// size far beyond the destination, and the hostile pictures of hostilepictures.h (a huge arc
// painted again and again, lines across the coordinate range with a thick pen). An input that
// takes longer than the input bound of fuzzcheck.h, or raises the program's peak memory by more
// than 256 MB, fails the run: a picture is outside data.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/hostilepictures.h"

namespace {

std::vector<std::uint8_t> recorded(int which) {
  using namespace kv;
  usebuiltinmetricsfont(true);
  GWorldPtr gw = 0;
  Rect frame{0, 0, 40, 60};
  NewGWorld(&gw, 32, &frame, 0, 0, 0);
  SetGWorld(gw, 0);
  PicHandle pic = OpenPicture(&frame);
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  Rect r{4, 4, 30, 50};
  if (which == 0) {
    PaintOval(&r);
    PenSize(2, 2);
    FrameRoundRect(&r, 8, 8);
    PaintArc(&r, 10, 200);
    MoveTo(0, 0);
    LineTo(59, 39);
  } else if (which == 1) {
    RgnHandle a = NewRgn(), b = NewRgn();
    OvalRgn(a, &r);
    SetRectRgn(b, 10, 10, 20, 35);
    XorRgn(a, b, a);
    ClipRect(&r);
    InvertRgn(a);
    PolyHandle poly = newpolygon({{2, 2}, {30, 10}, {12, 50}, {2, 2}});
    FillPoly(poly, &qdgray);
    KillPoly(poly);
    DisposeRgn(a);
    DisposeRgn(b);
  } else if (which == 3) {
    TextSize(0x1000);
    MoveTo(0, 30);
    const u8 text[] = "\x1AWWWWWWWWWWWWWWWWWWWWWWWWWW";
    DrawString(text);
  } else {
    GWorldPtr src = 0;
    Rect s{0, 0, 8, 8};
    NewGWorld(&src, 8, &s, 0, 0, 0);
    SetGWorld(src, 0);
    PaintOval(&s);
    SetGWorld(gw, 0);
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(gw), &s, &r, srcCopy, 0);
    MoveTo(5, 20);
    const u8 text[] = "\x05Hello";
    DrawString(text);
    PicComment(130, 0, 0);
    DisposeGWorld(src);
  }
  ClosePicture();
  std::vector<std::uint8_t> out(deref(pic), deref(pic) + GetHandleSize(pic));
  KillPicture(pic);
  DisposeGWorld(gw);
  resetruntime();
  return out;
}

}  // namespace

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  for (int i = 0; i < 4; ++i) out->push_back(recorded(i));
  using namespace kv;
  GWorldPtr gw = 0;
  NewGWorld(&gw, 32, &hostile::kCardFrame, 0, 0, 0);
  SetGWorld(gw, 0);
  out->push_back(hostile::hugearc(1));
  out->push_back(hostile::hugearc(40));
  out->push_back(hostile::thickline());
  DisposeGWorld(gw);
  resetruntime();
  return out->size();
}

long peakkilobytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size > 1 << 20) return 0;
  const auto start = std::chrono::steady_clock::now();
  const long peak = peakkilobytes();
  setmemorybudget(64u << 20);
  usebuiltinmetricsfont(true);
  PicHandle pic = 0;
  if (PtrToHand(data, &pic, Size(size)) != noErr) return 0;
  picturevalid(pic);
  for (i16 depth : {32, 8}) {
    GWorldPtr gw = 0;
    Rect r{0, 0, 50, 70};
    if (NewGWorld(&gw, depth, &r, 0, 0, 0) != noErr) continue;
    SetGWorld(gw, 0);
    Rect at{5, 5, 45, 65};
    DrawPicture(pic, &at);
    DisposeGWorld(gw);
  }
  DisposeHandle(pic);
  resetruntime();
  const double seconds = secondssince(start);
  if (seconds > kinputseconds || peakkilobytes() - peak > 256 * 1024) {
    std::fprintf(stderr, "a picture of %zu bytes took %.2f s and %ld KB more memory\n", size, seconds,
                 peakkilobytes() - peak);
    std::abort();
  }
  return 0;
}
