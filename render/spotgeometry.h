// The mapping of an object from its rectangle onto a new one (moving, resizing, scaling with a
// group).
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Maps object `index` of a list onto a new rectangle, by its style. Nothing for an index
// outside the list.
void mapspot(Handle list, i32 index, const Rect& newrect, bool scale);

}  // namespace kv
