// The card window's share of the events (its handler, keys, mouse messages and tool tips), and
// putting the open field and the paint and draw modes down.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// The one entry through which the event loop hands a project window its events. `kind`: 0 draw,
// 1 click (`data` a local point, v in the high half), 2 moved or resized (`data` a mode),
// 3 idle, 4 key (`data` the key word: character in the low byte, key code above), 5 mouse moved
// (a local point). A window that is not in the window table is left alone.
void runedit(u16 kind, u32 data, WindowRef window);
// Turns a key word into the key messages or into typing: 0 or a message's status.
i16 charcase(u16 key);
// Sends a mouse-tracking message ("mouseEnter", "mouseLeave", "mouseWithin", by token) to the
// object under the mouse: the send's status, 0 when there is none.
i16 sendmous(i16 token);
// Places and removes the tool tip.
void checktooltip(u32 now);
void cleartooltip();

// Opens field `index` of a list in a window for editing (with "openField"): 0 or a status.
i16 putupfield(WindowRef window, Handle list, i16 index);
// Closes the open field (with "closeField" or "leaveField"): 0 or a status; 0 with none open.
i16 putdownfield();
// Closes the open field without messages.
void putdownfieldutil();
// Ends painting and the editing of a text graphic.
void putdownmodes();

// The point a window event carries: v in the high half of the word, h in the low half.
inline u32 pointword(Point p) { return (u32(u16(p.v)) << 16) | u16(p.h); }
inline Point wordpoint(u32 w) { return Point{i16(u16(w >> 16)), i16(u16(w & 0xFFFF))}; }

}  // namespace kv
