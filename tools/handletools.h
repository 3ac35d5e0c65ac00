// The tool dispatcher: a mouse-down in the content of the current project window, handled by
// the window's current tool.
#pragma once

#include "platform/types.h"

namespace kv {

// Who drives the mouse: the real mouse, the click command or the drag command.
enum : u16 { senderMouse = 0, senderClick = 1, senderDrag = 2 };

// Handles a mouse-down at `start` (local coordinates of the current window; `finish` is the
// end of a simulated drag). 0, a script error number, or -991 when the window changed.
i16 handletools(Point start, Point finish, u16 sender);

}  // namespace kv
