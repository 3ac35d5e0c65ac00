// Creation by dragging: each drawing, button and field tool drags out its shape with a
// rubber-band outline (framing a shape a second time in the exclusive-or pen erases it), and on
// release the new object is appended on top of the edited layer.
#include "tools/creation.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "commands/define.h"
#include "commands/objectids.h"
#include "engine/tokens.h"
#include "fields/listfields.h"
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/carddrawing.h"
#include "render/hittest.h"
#include "render/spotgeometry.h"
#include "shell/drawcase.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/newscript.h"
#include "store/fieldtext.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "tools/handletools.h"
#include "tools/objectremoval.h"
#include "tools/paint.h"
#include "tools/paintsession.h"
#include "tools/shapegeometry.h"
#include "tools/textgraphic.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kEmptyPolygon = 66;
constexpr Size kShapeMemory = 1000, kPolygonMemory = 32767;
constexpr i16 kCornerOval = 15;       // a round rectangle's corners
constexpr i32 kPolygonBytes = 32766;  // the largest polygon record
constexpr i32 kPolygonHeader = 10;
constexpr i16 kFieldSlop = 16, kTextSlop = 10, kFreeStep = 4;
constexpr u32 kGraphicFlags = 0x08000001, kTextGraphicFlags = 0x08100001;
constexpr u32 kFieldFlags = 0x00100000 | 0x02000000;  // field text, showFrame
constexpr u16 kLineSelected = 3;
constexpr i16 kAlignCenter = 1, kButtonTextSize = 12;

bool refused(Size bytes) { return memoryrefused(bytes); }

bool held(u16 key) { return (GetCurrentKeyModifiers() & key) != 0; }

// Within `slop` of the start: from `slop` before to `slop` - 1 after it, in both axes.
bool near(Point pt, Point start, i16 slop) {
  return pt.h >= start.h - slop && pt.h < start.h + slop && pt.v >= start.v - slop && pt.v < start.v + slop;
}

Rect spanned(Point a, Point b) {
  Rect r{};
  Pt2Rect(a, b, &r);
  return r;
}

// The rectangle between the start and the mouse, a square with Shift (the start's corner kept).
Rect squared(Point start, Point mouse) {
  Rect r = spanned(start, mouse);
  shiftrect(&r, start, mouse);
  return r;
}

void pause2() {
  u32 ticks = 0;
  Delay(2, &ticks);
}

// The drag loop: while the mouse is down the shape follows it; a new shape erases the one shown
// and is drawn. What was shown last stays shown (erase it with `draw`); *shown tells whether
// any was drawn, *mouse where the mouse was last read.
template <class Shape, class Make, class Draw, class Same>
Shape dragout(Point start, Make make, Draw draw, Same same, bool* shown, Point* mouse) {
  LoopScope loop("creation drag");
  Shape last{};
  *shown = false;
  Point pt = start;
  while (stilldown()) {
    getmouse(&pt);
    Shape next = make(pt);
    if (*shown && same(next, last)) continue;
    if (*shown) draw(last);
    draw(next);
    last = next;
    *shown = true;
    pause2();
  }
  *mouse = pt;
  return last;
}

bool samerect(const Rect& a, const Rect& b) { return EqualRect(&a, &b); }
void framerect(const Rect& r) { FrameRect(&r); }

// A new object of a kind from the defaults, with its id.
spot newobject(Handle list, u16 kind, u16 style) {
  spot s{};
  defaultspot(s);
  s.kind = kind;
  s.style = style;
  s.id = uniqueid(list, 0);
  return s;
}

// A new graphic takes the drawing settings of the global properties.
spot newgraphic(Handle list, u16 style, const Rect& r) {
  const MainGlobals& g = mainglobals();
  spot s = newobject(list, spotgraphic, style);
  s.flags = kGraphicFlags;
  s.rect = r;
  s.showpen = u8(g.showPen != 0);
  s.showfill = u8(g.filled != 0);
  s.penfore = u8(g.penFore);
  s.fillfore = u8(g.fillFore);
  s.penback = u8(g.penback);
  s.fillback = u8(g.fillBack);
  s.penwidth = u16(g.penWidth);
  s.penheight = u16(g.penHeight);
  const Pattern pen = paintpattern(g.penPat), fill = paintpattern(g.fillPat);
  std::copy(std::begin(pen.pat), std::end(pen.pat), s.penpat.b);
  std::copy(std::begin(fill.pat), std::end(fill.pat), s.fillpat.b);
  s.ink = 0;
  s.shadow = 0;
  return s;
}

