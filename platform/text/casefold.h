// Case folding of Mac Roman text. Only the letters A-Z fold (to a-z); every other byte,
// the accented letters included, is its own lower case. Nothing here depends on a locale.
#pragma once

#include <array>
#include <cstddef>

#include "platform/types.h"

namespace kv {

namespace casefolddetail {
constexpr std::array<u8, 256> makelowertable() {
  std::array<u8, 256> t{};
  for (int i = 0; i < 256; ++i) t[std::size_t(i)] = u8(i >= 'A' && i <= 'Z' ? i + ('a' - 'A') : i);
  return t;
}
}  // namespace casefolddetail

// Maps A-Z to a-z and every other byte to itself.
inline constexpr std::array<u8, 256> lowertable = casefolddetail::makelowertable();

inline u8 lowerchar(u8 c) { return lowertable[c]; }

// True when the n bytes match, letters A-Z matching their lower case.
inline bool equalnocase(const u8* a, const u8* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (lowertable[a[i]] != lowertable[b[i]]) return false;
  return true;
}

}  // namespace kv
