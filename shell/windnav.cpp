#include "shell/windnav.h"

#include <algorithm>
#include <string>

#include "fields/fieldrecords.h"
#include "engine/hier.h"
#include "engine/lookups.h"
#include "engine/objectsend.h"
#include "render/pictbuffers.h"
#include "engine/tokens.h"
#include "media/movies.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/controlvisibility.h"
#include "render/effectqueue.h"
#include "render/effects.h"
#include "render/fielddrawing.h"
#include "render/selectionknobs.h"
#include "render/themebuttons.h"
#include "render/updateword.h"
#include "shell/cardhistory.h"
#include "shell/cardscroll.h"
#include "shell/cardwindow.h"
#include "shell/drawcase.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "shell/objectresize.h"
#include "shell/palettes.h"
#include "shell/platformutil.h"
#include "shell/windowmanage.h"
#include "shell/windowstyle.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/backtext.h"
#include "store/deskrecords.h"
#include "core/memoryguard.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "system/externalevents.h"
#include "system/windowkind.h"
#include "tools/editcommands.h"
#include "tools/paint.h"
#include "tools/paintsession.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNoCard = 51, kNoWindow = 61;
constexpr u32 kShowInvisibles = 1u << 7;

// A fresh change stamp for a window that opens or changes card; every such change also moves
// the layer change counter, so that tracking loops stop.
u64 newstamp() {
  MainGlobals& g = mainglobals();
  ++g.layerchanges;
  return ++g.usecounter;
}

bool fieldopenhere() {
  const MainGlobals& g = mainglobals();
  return g.openfield >= 0 && g.openfieldwindow == g.current.window;
}

// Puts down what is being edited in the current window before its card or window changes:
// the open field (with its messages), painting and the editing of a text graphic, then
// "mouseLeave" to the object under the mouse. -991 when a handler went elsewhere meanwhile.
i16 putdownstates(u64 stamp) {
  MainGlobals& g = mainglobals();
  if (fieldopenhere())
    if (i16 st = putdownfield()) return st;
  if (g.current.changestamp != stamp) return kCardChanged;
  bool painting = g.bmapindex >= 0, graphing = g.graphindex >= 0;
  i16 st = painting ? putdownbmap() : i16(0);
  if (graphing) putdownmodes();
  if (painting || graphing) drawedit(g.current, nullptr);
  if (st != 0) return st;
  sendmous(tok::mouseleave);
  return g.current.changestamp != stamp ? kCardChanged : i16(0);
}

bool colour() { return mainglobals().colorWorld != 0; }

// Offers the externals an event of the current window with the current event record: the
// answer of one that takes it, else -991 when a handler moved the window on, else 0.
i16 offerwindowevent(i32 code, u64 stamp) {
  MainGlobals& g = mainglobals();
  EventRecord event = g.event;
  if (i16 st = sendxrtnevent(g.current.window, code, &event)) return st;
  return g.current.changestamp != stamp ? kCardChanged : i16(0);
}

// Sends a message to the current card; a changed stamp afterwards gives -991.
i16 sendchecked(const char* message, u64 stamp) {
  i16 st = cardsend(message, sendnormal, mainglobals().current.window);
  if (st != 0) return st;
  return mainglobals().current.changestamp != stamp ? kCardChanged : i16(0);
}

// After a change of card: old unheld records and the decoded pictures go.
void purgeonchange(RegistryId store) {
  if (!mainglobals().runningosx) return;
  cleanold(store);
  purgepictbuffer();
}

void clearshowinvisibles(const desk& d) {
  windrec w = loadat<windrec>(deref(d.wind));
  if (!(w.flags & kShowInvisibles)) return;
  w.flags = w.flags & ~kShowInvisibles;
  storeat<windrec>(deref(d.wind), w);
  checkerr(changevir(d.store, i32(d.windrecid)));
}

// A window rectangle kept: stored in the window record (marked changed) and given to the
// window.
void keepwindowrect(desk& d, const Rect& r, bool frame) {
  windrec w = loadat<windrec>(deref(d.wind));
  w.rect1 = r;
  storeat<windrec>(deref(d.wind), w);
  checkerr(changevir(d.store, i32(d.windrecid)));
  if (d.window == nilid || !IsValidWindowPtr(d.window)) return;
  rectowind(r, d.window);
  if (frame) drawframe(d.window);
}

