#include "platform/process/exit.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/process/process.h"
#include "platform/runtime/root.h"
#include "platform/testing/transcript.h"
#include "platform/testing/windowdump.h"

namespace kv {

namespace {
struct ExitState {
  ExitHook hook;
  std::function<void()> last;
  bool failed = false;
};
}  // namespace

void setexithook(ExitHook hook) { state<ExitState>().hook = std::move(hook); }

void setlastwords(std::function<void()> last) { state<ExitState>().last = std::move(last); }

void notefailedrun() { state<ExitState>().failed = true; }

int endstatus(int status) {
  if (int signalled = quitsignalstatus(); signalled != 0 && (status == kExitOK || status == kExitFailure))
    return signalled;
  if (status == kExitOK && hasstate<ExitState>() && state<ExitState>().failed) return kExitFailure;
  return status;
}

void exitprocess(int status, std::string_view reason) {
  status = endstatus(status);
  std::string why(reason);
  transcriptadd(TranscriptKind::exit, std::to_string(status) + (why.empty() ? "" : " " + why));
  ExitHook hook = state<ExitState>().hook;
  if (hook) {
    hook(status, why);
    throw ProcessExit{status, why};
  }
  writeendofrun();
  // Taken out first: last words that end the process again say nothing twice.
  std::function<void()> last = std::exchange(state<ExitState>().last, {});
  if (last) last();
  if (!why.empty()) std::fprintf(stderr, "kestrove: %s\n", why.c_str());
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace kv
