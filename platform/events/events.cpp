#include "platform/events/events.h"

#include <csignal>
#include <cstring>
#include <deque>

#include "platform/backend/backend.h"
#include "platform/events/handlers.h"
#include "platform/events/keycodes.h"
#include "platform/events/watchdog.h"
#include "platform/ipc/programs.h"
#include "platform/files/files.h"
#include "platform/files/volumes.h"
#include "platform/process/process.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/sound/audio.h"
#include "platform/text/macroman.h"
#include "platform/tsm/tsm.h"

namespace kv {

namespace {

constexpr std::size_t kQueueLimit = 1024;  // events beyond it are dropped (PostEvent answers queueFull)
constexpr OSErr queueFull = -1;

struct EventState {
  std::deque<EventRecord> queue;
  std::deque<EventRecord> activates;      // pending deactivate and activate events
  std::deque<HighLevelRequest> requests;  // one per queued high-level event, in queue order
  HighLevelRequest taken;                 // the request of the high-level event last taken
  bool hastaken = false;
  Point mouse{0, 0};
  bool button = false;
  u8 keys[16] = {};
  u16 modifiers = 0;
  u32 dbltime = 30;
  u32 carettime = 32;
  u64 statementticks = 0;  // ticks the statements moved the clock by (headless)
  WindowServices services;
  IdleWatcher watcher = nullptr;
  DropReceiver dropreceiver = nullptr;
};

EventState& es() { return state<EventState>(); }

EventRecord makeevent(u16 what, u32 message, u32 when, Point where, u16 modifiers) {
  EventRecord e{};
  e.what = what;
  e.message = message;
  e.when = when;
  e.where = where;
  e.modifiers = modifiers;
  return e;
}

u16 modifierword(const EventState& s) { return u16(s.modifiers | (s.button ? 0 : btnState)); }

bool post(const EventRecord& e, HighLevelRequest request = {}) {
  EventState& s = es();
  if (s.queue.size() >= kQueueLimit) return false;
  s.queue.push_back(e);
  if (e.what == kHighLevelEvent) s.requests.push_back(std::move(request));
  return true;
}

// The index among queued high-level events of the event at queue position i.
std::size_t highlevelindex(const EventState& s, std::size_t i) {
  std::size_t n = 0;
  for (std::size_t k = 0; k < i; ++k)
    if (s.queue[k].what == kHighLevelEvent) ++n;
  return n;
}

// Removes the queued event at position i (and its request, for a high-level event).
void removeat(EventState& s, std::size_t i, bool keeprequest) {
  if (s.queue[i].what == kHighLevelEvent) {
    std::size_t h = highlevelindex(s, i);
    if (h < s.requests.size()) {
      if (keeprequest) {
        s.taken = std::move(s.requests[h]);
        s.hastaken = true;
      }
      s.requests.erase(s.requests.begin() + std::ptrdiff_t(h));
    }
  }
  s.queue.erase(s.queue.begin() + std::ptrdiff_t(i));
}

void setkey(u8 code, bool down) {
  if (code >= 128) return;
  u8& byte = es().keys[code / 8];
  if (down) byte = u8(byte | (1u << (code % 8)));
  else byte = u8(byte & ~(1u << (code % 8)));
}

// The modifier keys' bits of the key map follow the modifier word.
void setmodifiers(u16 mods) {
  EventState& s = es();
  s.modifiers = u16(mods & (cmdKey | shiftKey | alphaLock | optionKey | controlKey));
  setkey(kVKCommand, mods & cmdKey);
  setkey(kVKShift, mods & shiftKey);
  setkey(kVKCapsLock, mods & alphaLock);
  setkey(kVKOption, mods & optionKey);
  setkey(kVKControl, mods & controlKey);
}

void posthighlevel(const InputEvent& in, u32 id) {
  EventState& s = es();
  HighLevelRequest r;
  r.eventclass = fourcc("aevt");
  r.eventid = id;
  r.paths = in.paths;
  Point where{i16(id >> 16), i16(id & 0xFFFF)};
  post(makeevent(kHighLevelEvent, r.eventclass, in.when, where, modifierword(s)), std::move(r));
}

void sendplatformevent(u32 cls, u32 kind, RegistryId target, const InputEvent& in) {
  ScopedEvent ev(cls, kind);
  switch (cls) {
    case kEventClassCommand: {
      HICommand cmd{0, in.command, 0, 0, 0};
      SetEventParameter(ev, kEventParamDirectObject, typeHICommand, sizeof cmd, &cmd);
      break;
    }
    case kEventClassWindow: {
      u32 w = in.window;
      SetEventParameter(ev, kEventParamDirectObject, typeWindowRef, sizeof w, &w);
      break;
    }
    case kEventClassMouse: {
      Point where = in.where;
      u32 mods = in.modifiers;
      // The wheel axis: 1 vertical, 0 horizontal, as the input records it.
      u16 axis = u16(in.wheelaxis);
      i32 delta = in.wheeldelta;
      u32 w = target;
      SetEventParameter(ev, kEventParamMouseLocation, typeQDPoint, sizeof where, &where);
      SetEventParameter(ev, kEventParamKeyModifiers, typeUInt32, sizeof mods, &mods);
      SetEventParameter(ev, kEventParamMouseWheelAxis, typeMouseWheelAxis, sizeof axis, &axis);
      SetEventParameter(ev, kEventParamMouseWheelDelta, typeSInt32, sizeof delta, &delta);
      if (w != nilid) SetEventParameter(ev, kEventParamWindowRef, typeWindowRef, sizeof w, &w);
      break;
    }
    case kEventClassVolume: {
      i16 vol = in.volume;
      SetEventParameter(ev, kEventParamDirectObject, typeFSVolumeRefNum, sizeof vol, &vol);
      break;
    }
    default: break;
  }
  SendEventToTarget(ev, target);
}

// An input method's text goes to the active inline-input document, in Mac Roman (the one
// script enabled). Committed text with no composition open arrives as key presses.
void inlineinput(const InputEvent& in) {
  const std::string text = utf8tomacroman(in.text);
  if (in.kind == InputKind::textcompose) {
    // The cursor counts characters; its place in the converted text is the length of the
    // converted characters before it.
    std::size_t at = 0;
    for (i32 n = 0; at < in.text.size() && n < in.cursor; ++n) do
        ++at;
      while (at < in.text.size() && (u8(in.text[at]) & 0xC0) == 0x80);
    tsmcompose(text, i32(utf8tomacroman(in.text.substr(0, at)).size()));
    return;
  }
  if (tsmcommit(text)) return;
  EventState& s = es();
  for (char c : text) {
    const u8 code = keyforchar(u8(c)).keycode;
    const u32 message = (u32(code == 0xFF ? 0 : code) << 8) | u8(c);
    post(makeevent(keyDown, message, in.when, s.mouse, modifierword(s)));
    post(makeevent(keyUp, message, in.when, s.mouse, modifierword(s)));
  }
}

// Turns one input into input state, a queued event, or a call of the platform's handlers.
void apply(const InputEvent& in) {
  EventState& s = es();
  switch (in.kind) {
    case InputKind::mousemove:
      s.mouse = in.where;
      setmodifiers(in.modifiers);
      break;
    case InputKind::mousedown:
      s.mouse = in.where;
      s.button = true;
      setmodifiers(in.modifiers);
      post(makeevent(mouseDown, 0, in.when, in.where, modifierword(s)));
      break;
    case InputKind::mouseup:
      s.mouse = in.where;
      s.button = false;
      setmodifiers(in.modifiers);
      post(makeevent(mouseUp, 0, in.when, in.where, modifierword(s)));
      break;
    case InputKind::keydown:
    case InputKind::autokey:
    case InputKind::keyup: {
      setmodifiers(in.modifiers);
      if (in.kind != InputKind::autokey) setkey(in.keycode, in.kind == InputKind::keydown);
      u16 what = in.kind == InputKind::keydown ? keyDown : in.kind == InputKind::keyup ? keyUp : autoKey;
      post(makeevent(what, (u32(in.keycode) << 8) | in.charcode, in.when, s.mouse, modifierword(s)));
      break;
    }
    case InputKind::modifiers: setmodifiers(in.modifiers); break;
    case InputKind::focusin:
    case InputKind::focusout: {
      bool front = in.kind == InputKind::focusin;
      if (front == processisfront()) break;
      setprocessfront(front);
      if (s.services.focuschanged) s.services.focuschanged(front);
      u32 msg = (suspendResumeMessage << 24) | (front ? resumeFlag | convertClipboardFlag : 0);
      post(makeevent(osEvt, msg, in.when, s.mouse, modifierword(s)));
      break;
    }
    case InputKind::quit: posthighlevel(in, fourcc("quit")); break;
    case InputKind::opendocuments: posthighlevel(in, fourcc("odoc")); break;
    case InputKind::drop: {
      s.mouse = in.where;
      InputEvent files = in;
      if (s.dropreceiver) {
        s.dropreceiver(in, &files.paths);
      } else {
        for (const DroppedItem& item : in.dropped)
          if (item.file) files.paths.push_back(item.data);
      }
      if (!files.paths.empty()) posthighlevel(files, fourcc("odoc"));
      break;
    }
    case InputKind::wheel: {
      RegistryId w = s.services.windowat ? s.services.windowat(in.where) : nilid;
      sendplatformevent(kEventClassMouse, kEventMouseWheelMoved, w, in);
      break;
    }
    case InputKind::dockcommand: sendplatformevent(kEventClassCommand, kEventProcessCommand, nilid, in); break;
    case InputKind::collapse:
      if (s.services.collapse) s.services.collapse(in.window, in.flag != 0);
      sendplatformevent(kEventClassWindow, in.flag ? kEventWindowCollapsed : kEventWindowExpanded, in.window, in);
      break;
    case InputKind::textcompose:
    case InputKind::textcommit: inlineinput(in); break;
    case InputKind::volume:
      notevolume(in.volume, in.paths.empty() ? std::string_view() : std::string_view(in.paths.front()), in.flag != 0);
      sendplatformevent(kEventClassVolume, in.flag ? kEventVolumeMounted : kEventVolumeUnmounted, nilid, in);
      break;
  }
}

// Finds the next event of the mask in the order activate, queued, update.
bool findevent(EventMask mask, bool remove, EventRecord* out) {
  EventState& s = es();
  if ((mask & activMask) && !s.activates.empty()) {
    if (out) *out = s.activates.front();
    if (remove) s.activates.pop_front();
    return true;
  }
  for (std::size_t i = 0; i < s.queue.size(); ++i) {
    if (mask & eventmaskbit(s.queue[i].what)) {
      if (out) *out = s.queue[i];
      if (remove) removeat(s, i, true);
      return true;
    }
  }
  RegistryId w = nilid;
  if ((mask & updateMask) && s.services.nextupdate && s.services.nextupdate(&w)) {
    if (out) *out = makeevent(updateEvt, w, backend().ticks(), s.mouse, modifierword(s));
    return true;
  }
  return false;
}

void nullevent(EventRecord* out) {
  EventState& s = es();
  if (out) *out = makeevent(nullEvent, 0, backend().ticks(), s.mouse, modifierword(s));
}

void present() {
  EventState& s = es();
  if (s.services.present) s.services.present();
}

// The idle watcher looks at the input state; the tick it wants to look again at (0: none).
u32 watch() {
  IdleWatcher w = es().watcher;
  return w ? w(backend().ticks()) : 0;
}

// One input-state poll: take what is due; when nothing is, the time of one poll passes.
void inputpoll() {
  present();
  if (!takedueinputs()) {
    backend().pollidle();
    takedueinputs();
  }
  watch();
  audioservice();
  checkloopwatchdog();
}

// Waits for an input or the deadline, whichever comes first, taking what is due. The wait
// ends early when the idle watcher wants to look before the deadline.
void waitfor(u32 deadline) {
  present();
  // With a real clock and sound playing, completions are taken in at least every other tick.
  Backend& b = backend();
  if (!b.headless() && audiooutputopen() && i32(deadline - b.ticks()) > 2) deadline = b.ticks() + 2;
  if (const u32 due = watch(); due != 0 && i32(due - b.ticks()) > 0 && i32(due - deadline) < 0) deadline = due;
  b.waituntil(deadline);
  takedueinputs();
  watch();
  audioservice();
  checkloopwatchdog();
}

}  // namespace

bool takedueinputs() {
  Backend& b = backend();
  bool any = false;
  if (takeinterruptsignal()) {
    // The user's abort key: command-period, the modifiers as they were afterwards.
    u16 held = es().modifiers;
    InputEvent key;
    key.when = b.ticks();
    key.kind = InputKind::keydown;
    key.modifiers = cmdKey;
    key.keycode = keyforchar('.').keycode;
    key.charcode = '.';
    apply(key);
    key.kind = InputKind::keyup;
    apply(key);
    InputEvent after;
    after.when = b.ticks();
    after.kind = InputKind::modifiers;
    after.modifiers = held;
    apply(after);
    any = true;
  }
  if (takequitsignal()) {
    InputEvent q;
    q.kind = InputKind::quit;
    q.when = b.ticks();
    apply(q);
    stopscriptforquit();
    any = true;
  }
  // Requests of other programs (and the projects a later kestrove on this display hands over)
  // come in as high-level events.
  if (takeincomingrequests()) any = true;
  // The watcher of the mount table: mounts and unmounts come in as volume events.
  for (const VolumeChange& c : pollvolumes(b.ticks())) {
    InputEvent v;
    v.kind = InputKind::volume;
    v.when = b.ticks();
    v.volume = c.vRefNum;
    v.flag = c.mounted ? 1 : 0;
    v.paths = {c.name};
    apply(v);
    any = true;
  }
  InputEvent in;
  while (b.takeinput(in)) {
    apply(in);
    any = true;
  }
  if (any) loopinputseen();
  return any;
}

bool WaitNextEvent(EventMask mask, EventRecord* event, u32 sleep, RegistryId) {
  u32 start = backend().ticks();
  u32 deadline = start + sleep;
  if (deadline < start) deadline = 0xFFFFFFFFu;
  present();
  takedueinputs();
  for (;;) {
    if (findevent(mask, true, event)) return true;
    if (i32(backend().ticks() - deadline) >= 0) break;
    waitfor(deadline);
  }
  nullevent(event);
  return false;
}

bool GetNextEvent(EventMask mask, EventRecord* event) {
  takedueinputs();
  if (findevent(mask, true, event)) return true;
  nullevent(event);
  return false;
}

bool EventAvail(EventMask mask, EventRecord* event) {
  takedueinputs();
  if (findevent(mask, false, event)) return true;
  nullevent(event);
  return false;
}

void FlushEvents(EventMask mask, EventMask stopMask) {
  takedueinputs();
  EventState& s = es();
  for (std::size_t i = 0; i < s.queue.size();) {
    EventMask bit = eventmaskbit(s.queue[i].what);
    if (bit & stopMask) break;
    if (bit & mask) removeat(s, i, false);
    else ++i;
  }
  if (mask & activMask) s.activates.clear();
}

OSErr PostEvent(u16 what, u32 message) {
  EventState& s = es();
  return post(makeevent(what, message, backend().ticks(), s.mouse, modifierword(s))) ? OSErr(noErr) : queueFull;
}

OSErr PostEventRecord(const EventRecord& event) { return post(event) ? OSErr(noErr) : queueFull; }

bool CheckEventQueueForUserCancel() {
  takedueinputs();
  EventState& s = es();
  for (std::size_t i = 0; i < s.queue.size(); ++i) {
    const EventRecord& e = s.queue[i];
    if (e.what != keyDown && e.what != autoKey) continue;
    u8 ch = u8(e.message & charCodeMask);
    u8 code = u8((e.message & keyCodeMask) >> 8);
    bool cancel = code == kVKEscape || ch == 0x1B || ((e.modifiers & cmdKey) && ch == '.');
    if (cancel) {
      for (std::size_t k = 0; k <= i; ++k) removeat(s, 0, false);
      return true;
    }
  }
  return false;
}

bool Button() {
  inputpoll();
  return es().button;
}

static bool mouseeventqueued(bool removeup) {
  EventState& s = es();
  for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
    if (it->what == mouseUp) {
      if (removeup) s.queue.erase(it);
      return true;
    }
    if (it->what == mouseDown) return true;
  }
  return false;
}

