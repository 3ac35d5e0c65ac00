#include "render/controlflush.h"

#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "render/controlvisibility.h"
#include "render/objectbounds.h"
#include "render/spotstyles.h"
#include "shell/redraws.h"
#include "store/objects.h"

namespace kv {

namespace {

enum : u32 { kShowsInvisibles = 1u << 7 };

// The drawing bounds of an object grown by 3, invalidated in the window.
void invalidate(WindowRef window, const spot& s) {
  if (!IsValidWindowPtr(window)) return;
  Rect r{};
  lowcalc(&s, &r);
  const Rect area = growrect(r, 3);
  InvalWindowRect(window, &area);
}

void flushone(Handle list, i32 index, i16 all, bool invalidatefirst, WindowRef window) {
  spot s = spotat(list, index);
  if (invalidatefirst) invalidate(window, s);
  if (!all && s.style != 210 && s.style != 206) return;
  if (livecontrol(s) == nilid) return;
  dumpspotcontrol(s);
  putspot(list, index, s);
}

void flushlist(Handle list, i16 all, bool invalidatefirst, WindowRef window) {
  for (i32 i = 0; i < spotcount(list); ++i) flushone(list, i, all, invalidatefirst, window);
}

}  // namespace

void lowflush(const objread& obj, i16 all) {
  const WindowRef window = obj.d.window;
  switch (obj.kind) {
    case objwindow:
      flushlist(obj.d.cardspots, all, false, window);
      flushlist(obj.d.backspots, all, false, window);
      break;
    case objcard: flushlist(obj.d.cardspots, all, true, window); break;
    case objbackground: flushlist(obj.d.backspots, all, true, window); break;
    case objpart:
      if (obj.objects == nilhandle || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects)) return;
      flushone(obj.objects, obj.objindex, all, true, window);
      break;
    default: return;
  }
  if (!IsValidWindowPtr(window)) return;
  const CGrafPtr port = GetWindowPort(window);
  if (!port || GetPortPenVisibility(port) < 0) return;
  if (obj.kind == objpart) {
    const spot s = spotat(obj.objects, obj.objindex);
    const bool invisibles = obj.d.wind != nilhandle && (loadat<windrec>(deref(obj.d.wind)).flags & kShowsInvisibles);
    if (!(s.flags & spotvisible) && !invisibles) return;
  }
  drawread(obj);
}

}  // namespace kv
