// Until objects are dragged out of card windows: no drag starts. Each request is noted with the
// objects it would have dragged (standindrags, tools/dragsend_standin.h), so that the commands
// that ask for drags can be checked before drag sending exists.
#include "tools/dragsend.h"

#include "platform/runtime/root.h"
#include "shell/mainglobals.h"
#include "store/objects.h"
#include "tools/dragsend_standin.h"

namespace kv {

namespace {
struct DragSendState {
  std::vector<standindrag> drags;
  bool handlers = false;  // the tracking and receive handlers, only marked
};
}  // namespace

std::vector<standindrag>& standindrags() { return state<DragSendState>().drags; }

bool draghandlersinstalled() { return state<DragSendState>().handlers; }

OSErr MyInitDragManager() {
  state<DragSendState>().handlers = true;
  return noErr;
}

OSErr MyKillDragManager() {
  state<DragSendState>().handlers = false;
  return noErr;
}

bool hasDragMgr() { return mainglobals().hasDragManager != 0; }

bool PickSpot(const EventRecord&, const objread& obj) {
  if (obj.kind != objpart || obj.objects == nilhandle) return false;
  standindrags().push_back(standindrag{obj.objects, {obj.objindex}});
  return false;
}

bool PickSelectedSpots(const EventRecord&, const objread& obj) {
  standindrag drag{obj.objects, {}};
  for (i32 i = 0; i < spotcount(obj.objects); ++i)
    if (spotat(obj.objects, i).selected != 0) drag.indexes.push_back(i16(i));
  if (drag.indexes.empty()) return false;
  standindrags().push_back(drag);
  return false;
}

}  // namespace kv
