// Update regions, BeginUpdate and EndUpdate, and the services the event manager asks of the
// window layer (update events, the window under a point, collapsing, presenting).
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/windows/compositor.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

RgnHandle updateregion(WindowData& w) {
  if (!w.update) w.update = NewRgn();
  return w.update;
}

// How far port coordinates lie from global ones: the port's top-left (moved by SetOrigin) is
// the content's top-left.
Point portoffset(const WindowData& w) {
  Rect b;
  GetPortBounds(w.port, &b);
  return Point{i16(w.content.top - b.top), i16(w.content.left - b.left)};
}

// A region in port coordinates moved to global ones (a new region the caller disposes).
RgnHandle toglobal(const WindowData& w, RgnHandle local) {
  RgnHandle g = NewRgn();
  CopyRgn(local, g);
  const Point d = portoffset(w);
  OffsetRgn(g, d.h, d.v);
  return g;
}

Rect toglobal(const WindowData& w, const Rect& r) {
  const Point d = portoffset(w);
  return Rect{i16(r.top + d.v), i16(r.left + d.h), i16(r.bottom + d.v), i16(r.right + d.h)};
}

// The update region is kept inside the content.
void clipupdate(WindowData& w) {
  if (!w.update) return;
  RgnHandle c = NewRgn();
  RectRgn(c, w.content);
  SectRgn(w.update, c, w.update);
  DisposeRgn(c);
}

bool nextupdate(RegistryId* out) {
  for (WindowRef id : windowlist()) {
    WindowData* w = wd(id);
    if (!w || !w->visible || w->collapsed || !w->update || EmptyRgn(w->update)) continue;
    if (w->attributes & kWindowNoUpdatesAttribute) continue;
    *out = id;
    return true;
  }
  return false;
}

RegistryId windowat(Point where) {
  WindowRef w = nilid;
  FindWindow(where, &w);
  return w;
}

void collapse(RegistryId window, bool on) { CollapseWindow(window, on); }

// Windows with the hide-on-suspend attribute are hidden while the program is behind.
void focuschanged(bool front) {
  for (WindowRef id : windowlist()) {
    WindowData* w = wd(id);
    if (!w) continue;
    if (!front && w->visible && (w->attributes & kWindowHideOnSuspendAttribute)) {
      w->hiddenbysuspend = true;
      HideWindow(id);
    } else if (front && w->hiddenbysuspend) {
      w->hiddenbysuspend = false;
      ShowWindow(id);
    }
  }
}

}  // namespace

void HideFloatingWindows() {
  if (hasstate<WindowState>()) focuschanged(false);
}
void ShowFloatingWindows() {
  if (hasstate<WindowState>()) focuschanged(true);
}

void installwindowservices() {
  WindowState& s = ws();
  if (s.servicesinstalled) return;
  s.servicesinstalled = true;
  WindowServices services;
  services.nextupdate = nextupdate;
  services.windowat = windowat;
  services.collapse = collapse;
  services.present = presentscreen;
  services.focuschanged = focuschanged;
  setwindowservices(services);
}

void invalglobalrect(WindowData& w, const Rect& r) {
  if (emptyrect(r)) return;
  RgnHandle update = updateregion(w);
  RgnHandle add = NewRgn();
  RectRgn(add, r);
  UnionRgn(update, add, update);
  DisposeRgn(add);
  clipupdate(w);
}

OSStatus InvalWindowRect(WindowRef window, const Rect* bounds) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!bounds) return paramErr;
  invalglobalrect(*w, toglobal(*w, *bounds));
  return noErr;
}

OSStatus InvalWindowRgn(WindowRef window, RgnHandle rgn) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!IsValidRgn(rgn)) return paramErr;
  RgnHandle update = updateregion(*w);
  RgnHandle g = toglobal(*w, rgn);
  UnionRgn(update, g, update);
  DisposeRgn(g);
  clipupdate(*w);
  return noErr;
}

OSStatus ValidWindowRect(WindowRef window, const Rect* bounds) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!bounds) return paramErr;
  if (!w->update) return noErr;
  RgnHandle r = NewRgn();
  RectRgn(r, toglobal(*w, *bounds));
  DiffRgn(w->update, r, w->update);
  DisposeRgn(r);
  return noErr;
}

OSStatus ValidWindowRgn(WindowRef window, RgnHandle rgn) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (!IsValidRgn(rgn)) return paramErr;
  if (!w->update) return noErr;
  RgnHandle g = toglobal(*w, rgn);
  DiffRgn(w->update, g, w->update);
  DisposeRgn(g);
  return noErr;
}

void BeginUpdate(WindowRef window) {
  WindowData* w = wd(window);
  if (!w) return;
  if (!w->updating) w->updating = NewRgn();
  if (w->update) {
    CopyRgn(w->update, w->updating);
    SetEmptyRgn(w->update);
  } else {
    SetEmptyRgn(w->updating);
  }
  // The port's visible region becomes the update region, in port coordinates, within what was
  // visible before (kept for EndUpdate; a nested BeginUpdate keeps the first one).
  if (!w->savedvis) {
    w->savedvis = NewRgn();
    GetPortVisibleRegion(w->port, w->savedvis);
  }
  RgnHandle vis = NewRgn();
  CopyRgn(w->updating, vis);
  const Point d = portoffset(*w);
  OffsetRgn(vis, i16(-d.h), i16(-d.v));
  SectRgn(vis, w->savedvis, vis);
  SetPortVisibleRegion(w->port, vis);
  DisposeRgn(vis);
}

void EndUpdate(WindowRef window) {
  WindowData* w = wd(window);
  if (!w) return;
  if (w->savedvis) {
    SetPortVisibleRegion(w->port, w->savedvis);
    DisposeRgn(w->savedvis);
    w->savedvis = nilid;
  }
  if (!w->updating) return;
  DisposeRgn(w->updating);
  w->updating = nilid;
}

RgnHandle windowupdatingregion(WindowRef window) {
  WindowData* w = wd(window);
  return w ? w->updating : nilid;
}

}  // namespace kv
