// The card window's event handler: a project window's share of every event. Draws, clicks
// (card scroll bars, then the tool dispatcher), moves and resizes, idle time, keys (the key
// messages, or typing into the open field) and the moving mouse (the cursor, "mouseEnter",
// "mouseWithin" and "mouseLeave" with the object's tool tip).
#include "shell/cardwindow.h"
#include "engine/tokens.h"
#include "shell/textentry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/containerutil.h"
#include "render/drawroutines.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterror.h"
#include "fields/fieldscroll.h"
#include "fields/fieldview.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "properties/userprops.h"
#include "render/controlvisibility.h"
#include "render/fielddrawing.h"
#include "render/hittest.h"
#include "render/windowclip.h"
#include "render/windowupkeep.h"
#include "shell/cardcursor.h"
#include "shell/cardscroll.h"
#include "shell/drawcase.h"
#include "shell/eventqueue.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/objectresize.h"
#include "shell/platformutil.h"
#include "shell/redraws.h"
#include "core/settings.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "system/proctable.h"
#include "system/windowkind.h"
#include "textengine/werecord.h"
#include "tools/handletools.h"
#include "tools/editcommands.h"
#include "tools/objecttools.h"
#include "tools/paint.h"
#include "tools/shapegeometry.h"
#include "tools/textgraphic.h"
#include "shell/startup.h"
#include "shell/mainloop.h"

namespace kv {

namespace {

// Function keys F1 to F15 by their key codes.
constexpr u8 kFunctionKeys[15] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113};
constexpr u32 kAllowTabs = 1u << 22;
constexpr u8 kDelete = 8, kTab = 9, kEnter = 3, kReturn = 13, kFunctionKey = 16;
constexpr u8 kLeft = 28, kRight = 29, kUp = 30, kDown = 31;
// The tool tip: shown this many ticks after the mouse entered, and gone this many after it
// showed; placed this far from the mouse; its colour.
constexpr u32 kTipDelay = 30, kTipLife = 420;
constexpr i16 kTipRight = 10, kTipDown = 16, kTipHeight = 15, kTipMargin = 8, kTipTextSize = 10;
constexpr RGBColor kTipColour{0xFEFF, 0xFEFF, 0xC5C1};
constexpr u32 kWithinInterval = 30;

// The card window module's state beside the global record's mouse object and tool tip.
struct CardWindowState {
  u16 bail;                // the layer change counter when the mouse object was set
  u32 tipshow;             // when the tool tip shows
  u32 nextmousecheck;      // the next tick the moving mouse is looked at
  u32 mousecheck;          // ticks between two looks (0: every time)
  u32 nextwithin;          // the tick after which the next "mouseWithin" may go
  ControlRef trackedbar;   // the card scroll bar being tracked
  RegistryId framewindow;  // the window the global frame rectangle belongs to
  Rect framerect;
};
CardWindowState& cs() { return state<CardWindowState>(); }

// Whether the mouse object is still an object of the card its window shows.
bool mouseobjectlive() {
  const MainGlobals& g = mainglobals();
  desk d{};
  if (g.mouseobject < 0 || !getwind(eventloopstate().mousewindow, &d)) return false;
  if (g.mousespots != d.cardspots && g.mousespots != d.backspots) return false;
  return g.mousespots != nilhandle && g.mouseobject < spotcount(g.mousespots);
}

u16 bailvalue() { return u16(mainglobals().layerchanges & 0xFFFF); }

i16 tocard(std::string_view message) { return cardsend(message, sendnormal, mainglobals().current.window); }

// The open field of the current window: its list and index (false when there is none).
bool openfieldhere() {
  const MainGlobals& g = mainglobals();
  return g.openfield >= 0 && g.openfieldwindow == g.current.window && g.openfieldspots != nilhandle &&
         g.openfield < spotcount(g.openfieldspots);
}

i16 tofield(std::string_view message) {
  const MainGlobals& g = mainglobals();
  return spotsend(sendnormal, g.openfieldspots, g.openfield, message, g.openfieldwindow);
}

bool barshows(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) && IsControlVisible(bar); }
i32 barvalue(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) ? GetControl32BitValue(bar) : 0; }

void fixbars() {
  if (auto rectbar = getproc<344>()) rectbar();
  if (auto fixbar = getproc<343>()) fixbar();
}

void drawkind(WindowRef window) {
  MainGlobals& g = mainglobals();
  if (auto fixbar = getproc<343>()) fixbar();
  UnsquashDefaults(&g.current, 0);
  drawcase(1);
  const desk drawn = g.current;
  drawgrow(&drawn);
  drawmovies(window);
  CardWindowState& s = cs();
  if (s.framewindow == window && s.framerect.left < s.framerect.right && s.framerect.top < s.framerect.bottom) {
    SetPortWindowPort(window);
    PenNormal();
    FrameRect(&s.framerect);
  }
}

