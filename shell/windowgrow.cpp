// The clicks that change a project window's frame: growing it by its grow box (within its
// "minimumSize", the screen and its card), zooming it between its user and standard states,
// and dragging it by its title bar; after each the scroll bars and objects follow and the
// card's scripts hear "resizeWindow", "zoomWindow" or "dragWindow".
#include "shell/windowmanage.h"

#include <algorithm>
#include <cstdlib>

#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "properties/userprops.h"
#include "render/drawservices.h"
#include "render/offscreen.h"
#include "shell/cardscroll.h"
#include "shell/cardwindow.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/portroutines.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/records.h"
#include "system/externalevents.h"
#include "system/proctable.h"
#include "system/windowkind.h"
#include "shell/startup.h"

namespace kv {

namespace {

constexpr i16 kScrollBarWidth = 15;
constexpr u32 kLiveResize = 1u << 13, kLimitToCard = 1u << 14;
constexpr OSStatus kNotHandled = -9874;

i16 clamp16(i32 v) { return i16(std::clamp<i32>(v, -32768, 32767)); }

u32 windowflags(const desk& d) { return d.wind != nilhandle ? loadat<windrec>(deref(d.wind)).flags : 0; }

bool barshows(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) && IsControlVisible(bar); }
i32 barvalue(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) ? GetControl32BitValue(bar) : 0; }

// The card's width and height (0 without a background record).
Point cardsize(const desk& d) {
  if (d.back == nilhandle || GetHandleSize(d.back) < Size(sizeof(backrec))) return Point{0, 0};
  const backrec b = loadat<backrec>(deref(d.back));
  return Point{clamp16(i32(b.height)), clamp16(i32(b.width))};
}

// The card limits the window unless windows are not limited and this one does not ask to be.
bool limitedbycard(const desk& d) { return !(mainglobals().dontLimitWindows && !(windowflags(d) & kLimitToCard)); }

// The screen lock of one routine, given back on every way out.
struct ScreenLock {
  ScreenLock() { lockscreen(); }
  ~ScreenLock() { unlockscreen(); }
  ScreenLock(const ScreenLock&) = delete;
  ScreenLock& operator=(const ScreenLock&) = delete;
};

// Scroll positions that keep the visible area inside the card; the bars follow.
void pullscrollback(const desk& d, WindowRef window) {
  Rect port{};
  GetWindowPortBounds(window, &port);
  const bool hbar = barshows(d.hscroll), vbar = barshows(d.vscroll);
  const i32 visiblewidth = port.right - port.left - (vbar ? kScrollBarWidth : 0);
  const i32 visibleheight = port.bottom - port.top - (hbar ? kScrollBarWidth : 0);
  const Point card = cardsize(d);
  const i32 h = std::clamp<i32>(barvalue(d.hscroll), 0, std::max<i32>(0, card.h - visiblewidth));
  const i32 v = std::clamp<i32>(barvalue(d.vscroll), 0, std::max<i32>(0, card.v - visibleheight));
  if (d.hscroll != nilid && IsValidControlHandle(d.hscroll)) {
    SetControl32BitMaximum(d.hscroll, std::max<i32>(0, card.h - visiblewidth));
    SetControl32BitValue(d.hscroll, h);
    SetControlViewSize(d.hscroll, visiblewidth + 1);
  }
  if (d.vscroll != nilid && IsValidControlHandle(d.vscroll)) {
    SetControl32BitMaximum(d.vscroll, std::max<i32>(0, card.v - visibleheight));
    SetControl32BitValue(d.vscroll, v);
    SetControlViewSize(d.vscroll, visibleheight + 1);
  }
  lowclipup();
}

void drawbars(const desk& d) {
  for (ControlRef bar : {d.hscroll, d.vscroll})
    if (barshows(bar)) Draw1Control(bar);
}

// The window module (or the message box) told of a size change.
void tellmoved(WindowRef window, u32 mode) {
  if (window == mainglobals().msgwindow) runmess(kWindowMoved, mode);
  else runedit(kWindowMoved, mode, window);
}

}  // namespace

bool minimumsize(const desk& d, Point* out) {
  const Str255 name = "\x0BminimumSize";
  for (Handle uprops : {d.back != nilhandle ? Handle(loadat<backrec>(deref(d.back)).uprops) : nilhandle,
                        d.wind != nilhandle ? Handle(loadat<windrec>(deref(d.wind)).uprops) : nilhandle}) {
    Handle value = nilhandle;
    if (uprops == nilhandle || prophandutil(uprops, name, &value) != 0 || value == nilhandle) continue;
    const Size n = std::min<Size>(GetHandleSize(value), 63);
    char text[64] = {};
    BlockMoveData(deref(value), text, n);
    char* end = nullptr;
    const long h = std::strtol(text, &end, 10);
    if (end == text || *end != ',') return false;
    char* second = end + 1;
    const long v = std::strtol(second, &end, 10);
    if (end == second) return false;
    *out = Point{clamp16(v), clamp16(h)};
    return true;
  }
  return false;
}

