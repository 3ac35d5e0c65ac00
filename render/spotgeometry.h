// Where objects lie on an oval, and the mapping of an object from its rectangle onto a new one
// (moving, resizing, scaling with a group).
//
// Angles are whole degrees clockwise from 12 o'clock; an angle above 359 is reduced by 360
// until it lies in 0..359, a negative one is used as it is.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The point on the oval of a rectangle at an angle.
void arcpoint(const Rect& oval, i16 angle, Point* out);
// The bounds of the wedge of an oval from `start` over `arc` degrees: its centre, the points
// at both ends and the extreme points of the oval at every right angle the wedge passes.
void arcbounds(const Rect& oval, i16 start, i16 arc, Rect* out);
// A bitmap graphic's pixels (rows as tall and wide as its rectangle) as a map the drawing
// layer reads: 1-bit rows, or 8-bit rows of colour indexes into `table`.
PixMap bitmapmap(Ptr base, const Rect& r, bool colour, CTabHandle table);
// The oval rectangle of an arc graphic: the two corner points kept in its kind tail.
Rect arcoval(const spot& s);
// Maps an arc's own oval from one rectangle onto another (its kind tail changes); the new oval.
Rect maparcoval(spot& s, const Rect& from, const Rect& to);

// Maps object `index` of a list onto a new rectangle, by its style; with `scale` a bitmap's
// pixels are scaled to the new size (otherwise kept, cropped or extended). Nothing for an
// index outside the list. 0, or 37 when a resized bitmap's new pixels cannot be had (it then
// keeps its pixels and rectangle).
i16 mapspot(Handle list, i32 index, const Rect& newrect, bool scale);

}  // namespace kv
