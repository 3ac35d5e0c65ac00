#include "platform/events/watchdog.h"

#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/process/exit.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {
struct Loop {
  const char* name;
  u32 idlesince;
};
struct WatchdogState {
  std::vector<Loop> loops;
  u32 limit = 0;
  u32 limitfrom = 0;
};
}  // namespace

LoopScope::LoopScope(const char* name) {
  state<WatchdogState>().loops.push_back({name, backend().ticks()});
}

LoopScope::~LoopScope() {
  if (!hasstate<WatchdogState>()) return;
  auto& loops = state<WatchdogState>().loops;
  if (!loops.empty()) loops.pop_back();
}

void loopinputseen() {
  if (!hasstate<WatchdogState>()) return;
  u32 now = backend().ticks();
  for (Loop& l : state<WatchdogState>().loops) l.idlesince = now;
}

void setticklimit(u32 ticks) {
  WatchdogState& s = state<WatchdogState>();
  s.limit = ticks;
  s.limitfrom = backend().ticks();
}

void checkloopwatchdog() {
  if (!hasstate<WatchdogState>()) return;
  WatchdogState& s = state<WatchdogState>();
  Backend& b = backend();
  if (s.limit && b.headless() && b.ticks() - s.limitfrom >= s.limit) {
    s.limit = 0;
    exitprocess(kExitOK, "the tick limit was reached");
  }
  auto& loops = s.loops;
  if (loops.empty()) return;
  if (!b.headless() || b.inputpending()) return;
  const Loop& inner = loops.back();
  if (b.ticks() - inner.idlesince < kLoopWatchdogTicks) return;
  std::string name = inner.name;
  loops.clear();
  exitprocess(kExitUnattended, "unanswered loop: " + name + " waited 10 minutes with no input");
}

const char* currentloopname() {
  if (!hasstate<WatchdogState>()) return nullptr;
  auto& loops = state<WatchdogState>().loops;
  return loops.empty() ? nullptr : loops.back().name;
}

}  // namespace kv
