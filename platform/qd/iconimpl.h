// Inside the drawing layer: icons as images with alpha, the families decoded from 'icns'
// data, and plotting an image into the current port.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/qd/qdtypes.h"

namespace kv {

// An image with alpha: rows from the top, each pixel 0xAARRGGBB (not premultiplied).
struct IconImage {
  i32 width = 0;
  i32 height = 0;
  i32 depth = 0;  // the member's depth: 1, 8 or 32 (PNG and JPEG 2000 members count as 32)
  std::vector<u32> argb;
};

// The members of a family that decoded, one image per member size.
struct IconFamily {
  std::vector<IconImage> members;
};

// The largest side of an image decoded from a PNG or JPEG 2000 member.
constexpr i32 kMaxIconSide = 1024;

// Decodes 'icns' data (big-endian). False for data that is not a family (no 'icns' header, a
// length past the data); a family whose members all fail is decoded but empty.
bool decodeiconfamily(const u8* data, std::size_t size, IconFamily* out);
// A JPEG 2000 image (a JP2 file or a bare codestream) as an image with alpha: false when it
// does not decode or is larger than kMaxIconSide a side.
bool decodejpeg2000(const u8* data, std::size_t size, IconImage* out);

// The member that best fits a square of `side` pixels: the smallest at least that large,
// else the largest; deeper before shallower among equals. Null for an empty family.
const IconImage* bestmember(const IconFamily& family, i32 side);
// Where an icon goes in a rectangle by an alignment (icons.h).
Rect iconplace(const Rect& r, i16 align);
// Plots an image into a rectangle of the current port with a transform (icons.h).
void plotimage(const IconImage& image, const Rect& dst, i16 transform);
// The alpha of the image's pixel under the point when the image is stretched over `dst`; 0
// outside it.
u8 alphaat(const IconImage& image, const Rect& dst, Point pt);

}  // namespace kv
