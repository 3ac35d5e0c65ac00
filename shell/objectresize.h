// Resizing a window's objects with the window, by each object's anchoring.
#pragma once

#include "platform/types.h"
#include "core/desk.h"

namespace kv {

// Moves and resizes the objects of a window after its size changed (layers, restoring and
// force 0 for a window resize): 0 or a status.
i16 resizespots(const desk& context, u16 layers, u16 restoring, u16 force);

}  // namespace kv
