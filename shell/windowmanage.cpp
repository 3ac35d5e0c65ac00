// Window activation, ordering and update: the runtime's windows in their two layers (the
// document layer of project windows, the floating layer of palettes, the message box and the
// tool tip), each drawn active or inactive by its place, and the update events served.
#include "shell/windowmanage.h"

#include <vector>

#include "engine/objectsend.h"
#include "engine/tokens.h"
#include "media/mediaservice.h"
#include "media/movies.h"
#include "platform/movies/movies.h"
#include "platform/controls/controls.h"
#include "platform/dialogs/dialogs.h"
#include "platform/events/eventrecord.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/te/te.h"
#include "platform/windows/windows.h"
#include "render/drawservices.h"
#include "render/offscreen.h"
#include "render/windowupkeep.h"
#include "shell/cardwindow.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/metal.h"
#include "shell/palettes.h"
#include "shell/portroutines.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/records.h"
#include "system/windowkind.h"
#include "shell/mainloop.h"

namespace kv {

namespace {

constexpr i16 kBarBand = 16;

// The temporary device of a colour-mapped drawing and the device it replaced.
struct WindowManageState {
  GDHandle searchdevice;
  GDHandle saveddevice;
};
WindowManageState& wm() { return state<WindowManageState>(); }

WindowClass classof(WindowRef w) {
  WindowClass c = 0;
  GetWindowClass(w, &c);
  return c;
}

bool issheet(WindowRef w) {
  const WindowClass c = classof(w);
  return c == kSheetWindowClass || c == kSheetAlertWindowClass;
}

bool modal(WindowRef w) {
  const WindowClass c = classof(w);
  return c == kModalWindowClass || c == kMovableModalWindowClass;
}

// The screen lock of one routine, given back on every way out.
struct ScreenLock {
  ScreenLock() { lockscreen(); }
  ~ScreenLock() { unlockscreen(); }
  ScreenLock(const ScreenLock&) = delete;
  ScreenLock& operator=(const ScreenLock&) = delete;
};

void activateroot(WindowRef w, bool active) {
  ControlRef root = nilid;
  if (GetRootControl(w, &root) != noErr || root == nilid) return;
  if (active) ActivateControl(root);
  else DeactivateControl(root);
}

bool barshows(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) && IsControlVisible(bar); }

// A project window drawn active or inactive.
void hiliteproject(WindowRef window, const desk& d, bool active) {
  MainGlobals& g = mainglobals();
  SavePort saved;
  SetPortWindowPort(window);
  ScreenLock lock;
  // The window's playing movies follow the hilite it has now: a movie in a window that is not
  // hilited stops first.
  const bool hilited = IsWindowHilited(window);
  for (moovrec& m : movietable()) {
    if (m.window != window || m.removed || m.controller == nilid || GetMovieRate(m.movie) == 0) continue;
    if (!hilited) SetMovieRate(m.movie, 0);
    MCActivate(m.controller, hilited);
  }
  modedown(window);
  const bool resizable = d.wind != nilhandle && (loadat<windrec>(deref(d.wind)).flags & kWindowResizable);
  if (resizable) drawgrow(&d);
  HiliteWindow(window, active);
  activateroot(window, active);
  if (active) {
    const WindowRef front = ActiveNonFloatingWindow();
    const bool skip = (classof(window) == kToolbarWindowClass && window != g.current.window) ||
                      (g.allowModal && front != nilid && modal(front) && windowkind(front, kindqueryordinary));
    // Only a document window is selected: a floating one keeps the document under it active.
    if (front != nilid && !skip && front != window && !windowkind(window, kindqueryfloating)) SelectWindow(window);
  }
  // A sheet attached to the window is drawn active with it (after the platform selected the window).
  for (WindowRef w : windowlist()) {
    WindowRef parent = nilid;
    if (issheet(w) && GetSheetWindowParent(w, &parent) == noErr && parent == window) {
      HiliteWindow(w, active);
      activateroot(w, active);
    }
  }
  for (ControlRef bar : {d.hscroll, d.vscroll})
    if (barshows(bar)) Draw1Control(bar);
  modeup(window);
  Rect port{};
  GetWindowPortBounds(window, &port);
  if (barshows(d.vscroll)) port.right = i16(port.right - kBarBand);
  if (barshows(d.hscroll)) port.bottom = i16(port.bottom - kBarBand);
  // Under a lock taken before this call only metal windows are redrawn now; the others are
  // left to their update.
  if (g.lockcount <= 1 || IsMetalWindow(window)) drawedit(d, nullptr);
  else InvalWindowRect(window, &port);
}

// The system-message flag raised for the time of one send.
struct SystemMessage {
  i16 before = eventloopstate().systemmessage;
  SystemMessage() { eventloopstate().systemmessage = 1; }
  ~SystemMessage() { eventloopstate().systemmessage = before; }
};

}  // namespace

