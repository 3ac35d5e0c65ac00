// Image files written from pixels, for the tests and fuzz seeds of the image importers: every
// format the importers read, in its plainest form.
#pragma once

#include <vector>

#include "platform/qd/imagefiles.h"

namespace kv {

enum class TestImageFormat : u8 {
  png,         // 8-bit RGB
  pngpalette,  // 8-bit indexed: the image's colours in order of first appearance (at most 256)
  jpeg,        // quality 95 (lossy: compare with the file's own decoding)
  tiff,        // uncompressed RGB, little-endian, one strip
  gif,         // at most 256 colours, GIF89a
  bmp,         // 24 bits, rows from the bottom
  tga,         // uncompressed true colour, 24 bits, rows from the bottom
  psd,         // RGB, 8 bits a channel, raw
  macpaint,    // 576 x 720 at 1 bit: pixels that are not white are black; other sizes are cut
               // or padded with white
};

// The file's bytes; empty when the image cannot be written in the format (a GIF of more than
// 256 colours, an image without pixels).
std::vector<u8> testimagefile(TestImageFormat format, const DecodedImage& image);

// A JPEG 2000 file (the JP2 box format, reversible: it decodes to the same pixels) of a w x h
// image of 0xAARRGGBB pixels, row by row, with four components (red, green, blue, alpha);
// empty when it cannot be made.
std::vector<u8> testjpeg2000(i32 w, i32 h, const std::vector<u32>& argb);

// A w x h image whose pixel i (row by row) is i * step: every pixel differs from its
// neighbours, so a picture shifted, cut or scaled by one pixel shows.
DecodedImage rampimage(i32 w, i32 h, u32 step);

}  // namespace kv
