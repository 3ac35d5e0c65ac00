// Services the interpreter polls while scripts run: the stack guard, the abort check, the
// option key, and the main loop's per-pass reset. (The abort check is with the other polls in
// shell/eventqueue.cpp, the option key with the modifier keys in shell/platformutil.cpp, the
// per-pass reset with the main loop in shell/mainloop.cpp.)
#pragma once

#include <functional>

#include "platform/runtime/bigstack.h"
#include "platform/types.h"

namespace kv {

// Non-zero when fewer than `bytes` of stack (and never less than the guard margin) remain
// within the run thread's budget. Asked before every statement, so inline.
inline i16 nostack(Size bytes, i16 = 0) {
  std::size_t asked = std::size_t(bytes < 0 ? 0 : bytes);
  std::size_t need = asked > kStackGuardMargin ? asked : kStackGuardMargin;
  return stackremaining() < need ? 1 : 0;
}

// Polls for the abort key (command-period or escape) at most once every 30 ticks (`ticks`: the
// tick count, 0 to read it): 0 to go on, 48 when the user stopped the script, 37 when memory is
// short while the option key holds the abort back. Before that, the end of the run stops the
// script as `exit to Kestrove` does (-998): a quit asked by a signal (once), a run limit
// reached (the tick limit, the main loop's pass limit with the ticks statements ran in the
// pass under way) and, headless, a script that has run 10 virtual minutes with no input left
// (the run then ends with status 124, naming the handler).
i16 isabort(u32 ticks);
// What the main loop does at the start of every pass: the double-click flag, send depth, call
// level, recorded error position, repeat and switch indexes, try depth, lockMessages,
// lockRecent, dragSpeed, remapColor and the number format go back to their rest values, the
// repeat and switch queues are trimmed, and stale inserted scripts are rebuilt (checkusings).
void passreset();

// 1 while the option key is held down, else 0 (an input-state poll).
i16 option();

// Tests inject what the abort check answers; an empty function restores the real check.
void setabortcheck(std::function<i16(u32)> check);
// Whether a test injected its abort check (which then sees every statement). Asked after every
// statement, so inline: the flag is kept with the injected check.
namespace runservicesdetail {
extern constinit bool abortcheckset;
}  // namespace runservicesdetail
inline bool abortcheckinjected() { return runservicesdetail::abortcheckset; }

}  // namespace kv
