// The message box: a floating window of kind 118 with one line of text (made at start-up by
// initmes, shell/startup.h).
#pragma once

#include "platform/types.h"

namespace kv {

// The message box's handler of the window event kinds (0 draw, 1 click, 2 moved, 3 idle,
// 4 key, 5 mouse moved); `param` is a point, a key word or a mode as for the card window.
void runmess(i16 kind, u32 param);
// Hides the message box.
void hidemes();
// Whether the message box is shown.
bool msgvisible();

}  // namespace kv
