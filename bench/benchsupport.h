// What the benchmarks share: a fixed-seed random sequence and short names for files.
#pragma once

#include <string_view>

#include "platform/types.h"

namespace kv::bench {

// xorshift: the same sequence on every run.
struct Rng {
  u64 x = 0x243F6A8885A308D3ull;
  u32 next() {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return u32(x >> 11);
  }
};

// A length-prefixed file name.
struct Name {
  u8 s[256] = {};
  explicit Name(std::string_view v) {
    s[0] = u8(v.size());
    for (std::size_t i = 0; i < v.size() && i < 255; ++i) s[i + 1] = u8(v[i]);
  }
  operator ConstStringPtr() const { return s; }
};

}  // namespace kv::bench
