// Closing project windows and asking for a project to open.
#pragma once

#include "platform/types.h"

namespace kv {

// Closes the current window with its closing messages; closing the last one quits (a
// "quitKestrove" handler that exits to the top keeps it open). 0, -991 when a handler went
// elsewhere, or a handler's status.
i16 closewindow();
// Asks the user for a project and opens it; a cancelled choice ends the process. The status
// of opening.
i16 openfile();

}  // namespace kv
