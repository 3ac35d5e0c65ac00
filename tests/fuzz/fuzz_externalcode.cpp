// Feeds arbitrary bytes, as an external's record may hold them, to the checks made before any
// code is loaded: the shared-object check never reads outside the bytes and never accepts an
// object whose loadable segments leave them, and a fat header never narrows the code to a
// slice outside them. Nothing is linked here.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/loader/loader.h"
#include "system/externals.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace kv;

template <class T>
void put(std::vector<std::uint8_t>& v, std::size_t at, T value) {
  if (v.size() < at + sizeof value) v.resize(at + sizeof value);
  std::memcpy(v.data() + at, &value, sizeof value);
}

u32 big(const std::uint8_t* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3]; }

}  // namespace

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  // A small shared object of this machine's kind: header, two program headers (a loadable
  // segment and the dynamic one inside it), 512 bytes in all.
  std::vector<std::uint8_t> elf(512);
  const std::uint8_t ident[] = {0x7F, 'E', 'L', 'F', 2, 1, 1};
  std::memcpy(elf.data(), ident, sizeof ident);
  put<std::uint16_t>(elf, 16, 3);  // shared object
#if defined(__aarch64__)
  put<std::uint16_t>(elf, 18, 183);
#else
  put<std::uint16_t>(elf, 18, 62);
#endif
  put<std::uint64_t>(elf, 32, 64);  // program headers at 64
  put<std::uint16_t>(elf, 54, 56);
  put<std::uint16_t>(elf, 56, 2);
  put<std::uint32_t>(elf, 64, 1);  // PT_LOAD: the whole file
  put<std::uint64_t>(elf, 64 + 32, 512);
  put<std::uint64_t>(elf, 64 + 40, 512);
  put<std::uint32_t>(elf, 120, 2);  // PT_DYNAMIC at 256
  put<std::uint64_t>(elf, 120 + 8, 256);
  put<std::uint64_t>(elf, 120 + 16, 256);
  put<std::uint64_t>(elf, 120 + 32, 64);
  put<std::uint64_t>(elf, 120 + 40, 64);
  out->push_back(elf);
  // A fat header of one slice for this machine that holds that object.
  u32 cpu = localcputype();
  std::vector<std::uint8_t> fat = {0xCA,
                                   0xFE,
                                   0xBA,
                                   0xBE,
                                   0,
                                   0,
                                   0,
                                   1,
                                   std::uint8_t(cpu >> 24),
                                   std::uint8_t(cpu >> 16),
                                   std::uint8_t(cpu >> 8),
                                   std::uint8_t(cpu),
                                   0,
                                   0,
                                   0,
                                   3,
                                   0,
                                   0,
                                   0,
                                   32,
                                   0,
                                   0,
                                   2,
                                   0,
                                   0,
                                   0,
                                   0,
                                   4};
  fat.resize(32);
  fat.insert(fat.end(), elf.begin(), elf.end());
  out->push_back(fat);
  return out->size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string reason;
  if (checksharedobject(data, size, &reason)) {
    // Every loadable segment lies inside the bytes.
    u64 phoff = 0;
    std::uint16_t phnum = 0;
    std::memcpy(&phoff, data + 32, 8);
    std::memcpy(&phnum, data + 56, 2);
    for (std::uint16_t i = 0; i < phnum; ++i) {
      const std::uint8_t* ph = data + phoff + 56u * i;
      std::uint32_t type = 0;
      u64 offset = 0, filesz = 0;
      std::memcpy(&type, ph, 4);
      std::memcpy(&offset, ph + 8, 8);
      std::memcpy(&filesz, ph + 32, 8);
      if (type == 1) check(offset <= size && filesz <= size - offset);
    }
  } else {
    check(!reason.empty());
  }
  if (size >= 8 && big(data) == 0xCAFEBABE) {
    const std::uint8_t* code = data;
    u64 length = size;
    RegistryId image = nilid;
    i32 made = WorkAroundRadarID4189935(&code, &length, &image, &reason);
    if (code != data) check(code >= data && length <= size && u64(code - data) <= size - length);
    if (made == 1) check(destroyimage(image));
  }
  return 0;
}
