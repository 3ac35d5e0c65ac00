// Control button tracking: the click on a button drawn by a platform control, the action
// procedure that turns the control's parts and values into "mouseStillDown", and the storing
// of what the control ended with.
#include "tools/controltrack.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/menus/menus.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/buttoncontrols.h"
#include "render/carddrawing.h"
#include "render/controlvisibility.h"
#include "render/hittest.h"
#include "render/themebuttons.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "store/objects.h"
#include "tools/browseclick.h"
#include "tools/handletools.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

constexpr i16 kChanged = -991;
constexpr u32 kAutoHilite = 1u << 2, kShowName = 1u << 1;
enum : u16 {
  kRadio = 203,
  kCheckBox = 204,
  kBevel = 205,
  kPopup = 206,
  kTabs = 210,
  kImageWell = 211,
  kScrollBar = 213,
  kLittleArrows = 217,
  kSlider = 209,
};

bool stylein(u16 style, std::initializer_list<u16> styles) {
  for (u16 s : styles)
    if (s == style) return true;
  return false;
}

i16 send(Handle list, i16 index, const std::string& message) {
  return spotsend(sendnormal, list, index, message, mainglobals().current.window);
}

i16 layerof(Handle list) { return list == mainglobals().current.backspots ? 1 : 0; }

// The tracked button's list and index, or false once there is none (or it no longer holds a
// platform control).
bool trackedbutton(Handle* list, i16* index) {
  const objread* t = toolstate().tracking;
  // Once a handler changed the layers or the window, the list may be gone.
  if (t == nullptr || mainglobals().layerchanges != toolstate().trackchanges || t->objects == nilhandle ||
      t->objindex < 0 || t->objindex >= spotcount(t->objects))
    return false;
  *list = t->objects;
  *index = t->objindex;
  return true;
}

// The button's stored value, its control's value and the record marked changed.
void storevalue(Handle list, i16 index, i32 value) {
  spot s = spotat(list, index);
  controlpart cp = getcontrolpart(s);
  cp.currentvalue = i16(value);
  setcontrolpart(s, cp);
  putspot(list, index, s);
  marklayerchanged(list);
}

// The word of a scroll bar's part.
const char* barword(i16 part) {
  switch (part) {
    case kControlUpButtonPart: return "up";
    case kControlDownButtonPart: return "down";
    case kControlPageUpPart: return "pageUp";
    case kControlPageDownPart: return "pageDown";
    case kControlIndicatorPart: return "thumb";
    default: return "none";
  }
}

// A copy of a Pascal string's bytes.
std::string pascal(const u8* p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

// The button's contents become `text` (a contents part is made when it has none).
void setcontentstext(spot& s, const std::string& text) {
  Handle h = s.contents;
  if (h == nilhandle) {
    h = NewHandle(Size(text.size()));
    if (h == nilhandle) return;
  } else {
    SetHandleSize(h, Size(text.size()));
    if (GetHandleSize(h) != Size(text.size())) return;
  }
  if (!text.empty()) std::memcpy(deref(h), text.data(), text.size());
  s.contents = h;
}

// The bevel behaviour bits of a button's option word: 1 toggles, 2 sticky, 3 a menu.
u16 bevelbehaviour(const spot& s) { return (getcontrolpart(s).option >> 4) & 3; }

// The menu of a popup menu's or bevel button's control (none without one).
MenuRef controlmenu(ControlRef c, u16 style) {
  if (style == kPopup) return GetControlPopupMenuHandle(c);
  MenuRef menu = nilid;
  GetControlData(c, 0, kControlBevelButtonMenuHandleTag, sizeof menu, &menu, nullptr);
  return menu;
}

// Where the tracked click's mouse is: once the real button went up, where it went up (the
// mouse may have moved on since), else the simulated mouse.
void trackedmouse(Point* pt) {
  EventRecord up{};
  if (toolstate().sender == senderMouse && !StillDown() && EventAvail(mUpMask, &up)) {
    *pt = up.where;
    GlobalToLocal(pt);
    return;
  }
  getmouse(pt);
}

}  // namespace

