// Clicks that fields take themselves: a click in the open field (its ruler, its scroll bar or
// its text) and a click in a list field.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Takes a click at `pt` in the open field of object list `list`: its ruler, its scroll bar
// (scrolling, "scrollField") or its text (the text engine's click). *textclick is set when the
// text took the click. 0 or a status.
i16 scrollclick(Handle list, Point pt, bool* textclick);
// Takes a click in a list field (the object record, updated in place): *scrolled is set when
// the list scrolled; true for a double click. `sender` drives the mouse as the tool
// dispatcher's does.
bool activatethelist(spot& s, Point pt, bool* scrolled, u16 sender);
// Records a list field's last click time.
void updateclicktime(spot& s);

}  // namespace kv