bool StillDown() {
  inputpoll();
  return es().button && !mouseeventqueued(false);
}

bool WaitMouseUp() {
  inputpoll();
  bool queued = mouseeventqueued(true);
  return es().button && !queued;
}

void GetGlobalMouse(Point* where) {
  inputpoll();
  *where = es().mouse;
}

void GetMouse(Point* where) {
  GetGlobalMouse(where);
  GlobalToLocal(where);
}

void GetKeys(KeyMap keys) {
  inputpoll();
  std::memcpy(keys, es().keys, sizeof(es().keys));
}

u16 GetCurrentKeyModifiers() {
  inputpoll();
  return modifierword(es());
}

Point mouseposition() { return es().mouse; }
void warpmouse(Point where) {
  es().mouse = where;
  backend().warpmouse(where);
}
bool buttonisdown() { return es().button; }
u16 modifierstate() { return modifierword(es()); }

void Delay(u32 ticks, u32* finalTicks) {
  u32 deadline = backend().ticks() + ticks;
  takedueinputs();
  while (i32(backend().ticks() - deadline) < 0) waitfor(deadline);
  if (finalTicks) *finalTicks = backend().ticks();
}

u32 GetDblTime() { return es().dbltime; }

bool IsShowContextualMenuClick(const EventRecord* event) {
  return event != nullptr && event->what == mouseDown && (event->modifiers & controlKey) != 0;
}
void setdoubleclicktime(u32 ticks) { es().dbltime = ticks; }
u32 GetCaretTime() { return es().carettime; }
void setcarettime(u32 ticks) { es().carettime = ticks; }

