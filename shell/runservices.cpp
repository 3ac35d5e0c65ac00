// The stack guard measures the run thread's stack; the abort check answers what a test
// injected (a person's command-period comes with the event layer).
#include "shell/runservices.h"

#include <algorithm>

#include "engine/insertscripts.h"
#include "engine/runblock.h"
#include "engine/scripterror.h"
#include "platform/events/events.h"
#include "platform/runtime/bigstack.h"
#include "platform/runtime/root.h"
#include "shell/mainglobals.h"

namespace kv {

namespace {
struct RunServicesState {
  std::function<i16(u32)> abortcheck;
};
}  // namespace

i16 nostack(Size bytes, i16) {
  std::size_t need = std::max<std::size_t>(std::size_t(bytes < 0 ? 0 : bytes), kStackGuardMargin);
  return stackremaining() < need ? 1 : 0;
}

void passreset() {
  MainGlobals& g = mainglobals();
  clearerror();
  g.senddepth = 0;
  g.trydepth = 0;
  g.lockMessages = 0;
  checkusings();
  trimrepeatque();
  trimswitchque();
}

i16 option() { return (GetCurrentKeyModifiers() & optionKey) != 0 ? 1 : 0; }

i16 isabort(u32 ticks) {
  RunServicesState& s = state<RunServicesState>();
  return s.abortcheck ? s.abortcheck(ticks) : 0;
}

void setabortcheck(std::function<i16(u32)> check) { state<RunServicesState>().abortcheck = std::move(check); }

}  // namespace kv
