// What the fuzz targets share: a failed check aborts, so that the replay fails and libFuzzer
// keeps the input; contentof copies a block's bytes (none for no block).
#pragma once

#include <chrono>
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

// How long one input may take. The fuzzing build hunts for slow inputs, so there the bound is
// a second; the replay build runs unoptimised under the sanitizers beside other tests on a
// shared machine, so there it only catches an input gone badly slow (the cost of the slow
// inputs once found is measured by the benchmarks, not here).
#ifdef KV_FUZZING
inline constexpr double kinputseconds = 1.0;
#else
inline constexpr double kinputseconds = 10.0;
#endif

inline double secondssince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Fails the run when a picture of `size` bytes, begun at `start`, took longer than the bound.
inline void checkpicturetime(std::chrono::steady_clock::time_point start, std::size_t size) {
  const double seconds = secondssince(start);
  if (seconds <= kinputseconds) return;
  std::fprintf(stderr, "a picture of %zu bytes took %.2f s\n", size, seconds);
  std::abort();
}
