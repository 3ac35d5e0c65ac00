// Swaps arbitrary bytes as a packed record between file order and host order. A swap to file
// order that succeeds must come back to the same bytes; a record read from file order then
// unpacks and frees cleanly. The alt-data swappers get the same treatment by kind.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/memory/memory.h"
#include "store/byteorder.h"
#include "store/packing.h"
#include "tests/support/builders.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

constexpr kv::u32 kKinds[] = {1, 2, 3, 4, 100, 101, 102, 103, 104, 105, 107, 200, 201, 9};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size < 1 || size > 1 << 20) return 0;
  setmemorybudget(64u << 20);
  std::vector<std::uint8_t> in(data + 1, data + size);
  if (data[0] & 0x80) {
    u32 kind = kKinds[(data[0] & 0x7F) % (sizeof kKinds / sizeof kKinds[0])];
    std::vector<std::uint8_t> v = in;
    if (endianswapaltdata(kind, v.data(), i64(v.size()), tofile) == noErr) {
      check(endianswapaltdata(kind, v.data(), i64(v.size()), fromfile) == noErr);
      check(v == in);
    }
    return 0;
  }
  Handle h = nilhandle;
  if (PtrToHand(in.data(), &h, Size(in.size())) != noErr) return 0;
  if (endianswapackedstar(h, tofile) == noErr) {
    check(endianswapackedstar(h, fromfile) == noErr);
    check(contentof(h) == in);
  }
  DisposeHandle(h);
  if (PtrToHand(in.data(), &h, Size(in.size())) != noErr) return 0;
  endianswapackedstar(h, fromfile);
  unpack(h);
  if (dump(h) != noErr) DisposeHandle(h);
  check(memoryfigures().badhandleuses == 0);
  check(memoryfigures().livehandles == 0);
  return 0;
}

// Packed records in host order and in file order.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  using namespace kv;
  std::vector<std::vector<std::uint8_t>> recs = storetest::packedseeds();
  recs.pop_back();  // the object list is no record
  for (auto& r : recs) {
    r.insert(r.begin(), 0);
    out->push_back(r);
    Handle h = nilhandle;
    PtrToHand(r.data() + 1, &h, Size(r.size() - 1));
    if (endianswapackedstar(h, tofile) == noErr) {
      std::vector<std::uint8_t> f = contentof(h);
      f.insert(f.begin(), 0);
      out->push_back(f);
    }
    DisposeHandle(h);
  }
  return out->size();
}
