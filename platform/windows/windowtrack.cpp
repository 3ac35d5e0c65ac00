// Tracking the mouse over a window's frame: dragging, growing, and the close, zoom and
// collapse boxes. Each loop runs while the button is held (a poll of the button per pass)
// and names itself to the loop watchdog.
#include <algorithm>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/events/watchdog.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

// Tells the window's handlers that its bounds changed while it is being resized.
void sendboundschanged(WindowRef window) {
  Rect bounds;
  if (GetWindowBounds(window, kWindowStructureRgn, &bounds) != noErr) return;
  ScopedEvent ev(kEventClassWindow, kEventWindowBoundsChanged);
  u32 w = window;
  SetEventParameter(ev, kEventParamDirectObject, typeWindowRef, sizeof w, &w);
  SetEventParameter(ev, kEventParamCurrentBounds, typeQDRectangle, sizeof bounds, &bounds);
  SendEventToTarget(ev, window);
}

// Tracks a box of the frame: pressed while the mouse is inside it; answers whether the button
// went up inside.
bool trackbox(WindowRef window, Point start, u16 code, i16 part, const char* loopname) {
  WindowData* w = wd(window);
  if (!w) return false;
  Rect box = partrect(window, *w, code);
  bool inside = ptinrect(start, box);
  w->pressedpart = inside ? part : 0;
  w->framedirty = true;
  {
    LoopScope loop(loopname);
    while (WaitMouseUp()) {
      Point p;
      GetGlobalMouse(&p);
      bool now = ptinrect(p, box);
      if (now != inside) {
        inside = now;
        if (WindowData* d = wd(window)) {
          d->pressedpart = inside ? part : 0;
          d->framedirty = true;
        }
      }
    }
  }
  inside = ptinrect(mouseposition(), box);
  if (WindowData* d = wd(window)) {
    d->pressedpart = 0;
    d->framedirty = true;
  }
  return inside;
}

}  // namespace

void DragWindow(WindowRef window, Point start, const Rect* limits) {
  if (!wd(window)) return;
  u16 mods = modifierstate();  // as the drag began
  {
    LoopScope loop("DragWindow");
    while (WaitMouseUp()) {
      Point p;
      GetGlobalMouse(&p);
    }
  }
  Point end = mouseposition();
  WindowData* w = wd(window);
  if (!w) return;
  bool inbounds = !limits || ptinrect(end, *limits);
  i16 dh = i16(end.h - start.h), dv = i16(end.v - start.v);
  if (inbounds && (dh || dv)) MoveWindow(window, i16(w->content.left + dh), i16(w->content.top + dv), false);
  if (!(mods & cmdKey)) SelectWindow(window);
}

i32 GrowWindow(WindowRef window, Point start, const Rect* sizeConstraints) {
  WindowData* w = wd(window);
  if (!w) return 0;
  Rect limits = sizeConstraints ? *sizeConstraints : Rect{32, 64, 32767, 32767};
  i16 w0 = i16(w->content.right - w->content.left), h0 = i16(w->content.bottom - w->content.top);
  bool live = w->attributes & kWindowLiveResizeAttribute;
  auto sizefor = [&](Point p) {
    i32 nw = std::clamp<i32>(w0 + (p.h - start.h), limits.left, limits.right);
    i32 nh = std::clamp<i32>(h0 + (p.v - start.v), limits.top, limits.bottom);
    return std::pair<i16, i16>{i16(nw), i16(nh)};
  };
  std::pair<i16, i16> size{w0, h0};
  {
    LoopScope loop("GrowWindow");
    while (WaitMouseUp()) {
      Point p;
      GetGlobalMouse(&p);
      auto now = sizefor(p);
      if (now == size) continue;
      size = now;
      if (!wd(window)) return 0;
      if (live) SizeWindow(window, size.first, size.second, true);
      sendboundschanged(window);
    }
  }
  size = sizefor(mouseposition());
  if (size.first == w0 && size.second == h0) return 0;
  return i32((u32(u16(size.second)) << 16) | u16(size.first));
}

bool TrackGoAway(WindowRef window, Point start) {
  return trackbox(window, start, kWindowCloseBoxRgn, inGoAway, "TrackGoAway");
}

bool TrackBox(WindowRef window, Point start, i16 part) {
  u16 code = part == inCollapseBox ? kWindowCollapseBoxRgn : kWindowZoomBoxRgn;
  if (part != inCollapseBox && part != inZoomIn && part != inZoomOut) return false;
  return trackbox(window, start, code, part, "TrackBox");
}

}  // namespace kv
