// Creation by dragging: the drawing, button and field tools drag out a new object from the
// click point into the target object list. Each answers 0 for a new object (appended as the
// last of the list), -993 (toolmadenothing, tools/paint.h) when nothing was made, or a script
// error.
#pragma once

#include "platform/types.h"

namespace kv {

i16 createdrawtext(Handle list, Point pt);
// A straight line (straight 1) or a line (0).
i16 createdrawline(Handle list, Point pt, i16 straight);
// A rectangle (1), round rectangle (2) or oval (3).
i16 createdrawrect(Handle list, Point pt, i16 shape);
i16 createdrawpoly(Handle list, Point pt);
i16 createdrawarc(Handle list, Point pt);
i16 createdrawfree(Handle list, Point pt);
// A button of the given kind (the button tool's number less 400, with the exceptions of the
// tool table).
i16 createbutrect(Handle list, Point pt, i16 kind);
i16 createbutpoly(Handle list, Point pt);
// A field of the field tool's number (500-503), or 1 for a rectangle field.
i16 createfieldrect(Handle list, Point pt, i16 tool);

}  // namespace kv