Rect windtorect(WindowRef window) {
  Rect r{};
  if (window != nilid && IsValidWindowPtr(window)) GetWindowBounds(window, kWindowContentRgn, &r);
  return r;
}

void rectowind(const Rect& rect, WindowRef window) {
  if (window == nilid || !IsValidWindowPtr(window)) return;
  const Rect off = GetOffScreenBounds();
  i32 width = i32(rect.right) - rect.left, height = i32(rect.bottom) - rect.top;
  if (off.right > off.left) width = std::min<i32>(width, i32(off.right) - off.left);
  if (off.bottom > off.top) height = std::min<i32>(height, i32(off.bottom) - off.top);
  const i16 w = clamp16(std::max<i32>(width, 0)), h = clamp16(std::max<i32>(height, 0));
  const Rect now = windtorect(window);
  const bool smaller = w < now.right - now.left || h < now.bottom - now.top;
  if (now.left == rect.left && now.top == rect.top) {
    SizeWindow(window, w, h, true);
  } else if (smaller) {
    SizeWindow(window, w, h, true);
    MoveWindow(window, rect.left, rect.top, false);
    Rect port{};
    GetWindowPortBounds(window, &port);
    if (port.right - port.left != w || port.bottom - port.top != h) SizeWindow(window, w, h, true);
  } else {
    MoveWindow(window, rect.left, rect.top, false);
    SizeWindow(window, w, h, true);
  }
}

void movebars(const desk& d) {
  if (d.window == nilid || !IsValidWindowPtr(d.window)) return;
  SavePort saved;
  SetPortWindowPort(d.window);
  Rect port{};
  GetWindowPortBounds(d.window, &port);
  const i16 w = i16(port.right - port.left), h = i16(port.bottom - port.top);
  if (d.vscroll != nilid && IsValidControlHandle(d.vscroll)) {
    const bool shown = IsControlVisible(d.vscroll);
    Rect r{i16(port.top - 1), i16(w - kScrollBarWidth), clamp16(i32(port.top) - 1 + h - 13),
           clamp16(i32(w) - kScrollBarWidth + 16)};
    SetControlBounds(d.vscroll, &r);
    SetControlViewSize(d.vscroll, h - 12);
    if (shown) ShowControl(d.vscroll);
    else HideControl(d.vscroll);
  }
  if (d.hscroll != nilid && IsValidControlHandle(d.hscroll)) {
    const bool shown = IsControlVisible(d.hscroll);
    Rect r{i16(h - kScrollBarWidth), -1, clamp16(i32(h) - kScrollBarWidth + 16), clamp16(i32(w) - 1 - 13)};
    SetControlBounds(d.hscroll, &r);
    SetControlViewSize(d.hscroll, w - 12);
    if (shown) ShowControl(d.hscroll);
    else HideControl(d.hscroll);
  }
  Rect content = port;
  if (barshows(d.vscroll)) content.right = i16(content.right - kScrollBarWidth);
  if (barshows(d.hscroll)) content.bottom = i16(content.bottom - kScrollBarWidth);
  ClipRect(&content);
}

bool lowdrag(WindowRef window, Point start, bool nodrag) {
  if (nodrag || !StillDown()) return false;
  Rect before{}, after{};
  GetWindowBounds(window, kWindowStructureRgn, &before);
  const Rect limits{-32767, -32767, 32767, 32767};
  DragWindow(window, start, &limits);
  if (!IsValidWindowPtr(window)) return false;
  GetWindowBounds(window, kWindowStructureRgn, &after);
  return before.top != after.top || before.left != after.left || before.bottom != after.bottom ||
         before.right != after.right;
}

bool mydragwindow(WindowRef window, bool nodrag) {
  MainGlobals& g = mainglobals();
  const Point start = g.event.where;
  if (!(g.event.modifiers & cmdKey)) {
    WindowRef firstdoc = nilid, lastdoc = nilid, firstfloat = nilid, lastfloat = nilid;
    locatewindows(&firstdoc, &lastdoc, &firstfloat, &lastfloat);
    const bool behinddoc = windowkind(window, kindqueryordinary) && window != firstdoc;
    const bool behindbox = window == g.msgwindow && FrontWindow() != window;
    if (behinddoc || behindbox) {
      selectwindow(window);
      putdownfield();
      putdownmodes();
      return false;
    }
    if (windowkind(window, kindqueryfloating)) selectwindow(window);
  }
  return lowdrag(window, start, nodrag);
}

