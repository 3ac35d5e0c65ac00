// The libFuzzer entry when the fuzz targets build as real libFuzzer targets (KV_LIBFUZZER): each
// target's own entry is compiled as kvFuzzTestOneInput, and this one runs it on the big-stack
// thread and resets the runtime after it, as the replay main does. With KV_FUZZ_SEEDS naming
// an empty folder, the target's seed inputs are written there first (the corpus to start from).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/runtime/bigstack.h"
#include "platform/runtime/root.h"

extern "C" int kvFuzzTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out);

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* folder = std::getenv("KV_FUZZ_SEEDS");
  if (folder == nullptr || !kvFuzzSeeds) return 0;
  std::filesystem::path dir(folder);
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_empty(dir, ec)) return 0;
  std::filesystem::create_directories(dir, ec);
  std::vector<std::vector<std::uint8_t>> seeds;
  kv::runonbigstack([&]() {
    kvFuzzSeeds(&seeds);
    kv::resetruntime();
    return 0;
  });
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    std::ofstream out(dir / ("seed" + std::to_string(i)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(seeds[i].data()), std::streamsize(seeds[i].size()));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return kv::runonbigstack([&]() {
    kvFuzzTestOneInput(data, size);
    kv::resetruntime();
    return 0;
  });
}
