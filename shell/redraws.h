// Redraw requests. The card area and its objects are drawn by the renderer; until the window
// draws it, headless runs only record that a redraw was asked, and tests read the record.
#pragma once

#include <vector>

#include "platform/windows/windows.h"
#include "shell/desk.h"
#include "store/objread.h"

namespace kv {

struct redrawrequest {
  WindowRef window;  // 0 when no window was concerned
  bool whole;        // the whole card area
  Rect area;         // otherwise this rectangle, in card coordinates
};

// Redraws a desk's card area: the whole of it (null), or the rectangle.
void drawedit(const desk& d, const Rect* area);
// Redraws what a descriptor names in the window that shows it: an object's drawing bounds,
// or the whole card area for a card, background, window or project. Nothing for a descriptor
// whose card no window shows (a card its window does not show, a window that is not open) or
// that names no card (menus, items, the shared script, the application).
void drawread(const objread& obj);

// The requests recorded since the last call, oldest first; the record is emptied.
std::vector<redrawrequest> takeredraws();

}  // namespace kv
