#include "shell/mainglobals.h"

#include "platform/runtime/root.h"

namespace kv {

namespace {
struct MainGlobalsState {
  MainGlobals g{};
};
}  // namespace

MainGlobals& mainglobals() { return state<MainGlobalsState>().g; }

}  // namespace kv
