// Typing into a text graphic.
#include "tools/textgraphic.h"

#include <algorithm>

#include "engine/textutil.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "shell/mainloop.h"
#include "tools/handletools.h"
#include "tools/shapegeometry.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/te/te.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/graphicdrawing.h"
#include "render/selectionknobs.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/textentry.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "textengine/fieldstorage.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr u32 kGraphFeatures = 4096;

LongRect longrect(const Rect& r) { return LongRect{r.top, r.left, r.bottom, r.right}; }

// The text area of a text graphic: its rectangle, inside its pen when the pen shows.
Rect textarea(const spot& s) {
  Rect r = s.rect;
  if (s.showpen) InsetRect(&r, i16(s.penwidth), i16(s.penheight));
  return r;
}

}  // namespace

void putupgraph(Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  {
    SavePort saved;
    putdownfield();
  }
  if (g.graphindex >= 0) return;
  g.msginactive = 1;
  if (isvalidte(g.msgtext)) TEDeactivate(g.msgtext);
  hilitespot(list, 1, 1);
  spot s = spotat(list, index);
  const LongRect area = longrect(textarea(s));
  if (s.data != nilhandle) fixtext(s.data);
  WEReference we = nilid;
  if (WENew(&area, &area, kGraphFeatures, &we) != noErr) return;
  if (s.data != nilhandle) weunpacktext(s.data, s.uprops, we);
  WEActivate(we);
  g.graphindex = index;
  g.graphspots = list;
  g.graphwindow = g.current.window;
  g.graphrec = we;
  if (g.current.cardrecid) changevir(g.current.store, i32(g.current.cardrecid));
  drawgraph();
}

void graphkey(u8 c) {
  MainGlobals& g = mainglobals();
  if (g.graphindex < 0 || !isvalidwerec(g.graphrec)) return;
  wekey(c, g.graphrec);
  calgraphrect();
}

void calgraphrect() {
  MainGlobals& g = mainglobals();
  if (g.graphindex < 0 || g.graphindex >= spotcount(g.graphspots) || !isvalidwerec(g.graphrec)) return;
  const WEReference we = g.graphrec;
  LongRect dest{};
  WEGetDestRect(&dest, we);
  const i32 h = dest.bottom - dest.top;
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  if (start == end) {
    // A space typed and taken back makes the record lay out its last line.
    WEKey(' ', 0, we);
    WEKey(8, 0, we);
  }
  spot s = spotat(g.graphspots, g.graphindex);
  i32 bottom = s.rect.top + h;
  if (s.showpen) bottom += s.penwidth + s.penheight;
  if (bottom == s.rect.bottom) return;
  SavePort saved;
  if (g.graphwindow != nilid) SetPortWindowPort(g.graphwindow);
  invalspot(g.graphspots, g.graphindex);
  s.rect.bottom = i16(bottom);
  putspot(g.graphspots, g.graphindex, s);
  if (s.showpen) InvalWindowRect(g.graphwindow, &s.rect);
  const LongRect area = longrect(textarea(s));
  WESetDestRect(&area, we);
  WESetViewRect(&area, we);
  WECalText(we);
  invalspot(g.graphspots, g.graphindex);
  drawgraph();
  if (s.showpen) {
    PenSize(i16(s.penwidth), i16(s.penheight));
    FrameRect(&s.rect);
    PenNormal();
  }
}

namespace {

constexpr Size kMaxPolygon = 32766;

bool nearstart(Point pt, Point start) {
  return pt.h >= start.h - 6 && pt.h <= start.h + 5 && pt.v >= start.v - 6 && pt.v <= start.v + 5;
}

void line(Point from, Point to) {
  MoveTo(from.h, from.v);
  LineTo(to.h, to.v);
}

bool addpoint(PolyHandle poly, Point pt) {
  if (GetHandleSize(poly) + Size(sizeof pt) > kMaxPolygon) return false;
  if (PtrAndHand(&pt, poly, Size(sizeof pt)) != noErr) return false;
  PolygonHeader h = loadat<PolygonHeader>(deref(poly));
  h.polySize = u16(GetHandleSize(poly));
  storeat(deref(poly), h);
  return GetHandleSize(poly) + Size(sizeof pt) <= kMaxPolygon;
}

// Follows the mouse with a line from `last` while the button is as `down` says (the button
// itself: the presses of a polygon are no clicks the event queue hands out); the line drawn
// last is at *shown (none while *shown equals `last`).
void follow(Point last, Point* shown, bool down) {
  LoopScope loop("rubber-band polygon");
  while (Button() == down) {
    Point pt{};
    getmouse(&pt);
    if ((GetCurrentKeyModifiers() & shiftKey) != 0) shiftpoint(last, &pt, true);
    if (pt.h != shown->h || pt.v != shown->v) {
      if (shown->h != last.h || shown->v != last.v) line(last, *shown);
      line(last, pt);
      *shown = pt;
    }
    EventRecord e{};
    WaitNextEvent(0, &e, 1);
    u32 ticks = 0;
    Delay(2, &ticks);
  }
}

}  // namespace

PolyHandle linepoly(Point start, bool close) {
  ShowPen();
  MoveTo(start.h, start.v);
  PolyHandle poly = NewHandle(Size(sizeof(PolygonHeader)));
  if (poly == nilhandle) {
    HidePen();
    return nilhandle;
  }
  storeat(deref(poly), PolygonHeader{u16(sizeof(PolygonHeader)), Rect{}});
  bool room = addpoint(poly, start);
  Point last = start;
  while (room) {
    Point shown = last;
    follow(last, &shown, true);
    follow(last, &shown, false);
    Point pt{};
    getmouse(&pt);
    if ((GetCurrentKeyModifiers() & shiftKey) != 0) shiftpoint(last, &pt, true);
    if (shown.h != last.h || shown.v != last.v) line(last, shown);
    if (nearstart(pt, start)) {
      line(last, start);
      addpoint(poly, start);
      break;
    }
    if (dclick(pt, TickCount())) {
      if (close) {
        line(last, start);
        addpoint(poly, start);
      }
      break;
    }
    line(last, pt);
    room = addpoint(poly, pt);
    last = pt;
  }
  FlushEvents(everyEvent, 0);
  HidePen();
  // The bounding box of all the points.
  const i32 n = (GetHandleSize(poly) - i32(sizeof(PolygonHeader))) / i32(sizeof(Point));
  Rect box{32767, 32767, -32768, -32768};
  for (i32 i = 0; i < n; ++i) {
    const Point p = loadat<Point>(deref(poly) + sizeof(PolygonHeader) + std::size_t(i) * sizeof(Point));
    box = Rect{std::min(box.top, p.v), std::min(box.left, p.h), std::max(box.bottom, p.v), std::max(box.right, p.h)};
  }
  if (n == 0 || box.right <= box.left || box.bottom <= box.top) {
    DisposeHandle(poly);
    return nilhandle;
  }
  PolygonHeader h = loadat<PolygonHeader>(deref(poly));
  h.polyBBox = box;
  storeat(deref(poly), h);
  GrafPtr port = nilid;
  GetPort(&port);
  if (WindowRef w = GetWindowFromPort(port); w != nilid) InvalWindowRect(w, &box);
  return poly;
}

}  // namespace kv
