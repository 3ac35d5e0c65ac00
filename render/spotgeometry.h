// Where objects lie: the drawing bounds of an object (what its drawing may touch; what is
// invalidated and tested against the visible region), and the mapping of an object from its
// rectangle onto a new one (moving, resizing, scaling with a group).
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The drawing bounds of an object; an empty rectangle for none.
void lowcalc(const spot* s, Rect* out);
// lowcalc of object `index` of a list; an empty rectangle without a list or for an index
// outside it.
void calcspot(Handle list, i32 index, Rect* out);

// Maps object `index` of a list onto a new rectangle, by its style. Nothing for an index
// outside the list.
void mapspot(Handle list, i32 index, const Rect& newrect, bool scale);

}  // namespace kv
