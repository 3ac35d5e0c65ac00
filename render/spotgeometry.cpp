#include "render/spotgeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "fields/fieldrecords.h"
#include "engine/scripterrors.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/fielddrawing.h"
#include "render/objectbounds.h"
#include "render/picturecache.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/textentry.h"
#include "shell/windowmanage.h"
#include "store/liveparts.h"
#include "store/objects.h"

namespace kv {

namespace {

i32 reduceangle(i32 a) {
  while (a > 359) a -= 360;
  return a;
}

// Widens a rectangle until it holds the point (its sides included).
void include(Rect& r, Point p) {
  r = Rect{std::min(r.top, p.v), std::min(r.left, p.h), std::max(r.bottom, p.v), std::max(r.right, p.h)};
}

Point extremepoint(const Rect& oval, i32 angle) {
  const i16 midh = i16((i32(oval.left) + oval.right) >> 1), midv = i16((i32(oval.top) + oval.bottom) >> 1);
  switch (angle) {
    case 0: return Point{oval.top, midh};
    case 90: return Point{midv, oval.right};
    case 180: return Point{oval.bottom, midh};
    default: return Point{midv, oval.left};
  }
}

i32 width(const Rect& r) { return i32(r.right) - r.left; }
i32 height(const Rect& r) { return i32(r.bottom) - r.top; }


// A bitmap resized to a new rectangle: new rows of the new size, white, with the old pixels
// copied in (scaled to fill it, or at their place and size). False when memory runs out; the
// bitmap is then as it was.
bool resizebitmap(spot& s, const Rect& newrect, bool scale) {
  const bool colour = getgraphictail(s).startangle != 0;
  const i16 depth = colour ? 8 : 1;
  const MainGlobals& g = mainglobals();
  CTabHandle table = colour ? (g.currentclut != nilhandle ? g.currentclut : GetCTable(8)) : nilhandle;
  const bool owntable = colour && g.currentclut == nilhandle;
  const Rect newbounds{0, 0, i16(height(newrect)), i16(width(newrect))};
  GWorldPtr world = nilid;
  bool made = !EmptyRect(&newbounds) && NewGWorld(&world, depth, &newbounds, table, nilhandle, 0) == noErr;
  const Size rowbytes = pixmaprowbytes(width(newrect), depth);
  Handle rows = made ? NewHandleClear(rowbytes * height(newrect)) : nilhandle;
  if (rows == nilhandle) {
    if (world != nilid) DisposeGWorld(world);
    if (owntable) DisposeCTable(table);
    return false;
  }
  {
    SavePort saved;
    SetGWorld(world, nilhandle);
    // Colours of the old rows are matched through the bitmap's own table during the copy.
    addsearch(colour ? 1 : 0);
    EraseRect(&newbounds);
    if (s.data != nilhandle) {
      const Rect oldbounds{0, 0, i16(height(s.rect)), i16(width(s.rect))};
      const PixMap old = bitmapmap(deref(s.data), s.rect, colour, table);
      const Size need = Size(old.rowBytes & rowbytesmask) * height(s.rect);
      if (GetHandleSize(s.data) >= need) {
        const Rect dest = scale ? newbounds : oldbounds;
        CopyBits(reinterpret_cast<const BitMap*>(&old), GetPortBitMapForCopyBits(world), &oldbounds, &dest, srcCopy, 0);
      }
    }
    delsearch(colour ? 1 : 0);
    const PixMap fresh = pixmaprecord(GetGWorldPixMap(world));
    std::memcpy(deref(rows), fresh.baseAddr, std::size_t(rowbytes) * std::size_t(height(newrect)));
  }
  DisposeGWorld(world);
  if (owntable) DisposeCTable(table);
  DisposeHandle(s.data);
  s.data = rows;
  return true;
}

// The scroll of a scrolling field kept within what its text allows: the destination's height
// less the view's height inside the margins, measured with its live record, or else with a
// record made for the measure from its stored text (the rectangles alone do not know how tall
// the text is).
void clampfieldscroll(spot& s) {
  LongRect dest{}, view{};
  const WEReference we = livefield(s);
  if (we != nilid) {
    WEGetDestRect(&dest, we);
    WEGetViewRect(&view, we);
  } else {
    ldestview(s, &dest, &view);
    const WEReference measure = westupidtext(dest, view, s, (s.flags & spotdontwrap) != 0, true);
    if (measure != nilid) {
      WEGetDestRect(&dest, measure);
      WEGetViewRect(&view, measure);
      WEDispose(measure);
    }
  }
  Rect m{};
  fldmargins(s, &m);
  const i64 visible = i64(view.bottom) - view.top - m.top - m.bottom;
  const i64 max = std::max<i64>(0, i64(dest.bottom) - dest.top - visible);
  setfieldscroll(s, i32(std::clamp<i64>(getfieldscroll(s), 0, max)));
  // A shown field's record scrolls to the clamped value too.
  if (we != nilid) wesetscroll(s, getfieldscroll(s));
}

i16 mapone(spot& s, const Rect& newrect, bool scale, int depth);

void mapgroup(spot& s, const Rect& newrect, int depth) {
  Handle nested = s.data;
  if (nested != nilhandle && depth < kMaxGroupDepth) {
    for (i32 i = 0, n = spotcount(nested); i < n; ++i) {
      spot inner = spotat(nested, i);
      Rect r = inner.rect;
      MapRect(&r, &s.rect, &newrect);
      mapone(inner, r, true, depth + 1);
      putspot(nested, i, inner);
    }
  }
  calcbounds(nested, &s.rect, 2);
}

i16 mapone(spot& s, const Rect& newrect, bool scale, int depth) {
  const Rect old = s.rect;
  switch (s.style) {
    case stylerectangle:
    case styleroundrect:
    case styleoval:
      offsetpicturerects(s, newrect);
      s.rect = newrect;
      return 0;
    case styleline: {
      graphictail t = getgraphictail(s);
      auto snap = [&](Point p) {
        return Point{p.v == old.top ? newrect.top : newrect.bottom, p.h == old.left ? newrect.left : newrect.right};
      };
      t.point1 = snap(t.point1);
      t.point2 = snap(t.point2);
      setgraphictail(s, t);
      s.rect = newrect;
      return 0;
    }
    case stylepolygon:
    case stylepolybutton: {
      auto widened = [](Rect r) {
        if (r.right == r.left) r.right = i16(r.left + 1);
        if (r.bottom == r.top) r.bottom = i16(r.top + 1);
        return r;
      };
      const Rect from = widened(old), to = widened(newrect);
      if (s.data != nilhandle) MapPoly(s.data, &from, &to);
      if (s.style == stylepolygon) offsetpicturerects(s, newrect);
      s.rect = newrect;
      return 0;
    }
    case stylebitmap: {
      if (height(old) == height(newrect) && width(old) == width(newrect)) {
        s.rect = newrect;
        return 0;
      }
      const bool colour = getgraphictail(s).startangle != 0;
      if (colour && !mainglobals().colorWorld) return 0;
      if (!resizebitmap(s, newrect, scale)) return err::nomemory;
      s.rect = newrect;
      return 0;
    }
    case styletext: {
      offsetpicturerects(s, newrect);
      Rect r = newrect;
      if (s.showpen) {
        InsetRect(&r, i16(s.penwidth), i16(s.penheight));
        InsetRect(&r, i16(-i16(s.penwidth)), i16(-i16(s.penheight)));
      }
      s.rect = r;
      return 0;
    }
    case stylearc: {
      const Rect oval = maparcoval(s, old, newrect);
      const graphictail t = getgraphictail(s);
      arcbounds(oval, i16(t.startangle), i16(t.arcangle), &s.rect);
      return 0;
    }
    case stylegroup: mapgroup(s, newrect, depth); return 0;
    case stylefieldlist:
    case stylefieldscrolllist:
      s.rect = newrect;
      // The rows follow the new width and view.
      setcellsize(s);
      return 0;
    default: break;
  }
  const bool button = s.style >= 200 && s.style <= 229 && s.style != 208;
  const bool textfield = s.style == stylefieldrect || s.style == stylefieldscroll;
  if (!button && !textfield) return 0;
  s.rect = newrect;
  resyncwerects(s);
  if (s.style == stylefieldscroll) clampfieldscroll(s);
  return 0;
}

}  // namespace

void arcpoint(const Rect& oval, i16 angle, Point* out) {
  const i32 a = reduceangle(angle);
  const double degrees = a < 90 ? a + 270 : a - 90;
  const double r = degrees * std::numbers::pi / 180.0;
  Point p{i16(std::trunc(2000.0 * std::sin(r))), i16(std::trunc(2000.0 * std::cos(r)))};
  const Rect square{-2000, -2000, 2000, 2000};
  MapPt(&p, &square, &oval);
  *out = p;
}

void arcbounds(const Rect& oval, i16 start, i16 arc, Rect* out) {
  const i16 midv = i16((i32(oval.top) + oval.bottom) >> 1), midh = i16((i32(oval.left) + oval.right) >> 1);
  Rect r{midv, midh, midv, midh};
  const i16 end = i16(start + arc);
  Point p{};
  arcpoint(oval, start, &p);
  include(r, p);
  arcpoint(oval, end, &p);
  include(r, p);
  const i32 q1 = start / 90, q2 = end / 90;
  for (i32 q = q1 + 1; q <= q2; ++q) include(r, extremepoint(oval, ((q * 90) % 360 + 360) % 360));
  *out = r;
}

PixMap bitmapmap(Ptr base, const Rect& r, bool colour, CTabHandle table) {
  PixMap pm{};
  pm.baseAddr = base;
  pm.bounds = Rect{0, 0, i16(height(r)), i16(width(r))};
  pm.rowBytes = pixmaprowbytes(width(r), colour ? 8 : 1);
  if (colour) {
    pm.rowBytes = u16(pm.rowBytes | pixmapflag);
    pm.pixelSize = 8;
    pm.cmpCount = 1;
    pm.cmpSize = 8;
    pm.pmTable = table;
    pm.hRes = pm.vRes = fixed72dpi;
  }
  return pm;
}

Rect arcoval(const spot& s) {
  const graphictail t = getgraphictail(s);
  return Rect{t.point1.v, t.point1.h, t.point2.v, t.point2.h};
}

Rect maparcoval(spot& s, const Rect& from, const Rect& to) {
  Rect oval = arcoval(s);
  MapRect(&oval, &from, &to);
  graphictail t = getgraphictail(s);
  t.point1 = Point{oval.top, oval.left};
  t.point2 = Point{oval.bottom, oval.right};
  setgraphictail(s, t);
  return oval;
}

i16 mapspot(Handle list, i32 index, const Rect& newrect, bool scale) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return 0;
  spot s = spotat(list, index);
  const i16 st = mapone(s, newrect, scale, 0);
  putspot(list, index, s);
  return st;
}

}  // namespace kv
