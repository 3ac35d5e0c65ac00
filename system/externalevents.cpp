// The event registrations of native routines, the offering of events to their handlers, and
// the events they post (see externalevents.h).
#include "system/externalevents.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/fred.h"
#include "engine/hier.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "system/externals.h"
#include "system/externalstate.h"
#include "system/nativecall.h"

namespace kv {

namespace {

constexpr std::size_t kMaxPosted = 19;
constexpr u16 kUnloadFlag = 2;

// A registration: the record externals see, at a fixed address, and the number that tells it
// apart from every other (records come and go while events are offered).
struct Registration {
  kv_eventreg record{};
  u64 serial = 0;
};

struct PostedEvent {
  u32 code;
  WindowRef window;
  u64 data;
};

struct ExternalEventsState {
  std::vector<std::unique_ptr<Registration>> registrations;  // in registration order
  u64 serials = 0;
  std::vector<PostedEvent> posted;
  bool delivering = false;
};

ExternalEventsState& es() { return state<ExternalEventsState>(); }

// Ends the registrations a test picks, from the last to the first.
template <class Pick>
std::size_t dropwhere(Pick&& pick) {
  auto& list = es().registrations;
  std::size_t before = list.size();
  for (std::size_t i = list.size(); i-- > 0;)
    if (pick(list[i]->record)) list.erase(list.begin() + std::ptrdiff_t(i));
  return before - list.size();
}

bool takes(const kv_eventreg& r, u32 code, WindowRef window) {
  return r.code == code && (window == nilid || r.window == 0 || r.window == window);
}

// The first registration for the event that this pass has not called yet.
Registration* nextfor(u32 code, WindowRef window, const std::vector<u64>& called) {
  for (const std::unique_ptr<Registration>& r : es().registrations)
    if (takes(r->record, code, window) && std::find(called.begin(), called.end(), r->serial) == called.end())
      return r.get();
  return nullptr;
}

// Calls one handler with a native call block of its own: no parameters, no variables, the
// empty text as its result, and a path of one empty level. Its answer, and whether it asked
// for its external to be unloaded.
i16 callhandler(const kv_eventreg& r, u32 code, u64 data, bool* unload) {
  RegistryId image = imageofcode(r.project, r.codeaddress);
  *unload = false;
  if (image == nilid || r.handler == nullptr) return 0;
  hier level = emptyhier();
  level.level = hiershared;
  hierpath path(&level, 1);
  fred result{};
  newfred(&result, fredtemp, fredstring, 0);
  kv_native b{};
  b.kind = r.kind;
  b.params = NewHandle(0);
  b.variables = NewHandle(0);
  b.result = asvalue(&result);
  b.path = u64(reinterpret_cast<std::uintptr_t>(&path));
  b.code = r.codeaddress;
  b.project = r.project;
  b.procs = nativeprocs();
  i16 answer;
  {
    runningimage running(image);
    answer = r.handler(code, data, r.window, r.refcon, &b);
  }
  *unload = (b.resultflags & kUnloadFlag) != 0;
  if (*unload) killcode(&b);
  disposfred(&result);
  for (Handle h : {b.params, b.variables})
    if (IsValidHandle(h)) DisposeHandle(h);
  return answer;
}

i16 offer(WindowRef window, u32 code, u64 data) {
  if (es().registrations.empty()) return 0;
  // Each offer keeps its own list of the registrations it called, so that a handler that
  // raises an event (this one or another) leaves this pass's scan as it was.
  std::vector<u64> called;
  i16 total = 0;
  while (Registration* r = nextfor(code, window, called)) {
    called.push_back(r->serial);
    ++r->record.called;
    kv_eventreg record = r->record;
    bool unload = false;
    total = i16(total | callhandler(record, code, data, &unload));
  }
  // The called marks of the registrations that are still there go again.
  for (const std::unique_ptr<Registration>& r : es().registrations)
    if (std::find(called.begin(), called.end(), r->serial) != called.end() && r->record.called > 0) --r->record.called;
  if (code == u32(kXrtnCloseClick) && total == 0 && window != nilid) dropwindowregistrations(window);
  return total;
}

}  // namespace

i16 sendxrtnevent(WindowRef window, i32 code, const EventRecord* event) {
  return offer(window, u32(code), u64(reinterpret_cast<std::uintptr_t>(event)));
}

void sendxrtnposted() {
  ExternalEventsState& s = es();
  if (s.delivering || s.posted.empty()) return;
  struct delivering {
    delivering() { es().delivering = true; }
    ~delivering() { es().delivering = false; }
  } guard;
  std::vector<PostedEvent> waiting;
  waiting.swap(s.posted);
  for (const PostedEvent& e : waiting) offer(e.window, e.code, e.data);
}

void initeventlist() {
  ExternalEventsState& s = es();
  s.registrations.clear();
  s.posted.clear();
}

kv_eventreg* PRegisterEvent(u32 code, u32 window, u64 refcon, kv_eventhandler handler, kv_native* block) {
  if (handler == nullptr || block == nullptr) return nullptr;
  ExternalEventsState& s = es();
  auto r = std::make_unique<Registration>();
  r->serial = ++s.serials;
  r->record.code = code;
  r->record.kind = block->kind;
  r->record.window = window;
  r->record.handler = handler;
  r->record.codeaddress = block->code;
  r->record.project = block->project;
  r->record.refcon = refcon;
  kv_eventreg* record = &r->record;
  s.registrations.push_back(std::move(r));
  return record;
}

i16 PUnRegisterEvent(u32 code, u32 window) {
  return dropwhere([&](const kv_eventreg& r) { return r.code == code && (window == 0 || r.window == window); }) > 0 ? 1
                                                                                                                    : 0;
}

void PPostXRTNEvent(u32 code, u32 window, u64 data) {
  ExternalEventsState& s = es();
  if (s.posted.size() < kMaxPosted) s.posted.push_back(PostedEvent{code, window, data});
}

void dropregistrations(u64 code) {
  if (hasstate<ExternalEventsState>()) dropwhere([&](const kv_eventreg& r) { return r.codeaddress == code; });
}

void dropwindowregistrations(WindowRef window) {
  if (hasstate<ExternalEventsState>()) dropwhere([&](const kv_eventreg& r) { return r.window == window; });
}

std::size_t registrationcount() { return hasstate<ExternalEventsState>() ? es().registrations.size() : 0; }

}  // namespace kv
