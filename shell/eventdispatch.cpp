#include "shell/eventdispatch.h"

#include "commands/find.h"
#include "engine/objectsend.h"
#include "media/mediaservice.h"
#include "platform/dialogs/dialogs.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/memory/memory.h"
#include "platform/text/casefold.h"
#include "platform/qd/ports.h"
#include "platform/windows/cursor.h"
#include "render/controlvisibility.h"
#include "shell/cardscroll.h"
#include "shell/cardwindow.h"
#include "core/debugmsg.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/menus.h"
#include "shell/menusets.h"
#include "shell/messagebox.h"
#include "shell/metal.h"
#include "shell/palettes.h"
#include "shell/projectclose.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/records.h"
#include "system/appleevents.h"
#include "system/externalevents.h"
#include "system/windowkind.h"

namespace kv {

namespace {

// The size of the grow area of a metal window's bottom-right corner.

EventRecord& current() { return mainglobals().event; }

i16 offer(WindowRef window, i32 code) {
  EventRecord e = current();
  return sendxrtnevent(window, code, &e);
}

bool modalclass(WindowRef w) {
  WindowClass c = 0;
  return w != nilid && GetWindowClass(w, &c) == noErr && (c == kModalWindowClass || c == kMovableModalWindowClass);
}

void arrow() { SetCursor(&arrowcursor()); }

Rect portglobal(WindowRef w) {
  Rect r{};
  GetWindowBounds(w, kWindowContentRgn, &r);
  return r;
}

bool inrect(const Rect& r, Point p) { return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom; }

// A click handed to a window's handler in its local coordinates: a project window's are its
// card's, the port's origin at the card's scroll position.
void clickinto(WindowRef w) {
  MainGlobals& g = mainglobals();
  if (w == g.msgwindow) {
    runmess(kWindowClick, pointword(current().where));
    return;
  }
  if (desk d{}; getwind(w, &d)) {
    BorrowDesk borrowed(d);
    SetPortWindowPort(w);
    lowclipup();
  }
  SetPortWindowPort(w);
  Point local = current().where;
  GlobalToLocal(&local);
  runedit(kWindowClick, pointword(local), w);
}

// "menuBarClick" to the current card, then the menu is tracked and its choice carried out; a
// failing handler cancels the menu and the mouse events waiting.
void menubarclick() {
  MainGlobals& g = mainglobals();
  arrow();
  if (cardsend("menuBarClick", sendnormal, g.current.window) != 0) {
    FlushEvents(mDownMask | mUpMask, 0);
    return;
  }
  docommand(MenuSelect(current().where));
}

// A click that goes into a window: offered to the externals, then to the window's handler.
void contentinto(WindowRef w) {
  MainGlobals& g = mainglobals();
  if (g.contextualclick) current().modifiers = u16(current().modifiers | controlKey);
  if (offer(w, kXrtnContentClick) != 0) return;
  if (windowkind(w, kindqueryexternal) || !windowkind(w, kindqueryruntime)) return;
  clickinto(w);
}

void contentclick(WindowRef w) {
  MainGlobals& g = mainglobals();
  if (IsGrowClickInMetalWindow(w, current().where)) {
    HandleGrowClick(w);
    return;
  }
  if (windowkind(w, kindquerycover)) return;
  if (!windowkind(w, kindqueryanyruntime)) {
    SelectWindow(w);
    return;
  }
  if (w == g.msgwindow) {
    if (FrontWindow() == w) contentinto(w);
    else selectwindow(w);
    return;
  }
  WindowRef firstdoc = nilid, lastdoc = nilid, firstfloat = nilid, lastfloat = nilid;
  locatewindows(&firstdoc, &lastdoc, &firstfloat, &lastfloat);
  if (w == firstdoc || w == firstfloat) {
    contentinto(w);
  } else if (windowkind(w, kindqueryfloating)) {
    selectwindow(w);
    contentinto(w);
  } else {
    // A window behind only comes forward: the click does not reach its content.
    selectwindow(w);
    putdownfield();
    putdownmodes();
    setmetaleraseprocs(GetWindowPort(w));
  }
}

void closeclick(WindowRef w) {
  MainGlobals& g = mainglobals();
  if (!TrackGoAway(w, current().where)) return;
  if (w == g.msgwindow) {
    hidemes();
  } else if (offer(w, kXrtnCloseClick) == 0) {
    if (windowkind(w, kindqueryexternal)) {
      DisposeWindow(w);
    } else {
      desk d{};
      if (getwind(w, &d)) g.current = d;
      closewindow();
    }
  }
  hilitewindows();
}

void zoomclick(WindowRef w, i16 part) {
  MainGlobals& g = mainglobals();
  if (!TrackBox(w, current().where, part)) return;
  bool standard = IsWindowInStandardState(w, nullptr, nullptr);
  if (offer(w, standard ? kXrtnZoomStandard : kXrtnZoomUser) != 0) return;
  desk d{};
  if (!getwind(w, &d)) return;
  g.current = d;
  doCustomZoom(w);
}

void mousedown() {
  MainGlobals& g = mainglobals();
  clearfind();
  cleartooltip();
  Point where = current().where;
  // A click on a sheet goes to its buttons; a button hit comes back as sheetButton.
  if (sheetevent(&current())) return;
  WindowRef front = FrontWindow();
  if (front != nilid && windowkind(front, kindqueryproject) && g.allowModal && modalclass(front) &&
      !windowkind(front, kindqueryfloating)) {
    WindowRef w = nilid;
    i16 part = FindWindow(where, &w);
    if (part == inDrag && w == front) {
      HandleDragClick(front);
    } else if (part == inMenuBar) {
      if (currentnumlines() > 0) menubarclick();
    } else if (inrect(portglobal(front), where)) {
      clickinto(front);
    } else {
      KVBeep(3);
    }
    return;
  }
  WindowRef w = nilid;
  i16 part = FindWindow(where, &w);
  switch (part) {
    case inMenuBar:
      if (eventloopstate().inmainloop) menubarclick();
      break;
    case inContent: {
      // A window that is not active may keep itself back, or keep the click from its content
      // (the backdrop does both).
      const u32 activation = w == ActiveNonFloatingWindow() ? kActivateAndHandleClick
                                                            : windowclickactivation(w, where, current().modifiers);
      if (activation == kActivateAndHandleClick) contentclick(w);
      else if (activation == kActivateAndIgnoreClick) selectwindow(w);
      else if (activation == kDoNotActivateAndHandleClick) contentinto(w);
      break;
    }
    case inDrag: HandleDragClick(w); break;
    case inGrow: HandleGrowClick(w); break;
    case inGoAway: closeclick(w); break;
    case inZoomIn:
    case inZoomOut: zoomclick(w, part); break;
    case inCollapseBox: offer(w, kXrtnCollapseClick); break;
    case inProxyIcon: offer(w, kXrtnProxyClick); break;
    default: KVBeep(0); break;
  }
}

// A command key that a menu may take: any character with the modern look, else a printable one.
bool menucharacter(u8 ch) { return mainglobals().modernLook || (ch >= 0x20 && ch <= 0xD8 && ch != 0x7F); }

// The project's items in the Help menu answer their command keys here: the first item of the
// Help line's menu with that key (letters of either case) is chosen.
bool helpmenukey(u8 ch) {
  MenuRef help = nilid;
  if (HMGetHelpMenu(&help, nullptr) != noErr) return false;
  i16 n = currentnumlines();
  for (i32 i = 0; i < n; ++i) {
    menuline line = lineat(i);
    if (line.placement != placehelp) continue;
    for (i32 k = 0; k < menuitemcount(line); ++k) {
      menuitem it = loadat<menuitem>(deref(line.items) + Size(k) * Size(sizeof(menuitem)));
      u8 key = u8(it.word0);
      if (key == 0 || lowerchar(key) != lowerchar(ch)) continue;
      HiliteMenu(kHMHelpMenuID);
      docommand(menuresult(i16(i + 1), i16(k + 1)));
      return true;
    }
  }
  return false;
}

void menucommand(u8 ch) {
  MainGlobals& g = mainglobals();
  WindowRef top = nilid;
  topwindow(&top);
  desk d{};
  if (getwind(top, &d) && d.plugin) return;
  if (g.allowModal && modalclass(top) && !windowkind(top, kindqueryfloating)) {
    sendmenukey(ch);
    return;
  }
  if (currentnumlines() > 0) {
    i32 r = g.modernLook ? MenuEvent(current()) : MenuKey(ch);
    if (menuresultid(r) != 0) {
      docommand(r);
      return;
    }
    if (shellmenustate().helpmenushown && helpmenukey(ch)) return;
  }
  sendmenukey(ch);
}

void typedkey() {
  MainGlobals& g = mainglobals();
  u32 message = current().message;
  u8 ch = u8(message & charCodeMask);
  if (ch != 13 && ch != 3) clearfind();
  // The top project window takes the key: its card window hands it to an open field, to the
  // card's key messages, or to the message box while that is shown. With no project window
  // the message box takes it.
  WindowRef top = nilid;
  if (topwindow(&top)) {
    runedit(kWindowKey, message, top);
    return;
  }
  if (g.msgwindow != nilid && msgvisible()) runmess(kWindowKey, message);
}

void keydown(bool autokey) {
  MainGlobals& g = mainglobals();
  u8 ch = u8(current().message & charCodeMask);
  bool command = (current().modifiers & cmdKey) != 0;
  if (!autokey) {
    if (offer(nilid, kXrtnKeyDown) != 0) return;
    if (command && menucharacter(ch)) {
      menucommand(ch);
      return;
    }
  } else {
    if (offer(nilid, kXrtnAutoKey) != 0) return;
    if (command && (g.modernLook || !(ch < 0x20 || ch > 0xD8 || ch == 0x7F))) return;
  }
  typedkey();
}

void update() {
  MainGlobals& g = mainglobals();
  WindowRef w = current().message;
  if (offer(w, kXrtnUpdate) != 0) return;
  if (windowkind(w, kindqueryexternal)) {
    BeginUpdate(w);
    EndUpdate(w);
  } else {
    updatewindow(w, g.dropunderway ? 0 : 1);
  }
  offer(w, kXrtnUpdated);
}

void activate() {
  MainGlobals& g = mainglobals();
  if (eventloopstate().activating) return;
  eventloopstate().activating = 1;
  orderwindows();
  hilitewindows();
  WindowRef w = g.current.window;
  if (w != nilid) {
    if (offer(w, kXrtnActivate) != 0) {
      eventloopstate().activating = 0;
      return;
    }
    if (windowkind(w, kindqueryexternal)) {
      putdownfield();
      putdownmodes();
    } else {
      eventloopstate().redrawafteractivate = 1;
    }
  }
  eventloopstate().activating = 0;
}

// The top project window's change is announced at the null event after it: "selectProject"
// when it belongs to another project, "selectWindow" when it is another window.
void announcetop() {
  MainGlobals& g = mainglobals();
  WindowRef top = nilid;
  topwindow(&top);
  if (top == nilid || !IsWindowVisible(top) || !windowkind(top, kindqueryproject) || g.numwinds <= 0) return;
  desk d{};
  if (!getwind(top, &d)) return;
  bool known = eventloopstate().topserial != 0 && eventloopstate().topstore != nilid;
  if (known && d.store != eventloopstate().topstore && !d.plugin) cardsend("selectProject", sendnormal, top);
  if (known && d.serial != eventloopstate().topserial && !d.plugin && IsValidWindowPtr(top))
    cardsend("selectWindow", sendnormal, top);
  eventloopstate().topserial = d.serial;
  eventloopstate().topstore = d.store;
}

void nullevent() {
  MainGlobals& g = mainglobals();
  if (offer(nilid, kXrtnNullEvent) != 0) return;
  // Animated controls of the current window move on.
  if (g.current.window != nilid) IdleControls(g.current.window);
  if (g.paletteOpacity < 100) checkpalettealpha();
  announcetop();
  if (!g.allowMouseMessages && g.lockCursor) {
    checkidle();
  } else {
    checkcursor();
    checkidle();
  }
  eventloopstate().toolclick = 0;
  g.polyinprogress = 0;
}

}  // namespace

void HandleEvent(i16 gotevent, u32) {
  // Every event goes to the movie service while the open-movie table holds an entry (the
  // movieIdle switch only tells the cursor whether movies count).
  if (playingmovies() != 0 && checkmovies(current()) != 0) return;
  // Animated controls take their turn.
  if (mainglobals().controlidle) checkcontrols(TickCount());
  if (!gotevent || offer(nilid, kXrtnEveryEvent) != 0) {
    nullevent();
    return;
  }
  switch (current().what) {
    case mouseDown: mousedown(); break;
    case keyDown: keydown(false); break;
    case autoKey: keydown(true); break;
    case updateEvt: update(); break;
    case diskEvt: HandleFakeDiskEvent(); break;
    case activateEvt: activate(); break;
    case osEvt:
      if ((current().message >> 24) == suspendResumeMessage) mfswitch(u16(current().message & resumeFlag));
      break;
    case kHighLevelEvent:
      if (offer(nilid, kXrtnHighLevel) == 0) doapplevent(current());
      break;
    default: break;
  }
}

}  // namespace kv
