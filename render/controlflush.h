// Taking down the platform controls of the buttons an object reference names, so that the
// next drawing builds them again from their changed data.
#pragma once

#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// Disposes the controls of the objects a reference names: a window's card and background
// lists, a card's or background's list (each object invalidated first), or one object (also
// invalidated). With `all` 0 only tabs (210) and popup menus (206) go. Then the reference is
// redrawn when its window's pen is visible (a single object only when it is visible or the
// window shows invisible objects).
void lowflush(const objread& obj, i16 all);

}  // namespace kv
