// The List Manager of our platform model: one-column lists of byte rows with a selection flag
// each, a list definition procedure that draws the cells, a vertical scroll bar of the Control
// Manager that carries the first visible row, searching with a match procedure, scrolling,
// drawing on and off, and activation. Coordinates are the owning window port's.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/controls/controls.h"

namespace kv {

struct Cell {
  i16 h = 0;
  i16 v = 0;
};

struct ListRec;
using ListHandle = ListRec*;

// Messages of a list definition procedure.
enum : i16 { lInitMsg = 0, lDrawMsg = 1, lHiliteMsg = 2, lCloseMsg = 3 };
// The list definition procedure: draws the cell at `cellRect` (data `data`, `length` bytes).
using ListDefProcPtr = void (*)(i16 message, bool selected, const Rect* cellRect, Cell cell, const u8* data, i16 length,
                                ListHandle list);
// A match procedure of LSearch: 0 when the cell's bytes match the searched ones.
using ListSearchProcPtr = i16 (*)(const u8* cellData, const u8* searchData, i16 cellLength, i16 searchLength);

// A list of `rows` empty rows in `view` (the scroll bar, when asked for, lies outside it along
// the right edge), each row `cellHeight` tall, drawn by `ldef` (nothing drawn when null).
ListHandle LNew(const Rect* view, i16 rows, i16 cellHeight, WindowRef window, bool drawIt, bool hasVScroll,
                ListDefProcPtr ldef);
void LDispose(ListHandle list);

// Rows: LAddRow inserts `count` empty rows before `rowNum` (clamped to the end) and answers
// the first new row; LDelRow removes `count` rows from `rowNum` (all rows when count is 0).
i16 LAddRow(i16 count, i16 rowNum, ListHandle list);
void LDelRow(i16 count, i16 rowNum, ListHandle list);
void LSetCell(const void* data, i16 length, Cell cell, ListHandle list);
// Copies at most *length bytes of the cell and sets *length to the bytes copied.
void LGetCell(void* data, i16* length, Cell cell, ListHandle list);

// Selection: LGetSelect with `next` finds the first selected cell at or after *cell (true and
// *cell set), without it tells whether *cell is selected.
void LSetSelect(bool setIt, Cell cell, ListHandle list);
bool LGetSelect(bool next, Cell* cell, ListHandle list);

// Scrolling by rows within the scroll range (0 .. rows - visible rows); LAutoScroll brings
// the first selected cell into view. Both redraw while drawing is on.
void LScroll(i16 dCols, i16 dRows, ListHandle list);
void LAutoScroll(ListHandle list);

// Drawing: switching it on again does not redraw; LUpdate draws the visible cells.
void LSetDrawingMode(bool drawIt, ListHandle list);
void LUpdate(ListHandle list);
void LActivate(bool active, ListHandle list);

// The first cell at or after *cell whose bytes match `data` by `match` (an exact byte
// comparison when null): true and *cell set when found.
bool LSearch(const void* data, i16 length, ListSearchProcPtr match, Cell* cell, ListHandle list);

// The list's geometry: the data bounds (rows in .bottom, one column), the visible cells
// (rows top .. bottom, bottom exclusive), the cell size, the view and the scroll bar (nilid
// without one).
Rect LGetDataBounds(ListHandle list);
Rect LGetVisible(ListHandle list);
Rect LGetView(ListHandle list);
ControlRef LGetVerticalScrollBar(ListHandle list);
bool LGetActive(ListHandle list);
WindowRef LGetWindow(ListHandle list);

// Selection flags: one row at most, extending by dragging, no disjoint (command) selection, no
// extending (shift), ...
enum : u8 {
  lOnlyOne = 0x80,
  lExtendDrag = 0x40,
  lNoDisjoint = 0x20,
  lNoExtend = 0x10,
  lNoRect = 0x08,
  lUseSense = 0x04,
  lNoNilHilite = 0x02
};
void LSetSelFlags(u8 flags, ListHandle list);
u8 LGetSelFlags(ListHandle list);
// The cell size (v the height, h the width; a width of 0 spans the view) and the text indent
// the list definition reads.
void LSetCellSize(Point size, ListHandle list);
Point LGetCellSize(ListHandle list);
void LSetIndent(Point indent, ListHandle list);
Point LGetIndent(ListHandle list);
// A new view rectangle; the scroll bar moves along its right edge.
void LSetViewRect(const Rect* view, ListHandle list);

// A mouse-down at `pt`: in the scroll bar it tracks the bar; in a row it selects it (shift
// extends the selection, command toggles the row, as the selection flags allow) and, with
// `track`, follows the pointer until the button goes up. The last click becomes the cell under
// the point (a row past the last, or v = -1 outside the view) at the current tick. True for a
// second click on the same row within the double-click time.
bool LClick(Point pt, u16 modifiers, bool track, ListHandle list);
Cell LLastClick(ListHandle list);
void LSetClickTime(u32 ticks, ListHandle list);
u32 LGetClickTime(ListHandle list);

// The list's registry id (what a record keeps in a 32-bit slot), the list an id names (null
// when it names none) and the number of lists alive.
RegistryId LGetRef(ListHandle list);
ListHandle LFromRef(RegistryId ref);
std::size_t LCountLists();

}  // namespace kv
