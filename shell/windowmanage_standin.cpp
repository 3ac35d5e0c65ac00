// A stand-in for window activation, ordering, update, grow, zoom and drag until the window
// management of the shell exists. The platform keeps the layers itself; a drag, grow or zoom
// changes the window through the platform and sends "dragWindow", "resizeWindow" or
// "zoomWindow zoomin"/"zoomWindow zoomout" to its card ("zoomWindow" before the change: a
// handler that exits to the top keeps the size). The "minimumSize" property, the card-size
// limit, scroll bars and redrawing join with the real routines.
#include "shell/windowmanage.h"

#include <algorithm>

#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/windows/screens.h"
#include "shell/cardwindow.h"
#include "shell/eventqueue.h"
#include "shell/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/windtable.h"
#include "store/records.h"
#include "system/externalevents.h"
#include "system/windowkind.h"

namespace kv {

namespace {

constexpr i16 kMinimumSize = 20;

u32 windowflags(const desk& d) { return d.wind != nilhandle ? loadat<windrec>(deref(d.wind)).flags : 0; }

bool samebounds(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

Rect structurebounds(WindowRef w) {
  Rect r{};
  GetWindowBounds(w, kWindowStructureRgn, &r);
  return r;
}

// Drags the window's outline from the click; true when the window moved.
bool lowdrag(WindowRef w) {
  if (!buttonisdown()) return false;
  Rect before = structurebounds(w);
  Rect limits{-32767, -32767, 32767, 32767};
  DragWindow(w, mainglobals().event.where, &limits);
  return !samebounds(before, structurebounds(w));
}

// A click on the title of a window behind (without the command key) selects it; a document
// window that is not the front one is only selected, not dragged.
bool mydragwindow(WindowRef w) {
  bool command = (mainglobals().event.modifiers & cmdKey) != 0;
  if (!command && windowkind(w, kindqueryordinary) && FrontNonFloatingWindow() != w) {
    selectwindow(w);
    putdownfield();
    putdownmodes();
    return false;
  }
  return lowdrag(w);
}

}  // namespace

void orderwindows() {}

void selectwindow(WindowRef window) {
  if (window == nilid || !IsValidWindowPtr(window)) return;
  SelectWindow(window);
  hilitewindows();
}

void hilitewindows() {}

void hiliteone(WindowRef window, i16 active) {
  if (window == nilid || !IsValidWindowPtr(window)) return;
  HiliteWindow(window, active != 0 && mainglobals().notfront == 0);
}

void updatewindow(WindowRef window, i16 send) {
  MainGlobals& g = mainglobals();
  if (!windowkind(window, kindqueryruntime)) {
    if (!windowkind(window, kindqueryexternal)) {
      BeginUpdate(window);
      EndUpdate(window);
    }
    return;
  }
  bool messagebox = window == g.msgwindow;
  // While the window is drawn for its update, the message sends take no other update.
  i16 wasupdating = g.updating;
  g.updating = 1;
  BeginUpdate(window);
  desk saved = g.current;
  if (messagebox)
    runmess(kWindowDraw, 0);
  else
    runedit(kWindowDraw, 0, window);
  g.current = saved;
  EndUpdate(window);
  Rect port{};
  GetWindowPortBounds(window, &port);
  ValidWindowRect(window, &port);
  if (!messagebox && g.notfront == 0 && send == 1) {
    g.systemmessage = 1;
    cardsend("updateWindow", sendnormal, window);
    g.systemmessage = 0;
  }
  g.updating = wasupdating;
}

void HandleGrowClick(WindowRef window) {
  MainGlobals& g = mainglobals();
  EventRecord e = g.event;
  if (sendxrtnevent(window, kXrtnGrowClick, &e) != 0) return;
  if (windowkind(window, kindqueryexternal)) return;
  desk d{};
  if (getwind(window, &d) == 0 || !(windowflags(d) & kWindowResizable)) return;
  g.current = d;
  Rect screen = screenbounds(0);
  i16 maxwidth = g.offwidth > 0 ? g.offwidth : i16(screen.right - screen.left);
  i16 maxheight = g.offheight > 0 ? g.offheight : i16(screen.bottom - screen.top);
  Rect limits{kMinimumSize, kMinimumSize, maxheight, maxwidth};
  i32 size = GrowWindow(window, e.where, &limits);
  if (size == 0) return;
  i16 height = std::min<i16>(i16(size >> 16), maxheight);
  i16 width = std::min<i16>(i16(size & 0xFFFF), maxwidth);
  SizeWindow(window, width, height, true);
  runedit(kWindowMoved, 1, window);
  cardsend("resizeWindow", sendnormal, window);
}

void HandleDragClick(WindowRef window) {
  MainGlobals& g = mainglobals();
  EventRecord e = g.event;
  if (sendxrtnevent(window, kXrtnDragClick, &e) != 0) return;
  if (windowkind(window, kindqueryexternal)) {
    lowdrag(window);
    return;
  }
  if (window == g.msgwindow) {
    lowdrag(window);
    runmess(kWindowMoved, 0);
    return;
  }
  desk d{};
  if (getwind(window, &d) == 0 || !(windowflags(d) & kWindowDraggable)) return;
  bool moved = mydragwindow(window);
  runedit(kWindowMoved, 0, window);
  if (moved) cardsend("dragWindow", sendnormal, window);
}

void doCustomZoom(WindowRef window) {
  MainGlobals& g = mainglobals();
  if (!IsValidWindowPtr(window)) return;
  bool zoomingin = IsWindowInStandardState(window, nullptr, nullptr);
  if (!zoomingin) {
    Rect standard{};
    GetAvailableWindowPositioningBounds(greatestareascreen(structurebounds(window)), &standard);
    Rect widths{};
    GetWindowStructureWidths(window, &widths);
    standard.top = i16(standard.top + widths.top);
    standard.left = i16(standard.left + widths.left);
    standard.bottom = i16(standard.bottom - widths.bottom);
    standard.right = i16(standard.right - widths.right);
    SetWindowStandardState(window, &standard);
  }
  if (windowkind(window, kindqueryruntime) && window != g.msgwindow) {
    i16 st = cardsend(zoomingin ? "zoomWindow zoomin" : "zoomWindow zoomout", sendnormal, window);
    if (st == statusexittotop) return;
  }
  ZoomWindow(window, zoomingin ? inZoomIn : inZoomOut, false);
  if (window == g.msgwindow)
    runmess(kWindowMoved, 1);
  else
    runedit(kWindowMoved, 1, window);
}

}  // namespace kv
