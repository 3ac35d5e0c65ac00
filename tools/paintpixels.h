// Direct access to the paint session's pixels: its depth-8 images (the image and the two
// working copies, one colour index a byte over the bitmap rectangle) and its depth-1 mask
// world, in window coordinates; and the copies the selection tools make between them.
#pragma once

#include "platform/types.h"

namespace kv {

// A depth-8 image of the session over its bitmap rectangle; empty (no base) when the handle
// is shorter than the rectangle needs. Valid until the next allocation.
struct Pixels8 {
  u8* base = nullptr;
  i32 rowbytes = 0;
  Rect r{};
  explicit operator bool() const { return base != nullptr; }
  u8& at(i32 h, i32 v) const { return base[i64(v - r.top) * rowbytes + (h - r.left)]; }
};
Pixels8 pixels8(Handle image);

// The session's mask world (1 = selected); empty without one.
struct MaskBits {
  u8* base = nullptr;
  i32 rowbytes = 0;
  Rect r{};
  explicit operator bool() const { return base != nullptr; }
  bool test(i32 h, i32 v) const;
  void set(i32 h, i32 v, bool on) const;
};
MaskBits maskbits();

// Copies `from` of one image to `to` (the same size) of another, each clipped to the bitmap;
// through the mask (taken at `from`) when `masked`.
void copypixels(Handle dst, Handle src, const Rect& from, const Rect& to, bool masked);
// Sets the pixels of a rectangle (cut to the bitmap) to index 0, or, with `masked`, only
// those the mask selects.
void whiten(Handle image, const Rect& r, bool masked);
// Moves an image's pixels by (dh, dv) within the bitmap; the area left behind turns white.
void scrollpixels(Handle image, i16 dh, i16 dv);
// The same for the mask.
void scrollmask(i16 dh, i16 dv);
// Whether any pixel of an image is not index 0.
bool anypixel(Handle image);
// The mask becomes the pixels of the selection copy that the edge of the bitmap cannot reach
// through white pixels (its shapes with their holes filled), or, with `exact`, its non-white
// pixels.
void maskfromselection(bool exact);

}  // namespace kv
