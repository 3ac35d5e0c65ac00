// A button's icon made into a picture, for the 'PICT' flavour of a dragged button.
#include "tools/picturedrops.h"

#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/buttonicons.h"
#include "render/spotstyles.h"
#include "shell/mainglobals.h"
#include "store/memoryguard.h"

namespace kv {

namespace {
constexpr Rect kIconFrame{0, 0, 32, 32};
i16 transformfor(const spot& button) { return (button.flags & spotdisabled) ? kTransformDisabled : kTransformNone; }
}  // namespace

PicHandle GetPictFromCicn(const spot& button, CIconHandle icon) {
  if (icon == nilhandle) return nilhandle;
  GWorldPtr world = nilid;
  const i16 depth = 32;
  if (NewGWorld(&world, depth, &kIconFrame, 0, 0, 0) != noErr) {
    DisposeCIcon(icon);
    return nilhandle;
  }
  PicHandle pic = nilhandle;
  {
    SavePort keep;
    SetGWorld(world, 0);
    EraseRect(&kIconFrame);
    PlotCIconHandle(&kIconFrame, 0, transformfor(button), icon);
    pic = OpenPicture(&kIconFrame);
    const BitMap* bits = GetPortBitMapForCopyBits(world);
    CopyBits(bits, bits, &kIconFrame, &kIconFrame, srcCopy, nilid);
    ClosePicture();
  }
  DisposeGWorld(world);
  DisposeCIcon(icon);
  return pic;
}

PicHandle GetPictFromICON(const spot& button) {
  if (!mainglobals().memplentiful && nomemory(1024)) return nilhandle;
  const u32 id = loadat<buttontail>(button.tail.b).icon;
  Handle icon = NewHandle(i32(kIconBytes));
  if (icon == nilhandle) return nilhandle;
  if (!geticon(id, static_cast<u8*>(deref(icon)))) {
    DisposeHandle(icon);
    return nilhandle;
  }
  // Recorded in a world of its own, so that no window is drawn into.
  GWorldPtr world = nilid;
  PicHandle pic = nilhandle;
  if (NewGWorld(&world, 1, &kIconFrame, 0, 0, 0) == noErr) {
    SavePort keep;
    SetGWorld(world, 0);
    pic = OpenPicture(&kIconFrame);
    EraseRect(&kIconFrame);
    PlotIcon(&kIconFrame, icon);
    ClosePicture();
  }
  if (world != nilid) DisposeGWorld(world);
  DisposeHandle(icon);
  return pic;
}

}  // namespace kv
