// Drawing a project window's card area, whole or within a rectangle, from anywhere in the
// runtime; drawing the current card into the offscreen world for externals; and re-applying a
// window record's style and flags to its open window.
//
// Every routine borrows the global current context and port for the time it draws: the drawn
// window's table entry becomes current, and the context, port, clip, visible region and
// origin the caller had are put back on every path.
#pragma once

#include <vector>

#include "platform/qd/qdtypes.h"
#include "platform/windows/windows.h"
#include "core/desk.h"
#include "store/objread.h"

namespace kv {

// Redraws the card area of a context's window: the whole interior (null), or the rectangle
// grown by 3 for frames and focus rings and cut to the interior. Under a screen lock, which it
// releases unless a picture is being recorded from the port (the recording releases it then).
// The drawn rectangle is validated. Nothing for a context without a window or a window not in
// the table (procedure-table slot 178).
void drawedit(const desk& d, const Rect* area);
// Redraws every open window, from the last entry of the window table to the first.
void draweditall();
// The open windows of a project, last to first, lose their platform controls (made again as
// they draw) and are drawn again (a project's resource file brought font families).
void redrawprojectwindows(RegistryId store);
// Redraws what a descriptor names in the window that shows it: an object's drawing bounds, or
// the whole card area for a card, background, window or project. Nothing for a descriptor
// whose card no window shows (a card its window does not show, a window that is not open) or
// that names no card (menus, items, the shared script, the application) (slot 118).
void drawread(const objread& obj);
// The redraw while a window is grown or zoomed: the window's resize handling first, then the
// card (without a flush) and the grow box within the rectangle (null: the interior); no screen
// lock, no validation.
void minidrawedit(const desk& d, const Rect* area);
// Draws the current window's card, limited to its interior, into the card offscreen world so
// that the world's pixels equal the window's. Hands back the world and the region of the
// interior in the world's coordinates (the caller's to dispose of); none of either without a
// current window or a world. Answers 0 (procedure-table slot 80).
i16 imagedit(GWorldPtr* world, RgnHandle* region);
// Applies a context's window record (style, flags, rectangle and name) to its open window:
// attributes, kind, class, scroll bars, place, title and theme background; the card is
// redrawn when the pen is visible.
void resetproc(const desk& d);

// The log of redraws: one entry per drawedit that reached a window of the table.
struct redrawrequest {
  WindowRef window;
  bool whole;  // the whole card area
  Rect area;   // otherwise the rectangle asked for, in card coordinates
};
// The redraws since the last call (at most the last 256), oldest first; the log is emptied.
std::vector<redrawrequest> takeredraws();

}  // namespace kv
