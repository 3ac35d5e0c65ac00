// The runtime's object and card clipboards and the system clipboard's content taken over.
#pragma once

#include "platform/types.h"

namespace kv {

// Empties the runtime's object and card clipboards.
void killall();
// Takes over the system clipboard's content (objects, a card, pictures or text) as the
// runtime's clipboard.
void readesk();

// Makes a colour table fit to be the current table: 2,064 bytes of 256 entries, the given seed,
// the flags' top bit cleared, each entry's value its index, entry 0 white and entry 255 black
// (the other colours stay as they were; entries the table lacked are black).
void cleanclut(Handle table, u32 seed);

}  // namespace kv
