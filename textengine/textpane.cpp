// The text pane: a user-pane control owning a text record and a scroll bar that counts lines.
#include "textengine/textpane.h"

#include <algorithm>
#include <cstring>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "system/proctable.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

// The procedures are fetched from the procedure table once.
struct TextPaneState {
  bool fetched = false;
  ControlUserPaneDrawProcPtr draw = nullptr;
  ControlUserPaneHitTestProcPtr hittest = nullptr;
  ControlUserPaneTrackingProcPtr tracking = nullptr;
  ControlUserPaneIdleProcPtr idle = nullptr;
  ControlUserPaneKeyDownProcPtr keydown = nullptr;
  ControlUserPaneActivateProcPtr activate = nullptr;
  ControlUserPaneFocusProcPtr focus = nullptr;
  WEClickLoopProcPtr clickloop = nullptr;
  ControlActionProcPtr scrollaction = nullptr;
  i32 gPreviousThumbValue = 0;
  Handle gTPClickedUserPaneVars = nilhandle;  // the pane being clicked
};

TextPaneState& tps() {
  TextPaneState& s = state<TextPaneState>();
  if (!s.fetched) {
    s.fetched = true;
    s.draw = getproc<300>();
    s.hittest = getproc<301>();
    s.tracking = getproc<302>();
    s.idle = getproc<303>();
    s.keydown = getproc<304>();
    s.activate = getproc<305>();
    s.focus = getproc<306>();
    s.clickloop = getproc<307>();
    s.scrollaction = getproc<308>();
  }
  return s;
}

Handle paneof(ControlRef control) {
  if (!IsValidControlHandle(control)) return nilhandle;
  const Handle h = Handle(u32(GetControlReference(control)));
  return h != nilhandle && GetHandleSize(h) == Size(sizeof(TPPaneVars)) ? h : nilhandle;
}
TPPaneVars& vars(Handle pane) { return *reinterpret_cast<TPPaneVars*>(deref(pane)); }

// The height of the text's first line, at least 1 (every line count divides by it).
i32 lineheight(WEReference we) { return std::max(WEGetHeight(0, 1, we), 1); }

// The record is active only while the pane is both active and focused.
void syncactive(Handle pane) {
  TPPaneVars& p = vars(pane);
  const bool want = p.active && p.inFocus;
  p.recordActive = want;
  const WEReference we = p.we;
  if (want) WEActivate(we);
  else WEDeactivate(we);
}

// Black on white with the dialog background behind, the colours and pen put back afterwards.
class PaneColours {
 public:
  explicit PaneColours(WindowRef window) {
    GetThemeDrawingState(&saved_);
    ForeColor(blackColor);
    BackColor(whiteColor);
    SetThemeWindowBackground(window, 1, false);
  }
  ~PaneColours() {
    if (saved_) SetThemeDrawingState(saved_, true);
  }
  PaneColours(const PaneColours&) = delete;
  PaneColours& operator=(const PaneColours&) = delete;

 private:
  ThemeDrawingState saved_ = 0;
};

// Runs an edit with automatic scrolling on.
template <class Edit>
void autoscrolling(WEReference we, Edit edit) {
  const i16 was = WEFeatureFlag(weFAutoScroll, 1, we);
  edit();
  WEFeatureFlag(weFAutoScroll, was, we);
}

void setproc(ControlRef control, OSType tag, auto proc) { SetControlData(control, 0, tag, sizeof proc, &proc); }

}  // namespace

// --- Making and disposing --------------------------------------------------------------------------

OSErr STUPCreateControl(WindowRef window, const Rect* bounds, ControlRef* out) {
  *out = NewControl(window, bounds, nullptr, true, 1470, 1470, 1470, kControlUserPaneProc, 0);
  if (*out == nilid) return memFullErr;
  return STUPOpenControl(*out);
}

