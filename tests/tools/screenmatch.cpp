// Compares a screenshot of a real display with a screen the program composed, for the tests
// that run kestrove on an X server: `screenmatch SHOT.xwd SCREEN.png X Y` reads the root
// window's picture that `xwd -root` wrote and the PNG of a headless run's screen, and succeeds
// (status 0) when the screenshot holds the PNG's pixels exactly with its top-left corner at
// (X, Y). It prints how many pixels differ and the first of them.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qd/imagefiles.h"

namespace {

bool readall(const char* path, std::vector<kv::u8>* out) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  for (int c; (c = std::fgetc(f)) != EOF;) out->push_back(kv::u8(c));
  std::fclose(f);
  return true;
}

kv::u32 be32(const std::vector<kv::u8>& b, std::size_t at) {
  return kv::u32(b[at]) << 24 | kv::u32(b[at + 1]) << 16 | kv::u32(b[at + 2]) << 8 | kv::u32(b[at + 3]);
}

// The channel that a mask selects, scaled to 8 bits.
kv::u32 channel(kv::u32 pixel, kv::u32 mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  kv::u32 bits = mask >> shift, v = (pixel & mask) >> shift;
  return bits == 0xFF ? v : v * 255 / bits;
}

// A screenshot in the X window dump format (version 7, a Z pixmap of 24 or 32 bits a pixel):
// xrgb pixels, row after row.
struct Shot {
  int width = 0, height = 0;
  std::vector<kv::u32> pixels;
};

bool readxwd(const std::vector<kv::u8>& b, Shot* shot, std::string* error) {
  if (b.size() < 100) {
    *error = "too short for a window dump";
    return false;
  }
  const kv::u32 header = be32(b, 0), version = be32(b, 4), format = be32(b, 8);
  const kv::u32 width = be32(b, 16), height = be32(b, 20), byteorder = be32(b, 28);
  const kv::u32 bpp = be32(b, 44), stride = be32(b, 48);
  const kv::u32 red = be32(b, 56), green = be32(b, 60), blue = be32(b, 64), ncolors = be32(b, 76);
  if (version != 7 || format != 2 || (bpp != 24 && bpp != 32)) {
    *error = "not a 24- or 32-bit Z pixmap window dump";
    return false;
  }
  const std::size_t data = std::size_t(header) + std::size_t(ncolors) * 12;
  if (width == 0 || height == 0 || width > 16384 || height > 16384 || stride < width * (bpp / 8) ||
      data + std::size_t(stride) * height > b.size()) {
    *error = "the dump's sizes do not fit its bytes";
    return false;
  }
  shot->width = int(width);
  shot->height = int(height);
  shot->pixels.resize(std::size_t(width) * height);
  for (kv::u32 y = 0; y < height; ++y)
    for (kv::u32 x = 0; x < width; ++x) {
      const kv::u8* p = b.data() + data + std::size_t(y) * stride + std::size_t(x) * (bpp / 8);
      kv::u32 v = 0;
      for (kv::u32 i = 0; i < bpp / 8; ++i) {
        const kv::u32 k = byteorder == 0 ? bpp / 8 - 1 - i : i;  // 0: least significant byte first
        v = v << 8 | p[k];
      }
      shot->pixels[std::size_t(y) * width + x] = channel(v, red) << 16 | channel(v, green) << 8 | channel(v, blue);
    }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: screenmatch SHOT.xwd SCREEN.png X Y\n", stderr);
    return 2;
  }
  std::vector<kv::u8> xwd, png;
  if (!readall(argv[1], &xwd) || !readall(argv[2], &png)) {
    std::fprintf(stderr, "screenmatch: cannot read %s or %s\n", argv[1], argv[2]);
    return 2;
  }
  Shot shot;
  std::string error;
  if (!readxwd(xwd, &shot, &error)) {
    std::fprintf(stderr, "screenmatch: %s: %s\n", argv[1], error.c_str());
    return 2;
  }
  kv::DecodedImage screen;
  if (!kv::decodeimage(png.data(), png.size(), &screen, &error)) {
    std::fprintf(stderr, "screenmatch: %s: %s\n", argv[2], error.c_str());
    return 2;
  }
  const int left = std::atoi(argv[3]), top = std::atoi(argv[4]);
  long differ = 0;
  std::string first;
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x) {
      const kv::u32 want = screen.pixels[std::size_t(y) * std::size_t(screen.width) + std::size_t(x)] & 0xFFFFFF;
      const int sx = left + x, sy = top + y;
      const bool inside = sx >= 0 && sy >= 0 && sx < shot.width && sy < shot.height;
      const kv::u32 got = inside ? shot.pixels[std::size_t(sy) * std::size_t(shot.width) + std::size_t(sx)]
                                 : 0xFF000000;
      if (got == want) continue;
      if (differ++ == 0) {
        char text[120];
        std::snprintf(text, sizeof text, "first at %d,%d: %06X shown, %06X composed", x, y, got, want);
        first = text;
      }
    }
  if (differ == 0) {
    std::puts("same pixels");
    return 0;
  }
  std::printf("%ld pixels differ, %s\n", differ, first.c_str());
  return 1;
}
