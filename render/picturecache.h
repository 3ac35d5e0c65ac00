// Picture graphics on the card: the cache of rendered pictures (`getcachepicture`), the
// picture rectangles kept in step with the object, and the drawing of a picture through its
// settings (aspect, operation colour, magnification, rotation, quad).
#pragma once

#include "render/pictbuffers.h"
#include "platform/qd/matrix.h"
#include "platform/qd/qdtypes.h"
#include "store/records.h"

namespace kv {

// The object's picture buffer: 1 and a copy in *out, made (and rendered, filtered and cached)
// when there is none yet; 0 with a result text when there is no picture (81) or a linked file
// cannot be read (14). A picture left unrendered (dontCacheBits, memory) still answers 1.
i16 getcachepicture(const spot& s, pictbuffer* out);
// Fits the object at `index` of its list to its picture (after an aspect reset).
void ChangeSpotRect(Handle list, i32 index);
// Called before the object's rectangle becomes `newrect`: the layout and requested source
// rectangles move with its bottom-right corner, a panning picture slides its source inside the
// image, and the destination goes back to the image's size at the object's top-left.
void offsetpicturerects(spot& s, const Rect& newrect);

// Draws the object's picture into the current port, fitted by its aspect and clipped to the
// object's shape.
void DrawPictureInfo(const spot& s);
// The bits procedure of pictures (procedure-table slot 69): the copy of a picture's pixels with
// the operation colour, magnification, rotation or quad of the picture being drawn.
void PpdataRTstdbitsproc(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn);
// 1 and the matrix of the object's last rotated or distorted drawing (kind 4); 0 without one.
i16 GetPictMatrix(Handle alt, MatrixRecord* out);

// The largest buffer the cache renders (bytes), and the most pixels it holds at any depth (what
// the byte limit allows at 32 bits): a picture whose frame needs more is drawn from the picture
// each time, clipped to what the card shows, so a huge frame costs what the card shows of it.
constexpr i64 kMaxPictureBuffer = 64ll << 20;
constexpr i64 kMaxPicturePixels = kMaxPictureBuffer / 4;

}  // namespace kv