// On a change to another background: a window smaller than the "minimumSize" of the
// background (else of the window) grows to it from its top-left corner, within the screen and
// the card; then a window larger than the background is cut to it, unless windows are not
// limited and this one does not ask to be.
void limitwindow(desk& d) {
  const Rect was = loadat<windrec>(deref(d.wind)).rect1;
  Point least{};
  if (minimumsize(d, &least) && (was.right - was.left < least.h || was.bottom - was.top < least.v)) {
    Rect r = was;
    r.right = i16(std::max<i32>(r.right, r.left + least.h));
    r.bottom = i16(std::max<i32>(r.bottom, r.top + least.v));
    limitrect(&r);
    limitrectoback(&r, d);
    if (r != was) keepwindowrect(d, r, true);
  }
  const Rect now = loadat<windrec>(deref(d.wind)).rect1;
  Rect cut = now;
  limitrectoback(&cut, d);
  if (cut != now) keepwindowrect(d, cut, false);
}

// The platform window of a desk (made current while it is created): its window, scroll bars
// and placed rectangle go into it. 0, or the platform's status.
OSStatus makewindow(desk& d) {
  MainGlobals& g = mainglobals();
  desk saved = g.current;
  g.current = d;
  OSStatus st = setprocid();
  d = g.current;
  g.current = saved;
  return st;
}

// A window opened on another card starts from a white back pattern and its theme brush, in
// the port and as the window's background.
void resetthemes(const desk& d) {
  BackPat(&qdwhite);
  const i16 brush = getheme(&d);
  SetThemeBackground(brush, portdepth(GetWindowPort(d.window)), true);
  SetThemeWindowBackground(d.window, brush, false);
}

// The opening messages of a window that has just come up: "startUp" during start-up,
// "openProject" for the project's first window, then "openWindow", "openBackground" and
// "openCard".
i16 openmessages(bool project) {
  MainGlobals& g = mainglobals();
  if (g.lockMessages) return 0;
  u64 stamp = g.current.changestamp;
  if (g.startupword != 0) {
    if (g.sharedstore != nilid && g.startupword != 2) {
      g.startupword = 2;
      if (i16 st = sharesend("shareInit")) return st;
      if (g.current.changestamp != stamp) return kCardChanged;
    }
    g.startupword = 0;
    if (i16 st = sendchecked("startUp", stamp)) return st;
  }
  if (project)
    if (i16 st = sendchecked("openProject", stamp)) return st;
  for (const char* m : {"openWindow", "openBackground", "openCard"})
    if (i16 st = sendchecked(m, stamp)) return st;
  return 0;
}

// Opens window `windnum` of a project at card `cardnum` as a new window and makes it
// current. On failure everything loaded is released and a project nobody uses any more is
// closed.
i16 opennew(RegistryId store, i32 cardnum, i32 windnum, u16 hidden, bool projectmessage) {
  MainGlobals& g = mainglobals();
  desk d{};
  d.store = store;
  d.windnum = u32(windnum);
  bookentry b{};
  wordentry e{};
  i16 failure = holdrecord(store, 0, kindhead, &d.head);
  if (failure == 0) failure = holdrecord(store, 1, kindlib, &d.windlib);
  if (failure == 0 && getbook(store, d.windlib, windnum, &b) != 0) failure = kNoWindow;
  if (failure == 0) {
    d.windrecid = b.recordid;
    d.windbook = b.word4;
    failure = holdrecord(store, d.windrecid, kindwind, &d.wind);
  }
  if (failure == 0 && getword(store, d.wind, cardnum, &e) != 0) failure = kNoCard;
  if (failure == 0 && memoryrefused(cardroom(e))) failure = kNoMemory;
  if (failure == 0) failure = checkentry(store, e);
  if (failure == 0) {
    loaddeskcard(d, u32(cardnum), e);
    loaddeskback(d, e);
    if (makewindow(d) != noErr || d.window == nilid) failure = kNoMemory;
  }
  if (failure == 0) {
    putbacktexts(d);
    d.backlayer = 0;
    d.tool = kBrowseTool;
    clearshowinvisibles(d);
    d.reserved = 0;
    d.plugin = u16(g.plugin);
    d.changestamp = d.serial = newstamp();
    failure = addwind(d);
    if (failure != 0) DisposeWindow(d.window);
  }
  if (failure != 0) {
    unloaddesk(d);
    dumpfile(store);
    return failure;
  }
  g.current = d;
  purgepictbuffer();
  SetPortWindowPort(d.window);
  lowrectbar();
  buildpalette();
  // Shown where the window was placed: a window opened while a modal dialog is up stays
  // behind it.
  setinvis(hidden);
  lowfixbar();
  resizespots(g.current, 0, 0, 0);
  draweffect(1, nilid);
  addrecent();
  // A dialog or movable window ends what the user was editing before its messages go.
  const u16 style = loadat<windrec>(deref(d.wind)).word2;
  if (style == kStyleDialog || style == kStyleMovable) {
    const i16 st = putdownstuff();
    if (g.lockMessages) return st;
  }
  const bool first = projectmessage && totwind(store) == 1;
  if (first) {
    // The externals hear of a project's first window; one that takes it ends the opening.
    if (i16 st = offerwindowevent(kXrtnWindowOpened, g.current.changestamp)) return st;
  }
  return openmessages(first);
}

