// Gathers arbitrary bytes as a picture into objects. Damaged pictures must stop at the damage
// without harm; what comes back is a list of whole objects whose groups nest no deeper than
// the gather keeps them. The seeds are pictures this layer recorded itself: shapes with fills
// and frames, group, text, bitmap and polygon comments, nested groups and text, grouped text
// at a huge size. An input that takes longer than the input bound of fuzzcheck.h fails the
// run: a picture is outside data.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "store/objects.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/gatherfinds.h"
#include "tools/gather.h"

namespace {

void comment(kv::i16 kind) { kv::PicComment(kind, 0, 0); }

std::vector<std::uint8_t> recorded(int which) {
  using namespace kv;
  kv::usebuiltinmetricsfont(true);
  GWorldPtr gw = 0;
  Rect frame{0, 0, 80, 120};
  NewGWorld(&gw, 8, &frame, 0, 0, 0);
  SetGWorld(gw, 0);
  // The huge text's picture is as large as its glyphs, so that playing it keeps their size.
  const Rect picframe = which == 3 ? Rect{0, 0, 2100, 2100} : frame;
  PicHandle pic = OpenPicture(&picframe);
  Rect r{4, 4, 30, 50};
  if (which == 0) {
    PaintRect(&r);
    FrameRect(&r);
    PenSize(2, 2);
    FrameRoundRect(&r, 8, 6);
    PaintArc(&r, 10, -200);
    MoveTo(0, 0);
    LineTo(60, 39);
  } else if (which == 1) {
    comment(140);
    PaintOval(&r);
    comment(140);
    FrameRect(&r);
    comment(141);
    comment(141);
    comment(160);
    MoveTo(2, 2);
    LineTo(30, 10);
    LineTo(12, 50);
    LineTo(2, 2);
    comment(161);
  } else if (which == 2) {
    Handle h = 0;
    const u8 just[6] = {2, 0, 0, 0, 1, 0};
    PtrToHand(just, &h, 6);
    PicComment(150, 6, h);
    DisposeHandle(h);
    MoveTo(5, 20);
    DrawString(reinterpret_cast<ConstStringPtr>("\x05Hello"));
    MoveTo(5, 40);
    DrawString(reinterpret_cast<ConstStringPtr>("\x02Hi"));
    comment(151);
  } else if (which == 3) {
    // Grouped text at a huge size, outlined and italic: none of it can be seen in the
    // gathering port, so none of its glyphs may cost their images.
    comment(140);
    TextSize(2048);
    TextFace(faceitalic | faceoutline);
    MoveTo(5, 40);
    DrawString(reinterpret_cast<ConstStringPtr>("\x0c#0123456789`"));
    comment(141);
  } else {
    GWorldPtr src = 0;
    Rect s{0, 0, 8, 8};
    NewGWorld(&src, 8, &s, 0, 0, 0);
    SetGWorld(src, 0);
    PaintOval(&s);
    SetGWorld(gw, 0);
    comment(142);
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(gw), &s, &r, srcCopy, 0);
    Rect r2{20, 40, 28, 48};
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(gw), &s, &r2, srcCopy, 0);
    comment(143);
    DisposeGWorld(src);
  }
  ClosePicture();
  std::vector<std::uint8_t> out(deref(pic), deref(pic) + GetHandleSize(pic));
  KillPicture(pic);
  DisposeGWorld(gw);
  resetruntime();
  return out;
}

// How deep the groups of a list nest.
int nesting(kv::Handle list) {
  int deepest = 0;
  for (kv::i32 i = 0; i < kv::spotcount(list); ++i) {
    const kv::spot s = kv::spotat(list, i);
    if (s.style == kv::stylegroup && s.data != kv::nilhandle) deepest = std::max(deepest, 1 + nesting(s.data));
  }
  return deepest;
}

}  // namespace

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  for (int i = 0; i < 5; ++i) out->push_back(recorded(i));
  for (const std::string_view hex : kv::gatherfinds::kPictures) out->push_back(kv::gatherfinds::bytes(hex));
  // Recording drew the seeds' glyphs; the gather must make its own.
  kv::usebuiltinmetricsfont(false);
  kv::usebuiltinmetricsfont(true);
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size > 1 << 20) return 0;
  const auto start = std::chrono::steady_clock::now();
  // Large images are bounded by the memory there is; a small budget keeps each input quick
  // (1 MB holds a stretched image of 8 million pixels at one bit, read and written one by one).
  setmemorybudget(1u << 20);
  kv::usebuiltinmetricsfont(true);
  PicHandle pic = 0;
  if (PtrToHand(data, &pic, Size(size)) != noErr) return 0;
  Handle list = pictospot(pic);
  if (list != nilhandle) {
    check(GetHandleSize(list) % Size(sizeof(spot)) == 0);
    check(nesting(list) <= 33);
    dumpspot(list);
  }
  DisposeHandle(pic);
  const ResetReport r = resetruntime();
  check(r.leakedhandles == 0);
  checkpicturetime(start, size);
  return 0;
}
