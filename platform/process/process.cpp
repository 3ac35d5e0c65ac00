#include "platform/process/process.h"

#include <time.h>

#include <atomic>
#include <csignal>

#include "platform/backend/backend.h"
#include "platform/backend/headless.h"
#include "platform/runtime/root.h"
#include "platform/testing/transcript.h"

namespace kv {

using processdetail::pendinginterrupt;
using processdetail::pendingquit;

namespace {

struct ProcessState {
  bool front = true;
  bool attention = false;
  int quitstatus = 0;  // 128 + the signal of the first quit signal taken in this run
};

ProcessState& ps() { return state<ProcessState>(); }

bool isown(const ProcessSerialNumber& p) {
  return p == kOwnProcess || (p.highLongOfPSN == 0 && p.lowLongOfPSN == kCurrentProcess);
}

// Written by the signal handler, read on the main thread: the one place outside the runtime
// root, since a signal handler can reach nothing else (with the pending flags, declared in
// process.h). The main thread takes what arrived into the runtime root.
std::atomic<long long> lastinterrupt{0};  // monotonic milliseconds of the last SIGINT
static_assert(std::atomic<long long>::is_always_lock_free);

constexpr long long kSecondInterruptMs = 2000;

long long monotonicms() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);  // safe inside a signal handler
  return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

void onsignal(int sig) {
  if (sig == SIGINT) {
    long long now = monotonicms();
    long long before = lastinterrupt.exchange(now);
    if (before == 0 || now - before >= kSecondInterruptMs) {
      pendinginterrupt = 1;
      return;
    }
  }
  if (pendingquit == 0) pendingquit = 128 + sig;
}

}  // namespace

volatile std::sig_atomic_t processdetail::pendingquit = 0;
volatile std::sig_atomic_t processdetail::pendinginterrupt = 0;

OSErr GetCurrentProcess(ProcessSerialNumber* psn) {
  if (!psn) return paramErr;
  *psn = kOwnProcess;
  return noErr;
}

OSErr GetFrontProcess(ProcessSerialNumber* psn) {
  if (!psn) return paramErr;
  *psn = ps().front ? kOwnProcess : kOtherProcess;
  return noErr;
}

OSErr SameProcess(const ProcessSerialNumber* a, const ProcessSerialNumber* b, Boolean* result) {
  if (!a || !b || !result) return paramErr;
  bool same = (isown(*a) && isown(*b)) || *a == *b;
  *result = same ? 1 : 0;
  return noErr;
}

OSErr SetFrontProcess(const ProcessSerialNumber* psn) {
  if (!psn) return paramErr;
  if (!isown(*psn)) return procNotFound;
  Backend& b = backend();
  b.raise();
  if (HeadlessBackend* h = headlessbackend()) {
    if (!ps().front) {
      InputEvent in;
      in.kind = InputKind::focusin;
      in.when = h->ticks();
      h->schedule(in);
    }
  }
  return noErr;
}

bool processisfront() { return ps().front; }
void setprocessfront(bool front) { ps().front = front; }

OSErr requestuserattention(bool on) {
  ps().attention = on;
  backend().requestattention(on);
  return noErr;
}

bool attentionrequested() { return ps().attention; }

void SysBeep(i16) {
  transcriptadd(TranscriptKind::beep, {});
  backend().beep();
}

void installquitsignals() {
  struct sigaction sa {};
  sa.sa_handler = onsignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

bool takeinterruptsignal() {
  if (!pendinginterrupt) return false;
  pendinginterrupt = 0;
  return true;
}

bool takequitsignal() {
  int status = pendingquit;
  if (status == 0) return false;
  pendingquit = 0;
  ProcessState& s = ps();
  if (s.quitstatus == 0) s.quitstatus = status;
  return true;
}

int quitsignalstatus() {
  if (!hasstate<ProcessState>()) return 0;
  return ps().quitstatus;
}

}  // namespace kv
