// A stand-in for the mapping of objects until the card rendering builds it: an object gets its
// new rectangle, a line's end points follow the corners; polygons, arcs, bitmaps, groups and
// field text records are not mapped yet.
#include "render/spotgeometry.h"

#include "store/objects.h"

namespace kv {

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
