#include "shell/mainloop.h"

#include "engine/insertscripts.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/runblock.h"
#include "engine/scripterror.h"
#include "engine/tokens.h"
#include "media/mediaservice.h"
#include "platform/backend/backend.h"
#include "properties/cursors.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "render/drawservices.h"
#include "render/effectqueue.h"
#include "render/offscreen.h"
#include "shell/cardwindow.h"
#include "shell/resourcedialogs.h"
#include "shell/eventdispatch.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/palettes.h"
#include "shell/menus.h"
#include "shell/messagebox.h"
#include "core/runservices.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/commitpoints.h"
#include "system/appleevents.h"
#include "system/dialer.h"
#include "system/externalevents.h"
#include "system/windowkind.h"

namespace kv {

namespace {

struct MainLoopState {
  bool gotevent = false;  // the previous pass took an event
  u32 now = 0;            // the pass's tick count
  bool started = false;
  // The pass limit of the loop running: passes done, and the statement ticks at the start of
  // the pass under way.
  u32 passlimit = 0;
  u32 passes = 0;
  u64 statementsfrom = 0;
};

MainLoopState& ls() { return state<MainLoopState>(); }

// The window of a desk in the table, by position (the table may change between reads).
WindowRef tablewindow(i16 i) {
  const MainGlobals& g = mainglobals();
  if (g.winds == nilhandle || i >= g.numwinds || Size(i) >= HandleCount<desk>(g.winds)) return nilid;
  return HandleAs<desk>(g.winds)[i].window;
}

// Step 4: windows whose drawing a script suppressed (their port's pen left hidden) get their
// pen back and are redrawn whole.
void redrawhidden() {
  const MainGlobals& g = mainglobals();
  for (i16 i = 0; i < g.numwinds; ++i) {
    WindowRef w = tablewindow(i);
    if (w == nilid || !IsValidWindowPtr(w)) continue;
    CGrafPtr port = GetWindowPort(w);
    if (port == nilid || GetPortPenVisibility(port) >= 0) continue;
    GrafPtr saved = nilid;
    GetPort(&saved);
    SetPort(port);
    while (GetPortPenVisibility(port) < 0) ShowPen();
    SetPort(saved);
    runmain(kWindowDraw, 0, w);
  }
}

bool modalfront(WindowRef front) {
  WindowClass c = 0;
  return front != nilid && GetWindowClass(front, &c) == noErr &&
         (c == kModalWindowClass || c == kMovableModalWindowClass);
}

void arrow() { SetCursor(&arrowcursor()); }

void arrowunlocked() {
  if (!mainglobals().lockCursor) arrow();
}

}  // namespace

void passreset() {
  MainGlobals& g = mainglobals();
  g.doubleclick = 0;
  g.senddepth = 0;
  g.calllevel = -1;
  clearerror();
  g.repeatindex = -1;
  g.switchindex = -1;
  trimrepeatque();
  trimswitchque();
  g.trydepth = 0;
  g.lockMessages = 0;
  g.lockRecent = 0;
  g.dragSpeed = 0;
  g.remapColor = 1;
  initformat();
  cleareffect(1);
  // The inserted-script slots are serviced with the pass (nothing in between runs scripts).
  checkusings();
}

bool mainpass() {
  MainGlobals& g = mainglobals();
  MainLoopState& s = ls();
  if (!s.started) {
    s.started = true;
    s.now = TickCount();
    eventloopstate().inmainloop = 1;
  }
  // 1. Front-process state.
  checkfront();
  // 2. Per-pass resets.
  passreset();
  // 3. The menu bar, once the program is in front.
  if (g.lockMenus && !g.notfront) {
    g.lockMenus = 0;
    buildmenubar();
    drawmenubar();
  }
  // 4. Drawing that a script left suppressed.
  redrawhidden();
  // 5. Periodic services: sounds, the scripted dialogs still loaded, tool tips, printing.
  checksound(s.now);
  checkdialogs();
  checktooltip(s.now);
  checkprinting();
  if (g.busycursordue != 0 || g.busycursorstep != 0) checkbusycursor(s.now);
  // 6. A drag that has ended; the requests set aside while a file dialog was up; the request
  // dispatcher's flag.
  if (g.dragref != 0 && !Button()) g.dragref = 0;
  if (aerequeststate().aependingevent != 0) resumesetaside();
  eventloopstate().aehandling = 0;
  // 7. Window buffers.
  if (g.flushwanted) checkflush(s.now);
  // 8. The next event: the events externals posted are delivered first, then the internal
  // queue.
  sendxrtnposted();
  EventRecord e{};
  bool got = FetchEventFromInternalQueue(&e) != 0;
  if (!got) {
    u32 sleep = 0;
    if (!s.gotevent) {
      i32 t = (g.dragref != 0 || !g.notfront) ? g.fgSleepTime : g.bgSleepTime;
      sleep = t < 0 ? 0 : u32(t);
    }
    got = WaitNextEvent(everyEvent, &e, sleep);
  }
  // A quit asked while no script ran stops none of the scripts it runs itself.
  forgetscriptstop();
  g.event = e;
  // 9. Dispatch: the event is one change, committed when it has been handled.
  {
    ChangeScope change;
    HandleEvent(got ? 1 : 0, s.now);
  }
  // 10. After the event: the dialer's port closes once its hang-up time has passed.
  if (dialerstate().hanguptime != 0) checkdialing(0, e.when);
  if (got) g.contextualclick = 0;
  s.gotevent = got;
  s.now = TickCount();
  eventloopstate().inmainloop = 1;
  return got;
}

void mainloop(const LoopLimits& limits) {
  MainLoopState& s = ls();
  u32 idle = 0;
  s.passlimit = limits.maxpasses;
  s.passes = 0;
  while (!runending()) {
    s.statementsfrom = statementticks();
    notepassbegins();
    bool got = mainpass();
    ++s.passes;
    idle = (got || backend().inputpending()) ? 0 : idle + 1;
    if (limits.maxpasses && s.passes >= limits.maxpasses) break;
    if (limits.idlepasses && idle >= limits.idlepasses) break;
  }
  s.passlimit = 0;
}

void setpasslimit(u32 passes) {
  MainLoopState& s = ls();
  s.passlimit = passes;
  s.passes = 0;
  s.statementsfrom = statementticks();
}

bool passlimitreached() {
  if (!hasstate<MainLoopState>()) return false;
  const MainLoopState& s = ls();
  return s.passlimit != 0 && u64(s.passes) + (statementticks() - s.statementsfrom) >= s.passlimit;
}

i16 getnextevent(EventMask mask, EventRecord* event) {
  sendxrtnposted();
  mask = eventloopstate().inmainloop ? EventMask(mask | osMask) : EventMask(mask & ~osMask);
  if (!WaitNextEvent(mask, event, 0)) return 0;
  if (event->what != osEvt) return 1;
  if ((event->message >> 24) == suspendResumeMessage) mfswitch(u16(event->message & resumeFlag));
  return 0;
}

void checkidle() {
  MainGlobals& g = mainglobals();
  resyncoffscreen();
  g.abortkey = 0;
  WindowRef front = FrontWindow();
  if (front != nilid && GetWindowKind(front) < 0) return;
  if (msgvisible() && g.openfield < 0) runmess(kWindowIdle, g.event.message);
  WindowRef top = nilid;
  if (topwindow(&top)) runmain(kWindowIdle, g.event.message, top);
}

void checkcursor() {
  MainGlobals& g = mainglobals();
  if (g.notfront) return;
  Point where = g.event.where;
  WindowRef w = nilid;
  i16 part = FindWindow(where, &w);
  bool tracked = false;  // step 5: the window part's cursor
  if (part == inContent && w != nilid) {
    if (!windowkind(w, kindqueryruntime)) {
      tracked = true;
    } else if (windowkind(w, kindqueryfloating)) {
      WindowRef front = FrontWindow();
      if (g.allowModal && modalfront(front) && !windowkind(front, kindqueryfloating)) {
        arrow();
        return;
      }
      SetPortWindowPort(w);
      Point local = where;
      GlobalToLocal(&local);
      runmain(kWindowMouse, pointword(local), w);
      return;
    } else {
      // The front window of the document layer: the palettes and the tool tip above it do
      // not keep the mouse messages from the window under them.
      WindowRef top = nilid;
      topwindow(&top);
      if (w == top && w == FrontNonFloatingWindow()) {
        SetPortWindowPort(w);
        Point local = where;
        GlobalToLocal(&local);
        runmain(kWindowMouse, pointword(local), w);
        return;
      }
      tracked = true;
    }
  } else if (w != nilid) {
    tracked = true;
  }
  if (tracked) {
    if (part >= inContent && part <= inZoomOut) {
      EventRecord e = g.event;
      sendxrtnevent(w, kXrtnCursorPart, &e);
    }
    if (!windowkind(w, kindqueryexternal)) arrowunlocked();
  } else {
    arrowunlocked();
  }
  if (g.mouseobject < 0) return;
  // The object under the mouse is left: its window becomes current and it hears "mouseLeave".
  desk d{};
  if (getwind(eventloopstate().mousewindow, &d)) g.current = d;
  sendmous(tok::mouseleave);
}

void mfswitch(u16 resume) {
  MainGlobals& g = mainglobals();
  lockscreen();
  checkfront();
  if (resume) eventloopstate().systemmessage = 1;
  if (g.numwinds > 0) {
    EventRecord e = g.event;
    if (sendxrtnevent(nilid, resume ? kXrtnResume : kXrtnSuspend, &e) == 0)
      cardsend(resume ? "resume" : "suspend", sendnormal, g.current.window);
  }
  if (resume) {
    eventloopstate().systemmessage = 0;
    eventloopstate().redrawafteractivate = 1;
    if (shellmenustate().menubarmaybedrawn && !IsMenuBarVisible()) ShowMenuBar();
    if (!shellmenustate().menubarmaybedrawn && IsMenuBarVisible()) HideMenuBar();
    checkpalettealpha();
    showHidePalettes(1);
    if (g.singleWindowLayer || g.dontHidePalettes) bringapptofront(1);
    orderwindows();
    hilitewindows();
    buildmenubar();
    shellmenustate().menubarbuilt = 1;
  } else {
    shellmenustate().menubarwasvisible = IsMenuBarVisible() ? 1 : 0;
    showHidePalettes(0);
    g.notfront = 1;
    for (WindowRef w : windowlist())
      if (IsWindowVisible(w) && windowkind(w, kindqueryruntime)) hiliteone(w, 0);
  }
  unlockscreen();
}

i16 dclick(Point where, u32 when) {
  MainGlobals& g = mainglobals();
  Point last = eventloopstate().lastclickpoint;
  bool near = last.h >= where.h - 2 && last.h < where.h + 2 && last.v >= where.v - 2 && last.v < where.v + 2;
  bool soon = when - eventloopstate().lastclicktime <= GetDblTime();
  g.doubleclick = near && soon ? 1 : 0;
  eventloopstate().lastclickpoint = where;
  eventloopstate().lastclicktime = when;
  return g.doubleclick;
}

}  // namespace kv
