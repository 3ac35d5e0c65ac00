// Length-prefixed strings (Str255, Str63, Str31, Str15): one length byte, then at most
// capacity - 1 Mac Roman characters. Every routine here clips at the destination's capacity
// and never writes past it.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/types.h"

namespace kv {

// The characters of a length-prefixed string.
inline std::string_view pstringview(ConstStringPtr s) { return {reinterpret_cast<const char*>(s + 1), s[0]}; }

// Sets dst (of `capacity` bytes, length byte included) to the bytes, clipped to capacity - 1
// (and to 255). Answers the length written.
std::size_t pstrassign(StringPtr dst, std::size_t capacity, const void* bytes, std::size_t n);
// Appends bytes to dst, clipped at capacity - 1 (and 255). Answers the count appended.
std::size_t pstrappend(StringPtr dst, std::size_t capacity, const void* bytes, std::size_t n);

template <std::size_t N>
std::size_t setpstring(u8 (&dst)[N], std::string_view text) {
  return pstrassign(dst, N, text.data(), text.size());
}
template <std::size_t N>
std::size_t appendpstring(u8 (&dst)[N], std::string_view text) {
  return pstrappend(dst, N, text.data(), text.size());
}

// The decimal text of a 32-bit integer ("-" for negatives, no blanks).
void NumToString(i32 n, StringPtr out);

}  // namespace kv
