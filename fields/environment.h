// The name of the running environment.
#pragma once

#include "platform/types.h"

namespace kv {

// "Kestrove" for the runtime, "Standalone Application" for a standalone.
void getenvironment(StringPtr out);

}  // namespace kv
