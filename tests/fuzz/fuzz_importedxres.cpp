// Reads arbitrary bytes as the data of an imported resource, the first byte choosing its type
// ('CURS', 'cicn', 'clut', 'snd ' or another): the swap stays within the bytes, a refusal
// changes none of them, and data it reads goes back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "store/byteorder.h"

// replay-runs: 1500

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size < 1 || size > 1 << 16) return 0;
  constexpr ResType kTypes[] = {fourcc("CURS"), fourcc("cicn"), fourcc("clut"), fourcc("snd "), fourcc("PICT")};
  const ResType type = kTypes[data[0] % 5];
  // Exactly the given bytes, so that the sanitizers see any read or write past them.
  std::vector<std::uint8_t> in(data + 1, data + size), v = in;
  const OSErr st = endianswapimportedxres(type, v.data(), i64(v.size()), fromfile);
  if (st != noErr) {
    check(v == in);
    return 0;
  }
  check(endianswapimportedxres(type, v.data(), i64(v.size()), tofile) == noErr);
  check(v == in);
  return 0;
}

// A cursor, a two-entry colour table, and a colour table whose count runs past its bytes.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  std::vector<std::uint8_t> cursor(69, 0x11);
  cursor[0] = 0;
  out->push_back(cursor);
  out->push_back({2, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 0, 0, 0, 0, 0});
  out->push_back({2, 0, 0, 0, 9, 0, 0, 0, 5, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  return out->size();
}