OSErr STUPOpenControl(ControlRef control) {
  if (!IsValidControlHandle(control)) return paramErr;
  TextPaneState& s = tps();
  Handle pane = nilhandle;
  OSErr err = _WEAllocate(sizeof(TPPaneVars), weAllocClear, &pane);
  if (err != noErr) return err;
  TPPaneVars p{};
  p.pane = control;
  p.window = GetControlOwner(control);
  p.port = GetWindowPort(p.window);
  p.active = 1;
  GetControlBounds(control, &p.bounds);
  const Rect& b = p.bounds;
  p.frameRect = b;
  p.textRect = Rect{b.top, b.left, b.bottom, i16(b.right - 17)};
  p.innerView = Rect{i16(b.top + 2), i16(b.left + 2), i16(b.bottom - 2), i16(b.right - 20)};
  p.scrollRect = Rect{i16(b.top + 2), i16(b.right - 18), i16(b.bottom - 2), i16(b.right - 2)};
  p.paneRgn = NewRgn();
  RgnHandle bar = NewRgn();
  RectRgn(p.paneRgn, b);
  RectRgn(bar, p.scrollRect);
  DiffRgn(p.paneRgn, bar, p.paneRgn);
  DisposeRgn(bar);
  err = CreateScrollBarControl(p.window, &p.scrollRect, 0, 0, 0, 0, true, s.scrollaction, &p.scrollBar);
  if (err == noErr) {
    SavePort saved;
    SetPort(p.port);
    LongRect view, dest;
    WERectToLongRect(&p.innerView, &view);
    dest = view;
    dest.bottom = dest.top + 5000;
    err = WENew(&dest, &view, 0x1000, &p.we);
  }
  if (err != noErr) {
    if (p.scrollBar) DisposeControl(p.scrollBar);
    DisposeRgn(p.paneRgn);
    DisposeHandle(pane);
    return err;
  }
  std::memcpy(deref(pane), &p, sizeof p);
  SetControlReference(control, i32(pane));
  setproc(control, fourcc("draw"), s.draw);
  setproc(control, fourcc("hitt"), s.hittest);
  setproc(control, fourcc("trak"), s.tracking);
  setproc(control, fourcc("idle"), s.idle);
  setproc(control, fourcc("keyd"), s.keydown);
  setproc(control, fourcc("acti"), s.activate);
  setproc(control, fourcc("foci"), s.focus);
  const WEReference we = p.we;
  WEFeatureFlag(weFAutoScroll, 0, we);
  WEFeatureFlag(weFMonoStyled, 1, we);
  WEFeatureFlag(weFPlainColor, 1, we);
  WESetInfo(fourcc("clik"), &s.clickloop, we);
  WEFeatureFlag(weFInhibitRedraw, 0, we);
  vars(pane).active = IsControlActive(control);
  syncactive(pane);
  TPRecalculateTextParams(pane, true);
  return noErr;
}

void STUPCloseControl(ControlRef control) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return;
  TPPaneVars p = vars(pane);
  if (hasstate<TextPaneState>() && tps().gTPClickedUserPaneVars == pane) tps().gTPClickedUserPaneVars = nilhandle;
  DisposeControl(p.scrollBar);
  WEDispose(p.we);
  DisposeRgn(p.paneRgn);
  DisposeHandle(pane);
  SetControlReference(control, 0);
}

void STUPDisposeControl(ControlRef control) {
  STUPCloseControl(control);
  DisposeControl(control);
}

bool IsSTUPControl(ControlRef control) {
  ControlUserPaneFocusProcPtr focus = nullptr;
  i32 size = 0;
  if (GetControlData(control, 0, fourcc("foci"), sizeof focus, &focus, &size) != noErr || size != sizeof focus)
    return false;
  return focus == tps().focus;
}

// --- Text, font, selection and editing ---------------------------------------------------------------

OSErr STUPGetText(ControlRef control, Handle* text) {
  *text = nilhandle;
  const Handle pane = paneof(control);
  if (pane == nilhandle) return paramErr;
  Handle copy = WEGetText(vars(pane).we);
  const OSErr err = HandToHand(&copy);
  if (err == noErr) *text = copy;
  return err;
}

OSErr STUPSetText(ControlRef control, const void* text, i32 length) {
  const Handle pane = paneof(control);
  if (pane == nilhandle || length < 0 || (length > 0 && text == nullptr)) return paramErr;
  const WEReference we = vars(pane).we;
  WESetSelection(0, 0x7FFFFFFF, we);
  OSErr err = WEDelete(we);
  if (err == noErr && length > 0) err = WEInsert(text, length, nilhandle, nilhandle, we);
  TPRecalculateTextParams(pane, true);
  return err;
}

void STUPSetFont(ControlRef control, i16 font, i16 size, i16 style) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return;
  const WEReference we = vars(pane).we;
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  WESetSelection(0, 0x7FFFFFFF, we);
  WETextStyle ts{};
  ts.font = font;
  ts.size = size;
  ts.face = u8(style);
  WESetStyle(weDoFont | weDoFace | weDoSize, &ts, we);
  WESetSelection(start, end, we);
  WECalText(we);
  TPRecalculateTextParams(pane, true);
}

void STUPSetSelection(ControlRef control, i32 start, i32 end) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return;
  const WEReference we = vars(pane).we;
  autoscrolling(we, [&] {
    WESetSelection(start, end, we);
    WESelView(we);
  });
  TPRecalculateTextParams(pane, false);
}

