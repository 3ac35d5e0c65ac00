// What the window setters offer the other setters and the rest of the runtime: the window
// flags of a window record (the flags and appearance setters reach them), the zoom limits of
// every open window, and the click-activation handler of the backdrop window.
#pragma once

#include "platform/events/handlers.h"
#include "platform/types.h"
#include "platform/windows/windows.h"
#include "store/objread.h"

namespace kv {

// Window record flag bits.
enum : u32 {
  kWindCloseBox = 0x1,
  kWindZoomBox = 0x2,
  kWindResizable = 0x4,
  kWindDraggable = 0x8,
  kWindAutoCenter = 0x40,
  kWindShowInvisibles = 0x80,
  kWindNotInWindowMenu = 0x100,
  kWindNotCollapsible = 0x200,
  kWindLiveResize = 0x2000,
  kWindDoLimit = 0x4000,
  kWindNoShadow = 0x8000,
  kWindNoLocalOpacity = 0x10000,
  kWindNotAutoDim = 0x8000000,
};

// One window flag word of a window descriptor (`closeBox`, `zoomBox`, `draggable`,
// `autoCenter`, `showInvisibles`, `liveResize`, `doLimitWindow`, `autoDim`, `collapsible`,
// `localOpacity`, `inWindowMenu`, `shadow`, `resizable`, `collapsed`, `modified`) set to a
// boolean: the record's bit follows (inverted for the negative bits) and an open window takes
// the change at once. `collapsed` and `modified` only act on the open window. 43 for any other
// word. The caller marks the record changed.
i16 windflags(objread* obj, u16 token, u16 flag);

// Makes an open project window again from its record at its current card, in its place in the
// window order, with its tool, visible or not as it was, and without open or close messages
// (lockMessages is set meanwhile). The status of the reopening (-991 counts as success).
i16 rebuildwindow(WindowRef window);

// The standard (zoomed-out) state of every open project window: the positioning bounds of its
// screen less its frame, no larger than the window limit, and, while windows are limited to
// their card (or the window asks to be), no larger than its card and shown scroll bars.
void setzoomlimits();

// The click-activation handler of the backdrop: a click there neither activates it nor
// reaches it.
OSStatus dontActivateProc(EventHandlerCallRef call, EventRef event, u32 userdata);

// Sends "toolChange" to the window's card with the names of the old and the new tool (the
// tool numbered 101 is named as the browse tool): the send's status.
i16 sendtoolchange(WindowRef window, i16 from, i16 to);
// After a change of tool or edited layer in a context: the context goes back into the table
// (and the global state when it is the current window), the objects are deselected when the
// browse tool was left, the card redrawn, and the paint session, edited graphic and open field
// put down. The last put-down's status.
i16 aftertoolchange(desk& d, u16 oldtool);
// Changes the tool of an open window as scripts do: "toolChange" first (a handler that exits to
// the top keeps the tool: 0; another failure is returned), then the tool numbered 101 is the
// browse tool in plug-in mode and the browse tool ends plug-in mode, and aftertoolchange. 61
// when the window is not open, or a handler closed it.
i16 changetool(WindowRef window, i16 tool);

}  // namespace kv