// A click (in card coordinates): a card scroll bar is tracked and "scrollWindow" follows; a
// click elsewhere in a visible bar is ignored; any other goes to the tool dispatcher with the
// send depth 1, its status reported once. The bars are found in window coordinates, the
// objects under the click in the card's, as the tool dispatcher's tracking reads the mouse.
void clickkind(WindowRef window, Point pt) {
  MainGlobals& g = mainglobals();
  const Point card = pt;
  if (!g.lockCursor) curscase(pt);
  lowclipdown();
  if (!IsWindowHilited(window)) selectwindow(window);
  const desk& d = g.current;
  pt.h = i16(pt.h - barvalue(d.hscroll));
  pt.v = i16(pt.v - barvalue(d.vscroll));
  ControlRef hit = nilid;
  if (FindControl(pt, window, &hit) != 0 && hit != nilid && (hit == d.hscroll || hit == d.vscroll)) {
    cs().trackedbar = hit;
    TrackControl(hit, pt, getproc<33>());  // the card scroll, none while the slot is empty
    cs().trackedbar = nilid;
    lowclipup();
    tocard("scrollWindow");
    return;
  }
  for (ControlRef bar : {d.hscroll, d.vscroll}) {
    Rect r{};
    if (barshows(bar) && PtInRect(pt, GetControlBounds(bar, &r))) return;
  }
  lowclipup();
  g.senddepth = 1;
  g.clickloc = card;
  i16 st = handletools(card, card, senderMouse);
  if (st > 0) doerror(st);
  g.senddepth = 0;
}

// Moved or resized: the scroll bars follow, the objects are resized (after "presizeWindow"
// for mode 1), and the window record keeps the content rectangle.
void movedkind(WindowRef window, u32 mode) {
  MainGlobals& g = mainglobals();
  fixbars();
  SquashControls(window);
  Rect port{};
  GetWindowPortBounds(window, &port);
  InvalWindowRect(window, &port);
  Rect r = windtorect(window);
  if (mode == 1) {
    const CGrafPtr p = GetWindowPort(window);
    const i16 pen = GetPortPenVisibility(p);
    tocard("presizeWindow");
    if (IsValidPort(p)) SetPortPenVisibility(p, pen);
  }
  if (mode != 0 && getwind(window, &g.current)) resizespots(g.current, 0, 0, 0);
  if (!getwind(window, &g.current) || !IsValidWindowPtr(window)) return;
  SetPortWindowPort(window);
  UnsquashDefaults(&g.current, 0);
  if (g.current.wind != nilhandle) {
    windrec w = loadat<windrec>(deref(g.current.wind));
    w.rect1 = r;
    storeat<windrec>(deref(g.current.wind), w);
    putwind(window, g.current);
    if (g.current.store != nilid) checkerr(changevir(g.current.store, i32(g.current.windrecid)));
  }
  fixbars();
}

void idlekind() {
  MainGlobals& g = mainglobals();
  u32 sleep = 0;
  if (openfieldhere() && isvalidwerec(g.openfieldrec)) WEIdle(&sleep, g.openfieldrec);
  if (g.graphindex >= 0 && g.graphwindow == g.current.window && isvalidwerec(g.graphrec)) WEIdle(&sleep, g.graphrec);
  if (g.bmapindex >= 0 && g.bmapwindow == g.current.window) bmapidle();
  const u32 now = TickCount();
  if (i32(now - g.nextidle) < 0) return;
  g.nextidle = now + u32(std::max<i32>(g.idleTicks, 0));
  tocard("idle");
}

// Sets the mouse object and enters it.
i16 enter(Handle list, i16 index, WindowRef window) {
  MainGlobals& g = mainglobals();
  g.mouseobject = index;
  g.mousespots = list;
  eventloopstate().mousewindow = window;
  cs().bail = bailvalue();
  objectcursor(tok::mouseenter);
  return sendmous(tok::mouseenter);
}

i16 leave() {
  objectcursor(tok::mouseleave);
  return sendmous(tok::mouseleave);
}

