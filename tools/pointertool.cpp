// The pointer tool's click: reshaping an object by a knob (resizing by a corner, moving a
// line's end, and the polygon and arc knobs of reshape.cpp), selecting and dragging objects,
// and the selection rectangle drawn on empty card.
#include <algorithm>

#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/carddrawing.h"
#include "render/controloptions.h"
#include "render/hittest.h"
#include "render/selectionknobs.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "shell/cardcursor.h"
#include "shell/drawcase.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "store/objects.h"
#include "tools/handletools.h"
#include "tools/objecttools.h"
#include "tools/reshape.h"
#include "tools/shapegeometry.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

constexpr i16 kMarqueeCursor = 1001;

void pause2() {
  u32 ticks = 0;
  Delay(2, &ticks);
}

i32 metric(i32 selector, i32 otherwise) {
  i32 v = 0;
  return GetThemeMetric(selector, &v) == noErr ? v : otherwise;
}

// The size limits of a platform-control button: the height and width it must have (`fixed`)
// or may not exceed; 0 for a side without a limit.
struct SizeRule {
  i32 h = 0, w = 0;
  bool fixedheight = false;
};

SizeRule sizerule(const spot& s) {
  SizeRule rule;
  const i16 size = getTabOrArrowOrBtnSize(s);
  switch (s.style) {
    case stylepopupmenu:
      // Its control keeps the height its menu font gives it.
      rule.h = s.rect.bottom - s.rect.top;
      rule.fixedheight = true;
      break;
    case 212:
      rule.h = (size == kControlSizeSmall ? metric(23, 14) : metric(17, 21)) + 2;
      rule.w = (size == kControlSizeSmall ? metric(24, 14) : metric(22, 21)) + 2;
      break;
    case 213: rule.h = rule.w = size == kControlSizeSmall ? metric(1, 11) : metric(0, 15); break;
    case 214:
    case 215:
      rule.h = size == 2 ? 20 : 15;
      rule.fixedheight = true;
      break;
    case stylerelevancebar:
      rule.h = metric(37, 0);
      if (rule.h == 0) rule.h = 16;
      rule.fixedheight = true;
      break;
    case 217: {
      const i32 h = metric(27, 0);
      rule.h = h == 0 ? 24 : h + 2;
      rule.w = metric(28, 13) + 2;
      break;
    }
    case 218: rule.h = rule.w = 32; break;
    case 219:
      rule.h = metric(25, 0);
      if (rule.h == 0) rule.h = 14;
      rule.w = metric(26, 12);
      break;
    default: break;
  }
  return rule;
}

// A resized control button's rectangle made to keep its style's sizes; the sides at the
// anchor stay.
Rect applyrule(const spot& s, Rect r, Point anchor) {
  const SizeRule rule = sizerule(s);
  auto setheight = [&](i32 h) {
    if (anchor.v <= r.top) r.bottom = i16(std::min<i32>(r.top + h, 32767));
    else r.top = i16(std::max<i32>(r.bottom - h, -32768));
  };
  auto setwidth = [&](i32 w) {
    if (anchor.h <= r.left) r.right = i16(std::min<i32>(r.left + w, 32767));
    else r.left = i16(std::max<i32>(r.right - w, -32768));
  };
  const i32 h = r.bottom - r.top, w = r.right - r.left;
  if (s.style == 213) {
    // A scroll bar lies one way or the other: only its thickness is limited.
    if (h < w && h > rule.h) setheight(rule.h);
    if (h >= w && w > rule.w) setwidth(rule.w);
    return r;
  }
  if (rule.h > 0 && (rule.fixedheight ? h != rule.h : h > rule.h)) setheight(rule.h);
  if (rule.w > 0 && w > rule.w) setwidth(rule.w);
  return r;
}

i16 clamp16(i32 v) { return i16(std::clamp<i32>(v, -32768, 32767)); }

// Handle 1-4 of a rectangle: its corner from the top left clockwise.
Point cornerof(const Rect& r, i16 handle) {
  switch (handle) {
    case 1: return Point{r.top, r.left};
    case 2: return Point{r.top, r.right};
    case 3: return Point{r.bottom, r.right};
    default: return Point{r.bottom, r.left};
  }
}

// The object takes its new rectangle (or line), its old and new areas are brought up to date
// and the resize message goes.
i16 finishreshape(Handle list, i16 index) {
  drawinval();
  return resizemessage(list, index);
}

// Resizing by a corner knob: the grabbed corner follows the mouse at the distance the click
// had from it; the opposite corner stays.
i16 resizecorner(Handle list, i16 index, Point click, i16 handle) {
  MainGlobals& g = mainglobals();
  const spot s = spotat(list, index);
  const bool control = isversion4spot(&s);
  const Point corner = cornerof(s.rect, handle);
  const Point anchor = cornerof(s.rect, i16((handle + 1) % 4 + 1));
  const i32 dh = i32(corner.h) - click.h, dv = i32(corner.v) - click.v;
  drawhand(list, index);
  if (control) invalspot(list, index);
  objectpen();
  Rect last = s.rect;
  bool shown = false;
  i16 axis = 0;
  while (stilldown()) {
    Point p{};
    getmouse(&p);
    p = Point{clamp16(p.v + dv), clamp16(p.h + dh)};
    if (!control) procon(anchor, corner, &p, &axis);
    Rect r{};
    Pt2Rect(anchor, p, &r);
    if (control) r = applyrule(s, r, anchor);
    if (EmptyRect(&r) || EqualRect(&r, &last)) continue;
    if (shown) displayspot(list, index, last);
    displayspot(list, index, r);
    last = r;
    shown = true;
    pause2();
  }
  if (shown) displayspot(list, index, last);
  PenNormal();
  invalspot(list, index);
  mapspot(list, index, last, (g.event.modifiers & optionKey) != 0);
  invalspot(list, index);
  return finishreshape(list, index);
}