void HandleDragClick(WindowRef window) {
  MainGlobals& g = mainglobals();
  EventRecord e = g.event;
  if (sendxrtnevent(window, kXrtnDragClick, &e) != 0) return;
  if (windowkind(window, kindqueryexternal)) {
    lowdrag(window, g.event.where, false);
    return;
  }
  if (window == g.msgwindow) {
    lowdrag(window, g.event.where, false);
    runmess(kWindowMoved, 0);
    return;
  }
  desk d{};
  if (getwind(window, &d) == 0 || !(windowflags(d) & kWindowDraggable)) return;
  const bool moved = mydragwindow(window, false);
  if (!IsValidWindowPtr(window)) return;
  runedit(kWindowMoved, 0, window);
  if (moved) cardsend("dragWindow", sendnormal, window);
}

void HandleGrowClick(WindowRef window) {
  MainGlobals& g = mainglobals();
  EventRecord e = g.event;
  if (sendxrtnevent(window, kXrtnGrowClick, &e) != 0) return;
  if (windowkind(window, kindqueryexternal)) return;
  desk d{};
  if (getwind(window, &d) == 0 || !(windowflags(d) & kWindowResizable)) return;
  g.current = d;
  const Rect screen = screenbounds(0);
  const i32 maxwidth = startupfacts().offwidth > 0 ? startupfacts().offwidth : i32(screen.right) - screen.left;
  const i32 maxheight = startupfacts().offheight > 0 ? startupfacts().offheight : i32(screen.bottom) - screen.top;
  Point minimum{20, 20};
  minimumsize(d, &minimum);
  i32 limitwidth = maxwidth, limitheight = maxheight;
  if (limitedbycard(d)) {
    const Point card = cardsize(d);
    limitheight = std::min<i32>(limitheight, card.v + (barshows(d.hscroll) ? kScrollBarWidth : 0));
    limitwidth = std::min<i32>(limitwidth, card.h + (barshows(d.vscroll) ? kScrollBarWidth : 0));
  }
  const Rect limits{minimum.v, minimum.h, clamp16(std::max<i32>(limitheight, minimum.v)),
                    clamp16(std::max<i32>(limitwidth, minimum.h))};
  const EventTypeSpec bounds[1] = {{kEventClassWindow, kEventWindowBoundsChanged}};
  EventHandlerRef live = 0;
  EventHandlerProc handler = getproc<388>();
  if (handler == nullptr) handler = PeditRTRedrawForLiveResize;
  InstallEventHandler(window, handler, 1, bounds, 0, &live);
  const i32 size = GrowWindow(window, e.where, &limits);
  if (live != 0) RemoveEventHandler(live);
  if (size == 0 || !IsValidWindowPtr(window) || !getwind(window, &d)) return;
  g.current = d;
  ScreenLock lock;
  const i16 height = clamp16(std::min<i32>(i16(size >> 16), maxheight));
  const i16 width = clamp16(std::min<i32>(i16(size & 0xFFFF), maxwidth));
  SizeWindow(window, width, height, true);
  SetPortWindowPort(window);
  if (limitedbycard(d)) pullscrollback(d, window);
  tellmoved(window, 1);
  if (!IsValidWindowPtr(window) || !getwind(window, &d)) return;
  drawbars(d);
  cardsend("resizeWindow", sendnormal, window);
  if (!IsValidWindowPtr(window) || !getwind(window, &d)) return;
  const i16 locked = g.lockMessages;
  g.lockMessages = 1;
  minidrawedit(d, nullptr);
  g.lockMessages = locked;
}

OSStatus PeditRTRedrawForLiveResize(EventHandlerCallRef, EventRef event, u32) {
  MainGlobals& g = mainglobals();
  BorrowDesk keep(mainglobals().current);
  u32 ref = 0;
  GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr, sizeof ref, nullptr, &ref);
  const WindowRef window = WindowRef(ref);
  desk d{};
  if (window == nilid || !IsValidWindowPtr(window) || !getwind(window, &d) || !(windowflags(d) & kLiveResize))
    return kNotHandled;
  g.current = d;
  {
    ScreenLock lock;
    runedit(kWindowMoved, 3, window);
    runedit(kWindowDraw, 0, window);
    if (IsValidWindowPtr(window) && getwind(window, &d) && (barshows(d.hscroll) || barshows(d.vscroll))) {
      SetPortWindowPort(window);
      modedown(window);
      drawbars(d);
      modeup(window);
    }
  }
  return noErr;
}

