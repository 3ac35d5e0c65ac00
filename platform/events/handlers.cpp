#include "platform/events/handlers.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/root.h"

namespace kv {

namespace {

struct Handler {
  EventHandlerRef ref;
  RegistryId target;
  EventHandlerProc proc;
  std::vector<EventTypeSpec> types;
  u32 userdata;
};

struct Param {
  u32 name;
  u32 type;
  std::vector<u8> data;
};

struct LiveEvent {
  EventRef ref;
  u32 cls;
  u32 kind;
  std::vector<Param> params;
};

struct Chain {
  EventHandlerCallRef ref;
  EventRef event;
  std::vector<EventHandlerRef> handlers;
  std::size_t next;
  std::vector<DirectHandler> direct;  // run after the installed handlers, in order
  std::size_t nextdirect = 0;
};

struct HandlerState {
  std::vector<Handler> handlers;  // in install order
  std::vector<LiveEvent> events;
  std::vector<Chain> chains;  // calls in progress, innermost last
  u32 serial = 0;
};

HandlerState& hs() { return state<HandlerState>(); }

u32 nextserial() {
  u32 s = ++hs().serial;
  if (s == 0) s = ++hs().serial;
  return s;
}

LiveEvent* findevent(EventRef ref) {
  for (LiveEvent& e : hs().events)
    if (e.ref == ref) return &e;
  return nullptr;
}

const Handler* findhandler(EventHandlerRef ref) {
  for (const Handler& h : hs().handlers)
    if (h.ref == ref) return &h;
  return nullptr;
}

Chain* findchain(EventHandlerCallRef ref) {
  for (Chain& c : hs().chains)
    if (c.ref == ref) return &c;
  return nullptr;
}

bool wants(const Handler& h, u32 cls, u32 kind) {
  for (const EventTypeSpec& t : h.types)
    if (t.eventClass == cls && t.eventKind == kind) return true;
  return false;
}

// Runs the rest of a chain until a handler takes the event.
OSStatus runchain(EventHandlerCallRef call) {
  for (;;) {
    Chain* c = findchain(call);
    if (!c) return eventNotHandledErr;
    if (c->next >= c->handlers.size()) {
      if (c->nextdirect >= c->direct.size()) return eventNotHandledErr;
      const DirectHandler d = c->direct[c->nextdirect++];
      EventRef ev = c->event;
      OSStatus r = d.proc(call, ev, d.userdata);
      if (r != eventNotHandledErr) return r;
      continue;
    }
    EventHandlerRef href = c->handlers[c->next++];
    EventRef ev = c->event;
    const Handler* h = findhandler(href);
    if (!h) continue;  // removed while the event was on its way
    EventHandlerProc proc = h->proc;
    u32 userdata = h->userdata;
    OSStatus r = proc(call, ev, userdata);
    if (r != eventNotHandledErr) return r;
  }
}

}  // namespace

OSStatus InstallEventHandler(RegistryId target, EventHandlerProc proc, u32 count, const EventTypeSpec* types,
                             u32 userdata, EventHandlerRef* outRef) {
  if (!proc || (count > 0 && !types)) return paramErr;
  Handler h{nextserial(), target, proc, std::vector<EventTypeSpec>(types, types + count), userdata};
  if (outRef) *outRef = h.ref;
  hs().handlers.push_back(std::move(h));
  return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef ref) {
  auto& v = hs().handlers;
  auto it = std::find_if(v.begin(), v.end(), [ref](const Handler& h) { return h.ref == ref; });
  if (it == v.end()) return paramErr;
  v.erase(it);
  return noErr;
}

void removewindowhandlers(RegistryId window) {
  if (!hasstate<HandlerState>() || window == nilid) return;
  std::erase_if(hs().handlers, [window](const Handler& h) { return h.target == window; });
}

std::vector<EventHandlerProc> installedhandlers(RegistryId target, u32 eventClass, u32 eventKind) {
  std::vector<EventHandlerProc> procs;
  if (!hasstate<HandlerState>()) return procs;
  const auto& v = hs().handlers;
  for (auto it = v.rbegin(); it != v.rend(); ++it)
    if (it->target == target && wants(*it, eventClass, eventKind)) procs.push_back(it->proc);
  return procs;
}

EventRef CreateEvent(u32 eventClass, u32 eventKind) {
  LiveEvent e{nextserial(), eventClass, eventKind, {}};
  hs().events.push_back(std::move(e));
  return hs().events.back().ref;
}

void ReleaseEvent(EventRef event) {
  std::erase_if(hs().events, [event](const LiveEvent& e) { return e.ref == event; });
}

u32 GetEventClass(EventRef event) {
  LiveEvent* e = findevent(event);
  return e ? e->cls : 0;
}

u32 GetEventKind(EventRef event) {
  LiveEvent* e = findevent(event);
  return e ? e->kind : 0;
}

OSStatus SetEventParameter(EventRef event, u32 name, u32 type, u32 size, const void* data) {
  LiveEvent* e = findevent(event);
  if (!e || (size > 0 && !data)) return paramErr;
  const u8* b = static_cast<const u8*>(data);
  std::vector<u8> bytes(b, b + size);
  for (Param& p : e->params) {
    if (p.name == name) {
      p.type = type;
      p.data = std::move(bytes);
      return noErr;
    }
  }
  e->params.push_back({name, type, std::move(bytes)});
  return noErr;
}

OSStatus GetEventParameter(EventRef event, u32 name, u32 type, u32* actualType, u32 bufferSize, u32* actualSize,
                           void* buffer) {
  LiveEvent* e = findevent(event);
  if (!e) return paramErr;
  for (const Param& p : e->params) {
    if (p.name != name) continue;
    if (type != p.type && type != fourcc("****")) return eventParameterNotFoundErr;
    if (actualType) *actualType = p.type;
    if (actualSize) *actualSize = u32(p.data.size());
    u32 n = std::min<u32>(bufferSize, u32(p.data.size()));
    if (buffer && n > 0) std::memcpy(buffer, p.data.data(), n);
    return noErr;
  }
  return eventParameterNotFoundErr;
}

namespace {

OSStatus runnewchain(Chain c) {
  EventHandlerCallRef call = c.ref;
  hs().chains.push_back(std::move(c));
  OSStatus r = eventNotHandledErr;
  try {
    r = runchain(call);
  } catch (...) {
    std::erase_if(hs().chains, [call](const Chain& ch) { return ch.ref == call; });
    throw;
  }
  std::erase_if(hs().chains, [call](const Chain& ch) { return ch.ref == call; });
  return r;
}

}  // namespace

OSStatus sendeventthrough(EventRef event, std::vector<DirectHandler> handlers) {
  if (!findevent(event)) return paramErr;
  return runnewchain(Chain{nextserial(), event, {}, 0, std::move(handlers), 0});
}

OSStatus SendEventToTarget(EventRef event, RegistryId target) {
  LiveEvent* e = findevent(event);
  if (!e) return paramErr;
  Chain c{nextserial(), event, {}, 0, {}, 0};
  const auto& v = hs().handlers;
  // The window's handlers, newest first, then the application's.
  if (target != nilid)
    for (auto it = v.rbegin(); it != v.rend(); ++it)
      if (it->target == target && wants(*it, e->cls, e->kind)) c.handlers.push_back(it->ref);
  for (auto it = v.rbegin(); it != v.rend(); ++it)
    if (it->target == nilid && wants(*it, e->cls, e->kind)) c.handlers.push_back(it->ref);
  return runnewchain(std::move(c));
}

OSStatus CallNextEventHandler(EventHandlerCallRef call, EventRef) { return runchain(call); }

u32 windowclickactivation(RegistryId window, Point where, u32 modifiers) {
  u32 result = kActivateAndHandleClick;
  if (window == nilid) return result;
  ScopedEvent ev(kEventClassWindow, kEventWindowGetClickActivation);
  u32 w = window;
  SetEventParameter(ev, kEventParamDirectObject, typeWindowRef, sizeof w, &w);
  SetEventParameter(ev, kEventParamMouseLocation, typeQDPoint, sizeof where, &where);
  SetEventParameter(ev, kEventParamKeyModifiers, typeUInt32, sizeof modifiers, &modifiers);
  if (SendEventToTarget(ev, window) != noErr) return result;
  u32 answer = result;
  if (GetEventParameter(ev, kEventParamClickActivation, typeClickActivationResult, nullptr, sizeof answer, nullptr,
                        &answer) == noErr &&
      answer <= kActivateAndHandleClick)
    result = answer;
  return result;
}

OSStatus ProcessHICommand(const HICommand* command) {
  if (!command) return paramErr;
  ScopedEvent ev(kEventClassCommand, kEventProcessCommand);
  HICommand c = *command;
  SetEventParameter(ev, kEventParamDirectObject, typeHICommand, sizeof c, &c);
  OSStatus r = SendEventToTarget(ev, nilid);
  if (r == eventNotHandledErr && command->commandID == kHICommandBringAllToFront) return noErr;
  return r;
}

}  // namespace kv
