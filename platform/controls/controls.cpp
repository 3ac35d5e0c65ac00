#include "platform/controls/controls.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

enum class ControlKind : u8 { root, scrollbar };

struct ControlData {
  ControlKind kind = ControlKind::root;
  WindowRef owner = nilid;
  ControlRef super = nilid;
  std::vector<ControlRef> embedded;
  Rect bounds{0, 0, 0, 0};
  i32 value = 0, minimum = 0, maximum = 0, viewsize = 0;
  bool visible = true, active = true;
  ControlActionProcPtr action = nullptr;
};

struct ControlState {
  Registry<ControlData, RegType::control> controls;
};

ControlState& cs() { return state<ControlState>(); }

ControlData* cd(ControlRef control) { return hasstate<ControlState>() ? cs().controls.get(control) : nullptr; }

ControlRef rootof(WindowRef window) {
  ControlRef found = nilid;
  if (!hasstate<ControlState>()) return found;
  cs().controls.each([&](RegistryId id, const ControlData& c) {
    if (c.owner == window && c.kind == ControlKind::root) found = id;
  });
  return found;
}

void detach(ControlRef control, ControlData& c) {
  if (ControlData* s = cd(c.super)) std::erase(s->embedded, control);
  c.super = nilid;
}

// The window's controls go with it.
void disposeowned(WindowRef window) {
  if (!hasstate<ControlState>()) return;
  std::vector<ControlRef> owned;
  cs().controls.each([&](RegistryId id, const ControlData& c) {
    if (c.owner == window) owned.push_back(id);
  });
  for (ControlRef id : owned) cs().controls.remove(id);
}

ControlRef addcontrol(std::unique_ptr<ControlData> c) {
  setwindowdisposalhook(disposeowned);
  return cs().controls.add(std::move(c));
}

bool vertical(const ControlData& c) { return c.bounds.bottom - c.bounds.top > c.bounds.right - c.bounds.left; }

// A scroll bar's arrows are squares at its ends; the thumb sits in the track between them by
// the value's share of the range.
struct BarParts {
  Rect up, down, track, thumb;
};

BarParts barparts(const ControlData& c) {
  BarParts p{};
  const Rect& b = c.bounds;
  const bool v = vertical(c);
  const i16 thick = v ? i16(b.right - b.left) : i16(b.bottom - b.top);
  p.up = v ? Rect{b.top, b.left, i16(b.top + thick), b.right} : Rect{b.top, b.left, b.bottom, i16(b.left + thick)};
  p.down = v ? Rect{i16(b.bottom - thick), b.left, b.bottom, b.right} : Rect{b.top, i16(b.right - thick), b.bottom, b.right};
  p.track = v ? Rect{p.up.bottom, b.left, p.down.top, b.right} : Rect{b.top, p.up.right, b.bottom, p.down.left};
  const i32 length = v ? p.track.bottom - p.track.top : p.track.right - p.track.left;
  const i32 range = c.maximum - c.minimum;
  if (range <= 0 || length <= thick) return p;  // no thumb
  const i32 at = i32(i64(length - thick) * (c.value - c.minimum) / range);
  p.thumb = v ? Rect{i16(p.track.top + at), b.left, i16(p.track.top + at + thick), b.right}
              : Rect{b.top, i16(p.track.left + at), b.bottom, i16(p.track.left + at + thick)};
  return p;
}

i16 parthit(const ControlData& c, Point p) {
  if (!PtInRect(p, &c.bounds)) return kControlNoPart;
  const BarParts parts = barparts(c);
  if (PtInRect(p, &parts.up)) return kControlUpButtonPart;
  if (PtInRect(p, &parts.down)) return kControlDownButtonPart;
  if (PtInRect(p, &parts.thumb)) return kControlIndicatorPart;
  if (c.maximum <= c.minimum) return kControlNoPart;
  const bool before = vertical(c) ? p.v < parts.thumb.top : p.h < parts.thumb.left;
  return before ? kControlPageUpPart : kControlPageDownPart;
}

void setvalue(ControlData& c, i32 value) { c.value = std::clamp(value, c.minimum, std::max(c.minimum, c.maximum)); }

// Redraws a scroll bar that shows in a window.
void redraw(ControlRef control) {
  ControlData* c = cd(control);
  if (c && c->kind == ControlKind::scrollbar && c->visible && IsWindowVisible(c->owner)) Draw1Control(control);
}

