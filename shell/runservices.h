// Services the interpreter polls while scripts run: the stack guard and the abort check.
#pragma once

#include <functional>

#include "platform/types.h"

namespace kv {

// Non-zero when fewer than `bytes` of stack (and never less than the guard margin) remain
// within the run thread's budget.
i16 nostack(Size bytes, i16 unused = 0);

// 0 to go on, a positive script error number when the user aborted the script, or a
// negative status. Asked between statements.
i16 isabort(u32 ticks);
// What the main loop does at the start of every pass: the recorded error position, the send
// depth, the try depth and lockMessages go back to their rest values, stale inserted scripts
// are rebuilt (checkusings) and the repeat and switch queues are trimmed.
void passreset();

// 1 while the option key is held down, else 0 (an input-state poll).
i16 option();

// Tests inject what the abort check answers; an empty function restores "go on".
void setabortcheck(std::function<i16(u32)> check);

}  // namespace kv
