// What the fuzz targets share: a failed check aborts, so that the replay fails and libFuzzer
// keeps the input; contentof copies a block's bytes (none for no block).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/memory/memory.h"

// The failing check's place is printed before the abort, so that a found input says which
// promise it broke.
inline void check(bool ok, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (ok) return;
  std::fprintf(stderr, "check failed at %s:%d\n", file, line);
  std::abort();
}

inline std::vector<std::uint8_t> contentof(kv::Handle h) {
  if (h == kv::nilhandle) return {};
  return {kv::deref(h), kv::deref(h) + kv::GetHandleSize(h)};
}
