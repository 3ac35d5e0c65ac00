// The small routines every modal dialog of the program shares.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// The largest content rectangle of a window: the usable bounds of the screen holding most of
// it, no larger than the offscreen world, less the window's frame on each side.
void GetMaxRect(WindowRef window, Rect* out);

}  // namespace kv
