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

RegionData rrectregion(const Rect& r, i32 ovalwidth, i32 ovalheight, const PixelBounds& within) {
  RegionData out;
  const i32 w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return out;
  // Only the rows and columns inside the bounds are built.
  const i32 left = std::max<i32>(r.left, within.left), right = std::min<i32>(r.right, within.right);
  const i32 jfirst = std::max<i32>(0, within.top - r.top), jlast = std::min<i32>(h, within.bottom - r.top);
  if (left >= right || jfirst >= jlast) return out;
  if (ovalwidth <= 0 || ovalheight <= 0) {
    out.setrect(Rect{i16(r.top + jfirst), i16(left), i16(r.top + jlast), i16(right)});
    return out;
  }
  const double a = std::min(ovalwidth, w) / 2.0, b = std::min(ovalheight, h) / 2.0;
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(std::size_t(jlast - jfirst));
  for (i32 j = jfirst; j < jlast; ++j) {
    // Distance of the row's centre from the nearer of the top and bottom edges.
    const double d = std::min(j + 0.5, h - j - 0.5);
    i32 k = 0;
    if (d < b) {
      const double dy = (b - d) / b;
      const double hw = a * std::sqrt(std::max(0.0, 1.0 - dy * dy));
      k = std::max<i32>(0, i32(std::ceil(a - hw - 0.5)));
    }
    addspan(boxes, std::max(r.left + k, left), std::min(r.right - k, right), r.top + j);
  }
  out.setboxes(boxes);
  return out;
}

RegionData ovalregion(const Rect& r, const PixelBounds& within) {
  return rrectregion(r, r.right - r.left, r.bottom - r.top, within);
}

namespace {

// Whether the centre of a pixel lies in a wedge, by its angle seen from the centre of r.
struct Wedge {
  double cx, cy, w, h, start, arc;
  // The cosine and sine of the two rays (start, start + arc), worked out once per wedge.
  double raycos[2] = {0, 0}, raysin[2] = {0, 0};

  void setrays() {
    for (int i = 0; i < 2; ++i) {
      const double th = (i == 0 ? start : start + arc) * std::numbers::pi / 180.0;
      raycos[i] = std::cos(th);
      raysin[i] = std::sin(th);
    }
  }

  bool contains(i32 x, i32 y) const {
    constexpr double eps = 1e-9;
    double rel = directionangle(x + 0.5 - cx, y + 0.5 - cy, w, h) - start;
    if (rel < 0) rel += 360.0;
    return rel <= arc + eps || rel >= 360.0 - eps;
  }

  // Where ray `ray` (0 the start, 1 the end) crosses the line through the centres of row y,
  // if it does.
  bool raycrossing(int ray, i32 y, double* x) const {
    const double c = raycos[ray], dy = y + 0.5 - cy;
    if (std::abs(c) < 1e-12) return false;
    const double t = -dy / (h * c);
    if (t < 0) return false;
    *x = cx + t * w * raysin[ray];
    return true;
  }