// The mouse moved: the cursor, then (browse tool, mouse messages allowed) the messages of the
// object under it.
void mousekind(WindowRef window, Point pt) {
  MainGlobals& g = mainglobals();
  CardWindowState& s = cs();
  const u32 now = TickCount();
  if (i32(now - s.nextmousecheck) < 0) return;
  s.nextmousecheck = now + s.mousecheck;
  if (!g.lockCursor) curscase(pt);
  // A mouse object whose window has closed is forgotten silently.
  if (g.mouseobject >= 0 && !mouseobjectlive()) {
    g.mouseobject = -1;
    eventloopstate().mousewindow = nilid;
  }
  if (!g.allowMouseMessages || g.current.tool != toolbrowse) return;
  Rect interior{};
  lowgetinterior(&interior);
  Rect shifted = interior;
  OffsetRect(&shifted, i16(barvalue(g.current.hscroll)), i16(barvalue(g.current.vscroll)));
  if (!PtInRect(pt, &shifted)) {
    leave();
    return;
  }
  Handle list = nilhandle;
  i16 index = -1;
  const desk& d = g.current;
  for (Handle l : {d.backlayer ? nilhandle : d.cardspots, d.backspots}) {
    if (l == nilhandle || index >= 0) continue;
    for (i32 i = spotcount(l) - 1; i >= 0; --i) {
      if (lowinspot(spotat(l, i), pt)) {
        list = l;
        index = i16(i);
        break;
      }
    }
  }
  if (openfieldhere() && lowinspot(spotat(g.openfieldspots, g.openfield), pt)) {
    list = g.openfieldspots;
    index = g.openfield;
  }
  if (index < 0) {
    leave();
    return;
  }
  if (g.mouseobject < 0) {
    enter(list, index, window);
    return;
  }
  if (g.mouseobject == index && g.mousespots == list && eventloopstate().mousewindow == window) {
    if (g.allowMouseWithin && i32(now - s.nextwithin) > 0) {
      s.nextwithin = now + kWithinInterval;
      s.bail = bailvalue();
      sendmous(tok::mousewithin);
    }
    return;
  }
  const u64 changes = g.layerchanges;
  if (leave() != 0 || g.layerchanges != changes) return;
  enter(list, index, window);
}

// The tool tip of the mouse object: a tip window of kind 119 showing the text, shown later by
// checktooltip.
void maketip(const Str255 text) {
  MainGlobals& g = mainglobals();
  cleartooltip();
  Rect bounds{70, 70, 100, 100};
  WindowRef tip = nilid;
  if (CreateNewWindow(kDocumentWindowClass, 0, &bounds, &tip) != noErr || tip == nilid) return;
  SetWindowClass(tip, kToolbarWindowClass);
  BringToFront(tip);
  const u8 empty[1] = {0};
  SetWTitle(tip, empty);
  SetWindowKind(tip, kindtoolwindow);
  SavePort saved;
  SetPortWindowPort(tip);
  RGBBackColor(&kTipColour);
  TextFont(i16(currentsettings().interfacefont));
  TextSize(kTipTextSize);
  TextMode(srcCopy);
  SizeWindow(tip, i16(StringWidth(text) + kTipMargin), kTipHeight, false);
  Handle h = NewHandle(text[0]);
  if (h != nilhandle && text[0] > 0) BlockMoveData(text + 1, deref(h), text[0]);
  SetWRefCon(tip, i32(h));
  g.tooltip = tip;
  cs().tipshow = TickCount() + kTipDelay;
}

// The object's "ToolTip", when tips are allowed and it has one.
void offertip() {
  const MainGlobals& g = mainglobals();
  if (!g.allowToolTips) return;
  Handle value = nilhandle;
  const Str255 name = "\x07ToolTip";
  if (prophandutil(Handle(spotat(g.mousespots, g.mouseobject).uprops), name, &value) != 0 || value == nilhandle) return;
  const Size n = std::min<Size>(GetHandleSize(value), 255);
  if (n == 0) return;
  Str255 text{};
  text[0] = u8(n);
  BlockMoveData(deref(value), text + 1, n);
  maketip(text);
}

// The key typed into the open field.
i16 typeinto(u8 ch) {
  MainGlobals& g = mainglobals();
  const spot s = spotat(g.openfieldspots, g.openfield);
  const WEReference we = g.openfieldrec;
  if (!isvalidwerec(we)) return 0;
  if (g.textArrows && s.style == stylefieldscroll && handlenavkeys(ch)) return 0;
  Rect rulerrect{};
  rulercontrolrect(s, &rulerrect);
  const bool ruler = rulerrect.right > rulerrect.left && rulerrect.bottom > rulerrect.top;
  WERuler before{}, after{};
  u32 mode = weDoAllRuler;
  if (ruler) WEContinuousRuler(&mode, &before, we);
  wekey(ch, we);
  const bool arrow = ch >= kLeft && ch <= kDown;
  if (!arrow) g.openfieldchange = 1;
  WEUpdate(nilid, we);
  if (ruler && (arrow || ch == kDelete)) {
    mode = weDoAllRuler;
    WEContinuousRuler(&mode, &after, we);
    // The ruler shows the paragraph format the key changed.
    if (std::memcmp(&before, &after, sizeof before) != 0) {
      SavePort saved;
      SetPortWindowPort(g.openfieldwindow);
      spot shown = s;
      wefakerulercontrol(shown, we);
    }
  }
  return 0;
}

}  // namespace

