// The script editor a running project may call up. This runtime has no script editor: a script
// handed to it comes back unchanged.
#pragma once

#include "platform/types.h"

namespace kv {

// Edits a script at a position for the object the reference text names: 1 when the script was
// changed, 0 when not (always 0 here).
i16 editscript(Handle script, i32 position, ConstStringPtr reference);

}  // namespace kv
