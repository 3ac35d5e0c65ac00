#include "engine/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/random.h"
#include "platform/qd/shapes.h"
#include "store/records.h"

namespace kv {

namespace {

// A coordinate truncated toward zero and kept within 16 bits (NaN becomes 0).
i16 coord(double v) {
  if (std::isnan(v)) return 0;
  return i16(std::clamp(std::trunc(v), -32768.0, 32767.0));
}

}  // namespace

// --- Rectangles ----------------------------------------------------------------------------

bool BogusRect(const Rect& r) { return r.left > r.right || r.top > r.bottom; }

bool rectinrect(const Rect& inner, const Rect& outer) {
  const Point corners[4] = {{inner.top, inner.left},
                            {inner.top, inner.right},
                            {inner.bottom, inner.right},
                            {inner.bottom, inner.left}};
  return std::all_of(std::begin(corners), std::end(corners), [&](Point p) { return PtInRect(p, &outer); });
}

bool EqualLongRect(const LongRect& a, const LongRect& b) { return a == b; }

void getrectinfo(const Rect& r, i16* width, i16* height, i16* hcentre, i16* vcentre) {
  *width = i16(r.right - r.left);
  *height = i16(r.bottom - r.top);
  *hcentre = i16((r.left + r.right) >> 1);
  *vcentre = i16((r.top + r.bottom) >> 1);
}

void scalerect(Rect* r, double factor) {
  if (!std::isfinite(factor)) return;
  auto axis = [factor](i16& low, i16& high) {
    const double size = double(high) - double(low);
    const double d = (size - size * factor) / 2;
    const double lo = double(low) + d, hi = double(high) - d;
    low = coord(lo);
    high = coord(hi);
  };
  Rect s = *r;
  axis(s.top, s.bottom);
  axis(s.left, s.right);
  *r = s;
}

void MyCenterRectInRect(Rect* inner, const Rect& outer) {
  const i32 ih = inner->bottom - inner->top, iw = inner->right - inner->left;
  if (outer.bottom - outer.top > ih) {
    inner->top = i16((outer.top + outer.bottom) / 2 - ih / 2);
    inner->bottom = i16(inner->top + ih);
  }
  if (outer.right - outer.left > iw) {
    inner->left = i16((outer.left + outer.right) / 2 - iw / 2);
    inner->right = i16(inner->left + iw);
  }
}

void MyProportionallyScale(i16* width, i16* height, i16 boxwidth, i16 boxheight, bool fit) {
  if (boxwidth <= 0 || boxheight <= 0) return;
  const float rw = float(*width) / float(boxwidth);
  const float rh = float(*height) / float(boxheight);
  const float r = fit ? std::max(rw, rh) : std::min(rw, rh);
  if (!(r > 0.0f)) return;
  *width = coord(double(float(*width) / r));
  *height = coord(double(float(*height) / r));
}

// --- Quads -----------------------------------------------------------------------------------

void getquadbounds(const Point quad[4], Rect* bounds) {
  Rect b{quad[0].v, quad[0].h, quad[0].v, quad[0].h};
  for (int i = 1; i < 4; ++i) {
    b.top = std::min(b.top, quad[i].v);
    b.left = std::min(b.left, quad[i].h);
    b.bottom = std::max(b.bottom, quad[i].v);
    b.right = std::max(b.right, quad[i].h);
  }
  *bounds = b;
}

void initquads(const Rect& r, const Point quad[4], FixedPoint src[4], FixedPoint dst[4]) {
  src[0] = {Long2Fix(r.left), Long2Fix(r.top)};
  src[1] = {Long2Fix(r.right), Long2Fix(r.top)};
  src[2] = {Long2Fix(r.right), Long2Fix(r.bottom)};
  src[3] = {Long2Fix(r.left), Long2Fix(r.bottom)};
  for (int i = 0; i < 4; ++i) dst[i] = {Long2Fix(quad[i].h), Long2Fix(quad[i].v)};
}

// --- Polygons --------------------------------------------------------------------------------

PolyHandle rotatepoly(PolyHandle poly, i32 degrees) {
  const std::vector<Point> pts = polypoints(poly);
  if (pts.empty()) return 0;
  const PolygonHeader head = loadat<PolygonHeader>(deref(poly));
  const i32 ch = (head.polyBBox.left + head.polyBBox.right) >> 1;
  const i32 cv = (head.polyBBox.top + head.polyBBox.bottom) >> 1;
  // Quarter turns are exact, so a rectangle turned by 90 degrees stays on whole pixels.
  double c, s;
  switch (((degrees % 360) + 360) % 360) {
    case 0: c = 1, s = 0; break;
    case 90: c = 0, s = 1; break;
    case 180: c = -1, s = 0; break;
    case 270: c = 0, s = -1; break;
    default: {
      const double a = double(degrees) * std::numbers::pi / 180.0;
      c = std::cos(a);
      s = std::sin(a);
    }
  }
  std::vector<Point> out;
  out.reserve(pts.size());
  for (Point p : pts) {
    const double h = p.h - ch, v = p.v - cv;
    out.push_back(Point{coord(std::trunc(s * h + c * v) + cv), coord(std::trunc(c * h - s * v) + ch)});
  }
  return newpolygon(out);
}

// --- Numbers ---------------------------------------------------------------------------------

i32 randomrange(i32 n) {
  if (n < 1) return 1;
  const double r = std::abs(double(Random()));
  return 1 + i32(r * double(n) / 32768.0);
}

}  // namespace kv
