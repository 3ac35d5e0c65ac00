#include "properties/latentvis.h"

namespace kv {

namespace {
constexpr u32 kCreator = fourcc("VIZu"), kTag = fourcc("LVis");
}

void setwindowlatentvis(WindowRef window, u16 flag) {
  if (IsValidWindowPtr(window)) SetWindowProperty(window, kCreator, kTag, sizeof flag, &flag);
}

u16 getwindowlatentvis(WindowRef window) {
  u16 flag = 0;
  u32 size = 0;
  if (!IsValidWindowPtr(window) || GetWindowProperty(window, kCreator, kTag, sizeof flag, &size, &flag) != noErr ||
      size != sizeof flag)
    return 0;
  return flag;
}

}  // namespace kv
