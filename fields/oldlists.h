// The older list interface: a list with a vertical scroll bar in the current port's window,
// whose rows each carry a 32-bit id (kept in a handle, one per row), selecting one row at a
// time. Nothing in the program calls it; it is kept for what may.
#pragma once

#include "platform/lists/lists.h"
#include "platform/types.h"

namespace kv {

struct oldlist {
  ListHandle list = nullptr;
  Handle ids = nilhandle;  // u32 per row
};

// Makes the list in `r` (its height cut to whole cells of the port's font plus 2): false when
// it cannot be made.
bool initlist(const Rect& r, oldlist* out);
void dumplist(oldlist* l);
// Empties the list.
void purgelist(oldlist* l);
// Invalidates the list's view and frame in its window.
void invalist(const oldlist& l);
// Appends a row with its id.
OSErr addlist(oldlist* l, ConstStringPtr text, u32 id);
// Sorts the rows by their text (international order), each keeping its id.
void orderlist(oldlist* l);
i16 compare(ConstStringPtr a, ConstStringPtr b);
// A click: 3 when no row is selected after it, 4 for a double click, 2 when another row was
// selected, 1 for the same row.
i16 hitlist(oldlist* l, Point pt, u16 modifiers);
// Draws the rows and the theme list-box frame.
void drawlist(const oldlist& l);
// Selects the row of an id and scrolls it into view: false for an id no row has.
bool selectmem(oldlist* l, u32 id);
void setlistidtext(oldlist* l, u32 id, ConstStringPtr text);
// The selected row's id (0 for none), index (-1 for none) and text; setseltext replaces it.
u32 getselid(const oldlist& l);
i16 getselidx(const oldlist& l);
void getseltext(const oldlist& l, StringPtr text);
void setseltext(oldlist* l, ConstStringPtr text);

}  // namespace kv
