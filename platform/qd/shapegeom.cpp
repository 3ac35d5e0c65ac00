// The pixels of ovals, round rectangles, arcs, polygons, lines and frames.
#include "platform/qd/shapegeom.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kv {

namespace {

void addspan(std::vector<pixman_box32_t>& boxes, i32 x1, i32 x2, i32 y) {
  if (x1 < x2) boxes.push_back(pixman_box32_t{x1, y, x2, y + 1});
}

// The angle of the direction (dx, dy) on a rectangle of width w and height h: degrees
// clockwise from 12 o'clock, 0 <= a < 360.
double directionangle(double dx, double dy, double w, double h) {
  double a = std::atan2(dx / (w > 0 ? w : 1), -dy / (h > 0 ? h : 1)) * 180.0 / std::numbers::pi;
  if (a < 0) a += 360.0;
  if (a >= 360.0) a -= 360.0;
  return a;
}

}  // namespace

RegionData rrectregion(const Rect& r, i32 ovalwidth, i32 ovalheight) {
  RegionData out;
  const i32 w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return out;
  if (ovalwidth <= 0 || ovalheight <= 0) {
    out.setrect(r);
    return out;
  }
  const double a = std::min(ovalwidth, w) / 2.0, b = std::min(ovalheight, h) / 2.0;
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(std::size_t(h));
  for (i32 j = 0; j < h; ++j) {
    // Distance of the row's centre from the nearer of the top and bottom edges.
    const double d = std::min(j + 0.5, h - j - 0.5);
    i32 k = 0;
    if (d < b) {
      const double dy = (b - d) / b;
      const double hw = a * std::sqrt(std::max(0.0, 1.0 - dy * dy));
      k = std::max<i32>(0, i32(std::ceil(a - hw - 0.5)));
    }
    addspan(boxes, r.left + k, r.right - k, r.top + j);
  }
  out.setboxes(boxes);
  return out;
}

RegionData ovalregion(const Rect& r) { return rrectregion(r, r.right - r.left, r.bottom - r.top); }

void clipwedge(RegionData& rgn, const Rect& r, i32 startangle, i32 arcangle) {
  if (arcangle >= 360 || arcangle <= -360) return;
  if (arcangle < 0) {
    startangle += arcangle;
    arcangle = -arcangle;
  }
  double start = std::fmod(double(startangle), 360.0);
  if (start < 0) start += 360.0;
  const double arc = arcangle;
  const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  const double w = r.right - r.left, h = r.bottom - r.top;
  constexpr double eps = 1e-9;
  std::vector<pixman_box32_t> boxes;
  int n = 0;
  const pixman_box32_t* b = rgn.boxes(&n);
  for (int i = 0; i < n; ++i)
    for (i32 y = b[i].y1; y < b[i].y2; ++y) {
      i32 runstart = 0;
      bool inrun = false;
      for (i32 x = b[i].x1; x <= b[i].x2; ++x) {
        bool in = false;
        if (x < b[i].x2) {
          double rel = directionangle(x + 0.5 - cx, y + 0.5 - cy, w, h) - start;
          if (rel < 0) rel += 360.0;
          in = rel <= arc + eps || rel >= 360.0 - eps;
        }
        if (in && !inrun) {
          runstart = x;
          inrun = true;
        } else if (!in && inrun) {
          addspan(boxes, runstart, x, y);
          inrun = false;
        }
      }
    }
  rgn.setboxes(boxes);
}

RegionData arcregion(const Rect& r, i32 startangle, i32 arcangle) {
  RegionData out = ovalregion(r);
  if (arcangle == 0) {
    out.clear();
    return out;
  }
  clipwedge(out, r, startangle, arcangle);
  return out;
}

