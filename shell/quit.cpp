#include "shell/quit.h"

#include "platform/process/exit.h"
#include "shell/mainglobals.h"

namespace kv {

void quitfile() {
  mainglobals().quitting = 1;
  exitprocess(kExitOK);
}

}  // namespace kv
