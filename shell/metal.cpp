#include "shell/metal.h"

namespace kv {

bool IsMetalWindow(WindowRef window) {
  WindowAttributes a = 0;
  return IsValidWindowPtr(window) && GetWindowAttributes(window, &a) == noErr && (a & kWindowMetalAttribute);
}

}  // namespace kv
