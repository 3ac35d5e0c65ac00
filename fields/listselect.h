// The selection of the rows of a list field's live list, row by row.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The number of rows of the field's live list; -1 when the field has no live list.
i32 listrowcount(const spot& object);
// Selects (or deselects) row `row` (0-based) of the field's live list; nothing for a row the
// list does not have.
void listselectrow(const spot& object, i32 row, bool selected);

}  // namespace kv
