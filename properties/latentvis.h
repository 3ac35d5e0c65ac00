// A window's latent visibility: whether a hidden window counts as visible (the program hid it
// when it went behind, and shows it again when it comes back). Kept on the platform window.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

void setwindowlatentvis(WindowRef window, u16 flag);
// The stored value; 0 for a missing window or one without it.
u16 getwindowlatentvis(WindowRef window);

}  // namespace kv