// Shows card `cardnum` in the current window. `opening` is openwindow's way: the tool goes
// back to browse and the window is shown or hidden by `hidden`.
i16 changecard(u32 cardnum, bool opening, u16 hidden) {
  MainGlobals& g = mainglobals();
  desk& d = g.current;
  if (cardnum == d.cardnum) {
    d.backlayer = 0;
    d.tool = kBrowseTool;
    if (opening) setinvis(hidden);
    clearshowinvisibles(d);
    if (opening && !hidden) selectwindow(d.window);
    putwind(d.window, d);
    SetPortWindowPort(d.window);
    draweffect(IsMetalWindow(d.window) ? 1 : 0, nilid);
    addrecent();
    return 0;
  }
  wordentry e{};
  if (getword(d.store, d.wind, i32(cardnum), &e) != 0) return kNoCard;
  if (memoryrefused(cardroom(e))) return kNoMemory;
  if (i16 st = checkentry(d.store, e)) return st;
  bool newback = e.backrecord != d.backrecid;
  putdownwerecs(d.cardspots, 1);
  putdownwerecs(d.backspots, 1);
  // The controls of the lists left keep their values in their objects.
  putdowncontrols(d.cardspots);
  if (newback) putdowncontrols(d.backspots);
  updateword(d);
  u32 oldcard = d.cardrecid, oldback = d.backrecid;
  if (colour()) {
    disposedeskclut(d.cardclut);
    if (newback) disposedeskclut(d.backclut);
  }
  loaddeskcard(d, cardnum, e);
  if (newback) loaddeskback(d, e);
  putbacktexts(d);
  d.backlayer = 0;
  if (opening) d.tool = kBrowseTool;
  clearshowinvisibles(d);
  // Going to another card leaves nothing selected (no marks are drawn: the card is redrawn).
  if (!opening) {
    hilitespot(d.cardspots, 1, 0);
    hilitespot(d.backspots, 1, 0);
  }
  d.changestamp = newstamp();
  if (opening) {
    setinvis(hidden);
    if (!hidden) selectwindow(d.window);
  }
  putwind(d.window, d);
  SetPortWindowPort(d.window);
  buildpalette();
  if (newback) {
    limitwindow(d);
    lowrectbar();
    lowfixbar();
  }
  // The objects follow the window's size: both layers on a new background, else the card's.
  resizespots(d, newback ? 0 : 2, 0, 0);
  if (opening) resetthemes(d);
  // The queued visual effects carry the window to the new card (a plain cut without them).
  draweffect(opening && !newback ? (IsMetalWindow(d.window) ? 1 : 0) : 1, nilid);
  addrecent();
  if (newback) {
    releasevir(d.store, oldcard);
    releasevir(d.store, oldback);
  } else {
    if (islocked(d.store)) clearvir(d.store);
    releasevir(d.store, oldcard);
    checkerr(savevir(d.store, i32(d.backrecid)));
  }
  checkerr(flushstar(d.store));
  purgeonchange(d.store);
  if (g.lockMessages) return 0;
  u64 stamp = d.changestamp;
  if (newback)
    if (i16 st = sendchecked("openBackground", stamp)) return st;
  return sendchecked("openCard", stamp);
}

