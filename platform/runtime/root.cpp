#include "platform/runtime/root.h"

#include <vector>

#include "platform/memory/memory.h"

namespace kv {
namespace {
// Module states in creation order; owned by the root until the next reset.
std::vector<rootdetail::Slot>* gslots = new std::vector<rootdetail::Slot>();
}  // namespace

void rootdetail::registerslot(Slot s) { gslots->push_back(s); }

ResetReport resetruntime() {
  // A destructor may create or touch other states; keep going until none is left.
  while (!gslots->empty()) {
    rootdetail::Slot s = gslots->back();
    gslots->pop_back();
    s.destroy(s.object);
    *s.cache = nullptr;
  }
  MemoryFigures left = memoryreset();
  ResetReport r;
  r.leakedhandles = left.livehandles;
  r.leakedbytes = left.livebytes;
  return r;
}

}  // namespace kv
