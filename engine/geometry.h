// Geometry services over the drawing layer's types that commands, properties, rendering and
// tools share: rectangle arithmetic, fitting and centring, picture quads, polygon rotation and
// regions, the counted screen lock, remapping object colours between colour tables, and a
// random number in a range.
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
// Writes the frame of a picture (bytes 2-9 of its data, big-endian).
void QDSetPictureBounds(PicHandle pic, const Rect& r);

// --- Polygons --------------------------------------------------------------------------------
// A new polygon: the points rotated by `degrees` about the centre of the bounding rectangle
// (not closed back to the first point); none for a polygon without points or out of memory.
PolyHandle rotatepoly(PolyHandle poly, i32 degrees);
// A new region of the polygon's outline, closed back to its first point (captured in the
// current port); the caller disposes of it.
RgnHandle polytorgn(PolyHandle poly);

// --- Screen lock -----------------------------------------------------------------------------
// The first lock freezes the screen; answers the count of locks.
i16 lockscreen();
// Takes one lock off; the last lets the screen through again. True when no lock remains (an
// unlock without a lock changes nothing).
bool unlockscreen();

// --- Colours ---------------------------------------------------------------------------------
// While `remapColor` is on, remaps the colour indexes of objects [first, end) of an object list
// from the source colour table to the current one (the global current table, else the current
// port's): colour bitmaps pixel by pixel, groups through their own objects, any other object
// its four colour bytes.
void changecolor(Handle list, i32 first, i32 end, CTabHandle source);

// --- Numbers ---------------------------------------------------------------------------------
// A random integer from 1 to n (1 for n below 1): 1 + the truncation of |Random()| x n / 32768.
i32 randomrange(i32 n);

}  // namespace kv
