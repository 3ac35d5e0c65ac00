// Feeds arbitrary bytes to the decoder of events from other programs: nothing is read outside
// the block, lists and records never nest deeper than the limit, and every event that decodes
// encodes into bytes that decode to the same event.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/ipc/aewire.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace kv;

// The lists and records around the deepest descriptor, this one's included.
int depth(const AEDesc& d) {
  if (d.descriptorType != typeAEList && d.descriptorType != typeAERecord) return 0;
  int deepest = 0;
  for (const auto& item : d.items) deepest = std::max(deepest, depth(item.second));
  return deepest + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the given size, so that a read past it is caught.
  std::vector<u8> block(data, data + size);
  AppleEvent e;
  if (!decodeevent(block.data(), block.size(), &e)) return 0;
  for (const auto& p : e.items) check(depth(p.second) <= kAEWireMaxDepth);
  std::vector<u8> again;
  encodeevent(e, &again);
  // The class and id in the header stand; attributes that said otherwise were replaced, so
  // only an input whose attributes agreed comes back byte for byte.
  AppleEvent twice;
  check(decodeevent(again.data(), again.size(), &twice));
  check(twice == e);
  return 0;
}
