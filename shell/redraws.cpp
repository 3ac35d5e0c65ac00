#include "shell/redraws.h"

#include <algorithm>
#include <cstring>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/screens.h"
#include "render/drawservices.h"
#include "render/objectbounds.h"
#include "render/controlvisibility.h"
#include "render/offscreen.h"
#include "render/themebuttons.h"
#include "render/windowclip.h"
#include "render/windowupkeep.h"
#include "shell/cardscroll.h"
#include "shell/drawcase.h"
#include "shell/eventqueue.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "shell/startup.h"

namespace kv {

namespace {

constexpr std::size_t kLogLimit = 256;
constexpr i16 kFrameSlop = 3;

struct RedrawState {
  std::vector<redrawrequest> log;
};

void note(WindowRef window, const Rect* area) {
  std::vector<redrawrequest>& log = state<RedrawState>().log;
  if (log.size() >= kLogLimit) log.erase(log.begin());
  log.push_back({window, area == nullptr, area ? *area : Rect{}});
}

// What a window's drawing borrows and gives back: the current context and port, and the
// window port's origin, clip and visible region.
class Borrowed {
 public:
  Borrowed(WindowRef window, const desk& saved) : saved_(saved), window_(window) {
    port_ = GetWindowPort(window);
    SetPort(port_);
    Rect bounds{};
    GetPortBounds(port_, &bounds);
    origin_ = Point{bounds.top, bounds.left};
    GetClip(clip_);
    GetPortVisibleRegion(port_, visible_);
  }
  ~Borrowed() {
    // The window may have gone while it was drawn: its port then goes with it.
    if (IsValidWindowPtr(window_) && IsValidPort(port_)) {
      SetPort(port_);
      SetOrigin(origin_.h, origin_.v);
      SetPortVisibleRegion(port_, visible_);
      SetClip(clip_);
    }
    DisposeRgn(clip_);
    DisposeRgn(visible_);
    mainglobals().current = saved_;
  }
  Borrowed(const Borrowed&) = delete;
  Borrowed& operator=(const Borrowed&) = delete;
  CGrafPtr port() const { return port_; }
  RgnHandle visible() const { return visible_; }

