// The program's name and version as the shell reports them.
#pragma once

namespace kv {
const char* versionstring();
}
