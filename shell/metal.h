// Windows with the platform's metal appearance.
#pragma once

#include "platform/windows/windows.h"

namespace kv {

// True when the window has the metal attribute (bit 8); false for none or a disposed window.
bool IsMetalWindow(WindowRef window);
// Gives a port the drawing procedures of a metal window (erasing draws the texture) when its
// window (the port's, else the current window) is metal and no picture is being recorded from
// the port; otherwise the port draws with the standard procedures.
void setmetaleraseprocs(CGrafPtr port);

}  // namespace kv
