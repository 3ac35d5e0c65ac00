// What export writes, captured offscreen: the card drawn into a world or recorded as a
// picture, a picture or a pixel image copied into a world, and the picture data of a graphic
// kept in a file.
#include <algorithm>

#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "media/export.h"
#include "media/movies.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/carddrawing.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "system/getpicture.h"

namespace kv {

namespace {

constexpr i16 resultcantread = 14;

// A new world over (0, 0, height, width) of the rectangle, its size asked of the memory guard
// in 64 bits first.
i16 newworld(GWorldPtr* world, const Rect& rect, i16 depth) {
  *world = nilid;
  const i64 width = i64(rect.right) - rect.left, height = i64(rect.bottom) - rect.top;
  if (width <= 0 || height <= 0) return err::nomemory;
  const i64 bytes = width * height * std::max<i64>(depth, 1) / 8;
  if (memoryrefused64(bytes)) return err::nomemory;
  const Rect frame{0, 0, i16(height), i16(width)};
  return NewGWorld(world, depth, &frame, nilhandle, nilhandle, 0) == noErr ? i16(0) : err::nomemory;
}

}  // namespace

i16 cardtogworld(GWorldPtr* world, const Rect& rect, i16 depth, bool transparent) {
  if (i16 st = newworld(world, rect, depth)) return st;
  drawcardinto(*world, rect, transparent);
  return 0;
}

i16 cardtopicture(const Rect& rect, bool transparent, PicHandle* picture) {
  *picture = nilhandle;
  MainGlobals& g = mainglobals();
  GWorldPtr world = nilid;
  if (i16 st = newworld(&world, rect, g.bufferMode > 0 ? g.bufferMode : 32)) return st;
  {
    SavePort saved;
    SetPort(world);
    SetOrigin(rect.left, rect.top);
    ClipRect(&rect);
    PicHandle pic = OpenPicture(&rect);
    if (pic != nilhandle) {
      const i16 off = g.offwindowdrawing;
      g.offwindowdrawing = 1;
      if (!transparent) EraseRect(&rect);
      backspot(1);
      g.offwindowdrawing = off;
      ClosePicture();
    }
    SetOrigin(0, 0);
    *picture = pic;
  }
  DisposeGWorld(world);
  if (*picture == nilhandle) return err::nomemory;
  Rect bounds{};
  QDGetPictureBounds(*picture, &bounds);
  if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) {
    KillPicture(*picture);
    *picture = nilhandle;
    return err::nomemory;
  }
  return 0;
}

i16 pictogworld(PicHandle picture, GWorldPtr* world, const Rect& rect, i16 depth) {
  if (i16 st = newworld(world, rect, depth)) return st;
  Rect bounds{};
  QDGetPictureBounds(picture, &bounds);
  SavePort saved;
  SetPort(*world);
  SetOrigin(rect.left, rect.top);
  EraseRect(&rect);
  DrawPicture(picture, &bounds);
  SetOrigin(0, 0);
  return 0;
}

i16 gworldtogworld(GWorldPtr source, GWorldPtr* world, const Rect& rect, i16 depth) {
  if (i16 st = newworld(world, rect, depth)) return st;
  SavePort saved;
  SetPort(*world);
  ForeColor(blackColor);
  BackColor(whiteColor);
  const Rect frame{0, 0, i16(rect.bottom - rect.top), i16(rect.right - rect.left)};
  PixMapHandle pm = GetGWorldPixMap(source);
  LockPixels(pm);
  CopyBits(GetPortBitMapForCopyBits(source), GetPortBitMapForCopyBits(*world), &rect, &frame, srcCopy, nilhandle);
  UnlockPixels(pm);
  return 0;
}

i16 getpdpict(const spot& graphic, Handle* picture) {
  *picture = nilhandle;
  Handle stored = getaltdata(graphic.alt, 2);
  Str255 path{};
  if (IsValidHandle(stored)) {
    const Size n = std::min<Size>(GetHandleSize(stored), 255);
    path[0] = u8(n);
    std::copy_n(deref(stored), n, path + 1);
  }
  // Picture files and image files alike (the importer reads the latter).
  if (path[0] == 0 || getpicture(path, 0, 0, 0, nullptr, 0, picture) != 0 || *picture == nilhandle) {
    if (*picture != nilhandle) DisposeHandle(*picture);
    *picture = nilhandle;
    return setresulttext(resultcantread);
  }
  return 0;
}

}  // namespace kv
