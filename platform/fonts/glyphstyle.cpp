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
  const std::size_t w = std::size_t(g.width), width = w + 1;
  std::vector<u8> out(width * std::size_t(g.height), 0);
  for (std::size_t y = 0; y < std::size_t(g.height); ++y) {
    const u8* in = g.bits.data() + y * w;
    u8* row = out.data() + y * width;
    row[0] = in[0];
    for (std::size_t x = 1; x < w; ++x) row[x] = std::max(in[x], in[x - 1]);
    row[w] = in[w - 1];
  }
  g.width = i16(width);
  g.bits = std::move(out);
}

// The ring is the ink's 3 x 3 neighbourhood maximum (and, for the shadow, that of the pixel
// up and to the left as well) less the ink itself. The maximum is taken along rows and then
// down columns, so a large glyph costs a few operations a pixel.
void outlineglyph(Glyph& g, bool shadow) {
  if (g.bits.empty()) return;
  const i32 grow = shadow ? 3 : 2;
  const i32 w = g.width, h = g.height, width = w + grow, height = h + grow;
  if (tooLarge(width, height)) return;
  const std::size_t W = std::size_t(width);
  // across[r][x]: the largest of old row r's columns x - 2 .. x (new column x is old x - 1).
  std::vector<u8> across(W * std::size_t(h), 0);
  for (i32 r = 0; r < h; ++r) {
    const u8* in = g.bits.data() + std::size_t(r) * std::size_t(w);
    u8* row = across.data() + std::size_t(r) * W;
    for (i32 x = 0; x < width; ++x) {
      const i32 lo = std::max(0, x - 2), hi = std::min(w - 1, x);
      u8 v = 0;
      for (i32 k = lo; k <= hi; ++k) v = std::max(v, in[k]);
      row[x] = v;
    }
  }
  std::vector<u8> out(W * std::size_t(height), 0);
  std::vector<u8> near(W), before(W, 0);  // this row's 3 x 3 maximum, and the row above's
  for (i32 y = 0; y < height; ++y) {
    std::fill(near.begin(), near.end(), u8(0));
    for (i32 r = std::max(0, y - 2); r <= std::min(h - 1, y); ++r) {
      const u8* row = across.data() + std::size_t(r) * W;
      for (std::size_t x = 0; x < W; ++x) near[x] = std::max(near[x], row[x]);
    }
    u8* o = out.data() + std::size_t(y) * W;
    const bool inkrow = y >= 1 && y <= h;
    const u8* ink = inkrow ? g.bits.data() + std::size_t(y - 1) * std::size_t(w) : nullptr;
    for (i32 x = 0; x < width; ++x) {
      u8 ring = near[std::size_t(x)];
      if (shadow && x >= 1) ring = std::max(ring, before[std::size_t(x - 1)]);
      const u8 i = inkrow && x >= 1 && x <= w ? ink[x - 1] : 0;
      o[x] = u8((ring * (255 - i) + 127) / 255);
    }
    std::swap(near, before);
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
