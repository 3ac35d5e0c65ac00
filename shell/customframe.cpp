#include "shell/customframe.h"

#include "engine/objectsend.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/masks.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/hittest.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/records.h"
#include "system/proctable.h"

namespace kv {

namespace {

constexpr u8 kStructure[] = "\x0CstructureRgn";
constexpr u8 kKnockout[] = "\x0BknockoutRgn";
constexpr u8 kClose[] =
    "\x08"
    "closeRgn";
constexpr u8 kDrag[] =
    "\x07"
    "dragRgn";
constexpr u32 kFeatures = 0x40000012;  // can get window regions; supports colour ports
constexpr Point kUnset{-32767, -32767};

// The object's name as a length-prefixed text (empty without one).
void objectname(const spot& s, Str255 name) {
  name[0] = 0;
  if (s.name == nilhandle || !IsValidHandle(s.name)) return;
  name[0] = u8(std::min<Size>(GetHandleSize(s.name), 255));
  BlockMoveData(deref(s.name), name + 1, name[0]);
}

bool shapestyle(u16 style) {
  return style == stylerectangle || style == styleroundrect || style == styleoval || style == stylepolygon ||
         style == stylebitmap || style == stylegroup;
}

// The background objects of a window: the current window's, or its entry's in the table.
Handle backobjects(WindowRef window) {
  const MainGlobals& g = mainglobals();
  if (window != nilid && window == g.current.window) return g.current.backspots;
  desk d{};
  return getwind(window, &d) ? d.backspots : nilhandle;
}

// The silhouette of a bitmap graphic: its pixels that are not pure white, with the white they
// enclose (only white reached from the edges lies outside), so a hollow outline is solid.
void bitmapshape(const spot& s, RgnHandle rgn) {
  const i32 w = i32(s.rect.right) - s.rect.left, h = i32(s.rect.bottom) - s.rect.top;
  const bool colour = getgraphictail(s).startangle != 0;
  const i32 rowbytes = pixmaprowbytes(w, colour ? 8 : 1);
  if (w <= 0 || h <= 0 || rowbytes > rowbytesmask || s.data == nilhandle || !IsValidHandle(s.data) ||
      GetHandleSize(s.data) < i64(rowbytes) * h)
    return;
  const i32 maskbytes = pixmaprowbytes(w, 1);
  Handle mask = NewHandleClear(Size(i64(maskbytes) * h));
  if (mask == nilhandle) return;  // no room: an empty shape
  const Handle table = mainglobals().current.backclut;
  CTabHandle standard = colour && table == nilhandle ? GetCTable(8) : nilhandle;
  // 8-bit pixels through their colour table, 1-bit rows as a plain bit map.
  const PixMap pixels = bitmapmap(deref(s.data), s.rect, colour, table != nilhandle ? table : standard);
  const BitMap rows{deref(s.data), u16(rowbytes), pixels.bounds};
  BitMap map{deref(mask), u16(maskbytes), s.rect};
  const RGBColor black{0, 0, 0};
  CalcCMask(colour ? reinterpret_cast<const BitMap*>(&pixels) : &rows, &map, &pixels.bounds, &map.bounds, &black,
            getproc<285>(), 0);
  DisposeCTable(standard);
  BitMapToRegion(rgn, &map);
  DisposeHandle(mask);
}

// The shape of one graphic in card coordinates. A group is the union of its members' shapes
// (through `member`); nothing deeper than stored groups may nest.
template <class Member>
void shapeof(const spot& s, RgnHandle rgn, Member member) {
  SetEmptyRgn(rgn);
  switch (s.style) {
    case stylerectangle: RectRgn(rgn, s.rect); return;
    case styleroundrect: {
      const graphictail t = getgraphictail(s);
      RoundRectRgn(rgn, &s.rect, i16(t.startangle), i16(t.arcangle));
      return;
    }
    case styleoval: OvalRgn(rgn, &s.rect); return;
    case stylepolygon:
      if (s.data != nilhandle && IsValidHandle(s.data)) PolyRgn(rgn, s.data);
      return;
    case stylebitmap: bitmapshape(s, rgn); return;
    case stylegroup: member(s.data, rgn); return;
    default: return;
  }
}

// Moves a region from card coordinates to those counted from the port's top-left.
void toport(WindowRef window, RgnHandle rgn) {
  Rect port{};
  GetWindowPortBounds(window, &port);
  OffsetRgn(rgn, i16(-port.left), i16(-port.top));
}

void cook(ConstStringPtr name, Handle objects, RgnHandle out, bool ingroup, int depth) {
  const bool outline = myequalstring(name, kStructure);
  SetEmptyRgn(out);
  if (objects == nilhandle || depth > kMaxGroupDepth) return;
  RgnHandle shape = NewRgn();
  for (i32 i = 0, n = spotcount(objects); i < n; ++i) {
    const spot s = spotat(objects, i);
    Str255 own;
    objectname(s, own);
    if (own[0] == 0 && !ingroup) continue;
    const u8* named = own[0] ? own : name;
    bool knockout = false;
    if (!outline) {
      if (!myequalstring(named, name)) continue;
    } else {
      knockout = myequalstring(named, kKnockout);
      if (!ingroup && !knockout && !myequalstring(named, kStructure)) continue;
    }
    if (s.kind != spotgraphic || !shapestyle(s.style)) continue;
    shapeof(s, shape, [&](Handle members, RgnHandle rgn) { cook(name, members, rgn, true, depth + 1); });
    if (EmptyRgn(shape)) continue;
    if (knockout) DiffRgn(out, shape, out);
    else UnionRgn(out, shape, out);
  }
  DisposeRgn(shape);
}

void toggle(Handle objects, WindowRef window, ConstStringPtr name, bool ingroup, int depth) {
  if (objects == nilhandle || depth > kMaxGroupDepth) return;
  for (i32 i = 0, n = spotcount(objects); i < n; ++i) {
    const spot s = spotat(objects, i);
    Str255 own;
    objectname(s, own);
    if ((own[0] == 0 && !ingroup) || (own[0] && !myequalstring(own, name))) continue;
    if (s.kind != spotgraphic || !shapestyle(s.style)) continue;
    if (s.style == stylegroup) {
      toggle(s.data, window, name, true, depth + 1);
      continue;
    }
    RgnHandle shape = NewRgn();
    shapeof(s, shape, [](Handle, RgnHandle) {});
    SavePort saved;
    SetPortWindowPort(window);
    InvertRgn(shape);
    DisposeRgn(shape);
  }
}

// The answer to a region request: the named graphics' region (the port for an outline that
// no graphic gives), in global coordinates within the port's bounds.
OSStatus getregion(WindowRef window, GetWindowRegionRec* rec) {
  Rect global{};
  GetWindowBounds(window, kWindowGlobalPortRgn, &global);
  RgnHandle rgn = rec->winRgn;
  switch (rec->regionCode) {
    case kWindowTitleBarRgn:
    case kWindowTitleTextRgn:
    case kWindowZoomBoxRgn:
    case kWindowGrowRgn:
    case kWindowCollapseBoxRgn:
    case kWindowUpdateRgn: SetEmptyRgn(rgn); break;
    case kWindowCloseBoxRgn: GetNamedWindowRgn(window, kClose, rgn, rec->regionCode); break;
    case kWindowDragRgn: GetNamedWindowRgn(window, kDrag, rgn, rec->regionCode); break;
    case kWindowStructureRgn:
    case kWindowContentRgn:
      SetEmptyRgn(rgn);
      GetNamedWindowRgn(window, kStructure, rgn, rec->regionCode);
      if (EmptyRgn(rgn)) RectRgn(rgn, Rect{0, 0, i16(global.bottom - global.top), i16(global.right - global.left)});
      break;
    default: return errWindowRegionCodeInvalid;
  }
  OffsetRgn(rgn, global.left, global.top);
  RgnHandle bounds = NewRgn();
  RectRgn(bounds, global);
  SectRgn(bounds, rgn, rgn);
  DisposeRgn(bounds);
  return noErr;
}

}  // namespace

i32 widget(i16, WindowRef window, i16 message, std::intptr_t param) {
  switch (message) {
    case kWindowMsgDraw:
      if (IsWindowVisible(window) && param == wInGoAway) lowtoggle(backobjects(window), window, kClose);
      return 0;
    case kWindowMsgHitTest: {
      const Point where{i16(u32(param) >> 16), i16(param & 0xFFFF)};
      RgnHandle structure = NewRgn();
      GetWindowRegion(window, kWindowStructureRgn, structure);
      const bool inside = PtInRgn(where, structure);
      DisposeRgn(structure);
      if (!inside) return wNoHit;
      if (IsWindowHilited(window) && PtInGrc(where, window, kClose)) return wInGoAway;
      return PtInGrc(where, window, kDrag) ? wInDrag : wInContent;
    }
    case kWindowMsgGetFeatures: *reinterpret_cast<u32*>(param) = kFeatures; return 1;
    case kWindowMsgGetRegion: return getregion(window, reinterpret_cast<GetWindowRegionRec*>(param));
    default: return 0;
  }
}

void CookRegions(ConstStringPtr name, Handle objects, WindowRef window, RgnHandle out, bool ingroup, u16) {
  cook(name, objects, out, ingroup, 0);
  toport(window, out);
}

void GetNamedWindowRgn(WindowRef window, ConstStringPtr name, RgnHandle out, u16 code) {
  const MainGlobals& g = mainglobals();
  desk d{};
  if (window != g.current.window && !getwind(window, &d)) return;
  CookRegions(name, backobjects(window), window, out, false, code);
}

i16 PtInGrc(Point where, WindowRef window, ConstStringPtr name) {
  Handle objects = backobjects(window);
  if (objects == nilhandle) return 0;
  Rect content{}, port{};
  GetWindowBounds(window, kWindowContentRgn, &content);
  GetWindowPortBounds(window, &port);
  const Point local{i16(where.v - content.top + port.top), i16(where.h - content.left + port.left)};
  for (i32 i = 0, n = spotcount(objects); i < n; ++i) {
    const spot s = spotat(objects, i);
    Str255 own;
    objectname(s, own);
    if (own[0] == 0 || s.kind != spotgraphic || !shapestyle(s.style) || !myequalstring(own, name)) continue;
    if (i16 hit = ptinspot(objects, i16(i), local)) return hit;
  }
  return 0;
}

void lowtoggle(Handle objects, WindowRef window, ConstStringPtr name) { toggle(objects, window, name, false, 0); }

namespace {

void transition(WindowRef window, u32 action) {
  const MainGlobals& g = mainglobals();
  const Point at = g.transitionLoc;
  if (g.allowTransitions && !(at == kUnset)) {
    const Rect from{i16(at.v - 2), i16(at.h - 2), i16(at.v + 2), i16(at.h + 2)};
    TransitionWindow(window, kWindowZoomTransitionEffect, action, at == Point{0, 0} ? nullptr : &from);
  } else if (action == kWindowShowTransitionAction) {
    ShowWindow(window);
  } else {
    HideWindow(window);
  }
}

}  // namespace

void myShowWindow(WindowRef window) { transition(window, kWindowShowTransitionAction); }
void myHideWindow(WindowRef window) { transition(window, kWindowHideTransitionAction); }

OSStatus PappRTExpandCollapseWindowProc(EventHandlerCallRef call, EventRef event, u32 userdata) {
  enterCarbonEvent(call, event, userdata);
  WindowRef window = nilid;
  desk d{};
  if (GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr, sizeof window, nullptr, &window) !=
          noErr ||
      window == nilid || mainglobals().numwinds == 0 || !getwind(window, &d)) {
    exitCarbonEvent();
    return eventNotHandledErr;
  }
  cardsend(GetEventKind(event) == kEventWindowCollapsed ? "collapseWindow" : "expandWindow", sendnormal, window);
  exitCarbonEvent();
  return noErr;
}

}  // namespace kv