// An empty stored text with the global text settings, its justification and line height given.
Handle emptytext(i16 just, i16 lineheight) {
  fieldtail tail = defaultfieldtail();
  tail.just = just;
  tail.lineheight = lineheight;
  Handle h = NewHandle(0);
  if (h == nilhandle) return nilhandle;
  if (setemptyfieldtext(h, tail) != noErr) {
    DisposeHandle(h);
    return nilhandle;
  }
  return h;
}

// Frees everything a record that never joined a list owns.
void dropobject(const spot& s) {
  Handle one = NewHandle(0);
  if (one != nilhandle && PtrAndHand(&s, one, Size(sizeof s)) == noErr) {
    dumpspot(one);
    return;
  }
  if (one != nilhandle) DisposeHandle(one);
  for (Handle h : {Handle(s.data), Handle(s.script)})
    if (h != nilhandle) DisposeHandle(h);
  dumprop(s.uprops);
}

// --- Rectangles, lines, arcs ----------------------------------------------------------------------

void frameshape(const Rect& r, i16 shape) {
  switch (shape) {
    case 1: FrameRect(&r); break;
    case 2: FrameRoundRect(&r, kCornerOval, kCornerOval); break;
    default: FrameOval(&r); break;
  }
}

struct Segment {
  Point from, to;
};

struct Arc {
  Rect oval, bounds;
  i16 start;
};

// The quarter arc from the click to the mouse: its oval is the drag rectangle doubled away
// from the click, so that the click and the mouse are the ends of the quarter.
Arc arcof(Point start, Point mouse) {
  const Rect r = spanned(start, mouse);
  const i16 w = i16(r.right - r.left), h = i16(r.bottom - r.top);
  const bool right = mouse.h >= start.h, above = mouse.v < start.v;
  Arc a{r, r, 0};
  if (right) a.oval.left = i16(a.oval.left - w);
  else a.oval.right = i16(a.oval.right + w);
  if (above) a.oval.top = i16(a.oval.top - h);
  else a.oval.bottom = i16(a.oval.bottom + h);
  a.start = right ? (above ? 90 : 0) : (above ? 180 : 270);
  arcbounds(a.oval, a.start, 90, &a.bounds);
  if (held(shiftKey)) {
    Rect square = a.bounds;
    shiftrect(&square, start, mouse);
    MapRect(&a.oval, &a.bounds, &square);
    a.bounds = square;
  }
  return a;
}

// --- Buttons ----------------------------------------------------------------------------------

struct ButtonKind {
  i16 kind;
  u16 style;
};
constexpr ButtonKind kButtonKinds[] = {
    {1, 200},  {2, 201},  {3, 203},  {4, 204},  {5, 205},  {6, 206},  {7, 222},  {8, 207},  {10, 209},
    {11, 210}, {12, 211}, {13, 212}, {14, 213}, {15, 214}, {16, 215}, {17, 216}, {18, 217}, {19, 218},
    {20, 219}, {21, 220}, {22, 221}, {23, 223}, {24, 224}, {25, 226}, {26, 225}, {27, 228}, {28, 229},
};

u16 buttonstyle(i16 kind) {
  for (const ButtonKind& k : kButtonKinds)
    if (k.kind == kind) return k.style;
  return 200;
}

i32 metric(i32 selector) {
  i32 n = 0;
  return GetThemeMetric(selector, &n) == noErr ? n : 0;
}

