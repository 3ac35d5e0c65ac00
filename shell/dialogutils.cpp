#include "shell/dialogutils.h"

#include "platform/windows/screens.h"
#include "shell/platformutil.h"

namespace kv {

void GetMaxRect(WindowRef window, Rect* out) {
  Rect structure{};
  GetWindowBounds(window, kWindowStructureRgn, &structure);
  Rect r{};
  GetAvailableWindowPositioningBounds(greatestareascreen(structure), &r);
  limitrect(&r);
  Rect widths{};
  GetWindowStructureWidths(window, &widths);
  r.top = i16(r.top + widths.top);
  r.left = i16(r.left + widths.left);
  r.bottom = i16(r.bottom - widths.bottom);
  r.right = i16(r.right - widths.right);
  *out = r;
}

}  // namespace kv
