// Closing project windows and asking for a project to open.
#pragma once

#include "platform/types.h"

namespace kv {

// Closes the current window with its closing messages; closing the last one quits (a
// "quitKestrove" handler that exits to the top keeps it open). 0, -991 when a handler went
// elsewhere, or a handler's status.
i16 closewindow();
// The preference domain of the companion editor, where the hand-over back to it is written.
constexpr const char* kEditorDomain = "kestrove-editor";
// Writes the hand-over for the companion editor, only when the editor started the program and
// it is not a standalone: "trantime" (now, in seconds since 1904), "tranwind" and "trancard"
// (the current window's and card's numbers with `withcard`, else 0) and "tranfile" (the
// project file's full path, as the alias of the file), then the editor's domain is written
// out. Nothing is written when the file's path cannot be made.
void setuptran(i16 withcard);
// Asks the user for a project ("Where is your project?") and opens it; a cancelled choice ends
// the process. The status of opening.
i16 openfile();
// Opens window 1 of the project file `name` in a folder (hidden when `mode` is 1), however
// long the folder's path: the status of opening.
i16 lowopen(ConstStringPtr name, i16 volume, u32 folder, u16 mode);

}  // namespace kv
