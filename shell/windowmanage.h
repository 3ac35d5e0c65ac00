// Window management: activation, ordering and update of the runtime's windows, and the clicks
// that grow, zoom and drag a project window.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// Keeps the floating windows above the document windows, in their order.
void orderwindows();
// Brings a window forward within the layering rules, then re-hilites.
void selectwindow(WindowRef window);
// Draws every window active or inactive as its place asks.
void hilitewindows();
// Draws one window active (1) or inactive (0).
void hiliteone(WindowRef window, i16 active);
// Serves an update event; with `send` set, "updateWindow" goes to the window's card. The
// update-under-way word (`updating`) is set while it runs.
void updatewindow(WindowRef window, i16 send);

// A click in the grow box, the title bar or the zoom box of a window.
void HandleGrowClick(WindowRef window);
void HandleDragClick(WindowRef window);
void doCustomZoom(WindowRef window);

// Window record flags.
enum : u32 { kWindowResizable = 1u << 2, kWindowDraggable = 1u << 3 };

}  // namespace kv
