// A stand-in for scrolling the card until it is built: the card's scroll bars hold no value
// yet, so the port's origin is (0, 0) and its clip the window's interior.
#include "shell/cardscroll.h"

#include "platform/qd/ports.h"
#include "render/windowclip.h"

namespace kv {

void lowclipup() {
  SetOrigin(0, 0);
  Rect interior{};
  getinterior(&interior);
  ClipRect(&interior);
}

}  // namespace kv
