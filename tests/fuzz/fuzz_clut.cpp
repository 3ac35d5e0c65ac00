// Reads arbitrary bytes as a stored colour table ('clut'): the swap stays within the bytes it
// is given, refuses a count that overruns them, and a table it reads goes back to the same
// bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "store/byteorder.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size > 1 << 16) return 0;
  // Exactly the given bytes, so that the sanitizers see any read or write past them.
  std::vector<std::uint8_t> in(data, data + size), v = in;
  const bool fits = size >= 8 && 8 + (std::size_t(v.size() >= 8 ? (v[6] << 8 | v[7]) : 0) + 1) * 8 <= size;
  const OSErr st = endianswapclut(v.data(), i64(v.size()), fromfile);
  check((st == noErr) == fits);
  if (st != noErr) {
    check(v == in);
    return 0;
  }
  check(endianswapclut(v.data(), i64(v.size()), tofile) == noErr);
  check(v == in);
  return 0;
}

// A two-entry table, and one whose count runs past its bytes.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  out->push_back({0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 0, 0, 0, 0, 0});
  out->push_back({0, 0, 0, 9, 0, 0, 0, 5, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  return out->size();
}
