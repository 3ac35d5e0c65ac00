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

}  // namespace kv::testspots
