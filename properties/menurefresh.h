// Showing a menu item's change where the menu is shown, for the setters that change items.
#pragma once

#include "store/objread.h"

namespace kv {

// The item a descriptor names changed: the menu bar is built and drawn again when its menu is
// in the bar, and the dock menu is set again when the item's menu is the dock's.
void menuchanged(const objread& obj);

}  // namespace kv