  // The pixels of columns x1..x2 of row y inside the wedge, as spans. Along a row the angle
  // changes monotonically between the centre column and the two rays' crossings, so only
  // the pixels next to those places are tested one by one; each stretch between them is
  // tested once.
  void rowspans(i32 x1, i32 x2, i32 y, std::vector<pixman_box32_t>& boxes) const {
    // At most four columns beside each of the three places (no allocation per row).
    i32 marks[12];
    i32* end = marks;
    auto mark = [&](double xb) {
      if (!(xb > x1 - 4.0 && xb < x2 + 4.0)) return;
      const i32 base = i32(std::floor(xb - 0.5));
      for (i32 d = -1; d <= 2; ++d)
        if (base + d >= x1 && base + d < x2) *end++ = base + d;
    };
    double xb = 0;
    mark(cx);
    if (raycrossing(0, y, &xb)) mark(xb);
    if (raycrossing(1, y, &xb)) mark(xb);
    // In order, each column once (an insertion sort of at most twelve).
    i32 count = 0;
    for (const i32* at = marks; at != end; ++at) {
      i32 i = count;
      while (i > 0 && marks[i - 1] > *at) --i;
      if (i > 0 && marks[i - 1] == *at) continue;
      const i32 v = *at;
      for (i32 j = count; j > i; --j) marks[j] = marks[j - 1];
      marks[i] = v;
      ++count;
    }
    end = marks + count;
    i32 runstart = 0;
    bool inrun = false;
    auto stretch = [&](i32 from, bool in) {
      if (in && !inrun) {
        runstart = from;
        inrun = true;
      } else if (!in && inrun) {
        addspan(boxes, runstart, from, y);
        inrun = false;
      }
    };
    i32 pos = x1;
    for (const i32* at = marks; at != end; ++at) {
      const i32 m = *at;
      if (pos < m) stretch(pos, contains(pos + (m - pos) / 2, y));
      stretch(m, contains(m, y));
      pos = m + 1;
    }
    if (pos < x2) stretch(pos, contains(pos + (x2 - pos) / 2, y));
    if (inrun) addspan(boxes, runstart, x2, y);
  }
};

}  // namespace

void clipwedge(RegionData& rgn, const Rect& r, i32 startangle, i32 arcangle) {
  if (arcangle >= 360 || arcangle <= -360) return;
  if (arcangle < 0) {
    startangle += arcangle;
    arcangle = -arcangle;
  }
  double start = std::fmod(double(startangle), 360.0);
  if (start < 0) start += 360.0;
  Wedge wedge{
      (r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0, double(r.right - r.left), double(r.bottom - r.top), start,
      double(arcangle)};
  wedge.setrays();
  std::vector<pixman_box32_t> boxes;
  int n = 0;
  const pixman_box32_t* b = rgn.boxes(&n);
  for (int i = 0; i < n; ++i)
    for (i32 y = b[i].y1; y < b[i].y2; ++y) wedge.rowspans(b[i].x1, b[i].x2, y, boxes);
  rgn.setboxes(boxes);
}

RegionData arcregion(const Rect& r, i32 startangle, i32 arcangle, const PixelBounds& within) {
  RegionData out = ovalregion(r, within);
  if (arcangle == 0) {
    out.clear();
    return out;
  }
  clipwedge(out, r, startangle, arcangle);
  return out;
}

RegionData edgefill(const std::vector<EdgeF>& edges, const PixelBounds& within) {
  RegionData out;
  if (edges.empty()) return out;
  double ymin = edges[0].y1, ymax = edges[0].y1;
  for (const EdgeF& e : edges) {
    ymin = std::min({ymin, e.y1, e.y2});
    ymax = std::max({ymax, e.y1, e.y2});
  }
  std::vector<pixman_box32_t> boxes;
  std::vector<double> xs;
  const i32 y0 = std::max(i32(std::floor(ymin)), within.top);
  const i32 y1 = std::min(i32(std::ceil(ymax)), within.bottom);
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
      addspan(boxes, std::max(first, within.left), std::min(last + 1, within.right), y);
    }
  }
  out.setboxes(boxes);
  return out;
}

RegionData polyregion(const std::vector<Point>& pts, const PixelBounds& within) {
  std::vector<EdgeF> edges;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const Point& a = pts[i];
    const Point& b = pts[(i + 1) % pts.size()];
    if (a.v != b.v) edges.push_back(EdgeF{double(a.h), double(a.v), double(b.h), double(b.v)});
  }
  return edgefill(edges, within);
}

