// The object tools' picking and moving: the universal, field, button and graphic tools' click,
// the selection knobs a click may hit, and the outlines that follow the mouse while selected
// objects are dragged.
#include "tools/objecttools.h"

#include <algorithm>
#include <vector>

#include "engine/objectsend.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/carddrawing.h"
#include "render/carddrawingimpl.h"
#include "render/hittest.h"
#include "render/selectionknobs.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "shell/drawcase.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "store/objects.h"
#include "tools/handletools.h"
#include "tools/shapegeometry.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

bool inlist(Handle list, i16 index) { return list != nilhandle && index >= 0 && index < spotcount(list); }

bool inknob(Point pt, i32 top, i32 left, i32 bottom, i32 right) {
  return pt.v >= top && pt.v < bottom && pt.h >= left && pt.h < right;
}

// A point knob: from 2 pixels before to 2 after the point.
bool inpointknob(Point pt, Point knob) { return inknob(pt, knob.v - 2, knob.h - 2, knob.v + 3, knob.h + 3); }

i16 clamp16(i32 v) { return i16(std::clamp<i32>(v, -32768, 32767)); }

}  // namespace

Rect offsetclamped(const Rect& r, i32 dh, i32 dv) {
  return Rect{clamp16(r.top + dv), clamp16(r.left + dh), clamp16(r.bottom + dv), clamp16(r.right + dh)};
}

void objectpen() {
  PenNormal();
  PenPat(&qdgray);
  PenMode(patXor);
}

i16 ptinhand(Handle list, i16 index, Point pt, i16* handle) {
  *handle = 0;
  if (!inlist(list, index)) return 0;
  spot s = spotat(list, index);
  if ((s.flags & spotlocked) || s.selected == knobsnone) return 0;
  const graphictail t = getgraphictail(s);
  switch (s.selected) {
    case knobscorners: {
      const Rect& r = s.rect;
      // Knobs on the top and left edges reach 3 pixels out, those on the bottom and right 3.
      const bool hits[4] = {inknob(pt, r.top - 3, r.left - 3, r.top + 2, r.left + 2),
                            inknob(pt, r.top - 3, r.right - 2, r.top + 2, r.right + 3),
                            inknob(pt, r.bottom - 2, r.right - 2, r.bottom + 3, r.right + 3),
                            inknob(pt, r.bottom - 2, r.left - 3, r.bottom + 3, r.left + 2)};
      for (i16 k = 0; k < 4; ++k) {
        if (hits[k]) {
          *handle = i16(k + 1);
          return knobscorners;
        }
      }
      return 0;
    }
    case knobspolygon:
    case knobsfirstpoint: {
      const std::vector<Point> pts = polypoints(s.data);
      i16 hit = -1;
      for (std::size_t i = 0; i < pts.size() && (s.selected == knobspolygon || i == 0); ++i)
        if (inpointknob(pt, pts[i])) hit = i16(i);
      if (hit < 0) return 0;
      *handle = hit;
      return i16(s.selected);
    }
    case knobsline:
      if (inpointknob(pt, t.point1)) *handle = 1;
      else if (inpointknob(pt, t.point2)) *handle = 2;
      return *handle ? knobsline : 0;
    case knobsarc: {
      const Rect oval = arcoval(s);
      Point start{}, end{};
      arcpoint(oval, i16(t.startangle), &start);
      arcpoint(oval, i16(i16(t.startangle) + i16(t.arcangle)), &end);
      if (inpointknob(pt, start)) *handle = 1;
      else if (inpointknob(pt, end)) *handle = 2;
      return *handle ? knobsarc : 0;
    }
    default: return 0;
  }
}

