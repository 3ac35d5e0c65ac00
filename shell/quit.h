// Ending the program by the user's choice.
#pragma once

namespace kv {

// Ends the program once its windows are closed: marks it quitting and ends the process with
// status 0 (through the process-exit hook, which tests intercept).
[[noreturn]] void quitfile();

}  // namespace kv
