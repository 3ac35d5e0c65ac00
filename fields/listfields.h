// List fields: the live list of a field of style 302 or 303, its rows, cells and drawing.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Loads a list field's rows into its live list in the current window, making the list when
// it has none (with `reuse` an existing list is kept).
void forcelistload(spot& object, i16 reuse);
// Whether the field has a live list (its rows loaded).
bool haslivelist(const spot& object);
// The selected rows of the field's live list, 0-based and in order, appended to `rows` as i32
// entries: true, or false when the field has no live list.
bool listselectedrows(const spot& object, Handle rows);
// The text of a row's cell of the live list, at most `limit` bytes, into `buffer`: its length,
// or -1 when there is no such cell.
i32 listcelltext(const spot& object, i32 row, u8* buffer, i32 limit);

}  // namespace kv
