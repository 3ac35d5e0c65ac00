// Window management: activation, ordering and update of the runtime's windows, and the clicks
// that grow, zoom and drag a project window.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/events/handlers.h"
#include "platform/types.h"
#include "platform/windows/windows.h"
#include "core/desk.h"

namespace kv {

// --- Layers, activation and update -----------------------------------------------------------
// Keeps the floating windows together above the document windows, the message box (when
// shown) first, in their order; the last of them gets the user focus.
void orderwindows();
// Brings a window forward within the layering rules, then re-hilites.
void selectwindow(WindowRef window);
// Draws every window active or inactive as its place asks (nothing while a window is being
// re-created): the front document window and the floating windows active, unless a foreign
// window is in front, which leaves every runtime window inactive.
void hilitewindows();
// Draws one window active (1) or inactive (0; always while the program is behind).
void hiliteone(WindowRef window, i16 active);
// Serves an update event; with `send` 1, "updateWindow" goes to a project window's card (with
// the system-message flag raised) while the program is in front. The update-under-way word
// (`updating`) is set while it runs.
void updatewindow(WindowRef window, i16 send);
// A modal dialog's filter asking for an update event of a window behind the dialog: 1 when it
// was served, 0 for the dialog's own window or one it does not know.
i16 updateBehind(WindowRef dialog, const EventRecord& event);
// A temporary 8-bit device with the current colour table around colour-mapped drawing (only
// with `on` and colorWorld), and back.
void addsearch(i16 on);
void delsearch(i16 on);

// --- Grow, zoom and drag ---------------------------------------------------------------------
// A click in the grow box, the title bar or the zoom box of a window.
void HandleGrowClick(WindowRef window);
void HandleDragClick(WindowRef window);
void doCustomZoom(WindowRef window);
// The zoomed-out content rectangle: the available bounds of the window's screen, within the
// offscreen world's size, less the frame.
void CalculateZoomOutRect(WindowRef window, Rect* out);
// Drags a window from the event's point: without the command key a window behind is only
// selected (false); with it the window moves where it is. lowdrag answers whether it moved.
bool mydragwindow(WindowRef window, bool nodrag);
bool lowdrag(WindowRef window, Point start, bool nodrag);
// Moves and sizes a window so that its content is a global rectangle (within the offscreen
// world's size), and a window's global content rectangle.
void rectowind(const Rect& rect, WindowRef window);
Rect windtorect(WindowRef window);
// The "minimumSize" user property of a desk's background, else of its window: two numbers
// "width,height" (false for no property, or a text that is not two numbers).
bool minimumsize(const desk& d, Point* out);
// Lays the two card scroll bars of a window along its port's right and bottom edges.
void movebars(const desk& d);
// The window event handlers: a bounds change during a live resize (procedure-table slot 388),
// the scroll bars after a window is expanded (336) and the window menu's zoom (335).
OSStatus PeditRTRedrawForLiveResize(EventHandlerCallRef call, EventRef event, u32 userdata);
OSStatus PeditRTRedrawScrollbarsAfterExpand(EventHandlerCallRef call, EventRef event, u32 userdata);
OSStatus PeditRTHandleWindowMenuZooms(EventHandlerCallRef call, EventRef event, u32 userdata);

// Window record flags.
enum : u32 { kWindowResizable = 1u << 2, kWindowDraggable = 1u << 3 };

}  // namespace kv
