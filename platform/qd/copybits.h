// Copying pixels between bit maps and pixel maps of any depth: CopyBits, CopyMask,
// CopyDeepMask and ScrollRect.
//
// Sources are scaled to the destination rectangle (nearest pixel). A 1-bit source, and any
// source in the Boolean modes, is colourised: black takes the port's foreground colour and
// white its background colour. The destination is clipped to the current port's clip region,
// to its visible region when the destination is the port's own pixel map, and to the mask
// region; copies into the current port go through its bottleneck table.
#pragma once

#include "platform/qd/qdtypes.h"

namespace kv {

void CopyBits(const BitMap* src, const BitMap* dst, const Rect* srcRect, const Rect* dstRect, i16 mode,
              RgnHandle maskRgn);
// Copies the source where the 1-bit mask is set.
void CopyMask(const BitMap* src, const BitMap* mask, const BitMap* dst, const Rect* srcRect, const Rect* maskRect,
              const Rect* dstRect);
// Copies through a mask of any depth: black mask pixels take the source, white ones keep the
// destination, and each channel in between mixes the two.
void CopyDeepMask(const BitMap* src, const BitMap* mask, const BitMap* dst, const Rect* srcRect, const Rect* maskRect,
                  const Rect* dstRect, i16 mode, RgnHandle maskRgn);
// One pixel of the current port (local coordinates): its colour, whether it is not white,
// and setting it (clipped like any drawing, the pen visibility aside).
void GetCPixel(i16 h, i16 v, RGBColor* color);
bool GetPixel(i16 h, i16 v);
void SetCPixel(i16 h, i16 v, const RGBColor* color);
// Moves the pixels of the rectangle in the current port by (dh, dv) within it; the area left
// behind is erased and becomes updateRgn.
void ScrollRect(const Rect* r, i16 dh, i16 dv, RgnHandle updateRgn);

}  // namespace kv
