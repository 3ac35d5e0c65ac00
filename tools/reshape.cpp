// Reshaping polygons and arcs by their handles.
#include "tools/reshape.h"

#include <vector>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "engine/geometry.h"
#include "render/carddrawing.h"
#include "render/selectionknobs.h"
#include "render/spotgeometry.h"
#include "core/mainglobals.h"
#include "shell/windowmanage.h"
#include "store/objects.h"
#include "tools/handletools.h"

namespace kv {

namespace {

bool inlist(Handle list, i16 index) { return list != nilhandle && index >= 0 && index < spotcount(list); }

// Exclusive-or feedback in the current port, the pen put back after.
class XorPen {
 public:
  XorPen() {
    GetPenState(&saved_);
    PenNormal();
    PenMode(patXor);
  }
  ~XorPen() { SetPenState(&saved_); }
  XorPen(const XorPen&) = delete;
  XorPen& operator=(const XorPen&) = delete;

 private:
  PenState saved_{};
};

Rect polybounds(PolyHandle poly) { return loadat<PolygonHeader>(deref(poly)).polyBBox; }

// The new polygon becomes the object's data and its bounds the object's rectangle; the old
// and new areas are invalidated and the window brought up to date.
i16 storepoly(Handle list, i16 index, PolyHandle poly) {
  invalspot(list, index);
  spot s = spotat(list, index);
  if (s.data != nilhandle) DisposeHandle(s.data);
  s.data = poly;
  s.rect = polybounds(poly);
  putspot(list, index, s);
  invalspot(list, index);
  updatewindow(mainglobals().current.window, 0);
  return 0;
}

i16 normalangle(i32 a) { return i16(((a % 360) + 360) % 360); }

}  // namespace

i16 sizepoly(Handle list, i16 index, Point click, i16 point) {
  if (!inlist(list, index)) return 0;
  const spot s = spotat(list, index);
  std::vector<Point> pts = polypoints(s.data);
  if (point < 0 || std::size_t(point) >= pts.size()) return 0;
  drawhand(list, index);
  PolyHandle shown = newpolygon(pts);
  if (shown == nilhandle) return 0;
  {
    XorPen pen;
    FramePoly(shown);
    Point last = click;
    while (stilldown()) {
      Point p{};
      getmouse(&p);
      if (EqualPt(p, last)) continue;
      last = p;
      FramePoly(shown);
      pts[std::size_t(point)] = p;
      KillPoly(shown);
      shown = newpolygon(pts);
      if (shown == nilhandle) return 0;
      FramePoly(shown);
    }
  }
  // Made afresh from its points, so that the bounds are those of the moved polygon.
  PolyHandle moved = newpolygon(pts);
  KillPoly(shown);
  if (moved == nilhandle) return 0;
  return storepoly(list, index, moved);
}

i16 rotspot(Handle list, i16 index, Point click) {
  if (!inlist(list, index)) return 0;
  const spot s = spotat(list, index);
  if (polypoints(s.data).empty()) return 0;
  PolyHandle unrotated = s.data;
  if (HandToHand(&unrotated) != noErr) return 0;
  const Rect bounds = polybounds(unrotated);
  const i16 ch = i16((i32(bounds.left) + bounds.right) / 2), cv = i16((i32(bounds.top) + bounds.bottom) / 2);
  // Angles are measured on a square around the centre, whatever the polygon's proportions.
  const Rect square{i16(cv - 2000), i16(ch - 2000), i16(cv + 2000), i16(ch + 2000)};
  i16 reference = 0;
  PtToAngle(&square, click, &reference);
  drawhand(list, index);
  PolyHandle rotated = unrotated;
  if (HandToHand(&rotated) != noErr) {
    KillPoly(unrotated);
    return 0;
  }
  {
    XorPen pen;
    FramePoly(rotated);
    Point last = click;
    while (stilldown()) {
      Point p{};
      getmouse(&p);
      if (EqualPt(p, last)) continue;
      last = p;
      i16 angle = 0;
      PtToAngle(&square, p, &angle);
      PolyHandle next = rotatepoly(unrotated, i32(reference) - angle);
      if (next == nilhandle) continue;
      FramePoly(rotated);
      KillPoly(rotated);
      rotated = next;
      FramePoly(rotated);
    }
  }
  KillPoly(unrotated);
  return storepoly(list, index, rotated);
}

i16 shapearc(Handle list, i16 index, Point click, i16 handle) {
  if (!inlist(list, index)) return 0;
  spot s = spotat(list, index);
  graphictail t = getgraphictail(s);
  const Rect oval = arcoval(s);
  i16 start = normalangle(i16(t.startangle));
  const i16 far = normalangle(i32(start) + i16(t.arcangle));
  const bool movestart = handle == 1;
  // The end the handle does not name stays; the moving end starts where it is.
  const i16 fixed = movestart ? far : start;
  i16 moving = movestart ? start : far;
  // The sweep from the start to the far end, counted the present way round.
  auto sweepof = [&](i16 end, bool reversed) {
    const i32 from = movestart ? end : fixed, to = movestart ? fixed : end;
    return normalangle(reversed ? from - to : to - from);
  };
  i16 len = i16(t.arcangle), sweep = len;
  bool dir = false;
  auto frame = [&] {
    const i16 drawstart = movestart ? moving : fixed;
    FrameArc(&oval, drawstart, dir ? i16(-sweep) : sweep);
  };
  drawhand(list, index);
  {
    XorPen pen;
    frame();
    Point last = click;
    while (stilldown()) {
      Point p{};
      getmouse(&p);
      if (EqualPt(p, last)) continue;
      last = p;
      frame();
      PtToAngle(&oval, p, &moving);
      sweep = sweepof(moving, dir);
      if (sweep - len > 90 || len - sweep > 90) {
        dir = !dir;
        sweep = sweepof(moving, dir);
      }
      frame();
      len = sweep;
      u32 ticks = 0;
      Delay(2, &ticks);
    }
  }
  start = movestart ? moving : fixed;
  i32 arc = dir ? -sweep : sweep;
  if (arc < 0) {
    start = i16(start + arc);
    arc = -arc;
  }
  start = normalangle(start);
  if (arc > 359) arc = 360;
  invalspot(list, index);
  s = spotat(list, index);
  t = getgraphictail(s);
  t.startangle = u16(start);
  t.arcangle = u16(arc);
  setgraphictail(s, t);
  arcbounds(oval, start, i16(arc), &s.rect);
  putspot(list, index, s);
  invalspot(list, index);
  updatewindow(mainglobals().current.window, 0);
  return 0;
}

}  // namespace kv
