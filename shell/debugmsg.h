// Diagnostic messages to the system console.
#pragma once

#include "platform/types.h"

namespace kv {

// Writes a length-prefixed Mac Roman text, followed by a new line, to the console.
void KVDebugMsg(ConstStringPtr text);

}  // namespace kv
