// Pastes arbitrary bytes as a 'PICT' from the clipboard into an open paint session over a
// 40 x 30 colour bitmap: with no selection (centred on the bitmap), into a rectangular
// selection (scaled), and copied back out. A picture is another program's data: the paste must
// stop at any damage, read nothing outside the picture, and stay quick; the seeds are pictures
// of the shape the copy records, rectangular and lasso.
#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "platform/scrap/scrap.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/records.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tools/paint.h"
#include "tools/paintsession.h"

namespace {

constexpr kv::Rect kBitmap{10, 20, 40, 60};

// A session open on a bitmap whose left half is black; the list holding it.
kv::Handle opensession(kv::GWorldPtr* port) {
  using namespace kv;
  usebuiltinmetricsfont(true);
  Rect bounds{0, 0, 100, 100};
  NewGWorld(port, 8, &bounds, 0, 0, 0);
  SetGWorld(*port, 0);
  MainGlobals& g = mainglobals();
  g.colorWorld = 1;
  g.memplentiful = 1;
  g.allowEmptyPaint = 1;
  Handle image = NewHandleClear(40 * 30);
  for (int v = 0; v < 30; ++v)
    for (int h = 0; h < 20; ++h) deref(image)[v * 40 + h] = 255;
  spot s{};
  defaultspot(s);
  s.style = stylebitmap;
  s.kind = spotgraphic;
  s.rect = kBitmap;
  s.data = image;
  graphictail t = getgraphictail(s);
  t.startangle = 1;
  setgraphictail(s, t);
  Handle list = NewHandle(0);
  PtrAndHand(&s, list, Size(sizeof s));
  check(putupbits(list, 0, 0) == 0);
  return list;
}

void closesession(kv::Handle list, kv::GWorldPtr port) {
  using namespace kv;
  putdownbmap();
  if (spotcount(list) > 0) DisposeHandle(spotat(list, 0).data);
  DisposeHandle(list);
  DisposeGWorld(port);
}

void putpicture(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  ClearCurrentScrap();
  ScrapRef scrap = 0;
  GetCurrentScrap(&scrap);
  PutScrapFlavor(scrap, fourcc("PICT"), 0, Size(size), data);
}

// A selection's picture as the copy records it: a bit copy of an 8-bit image framed by the
// selection, after comment 12345 for a lasso selection.
std::vector<std::uint8_t> copied(bool lasso) {
  using namespace kv;
  usebuiltinmetricsfont(true);
  const Rect frame{12, 22, 30, 50};
  GWorldPtr source = 0, port = 0;
  NewGWorld(&source, 8, &kBitmap, 0, 0, 0);
  NewGWorld(&port, 8, &kBitmap, 0, 0, 0);
  SetGWorld(source, 0);
  const Rect half{10, 20, 40, 40};
  PaintRect(&half);
  SetGWorld(port, 0);
  ClipRect(&frame);
  PicHandle pic = OpenPicture(&frame);
  if (lasso) PicComment(12345, 0, nilhandle);
  CopyBits(GetPortBitMapForCopyBits(source), GetPortBitMapForCopyBits(port), &frame, &frame, srcCopy, 0);
  ClosePicture();
  std::vector<std::uint8_t> out = contentof(pic);
  KillPicture(pic);
  DisposeGWorld(source);
  DisposeGWorld(port);
  resetruntime();
  return out;
}

}  // namespace

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  out->push_back(copied(false));
  out->push_back(copied(true));
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size > 1 << 18) return 0;
  const auto start = std::chrono::steady_clock::now();
  setmemorybudget(8u << 20);
  GWorldPtr port = 0;
  Handle list = opensession(&port);
  PaintSession& p = paintsession();
  putpicture(data, size);
  pastebits();
  if (p.selectionactive || p.lassoactive) {
    Rect cut{};
    check(SectRect(&p.selection, &p.rect, &cut) && EqualRect(&cut, &p.selection));
  }
  copybits();
  // Into a rectangular selection: the picture scaled into it.
  putpicture(data, size);
  killasso();
  p.selection = Rect{15, 25, 35, 45};
  p.selectionactive = 1;
  pastebits();
  check(p.selectionactive == 1);
  clearbits();
  closesession(list, port);
  resetruntime();
  checkpicturetime(start, size);
  return 0;
}
