// Cursors named by scripts: a cursor id or name, "arrow", "watch", "busy", or none.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

// Sets a cursor slot from a value's text: slot 0 the object cursor of the global state, 1 the
// default cursor. A cursor not found leaves the slot and puts result text 15 into `the
// result`. 0, or 37 when a cursor cannot be copied.
i16 findefaultcurs(const fred& value, i16 slot);

}  // namespace kv
