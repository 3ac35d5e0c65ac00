// The program's process as the desktop sees it: whether it is the front process (following
// the backend's focus), bringing it to the front, and asking for the user's attention.
#pragma once

#include <csignal>

#include "platform/types.h"

namespace kv {

struct ProcessSerialNumber {
  u32 highLongOfPSN;
  u32 lowLongOfPSN;
};
inline bool operator==(const ProcessSerialNumber& a, const ProcessSerialNumber& b) {
  return a.highLongOfPSN == b.highLongOfPSN && a.lowLongOfPSN == b.lowLongOfPSN;
}

// The well-known numbers: no process, the system, and "the current process".
enum : u32 { kNoProcess = 0, kSystemProcess = 1, kCurrentProcess = 2 };
// The serial number of this program, and the one that stands for "another program".
constexpr ProcessSerialNumber kOwnProcess{0, 0x1000};
constexpr ProcessSerialNumber kOtherProcess{0, 0x1001};

constexpr OSErr procNotFound = -600;

OSErr GetCurrentProcess(ProcessSerialNumber* psn);
OSErr GetFrontProcess(ProcessSerialNumber* psn);
// kCurrentProcess names this program in every call that takes a serial number.
OSErr SameProcess(const ProcessSerialNumber* a, const ProcessSerialNumber* b, Boolean* result);
// Bringing this program to the front asks the display to raise it; it becomes the front
// process (and a resume event arrives) when the display gives it the focus. Headless, that
// happens at once.
OSErr SetFrontProcess(const ProcessSerialNumber* psn);

// Whether this program is the front process now (set from the focus inputs).
bool processisfront();
void setprocessfront(bool front);

// Asks the user's attention (the dock icon bounces, the window flashes); false stops it.
OSErr requestuserattention(bool on);
bool attentionrequested();

// The system alert sound (the duration is not used); recorded in the transcript.
void SysBeep(i16 duration);

// Signals, installed by the program's start and taken in by the event fetch. SIGINT is the
// user's abort key (a command-period key press); a second SIGINT within two seconds, SIGTERM
// and SIGHUP ask the program to quit (a quit request in the event queue), and the process
// then ends with 128 + the signal's number.
void installquitsignals();
namespace processdetail {
// Set by the signal handler: 128 + the signal asking to quit, and an interrupt, not yet taken.
extern volatile std::sig_atomic_t pendingquit;
extern volatile std::sig_atomic_t pendinginterrupt;
}  // namespace processdetail
// Whether a signal arrived that the event fetch has not taken yet (cheap: asked between
// statements, inline).
inline bool signalpending() { return processdetail::pendingquit != 0 || processdetail::pendinginterrupt != 0; }
// Answers (and clears) whether an interrupt arrived.
bool takeinterruptsignal();
// Answers (and clears) whether a quit signal arrived; the first one taken sets the status.
bool takequitsignal();
// 128 + the number of the first quit signal taken in this run, or 0.
int quitsignalstatus();

}  // namespace kv
