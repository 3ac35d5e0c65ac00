#include "render/controlvisibility.h"

#include <array>
#include <optional>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/buttoncontrols.h"
#include "render/carddrawing.h"
#include "render/carddrawingimpl.h"
#include "render/drawprocs.h"
#include "render/effectqueue.h"
#include "render/objectbounds.h"
#include "render/spotstyles.h"
#include "shell/eventqueue.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/recordcache.h"

namespace kv {

namespace {

enum : u32 { kDefaultFlag = 1u << 9, kShowsInvisibles = 1u << 7 };
constexpr u16 kBrowse = 100, kBrowsePlugin = 101;
constexpr u32 kVizu = fourcc("VIZU"), kValsTag = fourcc("Vals");

bool isdefault(const spot& s) { return (s.flags & kDefaultFlag) != 0; }
bool browsing(u16 tool) { return tool == kBrowse || tool == kBrowsePlugin; }

bool emptyrect(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

// Whether a context's window shows invisible objects.
bool showsinvisiblesof(const desk* d) {
  return d && d->wind != nilhandle && (loadat<windrec>(deref(d->wind)).flags & kShowsInvisibles);
}

bool seen(const desk* d, const spot& s) { return (s.flags & spotvisible) || showsinvisiblesof(d); }

// The object's rectangle in its window's port: moved by the negated top-left of the port's
// bounds.
Rect portrect(WindowRef window, const Rect& r) {
  Rect bounds{};
  GetWindowPortBounds(window, &bounds);
  Rect out = r;
  OffsetRect(&out, i16(-bounds.left), i16(-bounds.top));
  return out;
}

void park(ControlRef c) {
  SetControlBounds(c, &kParkingRect);
  HideControl(c);
}

// A radio group lays its members out in the parking rectangle too (which hides them).
void parkmembers(const spot& s, ControlRef c) {
  if (s.style != 203) return;
  u16 count = 0;
  CountSubControls(c, &count);
  if (count > 0) mapRadioGroupMembers(s, i16(count), kParkingRect);
}

// The context of a control's window: the current one, or its window's entry of the table.
std::optional<desk> contextof(WindowRef window) {
  const MainGlobals& g = mainglobals();
  if (window != nilid && g.current.window == window) return g.current;
  desk d{};
  if (window != nilid && getwind(window, &d)) return d;
  return std::nullopt;
}

// Marks changed the record whose object list this is.
void markowner(Handle list) {
  auto mark = [list](const desk& d) {
    if (d.cardspots == list && d.card != nilhandle) checkerr(changevir(d.store, i32(d.cardrecid)));
    else if (d.backspots == list && d.back != nilhandle) checkerr(changevir(d.store, i32(d.backrecid)));
    else return false;
    return true;
  };
  const MainGlobals& g = mainglobals();
  if (mark(g.current)) return;
  for (i32 i = 0; i < g.numwinds && g.winds != nilhandle; ++i)
    if (mark(loadat<desk>(deref(g.winds) + Size(i) * Size(sizeof(desk))))) return;
}

// Brings back one object's control (the steps of UnsquashDefaults); `strict` tests the tool
// and a playing effect before it sets a default button's tag.
void unsquashone(const desk* d, Handle list, i32 index, bool background, i16 invalidate, bool strict) {
  spot s = spotat(list, index);
  ControlRef c = livecontrol(s);
  if (c == controltrackstate().trackedcontrol && c != nilid) return;
  if (!IsValidControlHandle(c)) {
    setlivecontrol(s, nilid);
    c = docontrolup(&s, background ? 1 : 0);
    putspot(list, index, s);
    if (c == nilid) return;
  }
  const Rect r = portrect(d->window, s.rect);
  if (s.style != 216 && touchesScrollbar(d, r)) return;
  if (isdefault(s) && (!strict || (!effectplaying() && browsing(d->tool)))) {
    const u8 on = 1;
    SetControlData(c, 0, kControlPushButtonDefaultTag, 1, &on);
    ShowControl(c);
  }
  if (background || !d->backlayer) {
    SetControlBounds(c, &r);
    ShowControl(c);
  }
  if (invalidate && s.style != 224) InvalWindowRect(d->window, &s.rect);
}

// Hands each live control of a context's lists but the tracked one to `each` with its object
// and bounds; the object of a control that is gone loses it.
template <typename Each>
void eachlivecontrol(const desk& context, Each&& each) {
  for (Handle list : {context.cardspots, context.backspots}) {
    for (i32 i = 0; i < spotcount(list); ++i) {
      spot s = spotat(list, i);
      const ControlRef c = livecontrol(s);
      if (c == nilid || c == controltrackstate().trackedcontrol) continue;
      if (!IsValidControlHandle(c)) {
        setlivecontrol(s, nilid);
        putspot(list, i, s);
        continue;
      }
      Rect bounds{};
      GetControlBounds(c, &bounds);
      each(s, c, bounds);
    }
  }
}

}  // namespace

void notecontrolvalues(ControlRef control) {
  const std::array<i16, 3> given{GetControlMinimum(control), GetControlMaximum(control), GetControlValue(control)};
  SetControlProperty(control, kVizu, kValsTag, sizeof given, given.data());
}

ControlRef livecontrol(const spot& object) {
  return isplatformcontrol(object) ? getcontrolpart(object).control : nilid;
}

void setlivecontrol(spot& object, ControlRef control) {
  controlpart c = getcontrolpart(object);
  c.control = control;
  setcontrolpart(object, c);
}

bool controlWantsIdle(const spot& object) {
  if (livecontrol(object) == nilid) return false;
  return isdefault(object) || object.style == 218 || object.style == 214 || object.style == 215;
}

bool touchesScrollbar(const desk* context, const Rect& rect) {
  if (!context) return false;
  const Rect grown = growrect(rect, 6);
  for (ControlRef bar : {context->hscroll, context->vscroll}) {
    if (bar == nilid || !IsValidControlHandle(bar) || !IsControlVisible(bar)) continue;
    Rect bounds{}, meet{};
    GetControlBounds(bar, &bounds);
    if (SectRect(&grown, &bounds, &meet)) return true;
  }
  return false;
}

void docontroldown(spot& object) {
  const ControlRef c = livecontrol(object);
  if (c == nilid) return;
  if (!IsValidControlHandle(c)) {
    setlivecontrol(object, nilid);
    return;
  }
  const WindowRef window = GetControlOwner(c);
  if (window == nilid) return;
  const MainGlobals& g = mainglobals();
  const std::optional<desk> d = contextof(window);
  const desk* context = d ? &*d : nullptr;
  switch (object.style) {
    case 206: dumpspotcontrol(object); return;
    case 201: {
      const CGrafPtr port = GetWindowPort(window);
      if (browsing(g.current.tool) && !effectplaying() && isdefault(object) && port &&
          GetPortPenVisibility(port) >= 0) {
        Rect drawn{};
        lowcalc(&object, &drawn);
        drawn.right = i16(drawn.right + 2);
        drawn.bottom = i16(drawn.bottom + 2);
        if (!touchesScrollbar(context, drawn)) {
          const Rect r = portrect(window, object.rect);
          SetControlBounds(c, &r);
          return;
        }
      }
      park(c);
      const u8 off = 0;
      SetControlData(c, 0, kControlPushButtonDefaultTag, 1, &off);
      return;
    }
    case 205:
    case 207:
    case 211: park(c); return;
    default:
      if (controlWantsIdle(object) && !touchesScrollbar(context, portrect(window, object.rect))) return;
      park(c);
      parkmembers(object, c);
  }
}

void dumpspotcontrol(spot& object) {
  const ControlRef c = livecontrol(object);
  if (c == nilid) return;
  if (!IsValidControlHandle(c)) {
    setlivecontrol(object, nilid);
    return;
  }
  if (c == controltrackstate().trackedcontrol) {
    // The tracker holds it: it is taken down and built again in place.
    if (object.style == 206) park(c);
    else docontroldown(object);
    docontrolup(&object, GetControlReference(c) < 0 ? 1 : 0);
    controltrackstate().trackedrebuilt = 1;
    return;
  }
  setlivecontrol(object, nilid);
  park(c);
  const WindowRef window = GetControlOwner(c);
  if (object.style != 206) InvalWindowRect(window, &object.rect);
  auto dropmenu = [](MenuRef menu) {
    if (!IsValidMenu(menu)) return;
    const MenuID id = GetMenuID(menu);
    if (id != 0 && GetMenuHandle(id) == menu) {
      FlushBuggyOSXMenuKeyCache(menu);
      DeleteMenu(id);
    }
    DisposeMenu(menu);
  };
  ControlButtonContentInfo content{kControlContentTextOnly, 0};
  if (object.style == 205) {
    MenuRef menu = nilid;
    GetControlData(c, 0, kControlBevelButtonMenuHandleTag, sizeof menu, &menu, nullptr);
    const MenuRef none = nilid;
    SetControlData(c, 0, kControlBevelButtonMenuHandleTag, sizeof none, &none);
    dropmenu(menu);
  }
  // Round buttons hold their icon reference as bevel buttons and image wells hold theirs.
  if (object.style == 205 || object.style == 207 || object.style == 211) {
    GetBevelButtonContentInfo(c, &content);
    const ControlButtonContentInfo none{kControlContentTextOnly, 0};
    SetBevelButtonContentInfo(c, &none);
  }
  releasecontent(content);
  if (object.style == 206) {
    const MenuRef menu = GetControlPopupMenuHandle(c);
    SetControlPopupMenuHandle(c, nilid);
    dropmenu(menu);
  }
  DisposeControl(c);
}

void putdowncontrols(Handle list) {
  bool changed = false;
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (livecontrol(s) != nilid) {
      const ControlRef c = livecontrol(s);
      if (IsValidControlHandle(c)) {
        controlpart p = getcontrolpart(s);
        std::array<i16, 3> given{p.minimumvalue, p.maximumvalue, p.currentvalue};
        // What drawing gave the control is no change of the project's; what moved since is.
        u32 size = 0;
        GetControlProperty(c, kVizu, kValsTag, sizeof given, &size, given.data());
        p.minimumvalue = GetControlMinimum(c);
        p.maximumvalue = GetControlMaximum(c);
        p.currentvalue = GetControlValue(c);
        changed = changed || p.minimumvalue != given[0] || p.maximumvalue != given[1] || p.currentvalue != given[2];
        setcontrolpart(s, p);
      }
      dumpspotcontrol(s);
      putspot(list, i, s);
    } else if (isfield(s) && (s.style == stylefieldlist || s.style == stylefieldscrolllist) && livefield(s)) {
      leavelistmode(s);
      putspot(list, i, s);
    }
  }
  // A value the user changed is kept when the project is written.
  if (changed) markowner(list);
}

void SquashControls(WindowRef window) {
  const std::optional<desk> d = contextof(window);
  if (!d) return;
  eachlivecontrol(*d, [](const spot& s, ControlRef c, const Rect& bounds) {
    if (emptyrect(bounds) && s.style != 203) return;
    // Where a control stands is runtime state: parking it changes no record.
    if (s.style == 206) {
      const Rect popup{kParkingRect.top, kParkingRect.left, i16(kParkingRect.top + 20),
                       i16(kParkingRect.left + (s.rect.right - s.rect.left))};
      SetControlBounds(c, &popup);
      HideControl(c);
    } else {
      park(c);
    }
    parkmembers(s, c);
  });
}

void SquashThrobbers(const desk* context) {
  if (!context) return;
  eachlivecontrol(*context, [context](const spot& s, ControlRef c, const Rect& bounds) {
    if (seen(context, s) && isdefault(s) && !emptyrect(bounds)) park(c);
  });
}

void UnsquashDefaults(const desk* context, i16 invalidate) {
  const MainGlobals& g = mainglobals();
  if (g.numwinds == 0 || !context || context->window == nilid || drawnobjectstate().resumeredraw) return;
  const desk d = *context;
  const Handle lists[2] = {d.cardspots, d.backspots};
  for (int layer = 0; layer < 2; ++layer)
    for (i32 i = 0; i < spotcount(lists[layer]); ++i) {
      const spot s = spotat(lists[layer], i);
      if (!seen(&d, s) || !controlWantsIdle(s) || livecontrol(s) == controltrackstate().trackedcontrol) continue;
      unsquashone(&d, lists[layer], i, layer == 1, invalidate, true);
    }
}

void UnsquashIfWantsIdle(const desk* context, Handle list, i16 index, i16 invalidate) {
  if (!context || context->window == nilid || index < 0 || index >= spotcount(list)) return;
  const spot s = spotat(list, index);
  if (!seen(context, s) || !controlWantsIdle(s) || livecontrol(s) == controltrackstate().trackedcontrol) return;
  unsquashone(context, list, index, list != context->cardspots, invalidate, false);
}

void redrawinfront(const spot& object) {
  const ControlRef c = livecontrol(object);
  if (c == nilid || object.style == 227 || !IsValidControlHandle(c)) return;
  const WindowRef window = GetControlOwner(c);
  const CGrafPtr port = GetWindowPort(window);
  if (!port || GetPortPenVisibility(port) < 0) return;
  const std::optional<desk> found = contextof(window);
  if (!found) return;
  const desk d = *found;
  MainGlobals& g = mainglobals();
  const i32 ref = GetControlReference(c);
  const Handle own = ref < 0 ? d.backspots : d.cardspots;
  const u32 id = u32(ref < 0 ? -i64(ref) : i64(ref));
  i32 index = -1;
  for (i32 i = 0; i < spotcount(own); ++i)
    if (spotat(own, i).id == id) {
      index = i;
      break;
    }
  if (index < 0) return;
  ThemeDrawingState theme = nilhandle;
  GetThemeDrawingState(&theme);
  {
    std::optional<OffWindowProcs> procs;
    if (g.offwindowdrawing) procs.emplace(port);
    HeldRegion visible;
    GetPortVisibleRegion(port, visible.get());
    auto redraw = [&](Handle list, i32 from) {
      for (i32 i = from; i < spotcount(list); ++i) {
        const spot front = spotat(list, i);
        Rect meet{};
        if (!SectRect(&front.rect, &object.rect, &meet)) continue;
        lowdrawspots(outlinemode(d.tool, list == d.backspots, d.backlayer != 0), list, i16(i), visible.get(), 1);
        UnsquashIfWantsIdle(&d, list, i16(i), 0);
      }
    };
    if (own == d.backspots) {
      redraw(d.backspots, index + 1);
      redraw(d.cardspots, 0);
    } else {
      redraw(d.cardspots, index + 1);
    }
  }
  if (theme != nilhandle) SetThemeDrawingState(theme, true);
  if (!effectplaying()) EconomyFlush(port, nilhandle);
}

void setcontrolidle(Handle list) {
  const MainGlobals& g = mainglobals();
  if (g.imagedrawing) return;
  for (i32 i = 0; i < spotcount(list); ++i) {
    const spot s = spotat(list, i);
    if (s.kind != spotbutton || s.style == 201 || !controlWantsIdle(s)) continue;
    const ControlRef c = livecontrol(s);
    if (!IsValidControlHandle(c)) continue;
    const u8 on = g.idleControls ? 1 : 0;
    SetControlData(c, 0, kControlProgressBarAnimatingTag, 1, &on);
  }
}

namespace {

void releasecontrolpart(spot& s) {
  // A record going away takes its control with it, even the tracked one (whose tracking then
  // ends): its parts may be gone already, so it cannot be built again.
  if (livecontrol(s) != nilid && livecontrol(s) == controltrackstate().trackedcontrol)
    controltrackstate().trackedcontrol = nilid;
  if (livecontrol(s) != nilid) dumpspotcontrol(s);
  setlivecontrol(s, nilid);
}

// Check boxes and single radio buttons show the highlight; every other control its value.
void setcontrolstatepart(const spot& s, i16 value, i16 highlight) {
  const ControlRef c = livecontrol(s);
  if (!IsValidControlHandle(c)) return;
  u16 members = 0;
  CountSubControls(c, &members);
  const bool marks = s.style == 204 || (s.style == 203 && members == 0);
  SetControl32BitValue(c, marks ? highlight : value);
}

}  // namespace

void installcontrolliveparts() {
  LiveParts parts{};
  parts.releasecontrol = releasecontrolpart;
  parts.setcontrolstate = setcontrolstatepart;
  installliveparts(parts);
}

void checkcontrols(u32 ticks) {
  MainGlobals& g = mainglobals();
  if (!g.controlidle) return;
  if (ticks == 0) ticks = TickCount();
  if (ticks > g.controlsdue) g.controlsdue = ticks + u32(g.progressTicks);
}

}  // namespace kv
