// The memory guard: callers ask it before they allocate, and it refuses when the process runs
// short of address space after the caches gave up what they could.
//
// It costs one addition per request until 5,000,000 bytes have been asked for since the last
// check; only then does it weigh the free address space (FreeVMem, platform/memory/
// addressspace.h) against what was asked, purging the script cache, the picture buffers and
// the unheld records of every open project while that frees something.
#pragma once

#include "platform/types.h"
#include "shell/mainglobals.h"

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

// Tests make the guard refuse every request while `on` is true.
void setmemoryguardrefusal(bool on);

// The guard as every allocating routine asks it: skipped while memory is plentiful.
inline bool memoryrefused(Size bytes) { return mainglobals().memplentiful == 0 && nomemory(bytes) != 0; }
// The same for a size counted in 64 bits; more than one block can hold is refused outright.
inline bool memoryrefused64(i64 bytes) {
  return mainglobals().memplentiful == 0 && (bytes > 0x7FFFFFFF || nomemory(Size(bytes)) != 0);
}

}  // namespace kv