void PtoolRTtrackbtn(ControlRef control, i16 part) {
  ToolState& t = toolstate();
  // A control a handler disposed of is not read.
  if (!IsValidControlHandle(control) || control != controltrackstate().trackedcontrol) return;
  Handle list = nilhandle;
  i16 index = 0;
  if (!trackedbutton(&list, &index)) return;
  Rect bounds{};
  GetControlBounds(control, &bounds);
  spot s = spotat(list, index);
  if (EqualRect(&bounds, &kParkingRect)) {
    docontrolup(&s, GetControlReference(control) < 0 ? 1 : 0);
    putspot(list, index, s);
  }
  const i32 value = GetControl32BitValue(control);
  const controlpart cp = getcontrolpart(s);
  std::string message;
  switch (s.style) {
    case kPopup: return;
    case 214:
    case 215:
    case 216:
    case 218:
    case 223:
    case 225:
    case 226:
    case 229: {
      Point p{};
      getmouse(&p);
      part = PtInRect(p, &s.rect) ? kControlIndicatorPart : kControlNoPart;
      [[fallthrough]];
    }
    case 201:
    case 207:
    case kTabs:
    case kImageWell:
    case 212:
    case 219:
    case 228:
    case kRadio:
    case kCheckBox:
      if (control == t.prevctl && part == t.prevcode) return;
      storevalue(list, index, value);
      message = part == kControlNoPart ? "mouseStillDown out" : "mouseStillDown in";
      break;
    case kLittleArrows: {
      i32 next = cp.currentvalue;
      if (part == kControlUpButtonPart) next = std::min<i32>(next + 1, cp.maximumvalue);
      if (part == kControlDownButtonPart) next = std::max<i32>(next - 1, cp.minimumvalue);
      if (next == cp.currentvalue) return;
      storevalue(list, index, next);
      SetControl32BitValue(control, next);
      message = "mouseStillDown " + std::to_string(next);
      break;
    }
    case kScrollBar: {
      const i32 page = cp.viewsize ? cp.viewsize : 10;
      i32 next = value;
      switch (part) {
        case kControlUpButtonPart: next = std::max<i32>(cp.currentvalue - 1, cp.minimumvalue); break;
        case kControlDownButtonPart: next = std::min<i32>(cp.currentvalue + 1, cp.maximumvalue); break;
        case kControlPageUpPart: next = std::max<i32>(cp.currentvalue - page, cp.minimumvalue); break;
        case kControlPageDownPart: next = std::min<i32>(cp.currentvalue + page, cp.maximumvalue); break;
        default: break;
      }
      if (next == cp.currentvalue) return;
      storevalue(list, index, next);
      if (part != kControlIndicatorPart) SetControl32BitValue(control, next);
      message = std::string("mouseStillDown ") + barword(part);
      break;
    }
    case kSlider:
      if (value == cp.currentvalue) return;
      storevalue(list, index, value);
      message = "mouseStillDown " + std::to_string(value);
      break;
    default: message = "mouseStillDown"; break;
  }
  const i16 st = send(list, index, message);
  t.prevctl = control;
  t.prevcode = part;
  if (st != 0) {
    t.controlerror = st;
    return;
  }
  // A handler that hid a scroll bar or slider leaves its control without bounds: built again.
  if ((s.style == kScrollBar || s.style == kSlider) && IsValidControlHandle(control) && trackedbutton(&list, &index)) {
    GetControlBounds(control, &bounds);
    if (EmptyRect(&bounds)) {
      spot now = spotat(list, index);
      docontrolup(&now, layerof(list));
      putspot(list, index, now);
    }
  }
}

