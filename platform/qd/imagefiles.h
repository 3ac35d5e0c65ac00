// Image files read as pixels and as pictures: PNG (libpng), JPEG (libjpeg), TIFF (libtiff) and
// GIF (giflib, its first image), told apart by their first bytes. Untrusted data gives a clear
// failure: damaged data, or a size past 16,384 pixels a side or 16,777,216 pixels in all, is
// refused.
#pragma once

#include <string>
#include <vector>

#include "platform/qd/qdtypes.h"

namespace kv {

enum class ImageKind : u8 { none, png, jpeg, tiff, gif };

// The kind of image the bytes begin, or none.
ImageKind imagekindof(const u8* data, std::size_t size);

// Decoded pixels, rows from the top, each pixel an xrgb host word (0x00RRGGBB). Transparent
// pixels are white (the colours over white); their alpha is kept beside them.
struct DecodedImage {
  i32 width = 0;
  i32 height = 0;
  std::vector<u32> pixels;
  // The alpha of each pixel (0 transparent, 255 opaque) of an image that has some pixel not
  // opaque (PNG); empty when every pixel is opaque.
  std::vector<u8> alpha;
  // The colours of an indexed PNG without transparency (xrgb, at most 256), in its palette's
  // order; empty for every other image. Its picture is then an 8-bit picture of these colours.
  std::vector<u32> palette;
};

// Decodes an image file's bytes: true, or false with the reason in *error.
bool decodeimage(const u8* data, std::size_t size, DecodedImage* out, std::string* error);

// Decodes PNG bytes keeping their alpha: each pixel 0xAARRGGBB (not premultiplied).
bool decodepngalpha(const u8* data, std::size_t size, DecodedImage* out, std::string* error);

// The width and height an image file's header gives (PNG, JPEG, TIFF, GIF), without decoding its
// pixels: false when the header cannot be read.
bool imageheadersize(const u8* data, std::size_t size, i32* width, i32* height);

// A picture that draws the image at (0, 0): 8-bit indexed with the image's palette when it has
// one, else 32-bit (with a fourth component, the alpha, when the image has one); 0 when memory
// runs out.
PicHandle imagepicture(const DecodedImage& image);

// Writes an image as a PNG file (with its alpha when it has one), or a JPEG file of a quality from 1 to 100 (for tests and
// export).
bool encodeimagepng(const DecodedImage& image, std::vector<u8>* out);
bool encodeimagejpeg(const DecodedImage& image, std::vector<u8>* out, int quality = 95);

}  // namespace kv
