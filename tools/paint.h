// The paint tools (300-314) as the tool dispatcher calls them, and the end of a paint session.
// Each tool takes the target object list and the click point and answers 0 (the card was
// painted), -992 (painting made a new bitmap object, the last of the list), -993 (nothing
// was painted) or a script error.
#pragma once

#include "platform/types.h"

namespace kv {

enum : i16 { paintnewbitmap = -992, toolmadenothing = -993 };

// Brush (1) or spray (2).
i16 genericbrush(Handle list, Point pt, i16 mode);
i16 dobucket(Handle list, Point pt);
// Eraser (1) or pencil (2).
i16 genericpen(Handle list, Point pt, i16 mode);
i16 dolasso(Handle list, Point pt);
i16 genericline(Handle list, Point pt);
// Curve, polygon and regular polygon.
i16 genericpoly(Handle list, Point pt);
// Rectangle (1), round rectangle (2) or oval (3).
i16 genericrect(Handle list, Point pt, i16 shape);
i16 doselect(Handle list, Point pt);
i16 dotext(Handle list, Point pt);

// Closes the paint session: the status of "closePaint", 0 when no session is open.
i16 putdownbmap();
// Commit a paint text, a lasso selection and a rectangular selection into the image.
void killtext();
void killasso();
void killselect();
// A key while painting (when the session takes keys), and the session's idle time.
bool bmapwantskeys();
void bmapkey(u8 c);
void bmapidle();

}  // namespace kv
