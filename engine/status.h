// Status results shared by the engine's value and text routines (0 is success).
#pragma once

#include "platform/types.h"

namespace kv {

enum : i16 {
  statusnohandle = 1,       // an existing handle was required and none was given
  statusnotmacroman = 1,    // a platform text holds characters Mac Roman cannot hold
  statusnomemory = 37,      // out of memory: the guard refused or an allocation failed
  statusunterminated = 58,  // a quoted literal without its closing quote
};

}  // namespace kv
