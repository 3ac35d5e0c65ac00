// Rectangle and point arithmetic, mapping between rectangles, and polygons.
#include <algorithm>
#include <cmath>

#include "platform/memory/memory.h"
#include "platform/qd/qdstate.h"
#include "platform/qd/shapegeom.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"

namespace kv {

namespace {
i16 clamp16(i32 v) { return i16(std::clamp(v, -32768, 32767)); }
}  // namespace

void SetRect(Rect* r, i16 left, i16 top, i16 right, i16 bottom) {
  if (r) *r = Rect{top, left, bottom, right};
}

void OffsetRect(Rect* r, i16 dh, i16 dv) {
  if (!r) return;
  *r = Rect{clamp16(r->top + dv), clamp16(r->left + dh), clamp16(r->bottom + dv), clamp16(r->right + dh)};
}

void InsetRect(Rect* r, i16 dh, i16 dv) {
  if (!r) return;
  *r = Rect{clamp16(r->top + dv), clamp16(r->left + dh), clamp16(r->bottom - dv), clamp16(r->right - dh)};
  if (r->left >= r->right || r->top >= r->bottom) *r = Rect{0, 0, 0, 0};
}

bool SectRect(const Rect* a, const Rect* b, Rect* dst) {
  if (!a || !b) return false;
  Rect r{std::max(a->top, b->top), std::max(a->left, b->left), std::min(a->bottom, b->bottom),
         std::min(a->right, b->right)};
  const bool hit = r.left < r.right && r.top < r.bottom;
  if (dst) *dst = hit ? r : Rect{0, 0, 0, 0};
  return hit;
}

void UnionRect(const Rect* a, const Rect* b, Rect* dst) {
  if (!a || !b || !dst) return;
  *dst = Rect{std::min(a->top, b->top), std::min(a->left, b->left), std::max(a->bottom, b->bottom),
              std::max(a->right, b->right)};
}

bool PtInRect(Point pt, const Rect* r) {
  return r && pt.h >= r->left && pt.h < r->right && pt.v >= r->top && pt.v < r->bottom;
}

bool EqualRect(const Rect* a, const Rect* b) { return a && b && *a == *b; }

bool EmptyRect(const Rect* r) { return !r || r->left >= r->right || r->top >= r->bottom; }

void Pt2Rect(Point a, Point b, Rect* dst) {
  if (dst) *dst = Rect{std::min(a.v, b.v), std::min(a.h, b.h), std::max(a.v, b.v), std::max(a.h, b.h)};
}

void SetPt(Point* pt, i16 h, i16 v) {
  if (pt) *pt = Point{v, h};
}
void AddPt(Point src, Point* dst) {
  if (dst) *dst = Point{clamp16(dst->v + src.v), clamp16(dst->h + src.h)};
}
void SubPt(Point src, Point* dst) {
  if (dst) *dst = Point{clamp16(dst->v - src.v), clamp16(dst->h - src.h)};
}
bool EqualPt(Point a, Point b) { return a == b; }

void PtToAngle(const Rect* r, Point pt, i16* angle) {
  if (r && angle) *angle = pointangle(*r, pt);
}

namespace {
// Maps a coordinate from [s0, s1) onto [d0, d1).
i16 mapcoord(i32 v, i32 s0, i32 s1, i32 d0, i32 d1) {
  if (s1 == s0) return clamp16(v - s0 + d0);
  return clamp16(d0 + i32(std::floor(double(v - s0) * (d1 - d0) / (s1 - s0))));
}
i16 scalelen(i32 v, i32 s, i32 d) { return s == 0 ? clamp16(v) : clamp16(i32(std::floor(double(v) * d / s))); }
}  // namespace

void MapPt(Point* pt, const Rect* src, const Rect* dst) {
  if (!pt || !src || !dst) return;
  pt->h = mapcoord(pt->h, src->left, src->right, dst->left, dst->right);
  pt->v = mapcoord(pt->v, src->top, src->bottom, dst->top, dst->bottom);
}

void ScalePt(Point* pt, const Rect* src, const Rect* dst) {
  if (!pt || !src || !dst) return;
  pt->h = scalelen(pt->h, src->right - src->left, dst->right - dst->left);
  pt->v = scalelen(pt->v, src->bottom - src->top, dst->bottom - dst->top);
}

void MapRect(Rect* r, const Rect* src, const Rect* dst) {
  if (!r || !src || !dst) return;
  Point tl{r->top, r->left}, br{r->bottom, r->right};
  MapPt(&tl, src, dst);
  MapPt(&br, src, dst);
  *r = Rect{tl.v, tl.h, br.v, br.h};
}

void MapRgn(RgnHandle rgn, const Rect* src, const Rect* dst) {
  RegionData* d = regiondata(rgn);
  if (!d || !src || !dst) return;
  int n = 0;
  const pixman_box32_t* b = d->boxes(&n);
  std::vector<pixman_box32_t> out;
  out.reserve(std::size_t(n));
  for (int i = 0; i < n; ++i)
    out.push_back(pixman_box32_t{mapcoord(b[i].x1, src->left, src->right, dst->left, dst->right),
                                 mapcoord(b[i].y1, src->top, src->bottom, dst->top, dst->bottom),
                                 mapcoord(b[i].x2, src->left, src->right, dst->left, dst->right),
                                 mapcoord(b[i].y2, src->top, src->bottom, dst->top, dst->bottom)});
  d->setboxes(out);
}

// --- Polygons --------------------------------------------------------------------------------

std::vector<Point> polypoints(PolyHandle poly) {
  std::vector<Point> pts;
  if (!IsValidHandle(poly)) return pts;
  const Size size = GetHandleSize(poly);
  if (size < Size(sizeof(PolygonHeader))) return pts;
  PolygonHeader hdr;
  std::memcpy(&hdr, deref(poly), sizeof hdr);
  // The stored size is trusted only as far as the block reaches.
  const Size bytes = std::min<Size>(hdr.polySize, size) - Size(sizeof hdr);
  if (bytes < Size(sizeof(Point))) return pts;  // not one whole point
  pts.resize(std::size_t(bytes) / sizeof(Point));
  std::memcpy(pts.data(), deref(poly) + sizeof hdr, pts.size() * sizeof(Point));
  return pts;
}

namespace {
void writepoly(PolyHandle poly, const std::vector<Point>& pts) {
  PolygonHeader hdr{u16(sizeof(PolygonHeader) + pts.size() * sizeof(Point)), pointsbounds(pts)};
  SetHandleSize(poly, Size(hdr.polySize));
  if (MemError() != noErr) return;
  std::memcpy(deref(poly), &hdr, sizeof hdr);
  if (!pts.empty()) std::memcpy(deref(poly) + sizeof hdr, pts.data(), pts.size() * sizeof(Point));
}
}  // namespace

PolyHandle newpolygon(const std::vector<Point>& pts) {
  if (pts.size() > (0xFFFF - sizeof(PolygonHeader)) / sizeof(Point)) return 0;
  PolyHandle h = NewHandle(Size(sizeof(PolygonHeader)));
  if (!h) return 0;
  writepoly(h, pts);
  if (MemError() != noErr) {
    DisposeHandle(h);
    return 0;
  }
  return h;
}

PolyHandle OpenPoly() {
  Port* p = currentport();
  PolyHandle h = newpolygon({});
  if (!p || !h) return h;
  p->polysave = h;
  HidePen();
  return h;
}

void ClosePoly() {
  Port* p = currentport();
  if (!p || !p->polysave) return;
  PolyHandle h = p->polysave;
  p->polysave = 0;
  if (IsValidHandle(h)) writepoly(h, polypoints(h));
  ShowPen();
}

void KillPoly(PolyHandle poly) {
  if (Port* p = currentport(); p && p->polysave == poly) p->polysave = 0;
  DisposeHandle(poly);
}

void OffsetPoly(PolyHandle poly, i16 dh, i16 dv) {
  std::vector<Point> pts = polypoints(poly);
  if (pts.empty()) return;
  for (Point& p : pts) p = Point{clamp16(p.v + dv), clamp16(p.h + dh)};
  writepoly(poly, pts);
}

void MapPoly(PolyHandle poly, const Rect* src, const Rect* dst) {
  std::vector<Point> pts = polypoints(poly);
  if (pts.empty() || !src || !dst) return;
  for (Point& p : pts) MapPt(&p, src, dst);
  writepoly(poly, pts);
}

}  // namespace kv
