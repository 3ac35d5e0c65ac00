#include "tools/shapegeometry.h"

#include <algorithm>
#include <cstdlib>

#include "platform/events/events.h"
#include "platform/qd/shapes.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

i16 clamp16(i32 n) { return i16(std::clamp<i32>(n, -32768, 32767)); }
i32 width(const Rect& r) { return i32(r.right) - r.left; }
i32 height(const Rect& r) { return i32(r.bottom) - r.top; }

Rect between(Point a, Point b) {
  Rect r{};
  Pt2Rect(a, b, &r);
  return r;
}

bool shiftnow() { return (GetCurrentKeyModifiers() & shiftKey) != 0; }

// The signed coordinate `from + magnitude` in the direction of `sign`.
i16 toward(i16 from, i32 magnitude, i32 sign) { return clamp16(from + (sign < 0 ? -magnitude : magnitude)); }

}  // namespace

void shiftrect(Rect* r, Point anchor, Point mouse) {
  if (!shiftnow()) return;
  i16 side = i16(std::min(width(*r), height(*r)));
  if (anchor.h < mouse.h) r->right = clamp16(r->left + side);
  else r->left = clamp16(r->right - side);
  if (anchor.v < mouse.v) r->bottom = clamp16(r->top + side);
  else r->top = clamp16(r->bottom - side);
}

void shiftpoint(Point anchor, Point* pt, bool force) {
  if (!force && !shiftnow()) return;
  Rect r = between(anchor, *pt);
  if (width(r) > height(r)) pt->v = anchor.v;
  else pt->h = anchor.h;
}

void constrain(Point anchor, Point* pt, i16* axis) {
  if (*axis == 0 && (mainglobals().event.modifiers & shiftKey)) {
    Rect r = between(anchor, *pt);
    if (width(r) <= 1 && height(r) <= 1) {
      *pt = anchor;
      return;
    }
    *axis = width(r) > height(r) ? 2 : 1;
  }
  if (*axis == 1) pt->h = anchor.h;
  if (*axis == 2) pt->v = anchor.v;
}

void procon(Point anchor, Point reference, Point* pt, i16* axis) {
  u16 mods = mainglobals().event.modifiers;
  Rect r = between(anchor, reference);
  i32 w = width(r), h = height(r);
  // Without a width or a height there are no proportions to keep: the axis lock serves.
  if ((mods & shiftKey) && (mods & cmdKey) && w != 0 && h != 0) {
    i32 dh = i32(pt->h) - anchor.h, dv = i32(pt->v) - anchor.v;
    i32 keep = std::abs(dh * h / w);
    if (keep <= std::abs(dv)) pt->v = toward(anchor.v, keep, dv);
    else pt->h = toward(anchor.h, std::abs(dv * w / h), dh);
    return;
  }
  constrain(reference, pt, axis);
}

i16 stepoint(Point start, Point end, Point* pt, i16 step) {
  if (start.h == end.h && start.v == end.v) return 0;
  i32 dh = i32(end.h) - start.h, dv = i32(end.v) - start.v, s = std::abs(i32(step));
  if (std::abs(dh) >= std::abs(dv)) {
    i32 h = dh > 0 ? std::min<i32>(pt->h + s, end.h) : std::max<i32>(pt->h - s, end.h);
    pt->h = i16(h);
    pt->v = clamp16(start.v + dv * (h - start.h) / dh);
    return pt->h != end.h ? 1 : 0;
  }
  i32 v = dv > 0 ? std::min<i32>(pt->v + s, end.v) : std::max<i32>(pt->v - s, end.v);
  pt->v = i16(v);
  pt->h = clamp16(start.h + dh * (v - start.v) / dv);
  return pt->v != end.v ? 1 : 0;
}

}  // namespace kv
