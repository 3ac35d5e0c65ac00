// Windows with the platform's metal appearance.
#pragma once

#include "platform/windows/windows.h"

namespace kv {

// True when the window has the metal attribute (bit 8); false for none or a disposed window.
bool IsMetalWindow(WindowRef window);

}  // namespace kv
