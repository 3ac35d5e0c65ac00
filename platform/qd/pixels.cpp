// Surfaces over bit maps and pixel maps.
#include "platform/qd/pixels.h"

#include <cstring>

#include "platform/memory/memory.h"
#include "platform/qd/ports.h"

namespace kv {

PixMap pixmapfor(i16 depth, const Rect& bounds, Ptr base, CTabHandle table) {
  const bool direct = depth >= 16;
  PixMap pm{};
  pm.baseAddr = base;
  pm.rowBytes = u16(pixmaprowbytes(bounds.right - bounds.left, depth) | pixmapflag);
  pm.bounds = bounds;
  pm.hRes = pm.vRes = fixed72dpi;
  pm.pixelType = direct ? rgbDirect : 0;
  pm.pixelSize = depth;
  pm.cmpCount = direct ? 3 : 1;
  pm.cmpSize = depth == 32 ? 8 : depth == 16 ? 5 : depth;
  pm.pmTable = table;
  return pm;
}

Surface surfacefrombits(const BitMap* bits) {
  Surface s;
  if (!bits) return s;
  if (bits->rowBytes & pixmapflag) {
    PixMap pm;
    std::memcpy(&pm, bits, sizeof pm);
    const i16 d = pm.pixelSize;
    if (d != 1 && d != 2 && d != 4 && d != 8 && d != 16 && d != 32) return s;
    s.depth = d;
    s.direct = d >= 16;
    s.base = pm.baseAddr;
    s.rowbytes = pm.rowBytes & rowbytesmask;
    s.bounds = pm.bounds;
    s.alpha = d == 32 && pm.cmpCount == 4;
    if (!s.direct) s.palette = paletteof(pm.pmTable, d);
  } else {
    s.depth = 1;
    s.base = bits->baseAddr;
    s.rowbytes = bits->rowBytes & rowbytesmask;
    s.bounds = bits->bounds;
    s.palette = {RGBColor{0xFFFF, 0xFFFF, 0xFFFF}, RGBColor{0, 0, 0}};
  }
  // A stride too small for the width cannot be read safely.
  if (i64(s.rowbytes) * 8 < i64(s.width()) * s.depth) s.base = nullptr;
  return s;
}

Surface surfacefrompixmap(PixMapHandle pm) {
  PixMap p = pixmaprecord(pm);
  if (!p.baseAddr) return Surface{};
  p.rowBytes |= pixmapflag;
  return surfacefrombits(reinterpret_cast<const BitMap*>(&p));
}

}  // namespace kv
