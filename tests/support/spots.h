// Object records made in memory for tests outside the store's own.
#pragma once

#include "store/objects.h"

namespace kv::testspots {

// An object of the given kind and style with the defaults of a new one.
inline spot newspot(u16 kind, u16 style, u32 id = 0, Rect r = Rect{10, 10, 50, 90}) {
  spot s{};
  defaultspot(s);
  s.kind = kind;
  s.style = style;
  s.id = id;
  s.rect = r;
  return s;
}

// An arc graphic's angles and its own oval (the two corner points its kind tail keeps).
inline void setarc(spot& s, u16 start, u16 arc, Rect oval) {
  graphictail t = getgraphictail(s);
  t.startangle = start;
  t.arcangle = arc;
  t.point1 = Point{oval.top, oval.left};
  t.point2 = Point{oval.bottom, oval.right};
  setgraphictail(s, t);
}

}  // namespace kv::testspots
