// Regions over pixman's band-structured rectangle lists.
#include "platform/qd/regions.h"

#include <algorithm>
#include <array>

#include "platform/qd/qdstate.h"

namespace kv {

namespace {

constexpr i32 planemin = -32768;
constexpr i32 planemax = 32767;

i32 clamp16(i32 v) { return std::clamp(v, planemin, planemax); }

// Keeps a region inside the 16-bit plane after it was moved or grown.
void clamptoplane(pixman_region32_t* r) {
  pixman_box32_t e = *pixman_region32_extents(r);
  if (e.x1 >= planemin && e.y1 >= planemin && e.x2 <= planemax && e.y2 <= planemax) return;
  pixman_region32_t plane;
  pixman_region32_init_rect(&plane, planemin, planemin, u32(planemax - planemin), u32(planemax - planemin));
  pixman_region32_intersect(r, r, &plane);
  pixman_region32_fini(&plane);
}

// Grows every box by d along one axis and unites the results.
void dilate(RegionData& rd, bool horizontal, i32 d) {
  int n = 0;
  const pixman_box32_t* b = rd.boxes(&n);
  std::vector<pixman_box32_t> grown(b, b + n);
  for (auto& x : grown) {
    if (horizontal) {
      x.x1 -= d;
      x.x2 += d;
    } else {
      x.y1 -= d;
      x.y2 += d;
    }
  }
  rd.setboxes(grown);
}

// Shrinks the region by d along one axis: a pixel stays when every pixel within d of it
// along that axis is in the region. Done as the region less the grown complement.
void erode(RegionData& rd, bool horizontal, i32 d) {
  if (rd.empty()) return;
  pixman_box32_t e = *pixman_region32_extents(rd.px());
  RegionData outside;
  pixman_region32_init_rect(outside.px(), e.x1 - 1, e.y1 - 1, u32(e.x2 - e.x1 + 2), u32(e.y2 - e.y1 + 2));
  outside.subtract(rd);
  dilate(outside, horizontal, d);
  rd.subtract(outside);
}

}  // namespace

RegionData::RegionData(const Rect& rc) {
  pixman_region32_init(&r_);
  setrect(rc);
}

void RegionData::setrect(const Rect& rc) {
  pixman_region32_clear(&r_);
  if (rc.left < rc.right && rc.top < rc.bottom)
    pixman_region32_reset(&r_, std::array<pixman_box32_t, 1>{{{rc.left, rc.top, rc.right, rc.bottom}}}.data());
}

void RegionData::setboxes(const std::vector<pixman_box32_t>& boxes) {
  std::vector<pixman_box32_t> valid;
  valid.reserve(boxes.size());
  for (const auto& b : boxes)
    if (b.x1 < b.x2 && b.y1 < b.y2) valid.push_back(b);
  pixman_region32_fini(&r_);
  if (!pixman_region32_init_rects(&r_, valid.data(), int(valid.size()))) pixman_region32_init(&r_);
}

void RegionData::exclusive(const RegionData& o) {
  RegionData other(o);
  other.subtract(*this);
  subtract(o);
  unite(other);
}

void RegionData::offset(i32 dh, i32 dv) {
  pixman_region32_translate(&r_, dh, dv);
  clamptoplane(&r_);
}

void RegionData::inset(i32 dh, i32 dv) {
  if (dh > 0) erode(*this, true, dh);
  if (dh < 0) dilate(*this, true, -dh);
  if (dv > 0) erode(*this, false, dv);
  if (dv < 0) dilate(*this, false, -dv);
  clamptoplane(&r_);
}

Rect RegionData::bounds() const {
  if (empty()) return Rect{0, 0, 0, 0};
  const pixman_box32_t* e = pixman_region32_extents(&r_);
  return Rect{i16(clamp16(e->y1)), i16(clamp16(e->x1)), i16(clamp16(e->y2)), i16(clamp16(e->x2))};
}

RegionData* regiondata(RgnHandle rgn) { return qd().regions.get(rgn); }

RgnHandle newregionfrom(const RegionData& d) { return qd().regions.add(std::make_unique<RegionData>(d)); }

RgnHandle NewRgn() { return qd().regions.add(std::make_unique<RegionData>()); }

void DisposeRgn(RgnHandle rgn) { qd().regions.remove(rgn); }

bool IsValidRgn(RgnHandle rgn) { return regiondata(rgn) != nullptr; }

void SetEmptyRgn(RgnHandle rgn) {
  if (RegionData* r = regiondata(rgn)) r->clear();
}

void SetRectRgn(RgnHandle rgn, i16 left, i16 top, i16 right, i16 bottom) {
  RectRgn(rgn, Rect{top, left, bottom, right});
}

void RectRgn(RgnHandle rgn, const Rect& rc) {
  if (RegionData* r = regiondata(rgn)) r->setrect(rc);
}

void CopyRgn(RgnHandle src, RgnHandle dst) {
  RegionData* s = regiondata(src);
  RegionData* d = regiondata(dst);
  if (s && d) *d = *s;
}

namespace {
template <class Op>
void setop(RgnHandle a, RgnHandle b, RgnHandle dst, Op op) {
  RegionData* ra = regiondata(a);
  RegionData* rb = regiondata(b);
  RegionData* rd = regiondata(dst);
  if (!ra || !rb || !rd) return;
  RegionData result(*ra);
  op(result, *rb);
  *rd = result;
}
}  // namespace

void UnionRgn(RgnHandle a, RgnHandle b, RgnHandle dst) {
  setop(a, b, dst, [](RegionData& x, const RegionData& y) { x.unite(y); });
}
void SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst) {
  setop(a, b, dst, [](RegionData& x, const RegionData& y) { x.intersect(y); });
}
void DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst) {
  setop(a, b, dst, [](RegionData& x, const RegionData& y) { x.subtract(y); });
}
void XorRgn(RgnHandle a, RgnHandle b, RgnHandle dst) {
  setop(a, b, dst, [](RegionData& x, const RegionData& y) { x.exclusive(y); });
}

