// Stand-in until inline input exists: the handlers are only marked installed or removed.
#include "platform/runtime/root.h"
#include "textengine/tsmhandlers.h"

namespace kv {

namespace {
constexpr OSErr errAEHandlerNotFound = -1717;
struct TSMHandlerState {
  bool installed = false;
};
TSMHandlerState& tsms() { return state<TSMHandlerState>(); }
}  // namespace

OSErr WEInstallTSMHandlers() {
  tsms().installed = true;
  return noErr;
}

OSErr WERemoveTSMHandlers() {
  if (!tsms().installed) return errAEHandlerNotFound;
  tsms().installed = false;
  return noErr;
}

}  // namespace kv