// A number of a control (0 for none).
i32 numberof(ControlRef control, i32 ControlData::*member) {
  ControlData* c = cd(control);
  return c ? c->*member : 0;
}

// Changes a control's range or value; the value stays in the range and the bar is redrawn.
template <class Change>
void changerange(ControlRef control, Change change) {
  if (ControlData* c = cd(control)) {
    change(*c);
    setvalue(*c, c->value);
    redraw(control);
  }
}

Point localmouse(WindowRef window) {
  Point g = mouseposition();
  Rect content{}, port{};
  GetWindowBounds(window, kWindowContentRgn, &content);
  GetWindowPortBounds(window, &port);
  return Point{i16(g.v - content.top + port.top), i16(g.h - content.left + port.left)};
}

}  // namespace

OSStatus CreateRootControl(WindowRef window, ControlRef* out) {
  *out = nilid;
  if (!IsValidWindowPtr(window)) return errInvalidWindowRef;
  if (rootof(window) != nilid) return errRootAlreadyExists;
  auto c = std::make_unique<ControlData>();
  c->owner = window;
  *out = addcontrol(std::move(c));
  return noErr;
}

OSStatus GetRootControl(WindowRef window, ControlRef* out) {
  *out = rootof(window);
  return *out != nilid ? noErr : errNoRootControl;
}

OSStatus CreateScrollBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum,
                                i32 viewSize, bool, ControlActionProcPtr action, ControlRef* out) {
  *out = nilid;
  if (!IsValidWindowPtr(window)) return errInvalidWindowRef;
  auto c = std::make_unique<ControlData>();
  c->kind = ControlKind::scrollbar;
  c->owner = window;
  c->bounds = *bounds;
  c->minimum = minimum;
  c->maximum = maximum;
  c->viewsize = viewSize;
  c->action = action;
  setvalue(*c, value);
  *out = addcontrol(std::move(c));
  if (ControlRef root = rootof(window)) EmbedControl(*out, root);
  return noErr;
}

OSStatus EmbedControl(ControlRef control, ControlRef container) {
  ControlData *c = cd(control), *s = cd(container);
  if (!c || !s) return errInvalidControl;
  if (s->kind != ControlKind::root || s->owner != c->owner) return errControlIsNotEmbedder;
  detach(control, *c);
  c->super = container;
  s->embedded.push_back(control);
  return noErr;
}

OSStatus GetSuperControl(ControlRef control, ControlRef* out) {
  ControlData* c = cd(control);
  *out = c ? c->super : nilid;
  return c ? noErr : errInvalidControl;
}

void DisposeControl(ControlRef control) {
  ControlData* c = cd(control);
  if (!c) return;
  detach(control, *c);
  for (ControlRef e : std::vector<ControlRef>(c->embedded)) DisposeControl(e);
  cs().controls.remove(control);
}

bool IsValidControlHandle(ControlRef control) { return cd(control) != nullptr; }

WindowRef GetControlOwner(ControlRef control) {
  ControlData* c = cd(control);
  return c ? c->owner : nilid;
}

OSStatus ActivateControl(ControlRef control) {
  ControlData* c = cd(control);
  if (!c) return errInvalidControl;
  c->active = true;
  redraw(control);
  return noErr;
}

OSStatus DeactivateControl(ControlRef control) {
  ControlData* c = cd(control);
  if (!c) return errInvalidControl;
  c->active = false;
  redraw(control);
  return noErr;
}

bool IsControlActive(ControlRef control) {
  ControlData* c = cd(control);
  return c && c->active;
}

void ShowControl(ControlRef control) {
  if (ControlData* c = cd(control); c && !c->visible) {
    c->visible = true;
    redraw(control);
  }
}

void HideControl(ControlRef control) {
  if (ControlData* c = cd(control)) c->visible = false;
}

bool IsControlVisible(ControlRef control) {
  ControlData* c = cd(control);
  return c && c->visible;
}

