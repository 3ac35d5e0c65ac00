// The program's console: standard error, where diagnostic messages go.
#pragma once

#include <string_view>

namespace kv {

// Writes the UTF-8 bytes to standard error as they are (no newline added), retrying short
// writes; a write that fails is dropped, since there is nowhere left to report it.
void writeconsole(std::string_view utf8);

}  // namespace kv