void orderwindows() {
  MainGlobals& g = mainglobals();
  const WindowRef front = FrontWindow();
  if (front == nilid) return;
  if (g.allowModal && modal(front) && !windowkind(front, kindqueryfloating)) return;
  const std::vector<WindowRef> list = windowlist();
  WindowRef anchor = nilid;
  if (msgvisible() && g.msgwindow != nilid) {
    anchor = g.msgwindow;
  } else {
    for (WindowRef w : list) {
      if (IsWindowVisible(w) && windowkind(w, kindqueryfloating) && !issheet(w)) {
        anchor = w;
        break;
      }
    }
  }
  if (anchor == nilid) anchor = front;
  else if (anchor != front) BringToFront(anchor);
  for (WindowRef w : list) {
    if (w == anchor || !IsValidWindowPtr(w) || !IsWindowVisible(w) || issheet(w) || !windowkind(w, kindqueryfloating))
      continue;
    sendbehind(w, anchor);
    anchor = w;
  }
  SetUserFocusWindow(anchor);
}

void selectwindow(WindowRef window) {
  MainGlobals& g = mainglobals();
  if (window == nilid || !IsValidWindowPtr(window)) return;
  const WindowRef front = FrontWindow();
  if (window == g.msgwindow && front != nilid && classof(window) > classof(front)) return;
  WindowRef firstdoc = nilid, lastdoc = nilid, firstfloat = nilid, lastfloat = nilid;
  locatewindows(&firstdoc, &lastdoc, &firstfloat, &lastfloat);
  if (firstfloat == nilid && msgvisible()) firstfloat = lastfloat = g.msgwindow;
  if (window != g.msgwindow && windowkind(window, kindqueryfloating) && msgvisible()) sendbehind(window, g.msgwindow);
  else if (windowkind(window, kindqueryordinary) && firstfloat != nilid) SelectWindow(window);
  else BringToFront(window);
  hilitewindows();
  WindowRef top = nilid;
  topwindow(&top);
}

void hilitewindows() {
  MainGlobals& g = mainglobals();
  if (g.reopeningwindow) return;
  ScreenLock lock;
  SavePort saved;
  const WindowRef front = FrontWindow();
  const std::vector<WindowRef> list = windowlist();
  if (front != nilid && windowkind(front, kindqueryforeign) && !issheet(front) &&
      classof(front) != kFloatingWindowClass && classof(front) != kUtilityWindowClass) {
    for (WindowRef w : list)
      if (IsValidWindowPtr(w) && IsWindowVisible(w) && windowkind(w, kindqueryanyruntime)) hiliteone(w, 0);
    return;
  }
  bool floatingactive = true, beforefirstdoc = true;
  for (WindowRef w : list) {
    if (!IsValidWindowPtr(w) || issheet(w) || !windowkind(w, kindqueryanyruntime) || !IsWindowVisible(w)) continue;
    if (w == g.msgwindow) {
      hiliteone(w, 1);
      continue;
    }
    const bool runtime = windowkind(w, kindqueryruntime) != 0;
    if (beforefirstdoc) {
      if (windowkind(w, kindqueryscripted) || windowkind(w, kindquery121) || windowkind(w, kindquery122) ||
          windowkind(w, kindquery123)) {
        HiliteWindow(w, true);
        floatingactive = beforefirstdoc = false;
        continue;
      }
      if (windowkind(w, kindqueryordinary)) {
        if (runtime) hiliteone(w, 1);
        else HiliteWindow(w, true);
        beforefirstdoc = false;
        continue;
      }
    }
    const bool floating = windowkind(w, kindqueryfloating) != 0;
    if (runtime) hiliteone(w, floating && floatingactive ? 1 : 0);
    else HiliteWindow(w, floating && floatingactive);
  }
  buildpalette();
}

