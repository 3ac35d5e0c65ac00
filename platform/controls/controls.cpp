#include "platform/controls/controls.h"

#include "platform/controls/controlextras.h"
#include "platform/controls/painter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

// extended: a kind whose code and settings its extra part keeps.
enum class ControlKind : u8 { root, scrollbar, custom, extended, userpane };

// Bytes a control keeps under a part and a tag.
struct TaggedData {
  i16 part;
  OSType tag;
  std::vector<u8> bytes;
};

struct ControlData {
  ControlKind kind = ControlKind::root;
  WindowRef owner = nilid;
  ControlRef super = nilid;
  std::vector<ControlRef> embedded;
  Rect bounds{0, 0, 0, 0};
  i32 value = 0, minimum = 0, maximum = 0, viewsize = 0;
  bool visible = true, active = true;
  u8 hilite = 0;
  ControlActionProcPtr action = nullptr;
  ControlDefProcPtr def = nullptr;
  std::vector<TaggedData> data;
  std::unique_ptr<ControlExtras> extras;  // made on first use (always for extended kinds)
};

constexpr u8 kInactiveHilite = 255;

struct ControlState {
  Registry<ControlData, RegType::control> controls;
  std::vector<std::pair<WindowRef, ControlRef>> focus;  // each window's focused control
  ControlDataAccessRec* access = nullptr;               // the data message being handled
};

ControlState& cs() { return state<ControlState>(); }

ControlData* cd(ControlRef control) { return hasstate<ControlState>() ? cs().controls.get(control) : nullptr; }

// A user pane's procedure kept under the tag (null: none).
template <class Proc>
Proc paneproc(const ControlData& c, OSType tag) {
  if (c.kind != ControlKind::userpane) return nullptr;
  for (const TaggedData& d : c.data)
    if (d.part == 0 && d.tag == tag && d.bytes.size() == sizeof(Proc)) {
      Proc p;
      std::memcpy(&p, d.bytes.data(), sizeof p);
      return p;
    }
  return nullptr;
}

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

// A custom control's definition hears that its control goes.
void forget(ControlRef control) {
  ControlData* c = cd(control);
  if (!c) return;
  if (c->kind == ControlKind::custom && c->def) c->def(0, control, kControlMsgDispose, 0);
  std::erase_if(cs().focus, [&](const auto& f) { return f.second == control; });
  cs().controls.remove(control);
}

