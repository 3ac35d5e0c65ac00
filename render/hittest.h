// Hit testing: whether a point (card coordinates) lies in one object, by its style and its
// fill and pen, with a slop of 2 pixels around its rectangle and a tolerance around lines.
// With the browse tool a picture graphic may let a click pass through its transparent parts.
// The callers walk the object lists and choose the order.
#pragma once

#include "platform/qd/icons.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// 1 when the point hits the object, else 0. An invisible object is never hit unless the
// current window shows invisible objects.
i16 lowinspot(const spot& object, Point pt);
// lowinspot of object `index` of a list; 0 without a list or for an index it does not hold
// (procedure-table slot 83).
i16 ptinspot(Handle list, i16 index, Point pt);
// 1 when the point lies in the icon of an icon-family button face, laid out as the face draws
// it (with the name's font when the button shows a name); 0 without an icon reference.
i16 testicnsbtn(Point pt, const spot& object, IconRef icon);
// 1 when a click at the point passes through the picture graphic to what lies behind it.
i16 passclickthruspot(const spot& object, Point pt);

}  // namespace kv
