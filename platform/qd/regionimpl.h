// Inside the drawing layer: the region object behind a RgnHandle, and the pixman-region
// helpers the other parts of the layer share. Only platform/qd includes this header.
#pragma once

#include <pixman.h>

#include <vector>

#include "platform/qd/regions.h"

namespace kv {

// A pixman region with value semantics.
class RegionData {
 public:
  RegionData() { pixman_region32_init(&r_); }
  explicit RegionData(const Rect& rc);
  RegionData(const RegionData& o) {
    pixman_region32_init(&r_);
    pixman_region32_copy(&r_, &o.r_);
  }
  RegionData& operator=(const RegionData& o) {
    if (this != &o) pixman_region32_copy(&r_, &o.r_);
    return *this;
  }
  ~RegionData() { pixman_region32_fini(&r_); }

  pixman_region32_t* px() { return &r_; }
  const pixman_region32_t* px() const { return &r_; }

  bool empty() const { return !pixman_region32_not_empty(&r_); }
  void clear() { pixman_region32_clear(&r_); }
  void setrect(const Rect& rc);
  // Replaces the contents by the union of possibly overlapping boxes.
  void setboxes(const std::vector<pixman_box32_t>& boxes);
  void unite(const RegionData& o) { pixman_region32_union(&r_, &r_, &o.r_); }
  void intersect(const RegionData& o) { pixman_region32_intersect(&r_, &r_, &o.r_); }
  void subtract(const RegionData& o) { pixman_region32_subtract(&r_, &r_, &o.r_); }
  void exclusive(const RegionData& o);
  void offset(i32 dh, i32 dv);
  void inset(i32 dh, i32 dv);
  bool contains(i32 h, i32 v) const { return pixman_region32_contains_point(&r_, h, v, nullptr); }
  bool equals(const RegionData& o) const { return pixman_region32_equal(&r_, &o.r_); }
  // Bounding box clipped to the 16-bit plane; (0,0,0,0) when empty.
  Rect bounds() const;
  const pixman_box32_t* boxes(int* n) const { return pixman_region32_rectangles(&r_, n); }

 private:
  pixman_region32_t r_;
};

// The region an id names, or null.
RegionData* regiondata(RgnHandle rgn);
// A new region holding the data; 0 when the registry is full.
RgnHandle newregionfrom(const RegionData& d);

}  // namespace kv
