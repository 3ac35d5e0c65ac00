#include "platform/process/process.h"

#include <csignal>

#include "platform/backend/backend.h"
#include "platform/backend/headless.h"
#include "platform/runtime/root.h"
#include "platform/testing/transcript.h"

namespace kv {

namespace {

struct ProcessState {
  bool front = true;
  bool attention = false;
};

ProcessState& ps() { return state<ProcessState>(); }

bool isown(const ProcessSerialNumber& p) {
  return p == kOwnProcess || (p.highLongOfPSN == 0 && p.lowLongOfPSN == kCurrentProcess);
}

// Written by the signal handler, read by the event fetch: the one place outside the runtime
// root, since a signal handler can reach nothing else.
volatile std::sig_atomic_t quitsignal = 0;

void onquitsignal(int) { quitsignal = 1; }

}  // namespace

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
  struct sigaction sa{};
  sa.sa_handler = onquitsignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

bool takequitsignal() {
  if (!quitsignal) return false;
  quitsignal = 0;
  return true;
}

}  // namespace kv
