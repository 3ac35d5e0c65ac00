// Removing one object from its list with everything it owns, and the size limit of a bitmap
// being dragged out by the paint tools.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// Removes object `index` of a list and frees all it owns: data (a group's nested objects with
// all of theirs), name, script, contents, the spare handle, alternate data, user properties,
// a field's live text record (forgetting the open field when it is that record) and a button's
// platform control. Raises the layer change counter and invalidates the object's area. Nothing
// for an index the list does not hold.
void squashutil(Handle list, i16 index);

// Shrinks a rectangle by 1% steps until the estimated bytes of its image fit `budget`: 8 bytes
// a pixel row word with `colour`, else the 1-bit image's own bytes, and one more share when the
// mask flag has its top bit set. A rectangle that fits stays as it is; the smallest is 1 x 1.
// The side nearest the anchor stays where it was.
void limitbits(Rect* r, Point anchor, Point current, i32 budget, i16 mask, i16 colour);

}  // namespace kv
