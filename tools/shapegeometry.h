// Shape geometry shared by the drawing, paint and pointer tools: a drag constrained to one
// axis or to a square, a proportional resize, and the stepping of a simulated drag.
#pragma once

#include "platform/types.h"

namespace kv {

// With Shift held now, makes the rectangle a square of its smaller side, the corner at the
// anchor kept.
void shiftrect(Rect* r, Point anchor, Point mouse);
// With Shift held now (or `force`), puts the point on the horizontal through the anchor when
// their rectangle is wider than high, else on the vertical.
void shiftpoint(Point anchor, Point* pt, bool force);
// The axis lock of a drag. *axis (0 at the start of the drag) is decided once Shift is held
// in the current event and the point is more than a pixel from the anchor: 1 vertical
// movement only, 2 horizontal only; a decided axis holds for the rest of the drag.
void constrain(Point anchor, Point* pt, i16* axis);
// A resize: with Shift and Command held in the current event, the point keeps the proportions
// of the rectangle of anchor and reference point (a rectangle without width or height falls
// back to the axis lock); otherwise the axis lock against the reference point.
void procon(Point anchor, Point reference, Point* pt, i16* axis);
// Advances *pt by `step` pixels along the line from start to end (along its major axis, the
// other coordinate on the line) and not past the end. 0 once the end is reached, and at once
// when start and end are the same point.
i16 stepoint(Point start, Point end, Point* pt, i16 step);

}  // namespace kv