// The fixed height and width of a kind that has one; false for the others.
bool fixedsize(i16 kind, i16* height, i16* width) {
  auto ormetric = [](i32 selector, i32 instead) {
    const i32 n = metric(selector);
    return n != 0 ? n : instead;
  };
  i32 h = 0, w = 0;
  switch (kind) {
    case 1:
    case 2:
      h = 20;
      w = 69;
      break;
    case 5: h = w = 32; break;
    case 7: h = w = 11; break;
    case 8: h = w = 42; break;
    case 13:
      h = metric(kThemeMetricDisclosureButtonHeight) + 2;
      w = metric(kThemeMetricDisclosureButtonWidth) + 2;
      break;
    case 18:
      h = metric(kThemeMetricLittleArrowsHeight) != 0 ? metric(kThemeMetricLittleArrowsHeight) + 2 : 22;
      w = metric(kThemeMetricLittleArrowsWidth) != 0 ? metric(kThemeMetricLittleArrowsWidth) + 2 : 14;
      break;
    case 19: h = w = 18; break;
    case 20:
      h = ormetric(kThemeMetricDisclosureTriangleHeight, 14);
      w = ormetric(kThemeMetricDisclosureTriangleWidth, 14);
      break;
    default: return false;
  }
  *height = i16(h);
  *width = i16(w);
  return true;
}

// The data property a new button of a style gets ("" for none).
ConstStringPtr dataproperty(u16 style) {
  switch (style) {
    case 206:
    case 222: return reinterpret_cast<ConstStringPtr>("\x09popupData");
    case 210: return reinterpret_cast<ConstStringPtr>("\x07tabData");
    default: return nullptr;
  }
}

// --- Appending and polygons ---------------------------------------------------------------------

// A polygon object (graphic or button) from a clicked-out polygon: its bounding box is the
// rectangle and the polygon its data.
i16 polygonobject(Handle list, PolyHandle poly, spot s) {
  if (poly == nilhandle) return kEmptyPolygon;
  s.rect = loadat<PolygonHeader>(deref(poly)).polyBBox;
  s.data = poly;
  return lastcreate(list, s);
}

}  // namespace

i16 lastcreate(Handle list, const spot& object) {
  FlushEvents(everyEvent, 0);
  if (list == nilhandle || PtrAndHand(&object, list, Size(sizeof object)) != noErr) {
    dropobject(object);
    return kNoMemory;
  }
  const i16 index = i16(spotcount(list) - 1);
  invalspot(list, index);
  drawinval();
  const Rect r = spotat(list, index).rect;
  if (r.right > r.left || r.bottom > r.top) return 0;
  squashutil(list, index);
  return toolmadenothing;
}

i16 createdrawrect(Handle list, Point pt, i16 shape) {
  if (refused(kShapeMemory)) return kNoMemory;
  bool shown = false;
  Point mouse{};
  auto draw = [shape](const Rect& r) { frameshape(r, shape); };
  const Rect r = dragout<Rect>(
      pt, [pt](Point m) { return squared(pt, m); }, draw, samerect, &shown, &mouse);
  if (shown) draw(r);
  const u16 style = shape == 2 ? 101 : shape == 3 ? 102 : stylerectangle;
  spot s = newgraphic(list, style, r);
  graphictail t{};
  t.startangle = kCornerOval;
  t.arcangle = kCornerOval;
  setgraphictail(s, t);
  return lastcreate(list, s);
}

i16 createdrawline(Handle list, Point pt, i16 straight) {
  if (refused(kShapeMemory)) return kNoMemory;
  bool shown = false;
  Point mouse{};
  auto make = [pt, straight](Point m) {
    shiftpoint(pt, &m, straight == 1);
    return Segment{pt, m};
  };
  auto draw = [](const Segment& l) {
    MoveTo(l.from.h, l.from.v);
    LineTo(l.to.h, l.to.v);
  };
  auto same = [](const Segment& a, const Segment& b) { return EqualPt(a.to, b.to); };
  Segment l = dragout<Segment>(pt, make, draw, same, &shown, &mouse);
  if (shown) draw(l);
  else l = Segment{pt, pt};
  spot s = newgraphic(list, 103, spanned(l.from, l.to));
  s.selected = kLineSelected;
  graphictail t{};
  t.point1 = l.from;
  t.point2 = l.to;
  setgraphictail(s, t);
  return lastcreate(list, s);
}

