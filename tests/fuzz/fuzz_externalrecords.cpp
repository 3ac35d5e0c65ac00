// replay-runs: 150 (each input opens a whole project; this keeps the replay short)
// Reads the externals a damaged project carries: external-resource records of every external
// type (and of another type) with arbitrary names and data, and a resource file beside the
// project whose classic-externals list ('STR#' 998, its count and items arbitrary) names
// resources to import. The project opens (the import, the registry of externals), and each
// name is called as a command and as a function: its record is read and refused, and the
// built-ins or the script error follow. No code is ever linked: data that would pass the
// shared-object check, or that starts like a fat header, loses its first byte's meaning
// before it is stored. Nothing may crash, every record is released, and no image is left.
//
// The input: a flag byte (bit 0: write the resource file and mark the project unsearched),
// then 1-4 externals, each a kind byte (0 'XCmd', 1 'XFcn', 2 'XRtn', 3 'TEXT'; bit 2: it goes
// to the resource file rather than the project), a name (a length byte, letters made from the
// bytes) and data (a 16-bit big-endian length and its bytes); the rest is appended to the
// classic-externals list after its items, whose count is the list's first two input bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/loader/loader.h"
#include "platform/resources/resourceformat.h"
#include "platform/resources/resources.h"
#include "store/starfile.h"
#include "system/externals.h"
#include "tests/fuzz/projectlines.h"

namespace {

using namespace kv;

constexpr u32 kTypes[] = {kXCmd, kXFcn, kXRtn, fourcc("TEXT")};

void check(bool ok) {
  if (!ok) std::abort();
}

// Keeps code from the loader: bytes the shared-object check would pass, or a fat header
// (whose slice might), are spoilt at their first byte.
void spoil(std::vector<u8>& data) {
  std::string reason;
  const bool fat = data.size() >= 4 && data[0] == 0xCA && data[1] == 0xFE && data[2] == 0xBA && data[3] == 0xBE;
  if (fat || checksharedobject(data.data(), data.size(), &reason)) data[0] ^= 0x55;
}

struct External {
  u32 type = 0;
  bool infork = false;
  std::string name;
  std::vector<u8> data;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  std::size_t at = 0;
  auto byte = [&]() -> u8 { return at < size ? data[at++] : 0; };
  const bool withfork = byte() & 1;
  std::vector<External> externals;
  for (int n = 1 + byte() % 4; n > 0 && at < size; --n) {
    External x;
    const u8 kind = byte();
    x.type = kTypes[kind % 4];
    x.infork = withfork && (kind & 4) != 0;
    for (int len = 1 + byte() % 31; len > 0; --len) {
      const u8 c = byte();
      x.name.push_back(c & 0x80 ? char(0x80 + c % 32) : char((c & 0x20 ? 'a' : 'A') + (c & 0x1F) % 26));
    }
    std::size_t len = std::size_t(byte()) << 8;
    len |= byte();
    for (; len > 0 && at < size; --len) x.data.push_back(byte());
    spoil(x.data);
    externals.push_back(std::move(x));
  }
  std::vector<u8> list = {byte(), byte()};
  std::vector<ResourceItem> fork;
  testproject::Project p = testproject::small();
  for (std::size_t i = 0; i < externals.size(); ++i) {
    const External& x = externals[i];
    if (x.infork) {
      fork.push_back(ResourceItem{x.type, i16(128 + i), 0, x.name, x.data});
      list.push_back(u8(4 + x.name.size()));
      for (int s = 24; s >= 0; s -= 8) list.push_back(u8(x.type >> s));
      list.insert(list.end(), x.name.begin(), x.name.end());
    } else {
      testproject::Resource r;
      r.type = x.type;
      r.name = x.name;
      r.data = x.data;
      p.resources.push_back(r);
    }
  }
  list.insert(list.end(), data + at, data + size);
  if (withfork) {
    fork.push_back(ResourceItem{fourcc("STR#"), 998, 0, "", list});
    p.headerflags = kStarUnsearchedFork;
  }
  const std::size_t images = imagecount();
  fuzzlines::withproject(
      p,
      [&] {
        const u64 before = fuzzlines::holds();
        for (const External& x : externals) {
          doscripttext(x.name + " 1, \"two\"");
          std::string value;
          evaluatetext(x.name + "(1, \"two\")", &value);
          check(fuzzlines::holds() == before);
        }
      },
      [&](const std::string& folder) {
        if (withfork) writeresourcefile(folder + "/f.kv45.rsrc", fork);
      });
  check(imagecount() == images);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  auto external = [](std::vector<u8>& s, u8 kind, const std::string& letters, const std::vector<u8>& data) {
    s.push_back(kind);
    s.push_back(u8(letters.size() - 1));
    for (char c : letters) s.push_back(u8(c >= 'a' ? 0x20 + (c - 'a') : c - 'A'));
    s.push_back(u8(data.size() >> 8));
    s.push_back(u8(data.size()));
    s.insert(s.end(), data.begin(), data.end());
  };
  // ELF-looking bytes that stop short of a header, a fat header of one slice, and text.
  const std::vector<u8> shortelf = {0x7F, 'E', 'L', 'F', 2, 1, 1, 0};
  const std::vector<u8> fat = {0xCA, 0xFE, 0xBA, 0xBE, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0,
                               0,    28,   0,    0,    0, 8, 0, 0, 0, 4, 1, 2, 3, 4, 5, 6, 7, 8};
  // Records in the project only.
  std::vector<u8> s = {0, 3};
  external(s, 1, "Twice", shortelf);
  external(s, 0, "setv", fat);
  external(s, 2, "nat", {});
  out->push_back(s);
  // Classic externals in the resource file, one of them of another type, and a record of the
  // same name already in the project; the list counts one item more than it holds.
  s = {1, 2};
  external(s, 4 | 1, "Twice", shortelf);
  external(s, 1, "Twice", {'o', 'l', 'd'});
  external(s, 4 | 3, "notes", {'n'});
  s.insert(s.end(), {0, 4, 5, 'X', 'F', 'c', 'n', 'Z'});
  out->push_back(s);
  return out->size();
}