i32 GetControl32BitValue(ControlRef control) { return numberof(control, &ControlData::value); }
void SetControl32BitValue(ControlRef control, i32 value) {
  changerange(control, [&](ControlData& c) { c.value = value; });
}
i32 GetControl32BitMinimum(ControlRef control) { return numberof(control, &ControlData::minimum); }
void SetControl32BitMinimum(ControlRef control, i32 minimum) {
  changerange(control, [&](ControlData& c) { c.minimum = minimum; });
}
i32 GetControl32BitMaximum(ControlRef control) { return numberof(control, &ControlData::maximum); }
void SetControl32BitMaximum(ControlRef control, i32 maximum) {
  changerange(control, [&](ControlData& c) { c.maximum = maximum; });
}
i32 GetControlViewSize(ControlRef control) { return numberof(control, &ControlData::viewsize); }
void SetControlViewSize(ControlRef control, i32 size) {
  if (ControlData* c = cd(control)) c->viewsize = size;
}

Rect* GetControlBounds(ControlRef control, Rect* bounds) {
  ControlData* c = cd(control);
  *bounds = c ? c->bounds : Rect{0, 0, 0, 0};
  return bounds;
}

void SetControlBounds(ControlRef control, const Rect* bounds) {
  if (ControlData* c = cd(control)) {
    c->bounds = *bounds;
    redraw(control);
  }
}

i16 FindControl(Point local, WindowRef window, ControlRef* out) {
  *out = nilid;
  if (!hasstate<ControlState>()) return kControlNoPart;
  i16 part = kControlNoPart;
  cs().controls.each([&](RegistryId id, const ControlData& c) {
    if (part || c.owner != window || c.kind != ControlKind::scrollbar || !c.visible || !c.active) return;
    if (i16 p = parthit(c, local)) {
      part = p;
      *out = id;
    }
  });
  return part;
}

i16 TrackControl(ControlRef control, Point start, ControlActionProcPtr action) {
  ControlData* c = cd(control);
  if (!c || c->kind != ControlKind::scrollbar) return kControlNoPart;
  const WindowRef window = c->owner;
  const i16 part = parthit(*c, start);
  if (!action) action = c->action;
  const i32 startvalue = c->value;
  const BarParts parts = barparts(*c);
  const bool v = vertical(*c);
  const i32 length = v ? parts.track.bottom - parts.track.top : parts.track.right - parts.track.left;
  const i32 thick = v ? c->bounds.right - c->bounds.left : c->bounds.bottom - c->bounds.top;
  i16 last = part;
  {
    LoopScope loop("TrackControl");
    while (WaitMouseUp()) {
      c = cd(control);
      if (!c) return kControlNoPart;  // an action disposed of it
      const Point p = localmouse(window);
      if (part == kControlIndicatorPart) {
        const i32 moved = v ? p.v - start.v : p.h - start.h;
        if (length > thick) setvalue(*c, startvalue + i32(i64(moved) * (c->maximum - c->minimum) / (length - thick)));
        redraw(control);
        if (action) action(control, part);
        continue;
      }
      last = parthit(*c, p) == part ? part : i16(kControlNoPart);
      if (action) action(control, last);
    }
  }
  if (!cd(control)) return kControlNoPart;
  if (part == kControlIndicatorPart) return part;
  return parthit(*cd(control), localmouse(window)) == part ? part : last;
}

void Draw1Control(ControlRef control) {
  ControlData* c = cd(control);
  if (!c || c->kind != ControlKind::scrollbar || !c->visible) return;
  CGrafPtr port = GetWindowPort(c->owner);
  if (!port) return;
  SavePort saved;
  SetPort(port);
  const RGBColor track{0xEEEE, 0xEEEE, 0xEEEE}, edge{0x9999, 0x9999, 0x9999}, thumb{0xAAAA, 0xAAAA, 0xAAAA};
  const BarParts parts = barparts(*c);
  RGBForeColor(&track);
  PaintRect(&c->bounds);
  RGBForeColor(&edge);
  FrameRect(&c->bounds);
  FrameRect(&parts.up);
  FrameRect(&parts.down);
  if (c->active && parts.thumb.right > parts.thumb.left) {
    RGBForeColor(&thumb);
    PaintRect(&parts.thumb);
  }
  ForeColor(blackColor);
}

void DrawControls(WindowRef window) {
  if (!hasstate<ControlState>()) return;
  std::vector<ControlRef> shown;
  cs().controls.each([&](RegistryId id, const ControlData& c) {
    if (c.owner == window && c.visible) shown.push_back(id);
  });
  for (ControlRef id : shown) Draw1Control(id);
}

}  // namespace kv
