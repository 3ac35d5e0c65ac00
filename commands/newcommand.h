// The `new` command.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `new [invisible] <kind> ...` at atom `at`: button, field, graphic, card, background,
// window, menu [name], project [name] [hide|show extension], folder name. 0, 2 for an unknown
// kind (or `invisible` with a menu, card or background, or a folder without a name), 19 for
// words left over, 37 for memory or a disk without room for the new records, 44 when the
// project or the new file cannot be written, 62 when the save dialog was cancelled, 104 with no
// project open, or the status of a name's expression or of a message handler.
scriptstatus comnew(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
