// Checks the window picture that a headless run of the "drawn" test project left in a dump
// folder (the first window-N.png of its window's size, 400 x 300): the card's two rectangles in their colours and the button's frame at
// their rectangles, white elsewhere. Exit status 0 when it shows them, 1 (with the first
// difference) when not.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/qd/imagefiles.h"
#include "tests/support/project.h"

namespace {

bool inside(const kv::Rect& r, int h, int v) { return h >= r.left && h < r.right && v >= r.top && v < r.bottom; }

// The pixel the card puts at (h, v); false where it is not checked: inside the button, where
// its name is drawn, and just beyond it, where a shadow may fall.
bool expected(int h, int v, kv::u32* colour) {
  using namespace kv::testproject;
  const kv::Rect& b = kDrawnButton;
  const kv::Rect shadow{b.top, b.left, kv::i16(b.bottom + 3), kv::i16(b.right + 3)};
  if (inside(kDrawnRed, h, v)) return *colour = 0xFF0000, true;
  if (inside(kDrawnGreen, h, v)) return *colour = 0x00FF00, true;
  if (inside(b, h, v)) return *colour = 0x000000, h == b.left || h == b.right - 1 || v == b.top || v == b.bottom - 1;
  if (inside(shadow, h, v)) return false;
  return *colour = 0xFFFFFF, true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: checkdrawing DUMPFOLDER\n", stderr);
    return 2;
  }
  kv::DecodedImage image;
  std::string path;
  for (int n = 1; n < 100 && image.width == 0; ++n) {
    path = std::string(argv[1]) + "/window-" + std::to_string(n) + ".png";
    std::ifstream in(path, std::ios::binary);
    if (!in) break;
    const std::vector<kv::u8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    kv::DecodedImage decoded;
    std::string error;
    if (!kv::decodeimage(bytes.data(), bytes.size(), &decoded, &error)) {
      std::fprintf(stderr, "checkdrawing: %s cannot be read: %s\n", path.c_str(), error.c_str());
      return 1;
    }
    if (decoded.width == 400 && decoded.height == 300) image = decoded;
  }
  if (image.width == 0) {
    std::fprintf(stderr, "checkdrawing: no picture of a 400 x 300 window in %s\n", argv[1]);
    return 1;
  }
  for (int v = 0; v < image.height; ++v)
    for (int h = 0; h < image.width; ++h) {
      kv::u32 colour = 0;
      const kv::u32 got = image.pixels[std::size_t(v * image.width + h)] & 0xFFFFFF;
      if (expected(h, v, &colour) && got != colour) {
        std::fprintf(stderr, "checkdrawing: pixel %d,%d is %06x, not %06x\n", h, v, got, colour);
        return 1;
      }
    }
  return 0;
}
