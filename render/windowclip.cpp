#include "render/windowclip.h"

#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "render/offscreen.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "store/records.h"
#include "system/proctable.h"

namespace kv {

namespace {
constexpr u16 kScrollingWindowStyle = 1;
}  // namespace

void getinterior(Rect* out) {
  *out = Rect{0, 0, 0, 0};
  if (auto routine = getproc<345>()) routine(out);
}

void lowgetinterior(Rect* out) {
  const desk& d = mainglobals().current;
  *out = Rect{0, 0, 0, 0};
  if (d.window == nilid) return;
  GetWindowPortBounds(d.window, out);
  if (d.wind != nilhandle && loadat<windrec>(deref(d.wind)).word2 == kScrollingWindowStyle) {
    out->right = i16(out->right - kScrollBarWidth);
    out->bottom = i16(out->bottom - kScrollBarWidth);
  }
}

void clipdown() {
  if (auto routine = getproc<342>()) routine();
}

void lowclipdown() {
  SetOrigin(0, 0);
  const Rect bounds = GetOffScreenBounds();
  ClipRect(&bounds);
}

void clipup() {
  if (auto routine = getproc<341>()) routine();
}

}  // namespace kv