void statementsmovedclock(u32 moved) {
  es().statementticks += moved;
  checkticklimit();
}

u64 statementticks() { return es().statementticks; }

void setwindowservices(const WindowServices& services) { es().services = services; }
void setidlewatcher(IdleWatcher watcher) { es().watcher = watcher; }
void setdropreceiver(DropReceiver receiver) { es().dropreceiver = receiver; }

void postactivate(RegistryId window, bool active) {
  EventState& s = es();
  s.activates.push_back(
      makeevent(activateEvt, window, backend().ticks(), s.mouse, u16(modifierword(s) | (active ? activeFlag : 0))));
}

void forgetwindowevents(RegistryId window) {
  if (!hasstate<EventState>()) return;
  EventState& s = es();
  std::erase_if(s.activates, [window](const EventRecord& e) { return e.message == window; });
  std::erase_if(s.queue, [window](const EventRecord& e) { return e.what == updateEvt && e.message == window; });
}

void postlaunchrequest(const std::vector<std::string>& documents) {
  InputEvent in;
  in.when = backend().ticks();
  in.paths = documents;
  posthighlevel(in, documents.empty() ? fourcc("oapp") : fourcc("odoc"));
}

bool posthighlevelrequest(HighLevelRequest request) {
  EventState& s = es();
  u32 id = request.eventid, cls = request.eventclass;
  Point where{i16(id >> 16), i16(id & 0xFFFF)};
  return post(makeevent(kHighLevelEvent, cls, backend().ticks(), where, modifierword(s)), std::move(request));
}

bool takehighlevelrequest(HighLevelRequest* out) {
  EventState& s = es();
  if (!s.hastaken) return false;
  if (out) *out = std::move(s.taken);
  s.taken = {};
  s.hastaken = false;
  return true;
}

}  // namespace kv
