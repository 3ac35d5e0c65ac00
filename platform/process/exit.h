// Every end of the process goes through one routine and one replaceable hook, so that tests
// can turn an exit into an outcome they can look at.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kv {

// Exit statuses of the program's own making.
enum : int {
  kExitOK = 0,
  kExitFailure = 1,
  kExitUnattended = 3,  // a headless run met a modal or tracking loop nobody answered
  kExitStuck = 124,     // a headless run's script ran 10 virtual minutes with no input left
};

// What an intercepted exit turns into: thrown by exitprocess when the hook returns.
struct ProcessExit {
  int status = 0;
  std::string reason;
};

// The hook gets the status and a reason (empty for an ordinary end). The program's hook ends
// the process; a test's hook records and returns, and exitprocess then throws ProcessExit.
using ExitHook = std::function<void(int status, const std::string& reason)>;
// Installs a hook (an empty one restores the default, which ends the process).
void setexithook(ExitHook hook);

// What the program does last when the process ends through exitprocess with the default hook
// (a quit from inside the event loop, a fatal error): the same clean-up and output as a run
// that returns from its loop. An empty function does nothing.
void setlastwords(std::function<void()> last);

// A headless run showed a script error: it ends with kExitFailure where it would end with
// kExitOK.
void notefailedrun();
// The status a run that ends with `status` ends the process with: one that a signal asked to
// quit ends with 128 + the signal's number where it would end with kExitOK or kExitFailure;
// a failed run (notefailedrun) with kExitFailure where it would end with kExitOK.
int endstatus(int status);

// Records the exit in the transcript and calls the hook, with the status endstatus makes of
// `status`; with the default hook, the end of run's files and the last words follow. Never
// returns.
[[noreturn]] void exitprocess(int status, std::string_view reason = {});

}  // namespace kv
