// Hands arbitrary bytes (and damaged copies of small PNG, GIF and TIFF files) to the image
// decoders: a decoded image always has the size it says and stays within the limits, and its
// picture is made without touching memory outside the image.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/imagefiles.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace kv;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodedImage image;
  std::string error;
  if (!decodeimage(data, size, &image, &error)) {
    check(!error.empty());
    return 0;
  }
  check(image.width > 0 && image.height > 0 && image.width <= 16384 && image.height <= 16384);
  check(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height));
  if (image.pixels.size() <= 4096) {
    PicHandle pic = imagepicture(image);
    if (pic != nilhandle) DisposeHandle(pic);
  }
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  DecodedImage img;
  img.width = 4;
  img.height = 3;
  for (int i = 0; i < 12; ++i) img.pixels.push_back(u32(i * 0x102030));
  std::vector<u8> png;
  if (encodeimagepng(img, &png)) out->push_back(png);
  // A 2 x 1 GIF (two colours, a clear code before every two pixels) and a 1 x 1 RGB TIFF.
  out->push_back({'G', 'I',  'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, 255,  0,    0, 0,   0,
                  255, 0x2C, 0,   0,   0,   0,   2, 0, 1, 0, 0,    2, 2, 0x44, 0x0A, 0, 0x3B});
  out->push_back({'I', 'I', 42, 0, 8, 0, 0, 0,    3, 0, 0, 1, 3, 0, 1, 0,  0, 0, 1, 0, 0, 0, 1, 1, 3, 0, 1,
                  0,   0,   0,  1, 0, 0, 0, 0x11, 1, 4, 0, 1, 0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3});
  out->push_back({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0xFF, 0xD9});
  return out->size();
}
