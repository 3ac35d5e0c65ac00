// List fields: the live list of a field of style 302 or 303, its rows, cells and drawing.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Loads a list field's rows into its live list in the current window, making the list when
// it has none (with `reuse` an existing list is kept).
void forcelistload(spot& object, i16 reuse);

}  // namespace kv
