// Unpacks arbitrary bytes as a packed record of any kind, or as an object list, alt list,
// user-property list, menu item list or iota. Whatever unpacks must pack again to a form that
// unpacks to the same record, and every outcome must leave something that frees cleanly: no
// access outside a block, no use of a handle that is not one. Reading an object list draws
// nothing and caches no picture, even where a graphic still holds picture data (a seed).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/packing.h"
#include "tests/support/builders.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

std::vector<std::uint8_t> fastform(kv::Handle rec) {
  kv::Handle dest = kv::NewHandle(0);
  std::vector<std::uint8_t> v;
  kv::OSErr e = kv::fast(rec, dest);
  check(e == kv::noErr || e == kv::kCodecFailed || e == kv::memFullErr);
  if (e == kv::noErr) v = contentof(dest);
  kv::DisposeHandle(dest);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size < 1 || size > 1 << 20) return 0;
  setmemorybudget(64u << 20);
  Handle h = nilhandle;
  if (PtrToHand(data + 1, &h, Size(size - 1)) != noErr) return 0;
  switch (data[0] % 6) {
    case 0: {
      OSErr e = unpack(h);
      if (e == noErr) {
        std::vector<std::uint8_t> once = fastform(h);
        if (!once.empty()) {
          Handle copy = nilhandle;
          check(PtrToHand(once.data(), &copy, Size(once.size())) == noErr);
          check(unpack(copy) == noErr);
          check(fastform(copy) == once);
          check(dump(copy) == noErr);
        }
      }
      if (dump(h) != noErr) DisposeHandle(h);
      break;
    }
    case 1: {
      const u64 drawn = drawingcount();
      unpackspot(h);
      check(drawingcount() == drawn && mainglobals().pictbuffers == nilhandle);
      sizespot(h, 2);
      dumpspot(h);
      break;
    }
    case 2:
      unpackalt(h);
      sizealt(h);
      dumpalt(h);
      break;
    case 3:
      unpackprop(h);
      sizeprop(h);
      dumprop(h);
      break;
    case 4:
      unpackitems(h);
      dumpitems(h);
      break;
    default:
      unpackiota(h);
      dumpiota(h);
      break;
  }
  check(memoryfigures().badhandleuses == 0);
  check(memoryfigures().livehandles == 0);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  std::vector<std::vector<std::uint8_t>> seeds = kv::storetest::packedseeds();
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    seeds[i].insert(seeds[i].begin(), i + 1 < seeds.size() ? 0 : 1);  // records, then the object list
    out->push_back(seeds[i]);
  }
  // An old rectangle graphic whose data is a picture painting its whole 300 x 200 frame.
  using namespace kv;
  GWorldPtr gw = 0;
  const Rect frame{0, 0, 200, 300};
  NewGWorld(&gw, 32, &frame, 0, 0, 0);
  SetGWorld(gw, 0);
  PicHandle pic = OpenPicture(&frame);
  PaintRect(&frame);
  ClosePicture();
  Handle list = NewHandle(0);
  spot s = storetest::newspot(spotgraphic, stylerectangle, 1);
  s.data = pic;
  storetest::appendspot(list, s);
  if (packspot(list) == noErr) {
    std::vector<std::uint8_t> bytes = contentof(list);
    bytes.insert(bytes.begin(), 1);
    out->push_back(bytes);
    unpackspot(list);
  }
  dumpspot(list);
  DisposeGWorld(gw);
  resetruntime();
  return out->size();
}
