// Inside the drawing layer: the pixels of shapes, as regions in local coordinates. Pixels are
// sampled at their centres, and boundaries count as inside on both sides, so shapes that are
// symmetric come out symmetric.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/qd/regionimpl.h"

namespace kv {

struct EdgeF {
  double x1, y1, x2, y2;
};

// The pixels the builders below may leave out: only those inside `within` are built, so the
// cost of a shape is bounded by the part of it that can be seen, however large the shape.
// The default reaches every pixel a shape can have.
struct PixelBounds {
  i32 left = INT32_MIN / 4, top = INT32_MIN / 4, right = INT32_MAX / 4, bottom = INT32_MAX / 4;
};

RegionData ovalregion(const Rect& r, const PixelBounds& within = {});
RegionData rrectregion(const Rect& r, i32 ovalwidth, i32 ovalheight, const PixelBounds& within = {});
// The part of the oval of r inside the wedge from startangle over arcangle (degrees,
// clockwise from 12 o'clock, measured on the rectangle so its corners lie at 45 degrees).
RegionData arcregion(const Rect& r, i32 startangle, i32 arcangle, const PixelBounds& within = {});
// Restricts a region to the wedge of an arc of r.
void clipwedge(RegionData& rgn, const Rect& r, i32 startangle, i32 arcangle);
// Even-odd fill of closed outlines given as edges.
RegionData edgefill(const std::vector<EdgeF>& edges, const PixelBounds& within = {});
RegionData polyregion(const std::vector<Point>& pts, const PixelBounds& within = {});
// The pixels a pen of width x height covers when drawn from a to b (end points included);
// the pen hangs below and right of each point.
RegionData lineregion(Point a, Point b, i32 penwidth, i32 penheight, const PixelBounds& within = {});
// The band of a shape that a frame with the pen covers: its pixels less those farther than
// the pen width from its left and right edges and the pen height from its top and bottom.
RegionData frameof(const RegionData& shape, i32 penwidth, i32 penheight);

// The smallest rectangle whose corners hold every point ((0,0,0,0) for none).
Rect pointsbounds(const std::vector<Point>& pts);

// The angle of a point seen from the centre of a rectangle (whole degrees, 0-359).
i16 pointangle(const Rect& r, Point pt);

}  // namespace kv
