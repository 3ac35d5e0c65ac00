// The queue of visual effects (at most ten) that the `visual` command fills and the next change
// of card plays. The entries and their count live in the global state
// (`mainglobals().effects`); the read position, which moves only while the queue is played,
// and the switch that tells an effect is playing live here.
#pragma once

#include "platform/types.h"
#include "core/mainglobals.h"

namespace kv {

// Queues an effect; the queue takes over its name. 1 when it was queued, 0 when ten effects
// wait already: the effect is then dropped and its name released.
i16 pusheffect(const effectrec& effect);
// 1 and the entry at the read position (the read position moves on; the caller takes over its
// name), or 0 when every queued entry has been read.
i16 popeffect(effectrec* effect);
// The number of effects queued.
i16 effectcount();
// Empties the queue, releasing the names that were not read. With `restore` 1, while a window
// is open, the current window's controls are brought back.
void cleareffect(i16 restore);

// Raised while `draweffect` plays the queue.
void effectqueueplaying(bool on);
bool effectplaying();

}  // namespace kv
