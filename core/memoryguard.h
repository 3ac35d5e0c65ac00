// The memory guard: callers ask it before they allocate, and it refuses when the process runs
// short of address space after the caches gave up what they could.
//
// It costs one addition per request until 5,000,000 bytes have been asked for since the last
// check; only then does it weigh the free address space (FreeVMem, platform/memory/
// addressspace.h) against what was asked, purging the script cache, the picture buffers and
// the unheld records of every open project while that frees something.
#pragma once

#include "platform/runtime/root.h"
#include "platform/types.h"
#include "core/mainglobals.h"

namespace kv {

// The running total at which the guard looks at the free address space.
constexpr u32 kMemoryCheckTotal = 5000000;

// Non-zero when `bytes` should not be allocated now. A refusal leaves the request in
// kilobytes in mainglobals().lastmemreq and availmem() in lastmemavail.
int nomemory(Size bytes);

// The largest block that could be allocated, less a reserve (60,000 bytes, or 120,000 while
// `colorWorld` is set); negative when the reserve is not there.
i32 availmem();

// Bytes asked for since the last check.
u32 memoryguardtotal();
// The last request that reached the check of the free address space (0 before any).
Size memoryguardlastrequest();

// Tests make the guard refuse every request while `on` is true.
void setmemoryguardrefusal(bool on);

namespace memoryguarddetail {
// The guard's state in the runtime root.
struct State {
  u32 total = 0;  // bytes asked for since the last check
  bool refuse = false;
  Size lastrequest = 0;  // the last request nomemory weighed
};
}  // namespace memoryguarddetail

// The guard as every allocating routine asks it: skipped while memory is plentiful. Asked on
// the interpreter's paths, so the common answer (a request that only adds to the running
// total) is inline; nomemory decides the rest.
inline bool memoryrefused(Size bytes) {
  if (mainglobals().memplentiful != 0 || bytes <= 0) return false;
  memoryguarddetail::State& g = state<memoryguarddetail::State>();
  if (!g.refuse && u64(g.total) + u64(bytes) < kMemoryCheckTotal) {
    g.total += u32(bytes);
    return false;
  }
  return nomemory(bytes) != 0;
}
// The same for a size counted in 64 bits; more than one block can hold is refused outright.
inline bool memoryrefused64(i64 bytes) {
  return mainglobals().memplentiful == 0 && (bytes > 0x7FFFFFFF || memoryrefused(Size(bytes)));
}

}  // namespace kv
