// The program's console: standard error, where diagnostic messages go.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kv {

// Writes the UTF-8 bytes to standard error as they are (no newline added), retrying short
// writes; a write that fails is dropped, since there is nowhere left to report it.
void writeconsole(std::string_view utf8);

// The local date and time as the console's time stamp: "%b %e %H:%M:%S " with English month
// names ("Mar  7 14:05:09 ").
std::string consoletimestamp();

// Tests take what is written to the console instead (an empty function gives it back to
// standard error).
void setconsolecapture(std::function<void(std::string_view)> capture);

}  // namespace kv
