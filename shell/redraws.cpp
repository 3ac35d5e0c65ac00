#include "shell/redraws.h"

#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "render/objectbounds.h"
#include "store/records.h"

namespace kv {

namespace {
struct RedrawState {
  std::vector<redrawrequest> requests;
};

}  // namespace

void drawedit(const desk& d, const Rect* area) {
  state<RedrawState>().requests.push_back({d.window, area == nullptr, area ? *area : Rect{}});
}

void drawread(const objread& obj) {
  if (obj.d.window == nilid) return;
  switch (obj.kind) {
    case objpart:
    case objembedded: {
      Rect r{};
      calcspot(obj.objects, obj.objindex, &r);
      drawedit(obj.d, &r);
      return;
    }
    case objcard:
    case objbackground:
    case objwindow:
    case objproject:
      // The window record's rectangle lies in screen coordinates, not the card's: the whole
      // card area is what it stands for.
      drawedit(obj.d, nullptr);
      return;
    default: return;
  }
}

std::vector<redrawrequest> takeredraws() {
  std::vector<redrawrequest> out;
  out.swap(state<RedrawState>().requests);
  return out;
}

}  // namespace kv
