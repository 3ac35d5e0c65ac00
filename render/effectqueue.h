// The queue of visual effects (at most ten) that the `visual` command fills and the next change
// of card plays. It lives in the global state (`mainglobals().effects`).
#pragma once

#include "platform/types.h"
#include "shell/mainglobals.h"

namespace kv {

// Queues an effect; the queue takes over its name. 0, or 1 when ten effects wait already: the
// effect is then dropped and its name released.
i16 pusheffect(const effectrec& effect);
// Empties the queue, releasing the names. (`restore` 1 also restores the controls' default
// drawing state, which has no state of its own here.)
void cleareffect(i16 restore);

}  // namespace kv
