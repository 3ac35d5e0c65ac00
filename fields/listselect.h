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

// The rows of the field's live list in view: the first one shown (0-based), how many are shown
// and whether the last of them is cut off. False when the field has no live list.
struct listwindow {
  i32 first = 0;
  i32 shown = 0;
  bool partial = false;
};
bool listvisiblerows(const spot& object, listwindow* rows);
// Scrolls the field's live list so that row `first` is the first shown.
void listscrollto(const spot& object, i32 first);
// Scrolls the field's live list until its first selected row is shown.
void listshowselection(const spot& object);
// Draws the field's live list in its window's port, and its scroll bar with `scrollbar`.
void listredraw(const spot& object, bool scrollbar);

}  // namespace kv
