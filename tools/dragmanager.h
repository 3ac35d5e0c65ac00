// The drag tracking and receive handlers that `allowDragAndDrop` installs and removes.
#pragma once

#include "platform/types.h"

namespace kv {

// Installs the tracking and receive handlers for every window: the platform's code.
OSErr MyInitDragManager();
// Removes them: the platform's code. Both handler references are cleared in every case.
OSErr MyKillDragManager();
// Whether the handlers are installed now.
bool draghandlersinstalled();

}  // namespace kv