// Moving one end of a line; the other stays, and Shift holds the line to an axis.
i16 movelineend(Handle list, i16 index, i16 handle) {
  spot s = spotat(list, index);
  graphictail t = getgraphictail(s);
  const Point fixed = handle == 1 ? t.point2 : t.point1;
  Point moving = handle == 1 ? t.point1 : t.point2;
  auto line = [&] {
    MoveTo(fixed.h, fixed.v);
    LineTo(moving.h, moving.v);
  };
  drawhand(list, index);
  objectpen();
  line();
  while (stilldown()) {
    Point p{};
    getmouse(&p);
    shiftpoint(fixed, &p, false);
    if (EqualPt(p, moving)) continue;
    line();
    moving = p;
    line();
    pause2();
  }
  line();
  PenNormal();
  invalspot(list, index);
  s = spotat(list, index);
  t = getgraphictail(s);
  (handle == 1 ? t.point1 : t.point2) = moving;
  setgraphictail(s, t);
  Pt2Rect(t.point1, t.point2, &s.rect);
  putspot(list, index, s);
  invalspot(list, index);
  return finishreshape(list, index);
}

// A click on a knob of object `index`: "pointerDown", then the reshaping its knob shape asks.
i16 knobclick(Handle list, i16 index, Point pt, i16 shape, i16 handle) {
  GrafPtr port = nilid;
  GetPort(&port);
  if (i16 st = sendpointerdown(false, list, index)) return st;
  // The real button must still be down (a release while the handler ran ends the click); the
  // click and drag commands' button is their own.
  const bool released = toolstate().sender == senderMouse && !StillDown();
  if (objectdropstate().dropreceived || released || !IsValidPort(port)) return 0;
  if (index >= spotcount(list)) return 0;
  i16 st = 0;
  switch (shape) {
    case knobscorners: return resizecorner(list, index, pt, handle);
    case knobspolygon: st = sizepoly(list, index, pt, handle); break;
    case knobsline: return movelineend(list, index, handle);
    case knobsfirstpoint: st = rotspot(list, index, pt); break;
    case knobsarc: st = shapearc(list, index, pt, handle); break;
    default: return 0;
  }
  return st ? st : resizemessage(list, index);
}

i16 cardclick() { return cardsend("cardClick", sendnormal, mainglobals().current.window); }

// Object `index` alone selected, its knobs drawn and every other object's erased.
void selectalone(Handle list, i16 index) {
  hilitespot(list, 1, 1);
  selone(list, index);
  drawhand(list, index);
}

// A click on object `index` (not on a knob).
i16 objectclick(Handle list, i16 index, Point pt) {
  const MainGlobals& g = mainglobals();
  if (dclick(pt, g.event.when)) return dclickmessage(list, index);
  const bool shift = (g.event.modifiers & shiftKey) != 0;
  const bool selected = spotat(list, index).selected != knobsnone;
  if (!selected) {
    if (shift) {
      selone(list, index);
      drawhand(list, index);
    } else {
      selectalone(list, index);
    }
  }
  const i16 st = dragspot(list, index, pt);
  if (st == -1) return dragmessage(list, index);
  if (st != 0) return st;
  if (objectdropstate().dropreceived) return 0;
  if (selected && shift) {
    drawhand(list, index);
    spot s = spotat(list, index);
    s.selected = knobsnone;
    putspot(list, index, s);
  } else if (selected) {
    selectalone(list, index);
  }
  return cardclick();
}

// The selection rectangle: objects lying wholly inside it are selected (with Shift, each
// changes its state).
i16 marquee(Handle list, Point pt) {
  const MainGlobals& g = mainglobals();
  if (i16 st = sendpointerdown(true, list, 0)) return st;
  if (objectdropstate().dropreceived) return 0;
  const bool shift = (g.event.modifiers & shiftKey) != 0;
  objectpen();
  Rect box{};
  bool shown = false;
  Point last = pt;
  while (stilldown()) {
    Point p{};
    getmouse(&p);
    if (EqualPt(p, last)) continue;
    last = p;
    if (!g.lockCursor) showcursorresource(kMarqueeCursor);
    if (shown) FrameRect(&box);
    Pt2Rect(pt, p, &box);
    FrameRect(&box);
    shown = true;
    pause2();
  }
  if (shown) FrameRect(&box);
  if (!shift) hilitespot(list, 1, 1);
  for (i32 i = 0, n = shown ? spotcount(list) : 0; i < n; ++i) {
    const i16 index = i16(i);
    spot s = spotat(list, index);
    const Rect& r = s.rect;
    if (!(r.top > box.top && r.left > box.left && r.bottom < box.bottom && r.right < box.right)) continue;
    if (s.selected != knobsnone) {
      if (!shift) continue;
      drawhand(list, index);
      s.selected = knobsnone;
      putspot(list, index, s);
    } else {
      selone(list, index);
      drawhand(list, index);
    }
  }
  PenNormal();
  return cardclick();
}

}  // namespace

i16 selectspot(Handle list, Point pt) {
  objectdropstate().dropreceived = 0;
  for (i32 i = spotcount(list) - 1; i >= 0; --i) {
    i16 handle = 0;
    if (i16 shape = ptinhand(list, i16(i), pt, &handle)) return knobclick(list, i16(i), pt, shape, handle);
  }
  for (i32 i = spotcount(list) - 1; i >= 0; --i)
    if (ptinspot(list, i16(i), pt)) return objectclick(list, i16(i), pt);
  return marquee(list, pt);
}

}  // namespace kv