void OffsetRgn(RgnHandle rgn, i16 dh, i16 dv) {
  if (RegionData* r = regiondata(rgn)) r->offset(dh, dv);
}

void InsetRgn(RgnHandle rgn, i16 dh, i16 dv) {
  if (RegionData* r = regiondata(rgn)) r->inset(dh, dv);
}

bool EmptyRgn(RgnHandle rgn) {
  RegionData* r = regiondata(rgn);
  return !r || r->empty();
}

bool EqualRgn(RgnHandle a, RgnHandle b) {
  RegionData* ra = regiondata(a);
  RegionData* rb = regiondata(b);
  return ra && rb && ra->equals(*rb);
}

bool PtInRgn(Point pt, RgnHandle rgn) {
  RegionData* r = regiondata(rgn);
  return r && r->contains(pt.h, pt.v);
}

bool RectInRgn(const Rect& rc, RgnHandle rgn) {
  RegionData* r = regiondata(rgn);
  if (!r || rc.left >= rc.right || rc.top >= rc.bottom) return false;
  pixman_box32_t box{rc.left, rc.top, rc.right, rc.bottom};
  return pixman_region32_contains_rectangle(r->px(), &box) != PIXMAN_REGION_OUT;
}

bool IsRegionRectangular(RgnHandle rgn) {
  RegionData* r = regiondata(rgn);
  return r && pixman_region32_n_rects(r->px()) <= 1;
}

Rect* GetRegionBounds(RgnHandle rgn, Rect* bounds) {
  if (bounds) *bounds = regionbounds(rgn);
  return bounds;
}

Rect regionbounds(RgnHandle rgn) {
  RegionData* r = regiondata(rgn);
  return r ? r->bounds() : Rect{0, 0, 0, 0};
}

std::vector<Rect> regionrects(RgnHandle rgn) {
  std::vector<Rect> out;
  RegionData* r = regiondata(rgn);
  if (!r) return out;
  int n = 0;
  const pixman_box32_t* b = r->boxes(&n);
  out.reserve(std::size_t(n));
  for (int i = 0; i < n; ++i)
    out.push_back(Rect{i16(clamp16(b[i].y1)), i16(clamp16(b[i].x1)), i16(clamp16(b[i].y2)), i16(clamp16(b[i].x2))});
  return out;
}

std::size_t liveregioncount() { return qd().regions.count(); }

}  // namespace kv