void STUPDoEditCommand(ControlRef control, u16 command) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return;
  const WEReference we = vars(pane).we;
  autoscrolling(we, [&] {
    switch (command) {
      case 1: WECut(we); break;
      case 2: WECopy(we); break;
      case 3: WEPaste(we); break;
      case 4: WEDelete(we); break;
      default: break;
    }
    WESelView(we);
  });
  TPRecalculateTextParams(pane, false);
}

OSErr STUPFillControl(ControlRef control, i16 stupID) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return paramErr;
  const Handle stup = GetResource(fourcc("STUP"), stupID);
  if (stup == nilhandle || GetHandleSize(stup) < 8) return resNotFound;
  i16 fields[4];
  for (int i = 0; i < 4; ++i) fields[i] = i16((deref(stup)[2 * i] << 8) | deref(stup)[2 * i + 1]);
  const Handle text = GetResource(fourcc("TEXT"), fields[3]);
  if (text == nilhandle) return resNotFound;
  STUPSetFont(control, fields[0], fields[1], fields[2]);
  // The resource's bytes are copied before the edit allocates.
  Handle copy = text;
  OSErr err = HandToHand(&copy);
  if (err != noErr) return err;
  err = STUPSetText(control, deref(copy), i32(GetHandleSize(copy)));
  DisposeHandle(copy);
  WESetSelection(0, 0, vars(pane).we);
  return err;
}

// --- The pane procedures -----------------------------------------------------------------------------

void TPPaneDrawProc(ControlRef control, i16) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return;
  const TPPaneVars p = vars(pane);
  PaneColours colours(p.window);
  EraseRgn(p.paneRgn);
  WEUpdate(p.paneRgn, p.we);
  const bool ring = p.active && p.inFocus;
  if (!ring) {
    // A ring drawn before goes: its band outside the frame takes the window's background.
    Rect outer = p.frameRect, inner = p.frameRect;
    InsetRect(&outer, -kThemeFocusRingWidth, -kThemeFocusRingWidth);
    InsetRect(&inner, -1, -1);
    RgnHandle band = NewRgn(), in = NewRgn();
    RectRgn(band, outer);
    RectRgn(in, inner);
    DiffRgn(band, in, band);
    if (SetThemeBackground(windowthemebrush(p.window), portdepth(p.port), true) == noErr) EraseRgn(band);
    DisposeRgn(in);
    DisposeRgn(band);
  }
  DrawThemeEditTextFrame(&p.frameRect, p.active ? kThemeStateActive : kThemeStateInactive);
  if (ring) DrawThemeFocusRect(&p.frameRect, true);
}

i16 TPPaneHitTestProc(ControlRef control, Point where) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return kControlNoPart;
  const TPPaneVars& p = vars(pane);
  if (PtInRect(where, &p.textRect)) return 1;
  if (PtInRect(where, &p.scrollRect)) return 2;
  return kControlNoPart;
}

i16 TPPaneTrackingProc(ControlRef control, Point start, ControlActionProcPtr) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return kControlNoPart;
  PaneColours colours(vars(pane).window);
  if (!vars(pane).inFocus) SetKeyboardFocus(vars(pane).window, control, kUserClickedToFocusPart);
  const TPPaneVars p = vars(pane);
  TextPaneState& s = tps();
  s.gTPClickedUserPaneVars = pane;
  i16 part = kControlNoPart;
  if (PtInRect(start, &p.scrollRect)) {
    s.gPreviousThumbValue = GetControl32BitValue(p.scrollBar);
    part = TrackControl(p.scrollBar, start, s.scrollaction) ? 2 : 0;
  } else if (PtInRect(start, &p.textRect)) {
    WEClick(start, GetCurrentKeyModifiers(), TickCount(), p.we);
    TPRecalculateTextParams(pane, false);
    part = 1;
  }
  tps().gTPClickedUserPaneVars = nilhandle;
  return part;
}

void TPPaneIdleProc(ControlRef control) {
  const Handle pane = paneof(control);
  if (pane == nilhandle || !vars(pane).inFocus) return;
  PaneColours colours(vars(pane).window);
  WEIdle(nullptr, vars(pane).we);
}

i16 TPPaneKeyDownProc(ControlRef control, i16, i16 charCode, i16 modifiers) {
  const Handle pane = paneof(control);
  if (pane == nilhandle || !vars(pane).inFocus) return kControlNoPart;
  PaneColours colours(vars(pane).window);
  const WEReference we = vars(pane).we;
  autoscrolling(we, [&] { WEKey(u16(u8(charCode)), u16(modifiers), we); });
  TPRecalculateTextParams(pane, false);
  return 1;
}

