// Arbitrary bytes as each of the program's clipboard flavours, flipped both ways: the flipper
// stays within the bytes it is given, a block it refuses is left as it was, and a block it
// takes from outside order goes back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "store/scrapflip.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size < 1 || size > 1 << 16) return 0;
  static const OSType types[] = {fourcc("WEcf"), fourcc("WEst"), fourcc("FISH"),
                                 fourcc("WEru"), fourcc("WEpf"), fourcc("SOUP")};
  const OSType type = types[data[0] % 6];
  // Exactly the given bytes, so that the sanitizers see any read or write past them.
  const std::vector<std::uint8_t> in(data + 1, data + size);
  std::vector<std::uint8_t> v = in;
  for (bool native : {false, true}) {
    v = in;
    if (flipourscrapformats(0, type, 0, v.data(), i64(v.size()), native, nullptr) != noErr) {
      check(v == in);
      continue;
    }
    check(flipourscrapformats(0, type, 0, v.data(), i64(v.size()), !native, nullptr) == noErr);
    check(v == in);
  }
  return 0;
}

// A two-run format scrap, a font table of one entry, a soup element, and a stream whose item
// runs past its block.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  out->push_back({0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 2});
  out->push_back({2, 'F', 'I', 'S', 'H', 1, 1, 0x80, 0, 0, 0, 0, 1, 0, 0, 0,  0,
                  0, 3,   0,   4,   0,   0, 0, 1,    0, 0, 0, 0, 0, 0, 0, 16, 'A'});
  out->push_back({5, 0, 0, 0, 7, 'P', 'I', 'C', 'T', 0, 0, 0, 0, 0, 0, 0, 2, 0, 20, 0, 30, 0, 15, 0, 0, 1, 2});
  out->push_back({1, 0, 0, 0,   0,   0,   0,   0,   0,   0,   0,   0, 0, 'l',  'i',  's', 't', 0, 0,
                  0, 1, 0, 0,   0,   0,   'r', 'e', 'c', 'o', 0,   0, 0, 0,    0,    0,   0,   1, 0,
                  0, 0, 0, 'f', 'n', 't', ' ', 's', 'h', 'o', 'r', 0, 0, 0x0F, 0xA0, 0,   12});
  return out->size();
}
