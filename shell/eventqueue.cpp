#include "shell/eventqueue.h"

#include <cstdio>
#include <functional>
#include <string>

#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "platform/backend/backend.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/process/exit.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "platform/windows/compositor.h"
#include "platform/windows/screens.h"
#include "core/memoryguard.h"
#include "shell/cardwindow.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/messagebox.h"
#include "core/runservices.h"
#include "shell/volumes.h"
#include "shell/windtable.h"
#include "system/externalevents.h"
#include "system/windowkind.h"

namespace kv {

namespace {

constexpr i16 kStopped = 48;
constexpr i16 kExitToTop = -998;
constexpr i16 kNoMemory = 37;
constexpr u32 kPollInterval = 30;
// The window property holding the tick of a window's last buffer flush.
constexpr u32 kFlushCreator = fourcc("VIZU");
constexpr u32 kFlushTag = fourcc("FTIM");

struct PollState {
  PollState() = default;
  PollState(const PollState&) = delete;
  PollState& operator=(const PollState&) = delete;
  ~PollState() { runservicesdetail::abortcheckset = false; }
  u32 nextclick = 0;                   // the tick after which isclick may look again
  u32 nextabort = 0;                   // the tick after which isabort may look again
  u32 lastlimitcheck = 0;              // the tick at which isabort last looked at the run's limits
  bool abortwent = false;              // an abort held back by the option key answered 0 already
  std::function<i16(u32)> abortcheck;  // injected by tests
  u32 lastflush = 0;                   // the tick of the last flush pass
  bool ownknown = false;               // the program's own serial number, fetched on first use,
  ProcessSerialNumber own{0, 0};       // for each of the two front tests
  bool ownknown2 = false;
  ProcessSerialNumber own2{0, 0};
};

PollState& ps() { return state<PollState>(); }

bool isfront(bool* known, ProcessSerialNumber* own) {
  if (!*known) {
    GetCurrentProcess(own);
    *known = true;
  }
  ProcessSerialNumber front{};
  GetFrontProcess(&front);
  return front == *own;
}

// Sends a volume message with the volume's name to the current card. The name is written as a
// quoted literal that gives back the same text (a quote, return or line feed in a label joins
// it as its constant), so that a label can neither break the message nor run as script. A
// script error is reported by the send itself.
void sendvolume(const char* message, ConstStringPtr name) {
  std::string text = std::string(message) + " \"";
  for (u8 c : pstringview(name)) {
    if (c == '"') text += "\" & quote & \"";
    else if (c == '\r') text += "\" & return & \"";
    else if (c == '\n') text += "\" & lineFeed & \"";
    else text += char(c);
  }
  text += '"';
  cardsend(text, sendnormal, mainglobals().current.window);
}

void flushwindow(WindowRef window, u32 now) {
  presentscreen();
  u64 tick = now;
  SetWindowProperty(window, kFlushCreator, kFlushTag, sizeof tick, &tick);
}

}  // namespace

void PostEventToInternalQueue(const EventRecord& event) {
  MainGlobals& g = mainglobals();
  if (g.internalqueue == nilhandle) {
    g.internalqueue = NewHandle(0);
    if (g.internalqueue == nilhandle) return;
  }
  PtrAndHand(&event, g.internalqueue, Size(sizeof event));  // no memory: the event is dropped
}

i16 FetchEventFromInternalQueue(EventRecord* out) {
  Handle q = mainglobals().internalqueue;
  if (q == nilhandle || GetHandleSize(q) < Size(sizeof(EventRecord))) return 0;
  *out = HandleAs<EventRecord>(q)[0];
  Munger(q, 0, nullptr, Size(sizeof(EventRecord)), "", 0);
  return 1;
}

OSStatus PeditRTHandleDiskEvent(EventHandlerCallRef call, EventRef event, u32 userdata) {
  enterCarbonEvent(call, event, userdata);
  i16 volume = 0;
  if (GetEventParameter(event, kEventParamDirectObject, typeFSVolumeRefNum, nullptr, sizeof volume, nullptr, &volume) !=
      noErr)
    volume = 0;
  EventRecord disk{};
  disk.what = diskEvt;
  u32 kind = GetEventKind(event);
  disk.message = kind == kEventVolumeMounted ? kDiskMounted : kind == kEventVolumeUnmounted ? kDiskUnmounted : 0;
  disk.when = TickCount();
  disk.where = Point{0, 0};
  disk.modifiers = u16(volume);
  PostEventToInternalQueue(disk);
  exitCarbonEvent();
  return noErr;
}

void HandleFakeDiskEvent() {
  MainGlobals& g = mainglobals();
  EventRecord e = g.event;
  if (sendxrtnevent(nilid, kXrtnDiskEvent, &e) != 0) return;
  i16 volume = i16(e.modifiers);
  Str255 name{};
  if (e.message == kDiskMounted) {
    addVolumeToList(u16(volume), name);
    sendvolume("volumeMount", name);
  } else if (e.message == kDiskUnmounted) {
    removeVolumeFromList(u16(volume), name);
    WindowRef w = g.current.window;
    if (w != nilid && w != WindowRef(-1) && IsValidWindowPtr(w)) sendvolume("volumeUnmount", name);
  }
}

void enterCarbonEvent(EventHandlerCallRef call, EventRef event, u32 userdata) {
  eventloopstate().carboncall = call;
  eventloopstate().carbonevent = event;
  eventloopstate().carbonuserdata = userdata;
}

void exitCarbonEvent() { enterCarbonEvent(0, 0, 0); }

i16 checkfront() {
  MainGlobals& g = mainglobals();
  PollState& s = ps();
  i16 notfront = isfront(&s.ownknown, &s.own) ? 0 : 1;
  i16 changed = notfront != g.notfront ? 1 : 0;
  g.notfront = notfront;
  g.menubarvisible = IsMenuBarVisible() ? 1 : 0;
  return changed;
}

bool weAreFrontApp() {
  PollState& s = ps();
  return isfront(&s.ownknown, &s.own);
}

bool weAreFrontProcess() {
  PollState& s = ps();
  return isfront(&s.ownknown2, &s.own2);
}

void bringapptofront(u16 all) {
  ProcessSerialNumber self{0, kCurrentProcess};
  SetFrontProcess(&self);
  if (all) {
    HICommand command{0, kHICommandBringAllToFront, 0, 0, 0};
    ProcessHICommand(&command);
  }
}

i16 isclick() {
  MainGlobals& g = mainglobals();
  if (g.notfront) return kStopped;
  PollState& s = ps();
  u32 now = TickCount();
  if (i32(now - s.nextclick) <= 0) return 0;
  s.nextclick = now + kPollInterval;
  if (g.dragref != 0) return 0;
  return EventAvail(mDownMask, nullptr) ? kStopped : i16(0);
}

namespace {

// isabort once the script need not stop, from the run's limits on (the clock moved, a test
// answers, or the abort key is due).
[[gnu::noinline]] i16 abortpoll(PollState& s, u32 now, u32 ticks) {
  // The limits of the run move only with the clock.
  if (now != s.lastlimitcheck) {
    s.lastlimitcheck = now;
    if (passlimitreached()) {
      endrun(kExitOK, {});
      return kExitToTop;
    }
    if (backend().headless() && !backend().inputpending() && passticks() >= kLoopWatchdogTicks) {
      std::string who = runninghandler();
      endrun(kExitStuck,
             "stuck: " + (who.empty() ? std::string("a script") : "the " + who) + " ran 10 minutes with no input left");
      return kExitToTop;
    }
  }
  if (s.abortcheck) return s.abortcheck(ticks);
  if (i32(now - s.nextabort) <= 0) return 0;
  s.nextabort = now + kPollInterval;
  if (!CheckEventQueueForUserCancel()) return 0;
  MainGlobals& g = mainglobals();
  g.abortkey = 1;
  if (!g.allowInterrupts) return 0;
  FlushEvents(everyEvent, 0);
  if (!option()) return kStopped;
  // The option key holds the abort back; until such a poll has gone on once, a shortage of
  // memory is reported instead.
  constexpr Size kAbortReserve = 14000;
  if (s.abortwent) return 0;
  if (memoryrefused(kAbortReserve)) return kNoMemory;
  s.abortwent = true;
  return 0;
}

}  // namespace

i16 isabort(u32 ticks) {
  if (scriptstop() != ScriptStop::none) return kExitToTop;
  PollState& s = ps();
  u32 now = ticks != 0 ? ticks : TickCount();
  // Between two statements of one tick, with nothing injected and the abort key not yet due,
  // the answer is known at once.
  if (now == s.lastlimitcheck && !s.abortcheck && i32(now - s.nextabort) <= 0) return 0;
  return abortpoll(s, now, ticks);
}

constinit bool runservicesdetail::abortcheckset = false;

void setabortcheck(std::function<i16(u32)> check) {
  PollState& s = ps();
  s.abortcheck = std::move(check);
  runservicesdetail::abortcheckset = bool(s.abortcheck);
}

void EconomyFlush(CGrafPtr port, RgnHandle) {
  MainGlobals& g = mainglobals();
  WindowRef window = port != nilid ? GetWindowFromPort(port) : nilid;
  if (window == nilid || buttonisdown()) {
    presentscreen();
    return;
  }
  u32 now = TickCount();
  u64 last = 0;
  u32 size = 0;
  if (GetWindowProperty(window, kFlushCreator, kFlushTag, sizeof last, &size, &last) == noErr && size == sizeof last &&
      u64(now) <= last) {
    g.flushwanted = 1;
    return;
  }
  flushwindow(window, now);
}

void checkflush(u32 ticks) {
  MainGlobals& g = mainglobals();
  PollState& s = ps();
  if (!g.flushwanted || i32(ticks - (s.lastflush + 1)) < 0) return;
  for (i16 i = 0; i < g.numwinds && g.winds != nilhandle && Size(i) < HandleCount<desk>(g.winds); ++i) {
    WindowRef w = HandleAs<desk>(g.winds)[i].window;
    if (w != nilid && IsValidWindowPtr(w)) flushwindow(w, ticks);
  }
  g.flushwanted = 0;
  s.lastflush = ticks;
}

void runmain(i16 kind, u32 param, WindowRef window) {
  if (window != nilid && window == mainglobals().msgwindow) runmess(kind, param);
  else runedit(u16(kind), param, window);
}

}  // namespace kv
