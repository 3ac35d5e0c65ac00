// The front-to-back window list in layers, ordering, showing and hiding, hiliting, the
// active window and its activate events, and hit testing.
#include <algorithm>

#include "platform/events/events.h"
#include "platform/process/process.h"
#include "platform/windows/compositor.h"
#include "platform/windows/screens.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

// Index range [first, last) of the layer's windows in the list.
std::pair<std::size_t, std::size_t> layerrange(int layer) {
  const auto& o = ws().order;
  std::size_t first = 0;
  while (first < o.size() && windowlayer(wd(o[first])->wclass) > layer) ++first;
  std::size_t last = first;
  while (last < o.size() && windowlayer(wd(o[last])->wclass) == layer) ++last;
  return {first, last};
}

// Moves a window to list position `at` (counted in the list without the window).
void placeat(WindowRef window, std::size_t at) {
  auto& o = ws().order;
  std::erase(o, window);
  at = std::min(at, o.size());
  o.insert(o.begin() + std::ptrdiff_t(at), window);
}

bool shown(const WindowData& w) { return w.visible && !w.collapsed; }

}  // namespace

std::vector<WindowRef> windowlist() { return hasstate<WindowState>() ? ws().order : std::vector<WindowRef>{}; }

WindowRef GetWindowList() {
  if (!hasstate<WindowState>() || ws().order.empty()) return nilid;
  return ws().order.front();
}

WindowRef GetNextWindow(WindowRef window) {
  if (!wd(window)) return nilid;
  const auto& o = ws().order;
  auto it = std::find(o.begin(), o.end(), window);
  if (it == o.end() || ++it == o.end()) return nilid;
  return *it;
}

WindowRef FrontWindow() {
  if (!hasstate<WindowState>()) return nilid;
  for (WindowRef w : ws().order)
    if (wd(w)->visible) return w;
  return nilid;
}

WindowRef FrontNonFloatingWindow() {
  if (!hasstate<WindowState>()) return nilid;
  for (WindowRef w : ws().order) {
    const WindowData* d = wd(w);
    if (d->visible && !isfloatingclass(d->wclass)) return w;
  }
  return nilid;
}

WindowRef ActiveNonFloatingWindow() {
  if (!hasstate<WindowState>()) return nilid;
  WindowRef a = ws().active;
  return wd(a) ? a : nilid;
}

void updateactivewindow() {
  WindowState& s = ws();
  WindowRef front = FrontNonFloatingWindow();
  if (front == s.active) return;
  WindowRef old = s.active;
  s.active = front;
  if (WindowData* o = wd(old)) {
    o->hilited = false;
    o->framedirty = true;
    postactivate(old, false);
  }
  if (WindowData* n = wd(front)) {
    n->hilited = processisfront();
    n->framedirty = true;
    postactivate(front, true);
  }
}

void BringToFront(WindowRef window) {
  WindowData* w = wd(window);
  if (!w) return;
  placeat(window, layerrange(windowlayer(w->wclass)).first);
  w->framedirty = true;
  updateactivewindow();
}

void SelectWindow(WindowRef window) {
  WindowData* w = wd(window);
  if (!w) return;
  BringToFront(window);
  // A floating window is hilited when it is selected; the active window follows the list.
  if (isfloatingclass(w->wclass) && w->visible) {
    w->hilited = processisfront();
    w->framedirty = true;
  }
}

void SendBehind(WindowRef window, WindowRef behind) {
  WindowData* w = wd(window);
  if (!w) return;
  int layer = windowlayer(w->wclass);
  std::erase(ws().order, window);
  auto [first, last] = layerrange(layer);
  std::size_t at = last;  // behind 0: the back of the layer
  if (WindowData* b = wd(behind)) {
    int blayer = windowlayer(b->wclass);
    if (blayer > layer) {
      at = first;
    } else if (blayer == layer) {
      const auto& o = ws().order;
      at = std::size_t(std::find(o.begin(), o.end(), behind) - o.begin()) + 1;
    }
  }
  placeat(window, at);
  w->framedirty = true;
  updateactivewindow();
}

void ShowWindow(WindowRef window) {
  WindowData* w = wd(window);
  if (!w || w->visible) return;
  w->visible = true;
  w->framedirty = true;
  if (!w->evershown) {
    w->evershown = true;
    invalglobalrect(*w, w->content);
  }
  if (isfloatingclass(w->wclass)) w->hilited = processisfront();
  updateactivewindow();
}

void HideWindow(WindowRef window) {
  WindowData* w = wd(window);
  if (!w || !w->visible) return;
  w->visible = false;
  w->framedirty = true;
  updateactivewindow();
}

void ShowHide(WindowRef window, bool show) {
  if (show) ShowWindow(window);
  else HideWindow(window);
}

bool IsWindowVisible(WindowRef window) {
  WindowData* w = wd(window);
  return w && w->visible;
}

void HiliteWindow(WindowRef window, bool hilite) {
  WindowData* w = wd(window);
  if (!w || w->hilited == hilite) return;
  w->hilited = hilite;
  w->framedirty = true;
}

bool IsWindowHilited(WindowRef window) {
  WindowData* w = wd(window);
  return w && w->hilited;
}

OSStatus CollapseWindow(WindowRef window, bool collapse) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (w->collapsed == collapse) return noErr;
  w->collapsed = collapse;
  w->framedirty = true;
  return noErr;
}

bool IsWindowCollapsed(WindowRef window) {
  WindowData* w = wd(window);
  return w && w->collapsed;
}

OSStatus SetWindowModified(WindowRef window, bool modified) {
  WindowData* w = wd(window);
  if (!w) return errInvalidWindowRef;
  if (w->modified == modified) return noErr;
  w->modified = modified;
  w->framedirty = true;
  return noErr;
}

bool IsWindowModified(WindowRef window) {
  WindowData* w = wd(window);
  return w && w->modified;
}

OSStatus TransitionWindow(WindowRef window, u32, u32 action, const Rect*) {
  if (!wd(window)) return errInvalidWindowRef;
  if (action == kWindowShowTransitionAction) ShowWindow(window);
  else if (action == kWindowHideTransitionAction) HideWindow(window);
  else return paramErr;
  return noErr;
}

OSStatus SetUserFocusWindow(WindowRef window) {
  if (window != nilid && !wd(window)) return errInvalidWindowRef;
  ws().focus = window;
  return noErr;
}

WindowRef GetUserFocusWindow() {
  if (!hasstate<WindowState>()) return nilid;
  return wd(ws().focus) ? ws().focus : nilid;
}

void CalcVisBehind(WindowRef, RgnHandle) {}

void PaintOne(WindowRef window, RgnHandle) {
  if (WindowData* w = wd(window)) w->framedirty = true;
  else screenchanged();
}

i16 FindWindow(Point where, WindowRef* window) {
  if (window) *window = nilid;
  if (ptinrect(where, menubarrect())) return inMenuBar;
  for (WindowRef id : windowlist()) {
    const WindowData* w = wd(id);
    if (!w || !shown(*w)) continue;
    i16 part = windowhittest(id, *w, where);
    if (part != inDesk) {
      if (window) *window = id;
      return part;
    }
  }
  return inDesk;
}

}  // namespace kv