void TPPaneActivateProc(ControlRef control, bool activating) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return;
  PaneColours colours(vars(pane).window);
  vars(pane).active = activating;
  syncactive(pane);
}

i16 TPPaneFocusProc(ControlRef control, i16 part) {
  const Handle pane = paneof(control);
  if (pane == nilhandle) return kControlFocusNoPart;
  PaneColours colours(vars(pane).window);
  vars(pane).inFocus = part != kControlFocusNoPart;
  syncactive(pane);
  return vars(pane).inFocus ? 1 : kControlFocusNoPart;
}

bool TPTEClickLoopProc(WEReference we) {
  const Handle pane = hasstate<TextPaneState>() ? tps().gTPClickedUserPaneVars : nilhandle;
  if (pane == nilhandle || vars(pane).we != we) return StillDown();
  const TPPaneVars p = vars(pane);
  {
    SavePort saved;
    SetPort(p.port);
    RgnHandle clip = NewRgn();
    GetClip(clip);
    ClipRect(&p.bounds);
    Point mouse;
    GetMouse(&mouse);
    if (mouse.v < p.innerView.top) TPScrollActionProc(p.scrollBar, kControlUpButtonPart);
    else if (mouse.v > p.innerView.bottom) TPScrollActionProc(p.scrollBar, kControlDownButtonPart);
    SetClip(clip);
    DisposeRgn(clip);
  }
  if (WERec* r = werec(we)) r->clickTime = TickCount();
  u32 final = 0;
  Delay(3, &final);
  return StillDown();
}

void TPScrollActionProc(ControlRef scrollBar, i16 part) {
  const Handle pane = hasstate<TextPaneState>() ? tps().gTPClickedUserPaneVars : nilhandle;
  if (pane == nilhandle || vars(pane).scrollBar != scrollBar) return;
  const WEReference we = vars(pane).we;
  const i32 h = lineheight(we);
  LongRect view;
  WEGetViewRect(&view, we);
  const i32 page = std::max<i32>((view.bottom - view.top) / h, 1);
  TextPaneState& s = tps();
  i32 old = GetControl32BitValue(scrollBar), now = old;
  switch (part) {
    case kControlUpButtonPart: now = old - 1; break;
    case kControlDownButtonPart: now = old + 1; break;
    case kControlPageUpPart: now = old - page; break;
    case kControlPageDownPart: now = old + page; break;
    case kControlIndicatorPart:
      // The bar has moved its thumb already: the text follows it from where it was.
      old = s.gPreviousThumbValue;
      break;
    default: return;
  }
  now = std::clamp(now, 0, std::max(GetControl32BitMaximum(scrollBar), 0));
  s.gPreviousThumbValue = now;
  if (now != old) WEScroll(0, (old - now) * h, we);
  SetControl32BitValue(scrollBar, now);
}

void TPRecalculateTextParams(Handle pane, bool full) {
  if (pane == nilhandle) return;
  const TPPaneVars p = vars(pane);
  const WEReference we = p.we;
  const i32 h = lineheight(we);
  LongRect view, dest;
  WEGetViewRect(&view, we);
  WEGetDestRect(&dest, we);
  const i32 scrolled = view.top - dest.top;
  const i32 maximum = std::max(WECountLines(we) - 1, 0);
  if (GetControl32BitMaximum(p.scrollBar) != maximum) SetControl32BitMaximum(p.scrollBar, maximum);
  if (!full) {
    if (GetControl32BitValue(p.scrollBar) != scrolled / h) SetControl32BitValue(p.scrollBar, scrolled / h);
    return;
  }
  WECalText(we);
  InvalWindowRect(p.window, &p.textRect);
  // The view shows whole lines: the inner view less what is left below the last whole one.
  const i32 spare = (p.innerView.bottom - p.innerView.top) % h;
  LongRect whole;
  WERectToLongRect(&p.innerView, &whole);
  whole.bottom -= spare;
  WESetViewRect(&whole, we);
  i32 value = std::min(GetControl32BitValue(p.scrollBar), GetControl32BitMaximum(p.scrollBar));
  value = std::max(value, 0);
  if (value * h != scrolled) WEScroll(0, scrolled - value * h, we);
  SetControl32BitValue(p.scrollBar, value);
  WEGetViewRect(&view, we);
  SetControlViewSize(p.scrollBar, (view.bottom - view.top) / h);
}

}  // namespace kv