namespace {

// The steps k (0..steps) at which a coordinate moving from `from` by `delta` over `steps`
// steps lies within lo..hi, widened by two steps for rounding; false when there are none.
bool stepsbetween(i32 from, i32 delta, i32 steps, double lo, double hi, i32* kfirst, i32* klast) {
  double k0 = 0, k1 = steps;
  if (delta == 0) {
    if (from < lo || from > hi) return false;
  } else {
    const double a = (lo - from) * steps / delta, b = (hi - from) * steps / delta;
    k0 = std::floor(std::min(a, b)) - 2;
    k1 = std::ceil(std::max(a, b)) + 2;
  }
  *kfirst = std::max(*kfirst, i32(std::max(0.0, k0)));
  *klast = std::min(*klast, i32(std::min(double(steps), k1)));
  return *kfirst <= *klast;
}

}  // namespace

RegionData lineregion(Point a, Point b, i32 penwidth, i32 penheight, const PixelBounds& within) {
  RegionData out;
  if (penwidth <= 0 || penheight <= 0 || within.right <= within.left || within.bottom <= within.top) return out;
  std::vector<pixman_box32_t> boxes;
  // Each box is cut to the bounds (nothing outside them can be drawn) and one the same as the
  // box before is dropped: a pen far larger than the bounds gives the same box step after step.
  auto add = [&](i32 x1, i32 y1, i32 x2, i32 y2) {
    const pixman_box32_t box{std::max(x1, within.left), std::max(y1, within.top), std::min(x2, within.right),
                             std::min(y2, within.bottom)};
    if (box.x1 >= box.x2 || box.y1 >= box.y2) return;
    if (!boxes.empty()) {
      const pixman_box32_t& last = boxes.back();
      if (last.x1 == box.x1 && last.y1 == box.y1 && last.x2 == box.x2 && last.y2 == box.y2) return;
    }
    boxes.push_back(box);
  };
  const i32 dx = b.h - a.h, dy = b.v - a.v;
  const i32 steps = std::max(std::abs(dx), std::abs(dy));
  // Only the steps whose pen can reach the bounds are taken: a long line with a thick pen
  // costs what its visible part costs.
  i32 kfirst = 0, klast = steps;
  if (!stepsbetween(a.h, dx, steps, double(within.left) - penwidth - 1, double(within.right) + 1, &kfirst, &klast) ||
      !stepsbetween(a.v, dy, steps, double(within.top) - penheight - 1, double(within.bottom) + 1, &kfirst, &klast))
    return out;
  if (steps == 0) {
    add(a.h, a.v, a.h + penwidth, a.v + penheight);
  } else if (std::abs(dx) >= std::abs(dy)) {
    // One pixel per column; runs of one row become one box.
    auto at = [&](i32 k) {
      return std::pair<i32, i32>{a.h + (dx > 0 ? k : -k), a.v + i32(std::floor(double(k) * dy / steps + 0.5))};
    };
    auto [runx, runy] = at(kfirst);
    i32 lastx = runx;
    for (i32 k = kfirst; k <= klast; ++k) {
      const auto [x, y] = at(k);
      if (y != runy) {
        add(std::min(runx, lastx), runy, std::max(runx, lastx) + penwidth, runy + penheight);
        runx = x;
        runy = y;
      }
      lastx = x;
    }
    add(std::min(runx, lastx), runy, std::max(runx, lastx) + penwidth, runy + penheight);
  } else {
    auto at = [&](i32 k) {
      return std::pair<i32, i32>{a.h + i32(std::floor(double(k) * dx / steps + 0.5)), a.v + (dy > 0 ? k : -k)};
    };
    auto [runx, runy] = at(kfirst);
    i32 lasty = runy;
    for (i32 k = kfirst; k <= klast; ++k) {
      const auto [x, y] = at(k);
      if (x != runx) {
        add(runx, std::min(runy, lasty), runx + penwidth, std::max(runy, lasty) + penheight);
        runx = x;
        runy = y;
      }
      lasty = y;
    }
    add(runx, std::min(runy, lasty), runx + penwidth, std::max(runy, lasty) + penheight);
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
