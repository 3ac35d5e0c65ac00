// Where an object's drawing may reach: its rectangle widened by the parts drawn outside it
// (shadow, pen, focus ring, the frame of a platform control), and the union of these bounds
// over an object list. What is invalidated and redrawn for an object is this rectangle.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Flag bit of an object drawn with a focus ring.
constexpr u32 spotfocushilite = 1u << 28;

// The drawing bounds of an object; an empty rectangle without one. Sides that would pass the
// 16-bit plane stop at its edge.
void lowcalc(const spot* object, Rect* out);
// The drawing bounds of object `index` of an object list; an empty rectangle without a list
// or for an index the list does not hold.
void calcspot(Handle list, i16 index, Rect* out);
// The union of the drawing bounds of the chosen objects of a list, in list order: selector 0
// the unselected objects, 1 the selected ones, 2 all. With none chosen the result is
// (32767, 32767, -32768, -32768), whose bottom right lies above and left of its top left.
void calcbounds(Handle list, Rect* out, i16 selector);

// A rectangle grown by `by` on every side (shrunk for a negative `by`), computed in 32 bits
// and kept within the 16-bit plane.
Rect growrect(const Rect& r, i32 by);

}  // namespace kv
