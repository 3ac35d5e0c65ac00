// Replay driver for the fuzz targets when they are not built with libFuzzer: feeds each
// target its own seed inputs as they are (the inputs a fault was found with are kept there, so
// CI replays each of them), then a deterministic stream of generated inputs (random bytes, and
// mutations of the seeds) on the big-stack thread, resetting the runtime after each. `--runs N`
// sets the count of generated inputs, `--seed N` another stream. Files named on the command line
// are run instead, each as one input (a failing input libFuzzer kept, replayed in this build).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/runtime/bigstack.h"
#include "platform/runtime/root.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// A target may offer seed inputs that the replay mutates; the default offers none.
extern "C" __attribute__((weak)) std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out);

int main(int argc, char** argv) {
  long runs = 2000;
  std::uint64_t seed = 0;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (i + 1 < argc && std::strcmp(argv[i], "--runs") == 0) {
      runs = std::atol(argv[++i]);
    } else if (i + 1 < argc && std::strcmp(argv[i], "--seed") == 0) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else {
      files.push_back(argv[i]);
    }
  }
  if (!files.empty()) {
    return kv::runonbigstack([&files]() {
      for (const std::string& f : files) {
        std::ifstream in(f, std::ios::binary);
        if (!in) {
          std::fprintf(stderr, "cannot read %s\n", f.c_str());
          return 1;
        }
        const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(input.data(), input.size());
        kv::resetruntime();
        std::printf("%s replayed\n", f.c_str());
      }
      return 0;
    });
  }
  return kv::runonbigstack([runs, seed]() {
    std::vector<std::vector<std::uint8_t>> seeds;
    if (kvFuzzSeeds) kvFuzzSeeds(&seeds);
    std::uint64_t x = 0x9E3779B97F4A7C15ull ^ (seed * 0xD1B54A32D192ED03ull);
    auto next = [&x]() {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      return x;
    };
    for (const std::vector<std::uint8_t>& in : seeds) {
      LLVMFuzzerTestOneInput(in.data(), in.size());
      kv::resetruntime();
    }
    for (long r = 0; r < runs; ++r) {
      std::vector<std::uint8_t> in;
      if (!seeds.empty() && r % 4 != 0) {
        in = seeds[next() % seeds.size()];
        int flips = 1 + int(next() % 8);
        for (int f = 0; f < flips && !in.empty(); ++f) {
          std::size_t at = next() % in.size();
          switch (next() % 4) {
            case 0: in[at] = std::uint8_t(next()); break;
            case 1: in[at] ^= std::uint8_t(1u << (next() % 8)); break;
            case 2: in.resize(at); break;
            default: in.insert(in.begin() + long(at), std::uint8_t(next())); break;
          }
        }
      } else {
        in.resize(next() % 2048);
        for (auto& b : in) b = std::uint8_t(next());
      }
      LLVMFuzzerTestOneInput(in.data(), in.size());
      kv::resetruntime();
    }
    std::printf("%zu seeds and %ld inputs replayed\n", seeds.size(), runs);
    return 0;
  });
}
