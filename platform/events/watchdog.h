// Tracking and modal loops name themselves while they run. Headless, a loop that has waited
// 10 virtual minutes with nothing left in the input timeline cannot end by itself: it fails
// with its name (through the process-exit hook) instead of hanging the run.
#pragma once

#include <string>
#include <string_view>

#include "platform/process/process.h"
#include "platform/types.h"

namespace kv {

constexpr u32 kLoopWatchdogTicks = 10 * 60 * 60;  // 10 minutes of ticks

class LoopScope {
 public:
  explicit LoopScope(const char* name);
  ~LoopScope();
  LoopScope(const LoopScope&) = delete;
  LoopScope& operator=(const LoopScope&) = delete;
};

// Called by the event manager after the clock may have moved.
void checkloopwatchdog();
// The tick limit alone (the clock of statements moved).
void checkticklimit();
// An input was taken: every running loop's idle time starts again.
void loopinputseen();
// A headless run ends once its virtual clock has run this many ticks since the limit was set
// (the clock of statements counts: a handler in a loop reaches it too); 0 removes the limit.
// The run then ends as endrun(kExitOK) says; reached inside a tracking or modal loop, which
// cannot be left from outside, the process ends at once (through the exit hook).
void setticklimit(u32 ticks);

// --- The end of a run ---------------------------------------------------------------------
// Asks the run to end with a status and a reason (empty: none to print): from then on every
// script stops at its next statement (scriptstop), and the main loop and the command line's
// requests end, so that the projects are written back and closed as at any end. The first
// request holds.
void endrun(int status, std::string_view reason);
bool runending();
int runendstatus();
const std::string& runendreason();

// Why the running script stops between two statements: it need not; the program was asked
// to quit (answered once for each request, so that the quit's own messages still run); the
// run is ending (answered every time).
enum class ScriptStop : u8 { none, quit, runend };
namespace watchdogdetail {
// Whether the run is ending or a quit request waits to stop the script: kept with those two,
// so that the check after every statement reads one flag (and the signals' own) inline.
extern constinit bool stopasked;
ScriptStop stoppedscript();
}  // namespace watchdogdetail
inline ScriptStop scriptstop() {
  if (!signalpending() && !watchdogdetail::stopasked) return ScriptStop::none;
  return watchdogdetail::stoppedscript();
}
// A quit request came in: the running script stops once. The event loops forget the request
// when they fetch an event (no script runs then, and the quit's own messages must run).
void stopscriptforquit();
void forgetscriptstop();

// Where the pass of the event loop (or a command-line request) began that a script runs in,
// for the watchdog of scripts: a script that has run 10 virtual minutes of it with no input
// left is stuck. Taking an input starts the time again. passticks answers 0 until a first
// pass began.
void notepassbegins();
u32 passticks();

// The name of the innermost running loop, or null.
const char* currentloopname();

}  // namespace kv
