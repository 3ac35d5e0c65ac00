// Checks where a PNG file the program wrote has ink (pixels not of the paper, the colour of its
// top-left pixel: white, or the grey of a window's theme), for the tests
// that run the kestrove program itself: `pngink PATH TOP LEFT BOTTOM RIGHT` succeeds (status 0)
// when the area grown by 10 pixels on each side has ink and all of it lies inside the
// rectangle. It prints the bounds of the ink it found in that area.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qd/imagefiles.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fputs("usage: pngink PATH TOP LEFT BOTTOM RIGHT\n", stderr);
    return 2;
  }
  std::FILE* f = std::fopen(argv[1], "rb");
  if (!f) {
    std::fprintf(stderr, "pngink: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<kv::u8> bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(kv::u8(c));
  std::fclose(f);
  kv::DecodedImage image;
  std::string error;
  if (!kv::decodeimage(bytes.data(), bytes.size(), &image, &error)) {
    std::fprintf(stderr, "pngink: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  const int top = std::atoi(argv[2]), left = std::atoi(argv[3]), bottom = std::atoi(argv[4]),
            right = std::atoi(argv[5]);
  const kv::u32 paper = image.pixels.empty() ? 0xFFFFFF : image.pixels[0] & 0xFFFFFF;
  int inktop = 1 << 30, inkleft = 1 << 30, inkbottom = -(1 << 30), inkright = -(1 << 30);
  for (int v = top - 10; v < bottom + 10; ++v)
    for (int h = left - 10; h < right + 10; ++h) {
      if (v < 0 || h < 0 || v >= image.height || h >= image.width) continue;
      if ((image.pixels[std::size_t(v) * std::size_t(image.width) + std::size_t(h)] & 0xFFFFFF) == paper) continue;
      inktop = std::min(inktop, v), inkleft = std::min(inkleft, h);
      inkbottom = std::max(inkbottom, v + 1), inkright = std::max(inkright, h + 1);
    }
  if (inkbottom < 0) {
    std::puts("no ink");
    return 1;
  }
  std::printf("ink %d,%d,%d,%d\n", inktop, inkleft, inkbottom, inkright);
  return inktop >= top && inkleft >= left && inkbottom <= bottom && inkright <= right ? 0 : 1;
}