i16 trackcontrolbutton(Handle list, i16 index, Point pt, u64 changes) {
  MainGlobals& g = mainglobals();
  ToolState& t = toolstate();
  t.prevctl = nilid;
  t.prevcode = 0;
  t.trackchanges = changes;
  t.trackread = objread{};
  t.trackread.kind = objpart;
  t.trackread.d = g.current;
  t.trackread.objindex = index;
  t.trackread.objects = list;
  t.trackread.ownerrecid = layerof(list) ? g.current.backrecid : g.current.cardrecid;
  t.tracking = &t.trackread;
  // The slots are cleared on every way out.
  struct Forget {
    ~Forget() {
      controltrackstate().trackedcontrol = nilid;
      setcontroltrackmouse(nullptr);
      toolstate().tracking = nullptr;
      toolstate().prevctl = nilid;
    }
  } forget;
  const i16 layer = layerof(list);
  spot s = spotat(list, index);
  const u16 style = s.style;
  const bool autohilite = (s.flags & kAutoHilite) != 0;
  ControlRef c = nilid;
  if (!autohilite) {
    if (i16 st = send(list, index, "mouseDown")) return st;
    if (g.layerchanges != changes) return kChanged;
  } else {
    c = docontrolup(&s, layer);
    putspot(list, index, s);
    const i16 hit = c != nilid ? TestControl(c, pt) : i16(kControlNoPart);
    s = spotat(list, index);
    docontroldown(s);
    putspot(list, index, s);
    if (hit == kControlNoPart) return 0;
    std::string message = "mouseDown";
    if (style == kLittleArrows)
      message += hit == kControlUpButtonPart ? " up" : hit == kControlDownButtonPart ? " down" : " ";
    if (i16 st = send(list, index, message)) return st;
    if (g.layerchanges != changes) return kChanged;
    s = spotat(list, index);
    c = docontrolup(&s, layer);
    putspot(list, index, s);
  }
  // Tracking.
  controltrackstate().trackedcontrol = c;
  controltrackstate().trackedrebuilt = 0;
  ThemeDrawingState theme = nilhandle;
  GetThemeDrawingState(&theme);
  NormalizeThemeDrawingState();
  const i32 before = c != nilid ? GetControl32BitValue(c) : 0;
  i16 part = kControlNoPart, st = 0;
  bool inside = true;
  if (autohilite && c != nilid && !(style == kImageWell && imagewellisbroken())) {
    t.controlerror = 0;
    GrafPtr port = nilid;
    GetPort(&port);
    setmetaleraseprocs(port);
    // The platform's tracking follows the mouse of this click, real or scripted.
    // It ends as soon as a handler changed the layers or the window.
    static const ControlTrackMouse mouse{[] {
                                           return mainglobals().layerchanges == toolstate().trackchanges && stilldown();
                                         },
                                         trackedmouse};
    setcontroltrackmouse(&mouse);
    part = TrackControl(c, pt, PtoolRTtrackbtn);
    setcontroltrackmouse(nullptr);
    setmetaleraseprocs(port);
    st = t.controlerror;
    if (st == 0 && g.layerchanges == changes && IsValidControlHandle(c)) {
      s = spotat(list, index);
      if (part != kControlNoPart && (s.flags & spotmixedvalue) && (style == kCheckBox || (style == kRadio && [&] {
                                                                     u16 n = 0;
                                                                     CountSubControls(c, &n);
                                                                     return n == 0;
                                                                   }()))) {
        s.flags ^= spothilite;
        SetControl32BitValue(c, (s.flags & spothilite) ? 2 : 0);
        putspot(list, index, s);
      }
    }
  } else {
    while (g.layerchanges == changes && stilldown()) {
      Point p{};
      getmouse(&p);
      inside = ptinspot(list, index, p) != 0;
      if ((st = send(list, index, "mouseStillDown")) != 0) break;
    }
    if (st == 0 && g.layerchanges == changes) inside = ptinspot(list, index, releasepoint()) != 0;
  }
  // After tracking.
  Point mouse{};
  getmouse(&mouse);
  if (theme != nilhandle) SetThemeDrawingState(theme, true);
  controltrackstate().trackedcontrol = nilid;
  if (g.layerchanges != changes) return kChanged;
  if (st != 0) return st;
  // Whether the release counts as inside.
  s = spotat(list, index);
  c = livecontrol(s);
  const bool live = c != nilid && IsValidControlHandle(c);
  bool hit = autohilite ? part != kControlNoPart : inside;
  // The item chosen from a popup menu's or a bevel button's menu (0 none).
  i32 chosen = 0;
  if (autohilite && live) {
    if (style == kRadio && GetControl32BitValue(c) != before) hit = true;
    if (style == kPopup) chosen = hit ? GetControl32BitValue(c) : 0;
    if (style == kBevel && bevelbehaviour(s) == 3 && part == kControlMenuPart) {
      i16 item = 0;
      GetBevelButtonMenuValue(c, &item);
      chosen = item;
    }
    if (stylein(style, {223, 226, 225, 214, 216, 215, 220, 221, 229, 218})) hit = PtInRect(mouse, &s.rect);
  }
  // Storing the value.
  i16 newtab = 0, oldtab = 0;
  if (autohilite && live) {
    controlpart cp = getcontrolpart(s);
    if (hit || g.simulatedclick) {
      if (style == kTabs) {
        newtab = part;
        oldtab = cp.currentvalue;
        SetControl32BitValue(c, newtab);
      }
      if ((style == kPopup || style == kBevel) && chosen > 0) {
        Str255 text{};
        GetMenuItemText(controlmenu(c, style), MenuItemIndex(chosen), text);
        setcontentstext(s, pascal(text));
        if (s.flags & kShowName) SetControlTitle(c, text);
      }
    }
    if (hit || g.simulatedclick || stylein(style, {kScrollBar, kLittleArrows, 224, kPopup, kRadio}) ||
        (style == kBevel && chosen > 0)) {
      cp.minimumvalue = i16(GetControl32BitMinimum(c));
      cp.maximumvalue = i16(GetControl32BitMaximum(c));
      // A bevel button keeps the item chosen from its menu as its value.
      cp.currentvalue = i16(style == kBevel && chosen > 0 ? chosen : GetControl32BitValue(c));
      setcontrolpart(s, cp);
      docontroldown(s);
      putspot(list, index, s);
      marklayerchanged(list);
    }
  }
  if (controltrackstate().trackedrebuilt) {
    // A handler disposed of the control meanwhile: the button is drawn afresh.
    controltrackstate().trackedrebuilt = 0;
    invalspot(list, index);
    s = spotat(list, index);
    dumpspotcontrol(s);
    putspot(list, index, s);
    redrawobject(g.current.window, list, index);
  }
  // Messages at release.
  auto writeback = [&] {
    marklayerchanged(list);
    if (spotat(list, index).style != kPopup) redrawobject(g.current.window, list, index);
  };
  if (!hit && !g.simulatedclick) {
    // The handler erases and draws over the window's own theme background.
    SetThemeWindowBackground(g.current.window, getheme(&g.current), false);
    st = send(list, index, "mouseRelease");
    if (st == 0 && g.layerchanges == changes) writeback();
    return st;
  }
  if (!autohilite) return send(list, index, "mouseUp");
  const i32 value = getcontrolpart(spotat(list, index)).currentvalue;
  auto hilitefromvalue = [&] {
    spot now = spotat(list, index);
    if (value != 0) now.flags |= spothilite;
    else now.flags &= ~spothilite;
    putspot(list, index, now);
    marklayerchanged(list);
  };
  u16 subcontrols = 0;
  if (style == kRadio && live) CountSubControls(c, &subcontrols);
  const u16 behaviour = bevelbehaviour(spotat(list, index));
  if (style == kTabs) {
    redrawobject(g.current.window, list, index);
    st = send(list, index, "mouseUp " + std::to_string(newtab) + ", " + std::to_string(oldtab));
  } else if (style == kPopup || (style == kBevel && chosen > 0)) {
    st = send(list, index, "mouseUp " + std::to_string(value));
  } else if (style == kRadio && subcontrols > 0) {
    // A radio group's contents are the title of the member chosen.
    ControlRef member = nilid;
    if (value > 0 && GetIndexedSubControl(c, u16(value), &member) == noErr) {
      Str255 title{};
      GetControlTitle(member, title);
      spot now = spotat(list, index);
      setcontentstext(now, pascal(title));
      putspot(list, index, now);
      marklayerchanged(list);
    }
    st = send(list, index, "mouseUp " + std::to_string(value));
  } else if (style == kCheckBox || style == kRadio || (style == kBevel && (behaviour == 1 || behaviour == 2))) {
    hilitefromvalue();
    st = send(list, index, "mouseUp");
  } else {
    st = send(list, index, "mouseUp");
  }
  if (st == 0 && g.layerchanges == changes) writeback();
  return st;
}

}  // namespace kv
