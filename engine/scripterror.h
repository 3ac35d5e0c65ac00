// Script errors: where the first error of a run happened, and the texts of the errors.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// Records the first error position: only when the error belongs to the entry's own script
// (`text` is its script), no position is recorded yet and no `try` is running.
void posterror(const hier& entry, i32 atom, Handle text);
// Clears the recorded position, as the main loop does on every pass.
void clearerror();

// The text of a script error number (string list 1002); numbers outside 1..234 take entry
// 118, which names the number.
void scripterrortext(i16 n, StringPtr out);
// The caution alert "Veltrix Error Number n:" with the error's text, unless lockErrorDialogs
// is set. Answers 1 (Cancel) or 2 (Quit chosen or the alert suppressed).
i16 showerrordialog(i16 n);

}  // namespace kv
