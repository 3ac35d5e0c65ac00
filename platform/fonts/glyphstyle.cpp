// Styles made from a glyph's image, in the classic manner: bold smears the image one pixel to
// the right, italic shears it, outline keeps a one-pixel border around the ink, shadow thickens
// that border below and right. Each works on coverage images and keeps a mono image mono.
//
// Advance extras (added to every character that has an advance of its own; the result is never
// negative): bold +1 when the bold shape was made here (a family's own bold file brings its own
// advances), outline +1, shadow +2 (shadow with outline is still +2), condense -1, extend +1.
// Italic and underline change no advance.
#include <algorithm>

#include "platform/fonts/fontsinternal.h"

namespace kv::fontdetail {
namespace {

i32 floordiv4(i32 v) { return v >= 0 ? v / 4 : -((-v + 3) / 4); }

u8 at(const Glyph& g, i32 x, i32 y) {
  if (x < 0 || y < 0 || x >= g.width || y >= g.height) return 0;
  return g.bits[std::size_t(y) * std::size_t(g.width) + std::size_t(x)];
}

// The largest value of the 3x3 neighbourhood of (x, y).
u8 dilated(const Glyph& g, i32 x, i32 y) {
  u8 v = 0;
  for (i32 dy = -1; dy <= 1; ++dy)
    for (i32 dx = -1; dx <= 1; ++dx) v = std::max(v, at(g, x + dx, y + dy));
  return v;
}

bool tooLarge(i32 width, i32 height) { return i64(width) * height > maxglyphpixels; }

}  // namespace

void slantglyph(Glyph& g) {
  if (g.bits.empty()) return;
  i32 lo = 0, hi = 0;
  for (i32 r = 0; r < g.height; ++r) {
    i32 s = floordiv4(g.top - r - 1);
    if (r == 0 || s < lo) lo = s;
    if (r == 0 || s > hi) hi = s;
  }
  i32 width = g.width + (hi - lo);
  if (tooLarge(width, g.height)) return;
  std::vector<u8> out(std::size_t(width) * std::size_t(g.height), 0);
  for (i32 r = 0; r < g.height; ++r) {
    i32 shift = floordiv4(g.top - r - 1) - lo;
    std::copy_n(g.bits.begin() + std::ptrdiff_t(r) * g.width, g.width, out.begin() + std::ptrdiff_t(r) * width + shift);
  }
  g.left = i16(g.left + lo);
  g.width = i16(width);
  g.bits = std::move(out);
}

void smearglyph(Glyph& g) {
  if (g.bits.empty() || tooLarge(g.width + 1, g.height)) return;
  i32 width = g.width + 1;
  std::vector<u8> out(std::size_t(width) * std::size_t(g.height), 0);
  for (i32 y = 0; y < g.height; ++y)
    for (i32 x = 0; x < width; ++x)
      out[std::size_t(y) * std::size_t(width) + std::size_t(x)] = std::max(at(g, x, y), at(g, x - 1, y));
  g.width = i16(width);
  g.bits = std::move(out);
}

void outlineglyph(Glyph& g, bool shadow) {
  if (g.bits.empty()) return;
  i32 grow = shadow ? 3 : 2;
  i32 width = g.width + grow, height = g.height + grow;
  if (tooLarge(width, height)) return;
  std::vector<u8> out(std::size_t(width) * std::size_t(height), 0);
  for (i32 y = 0; y < height; ++y) {
    for (i32 x = 0; x < width; ++x) {
      // (x, y) of the new image is (x - 1, y - 1) of the old one.
      u8 ring = dilated(g, x - 1, y - 1);
      if (shadow) ring = std::max(ring, dilated(g, x - 2, y - 2));
      u8 ink = at(g, x - 1, y - 1);
      out[std::size_t(y) * std::size_t(width) + std::size_t(x)] = u8((ring * (255 - ink) + 127) / 255);
    }
  }
  g.left = i16(g.left - 1);
  g.top = i16(g.top + 1);
  g.width = i16(width);
  g.height = i16(height);
  g.bits = std::move(out);
}

int styleextra(u8 face, bool synthbold) {
  int extra = 0;
  if ((face & facebold) && synthbold) extra += 1;
  if (face & faceshadow) extra += 2;
  else if (face & faceoutline) extra += 1;
  if (face & facecondense) extra -= 1;
  if (face & faceextend) extra += 1;
  return extra;
}

}  // namespace kv::fontdetail
