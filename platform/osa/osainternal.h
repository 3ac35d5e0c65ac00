// What the components of this folder share with the Component Manager.
#pragma once

#include <memory>

#include "platform/osa/osa.h"

namespace kv::osadetail {

// A new instance of the "Lua" component (null when Lua cannot start).
std::unique_ptr<ScriptingInstance> openlua();
// Asks the program's interrupt check: non-zero stops the running script (kept for
// osatakeinterrupt).
i16 pollinterrupt();

}  // namespace kv::osadetail
