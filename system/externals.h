// Externals: code loaded from outside that may take a message before the built-ins.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// Offers the message at the atoms to the loaded externals. -1000 with *found 0 when none has
// that name; otherwise *found 1 and the external's status.
i16 xlookup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i16* found, fred* result, i16 unused);

}  // namespace kv
