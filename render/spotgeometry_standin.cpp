// A stand-in for the object geometry until the card rendering builds it: the drawing bounds of
// an object, and a mapping that gives an object its new rectangle (a line's end points follow
// the corners; polygons, arcs, bitmaps, groups and field text records are not mapped yet).
#include "render/spotgeometry.h"

#include "engine/objectutil.h"
#include "store/objects.h"

namespace kv {

void lowcalc(const spot* s, Rect* out) {
  *out = Rect{};
  if (s == nullptr) return;
  Rect r = s->rect;
  if ((s->kind == spotbutton || s->kind == spotfield) && s->showfill && s->style != 203 && s->style != 204) {
    r.bottom = i16(r.bottom + s->shadow);
    r.right = i16(r.right + s->shadow);
  }
  if (s->showpen && (s->style == 103 || s->style == stylepolygon || s->style == stylepolybutton)) {
    r.bottom = i16(r.bottom + s->penheight);
    r.right = i16(r.right + s->penwidth);
  }
  if ((s->flags & (1u << 28)) || s->kind == spotfield) {
    *out = Rect{i16(r.top - 4), i16(r.left - 4), i16(r.bottom + 4), i16(r.right + 4)};
    return;
  }
  if (isversion4spot(s)) {
    r.top = i16(r.top - 5);
    switch (s->style) {
      case 205: break;
      case 210: r.left = i16(r.left - 16), r.bottom = i16(r.bottom + 16), r.right = i16(r.right + 16); break;
      case 201: r.left = i16(r.left - 6), r.bottom = i16(r.bottom + 5), r.right = i16(r.right + 6); break;
      default: r.left = i16(r.left - 2), r.bottom = i16(r.bottom + 3), r.right = i16(r.right + 2); break;
    }
  }
  *out = r;
}

void calcspot(Handle list, i32 index, Rect* out) {
  *out = Rect{};
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  spot s = spotat(list, index);
  lowcalc(&s, out);
}

void mapspot(Handle list, i32 index, const Rect& newrect, bool) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  spot s = spotat(list, index);
  if (s.style == 103) {
    graphictail t = getgraphictail(s);
    auto snap = [&](Point p) {
      return Point{p.v == s.rect.top ? newrect.top : newrect.bottom, p.h == s.rect.left ? newrect.left : newrect.right};
    };
    t.point1 = snap(t.point1);
    t.point2 = snap(t.point2);
    setgraphictail(s, t);
  }
  s.rect = newrect;
  putspot(list, index, s);
}

}  // namespace kv
