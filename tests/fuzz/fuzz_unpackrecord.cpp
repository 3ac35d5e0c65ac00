// Unpacks arbitrary bytes as a packed record of any kind, or as an object list, alt list,
// user-property list, menu item list or iota. Whatever unpacks must pack again to a form that
// unpacks to the same record, and every outcome must leave something that frees cleanly: no
// access outside a block, no use of a handle that is not one.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/memory/memory.h"
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
    case 1:
      unpackspot(h);
      sizespot(h, 2);
      dumpspot(h);
      break;
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
  return out->size();
}
