// Copying a pixel map through a transformation matrix (rotation, scaling, a quad's projective
// distortion) into the current port, sampled bilinearly, under the port's clip and visible
// regions and a mask region.
#pragma once

#include "platform/qd/matrix.h"
#include "platform/qd/qdtypes.h"

namespace kv {

// The modes of a transformed copy: the source copied (0), copied but for the pixels of the
// port's operation colour after the transform (36), or blended by the source's alpha (the top
// byte of 32-bit pixels; other depths are opaque): straight (256), pre-multiplied against
// white (257) or against black (258).
enum : i16 {
  transformcopy = 0,
  transformkeyed = 36,
  transformalpha = 256,
  transformpremulwhite = 257,
  transformpremulblack = 258
};

// Copies the whole source through `m`, which maps source pixel coordinates (counted from the
// source map's top-left) to the port's local coordinates. Nothing happens while the pen is
// hidden, for a matrix without an inverse, or for another mode.
void TransformCopyBits(const BitMap* src, const MatrixRecord* m, i16 mode, RgnHandle maskRgn);

}  // namespace kv