void hiliteone(WindowRef window, i16 active) {
  MainGlobals& g = mainglobals();
  if (window == nilid || !IsValidWindowPtr(window)) return;
  if (g.notfront) active = 0;
  if (window == g.msgwindow) {
    HiliteWindow(window, active != 0);
    // An inactive box shows its text unselected; the next key typed into it replaces it all.
    if (!active && isvalidte(g.msgtext)) {
      TEDeactivate(g.msgtext);
      g.msginactive = 1;
    }
    return;
  }
  desk d{};
  if (getwind(window, &d)) {
    hiliteproject(window, d, active != 0);
    return;
  }
  SavePort saved;
  SetPortWindowPort(window);
  Rect port{};
  GetWindowPortBounds(window, &port);
  ClipRect(&port);
  HiliteWindow(window, active != 0);
  activateroot(window, active != 0);
}

void updatewindow(WindowRef window, i16 send) {
  MainGlobals& g = mainglobals();
  if (window == nilid || !IsValidWindowPtr(window)) return;
  if (windowkind(window, kindquerytool)) {
    updatetooltip();
    return;
  }
  if (windowkind(window, kindqueryruntime)) {
    const bool messagebox = window == g.msgwindow;
    // While the window is drawn for its update, the message sends take no other update.
    struct Updating {
      i16 was = mainglobals().updating;
      Updating() { mainglobals().updating = 1; }
      ~Updating() { mainglobals().updating = was; }
    } updating;
    SavePort saved;
    SetPortWindowPort(window);
    BeginUpdate(window);
    {
      const desk before = g.current;
      if (messagebox) runmess(kWindowDraw, 0);
      else runedit(kWindowDraw, 0, window);
      g.current = before;
    }
    if (!IsValidWindowPtr(window)) return;
    if (!messagebox) updatemovies(window);
    EndUpdate(window);
    Rect port{};
    GetWindowPortBounds(window, &port);
    ValidWindowRect(window, &port);
    if (!messagebox && g.notfront == 0 && send == 1) {
      SystemMessage flag;
      cardsend("updateWindow", sendnormal, window);
    }
    if (IsValidWindowPtr(window) && IsMetalWindow(window)) {
      desk d{};
      if (getwind(window, &d) && d.wind != nilhandle && (loadat<windrec>(deref(d.wind)).flags & kWindowResizable))
        myDrawMetalGrow(window);
    }
    return;
  }
  if (windowkind(window, kindquerycover)) {
    SavePort saved;
    SetPortWindowPort(window);
    BeginUpdate(window);
    Rect port{};
    GetWindowPortBounds(window, &port);
    FillRect(&port, GetWRefCon(window) == tok::black ? &qdblack : &qdwhite);
    EndUpdate(window);
    return;
  }
  if (windowkind(window, kindqueryexternal)) return;
  BeginUpdate(window);
  EndUpdate(window);
}

i16 updateBehind(WindowRef dialog, const EventRecord& event) {
  MainGlobals& g = mainglobals();
  const WindowRef w = WindowRef(event.message);
  if (w == nilid || w == dialog || !IsValidWindowPtr(w)) return 0;
  if (windowkind(w, kindqueryscripted)) {
    // The dialog draws itself on its own update: its whole frame is marked for it.
    Rect r{};
    GetWindowPortBounds(w, &r);
    InvalWindowRect(w, &r);
    return 1;
  }
  if (w == g.msgwindow) {
    if (!msgvisible()) return 0;
    SavePort saved;
    SetPortWindowPort(w);
    BeginUpdate(w);
    runmess(kWindowDraw, 0);
    EndUpdate(w);
    return 1;
  }
  desk d{};
  if (!getwind(w, &d)) return 0;
  updatewindow(w, 0);
  return 1;
}

void addsearch(i16 on) {
  MainGlobals& g = mainglobals();
  WindowManageState& s = wm();
  if (!on || !g.colorWorld || s.searchdevice != nilhandle) return;
  Rect bounds{};
  GrafPtr port = nilid;
  GetPort(&port);
  GetPortBounds(port, &bounds);
  const GDHandle device = NewGDevicefor(8, bounds, CTabHandle(g.currentclut));
  if (device == nilhandle) return;
  s.saveddevice = GetGDevice();
  s.searchdevice = device;
  SetGDevice(device);
  ForeColor(blackColor);
  BackColor(whiteColor);
}

void delsearch(i16 on) {
  MainGlobals& g = mainglobals();
  WindowManageState& s = wm();
  if (!on || !g.colorWorld || s.searchdevice == nilhandle) return;
  SetGDevice(s.saveddevice);
  DisposeGDevice(s.searchdevice);
  s.searchdevice = s.saveddevice = nilhandle;
  ForeColor(blackColor);
  BackColor(whiteColor);
}

}  // namespace kv
