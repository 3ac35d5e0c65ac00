// The program's side of the display module, and the choice between a window and headless: the
// module is loaded only when a display is there and a window is asked for.
#include <cstdio>
#include <cstdlib>

#include "platform/backend/displaymodule.h"
#include "platform/backend/headless.h"

namespace kv {

#define KV_DISPLAY_FORWARDER(...) KV_MODULE_FORWARDER(DisplayModule, "display", __VA_ARGS__)
KV_DISPLAY_ENTRIES(KV_DISPLAY_FORWARDER)

bool displayavailable() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && *driver) return true;
  const char* x = std::getenv("DISPLAY");
  const char* wl = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wl && *wl);
}

std::unique_ptr<Backend> openbackend(bool headless, const ScreenInfo& screen, bool fit) {
  if (!headless && displayavailable()) {
    std::string why;
    if (auto b = opensdl2backend(screen, &why, fit)) return b;
    std::fprintf(stderr, "kestrove: %s; running headless\n", why.c_str());
  }
  return std::make_unique<HeadlessBackend>(std::vector<ScreenInfo>{screen});
}

}  // namespace kv
