// The paint shape tools: rectangles, rounded rectangles and ovals dragged out, straight
// lines, and polygons clicked out point by point, drawn into the painted bitmap's image with
// the pen and fill settings. Each rubber-bands through the stroke copy: every new frame first
// puts back the image as it was before the stroke.
#include <algorithm>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/platformutil.h"
#include "tools/handletools.h"
#include "tools/paint.h"
#include "tools/paintsession.h"
#include "tools/shapegeometry.h"

namespace kv {

namespace {

constexpr i16 kCornerOval = 15;       // the corner ovals of a rounded rectangle
constexpr i16 kCloseSlop = 6;         // a polygon point this near its first point closes it
constexpr i32 kPolygonBytes = 32766;  // the largest polygon record
constexpr i32 kPolygonHeader = 10;

Rect spanned(Point a, Point b) {
  Rect r{};
  Pt2Rect(a, b, &r);
  return r;
}

// The rectangle of a line from `a` to `b` with room for the pen on the right and bottom.
Rect linearea(Point a, Point b, Point c) {
  Rect r = spanned(a, b), other = spanned(a, c);
  UnionRect(&r, &other, &r);
  const i16 pen = std::max<i16>(mainglobals().penWidth, mainglobals().penHeight);
  r.right = i16(r.right + pen);
  r.bottom = i16(r.bottom + pen);
  return r;
}

void drawshape(const Rect& r, i16 kind) {
  const MainGlobals& g = mainglobals();
  auto draw = [&](bool paint) {
    switch (kind) {
      case 1: paint ? PaintRect(&r) : FrameRect(&r); break;
      case 2:
        paint ? PaintRoundRect(&r, kCornerOval, kCornerOval) : FrameRoundRect(&r, kCornerOval, kCornerOval);
        break;
      default: paint ? PaintOval(&r) : FrameOval(&r); break;
    }
  };
  if (g.filled) {
    fillcolorup();
    draw(true);
  }
  if (g.showPen) {
    pencolorup();
    draw(false);
  }
}

void drawedge(Point from, Point to) {
  bindimage();
  pencolorup();
  MoveTo(from.h, from.v);
  LineTo(to.h, to.v);
}

// Fills (with `filled`) and frames the polygon of the points in the image.
void drawpolygon(const std::vector<Point>& pts) {
  PolyHandle poly = newpolygon(pts);
  if (poly == nilhandle) return;
  bindimage();
  if (mainglobals().filled) {
    fillcolorup();
    PaintPoly(poly);
  }
  pencolorup();
  FramePoly(poly);
  KillPoly(poly);
}

// One edge of a polygon followed by the mouse from `from` until the next press (taken from the
// event queue, so that a quick click is not missed): where it ended and whether that press was
// a double click. With the click or drag command's mouse the edge ends where the mouse stops,
// as a double click.
Point trackedge(Point from, bool* doubleclick) {
  Point last = from, mouse = from;
  const bool simulated = toolstate().sender != senderMouse;
  EventRecord press{};
  for (;;) {
    if (simulated ? !stilldown() : GetNextEvent(mDownMask, &press)) break;
    paintmouse(&mouse);
    shiftpoint(from, &mouse, false);
    if (EqualPt(mouse, last)) {
      if (!simulated) {
        u32 ticks = 0;
        Delay(1, &ticks);
      }
      continue;
    }
    restorestroke();
    drawedge(from, mouse);
    showbits(linearea(from, mouse, last));
    last = mouse;
    if (!simulated) {
      u32 ticks = 0;
      Delay(2, &ticks);
    }
  }
  if (simulated) {
    *doubleclick = true;
    return last;
  }
  *doubleclick = dclick(press.where, press.when) != 0;
  mouse = press.where;
  paintsessionlocal(&mouse);
  shiftpoint(from, &mouse, false);
  return mouse;
}

}  // namespace

i16 genericrect(Handle list, Point pt, i16 kind) {
  if (i16 st = firstbits(list, pt)) return st;
  if (kind < 1 || kind > 3) {
    showwholebitmap();
    return 0;
  }
  paintchanged();
  bindimage();
  keepstroke();
  Rect last = spanned(pt, pt);
  bool drawn = false;
  Point mouse = pt;
  do {
    if (!stilldown() && drawn) break;
    paintmouse(&mouse);
    Rect r = spanned(pt, mouse);
    shiftrect(&r, pt, mouse);
    if (drawn && EqualRect(&r, &last)) continue;
    restorestroke();
    bindimage();
    drawshape(r, kind);
    Rect area{};
    UnionRect(&r, &last, &area);
    showbits(area);
    last = r;
    drawn = true;
  } while (stilldown());
  return 0;
}

i16 genericline(Handle list, Point pt) {
  if (i16 st = firstbits(list, pt)) return st;
  if (!mainglobals().showPen) return 0;
  paintchanged();
  bindimage();
  keepstroke();
  Point last = pt, mouse = pt;
  bool drawn = false;
  do {
    if (!stilldown() && drawn) break;
    paintmouse(&mouse);
    shiftpoint(pt, &mouse, false);
    if (drawn && EqualPt(mouse, last)) continue;
    restorestroke();
    drawedge(pt, mouse);
    showbits(linearea(pt, mouse, last));
    last = mouse;
    drawn = true;
  } while (stilldown());
  return 0;
}

i16 genericpoly(Handle list, Point pt) {
  if (i16 st = firstbits(list, pt)) return st;
  const MainGlobals& g = mainglobals();
  if (!g.showPen) return 0;
  paintchanged();
  bindimage();
  keepstroke();
  std::vector<Point> pts{pt};
  Point from = pt;
  for (;;) {
    bool doubleclick = false;
    const Point end = trackedge(from, &doubleclick);
    if (pts.size() > 1 && localpt(pts.front(), end, kCloseSlop)) {
      restorestroke();
      pts.push_back(pts.front());
      break;
    }
    if (doubleclick) {
      // An unfilled polygon ends open, its last edge kept; a filled one closes on its first point.
      if (!EqualPt(end, from)) pts.push_back(end);
      if (g.filled) pts.push_back(pts.front());
      restorestroke();
      break;
    }
    keepstroke();
    pts.push_back(end);
    from = end;
    // The polygon record holds 4 bytes a point after its header.
    if (kPolygonHeader + i32(pts.size() + 1) * 4 > kPolygonBytes) break;
  }
  drawpolygon(pts);
  showwholebitmap();
  FlushEvents(everyEvent, 0);
  return 0;
}

}  // namespace kv
