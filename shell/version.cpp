#include "shell/version.h"

namespace kv {
const char* versionstring() { return "kestrove 0.1.0"; }
}  // namespace kv
