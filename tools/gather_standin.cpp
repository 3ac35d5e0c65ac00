// Until pictures are gathered into objects: only the colour table of a picture is taken, by
// drawing it offscreen with a bits procedure that copies the table of the first 8-bit pixel map.
#include "tools/gather.h"

#include <algorithm>

#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"

namespace kv {

CTabHandle extractclut(PicHandle picture) {
  if (picture == nilhandle || GetHandleSize(picture) < 10) return nilhandle;
  Rect frame{};
  QDGetPictureBounds(picture, &frame);
  frame = Rect{std::min(frame.top, frame.bottom), std::min(frame.left, frame.right),
               std::max(frame.top, frame.bottom), std::max(frame.left, frame.right)};
  if (frame.bottom == frame.top) frame.bottom = i16(frame.top + 1);
  if (frame.right == frame.left) frame.right = i16(frame.left + 1);
  GWorldPtr world = nilid;
  if (NewGWorld(&world, 8, &frame, nilhandle, nilhandle, 0) != noErr) return nilhandle;
  CGrafPtr oldport = nilid;
  GDHandle olddevice = nilhandle;
  GetGWorld(&oldport, &olddevice);
  SetGWorld(world, nilhandle);
  CTabHandle found = nilhandle;
  QDProcs procs;
  SetStdCProcs(&procs);
  // Only the table is wanted: nothing is drawn.
  procs.bitsProc = [&found](const BitMap* src, const Rect*, const Rect*, i16, RgnHandle) {
    if (found != nilhandle || src == nullptr || (src->rowBytes & pixmapflag) == 0) return;
    const PixMap* pm = reinterpret_cast<const PixMap*>(src);
    if (pm->pixelSize != 8 || pm->pmTable == nilhandle) return;
    Handle copy = pm->pmTable;
    if (HandToHand(&copy) == noErr) found = copy;
  };
  SetPortGrafProcs(world, &procs);
  DrawPicture(picture, &frame);
  SetPortGrafProcs(world, nullptr);
  SetGWorld(oldport, olddevice);
  DisposeGWorld(world);
  return found;
}

}  // namespace kv