// Leaves the current card when the window is to show card `cardnum`: the editing states are
// put down, then "closeCard", and "closeBackground" when the background changes; a field
// still open is closed without messages.
i16 closecard(u32 cardnum, u64 stamp) {
  MainGlobals& g = mainglobals();
  if (cardnum == g.current.cardnum) return 0;
  wordentry e{};
  if (getword(g.current.store, g.current.wind, i32(cardnum), &e) != 0) return kNoCard;
  bool newback = e.backrecord != g.current.backrecid;
  if (i16 st = putdownstates(stamp)) return st;
  // The layers left only note the window's size when they have none yet.
  resizespots(g.current, newback ? 0 : 2, 1, 0);
  if (!g.lockMessages) {
    if (i16 st = sendchecked("closeCard", stamp)) return st;
    if (newback)
      if (i16 st = sendchecked("closeBackground", stamp)) return st;
  }
  if (fieldopenhere()) putdownfieldutil();
  return 0;
}

// Reads and checks what a window that is not open needs before anything is taken down: its
// book entry, its window record, the card's word entry, the memory for the card and its
// background, and the entry's records. 0, or the status that refuses it.
i16 checktarget(RegistryId store, i32 cardnum, i32 windnum) {
  Handle lib = nilhandle, wind = nilhandle;
  bookentry b{};
  wordentry e{};
  i16 failure = holdrecord(store, 1, kindlib, &lib);
  if (failure != 0) return failure;
  if (getbook(store, lib, windnum, &b) != 0) failure = kNoWindow;
  if (failure == 0) failure = holdrecord(store, b.recordid, kindwind, &wind);
  if (failure == 0) {
    if (getword(store, wind, cardnum, &e) != 0) failure = kNoCard;
    releasevir(store, b.recordid);
  }
  releasevir(store, 1);
  if (failure == 0 && memoryrefused(cardroom(e))) failure = kNoMemory;
  if (failure == 0) failure = checkentry(store, e);
  return failure;
}

// Shows the card of another window, or of this one.
i16 gotosecond(RegistryId store, i32 cardnum, i32 windnum) {
  MainGlobals& g = mainglobals();
  if (store == g.current.store && u32(windnum) == g.current.windnum)
    return changecard(cardnum == kThisCard ? g.current.cardnum : u32(cardnum), false, 0);
  bool sameproject = store == g.current.store;
  desk target{};
  bool open = haswind(store, u32(windnum), &target);
  if (!open) {
    // The target is read and checked first: a refusal leaves the current window as it is.
    i16 refused = cardnum == kThisCard ? kNoCard : checktarget(store, cardnum, windnum);
    if (refused != 0) {
      if (!sameproject && totwind(store) == 0) dumpfile(store);
      return refused;
    }
  }
  // The project stays open while the current window goes.
  holdvir(store, 0);
  dumpcurrent();
  i16 st = 0;
  if (open) {
    g.current = target;
    selectwindow(target.window);
    st = changecard(cardnum == kThisCard ? target.cardnum : u32(cardnum), false, 0);
  } else {
    st = opennew(store, cardnum, windnum, 0, !sameproject);
  }
  releasevir(store, 0);
  if (totwind(store) == 0) dumpfile(store);
  return st;
}

}  // namespace

void putbacktexts(const desk& d) {
  cardrec c = loadat<cardrec>(deref(d.card));
  putbacktext(d.backspots, c.backtext);
  putbacktextextras(d.backspots, c.alt);
  resetbgfields(d.backspots);
  settextowner(d.store, d.backrecid, d.cardrecid);
}

i16 openwindow(const form& f, u16 shared, u16 hidden) {
  MainGlobals& g = mainglobals();
  ++g.layerchanges;
  RegistryId store = nilid;
  i32 cardnum = 0, windnum = 0;
  if (i16 e = formtonums(f, &store, &cardnum, &windnum, i16(shared))) return e;
  desk target{};
  if (!haswind(store, u32(windnum), &target)) {
    if (cardnum == kThisCard) {
      if (totwind(store) == 0) dumpfile(store);
      return kNoCard;
    }
    cleareffect(0);
    return opennew(store, cardnum, windnum, hidden, true);
  }
  g.current = target;
  u32 card = cardnum == kThisCard ? target.cardnum : u32(cardnum);
  if (i16 st = closecard(card, g.current.changestamp)) return st;
  return changecard(card, true, hidden);
}

