// The event dispatch: routes the event the main loop put into the current event record, first
// to the movie controllers and the resident externals, then by kind and, for a mouse-down, by
// window part to the windows, the menus and the window management, and the request dispatcher.
#pragma once

#include "platform/types.h"

namespace kv {

// `gotevent` 0 for a null event; `now` the pass's tick count.
void HandleEvent(i16 gotevent, u32 now);

}  // namespace kv
