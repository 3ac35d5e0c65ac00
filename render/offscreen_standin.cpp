// A stand-in for the card offscreen world until card drawing composes into it: the world is
// made, kept and disposed; locking its pixels, resizing it and the temporary buffers join with
// card drawing.
#include "render/offscreen.h"

#include "platform/qd/ports.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {
struct OffscreenState {
  GWorldPtr world = nilid;
  i16 depth = 0;
  Rect bounds{0, 0, 0, 0};
  // The drawing layer's state comes first, so that it is still there when this one goes.
  OffscreenState() {
    CGrafPtr port = nilid;
    GDHandle device = nilhandle;
    GetGWorld(&port, &device);
  }
  OffscreenState(const OffscreenState&) = delete;
  OffscreenState& operator=(const OffscreenState&) = delete;
  ~OffscreenState() {
    if (world != nilid) DisposeGWorld(world);
  }
};
OffscreenState& os() { return state<OffscreenState>(); }
}  // namespace

i16 CreateOffScreen(i16 depth) {
  OffscreenState& s = os();
  if (depth != 1 && depth != 8 && depth != 16 && depth != 32) depth = 8;
  s.depth = depth;
  GWorldPtr world = nilid;
  if (NewGWorld(&world, depth, &s.bounds, nilhandle, nilhandle, 0) != noErr || world == nilid) return 0;
  if (s.world != nilid) DisposeGWorld(s.world);
  s.world = world;
  return 1;
}

void DisposeOffScreen() {
  OffscreenState& s = os();
  if (s.world != nilid) DisposeGWorld(s.world);
  s.world = nilid;
}

GWorldPtr GetOffScreenWorld() { return os().world; }

i16 GetOffScreenDepth() { return os().depth; }

Rect GetOffScreenBounds() { return os().bounds; }

void SetOffScreenBounds(const Rect& bounds) { os().bounds = bounds; }

void resyncoffscreen() {}

}  // namespace kv
