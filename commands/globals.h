// The names of the global variables, for the `globals` statement and function.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

// A new owned temporary holding the names of all global variables, in the order they were
// made, separated by commas. 0, or 37 when the memory cannot be had (the value is then the
// empty text).
i16 globaltofred(fred* out);

}  // namespace kv