i16 gotowindow(const form& f) {
  MainGlobals& g = mainglobals();
  ++g.layerchanges;
  RegistryId store = nilid;
  i32 cardnum = 0, windnum = 0;
  if (i16 e = formtonums(f, &store, &cardnum, &windnum, 0)) return e;
  if (g.current.window == nilid) {
    // Nothing is open: the window comes up as openwindow would bring it.
    if (cardnum == kThisCard) return kNoCard;
    return opennew(store, cardnum, windnum, 0, true);
  }
  u64 stamp = g.current.changestamp;
  i16 st = 0;
  if (store == g.current.store && u32(windnum) == g.current.windnum) {
    st = closecard(cardnum == kThisCard ? g.current.cardnum : u32(cardnum), stamp);
  } else if (store == g.current.store) {
    st = putdownstates(stamp);
    if (st == 0) resizespots(g.current, 0, 1, 0);
    if (st == 0 && !g.lockMessages) {
      for (const char* m : {"closeCard", "closeBackground", "closeWindow"})
        if (st == 0) st = sendchecked(m, stamp);
    }
    cleareffect(1);
    if (st == 0 && fieldopenhere()) putdownfieldutil();
    GetRidOfThatSheetNow(&g.current);
  } else {
    st = closefirst();
  }
  if (st == 0 && fieldopenhere()) {
    // A field a closing handler opened is put down too; a handler that moved on wins.
    u64 changes = g.layerchanges;
    st = putdownfield();
    if (st == 0 && (g.layerchanges != changes || fieldopenhere())) st = kCardChanged;
  }
  if (st == 0) st = formtonums(f, &store, &cardnum, &windnum, 0);
  if (st != 0) {
    // A project opened only to be gone to is closed again.
    if (store != g.current.store && totwind(store) == 0) dumpfile(store);
    return st;
  }
  return gotosecond(store, cardnum, windnum);
}

i16 closefirst() {
  MainGlobals& g = mainglobals();
  ++g.layerchanges;
  u64 stamp = g.current.changestamp;
  if (fieldopenhere())
    if (i16 st = putdownfield()) return st;
  if (g.current.changestamp != stamp) return kCardChanged;
  putdownmodes();
  if (g.lockMessages && fieldopenhere()) putdownfieldutil();
  sendmous(tok::mouseleave);
  if (g.current.changestamp != stamp) return kCardChanged;
  const bool lastofproject = !g.reopeningwindow && totwind(g.current.store) == 1;
  if (!g.lockMessages) {
    for (const char* m : {"closeCard", "closeBackground"})
      if (i16 st = sendchecked(m, stamp)) return st;
    i16 st = cardsend("closeWindow", sendnormal, g.current.window);
    if (st != 0) return st;
    GetRidOfThatSheetNow(&g.current);
    if (g.current.changestamp != stamp) return kCardChanged;
    if (lastofproject)
      if (i16 s = sendchecked("closeProject", stamp)) return s;
  }
  // The externals hear of a project's last window whether messages are locked or not; one may
  // keep it open.
  if (lastofproject) {
    if (i16 st = offerwindowevent(kXrtnWindowClosing, stamp)) return st;
  }
  dumpmoovs(g.current.window, false);
  if (fieldopenhere()) putdownfieldutil();
  putdownwerecs(g.current.cardspots, 1);
  putdownwerecs(g.current.backspots, 1);
  putdowncontrols(g.current.cardspots);
  putdowncontrols(g.current.backspots);
  GetRidOfThatSheetNow(&g.current);
  return 0;
}

void dumpcurrent() {
  MainGlobals& g = mainglobals();
  desk d = g.current;
  if (findprojectstore(d.store) == nullptr) return;
  // The fields' live records go with the window (a changed one writes its text back first),
  // then the buttons' controls (keeping their values).
  putdownwerecs(d.cardspots, 1);
  putdownwerecs(d.backspots, 1);
  putdowncontrols(d.cardspots);
  putdowncontrols(d.backspots);
  paintwindowclosing(d.window);
  // A project whose file cannot be written forgets its changes rather than failing to write
  // them back.
  if (islocked(d.store)) clearvir(d.store);
  else updateword(d);
  unloaddesk(d);
  checkerr(flushstar(d.store));
  dumpmoovs(d.window, false);
  dumpwind(d.window);
  g.current = desk{};
  dumpfile(d.store);
  if (IsValidWindowPtr(d.window)) {
    HideWindow(d.window);
    if (!g.reopeningwindow) {
      while (cleanhier() != 0) {
      }
      purgepictbuffer();
      GetRidOfThatSheetNow(&d);
      DisposeWindow(d.window);
    }
  }
}

}  // namespace kv
