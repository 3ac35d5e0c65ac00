#include "render/behindcolour.h"

#include "platform/windows/windows.h"
#include "render/spotstyles.h"
#include "shell/mainglobals.h"

namespace kv {

bool windowdimmed() {
  const WindowRef w = mainglobals().current.window;
  return w != nilid && !IsWindowHilited(w);
}

i16 bgShouldBeGrayed(const spot& object) {
  if (!(object.flags & spotautodim) || mainglobals().imagedrawing) return 0;
  return windowdimmed() ? 1 : 0;
}

}  // namespace kv