void displayspot(Handle list, i16 index, const Rect& r) {
  if (!inlist(list, index)) return;
  spot s = spotat(list, index);
  if (!(s.flags & spotvisible) && !showsinvisibles()) return;
  switch (s.style) {
    case styleroundrect: {
      const graphictail t = getgraphictail(s);
      FrameRoundRect(&r, i16(t.startangle), i16(t.arcangle));
      return;
    }
    case styleoval:
    case styleround: FrameOval(&r); return;
    case styleline: {
      const graphictail t = getgraphictail(s);
      // Each end follows the side of the rectangle it lay on.
      auto follow = [&](Point p) {
        return Point{p.v == s.rect.top ? r.top : r.bottom, p.h == s.rect.left ? r.left : r.right};
      };
      const Point a = follow(t.point1), b = follow(t.point2);
      MoveTo(a.h, a.v);
      LineTo(b.h, b.v);
      return;
    }
    case stylepolygon:
    case stylepolybutton: {
      PolyHandle poly = s.data;
      if (poly == nilhandle || HandToHand(&poly) != noErr) return;
      auto widened = [](Rect w) {
        if (w.right == w.left) w.right = i16(w.left + 1);
        if (w.bottom == w.top) w.bottom = i16(w.top + 1);
        return w;
      };
      const Rect from = widened(s.rect), to = widened(r);
      MapPoly(poly, &from, &to);
      FramePoly(poly);
      KillPoly(poly);
      return;
    }
    case stylearc: {
      const graphictail t = getgraphictail(s);
      Rect oval = arcoval(s);
      MapRect(&oval, &s.rect, &r);
      FrameArc(&oval, i16(t.startangle), i16(t.arcangle));
      return;
    }
    case stylebuttonroundrect: FrameRoundRect(&r, 20, 20); return;
    case 208:
    case 227: return;
    default: FrameRect(&r); return;
  }
}

void dragutil(Handle list, Point start, Point current) {
  const i32 dh = i32(current.h) - start.h, dv = i32(current.v) - start.v;
  for (i32 i = 0, n = spotcount(list); i < n; ++i) {
    const spot s = spotat(list, i16(i));
    if (s.selected == knobsnone || (s.flags & spotlocked)) continue;
    displayspot(list, i16(i), offsetclamped(s.rect, dh, dv));
  }
}

i16 dragspot(Handle list, i16 index, Point pt) {
  if (i16 st = sendpointerdown(false, list, index)) return st;
  if (objectdropstate().dropreceived) return 0;
  objectpen();
  dclick(pt, TickCount());
  Point last = pt;
  bool moved = false;
  while (stilldown()) {
    Point p{};
    getmouse(&p);
    shiftpoint(pt, &p, false);
    if (EqualPt(p, last)) continue;
    if (moved) dragutil(list, pt, last);
    dragutil(list, pt, p);
    last = p;
    moved = true;
  }
  if (moved) dragutil(list, pt, last);
  PenNormal();
  if (!moved) return 0;
  const i32 dh = i32(last.h) - pt.h, dv = i32(last.v) - pt.v;
  for (i32 i = 0, n = spotcount(list); i < n; ++i) {
    const spot s = spotat(list, i16(i));
    if (s.selected == knobsnone) continue;
    invalspot(list, i16(i));
    if (s.flags & spotlocked) continue;
    mapspot(list, i, offsetclamped(s.rect, dh, dv), false);
    invalspot(list, i16(i));
  }
  drawinval();
  return -1;
}

i16 hyperdrag(Handle list, i16 kind, Point pt, i16* found) {
  *found = 0;
  i16 index = -1;
  for (i32 i = spotcount(list) - 1; i >= 0 && index < 0; --i) {
    const spot s = spotat(list, i16(i));
    if ((kind == pickany || s.kind == u16(kind)) && lowinspot(s, pt)) index = i16(i);
  }
  if (index < 0) return 0;
  *found = 1;
  selone(list, index);
  drawhand(list, index);
  if (dclick(pt, mainglobals().event.when)) return dclickmessage(list, index);
  const i16 st = dragspot(list, index, pt);
  if (st == -1) return dragmessage(list, index);
  return st;
}

i16 hyperclick(i16 kind, Point pt) {
  MainGlobals& g = mainglobals();
  const desk& d = g.current;
  std::vector<Handle> lists;
  if (!d.backlayer) lists.push_back(d.cardspots);
  lists.push_back(d.backspots);
  // A knob of a selected object takes the click first: the object is reshaped.
  for (Handle list : lists) {
    for (i32 i = spotcount(list) - 1; i >= 0; --i) {
      i16 handle = 0;
      if (ptinhand(list, i16(i), pt, &handle)) return selectspot(list, pt);
    }
  }
  unhiliteall();
  i16 found = 0, st = 0;
  for (Handle list : lists) {
    st = hyperdrag(list, kind, pt, &found);
    if (found) return st;
  }
  PenNormal();
  return cardsend("cardClick", sendnormal, g.current.window);
}

}  // namespace kv
