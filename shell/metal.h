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
// Draws the grow grip of a metal window in the bottom-right corner of its port: fourteen grey
// diagonal lines and a dot over the metal texture; later drawing leaves the grip alone.
void myDrawMetalGrow(WindowRef window);
// Whether a global point lies in the 15 x 15 grow square of a metal window.
bool IsGrowClickInMetalWindow(WindowRef window, Point where);

}  // namespace kv
