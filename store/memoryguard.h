// The memory guard: callers ask it before they allocate, and it may refuse when the process
// runs short of memory.
#pragma once

#include "platform/types.h"
#include "shell/mainglobals.h"

namespace kv {

// Non-zero when `bytes` should not be allocated now.
int nomemory(Size bytes);

// Tests make the guard refuse every request while `on` is true.
void setmemoryguardrefusal(bool on);

// The guard as every allocating routine asks it: skipped while memory is plentiful.
inline bool memoryrefused(Size bytes) { return mainglobals().memplentiful == 0 && nomemory(bytes) != 0; }

}  // namespace kv
