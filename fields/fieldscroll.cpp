// Field scrolling and the open field's edit controls. While a field is open its scroll bar and
// ruler are live controls, but only for the moment they are tracked or drawn: a control is put
// up (given its bounds, range and visibility) and put down again (moved to the empty rectangle
// without drawing) before the routine that needed it returns.
#include "fields/fieldscroll.h"

#include <algorithm>

#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "fields/fieldclick.h"
#include "fields/fieldview.h"
#include "fields/keepclip.h"
#include "fields/rulercontrol.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/windows.h"
#include "render/fielddrawing.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/metal.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/weinternal.h"
#include "tools/dragsend.h"

namespace kv {

namespace {

constexpr u32 kWideMargins = 1u << 5;
constexpr u8 kHome = 1, kEnd = 4, kPageUp = 11, kPageDown = 12, kReturn = 13;
constexpr i16 kInactive = 255;
constexpr i16 kUpArrow = 20, kDownArrow = 21, kPageUpPart = 22, kPageDownPart = 23, kThumb = 129;
constexpr Rect kEmpty{0, 0, 0, 0};
constexpr Rect kParked{-32016, -32016, -32000, -32000};

struct FieldScrollState {
  ControlRef globcontrol = nilid;
  ControlRef globruler = nilid;
  i32 pintop = 0;
  i32 pinbot = 0;
  bool globscroll = false;
};

FieldScrollState& fs() { return state<FieldScrollState>(); }

bool openfieldof(Handle list, spot* s) {
  const MainGlobals& g = mainglobals();
  if (list == nilhandle || g.openfield < 0 || g.openfield >= spotcount(list) || !isvalidwerec(g.openfieldrec))
    return false;
  *s = spotat(list, g.openfield);
  return true;
}

constexpr u32 kAllowDragFlag = 1u << 16;

bool clicking(WEReference we) { return isvalidwerec(we) && (werec(we)->flags & weFlagTracking) != 0; }

bool emptyrect(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

void put(i32* out, i32 v) {
  if (out != nullptr) *out = v;
}

// The object-click outcome of a text click: its status when a field object took the click.
bool objectclicked(i16* status) {
  MainGlobals& g = mainglobals();
  if (g.fieldobjectstatus == 0 && g.fieldobjectclicks != 1) return false;
  *status = g.fieldobjectstatus;
  g.fieldobjectstatus = 0;
  g.fieldobjectclicks = 0;
  return true;
}

void clicktext(Point pt, WEReference we, u32 fieldflags, bool* handled) {
  MainGlobals& g = mainglobals();
  g.fieldobjectclicks = 0;
  // A press on the selection of a field that allows dragging drags the text out.
  if (g.allowDragAndDrop && (fieldflags & kAllowDragFlag) && DragText()) {
    *handled = true;
    return;
  }
  WEClick(pt, g.event.modifiers, g.event.when, we);
  *handled = true;
}

}  // namespace

ControlRef fieldscrollglobcontrol() { return hasstate<FieldScrollState>() ? fs().globcontrol : nilid; }
ControlRef fieldscrollglobruler() { return hasstate<FieldScrollState>() ? fs().globruler : nilid; }

i16 recalcfldscroll(Handle list, i16 index, WEReference we, bool update, bool reposition, i32* scroll, i32* reserved,
                    i32* maximum, i32* page) {
  for (i32* out : {scroll, reserved, maximum, page}) put(out, 0);
  if (list == nilhandle || index < 0 || index >= spotcount(list) || !isvalidwerec(we)) return 0;
  spot s = spotat(list, index);
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  const i32 topmargin = isfield(s) ? ((s.flags & kWideMargins) ? 4 : 1) : -1;
  const i32 bottommargin = isfield(s) ? 1 : 3;
  if (GetScrollBarFlag(we) == 0) {
    // The destination's bottom is where the text ends: it keeps the text's height.
    LongRect laid{};
    WEGetDestRect(&laid, we);
    dest.bottom = dest.top + (laid.bottom - laid.top);
    WESetDestRect(&dest, we);
    WESetViewRect(&view, we);
    return 0;
  }
  LongRect text{};
  WEGetDestRect(&text, we);
  const i32 height = text.bottom - text.top;
  const i32 visible = view.bottom - view.top - topmargin - bottommargin;
  if (reposition) {
    if (text.top > view.top + topmargin || height <= visible) {
      text.top = view.top + topmargin;
      text.bottom = text.top + height;
    } else if (text.bottom < view.bottom - bottommargin) {
      text.bottom = view.bottom - bottommargin;
      text.top = text.bottom - height;
    }
    WESetDestRect(&text, we);
  }
  const i32 most = std::max(0, height - visible);
  const i32 value = std::clamp(view.top + topmargin - text.top, 0, most);
  i16 changed = 0;
  if (value != getfieldscroll(s)) {
    setfieldscroll(s, value);
    putspot(list, index, s);
    if (update) WEUpdate(0, we);
    changed = 1;
  }
  fs().pintop = view.top + topmargin;
  fs().pinbot = view.bottom - bottommargin;
  put(scroll, value);
  put(maximum, most);
  put(page, visible);
  return changed;
}

void controlup(Handle list, i32* value, i32* minimum, i32* maximum, bool setbounds) {
  for (i32* out : {value, minimum, maximum}) put(out, 0);
  spot s{};
  if (!openfieldof(list, &s)) return;
  const MainGlobals& g = mainglobals();
  const WEReference we = g.openfieldrec;
  i32 scroll = 0, reserved = 0, most = 0, page = 0;
  recalcfldscroll(list, g.openfield, we, false, !clicking(we), &scroll, &reserved, &most, &page);
  Rect bounds = kEmpty;
  if (setbounds) controlrect(spotat(list, g.openfield), &bounds);
  const ControlRef bar = fieldscrollbar(we);
  fs().globcontrol = bar;
  if (bar == nilid) return;
  if (setbounds) SetControlBounds(bar, &bounds);
  SetControl32BitMinimum(bar, 0);
  SetControl32BitMaximum(bar, most);
  SetControl32BitValue(bar, scroll);
  SetControlVisibility(bar, true, false);
  SetControlViewSize(bar, page);
  put(value, GetControl32BitValue(bar));
  put(maximum, most);
}

void controldown(Handle list) {
  FieldScrollState& st = fs();
  const ControlRef bar = st.globcontrol;
  if (bar == nilid) return;
  st.globcontrol = nilid;
  if (!IsValidControlHandle(bar)) return;
  const MainGlobals& g = mainglobals();
  Rect old{};
  GetControlBounds(bar, &old);
  spot s{};
  if (openfieldof(list, &s)) {
    setfieldscroll(s, GetControl32BitValue(bar));
    putspot(list, g.openfield, s);
  }
  KeepClip clip;
  ClipRect(&kEmpty);
  SetControlBounds(bar, &kEmpty);
  if (g.openfieldwindow != nilid) ValidWindowRect(g.openfieldwindow, &old);
}

void rulerup(Handle list) {
  FieldScrollState& st = fs();
  spot s{};
  if (!openfieldof(list, &s) || !fieldhasruler(s) || st.globruler != nilid) return;
  const MainGlobals& g = mainglobals();
  const WindowRef window = g.openfieldwindow;
  if (window == nilid) return;
  Rect r{};
  rulercontrolrect(s, &r);
  const rulerdatarec data = rulerdata(s, g.openfieldrec);
  ControlRef ruler = nilid;
  OSStatus err = noErr;
  {
    SavePort saved;
    SetPortWindowPort(window);
    HidePen();
    err = CreateRulerControl(window, &r, &data, &ruler);
    ShowPen();
  }
  if (err != noErr || ruler == nilid) return;
  UpdateRulerIndents(ruler);
  UpdateRulerTabs(ruler);
  SetControlVisibility(ruler, true, false);
  const bool active = IsWindowHilited(window);
  HiliteControl(ruler, active ? 0 : kInactive);
  ActivateRuler(ruler, active);
  st.globruler = ruler;
}

void rulerdown() {
  FieldScrollState& st = fs();
  const ControlRef ruler = st.globruler;
  if (ruler == nilid) return;
  st.globruler = nilid;
  if (!IsValidControlHandle(ruler)) return;
  const WindowRef window = GetControlOwner(ruler);
  Rect old{};
  GetControlBounds(ruler, &old);
  KeepClip clip;
  ClipRect(&kEmpty);
  SetControlBounds(ruler, &kEmpty);
  DisposeControl(ruler);
  if (window != nilid) ValidWindowRect(window, &old);
}

void runrulercontrol(Handle list, Point pt) {
  rulerup(list);
  const ControlRef ruler = fs().globruler;
  const WindowRef window = mainglobals().openfieldwindow;
  ControlRef hit = nilid;
  if (ruler != nilid && window != nilid && FindControl(pt, window, &hit) != 0 && hit == ruler)
    TrackControl(ruler, pt, nullptr);
  rulerdown();
}

void scrolltext() {
  FieldScrollState& st = fs();
  const WEReference we = mainglobals().openfieldrec;
  const ControlRef bar = st.globcontrol;
  if (!isvalidwerec(we) || bar == nilid) return;
  const i32 value = GetControl32BitValue(bar);
  const i32 target = st.pintop - value;
  LongRect text{};
  WEGetDestRect(&text, we);
  if (target == text.top) return;
  BackPat(&qdwhite);
  WEScroll(0, target - text.top, we);
  if (value == 0) {
    // The band above the text (the top margin) is left as the scroll uncovered it: erased.
    LongRect view{};
    WEGetViewRect(&view, we);
    const Rect band{i16(std::clamp<i32>(view.top, -32768, 32767)), i16(std::clamp<i32>(view.left, -32768, 32767)),
                    i16(std::clamp<i32>(target, -32768, 32767)), i16(std::clamp<i32>(view.right, -32768, 32767))};
    if (band.bottom > band.top) {
      if (WEEraseProcPtr erase = werec(we)->eraseHook) erase(&band, we);
      else EraseRect(&band);
    }
  }
  st.globscroll = true;
}

void PcreateRTcontrollscroll(ControlRef control, i16 part) {
  if (!IsValidControlHandle(control)) return;
  const FieldScrollState& st = fs();
  const i32 value = GetControl32BitValue(control);
  const i32 most = GetControl32BitMaximum(control);
  const i32 step = mainglobals().fieldScrollStep;
  // A page is the visible band, at least one pixel.
  const i32 page = std::max(1, st.pinbot - st.pintop);
  i32 next = value;
  switch (part) {
    case kUpArrow:
      if (value > 0) next = value - step;
      break;
    case kDownArrow:
      if (value < most) next = value + step;
      break;
    case kPageUpPart: next = value - page; break;
    case kPageDownPart: next = value + page; break;
    case kThumb: break;
    default: return;
  }
  if (next != value) SetControl32BitValue(control, std::clamp(next, GetControl32BitMinimum(control), most));
  scrolltext();
}

i16 scrollclick(Handle list, Point pt, bool* handled) {
  MainGlobals& g = mainglobals();
  *handled = false;
  fs().globscroll = false;
  g.fieldobjectstatus = 0;
  spot s{};
  if (!openfieldof(list, &s)) return 0;
  const WEReference we = g.openfieldrec;
  const WindowRef window = g.openfieldwindow;
  if (window == nilid) return 0;
  SavePort saved;
  SetPortWindowPort(window);
  KeepClip clip;
  i16 status = 0;
  if (s.style == stylefieldscroll || s.style == stylefieldscrolllist) {
    Rect bar{}, ruler{};
    controlrect(s, &bar);
    if (fieldhasruler(s)) rulercontrolrect(s, &ruler);
    Rect interior{};
    GetWindowPortBounds(window, &interior);
    Rect box = s.rect;
    SectRect(&box, &interior, &box);
    clip.within(box);
    if (PtInRect(pt, &bar)) {
      controlup(list, nullptr, nullptr, nullptr, true);
      ControlRef hit = nilid;
      if (fs().globcontrol != nilid && FindControl(pt, window, &hit) != 0 && hit == fs().globcontrol)
        TrackControl(hit, pt, PcreateRTcontrollscroll);
      controldown(list);
    } else if (!emptyrect(ruler) && PtInRect(pt, &ruler)) {
      runrulercontrol(list, pt);
      SetWERecDirtyFlag(we, true);
    } else if (g.openfieldlocked) {
      return 0;
    } else {
      controlup(list, nullptr, nullptr, nullptr, true);
      WEInstallScrollCallbackHook(we);
      dclick(pt, g.event.when);
      clicktext(pt, we, s.flags, handled);
      controldown(list);
      if (objectclicked(&status)) {
        *handled = false;
        dclick(pt, TickCount());
        werec(we)->clickTime = TickCount();
        return status;
      }
      wefakerulercontrol(s, we);
    }
    ValidWindowRect(window, &interior);
    clip.restore();
    if (fs().globscroll) return spotsend(sendnormal, list, g.openfield, "scrollField", window);
    return 0;
  }
  if (g.openfieldlocked) return 0;
  dclick(pt, g.event.when);
  Rect ruler{};
  if (s.style == stylefieldrect && fieldhasruler(s)) rulercontrolrect(s, &ruler);
  if (!emptyrect(ruler) && PtInRect(pt, &ruler)) {
    clip.within(s.rect);
    runrulercontrol(list, pt);
    SetWERecDirtyFlag(we, true);
    return 0;
  }
  WERemoveScrollCallbackHook(we);
  clicktext(pt, we, s.flags, handled);
  if (objectclicked(&status)) {
    *handled = false;
    return status;
  }
  wefakerulercontrol(s, we);
  return 0;
}

i16 handlenavkeys(u8 c) {
  MainGlobals& g = mainglobals();
  const Handle list = g.openfieldspots;
  spot s{};
  if (!g.textArrows || !openfieldof(list, &s) || s.style != stylefieldscroll) return 0;
  SavePort saved;
  if (g.openfieldwindow != nilid) SetPortWindowPort(g.openfieldwindow);
  i32 value = 0, minimum = 0, most = 0;
  controlup(list, &value, &minimum, &most, true);
  const ControlRef bar = fs().globcontrol;
  if (bar == nilid) return 0;
  const WEReference we = g.openfieldrec;
  const i32 lines = WECountLines(we);
  i32 height = WEGetHeight(0, lines, we);
  const i32 length = WEGetTextLength(we);
  if (length > 0 && lines > 0 && deref(WEGetText(we))[length - 1] == kReturn)
    height += WEGetHeight(lines - 1, lines, we);
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  const i32 shown = view.bottom - view.top;
  // A page steps by the view less one scroll-bar width, at least one pixel.
  const i32 step = std::max(1, std::min(shown - 15, height - shown));
  i16 taken = 1;
  switch (c) {
    case kHome:
      if (height > shown) value = 0;
      break;
    case kEnd:
      if (height > shown) value = most;
      break;
    case kPageUp:
      if (height > shown) value -= std::min(step, value);
      break;
    case kPageDown:
      if (height > shown) value += std::min(step, std::max(0, most - value));
      break;
    default: taken = 0; break;
  }
  if (taken && height > shown) {
    SetControl32BitValue(bar, value);
    scrolltext();
  }
  controldown(list);
  return taken;
}

void updatewescrollbar(Handle list, i16 index, i32* value, i32* minimum, i32* maximum, WEReference we) {
  for (i32* out : {value, minimum, maximum}) put(out, 0);
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  if (we == nilid) we = livefield(spotat(list, index));
  if (!isvalidwerec(we)) return;
  i32 scroll = 0, reserved = 0, most = 0, page = 0;
  recalcfldscroll(list, index, we, false, false, &scroll, &reserved, &most, &page);
  spot s = spotat(list, index);
  if (s.style != stylefieldscroll && s.style != stylefieldscrolllist) return;
  const ControlRef bar = fieldscrollbar(we);
  if (bar == nilid) return;
  SetControl32BitMinimum(bar, 0);
  SetControl32BitMaximum(bar, most);
  SetControl32BitValue(bar, scroll);
  SetControlViewSize(bar, page);
  Rect r{};
  controlrect(s, &r);
  SetControlBounds(bar, &r);
  SetControlVisibility(bar, true, false);
  DrawControlInCurrentPort(bar);
  put(value, GetControl32BitValue(bar));
  put(maximum, most);
  setfieldscroll(s, GetControl32BitValue(bar));
  putspot(list, index, s);
  SetControlVisibility(bar, false, false);
  SetControlBounds(bar, &kParked);
}

void calfieldrect(Handle list) {
  const MainGlobals& g = mainglobals();
  spot s{};
  if (!openfieldof(list, &s) || !fieldcanscroll(s) || g.openfieldwindow == nilid) return;
  const WindowRef window = g.openfieldwindow;
  const WEReference we = g.openfieldrec;
  SavePort saved;
  SetPortWindowPort(window);
  KeepClip clip;
  Rect r{}, interior{};
  controlrect(s, &r);
  GetWindowPortBounds(window, &interior);
  SectRect(&r, &interior, &r);
  clip.within(r);
  i32 value = 0, minimum = 0, most = 0;
  controlup(list, &value, &minimum, &most, true);
  const ControlRef bar = fs().globcontrol;
  if (bar == nilid) return;
  if (most <= 0 || !IsWindowHilited(window)) {
    most = 0;
    HiliteControl(bar, kInactive);
  } else {
    HiliteControl(bar, 0);
  }
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  if (start == end) {
    LongPoint caret{};
    i16 lineheight = 0;
    WEGetPoint(start, 0, &caret, &lineheight, we);
    const i32 top = caret.v, bottom = caret.v + lineheight;
    const FieldScrollState& st = fs();
    if (top < st.pintop) value -= st.pintop - top;
    else if (bottom > st.pinbot) value += bottom - st.pinbot;
  }
  value = std::clamp(value, minimum, std::max(minimum, most));
  SetControl32BitMinimum(bar, minimum);
  SetControl32BitMaximum(bar, most);
  SetControl32BitValue(bar, value);
  DrawControlInCurrentPort(bar);
  ClipRect(&kEmpty);
  SetControlBounds(bar, &kEmpty);
  SetControlVisibility(bar, false, false);
  controldown(list);
}

void PobjRTwescrollcallbackproc(WEReference we) {
  const MainGlobals& g = mainglobals();
  spot s{};
  if (!isvalidwerec(we) || !openfieldof(g.openfieldspots, &s)) return;
  SavePort saved;
  if (const CGrafPtr port = WEGetPort(we); IsValidPort(port)) SetPort(port);
  if (GetScrollBarFlag(we) != 0) {
    calfieldrect(g.openfieldspots);
    if (clicking(we)) return;
    LongRect view{};
    WEGetViewRect(&view, we);
    const Rect r{i16(std::clamp<i32>(view.top, -32768, 32767)), i16(std::clamp<i32>(view.left, -32768, 32767)),
                 i16(std::clamp<i32>(view.bottom, -32768, 32767)), i16(std::clamp<i32>(view.right, -32768, 32767))};
    if (g.openfieldwindow != nilid) {
      InvalWindowRect(g.openfieldwindow, &r);
      if (!IsMetalWindow(g.openfieldwindow)) WEUpdate(0, we);
    }
  }
  if (fieldhasruler(s)) wefakerulercontrol(s, we);
}

OSErr WEInstallScrollCallbackHook(WEReference we) {
  const WEScrollProcPtr proc = PobjRTwescrollcallbackproc;
  return WESetInfo(fourcc("scrl"), &proc, we);
}

OSErr WERemoveScrollCallbackHook(WEReference we) {
  const WEScrollProcPtr none = nullptr;
  return WESetInfo(fourcc("scrl"), &none, we);
}

i16 PcreateRTweautotext() { return 1; }

}  // namespace kv
