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

void checkloopwatchdog() {
  if (!hasstate<WatchdogState>()) return;
  auto& loops = state<WatchdogState>().loops;
  if (loops.empty()) return;
  Backend& b = backend();
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
