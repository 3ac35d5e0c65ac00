// Stand-in until drag tracking exists: the handlers are only marked installed or removed.
#include "platform/runtime/root.h"
#include "tools/dragmanager.h"

namespace kv {

namespace {
struct DragManagerState {
  bool installed = false;
};
DragManagerState& dms() { return state<DragManagerState>(); }
}  // namespace

OSErr MyInitDragManager() {
  dms().installed = true;
  return noErr;
}

OSErr MyKillDragManager() {
  dms().installed = false;
  return noErr;
}

bool draghandlersinstalled() { return dms().installed; }

}  // namespace kv
