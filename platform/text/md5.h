// The MD5 digest of a run of bytes (from libmd).
#pragma once

#include <cstddef>

#include "platform/types.h"

namespace kv {

constexpr std::size_t kMD5Length = 16;

// The 16 bytes of the digest of `n` bytes at `data` (none when n is 0).
void md5digest(const void* data, std::size_t n, u8 (&out)[kMD5Length]);

}  // namespace kv
