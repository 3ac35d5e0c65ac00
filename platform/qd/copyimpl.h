// Inside the drawing layer: the copy that CopyBits, CopyMask, CopyDeepMask and the standard
// bits procedure share.
#pragma once

#include "platform/qd/raster.h"
#include "platform/qd/regionimpl.h"

namespace kv {

struct CopyMaskSpec {
  const BitMap* bits = nullptr;
  Rect rect{0, 0, 0, 0};
};

// Copies srcRect of src onto dstRect of dst in a transfer mode with the given colours,
// limited to clip (destination coordinates) when given, and through a mask when given.
void copybitsraw(const BitMap* src, const BitMap* dst, const Rect& srcRect, const Rect& dstRect, i16 mode,
                 const RegionData* clip, const DrawColors& colors, const CopyMaskSpec* mask = nullptr);

}  // namespace kv
