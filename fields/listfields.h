// List fields: the live list of a field of style 302 or 303 (a list registry id in the field's
// runtime slot), its rows made from the stored text, its cells, drawing and clicks.
#pragma once

#include <cstddef>

#include "platform/lists/lists.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Makes the field's list in the current window from its text, or with `reuse` refills the one
// it has. Without a window in the current context only a debug message is written.
void forcelistload(spot& object, i16 reuse);
// Switches a field between text and list: with `makelist` it takes `newstyle` and a new list,
// without it loses its list.
void setlistmode(spot& object, bool makelist, u16 newstyle);
// The list's cell size from the text's font (measured once per font) and its view from the
// field's rectangle.
void setcellsize(spot& object);
// Draws a real scroll bar for a scrolling list field (303) into the current port from its
// list's scroll state, active or inactive: a control of the current window made, drawn and
// disposed at once (for card images, where the list's own parked bar cannot be recorded).
void drawlistbarimage(const spot& s, bool active);
// Draws a list field's rows (making its list when it has none), its frame and the scroll bar of
// style 303 into the current port.
void drawthelist(spot& object);
// Resets every list field of the current card and background (first row, nothing selected),
// and those of one object list.
void cleanlist();
void cleanspots(Handle list);
// A list of the field's rows without a scroll bar, for a field that has no live list; the
// caller disposes of it. Null when none can be made or the field has a live list.
ListHandle fudgealistrec(spot& object);
// The list definition of list fields and script dialogs: draws a cell's text, cut with an
// ellipsis when it is too wide, hilited when selected.
void MyListDefinition(i16 message, bool selected, const Rect* cellRect, Cell cell, const u8* data, i16 length,
                      ListHandle list);

// The field's live list (null for none), its view rectangle, and the number of font
// measurements made for cell sizes so far.
ListHandle fieldlisthandle(const spot& object);
Rect listviewrect(const spot& object);
u64 listcellmeasurements();

// Whether the field has a live list (its rows loaded).
bool haslivelist(const spot& object);
// The selected rows of the field's live list, 0-based and in order, appended to `rows` as i32
// entries: true, or false when the field has no live list.
bool listselectedrows(const spot& object, Handle rows);
// The text of a row's cell of the live list, at most `limit` bytes, into `buffer`: its length,
// or -1 when there is no such cell.
i32 listcelltext(const spot& object, i32 row, u8* buffer, i32 limit);

// Installs the store's live-part entries of list fields (after the text engine's): releasing
// a field disposes of its list or text record, leaving list mode disposes of the list, and a
// replaced text reloads the rows.
void installlistliveparts();

}  // namespace kv
