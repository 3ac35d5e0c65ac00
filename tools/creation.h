// Creation by dragging: the drawing, button and field tools drag out a new object from the
// click point into the target object list, with a rubber-band outline in the pen the tool
// dispatcher set (1-pixel grey, exclusive-or). Each answers 0 for a new object (appended as the
// last of the list), -993 (toolmadenothing, tools/paint.h) when nothing was made, 37 when the
// memory guard refused, or 66 for a polygon that came out empty.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// A text graphic dragged out one line high, then typed into; a click on a text graphic starts
// typing in it instead and makes nothing.
i16 createdrawtext(Handle list, Point pt);
// A line kept horizontal or vertical always (straight 1), else only with Shift (0).
i16 createdrawline(Handle list, Point pt, i16 straight);
// A rectangle (1), round rectangle (2) or oval (3), a square or circle with Shift.
i16 createdrawrect(Handle list, Point pt, i16 shape);
// A polygon clicked out point by point.
i16 createdrawpoly(Handle list, Point pt);
// A quarter arc from the click to the mouse.
i16 createdrawarc(Handle list, Point pt);
// A polygon following the mouse's path.
i16 createdrawfree(Handle list, Point pt);
// A button of the given kind (the button tool's number less 400, with the exceptions of the
// tool table); with Option, the kinds that have a fixed size get it, centred on the mouse.
i16 createbutrect(Handle list, Point pt, i16 kind);
// A polygon button clicked out point by point, always closed.
i16 createbutpoly(Handle list, Point pt);
// A field of the field tool's number (500-503), or 1 for a rectangle field.
i16 createfieldrect(Handle list, Point pt, i16 tool);

// Appends a new object on top of the list and draws it: 0, or -993 when its rectangle is empty
// in both directions (the object is removed again with all it owns). 37 when the list cannot
// grow (the object's parts are freed).
i16 lastcreate(Handle list, const spot& object);

}  // namespace kv
