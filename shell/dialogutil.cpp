#include "shell/dialogutil.h"

#include "platform/windows/screens.h"
#include "shell/platformutil.h"

namespace kv {

void GetMaxRect(WindowRef window, Rect* out) {
  *out = Rect{};
  Rect structure{};
  if (!IsValidWindowPtr(window) || GetWindowBounds(window, kWindowStructureRgn, &structure) != noErr) return;
  Rect bounds{};
  if (GetAvailableWindowPositioningBounds(greatestareascreen(structure), &bounds) != noErr) return;
  limitrect(&bounds);
  Rect frame{};
  if (GetWindowStructureWidths(window, &frame) != noErr) frame = Rect{};
  *out = Rect{i16(bounds.top + frame.top), i16(bounds.left + frame.left), i16(bounds.bottom - frame.bottom),
              i16(bounds.right - frame.right)};
}

}  // namespace kv
