// Regions: arbitrary sets of pixels kept as band-structured lists of rectangles.
//
// A region is named by a typed registry id (RgnHandle). Every routine checks the id; an id
// that names no live region is ignored (answers are empty / false). Coordinates are 16-bit
// as everywhere in the drawing layer; results are clipped to the 16-bit plane.
#pragma once

#include <vector>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using RgnHandle = RegistryId;

// Creation and disposal. NewRgn answers an empty region, or 0 when no region can be made.
RgnHandle NewRgn();
void DisposeRgn(RgnHandle rgn);
bool IsValidRgn(RgnHandle rgn);

// Setting a region's contents.
void SetEmptyRgn(RgnHandle rgn);
void SetRectRgn(RgnHandle rgn, i16 left, i16 top, i16 right, i16 bottom);
void RectRgn(RgnHandle rgn, const Rect& r);
void CopyRgn(RgnHandle src, RgnHandle dst);

// Set operations; dst may be one of the sources.
void UnionRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst);  // a minus b
void XorRgn(RgnHandle a, RgnHandle b, RgnHandle dst);

// Moves the region; shrinks it by dh on the left and right and dv on the top and bottom
// (negative values grow it).
void OffsetRgn(RgnHandle rgn, i16 dh, i16 dv);
void InsetRgn(RgnHandle rgn, i16 dh, i16 dv);

// Queries. PtInRgn tests the pixel whose top-left corner is the point; RectInRgn whether
// the rectangle and the region share a pixel.
bool EmptyRgn(RgnHandle rgn);
bool EqualRgn(RgnHandle a, RgnHandle b);
bool PtInRgn(Point pt, RgnHandle rgn);
bool RectInRgn(const Rect& r, RgnHandle rgn);
bool IsRegionRectangular(RgnHandle rgn);
// The bounding box ((0,0,0,0) for an empty region); answers bounds.
Rect* GetRegionBounds(RgnHandle rgn, Rect* bounds);
Rect regionbounds(RgnHandle rgn);

// The region's rectangles in band order (top to bottom, left to right).
std::vector<Rect> regionrects(RgnHandle rgn);
// Number of live regions (tests use it to find leaks).
std::size_t liveregioncount();

}  // namespace kv
