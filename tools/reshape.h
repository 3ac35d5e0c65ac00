// The pointer tool's reshaping of one graphic by a handle: a polygon's point moved or the whole
// polygon rotated about its centre, an arc's end moved. Each tracks the mouse (real or
// simulated) with exclusive-or feedback, stores the new geometry in the object record,
// invalidates the object's old and new areas and serves the window's update; each answers 0.
#pragma once

#include "platform/types.h"

namespace kv {

// Moves point `point` (from 0) of the polygon of object `index` to the mouse.
i16 sizepoly(Handle list, i16 index, Point click, i16 point);
// Rotates the polygon of object `index` by the angle the mouse turns about its centre.
i16 rotspot(Handle list, i16 index, Point click);
// Moves one end of an arc (handle 1 its start, 2 its far end); the other end stays. A drag back
// across the fixed end by more than a quarter turn reverses the arc instead of sweeping
// round the circle.
i16 shapearc(Handle list, i16 index, Point click, i16 handle);

}  // namespace kv