i16 createdrawarc(Handle list, Point pt) {
  if (refused(kShapeMemory)) return kNoMemory;
  bool shown = false;
  Point mouse{};
  auto draw = [](const Arc& a) { FrameArc(&a.oval, a.start, 90); };
  auto same = [](const Arc& a, const Arc& b) {
    return EqualRect(&a.oval, &b.oval) && EqualRect(&a.bounds, &b.bounds) && a.start == b.start;
  };
  const Arc a = dragout<Arc>(
      pt, [pt](Point m) { return arcof(pt, m); }, draw, same, &shown, &mouse);
  if (shown) draw(a);
  spot s = newgraphic(list, 107, a.bounds);
  graphictail t{};
  t.startangle = u16(a.start);
  t.arcangle = 90;
  t.point1 = Point{a.oval.top, a.oval.left};
  t.point2 = Point{a.oval.bottom, a.oval.right};
  setgraphictail(s, t);
  return lastcreate(list, s);
}

i16 createdrawpoly(Handle list, Point pt) {
  if (refused(kPolygonMemory)) return kNoMemory;
  const PolyHandle poly = linepoly(pt, mainglobals().filled != 0);
  return polygonobject(list, poly, newgraphic(list, stylepolygon, Rect{}));
}

i16 createbutpoly(Handle list, Point pt) {
  if (refused(kPolygonMemory)) return kNoMemory;
  const PolyHandle poly = linepoly(pt, true);
  spot s = newobject(list, spotbutton, stylepolybutton);
  s.script = newscript(scriptbutton);
  buttontail t{};
  t.words.v[1] = kButtonTextSize;
  t.words.v[3] = u16(kAlignCenter);
  setbuttontail(s, t);
  if (s.script == nilhandle) {
    if (poly != nilhandle) DisposeHandle(poly);
    return kNoMemory;
  }
  if (poly == nilhandle) dropobject(s);
  return polygonobject(list, poly, s);
}

i16 createdrawfree(Handle list, Point pt) {
  if (refused(kPolygonMemory)) return kNoMemory;
  const MainGlobals& g = mainglobals();
  PenMode(patCopy);
  MoveTo(pt.h, pt.v);
  std::vector<Point> points{pt};
  const i32 most = (kPolygonBytes - kPolygonHeader) / i32(sizeof(Point));
  {
    LoopScope loop("freehand polygon");
    while (stilldown()) {
      Point m{};
      getmouse(&m);
      const Point last = points.back();
      if (near(m, last, kFreeStep) || i32(points.size()) >= most) continue;
      LineTo(m.h, m.v);
      points.push_back(m);
      pause2();
    }
  }
  if (g.filled && !EqualPt(points.back(), pt) && i32(points.size()) < most) {
    LineTo(pt.h, pt.v);
    points.push_back(pt);
  }
  const PolyHandle poly = newpolygon(points);
  if (poly == nilhandle) return kNoMemory;
  return polygonobject(list, poly, newgraphic(list, stylepolygon, Rect{}));
}

i16 createbutrect(Handle list, Point pt, i16 kind) {
  if (refused(kShapeMemory)) return kNoMemory;
  auto make = [pt, kind](Point m) {
    i16 h = 0, w = 0;
    if (held(optionKey) && fixedsize(kind, &h, &w)) {
      const i16 top = i16(m.v - h / 2), left = i16(m.h - w / 2);
      return Rect{top, left, i16(top + h), i16(left + w)};
    }
    return squared(pt, m);
  };
  auto draw = [kind](const Rect& r) {
    if (kind == 2) {
      const i16 corner = i16((r.bottom - r.top) / 2);
      FrameRoundRect(&r, corner, corner);
    } else {
      FrameRect(&r);
    }
  };
  bool shown = false;
  Point mouse{};
  const Rect r = dragout<Rect>(pt, make, draw, samerect, &shown, &mouse);
  if (shown) draw(r);
  spot s = newobject(list, spotbutton, buttonstyle(kind));
  s.rect = r;
  buttontail t{};
  t.words.v[1] = kButtonTextSize;
  t.words.v[3] = u16(kAlignCenter);
  setbuttontail(s, t);
  s.script = newscript(scriptbutton);
  if (s.script == nilhandle) return kNoMemory;
  if (ConstStringPtr name = dataproperty(s.style)) {
    Handle props = nilhandle;
    i16 changed = 0;
    if (comodproperty(s.uprops, &props, &changed, tok::define, name) == 0 && props != nilhandle) s.uprops = props;
  }
  return lastcreate(list, s);
}

