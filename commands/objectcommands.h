// The list operations of the object commands (objectcommands.cpp), on one object list.
#pragma once

#include "platform/types.h"

namespace kv {

// Moves a rectangle, its size kept, inside the bounds: its left edge first, then its top, its
// right and its bottom (a rectangle larger than the bounds ends at their right and bottom).
void clampRect(Rect* r, const Rect& bounds);
// Groups the selected graphics of a list: selected buttons and fields are deselected; with two
// or more selected graphics they leave the list for the member list of a new group graphic
// (style 108, flag bit 27, a new id, their bounds, selected), appended at the end. In copy
// mode the members are copies and the originals freed. 0, or 37 (the list then as it was
// after the deselection, less nothing).
i16 setgroup(Handle list, i16 copymode);
// Ungroups every selected group of a list: the group goes with its parts, and its members are
// appended selected at the end, each with a new id. 0, or 37.
i16 setungroup(Handle list, i16 copymode);

}  // namespace kv
