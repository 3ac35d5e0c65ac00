#include "platform/events/watchdog.h"

#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/events/events.h"
#include "platform/process/exit.h"
#include "platform/process/process.h"
#include "platform/runtime/root.h"

namespace kv {

constinit bool watchdogdetail::stopasked = false;

namespace {
struct Loop {
  const char* name;
  u32 idlesince;
};
struct WatchdogState {
  WatchdogState() = default;
  WatchdogState(const WatchdogState&) = delete;
  WatchdogState& operator=(const WatchdogState&) = delete;
  ~WatchdogState() { watchdogdetail::stopasked = false; }
  std::vector<Loop> loops;
  u32 limit = 0;
  u32 limitfrom = 0;
  bool ending = false;
  int endstatus = 0;
  std::string endreason;
  bool quitstop = false;
  bool passbegun = false;  // the watchdog of scripts runs once a pass has begun
  u32 passfrom = 0;
};

WatchdogState& ws() { return state<WatchdogState>(); }
}  // namespace

void endrun(int status, std::string_view reason) {
  WatchdogState& s = ws();
  if (s.ending) return;
  s.ending = true;
  watchdogdetail::stopasked = true;
  s.endstatus = status;
  s.endreason = std::string(reason);
}

bool runending() { return hasstate<WatchdogState>() && ws().ending; }
int runendstatus() { return hasstate<WatchdogState>() ? ws().endstatus : 0; }
const std::string& runendreason() { return ws().endreason; }

void stopscriptforquit() {
  ws().quitstop = true;
  watchdogdetail::stopasked = true;
}

void forgetscriptstop() {
  if (!hasstate<WatchdogState>()) return;
  WatchdogState& s = ws();
  s.quitstop = false;
  watchdogdetail::stopasked = s.ending;
}

ScriptStop watchdogdetail::stoppedscript() {
  // A signal becomes its input (a quit request stops the script) when the event fetch takes
  // it in.
  if (signalpending()) takedueinputs();
  if (!hasstate<WatchdogState>()) return ScriptStop::none;
  WatchdogState& s = ws();
  if (s.ending) return ScriptStop::runend;
  if (!s.quitstop) return ScriptStop::none;
  s.quitstop = false;
  stopasked = false;
  return ScriptStop::quit;
}

void notepassbegins() {
  WatchdogState& s = ws();
  s.passbegun = true;
  s.passfrom = backend().ticks();
}

u32 passticks() {
  if (!hasstate<WatchdogState>() || !ws().passbegun) return 0;
  return backend().ticks() - ws().passfrom;
}

LoopScope::LoopScope(const char* name) { state<WatchdogState>().loops.push_back({name, backend().ticks()}); }

LoopScope::~LoopScope() {
  if (!hasstate<WatchdogState>()) return;
  auto& loops = state<WatchdogState>().loops;
  if (!loops.empty()) loops.pop_back();
}

void loopinputseen() {
  if (!hasstate<WatchdogState>()) return;
  u32 now = backend().ticks();
  ws().passfrom = now;
  for (Loop& l : state<WatchdogState>().loops) l.idlesince = now;
}

void setticklimit(u32 ticks) {
  WatchdogState& s = state<WatchdogState>();
  s.limit = ticks;
  s.limitfrom = backend().ticks();
}

void checkticklimit() {
  if (!hasstate<WatchdogState>()) return;
  WatchdogState& s = ws();
  Backend& b = backend();
  if (s.limit && b.headless() && b.ticks() - s.limitfrom >= s.limit) {
    s.limit = 0;
    endrun(kExitOK, "the tick limit was reached");
  }
}

void checkloopwatchdog() {
  if (!hasstate<WatchdogState>()) return;
  checkticklimit();
  WatchdogState& s = ws();
  Backend& b = backend();
  auto& loops = s.loops;
  // A loop of the platform's own cannot be left from outside: the run ends here.
  if (s.ending && !loops.empty()) exitprocess(s.endstatus, s.endreason);
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
