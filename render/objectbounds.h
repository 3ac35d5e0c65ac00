// Where an object's drawing may reach: its rectangle widened by the parts drawn outside it
// (shadow, pen, focus ring, the frame of a platform control). What is invalidated and redrawn
// for an object is this rectangle.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Flag bit of an object drawn with a focus ring.
constexpr u32 spotfocushilite = 1u << 28;

// The drawing bounds of an object; an empty rectangle without one.
void lowcalc(const spot* object, Rect* out);
// The drawing bounds of object `index` of an object list; an empty rectangle without a list
// or for an index the list does not hold.
void calcspot(Handle list, i16 index, Rect* out);

}  // namespace kv