i16 createfieldrect(Handle list, Point pt, i16 tool) {
  if (refused(kShapeMemory)) return kNoMemory;
  bool shown = false;
  Point mouse{};
  const Rect r = dragout<Rect>(
      pt, [pt](Point m) { return squared(pt, m); }, framerect, samerect, &shown, &mouse);
  if (shown) FrameRect(&r);
  if (near(mouse, pt, kFieldSlop)) return toolmadenothing;
  const MainGlobals& g = mainglobals();
  spot s = newobject(list, spotfield, tool == 501 ? stylefieldscroll : stylefieldrect);
  s.selected = 0;
  s.flags |= kFieldFlags;
  s.showpen = 0;
  s.rect = r;
  s.data = emptytext(g.textAlign, g.textHeight);
  if (s.data == nilhandle) return kNoMemory;
  if (tool == 502 || tool == 503) setlistmode(s, true, tool == 502 ? stylefieldlist : stylefieldscrolllist);
  return lastcreate(list, s);
}

i16 createdrawtext(Handle list, Point pt) {
  MainGlobals& g = mainglobals();
  if (g.graphindex >= 0) {
    // A click in another window is never inside it.
    if (g.graphwindow == g.current.window && ptinspot(g.graphspots, g.graphindex, pt) && isvalidwerec(g.graphrec)) {
      dclick(pt, g.event.when);
      WEClick(pt, g.event.modifiers, g.event.when, g.graphrec);
      return toolmadenothing;
    }
    putdowngraph();
  }
  for (i32 i = spotcount(list) - 1; i >= 0; --i) {
    const spot s = spotat(list, i);
    if (s.style != styletext || !lowinspot(s, pt)) continue;
    putupgraph(list, i16(i));
    if (g.graphindex >= 0 && isvalidwerec(g.graphrec)) WEClick(pt, g.event.modifiers, g.event.when, g.graphrec);
    FlushEvents(everyEvent, 0);
    return toolmadenothing;
  }
  if (refused(kShapeMemory)) return kNoMemory;
  CGrafPtr port = nilid;
  GetPort(&port);
  const i16 font = GetPortTextFont(port), size = GetPortTextSize(port);
  const Style face = GetPortTextFace(port);
  TextFont(g.textFont);
  TextSize(g.textSize);
  TextFace(Style(g.textStyle));
  FontInfo info{};
  GetFontInfo(&info);
  TextFont(font);
  TextSize(size);
  TextFace(face);
  // One line at the mouse's height, from the click to the mouse.
  auto make = [pt, info](Point m) {
    Rect r{};
    r.left = std::min(pt.h, m.h);
    r.right = std::max(pt.h, m.h);
    r.top = i16(m.v - info.ascent);
    r.bottom = i16(m.v + info.descent + info.leading);
    return r;
  };
  bool shown = false;
  Point mouse = pt;
  Rect r = dragout<Rect>(pt, make, framerect, samerect, &shown, &mouse);
  if (shown) FrameRect(&r);
  else r = make(pt);
  if (near(mouse, pt, kTextSlop)) return toolmadenothing;
  if (r.right - r.left < info.widMax) r.right = i16(r.left + info.widMax);
  spot s = newgraphic(list, styletext, r);
  s.flags = kTextGraphicFlags;
  s.data = emptytext(g.textAlign, -1);
  if (s.data == nilhandle) return kNoMemory;
  const i16 st = lastcreate(list, s);
  if (st == 0) putupgraph(list, i16(spotcount(list) - 1));
  return st;
}

}  // namespace kv
