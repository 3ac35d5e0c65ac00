// What the fuzz targets share: a failed check aborts, so that the replay fails and libFuzzer
// keeps the input; contentof copies a block's bytes (none for no block).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/memory/memory.h"

inline void check(bool ok) {
  if (!ok) std::abort();
}

inline std::vector<std::uint8_t> contentof(kv::Handle h) {
  if (h == kv::nilhandle) return {};
  return {kv::deref(h), kv::deref(h) + kv::GetHandleSize(h)};
}
