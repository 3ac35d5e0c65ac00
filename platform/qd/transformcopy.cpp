#include "platform/qd/transformcopy.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/qd/drawimpl.h"
#include "platform/qd/pixels.h"
#include "platform/qd/qdstate.h"
#include "platform/qd/regionimpl.h"

namespace kv {

namespace {

u32 argb(u32 a, u32 r, u32 g, u32 b) { return (a << 24) | (r << 16) | (g << 8) | b; }

// The source as pre-multiplied a8r8g8b8 pixels, by the mode's reading of its alpha.
std::vector<u32> premultiplied(const Surface& s, i16 mode) {
  std::vector<u32> out(std::size_t(s.width()) * std::size_t(s.height()));
  for (i32 y = 0; y < s.height(); ++y)
    for (i32 x = 0; x < s.width(); ++x) {
      const u32 raw = getpixel(s, x, y);
      const RGBColor c = pixeltorgb(s, raw);
      u32 r = c.red >> 8, g = c.green >> 8, b = c.blue >> 8, a = 255;
      if (mode >= transformalpha && s.depth == 32) {
        a = raw >> 24;
        auto pre = [&](u32 v) -> u32 {
          if (mode == transformalpha) return v * a / 255;
          if (mode == transformpremulwhite) return v > 255 - a ? v - (255 - a) : 0;
          return std::min(v, a);
        };
        r = pre(r), g = pre(g), b = pre(b);
      }
      out[std::size_t(y) * std::size_t(s.width()) + std::size_t(x)] = argb(a, r, g, b);
    }
  return out;
}

// The bounding box of the source's corners through the matrix, in local coordinates.
Rect transformedbounds(const RealMatrix& m, i32 w, i32 h) {
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {w, h}, {0, h}}) {
    double W = x * m.m[0][2] + y * m.m[1][2] + m.m[2][2];
    if (std::fabs(W) < 1e-9) W = 1e-9;
    const double X = (x * m.m[0][0] + y * m.m[1][0] + m.m[2][0]) / W,
                 Y = (x * m.m[0][1] + y * m.m[1][1] + m.m[2][1]) / W;
    x0 = std::min(x0, X), x1 = std::max(x1, X), y0 = std::min(y0, Y), y1 = std::max(y1, Y);
  }
  auto clip = [](double v) { return i16(std::clamp(v, -32768.0, 32767.0)); };
  return Rect{clip(std::floor(y0)), clip(std::floor(x0)), clip(std::ceil(y1)), clip(std::ceil(x1))};
}

}  // namespace

void TransformCopyBits(const BitMap* src, const MatrixRecord* matrix, i16 mode, RgnHandle maskRgn) {
  Port* p = currentport();
  if (!p || !src || !matrix || p->pnVis < 0) return;
  if (mode != transformcopy && mode != transformkeyed && (mode < transformalpha || mode > transformpremulblack)) return;
  const Surface S = surfacefrombits(src);
  if (!S.valid()) return;
  const RealMatrix m = realmatrix(*matrix);
  MatrixRecord inv{};
  if (!InverseMatrix(matrix, &inv)) return;
  const RealMatrix im = realmatrix(inv);

  RegionData clip(transformedbounds(m, S.width(), S.height()));
  if (RegionData* mask = regiondata(maskRgn)) clip.intersect(*mask);
  Surface D;
  if (!topixels(*p, clip, &D)) return;
  const Rect box = clip.bounds();  // pixel coordinates
  const i32 W = box.right - box.left, H = box.bottom - box.top;

  std::vector<u32> source = premultiplied(S, mode);
  std::vector<u32> out(std::size_t(W) * std::size_t(H), 0);
  pixman_image_t* sp = pixman_image_create_bits(PIXMAN_a8r8g8b8, S.width(), S.height(), source.data(), S.width() * 4);
  pixman_image_t* dp = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, out.data(), W * 4);
  if (sp && dp) {
    // pixman maps destination points onto the source, in columns.
    pixman_f_transform ft;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) ft.m[i][j] = im.m[j][i];
    pixman_transform t;
    if (pixman_transform_from_pixman_f_transform(&t, &ft)) {
      pixman_image_set_transform(sp, &t);
      pixman_image_set_filter(sp, PIXMAN_FILTER_BILINEAR, nullptr, 0);
      const i32 lx = box.left + D.bounds.left, ly = box.top + D.bounds.top;
      pixman_image_composite32(PIXMAN_OP_SRC, sp, nullptr, dp, lx, ly, 0, 0, 0, 0, W, H);
    }
  }
  if (sp) pixman_image_unref(sp);
  if (dp) pixman_image_unref(dp);

  const RGBColor key = p->rgbOpColor;
  Matcher match(D);
  int n = 0;
  const pixman_box32_t* boxes = clip.boxes(&n);
  for (int b = 0; b < n; ++b)
    for (i32 y = boxes[b].y1; y < boxes[b].y2; ++y)
      for (i32 x = boxes[b].x1; x < boxes[b].x2; ++x) {
        const u32 q = out[std::size_t(y - box.top) * std::size_t(W) + std::size_t(x - box.left)];
        const u32 a = q >> 24, r = (q >> 16) & 0xFF, g = (q >> 8) & 0xFF, bl = q & 0xFF;
        if (a == 0) continue;
        RGBColor c;
        if (mode < transformalpha) {
          // Only whole pixels of the source count: edges are covered from half a pixel.
          if (a < 128) continue;
          c = RGBColor{u16((r * 255 / a) * 257), u16((g * 255 / a) * 257), u16((bl * 255 / a) * 257)};
          if (mode == transformkeyed && (c.red >> 8) == (key.red >> 8) && (c.green >> 8) == (key.green >> 8) &&
              (c.blue >> 8) == (key.blue >> 8))
            continue;
        } else {
          const RGBColor d = pixeltorgb(D, getpixel(D, x, y));
          auto over = [&](u32 s, u16 dv) {
            return u16(std::min<u32>(255, s + (u32(dv >> 8) * (255 - a) + 127) / 255) * 257);
          };
          c = RGBColor{over(r, d.red), over(g, d.green), over(bl, d.blue)};
        }
        setpixel(D, x, y, match.match(c));
      }
}

}  // namespace kv
