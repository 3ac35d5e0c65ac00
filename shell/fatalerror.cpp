// The fatal-error path. The fatal-error dialog joins it when the dialogs run; until then the
// status reaches the transcript and the exit reason.
#include "shell/fatalerror.h"

#include <string>

#include "platform/process/exit.h"

namespace kv {

void checkerr(i16 status) {
  if (status == 0) return;
  exitprocess(kExitFailure, "fatal error " + std::to_string(status));
}

}  // namespace kv