void setframerect(const Rect& r, WindowRef window) {
  cs().framerect = r;
  cs().framewindow = window;
}

void setmousecheck(u32 ticks) { cs().mousecheck = ticks; }

ControlRef trackedcardbar() { return cs().trackedbar; }

void runedit(u16 kind, u32 data, WindowRef window) {
  MainGlobals& g = mainglobals();
  if (getwind(window, &g.current) == 0) return;
  SetPortWindowPort(window);
  switch (kind) {
    case kWindowDraw: drawkind(window); break;
    case kWindowClick: clickkind(window, wordpoint(data)); break;
    case kWindowMoved: movedkind(window, data); break;
    case kWindowIdle: idlekind(); break;
    case kWindowKey: charcase(u16(data)); break;
    case kWindowMouse: mousekind(window, wordpoint(data)); break;
    default: break;
  }
}

i16 charcase(u16 key) {
  MainGlobals& g = mainglobals();
  const u8 ch = u8(key & 0xFF);
  const u8 code = u8(key >> 8);
  char text[40];
  if (g.bmapindex >= 0 && bmapwantskeys()) {
    bmapkey(ch);
    return 0;
  }
  if (g.event.modifiers & controlKey) {
    std::snprintf(text, sizeof text, "controlKey %u", unsigned(ch));
    return tocard(text);
  }
  if (g.graphindex >= 0 && isvalidwerec(g.graphrec)) {
    graphkey(ch);
    return 0;
  }
  bool field = openfieldhere();
  switch (ch) {
    case kTab: {
      if (!field) return tocard("tabKey");
      const spot s = spotat(g.openfieldspots, g.openfield);
      if (!(s.flags & kAllowTabs)) return tofield("tabKey");
      i32 start = 0, end = 0;
      WEGetSelection(&start, &end, g.openfieldrec);
      const i32 length = WEGetTextLength(g.openfieldrec);
      if (start == 0 && end == length && length > 0) return tofield("tabKey");
      break;
    }
    case kEnter: return field ? tofield("enterInField") : tocard("enterKey");
    case kLeft:
    case kRight:
    case kUp:
    case kDown:
      if (!g.textArrows || (g.event.modifiers & optionKey) || option()) {
        const char* dir = ch == kLeft ? "left" : ch == kRight ? "right" : ch == kUp ? "up" : "down";
        std::snprintf(text, sizeof text, "arrowKey %s", dir);
        return tocard(text);
      }
      break;
    case kFunctionKey:
      for (int n = 0; n < 15; ++n) {
        if (kFunctionKeys[n] == code) {
          std::snprintf(text, sizeof text, "functionKey %d", n + 1);
          return tocard(text);
        }
      }
      break;
    case kReturn: return field ? tofield("returnInField") : tocard("returnKey");
    default: break;
  }
  if (field && g.openfieldlocked && g.current.tool == toolbrowse) {
    if (i16 st = putdownfield()) return st;
    field = false;
  }
  if (field) {
    if (!g.allowKeyInField) return typeinto(ch);
    Str255 message{};
    keyinfieldstr(message, ch);
    if (message[0] == 0) return 0;
    return tofield(std::string_view(reinterpret_cast<const char*>(message + 1), message[0]));
  }
  if (!msgvisible() && !g.blindTyping) {
    if (ch == kDelete && g.current.tool != toolbrowse) return comclear({}, nilhandle, nilhandle, -1, nilhandle);
    Str255 message{};
    keystrokestr(message, ch);
    if (message[0] == 0) return 0;  // the first byte of a two-byte character waits for the second
    return tocard(std::string_view(reinterpret_cast<const char*>(message + 1), message[0]));
  }
  runmain(kWindowKey, key, g.msgwindow);
  return 0;
}

