// Utilities the dialogs and windows share.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// The largest content rectangle the window may take: the positioning bounds of the screen that
// holds most of the window (its width and height limited to the offscreen bounds, top-left
// kept), less the window's frame on each side. Empty for no window.
void GetMaxRect(WindowRef window, Rect* out);

}  // namespace kv