RegionData edgefill(const std::vector<EdgeF>& edges) {
  RegionData out;
  if (edges.empty()) return out;
  double ymin = edges[0].y1, ymax = edges[0].y1;
  for (const EdgeF& e : edges) {
    ymin = std::min({ymin, e.y1, e.y2});
    ymax = std::max({ymax, e.y1, e.y2});
  }
  std::vector<pixman_box32_t> boxes;
  std::vector<double> xs;
  const i32 y0 = i32(std::floor(ymin)), y1 = i32(std::ceil(ymax));
  for (i32 y = y0; y < y1; ++y) {
    const double yc = y + 0.5;
    xs.clear();
    for (const EdgeF& e : edges) {
      if ((e.y1 <= yc && yc < e.y2) || (e.y2 <= yc && yc < e.y1))
        xs.push_back(e.x1 + (yc - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      const i32 first = i32(std::ceil(xs[i] - 0.5)), last = i32(std::floor(xs[i + 1] - 0.5));
      addspan(boxes, first, last + 1, y);
    }
  }
  out.setboxes(boxes);
  return out;
}

RegionData polyregion(const std::vector<Point>& pts) {
  std::vector<EdgeF> edges;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const Point& a = pts[i];
    const Point& b = pts[(i + 1) % pts.size()];
    if (a.v != b.v) edges.push_back(EdgeF{double(a.h), double(a.v), double(b.h), double(b.v)});
  }
  return edgefill(edges);
}

RegionData lineregion(Point a, Point b, i32 penwidth, i32 penheight) {
  RegionData out;
  if (penwidth <= 0 || penheight <= 0) return out;
  std::vector<pixman_box32_t> boxes;
  const i32 dx = b.h - a.h, dy = b.v - a.v;
  const i32 steps = std::max(std::abs(dx), std::abs(dy));
  if (steps == 0) {
    boxes.push_back(pixman_box32_t{a.h, a.v, a.h + penwidth, a.v + penheight});
  } else if (std::abs(dx) >= std::abs(dy)) {
    // One pixel per column; runs of one row become one box.
    i32 runx = a.h, runy = a.v, lastx = a.h;
    for (i32 k = 0; k <= steps; ++k) {
      const i32 x = a.h + (dx > 0 ? k : -k);
      const i32 y = a.v + i32(std::floor(double(k) * dy / steps + 0.5));
      if (y != runy) {
        boxes.push_back(pixman_box32_t{std::min(runx, lastx), runy, std::max(runx, lastx) + penwidth, runy + penheight});
        runx = x;
        runy = y;
      }
      lastx = x;
    }
    boxes.push_back(pixman_box32_t{std::min(runx, lastx), runy, std::max(runx, lastx) + penwidth, runy + penheight});
  } else {
    i32 runx = a.h, runy = a.v, lasty = a.v;
    for (i32 k = 0; k <= steps; ++k) {
      const i32 y = a.v + (dy > 0 ? k : -k);
      const i32 x = a.h + i32(std::floor(double(k) * dx / steps + 0.5));
      if (x != runx) {
        boxes.push_back(pixman_box32_t{runx, std::min(runy, lasty), runx + penwidth, std::max(runy, lasty) + penheight});
        runx = x;
        runy = y;
      }
      lasty = y;
    }
    boxes.push_back(pixman_box32_t{runx, std::min(runy, lasty), runx + penwidth, std::max(runy, lasty) + penheight});
  }
  out.setboxes(boxes);
  return out;
}

RegionData frameof(const RegionData& shape, i32 penwidth, i32 penheight) {
  if (penwidth <= 0 || penheight <= 0) return RegionData();
  RegionData across(shape), down(shape);
  across.inset(penwidth, 0);
  down.inset(0, penheight);
  across.intersect(down);
  RegionData band(shape);
  band.subtract(across);
  return band;
}

Rect pointsbounds(const std::vector<Point>& pts) {
  if (pts.empty()) return Rect{0, 0, 0, 0};
  Rect r{pts[0].v, pts[0].h, pts[0].v, pts[0].h};
  for (const Point& p : pts) {
    r.top = std::min(r.top, p.v);
    r.left = std::min(r.left, p.h);
    r.bottom = std::max(r.bottom, p.v);
    r.right = std::max(r.right, p.h);
  }
  return r;
}

i16 pointangle(const Rect& r, Point pt) {
  const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  double a = directionangle(pt.h - cx, pt.v - cy, r.right - r.left, r.bottom - r.top);
  i32 deg = i32(std::floor(a + 0.5));
  return i16(deg % 360);
}

}  // namespace kv
