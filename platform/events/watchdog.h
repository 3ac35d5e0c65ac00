// Tracking and modal loops name themselves while they run. Headless, a loop that has waited
// 10 virtual minutes with nothing left in the input timeline cannot end by itself: it fails
// with its name (through the process-exit hook) instead of hanging the run.
#pragma once

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
// An input was taken: every running loop's idle time starts again.
void loopinputseen();
// A headless run ends (status 0, through the exit hook) once its virtual clock has run this
// many ticks since the limit was set; 0 removes the limit.
void setticklimit(u32 ticks);

// The name of the innermost running loop, or null.
const char* currentloopname();

}  // namespace kv
