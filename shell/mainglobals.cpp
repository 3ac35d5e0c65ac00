#include "shell/mainglobals.h"

#include "platform/memory/memory.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {
struct MainGlobalsState {
  MainGlobals g{};
  // The handles the record owns go with it.
  ~MainGlobalsState() {
    for (Handle h : {g.tokenhash, g.handlerflags})
      if (h != nilhandle) DisposeHandle(h);
  }
};
}  // namespace

MainGlobals& mainglobals() { return state<MainGlobalsState>().g; }

}  // namespace kv
