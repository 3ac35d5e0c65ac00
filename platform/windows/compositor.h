// The compositor: draws the screen as the user sees it (the desktop, the menu bar band, and
// the visible windows from back to front with their frames and contents) into one 32-bit
// frame and hands it to the backend, when something changed since the last time.
#pragma once

#include "platform/backend/backend.h"
#include "platform/runtime/registry.h"

namespace kv {

// Composes and presents the screen when it changed (the event manager calls it before every
// wait and poll).
void presentscreen();
// Marks the screen as changed (a window's content was drawn, the menu bar changed, ...).
void screenchanged();
// Composes the screen now and answers the frame (also kept as the backend's last frame).
const Frame& composescreen();

// One window drawn alone (as if nothing covered it), with or without its frame.
Frame composewindow(RegistryId window, bool withframe);

// The menu layer draws the menu bar into the frame through this hook (none: a plain band).
using MenuBarDrawer = void (*)(Frame& frame, const Rect& band);
void setmenubardrawer(MenuBarDrawer drawer);

}  // namespace kv
