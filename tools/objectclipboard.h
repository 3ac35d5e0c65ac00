// The runtime's object and card clipboards and the system clipboard's content taken over.
#pragma once

namespace kv {

// Empties the runtime's object and card clipboards.
void killall();
// Takes over the system clipboard's content (objects, a card, pictures or text) as the
// runtime's clipboard.
void readesk();

}  // namespace kv
