// The custom window frame: a project window of a custom style takes its outline, its holes,
// its close box and its drag area from graphics on its background named "structureRgn",
// "knockoutRgn", "closeRgn" and "dragRgn". `widget` is the window definition that answers the
// Window Manager from them. Beside it: the shown and hidden windows of the script dialogs
// (with the zoom transition when set) and the handler that turns a window's collapse and
// expansion into messages.
#pragma once

#include <cstdint>

#include "platform/events/handlers.h"
#include "platform/qd/regions.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// The window definition of the custom styles (procedure-table slot 288).
i32 widget(i16 variation, WindowRef window, i16 message, std::intptr_t param);
// The region (port coordinates counted from the port's top-left) of the graphics of an object
// list named `name`: the outline with its knockouts for "structureRgn". `ingroup` is set
// inside a group, where unnamed members take the name.
void CookRegions(ConstStringPtr name, Handle objects, WindowRef window, RgnHandle out, bool ingroup, u16 code);
// CookRegions over the background objects of a window of the table (or of the current
// window); nothing for a window without an entry.
void GetNamedWindowRgn(WindowRef window, ConstStringPtr name, RgnHandle out, u16 code);
// Non-zero when the global point lies in a graphic of that name on the window's background.
i16 PtInGrc(Point where, WindowRef window, ConstStringPtr name);
// Inverts the graphics of that name in the window's port.
void lowtoggle(Handle objects, WindowRef window, ConstStringPtr name);

// Show and hide a window, through the zoom transition while transitions are allowed and a
// place to start from is set.
void myShowWindow(WindowRef window);
void myHideWindow(WindowRef window);

// The handler of the window-collapsed and window-expanded events (procedure-table slot 395):
// "collapseWindow" or "expandWindow" to the window's card; eventNotHandledErr for a window
// that is not a project window.
OSStatus PappRTExpandCollapseWindowProc(EventHandlerCallRef call, EventRef event, u32 userdata);

}  // namespace kv
