// The fatal-error path: a status that the caller cannot recover from ends the program.
#pragma once

#include "platform/types.h"

namespace kv {

// Returns when status is 0; any other status ends the program (through the process-exit
// hook, which tests intercept), naming the status.
void checkerr(i16 status);

}  // namespace kv
