// Until the record cache exists the guard has nothing to purge and refuses nothing, except
// when a test asks it to.
#include "store/memoryguard.h"

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct MemoryGuardState {
  bool refuse = false;
};
}  // namespace

int nomemory(Size bytes) {
  if (bytes == 0) return 0;
  return state<MemoryGuardState>().refuse ? 1 : 0;
}

void setmemoryguardrefusal(bool on) { state<MemoryGuardState>().refuse = on; }

}  // namespace kv
