#include "render/windowclip.h"

#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "render/offscreen.h"
#include "shell/cardscroll.h"
#include "shell/mainglobals.h"
#include "shell/platformutil.h"
#include "store/records.h"

namespace kv {

namespace {
constexpr u16 kScrollingWindowStyle = 1;
}  // namespace

void getinterior(Rect* out) { lowgetinterior(out); }

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

void clipdown() { lowclipdown(); }

void lowclipdown() {
  SetOrigin(0, 0);
  const Rect bounds = GetOffScreenBounds();
  ClipRect(&bounds);
}

void clipup() { lowclipup(); }

}  // namespace kv
