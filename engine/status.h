// Status results shared by the engine's value and text routines (0 is success).
#pragma once

#include "engine/scripterrors.h"
#include "platform/types.h"

namespace kv {

enum : i16 {
  statusnohandle = 1,       // an existing handle was required and none was given
  statusnotmacroman = 1,    // a platform text holds characters Mac Roman cannot hold
  statusnotnumber = 12,     // a real was wanted
  statusnotboolean = 15,    // true or false was wanted
  statusnovariable = 16,    // no variable of that name
  statusbadname = 18,       // the text cannot name a variable
  statusnomemory = 37,      // out of memory: the guard refused or an allocation failed
  statusunterminated = 58,  // a quoted literal without its closing quote
  statusreserved = 97,      // a reserved word cannot name a variable
};

}  // namespace kv
