// Geometry over the drawing layer's types that commands, properties, rendering and tools
// share: rectangle arithmetic, fitting and centring, quads, polygon rotation, and a random
// number in a range. (Picture frames, polygon regions, the screen lock and object colours are
// drawing: render/drawservices.h.)
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// --- Rectangles ----------------------------------------------------------------------------
// True when left > right or top > bottom.
bool BogusRect(const Rect& r);
// True when all four corners of the inner rectangle lie inside the outer one (PtInRect: a
// corner on the outer's bottom or right side is outside).
bool rectinrect(const Rect& inner, const Rect& outer);
bool EqualLongRect(const LongRect& a, const LongRect& b);
// Width, height and centre (halves by arithmetic shift).
void getrectinfo(const Rect& r, i16* width, i16* height, i16* hcentre, i16* vcentre);
// Scales about the centre: each side moves by (size - size x factor) / 2, truncated toward
// zero (and kept within 16 bits).
void scalerect(Rect* r, double factor);
// Centres the inner rectangle on each axis where the outer one is larger.
void MyCenterRectInRect(Rect* inner, const Rect& outer);
// Scales a size to the box keeping its proportions: with fit the result lies inside the box,
// without it covers the box. A box without area leaves the size alone.
void MyProportionallyScale(i16* width, i16* height, i16 boxwidth, i16 boxheight, bool fit);

// --- Quads -----------------------------------------------------------------------------------
// A point in 16.16 fixed point, horizontal first.
struct FixedPoint {
  Fixed x, y;
};
// The smallest rectangle holding the four points of a quad.
void getquadbounds(const Point quad[4], Rect* bounds);
// The source quad (the rectangle's corners clockwise from top-left) and the destination quad
// (the quad's points in their order) in fixed point.
void initquads(const Rect& r, const Point quad[4], FixedPoint src[4], FixedPoint dst[4]);

// --- Polygons --------------------------------------------------------------------------------
// A new polygon: the points rotated by `degrees` about the centre of the bounding rectangle
// (not closed back to the first point); none for a polygon without points or out of memory.
PolyHandle rotatepoly(PolyHandle poly, i32 degrees);

// --- Numbers ---------------------------------------------------------------------------------
// A random integer from 1 to n (1 for n below 1): 1 + the truncation of |Random()| x n / 32768.
i32 randomrange(i32 n);

}  // namespace kv
