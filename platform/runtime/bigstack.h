// The one thread that runs the whole system (event loop, interpreter, drawing) has a 256 MB
// stack. main, the test main, fuzz targets and benchmarks run their work through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kv {

constexpr std::size_t kBigStackSize = std::size_t(256) << 20;
// Stack kept back from the recursion budget, and the margin the recursion checks keep.
constexpr std::size_t kStackReserve = 64 << 10;
constexpr std::size_t kStackGuardMargin = 1 << 20;

// Runs fn on a new thread with the big stack and waits for it; answers fn's result.
int runonbigstack(const std::function<int()>& fn);

namespace bigstackdetail {
// The lowest usable address of the big-stack thread's budget; 0 on other threads.
extern thread_local constinit std::uintptr_t lowest;
}  // namespace bigstackdetail

// Bytes of stack left between the caller's frame and the budget's end (the stack size less
// kStackReserve). On a thread not started here it answers a large figure. Asked before every
// statement, so inline.
inline std::size_t stackremaining() {
  std::uintptr_t lowest = bigstackdetail::lowest;
  if (lowest == 0) return std::size_t(1) << 40;
  char here;
  auto at = reinterpret_cast<std::uintptr_t>(&here);
  return at > lowest ? at - lowest : 0;
}

}  // namespace kv
