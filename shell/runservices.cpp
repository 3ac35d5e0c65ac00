// The stack guard measures the run thread's stack.
#include "shell/runservices.h"

#include <algorithm>

#include "platform/runtime/bigstack.h"

namespace kv {

i16 nostack(Size bytes, i16) {
  std::size_t need = std::max<std::size_t>(std::size_t(bytes < 0 ? 0 : bytes), kStackGuardMargin);
  return stackremaining() < need ? 1 : 0;
}

}  // namespace kv
