// Putting the open field up and down, the paint and draw modes, and typing into a field's
// text record.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "textengine/werecord.h"

namespace kv {

// Opens field `index` of a list in a window for editing (with "openField"): 0 or a status.
i16 putupfield(WindowRef window, Handle list, i16 index);
// Closes the open field (with "closeField" or "leaveField"): 0 or a status; 0 with none open.
i16 putdownfield();
// Closes the open field without messages.
void putdownfieldutil();
// Ends painting and the editing of a text graphic.
void putdownmodes();
// Types one key into a field's text record and marks it changed.
void wekey(u8 c, WEReference we);

}  // namespace kv