i16 sendmous(i16 token) {
  MainGlobals& g = mainglobals();
  CardWindowState& s = cs();
  if (g.mouseobject < 0 || g.current.tool != toolbrowse || s.bail != bailvalue() || g.notfront) {
    cleartooltip();
    g.mouseobject = -1;
    eventloopstate().mousewindow = nilid;
    return 0;
  }
  if (!mouseobjectlive()) {
    g.mouseobject = -1;
    eventloopstate().mousewindow = nilid;
    return 0;
  }
  if (token == tok::mouseleave) cleartooltip();
  if (token == tok::mouseenter) offertip();
  if (!g.allowMouseMessages) return 0;
  const Handle list = g.mousespots;
  const i16 index = g.mouseobject;
  const WindowRef window = eventloopstate().mousewindow;
  // The caller's window comes back current as its handlers left it (a handler may have gone
  // to another card), whatever the send did.
  BorrowDesk keep(g.current);
  switch (token) {
    case tok::mouseleave:
      g.mouseobject = -1;
      eventloopstate().mousewindow = nilid;
      return spotsend(sendnormal, list, index, "mouseLeave", window);
    case tok::mouseenter: return spotsend(sendnormal, list, index, "mouseEnter", window);
    case tok::mousewithin: return spotsend(sendnormal, list, index, "mouseWithin", window);
    default: {
      ConstStringPtr name = tokentostring(u16(token));
      if (name == nullptr) return 0;
      return spotsend(sendnormal, list, index, std::string_view(reinterpret_cast<const char*>(name + 1), name[0]),
                      window);
    }
  }
}

void checktooltip(u32 now) {
  MainGlobals& g = mainglobals();
  const WindowRef tip = g.tooltip;
  if (tip == nilid) return;
  if (!IsValidWindowPtr(tip)) {
    g.tooltip = nilid;
    return;
  }
  CardWindowState& s = cs();
  if (!IsWindowVisible(tip) && i32(now - s.tipshow) >= 0) {
    if (!mouseobjectlive()) {
      cleartooltip();
      return;
    }
    Point mouse{};
    {
      SavePort saved;
      SetPortWindowPort(eventloopstate().mousewindow);
      GetMouse(&mouse);
    }
    Rect r = spotat(g.mousespots, g.mouseobject).rect;
    if (!PtInRect(mouse, &r)) {
      cleartooltip();
      return;
    }
    Point global{};
    GetGlobalMouse(&global);
    Rect bounds{};
    GetWindowBounds(tip, kWindowContentRgn, &bounds);
    const i16 width = i16(bounds.right - bounds.left), height = i16(bounds.bottom - bounds.top);
    i32 left = i32(global.h) + kTipRight, top = i32(global.v) + kTipDown;
    Rect screen = screenbounds(0);
    InsetRect(&screen, 4, 4);
    screen.top = i16(screen.top + startupfacts().menubarheight);
    if (top + height > screen.bottom) top -= top + height - screen.bottom + 20;
    if (left + width > screen.right) left -= left + width - screen.right;
    MoveWindow(tip, i16(std::clamp<i32>(left, -32768, 32767)), i16(std::clamp<i32>(top, -32768, 32767)), false);
    updatetooltip();
  } else if (IsWindowVisible(tip) && mouseobjectlive()) {
    Point mouse{};
    {
      SavePort saved;
      SetPortWindowPort(eventloopstate().mousewindow);
      GetMouse(&mouse);
    }
    Rect r = spotat(g.mousespots, g.mouseobject).rect;
    if (!PtInRect(mouse, &r)) {
      cleartooltip();
      return;
    }
  }
  if (g.tooltip != nilid && i32(now - (s.tipshow + kTipLife)) > 0) cleartooltip();
}

void cleartooltip() {
  MainGlobals& g = mainglobals();
  const WindowRef tip = g.tooltip;
  g.tooltip = nilid;
  if (tip == nilid || !IsValidWindowPtr(tip)) return;
  const Handle text = Handle(u32(GetWRefCon(tip)));
  if (text != nilhandle && IsValidHandle(text)) DisposeHandle(text);
  SetWRefCon(tip, 0);
  Rect r{};
  GetWindowBounds(tip, kWindowContentRgn, &r);
  const bool shown = IsWindowVisible(tip);
  DisposeWindow(tip);
  const WindowRef w = g.current.window;
  if (!shown || w == nilid || !IsValidWindowPtr(w)) return;
  BorrowDesk keep(g.current);
  SetPortWindowPort(w);
  Point topleft{r.top, r.left}, bottomright{r.bottom, r.right};
  GlobalToLocal(&topleft);
  GlobalToLocal(&bottomright);
  Rect local{topleft.v, topleft.h, bottomright.v, bottomright.h};
  drawframe(w);
  desk d{};
  if (getwind(w, &d)) drawedit(d, &local);
  Rect port{};
  GetWindowPortBounds(w, &port);
  ValidWindowRect(w, &port);
}

}  // namespace kv
