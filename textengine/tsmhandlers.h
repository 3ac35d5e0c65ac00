// The text engine's input-method handlers, installed while `allowTextServices` is on.
#pragma once

#include "platform/types.h"

namespace kv {

// Installs the four input-method handlers: the first failure, or 0.
OSErr WEInstallTSMHandlers();
// Removes them: -1717 when they were never installed, else the first failure or 0.
OSErr WERemoveTSMHandlers();

}  // namespace kv
