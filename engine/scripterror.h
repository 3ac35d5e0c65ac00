// Script errors: where the first error of a run happened, handing the error to the scripts as
// "scriptError" followed by its number once the outermost send has returned, and the error
// alert when no script takes it. The texts of the errors are string list 1002.
#pragma once

#include <string>

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// Records the first error position: only when the error belongs to the entry's own script
// (`text` is its script), no position is recorded yet and no `try` is running. An entry of
// no level (the text a `do` runs) records none: the error's place is the `do` statement.
void posterror(const hier& entry, i32 atom, Handle text);
// Clears the recorded position, as the main loop does on every pass.
void clearerror();

// Reports a status at the end of the outermost send: a status below 1 does nothing; 62 only
// while the option key is held. "scriptError n" goes, forced past lockMessages, to the object
// whose script failed when its window is open (to the shared project when that is the failing
// project), else to the current card; when that send fails itself, the alert shows its status.
// While a report is under way, a second one does nothing.
void doerror(i16 status);

// The text of a script error number (string list 1002); numbers outside 1..236 take entry
// 118, which names the number.
void scripterrortext(i16 n, StringPtr out);
// The error alert for a number (the built-in `scriptError` command and the shell call it):
// errordialog with kind 600, recoverable when a position is recorded and n is not 85.
i16 showerrordialog(i16 n);
// The caution alert "Veltrix Error Number n:" with the error's text, "Cancel" as its default
// button and "Quit". Answers 2 at once while lockErrorDialogs is set. Cancel answers 1 and stops
// the script, recoverable or not; Quit closes every window and ends the program.
// A headless run also writes the alert to standard error and the transcript as "kestrove:
// PROJECT: Veltrix Error Number n: text", followed, when the error's place is known, by "  in
// handler H of OBJECT, line L: SOURCE" (the object's long name, the script's line number and
// that line's text), and ends with status 1 (platform/process/exit.h).
i16 errordialog(i16 kind, i16 n, i16 recoverable);
// How many error alerts the run has shown.
u32 scripterrorsshown();
// "handler H of OBJECT" (UTF-8, the object by its reference text) for the innermost handler
// running, or empty.
std::string runninghandler();
// The name of the innermost handler running (Mac Roman), or empty.
std::string runningmessage();

}  // namespace kv