// The window's controls go with it.
void disposeowned(WindowRef window) {
  if (!hasstate<ControlState>()) return;
  std::vector<ControlRef> owned;
  cs().controls.each([&](RegistryId id, const ControlData& c) {
    if (c.owner == window) owned.push_back(id);
  });
  for (ControlRef id : owned) forget(id);
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
  p.down = v ? Rect{i16(b.bottom - thick), b.left, b.bottom, b.right}
             : Rect{b.top, i16(b.right - thick), b.bottom, b.right};
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

// The features a custom control's definition answers (0 for other kinds).
u32 customfeatures(ControlRef control, const ControlData& c) {
  if (c.kind != ControlKind::custom || !c.def) return 0;
  return u32(c.def(0, control, kControlMsgGetFeatures, 0));
}

// Hands a data message to a custom control's definition with its record.
OSStatus dataaccess(ControlRef control, const ControlData& c, i16 message, ControlDataAccessRec* rec) {
  ControlDataAccessRec* outer = cs().access;
  cs().access = rec;
  const OSStatus status = OSStatus(c.def(0, control, message, 0));
  cs().access = outer;
  return status;
}

// A custom control that wants activate messages hears its new state.
void tellactive(ControlRef control, bool active) {
  ControlData* c = cd(control);
  if (c && (customfeatures(control, *c) & kControlWantsActivate)) c->def(0, control, kControlMsgActivate, active);
}

void setvalue(ControlData& c, i32 value) { c.value = std::clamp(value, c.minimum, std::max(c.minimum, c.maximum)); }

// Redraws a control that shows in a window.
void redraw(ControlRef control) {
  ControlData* c = cd(control);
  if (c && c->kind != ControlKind::root && c->visible && IsWindowVisible(c->owner)) Draw1Control(control);
}

// The part a point hits: a scroll bar's by its geometry, a custom control's by its definition.
i16 hitpart(ControlRef control, const ControlData& c, Point p) {
  if (c.kind == ControlKind::scrollbar) return parthit(c, p);
  if (c.kind == ControlKind::custom && c.def && PtInRect(p, &c.bounds))
    return i16(c.def(0, control, kControlMsgTest, i32((u32(u16(p.v)) << 16) | u16(p.h))));
  if (auto hit = paneproc<ControlUserPaneHitTestProcPtr>(c, fourcc("hitt")); hit && PtInRect(p, &c.bounds))
    return hit(control, p);
  return kControlNoPart;
}

// A scroll bar drawn flat into the current port: track, frame, arrows and, while active, the
// thumb; the part its hilite names is drawn pressed.
void drawbar(const ControlData& c) {
  const RGBColor track{0xEEEE, 0xEEEE, 0xEEEE}, edge{0x9999, 0x9999, 0x9999}, thumb{0xAAAA, 0xAAAA, 0xAAAA},
      pressed{0x7777, 0x7777, 0x7777};
  const BarParts parts = barparts(c);
  const bool active = c.active && c.hilite != kInactiveHilite;
  RGBForeColor(&track);
  PaintRect(&c.bounds);
  if (active) {
    const Rect* down = c.hilite == kControlUpButtonPart     ? &parts.up
                       : c.hilite == kControlDownButtonPart ? &parts.down
                                                            : nullptr;
    if (down) {
      RGBForeColor(&pressed);
      PaintRect(down);
    }
  }
  RGBForeColor(&edge);
  FrameRect(&c.bounds);
  FrameRect(&parts.up);
  FrameRect(&parts.down);
  if (active && parts.thumb.right > parts.thumb.left) {
    RGBForeColor(c.hilite == kControlIndicatorPart ? &pressed : &thumb);
    PaintRect(&parts.thumb);
  }
  ForeColor(blackColor);
}

// Draws a shown control into the current port.
void drawcontrol(ControlRef control, const ControlData& c) {
  if (!c.visible) return;
  if (c.kind == ControlKind::scrollbar) drawbar(c);
  if (c.kind == ControlKind::custom && c.def) c.def(0, control, kControlMsgDraw, c.hilite);
  if (c.kind == ControlKind::extended) paintcontrol(control);
  if (auto draw = paneproc<ControlUserPaneDrawProcPtr>(c, fourcc("draw"))) draw(control, 0);
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

const ControlTrackMouse* trackmouse = nullptr;

// A new control of the kind in the window, set up, embedded in the window's root control.
template <class Setup>
OSStatus makeembedded(WindowRef window, const Rect* bounds, ControlKind kind, ControlRef* out, Setup setup) {
  *out = nilid;
  if (!IsValidWindowPtr(window)) return errInvalidWindowRef;
  auto c = std::make_unique<ControlData>();
  c->kind = kind;
  c->owner = window;
  c->bounds = *bounds;
  setup(*c);
  *out = addcontrol(std::move(c));
  if (*out == nilid) return memFullErr;
  if (ControlRef root = rootof(window)) EmbedControl(*out, root);
  return noErr;
}

Point localmouse(WindowRef window) {
  if (trackmouse) {
    Point p{};
    trackmouse->where(&p);
    return p;
  }
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

OSStatus CreateScrollBarControl(WindowRef window, const Rect* bounds, i32 value, i32 minimum, i32 maximum, i32 viewSize,
                                bool, ControlActionProcPtr action, ControlRef* out) {
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
  const bool embedder = s->kind == ControlKind::root || (s->extras && s->extras->embedder);
  if (!embedder || s->owner != c->owner || control == container) return errControlIsNotEmbedder;
  detach(control, *c);
  c->super = container;
  s->embedded.push_back(control);
  if (c->kind == ControlKind::extended) controlvaluechanged(control);  // a radio button on sets its group
  return noErr;
}

OSStatus GetSuperControl(ControlRef control, ControlRef* out) {
  ControlData* c = cd(control);
  *out = c ? c->super : nilid;
  return c ? noErr : errInvalidControl;
}

OSStatus CountSubControls(ControlRef control, u16* count) {
  ControlData* c = cd(control);
  *count = c ? u16(c->embedded.size()) : 0;
  return c ? noErr : errInvalidControl;
}

void DisposeControl(ControlRef control) {
  ControlData* c = cd(control);
  if (!c) return;
  detach(control, *c);
  for (ControlRef e : std::vector<ControlRef>(c->embedded)) DisposeControl(e);
  forget(control);
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
  if (auto acti = paneproc<ControlUserPaneActivateProcPtr>(*c, fourcc("acti"))) acti(control, true);
  tellactive(control, true);
  redraw(control);
  return noErr;
}

OSStatus DeactivateControl(ControlRef control) {
  ControlData* c = cd(control);
  if (!c) return errInvalidControl;
  c->active = false;
  if (auto acti = paneproc<ControlUserPaneActivateProcPtr>(*c, fourcc("acti"))) acti(control, false);
  tellactive(control, false);
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
  if (ControlData* c = cd(control); c && c->kind == ControlKind::extended) controlvaluechanged(control);
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
    if (part || c.owner != window || c.kind == ControlKind::root || !c.visible || !c.active) return;
    if (i16 p = hitpart(id, c, local)) {
      part = p;
      *out = id;
    }
  });
  return part;
}

void setcontroltrackmouse(const ControlTrackMouse* mouse) { trackmouse = mouse; }

i16 TestControl(ControlRef control, Point pt) {
  const ControlData* c = cd(control);
  if (!c || c->kind == ControlKind::root) return kControlNoPart;
  if (c->kind != ControlKind::extended) return hitpart(control, *c, pt);
  if (!PtInRect(pt, &c->bounds)) return kControlNoPart;
  const u32 kind = c->extras ? c->extras->settings.kind : 0;
  if (kind == kControlKindLittleArrows) {
    // The arrows share the middle row, which is neither.
    const i16 mid = i16((c->bounds.top + c->bounds.bottom) / 2);
    return pt.v < mid ? kControlUpButtonPart : pt.v > mid ? kControlDownButtonPart : kControlIndicatorPart;
  }
  if (kind == kControlKindTabs) return tabat(control, pt);
  return kControlIndicatorPart;
}

namespace {

// A point of a window's port on the screen.
Point globalof(WindowRef window, i16 h, i16 v) {
  Rect content{}, port{};
  GetWindowBounds(window, kWindowContentRgn, &content);
  GetWindowPortBounds(window, &port);
  return Point{i16(v - port.top + content.top), i16(h - port.left + content.left)};
}

// A bevel button's menu pops up below the button (or at its right): the item chosen becomes
// its menu value and the part is the menu part; nothing chosen, no part.
i16 trackbevelmenu(ControlRef control, MenuRef menu) {
  ControlData* c = cd(control);
  i16 current = 0;
  GetControlData(control, 0, kControlBevelButtonMenuValueTag, sizeof current, &current, nullptr);
  const bool right = c->extras->settings.menuplacement != 0;
  const Point at = right ? globalof(c->owner, c->bounds.right, c->bounds.top)
                         : globalof(c->owner, c->bounds.left, c->bounds.bottom);
  HiliteControl(control, kControlMenuPart);
  const i32 chosen = PopUpMenuSelect(menu, at.v, at.h, MenuItemIndex(std::max<i32>(current, 1)));
  if (!cd(control)) return kControlNoPart;  // a handler disposed of it meanwhile
  HiliteControl(control, 0);
  if ((chosen & 0xFFFF) == 0) return kControlNoPart;
  const i16 item = i16(chosen & 0xFFFF);
  SetControlData(control, 0, kControlBevelButtonMenuValueTag, sizeof item, &item);
  redraw(control);
  return kControlMenuPart;
}

// A radio group tracks the member pressed, the action procedure hearing the group with the
// part under the mouse (0 away from the member); released on it, the group chooses it.
i16 trackradiogroup(ControlRef group, Point start, ControlActionProcPtr action) {
  const std::vector<ControlRef> members = embeddedcontrols(group);
  std::size_t pressed = 0;
  while (pressed < members.size() && TestControl(members[pressed], start) == kControlNoPart) ++pressed;
  if (pressed == members.size()) return kControlNoPart;
  const ControlRef member = members[pressed];
  const WindowRef window = cd(group)->owner;
  const i16 part = TestControl(member, start);
  i16 shown = part;
  HiliteControl(member, part);
  {
    LoopScope loop("TrackControl");
    while (trackmouse ? trackmouse->down() : WaitMouseUp()) {
      if (!cd(group) || !cd(member)) return kControlNoPart;  // an action disposed of them
      const i16 now = TestControl(member, localmouse(window)) == part ? part : i16(kControlNoPart);
      if (now != shown) {
        shown = now;
        HiliteControl(member, now);
      }
      if (action) action(group, now);
    }
  }
  if (!cd(group) || !cd(member)) return kControlNoPart;
  HiliteControl(member, 0);
  if (TestControl(member, localmouse(window)) != part) return kControlNoPart;
  SetControl32BitValue(group, i32(pressed + 1));
  redraw(group);
  return part;
}

// Tracking a control of a button: the action procedure hears the part pressed while the mouse
// is over it and 0 while it is away (tabs: the tab under the mouse), the part shown pressed
// likewise; a slider's value follows the mouse; a popup button's menu, a bevel
// button's menu and a radio group's member pressed are tracked instead. The
// part released in (0 outside); check boxes and radio buttons that toggle themselves, and
// tabs, take their new value there.
i16 trackbutton(ControlRef control, Point start, ControlActionProcPtr action) {
  ControlData* c = cd(control);
  if (!c || !c->extras) return kControlNoPart;
  const u32 kind = c->extras->settings.kind;
  const WindowRef window = c->owner;
  const i16 part = TestControl(control, start);
  if (part == kControlNoPart) return part;
  if (kind == kControlKindRadioGroup) return trackradiogroup(control, start, action);
  if (kind == kControlKindBevelButton) {
    MenuRef menu = nilid;
    GetControlData(control, 0, kControlBevelButtonMenuHandleTag, sizeof menu, &menu, nullptr);
    if (menu != nilid && IsValidMenu(menu)) return trackbevelmenu(control, menu);
  }
  if (kind == kControlKindPopupButton) {
    const MenuRef menu = c->extras->menu;
    if (!IsValidMenu(menu)) return kControlNoPart;
    const Point at = globalof(window, c->bounds.left, c->bounds.top);
    const i32 chosen = PopUpMenuSelect(menu, at.v, at.h, MenuItemIndex(std::max<i32>(c->value, 1)));
    c = cd(control);
    if (!c || (chosen & 0xFFFF) == 0) return kControlNoPart;
    setvalue(*c, chosen & 0xFFFF);
    redraw(control);
    return part;
  }
  const bool slider = kind == kControlKindSlider;
  i16 shown = part;
  HiliteControl(control, part);
  {
    LoopScope loop("TrackControl");
    while (trackmouse ? trackmouse->down() : WaitMouseUp()) {
      c = cd(control);
      if (!c) return kControlNoPart;  // an action disposed of it
      const Point p = localmouse(window);
      i16 now = TestControl(control, p);
      if (slider) {
        const bool v = c->bounds.bottom - c->bounds.top > c->bounds.right - c->bounds.left;
        const i32 length = v ? c->bounds.bottom - c->bounds.top : c->bounds.right - c->bounds.left;
        const i32 at = v ? c->bounds.bottom - p.v : p.h - c->bounds.left;
        if (length > 0) setvalue(*c, c->minimum + i32(i64(at) * (c->maximum - c->minimum) / length));
        now = part;
      } else if (kind != kControlKindTabs && now != part) {
        now = kControlNoPart;
      }
      if (now != shown) {
        shown = now;
        HiliteControl(control, now);
      }
      if (action) action(control, now);
    }
  }
  c = cd(control);
  if (!c) return kControlNoPart;
  HiliteControl(control, 0);
  i16 released = TestControl(control, localmouse(window));
  if (slider) released = part;
  else if (kind != kControlKindTabs && released != part) released = kControlNoPart;
  c = cd(control);
  if (released == kControlNoPart || !c) return kControlNoPart;
  if (kind == kControlKindTabs) setvalue(*c, released);
  if (c->extras && c->extras->settings.autotoggle) {
    if (kind == kControlKindCheckBox) setvalue(*c, c->value == 0 ? 1 : 0);
    if (kind == kControlKindRadioButton) setvalue(*c, 1);
  }
  redraw(control);
  return released;
}

}  // namespace

i16 TrackControl(ControlRef control, Point start, ControlActionProcPtr action) {
  ControlData* c = cd(control);
  if (c && c->kind == ControlKind::extended && !(customfeatures(control, *c) & kControlHandlesTracking))
    return trackbutton(control, start, action);
  if (c && c->kind == ControlKind::userpane) {
    auto track = paneproc<ControlUserPaneTrackingProcPtr>(*c, fourcc("trak"));
    return track ? track(control, start, action) : hitpart(control, *c, start);
  }
  if (c && (customfeatures(control, *c) & kControlHandlesTracking))
    return i16(c->def(0, control, kControlMsgHandleTracking, i32((u32(u16(start.v)) << 16) | u16(start.h))));
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
    while (trackmouse ? trackmouse->down() : WaitMouseUp()) {
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
  if (!c || c->kind == ControlKind::root || !c->visible) return;
  CGrafPtr port = GetWindowPort(c->owner);
  if (!port) return;
  SavePort saved;
  SetPort(port);
  drawcontrol(control, *c);
}

void DrawControls(WindowRef window) {
  if (!hasstate<ControlState>()) return;
  std::vector<ControlRef> shown;
  cs().controls.each([&](RegistryId id, const ControlData& c) {
    if (c.owner == window && c.visible) shown.push_back(id);
  });
  for (ControlRef id : shown) Draw1Control(id);
}

void IdleControls(WindowRef window) {
  if (!hasstate<ControlState>()) return;
  std::vector<ControlRef> due;
  const u32 phase = animationphase();
  std::vector<ControlRef> panes;
  cs().controls.each([&](RegistryId id, const ControlData& c) {
    if (c.owner == window && c.visible && paneproc<ControlUserPaneIdleProcPtr>(c, fourcc("idle"))) panes.push_back(id);
    if (c.owner != window || c.kind != ControlKind::extended || !c.visible || !c.extras) return;
    const bool parked = c.bounds.top <= -30000 && c.bounds.left <= -30000;
    if (!parked && c.extras->shownphase != phase && controlanimates(id)) due.push_back(id);
  });
  for (ControlRef id : due) Draw1Control(id);
  for (ControlRef id : panes)
    if (const ControlData* c = cd(id))
      if (auto idle = paneproc<ControlUserPaneIdleProcPtr>(*c, fourcc("idle"))) idle(id);
}

void HiliteControl(ControlRef control, i16 hilite) {
  if (ControlData* c = cd(control); c && c->hilite != u8(hilite)) {
    c->hilite = u8(hilite);
    redraw(control);
  }
}

u8 GetControlHilite(ControlRef control) {
  ControlData* c = cd(control);
  return c ? c->hilite : 0;
}

OSStatus SetControlVisibility(ControlRef control, bool visible, bool draw) {
  ControlData* c = cd(control);
  if (!c) return errInvalidControl;
  c->visible = visible;
  if (visible && draw) redraw(control);
  return noErr;
}

void DrawControlInCurrentPort(ControlRef control) {
  if (ControlData* c = cd(control)) drawcontrol(control, *c);
}

OSStatus CreateCustomControl(WindowRef window, const Rect* bounds, ControlDefProcPtr def, ControlRef* out) {
  const OSStatus err = makeembedded(window, bounds, ControlKind::custom, out, [&](ControlData& c) {
    c.visible = false;
    c.def = def;
  });
  if (err == noErr && def) def(0, *out, kControlMsgInit, 0);
  return err;
}

OSStatus SetControlData(ControlRef control, i16 part, OSType tag, i32 size, const void* data) {
  ControlData* c = cd(control);
  if (!c) return errInvalidControl;
  if (size < 0 || (size > 0 && data == nullptr)) return paramErr;
  if (customfeatures(control, *c) & kControlSupportsDataAccess) {
    ControlDataAccessRec rec{part, tag, size, const_cast<void*>(data)};
    return dataaccess(control, *c, kControlMsgSetData, &rec);
  }
  const u8* from = static_cast<const u8*>(data);
  std::vector<u8> bytes(from, from + size);
  for (TaggedData& d : c->data)
    if (d.part == part && d.tag == tag) {
      d.bytes = std::move(bytes);
      return noErr;
    }
  c->data.push_back(TaggedData{part, tag, std::move(bytes)});
  return noErr;
}

OSStatus GetControlData(ControlRef control, i16 part, OSType tag, i32 bufferSize, void* buffer, i32* actualSize) {
  ControlData* c = cd(control);
  if (!c) return errInvalidControl;
  if (customfeatures(control, *c) & kControlSupportsDataAccess) {
    ControlDataAccessRec rec{part, tag, buffer ? std::max(bufferSize, 0) : 0, buffer};
    const OSStatus status = dataaccess(control, *c, kControlMsgGetData, &rec);
    if (status == noErr && actualSize) *actualSize = rec.size;
    return status;
  }
  for (const TaggedData& d : c->data) {
    if (d.part != part || d.tag != tag) continue;
    const i32 size = i32(d.bytes.size());
    if (actualSize) *actualSize = size;
    if (buffer && bufferSize > 0) std::copy_n(d.bytes.begin(), std::min(size, bufferSize), static_cast<u8*>(buffer));
    return noErr;
  }
  return errDataNotSupported;
}

ControlDataAccessRec* controldataaccess() { return hasstate<ControlState>() ? cs().access : nullptr; }

// --- The extra part of controls ---------------------------------------------------------------

ControlExtras* controlextras(ControlRef control) {
  ControlData* c = cd(control);
  if (!c) return nullptr;
  if (!c->extras) {
    c->extras = std::make_unique<ControlExtras>();
    c->extras->settings.kind = c->kind == ControlKind::root        ? kControlKindRoot
                               : c->kind == ControlKind::scrollbar ? kControlKindScrollBar
                               : c->kind == ControlKind::userpane  ? kControlKindUserPane
                                                                   : kControlKindCustom;
    c->extras->settings.created = c->bounds;
    c->extras->embedder = c->kind == ControlKind::root;
  }
  return c->extras.get();
}

OSStatus newcontrol(WindowRef window, const Rect* bounds, u32 kind, ControlRef* out) {
  *out = nilid;
  if (!IsValidWindowPtr(window)) return errInvalidWindowRef;
  auto c = std::make_unique<ControlData>();
  c->kind = ControlKind::extended;
  c->owner = window;
  c->bounds = *bounds;
  c->extras = std::make_unique<ControlExtras>();
  c->extras->settings.kind = kind;
  c->extras->settings.created = *bounds;
  *out = addcontrol(std::move(c));
  if (*out == nilid) return memFullErr;
  if (ControlRef root = rootof(window)) EmbedControl(*out, root);
  return noErr;
}

// --- User panes and keyboard focus ------------------------------------------------------------

OSStatus CreateUserPaneControl(WindowRef window, const Rect* bounds, u32 features, ControlRef* out) {
  return makeembedded(window, bounds, ControlKind::userpane, out,
                      [&](ControlData& c) { c.value = c.minimum = c.maximum = i32(features); });
}

OSStatus GetKeyboardFocus(WindowRef window, ControlRef* control) {
  if (control == nullptr) return paramErr;
  *control = nilid;
  if (!IsValidWindowPtr(window)) return errInvalidWindowRef;
  if (hasstate<ControlState>())
    for (const auto& [w, c] : cs().focus)
      if (w == window) *control = c;
  return noErr;
}

OSStatus SetKeyboardFocus(WindowRef window, ControlRef control, i16 part) {
  if (!IsValidWindowPtr(window)) return errInvalidWindowRef;
  ControlData* c = cd(control);
  if (!c || c->owner != window) return errInvalidControl;
  ControlRef old = nilid;
  GetKeyboardFocus(window, &old);
  std::erase_if(cs().focus, [&](const auto& f) { return f.first == window; });
  // The control that had the focus loses it first, and is drawn without it.
  if (old != nilid && (old != control || part == kControlFocusNoPart)) {
    if (const ControlData* o = cd(old))
      if (auto foci = paneproc<ControlUserPaneFocusProcPtr>(*o, fourcc("foci"))) foci(old, kControlFocusNoPart);
    redraw(old);
  }
  if (part == kControlFocusNoPart) return noErr;
  c = cd(control);
  if (!c) return errInvalidControl;  // the old focus's procedure disposed of it
  i16 got = part;
  if (auto foci = paneproc<ControlUserPaneFocusProcPtr>(*c, fourcc("foci"))) got = foci(control, part);
  if (got != kControlFocusNoPart && cd(control)) cs().focus.emplace_back(window, control);
  redraw(control);
  return noErr;
}

i16 HandleControlKey(ControlRef control, i16 keyCode, i16 charCode, i16 modifiers) {
  const ControlData* c = cd(control);
  if (!c) return kControlNoPart;
  auto keyd = paneproc<ControlUserPaneKeyDownProcPtr>(*c, fourcc("keyd"));
  return keyd ? keyd(control, keyCode, charCode, modifiers) : i16(kControlNoPart);
}

std::vector<ControlRef> embeddedcontrols(ControlRef control) {
  ControlData* c = cd(control);
  return c ? c->embedded : std::vector<ControlRef>{};
}

}  // namespace kv