 private:
  SavePort savedport_;
  desk saved_;
  WindowRef window_;
  CGrafPtr port_ = nilid;
  Point origin_{0, 0};
  RgnHandle clip_ = NewRgn();
  RgnHandle visible_ = NewRgn();
};

// Makes the context of a window of the table current: the current context itself when it is
// that window's (it may be newer than its table entry), else the table's entry. False for a
// window that is not in the table.
bool makecurrent(WindowRef window) {
  MainGlobals& g = mainglobals();
  if (window == nilid || g.numwinds == 0 || !IsValidWindowPtr(window)) return false;
  desk entry{};
  if (getwind(window, &entry) == 0) return false;
  if (g.current.window != window) g.current = entry;
  return true;
}

// The rectangle a redraw covers: the interior, or the rectangle grown for frames and focus
// rings and cut to the interior (empty when it lies outside).
Rect drawarea(const Rect* area) {
  Rect interior{};
  getinterior(&interior);
  if (area == nullptr) return interior;
  const Rect grown = growrect(*area, kFrameSlop);
  Rect r{};
  if (!SectRect(&grown, &interior, &r)) r = Rect{0, 0, 0, 0};
  return r;
}

// Limits the port's visible region to a rectangle (within what was visible); answers the
// region, the caller's to dispose of.
RgnHandle limitvisible(CGrafPtr port, RgnHandle visible, const Rect& r) {
  RgnHandle limited = NewRgn();
  RectRgn(limited, r);
  SectRgn(limited, visible, limited);
  SetPortVisibleRegion(port, limited);
  return limited;
}

bool palettestyle(u16 style) { return style == 6 || style == 9; }

// A palette's thin record rectangle, turned to the other orientation: with the side title
// (flag 4) one at most 10 high becomes as high as it was wide and 10 wide; otherwise one at
// most 10 wide becomes as wide as it was high and 10 high. The top-left stays.
bool turnpalette(Rect& r, u32 flags) {
  constexpr i16 kThin = 10;
  const i16 width = i16(r.right - r.left), height = i16(r.bottom - r.top);
  if (flags & (1u << 4)) {
    if (height > kThin) return false;
    r.bottom = i16(r.top + width);
    r.right = i16(r.left + kThin);
  } else {
    if (width > kThin) return false;
    r.right = i16(r.left + height);
    r.bottom = i16(r.top + kThin);
  }
  return true;
}

void centre(Rect& r) {
  Rect screen{};
  GetAvailableWindowPositioningBounds(0, &screen);
  const i16 width = i16(r.right - r.left), height = i16(r.bottom - r.top);
  r.left = i16((screen.left + screen.right - width) / 2);
  r.top = i16((screen.top + screen.bottom - height) / 2);
  r.right = i16(r.left + width);
  r.bottom = i16(r.top + height);
}

// Moves and sizes a window so that its content is the global rectangle.
void placewindow(WindowRef window, const Rect& r) {
  MoveWindow(window, r.left, r.top, false);
  SizeWindow(window, i16(r.right - r.left), i16(r.bottom - r.top), true);
}

// The zoom states of a scrolling window: the user state the record's rectangle, the standard
// state the offscreen world's bounds inset by 3 (below the menu bar and a title bar) within the
// main screen's usable bounds.
void zoomstates(WindowRef window, const Rect& record) {
  SetWindowUserState(window, &record);
  Rect standard = GetOffScreenBounds();
  InsetRect(&standard, 3, 3);
  standard.top = i16(standard.top + startupfacts().menubarheight + 18);
  Rect usable{};
  GetAvailableWindowPositioningBounds(0, &usable);
  SectRect(&standard, &usable, &standard);
  SetWindowStandardState(window, &standard);
}

}  // namespace

void drawedit(const desk& d, const Rect* area) {
  MainGlobals& g = mainglobals();
  const WindowRef window = d.window;
  const desk saved = g.current;
  if (!makecurrent(window)) return;
  note(window, area);
  Borrowed b(window, saved);
  const CGrafPtr port = b.port();
  const Rect r = drawarea(area);
  RgnHandle limited = limitvisible(port, b.visible(), r);
  SetThemeWindowBackground(window, getheme(&g.current), false);
  ClipRect(&r);
  lockscreen();
  drawcase(1);
  // A picture recorded from the port keeps the lock until the recording ends.
  if (!portrecordingpicture(port)) unlockscreen();
  if (IsValidWindowPtr(window)) {
    if (GetPortPenVisibility(port) >= 0) EconomyFlush(port, limited);
    const desk drawn = g.current;
    drawgrow(&drawn);
    const Rect validated = area ? growrect(*area, kFrameSlop) : r;
    ValidWindowRect(window, &validated);
  }
  DisposeRgn(limited);
}

void draweditall() {
  const MainGlobals& g = mainglobals();
  for (i32 i = g.numwinds - 1; i >= 0; --i) {
    // Drawing may not leave the table as it was: each entry is read afresh.
    if (g.winds == nilhandle || i >= std::min<i32>(g.numwinds, i32(HandleCount<desk>(g.winds)))) continue;
    const desk d = HandleAs<desk>(g.winds)[i];
    drawedit(d, nullptr);
  }
}

void drawread(const objread& obj) {
  if (obj.d.window == nilid) return;
  switch (obj.kind) {
    case objpart:
    case objembedded: {
      Rect r{};
      calcspot(obj.objects, obj.objindex, &r);
      drawedit(obj.d, &r);
      return;
    }
    case objcard:
    case objbackground:
    case objwindow:
    case objproject:
      // The window record's rectangle lies in screen coordinates: the window's own rectangle,
      // its whole card area, is what it stands for.
      drawedit(obj.d, nullptr);
      return;
    default: return;
  }
}

void minidrawedit(const desk& d, const Rect* area) {
  MainGlobals& g = mainglobals();
  const WindowRef window = d.window;
  const desk saved = g.current;
  if (!makecurrent(window)) return;
  runmain(kWindowMoved, 1, window);
  if (!makecurrent(window)) {
    g.current = saved;
    return;
  }
  Borrowed b(window, saved);
  const Rect r = drawarea(area);
  RgnHandle limited = limitvisible(b.port(), b.visible(), r);
  drawcase(0);
  if (IsValidWindowPtr(window)) {
    const desk drawn = g.current;
    drawgrow(&drawn);
  }
  DisposeRgn(limited);
}

i16 imagedit(GWorldPtr* world, RgnHandle* region) {
  MainGlobals& g = mainglobals();
  if (world) *world = nilid;
  if (region) *region = nilid;
  const desk d = g.current;
  const GWorldPtr offscreen = GetOffScreenWorld();
  if (d.window == nilid || !IsValidWindowPtr(d.window) || offscreen == nilid || !LockOffScreenGWorld()) return 0;
  SavePort savedport;
  // The window's interior at its scroll position; the world takes the same origin, so that
  // the card lands on the same pixels.
  SetPortWindowPort(d.window);
  Rect port{};
  GetWindowPortBounds(d.window, &port);
  Rect interior{};
  getinterior(&interior);
  SetGWorld(offscreen, 0);
  SetOrigin(port.left, port.top);
  ClipRect(&interior);
  drawcase(0);
  SetOrigin(0, 0);
  const Rect bounds = GetOffScreenBounds();
  ClipRect(&bounds);
  UnLockOffScreenGWorld();
  OffsetRect(&interior, i16(-port.left), i16(-port.top));
  SectRect(&interior, &bounds, &interior);
  if (world) *world = offscreen;
  if (region) {
    *region = NewRgn();
    RectRgn(*region, interior);
  }
  return 0;
}

void resetproc(const desk& context) {
  MainGlobals& g = mainglobals();
  const WindowRef window = context.window;
  if (window == nilid || !IsValidWindowPtr(window) || context.wind == nilhandle ||
      GetHandleSize(context.wind) < Size(sizeof(windrec)))
    return;
  windrec w = loadat<windrec>(deref(context.wind));
  const u16 style = w.word2;
  const u32 flags = w.flags;
  const bool closeflag = flags & (1u << 0), zoomflag = flags & (1u << 1), resizable = flags & (1u << 2);
  bool collapsible = !(flags & (1u << 9));
  bool liveresize = false, closebox = false, metal = false;
  i16 kind = 114;
  WindowAttributes set = 0, clear = 0;
  Rect record = w.rect1;

  // 1. The attributes and kind of the style.
  switch (style) {
    case 0:
    case 1:
      closebox = closeflag;
      liveresize = (flags & (1u << 13)) && g.runningosx;
      if (style == 1) {
        WindowAttributes have = 0;
        GetWindowAttributes(window, &have);
        if (zoomflag || (have & kWindowFullZoomAttribute)) zoomstates(window, record);
      }
      break;
    case 2: closebox = closeflag; break;
    case 6:
      if (zoomflag && !(flags & (1u << 5))) turnpalette(record, flags);
      clear |= kWindowHideOnSuspendAttribute;
      collapsible = false;
      closebox = closeflag;
      kind = 115;
      break;
    case 9:
      clear |= kWindowHideOnSuspendAttribute;
      collapsible = false;
      kind = 115;
      break;
    case 11:
      metal = startupfacts().sysversion >= 0x1030;
      liveresize = flags & ((1u << 1) | (1u << 13));
      closebox = closeflag;
      break;
    default: break;
  }
  (metal ? set : clear) |= kWindowMetalAttribute;
  (closebox ? set : clear) |= kWindowCloseBoxAttribute;
  // 2. The attributes every style takes from the flags.
  (resizable && style != 11 ? set : clear) |= kWindowResizableAttribute;
  (zoomflag ? set : clear) |= kWindowFullZoomAttribute;
  (collapsible ? set : clear) |= kWindowCollapseBoxAttribute;
  (liveresize ? set : clear) |= kWindowLiveResizeAttribute;
  ChangeWindowAttributes(window, set, clear & ~set);

  // 3. The kind; the context made current, the screen locked and nothing drawn meanwhile.
  SetWindowKind(window, kind);
  const desk saved = g.current;
  SavePort savedport;
  g.current = context;
  lockscreen();
  SetPortWindowPort(window);
  const Rect none{0, 0, 0, 0};
  ClipRect(&none);

  // 4. The scroll bars back at 0, shown in a scrolling window only.
  for (ControlRef bar : {context.hscroll, context.vscroll}) {
    if (bar == nilid || !IsValidControlHandle(bar)) continue;
    SetControl32BitValue(bar, 0);
    if (style == 1) ShowControl(bar);
    else HideControl(bar);
  }

  // 5-6. The rectangle within the screen (and the card while the window is re-made), centred
  // when the record asks; stored, and the window moved there.
  limitrect(&record);
  if (g.reopeningwindow) limitrectoback(&record, context);
  if (flags & (1u << 6)) centre(record);
  if (std::memcmp(&record, &w.rect1, sizeof record) != 0) {
    w.rect1 = record;
    storeat<windrec>(deref(context.wind), w);
    if (context.store != nilid) checkerr(changevir(context.store, i32(context.windrecid)));
  }
  placewindow(window, record);

  // 7. The title.
  Str255 title{};
  if (w.name != nilhandle) {
    title[0] = u8(std::min<Size>(GetHandleSize(w.name), 255));
    BlockMoveData(deref(w.name), title + 1, title[0]);
  }
  if (!palettestyle(style)) checkname(title);
  SetWTitle(window, title);

  // 8. The class.
  switch (style) {
    case 6:
    case 9:
      SetWindowClass(window, kToolbarWindowClass);
      BringToFront(window);
      break;
    case 3: SetWindowClass(window, kModalWindowClass); break;
    case 7:
    case 10: SetWindowClass(window, kMovableModalWindowClass); break;
    default: SetWindowClass(window, kDocumentWindowClass); break;
  }

  // 9-10. The theme background, the scrolled origin, and the card when the pen shows.
  SetThemeWindowBackground(window, getheme(&context), false);
  lowclipup();
  if (GetPortPenVisibility(GetWindowPort(window)) >= 0) drawcase(1);

  // 11.
  g.current = saved;
  unlockscreen();
}

std::vector<redrawrequest> takeredraws() {
  std::vector<redrawrequest> out;
  out.swap(state<RedrawState>().log);
  return out;
}

void redrawprojectwindows(RegistryId store) {
  MainGlobals& g = mainglobals();
  for (i16 i = i16(g.numwinds - 1); i >= 0; --i) {
    const desk d = HandleAs<desk>(g.winds)[i];
    if (d.window == nilid || d.store != store) continue;
    for (Handle list : {d.cardspots, d.backspots}) {
      if (list == nilhandle) continue;
      for (i32 k = 0; k < spotcount(list); ++k) {
        spot s = spotat(list, k);
        dumpspotcontrol(s);
        putspot(list, k, s);
      }
    }
    drawedit(d, nullptr);
  }
}

}  // namespace kv