OSStatus PeditRTRedrawScrollbarsAfterExpand(EventHandlerCallRef, EventRef event, u32) {
  BorrowDesk keep(mainglobals().current);
  u32 ref = 0;
  GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr, sizeof ref, nullptr, &ref);
  const WindowRef window = WindowRef(ref);
  desk d{};
  if (window == nilid || !IsValidWindowPtr(window) || !getwind(window, &d)) return kNotHandled;
  SavePort saved;
  SetPortWindowPort(window);
  drawbars(d);
  modeup(window);
  modedown(window);
  return kNotHandled;
}

OSStatus PeditRTHandleWindowMenuZooms(EventHandlerCallRef, EventRef event, u32) {
  MainGlobals& g = mainglobals();
  u32 ref = 0;
  GetEventParameter(event, kEventParamDirectObject, typeWindowRef, nullptr, sizeof ref, nullptr, &ref);
  const WindowRef window = WindowRef(ref);
  if (window == nilid || !IsValidWindowPtr(window)) return kNotHandled;
  desk d{};
  if (getwind(window, &d)) g.current = d;
  doCustomZoom(window);
  return noErr;
}

void CalculateZoomOutRect(WindowRef window, Rect* out) {
  Rect structure{};
  GetWindowBounds(window, kWindowStructureRgn, &structure);
  Rect r{};
  GetAvailableWindowPositioningBounds(greatestareascreen(structure), &r);
  const Rect off = GetOffScreenBounds();
  i32 top = r.top, left = r.left, bottom = r.bottom, right = r.right;
  if (off.right > off.left && right - left > i32(off.right) - off.left) right = left + (i32(off.right) - off.left);
  if (off.bottom > off.top && bottom - top > i32(off.bottom) - off.top) bottom = top + (i32(off.bottom) - off.top);
  Rect widths{};
  GetWindowStructureWidths(window, &widths);
  const i32 dh = (i32(widths.left) + widths.right) / 2, dv = (i32(widths.top) + widths.bottom) / 2;
  const i32 down = (i32(widths.top) - widths.bottom) / 2;
  *out = Rect{clamp16(top + dv + down), clamp16(left + dh), clamp16(bottom - dv + down), clamp16(right - dh)};
}

void doCustomZoom(WindowRef window) {
  MainGlobals& g = mainglobals();
  if (window == nilid || !IsValidWindowPtr(window)) return;
  desk d{};
  const bool table = getwind(window, &d) != 0;
  const bool zoomingin = IsWindowInStandardState(window, nullptr, nullptr);
  Rect target{};
  if (zoomingin) {
    GetWindowUserState(window, &target);
    Point minimum{};
    if (table && minimumsize(d, &minimum)) {
      target.right = clamp16(std::max<i32>(target.right, i32(target.left) + minimum.h));
      target.bottom = clamp16(std::max<i32>(target.bottom, i32(target.top) + minimum.v));
      SetWindowUserState(window, &target);
    }
  } else {
    CalculateZoomOutRect(window, &target);
    if (table && limitedbycard(d)) {
      const Point card = cardsize(d);
      const i32 width = card.h + (barshows(d.vscroll) ? kScrollBarWidth : 0);
      const i32 height = card.v + (barshows(d.hscroll) ? kScrollBarWidth : 0);
      target.right = clamp16(std::min<i32>(target.right, i32(target.left) + width));
      target.bottom = clamp16(std::min<i32>(target.bottom, i32(target.top) + height));
    }
    SetWindowStandardState(window, &target);
  }
  if (windowkind(window, kindqueryruntime) && window != g.msgwindow) {
    const i16 st = cardsend(zoomingin ? "zoomWindow zoomin" : "zoomWindow zoomout", sendnormal, window);
    if (st == statusexittotop || !IsValidWindowPtr(window)) return;
  }
  const Rect user = windtorect(window);
  ScreenLock lock;
  rectowind(target, window);
  if (!zoomingin) SetWindowUserState(window, &user);
  tellmoved(window, 1);
  if (!IsValidWindowPtr(window) || !getwind(window, &d)) return;
  g.current = d;
  SetPortWindowPort(window);
  pullscrollback(d, window);
  minidrawedit(d, nullptr);
  movebars(d);
}

}  // namespace kv
