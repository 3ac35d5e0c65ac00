// The object tools: picking, moving and reshaping objects with the universal, pointer, field,
// button and graphic tools.
#pragma once

#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// The object kinds the picking tools name: graphics, buttons, fields, or any kind.
enum : i16 { pickgraphics = 0, pickbuttons = 1, pickfields = 2, pickany = 4 };

// A click of a picking tool on objects of a kind: 0, a script error or the last message's
// result.
i16 hyperclick(i16 kind, Point pt);
// A click of the pointer tool on an object list: a knob reshapes its object, a click on an
// object selects (with Shift adds or removes) and drags the selection, a click on nothing
// draws a selection rectangle.
i16 selectspot(Handle list, Point pt);

// The knob of object `index` under a point: the object's knob shape (0 none, always for a
// locked or unselected object), the knob's number in *handle (corners 1-4 from the top left
// clockwise, a polygon's point from 0, a line's or an arc's ends 1 and 2).
i16 ptinhand(Handle list, i16 index, Point pt, i16* handle);
// The topmost object of the kind under a point is selected alone and dragged, or told of a
// double click; *found 1 when there was one.
i16 hyperdrag(Handle list, i16 kind, Point pt, i16* found);
// "pointerDown" to the object, then the list's selected objects follow the mouse as outlines
// and, on release, move by the mouse's offset (locked objects stay). 0 when the mouse never
// moved, -1 when moved, or a script error.
i16 dragspot(Handle list, i16 index, Point pt);
// Outlines of the selected, unlocked objects of a list moved by current - start.
void dragutil(Handle list, Point start, Point current);
// The outline of object `index` as if its bounds were `r`, in the current pen.
void displayspot(Handle list, i16 index, const Rect& r);

// A rectangle moved by an offset computed in 32 bits, its sides kept within the 16-bit plane.
Rect offsetclamped(const Rect& r, i32 dh, i32 dv);
// The pen of the tools' outlines: 1 by 1, grey pattern, exclusive-or.
void objectpen();

// Whether a drop arrived in a project window since the object tools last looked.
struct ObjectDropState {
  i16 dropreceived;  // a drop arrived in a project window (the object tools clear it before
                     // a click and skip a move after "pointerDown" when it is set)
};
inline ObjectDropState& objectdropstate() { return state<ObjectDropState>(); }

}  // namespace kv
