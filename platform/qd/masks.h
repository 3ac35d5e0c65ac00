// Masks: regions from bit maps, the masks of enclosed shapes (CalcMask, CalcCMask) and seed
// fills (SeedFill, SeedCFill). Connection is across the four neighbours of a pixel.
#pragma once

#include "platform/qd/qdtypes.h"

namespace kv {

// The set pixels of a 1-bit map as a region (the map's coordinates); pixmapTooDeepErr for a
// deeper map.
OSErr BitMapToRegion(RgnHandle rgn, const BitMap* bits);

// 1-bit images of `words` 16-bit words a row: dst gets the pixels that cannot be reached
// from the outer edge through white pixels (the shapes with their holes filled).
void CalcMask(const void* srcPtr, void* dstPtr, i16 srcRow, i16 dstRow, i16 height, i16 words);
// dst gets the white pixels reachable from the seed (relative to the images' top-left); a
// black seed reaches nothing.
void SeedFill(const void* srcPtr, void* dstPtr, i16 srcRow, i16 dstRow, i16 height, i16 words, i16 seedH, i16 seedV);

// Colour forms over maps of any depth into a 1-bit map. A pixel is background when it equals
// seedRGB, or, with a match procedure, when the procedure gives it index 0.
void CalcCMask(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect, const Rect* dstRect,
               const RGBColor* seedRGB, ColorSearchProcPtr matchProc, i32 matchData);
// dst gets the pixels connected to the seed (source coordinates) that have the seed pixel's
// value, or, with a match procedure, that it gives index 0.
void SeedCFill(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect, const Rect* dstRect, i16 seedH,
               i16 seedV, ColorSearchProcPtr matchProc, i32 matchData);

}  // namespace kv
