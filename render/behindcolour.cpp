#include "render/behindcolour.h"

#include "engine/geometry.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/carddrawingimpl.h"
#include "render/graphicdrawing.h"
#include "render/objectbounds.h"
#include "render/objectcolours.h"
#include "render/spotstyles.h"
#include "render/themebuttons.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "shell/portroutines.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "render/controlvisibility.h"

namespace kv {

namespace {

constexpr u32 kVizu = fourcc("VIZU"), kMetalTag = fourcc("Metl");
constexpr OSStatus kInvalidControlColour = -30599;
constexpr i16 kImageWellBrush = 29, kFocusBrush = 46, kDocumentBrush = 15;

bool emptyrect(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

// Whether an object is one a control can stand on: a filled graphic without a picture, or a
// container button.
bool container(const spot& s) {
  if (s.kind == spotgraphic) {
    switch (s.style) {
      case 100:
      case 101:
      case 102:
      case 103:
      case 104:
      case 107: return s.showfill != 0 && s.alt == nilhandle;
      default: return false;
    }
  }
  if (s.kind != spotbutton) return false;
  return s.style == 210 || s.style == 211 || s.style == 221 || s.style == 223 || s.style == 225 || s.style == 226;
}

// The window is drawn active: hilited, and its root control (when it has one) active.
bool windowactive(WindowRef window) {
  if (window == nilid || !IsWindowHilited(window)) return false;
  ControlRef root = nilid;
  return GetRootControl(window, &root) != noErr || IsControlActive(root);
}

// The current window context and colour table, put back when the call ends.
class SavedContext {
 public:
  SavedContext() : desk_(mainglobals().current), clut_(mainglobals().currentclut) {}
  ~SavedContext() {
    mainglobals().current = desk_;
    mainglobals().currentclut = clut_;
  }
  SavedContext(const SavedContext&) = delete;
  SavedContext& operator=(const SavedContext&) = delete;

 private:
  desk desk_;
  Handle clut_;
};

// A metal window's control erases with the texture (`on`) or with the standard procedures.
void metalerase(ControlRef control, WindowRef window, bool on) {
  if (!IsMetalWindow(window)) return;
  const i16 value = on ? 1 : 0;
  SetControlProperty(control, kVizu, kMetalTag, sizeof value, &value);
  if (on) setmetaleraseprocs(currentportid());
  else setstandarderaseprocs(currentportid());
}

// Sets the background from the parent object; false when its style gives none.
bool parentbackground(const spot& parent, WindowRef window, i16 depth, bool isColour) {
  const MainGlobals& g = mainglobals();
  Rect drawn{};
  lowcalc(&parent, &drawn);
  const bool active = windowactive(window);
  const u32 state = active && !g.imagedrawing ? 0 : 1;
  auto container = [&](u32 kind) { return ApplyThemeBackground(kind, &drawn, state, depth, isColour) == noErr; };
  if (parent.kind == spotbutton) {
    switch (parent.style) {
      case 211: {
        const bool focus = IsMetalWindow(window) && !IsWindowHilited(window);
        return SetThemeBackground(focus ? kFocusBrush : kImageWellBrush, depth, isColour) == noErr;
      }
      case 210: return container(kThemeBackgroundTabPane);
      case 223: return container(kThemeBackgroundPlacard);
      case 225: return container(kThemeBackgroundWindowHeader);
      case 226: return container(kThemeBackgroundListViewWindowHeader);
      case 221: return container(kThemeBackgroundSecondaryGroupBox);
      default: return false;
    }
  }
  if (parent.kind != spotgraphic) return false;
  if (parent.themefill != 0) return SetThemeBackground(i16(parent.themefill), depth, isColour) == noErr;
  bool solid = true;
  for (u8 b : parent.fillpat.b) solid = solid && b == 0xFF;
  RGBColor colour = clutcolour(solid ? parent.fillfore : parent.fillback);
  if ((parent.flags & spotautodim) && !g.imagedrawing && !active) grayFillRGB(&colour);
  SetThemeBackground(kDocumentBrush, depth, isColour);
  RGBBackColor(&colour);
  return true;
}

}  // namespace

bool windowdimmed() {
  const WindowRef w = mainglobals().current.window;
  return w != nilid && !windowactive(w);
}

i16 bgShouldBeGrayed(const spot& object) {
  if (!(object.flags & spotautodim) || mainglobals().imagedrawing) return 0;
  return windowdimmed() ? 1 : 0;
}

i16 spotparent(Handle* list, i16* index) {
  if (!list || !index || *list == nilhandle || *index < 0 || *index >= spotcount(*list)) return 0;
  const spot s = spotat(*list, *index);
  if (emptyrect(s.rect)) return 0;
  const desk& d = mainglobals().current;
  auto qualifies = [&](const spot& c) {
    if (emptyrect(c.rect)) return false;
    if (!(c.flags & spotvisible) && !showsinvisibles()) return false;
    return container(c) && rectinrect(s.rect, c.rect);
  };
  for (i32 i = *index - 1; i >= 0; --i)
    if (qualifies(spotat(*list, i))) {
      *index = i16(i);
      return 1;
    }
  if (*list != d.cardspots || d.backspots == nilhandle) return 0;
  for (i32 i = spotcount(d.backspots) - 1; i >= 0; --i)
    if (qualifies(spotat(d.backspots, i))) {
      *list = d.backspots;
      *index = i16(i);
      return 1;
    }
  return 0;
}

OSStatus Pfindbehindcolor(ControlRef control, i16 message, i16 depth, bool isColour) {
  SavedContext saved;
  MainGlobals& g = mainglobals();
  if (!IsValidControlHandle(control)) return kInvalidControlColour;
  if (message != kControlMsgSetUpBackground) return 1;
  const WindowRef window = GetControlOwner(control);
  if (window == nilid) return 0;
  if (window != g.current.window) {
    desk d{};
    if (getwind(window, &d)) g.current = d;
  }
  metalerase(control, window, true);
  // The control's object, by its reference constant.
  const i32 ref = GetControlReference(control);
  Handle list = ref < 0 ? g.current.backspots : g.current.cardspots;
  g.currentclut = ref < 0 ? g.current.backclut : g.current.cardclut;
  const u32 id = u32(ref < 0 ? -i64(ref) : i64(ref));
  i16 index = -1;
  for (i32 i = 0; i < spotcount(list); ++i)
    if (spotat(list, i).id == id) {
      index = i16(i);
      break;
    }
  if (index >= 0 && emptyrect(spotat(list, index).rect)) return 0;
  if (index < 0 || !spotparent(&list, &index)) {
    SetThemeBackground(getheme(&g.current), depth, isColour);
    metalerase(control, window, true);
    return 1;
  }
  g.currentclut = list == g.current.backspots ? g.current.backclut : g.current.cardclut;
  const bool handled = parentbackground(spotat(list, index), window, depth, isColour);
  metalerase(control, window, !handled);
  return handled ? 0 : 1;
}

OSStatus PdrawRTsetidlerBGproc(EventHandlerCallRef call, EventRef event, u32) {
  ControlRef control = nilid;
  if (GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof control, nullptr, &control) !=
      noErr)
    return eventNotHandledErr;
  if (!IsValidControlHandle(control) || !IsControlVisible(control)) return eventNotHandledErr;
  const WindowRef window = GetControlOwner(control);
  if (!IsValidWindowPtr(window) || !IsValidPort(GetWindowPort(window))) return eventNotHandledErr;
  desk d{};
  const desk* context = window == mainglobals().current.window ? &mainglobals().current : nullptr;
  if (!context) {
    if (!getwind(window, &d)) return eventNotHandledErr;
    context = &d;
  }
  ThemeDrawingState theme = nilhandle;
  GetThemeDrawingState(&theme);
  SetThemeWindowBackground(window, getheme(context), false);
  CallNextEventHandler(call, event);
  if (theme != nilhandle) SetThemeDrawingState(theme, true);
  return noErr;
}

OSStatus PdrawRTDrawMetalWindowControl(EventHandlerCallRef call, EventRef event, u32) {
  ControlRef control = nilid;
  if (GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof control, nullptr, &control) !=
      noErr)
    return eventNotHandledErr;
  const WindowRef window = GetControlOwner(control);
  if (!IsValidControlHandle(control) || !IsMetalWindow(window)) return eventNotHandledErr;
  i16 part = 0;
  if (GetEventParameter(event, kEventParamControlPart, typeControlPartCode, nullptr, sizeof part, nullptr, &part) ==
      noErr)
    return eventNotHandledErr;
  SavedContext saved;
  MainGlobals& g = mainglobals();
  if (window != g.current.window) {
    desk d{};
    if (getwind(window, &d)) g.current = d;
  }
  const CGrafPtr port = currentportid();
  QDProcs procs{};
  const bool hadprocs = GetPortGrafProcs(port, &procs);
  i16 metal = 1;
  u32 size = 0;
  const bool known = GetControlProperty(control, kVizu, kMetalTag, sizeof metal, &size, &metal) == noErr;
  if (!known || metal != 0) setmetaleraseprocs(port);
  else setstandarderaseprocs(port);
  CallNextEventHandler(call, event);
  // While a control is tracked its port keeps the procedures it had (our ports have no text
  // flags to swap).
  if (controltrackstate().trackedcontrol != nilid) {
    SetPortGrafProcs(port, hadprocs ? &procs : nullptr);
  } else {
    setstandarderaseprocs(port);
  }
  return noErr;
}

}  // namespace kv
