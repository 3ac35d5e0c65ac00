// The tool dispatcher: a mouse-down in the content of the current project window, handled by
// the window's current tool, and the simulated mouse every tracking loop of the tools reads.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "store/objread.h"

namespace kv {

// Who drives the mouse: the real mouse, the click command or the drag command.
enum : u16 { senderMouse = 0, senderClick = 1, senderDrag = 2 };

// The tool module's state: the simulated mouse of the current dispatch and the object whose
// click is being tracked.
struct ToolState {
  u16 sender;          // who drives the mouse
  u16 butdown;         // the drag command's button (1 at the start of every dispatch)
  u16 sendfirst;       // the drag command's first position is still to come
  Point startpt;       // the click point, or the start of a simulated drag
  Point finishpt;      // the end of a simulated drag (the click point otherwise)
  Point movept;        // where a simulated drag has got to
  objread trackread;   // the object whose click is tracked (control buttons), else zero
  objread* tracking;   // &trackread while a control button's click is tracked, else null
  RegistryId prevctl;  // the control and part of the previous call of the action procedure
  i16 prevcode;
  i16 controlerror;  // a message's error inside the platform's control tracking
  u64 trackchanges;  // the layer change counter when that click began
};
ToolState& toolstate();

// Handles a mouse-down at `start` (local coordinates of the current window; `finish` is the
// end of a simulated drag). 0, a script error number, 37 without memory, or -991 when the
// window changed under a contextual click.
i16 handletools(Point start, Point finish, u16 sender);

// The simulated mouse, one poll per pass of a tracking loop: whether the button is still down,
// and the current point (local). The click command's button counts as released at the first
// poll; the drag command moves from its start to its end by `dragSpeed` pixels a poll (at once
// with 0) and releases there.
bool stilldown();
void getmouse(Point* pt);

// The topmost object under a point for a browse click: the card's objects from the front
// (unless the background is edited), then the background's; a bitmap graphic without a script
// lets the click through. False when none is hit.
bool topobject(Point pt, Handle* list, i16* index);
// The same in the card a window context shows.
bool topobjectof(const desk& d, Point pt, Handle* list, i16* index);

// Redraws object `index` of a list where it lies in the card a window shows (nothing for a
// window that is not open or an index the list does not hold).
void redrawobject(WindowRef window, Handle list, i16 index);

}  // namespace kv
