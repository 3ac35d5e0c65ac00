// The card window's share of the events: its handler, keys, mouse messages and tool tips.
#pragma once

#include "platform/controls/controls.h"
#include "platform/types.h"
#include "platform/windows/windows.h"
#include "shell/fieldputting.h"

namespace kv {

// The one entry through which the event loop hands a project window its events. `kind`: 0 draw,
// 1 click (`data` a local point, v in the high half), 2 moved or resized (`data` a mode),
// 3 idle, 4 key (`data` the key word: character in the low byte, key code above), 5 mouse moved
// (a local point). A window that is not in the window table is left alone.
void runedit(u16 kind, u32 data, WindowRef window);
// Turns a key word into the key messages or into typing: 0 or a message's status.
i16 charcase(u16 key);
// Sends a mouse-tracking message (or another message, by token) to the object under the
// mouse, raising its tool tip on "mouseEnter" and taking it down on "mouseLeave": the send's
// status; 0 when there is no mouse object, another tool is chosen, the card or window changed
// since the object was entered, or the program is not in front (the object is then forgotten).
i16 sendmous(i16 token);
// Shows the tool tip when its time has come and the mouse is still on its object, and takes it
// down when the mouse left the object or the tip has shown long enough.
void checktooltip(u32 now);
// Takes the tool tip down and redraws the card under it.
void cleartooltip();
// The rectangle the draw kind frames in `window` (the box around found text).
void setframerect(const Rect& r, WindowRef window);
// Ticks between two looks at the moving mouse (0: at every move).
void setmousecheck(u32 ticks);
// The card scroll bar being tracked (none outside a scroll-bar click).
ControlRef trackedcardbar();

// The point a window event carries: v in the high half of the word, h in the low half.
inline u32 pointword(Point p) { return (u32(u16(p.v)) << 16) | u16(p.h); }
inline Point wordpoint(u32 w) { return Point{i16(u16(w >> 16)), i16(u16(w & 0xFFFF))}; }

}  // namespace kv
