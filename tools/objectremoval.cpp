// Object removal and the new-bitmap size limit.
#include "tools/objectremoval.h"

#include <algorithm>

#include "engine/objectutil.h"
#include "render/carddrawing.h"
#include "render/controlvisibility.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tools/paintsession.h"

namespace kv {

void squashutil(Handle list, i16 index) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  MainGlobals& g = mainglobals();
  // Tracking loops that see the counter move stop.
  ++g.layerchanges;
  invalspot(list, index);
  spot s = spotat(list, index);
  if (isplatformcontrol(s) && getcontrolpart(s).control != 0) dumpspotcontrol(s);
  if (usesenginetwo(&s) && livefield(s) != 0 && livefield(s) == g.openfieldrec) {
    g.openfield = -1;
    g.openfieldrec = nilid;
    g.openfieldspots = nilhandle;
  } else if (list == g.openfieldspots && g.openfield > index) {
    // The open field moves down with the records after the removed one.
    --g.openfield;
  }
  // A paint session on the object ends (its image goes), one on a later object moves down.
  paintremoving(list, index);
  qdelete(list, index, i32(sizeof(spot)));
  // The parts go through a list of the one record, so that a group's nested list goes with it.
  Handle one = nilhandle;
  if (PtrToHand(&s, &one, Size(sizeof s)) == noErr) dumpspot(one);
}

void limitbits(Rect* r, Point anchor, Point current, i32 budget, i16 mask, i16 colour) {
  i32 width = std::max<i32>(i32(r->right) - r->left, 1), height = std::max<i32>(i32(r->bottom) - r->top, 1);
  const i64 factor = (colour ? 8 : 1) + ((u16(mask) & 0x8000) ? 1 : 0);
  auto estimate = [&] { return i64((width + 15) / 16) * 2 * height * factor; };
  if (estimate() <= budget) return;
  while (estimate() > budget && (width > 1 || height > 1)) {
    width = std::max<i32>(width * 99 / 100, 1);
    height = std::max<i32>(height * 99 / 100, 1);
  }
  if (anchor.h < current.h) r->right = i16(r->left + width);
  else r->left = i16(r->right - width);
  if (anchor.v < current.v) r->bottom = i16(r->top + height);
  else r->top = i16(r->bottom - height);
}

}  // namespace kv
