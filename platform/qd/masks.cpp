// Regions from bit maps, masks and seed fills.
#include "platform/qd/masks.h"

#include <algorithm>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/pixels.h"
#include "platform/qd/qdstate.h"

namespace kv {

namespace {

// Marks (with 1) every pixel of `open` (1 = passable) connected to the starting pixels.
std::vector<u8> flood(const std::vector<u8>& open, i32 w, i32 h, const std::vector<std::pair<i32, i32>>& starts) {
  std::vector<u8> reached(open.size(), 0);
  std::vector<std::pair<i32, i32>> stack;
  for (const auto& s : starts)
    if (s.first >= 0 && s.first < w && s.second >= 0 && s.second < h) stack.push_back(s);
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    stack.pop_back();
    const std::size_t row = std::size_t(y) * std::size_t(w);
    if (!open[row + std::size_t(x)] || reached[row + std::size_t(x)]) continue;
    // Spread along the row, then seed the rows above and below.
    i32 l = x, r = x;
    while (l > 0 && open[row + std::size_t(l - 1)] && !reached[row + std::size_t(l - 1)]) --l;
    while (r + 1 < w && open[row + std::size_t(r + 1)] && !reached[row + std::size_t(r + 1)]) ++r;
    for (i32 i = l; i <= r; ++i) reached[row + std::size_t(i)] = 1;
    for (i32 ny : {y - 1, y + 1}) {
      if (ny < 0 || ny >= h) continue;
      const std::size_t nrow = std::size_t(ny) * std::size_t(w);
      bool inrun = false;
      for (i32 i = l; i <= r; ++i) {
        const bool can = open[nrow + std::size_t(i)] && !reached[nrow + std::size_t(i)];
        if (can && !inrun) stack.push_back({i, ny});
        inrun = can;
      }
    }
  }
  return reached;
}

// Every pixel on the outer edge.
std::vector<std::pair<i32, i32>> edgepixels(i32 w, i32 h) {
  std::vector<std::pair<i32, i32>> e;
  for (i32 x = 0; x < w; ++x) {
    e.push_back({x, 0});
    e.push_back({x, h - 1});
  }
  for (i32 y = 0; y < h; ++y) {
    e.push_back({0, y});
    e.push_back({w - 1, y});
  }
  return e;
}

bool bit(const u8* base, i32 rowbytes, i32 x, i32 y) {
  return (base[std::ptrdiff_t(y) * rowbytes + (x >> 3)] >> (7 - (x & 7))) & 1;
}

void writemask(const std::vector<u8>& m, bool invert, u8* dst, i32 rowbytes, i32 w, i32 h) {
  for (i32 y = 0; y < h; ++y) {
    u8* row = dst + std::ptrdiff_t(y) * rowbytes;
    std::fill(row, row + (w + 7) / 8, u8(0));
    for (i32 x = 0; x < w; ++x)
      if (bool(m[std::size_t(y) * std::size_t(w) + std::size_t(x)]) != invert) row[x >> 3] |= u8(0x80 >> (x & 7));
  }
}

// Whether each pixel of the source rectangle is background, by the colour rule.
bool classify(const BitMap* srcBits, const Rect& srcRect, const RGBColor* seed, ColorSearchProcPtr proc, i32 matchData,
              i32 seedh, i32 seedv, std::vector<u8>* background) {
  Surface s = surfacefrombits(srcBits);
  const i32 w = srcRect.right - srcRect.left, h = srcRect.bottom - srcRect.top;
  if (!s.valid() || w <= 0 || h <= 0) return false;
  background->assign(std::size_t(w) * std::size_t(h), 0);
  // The match procedure learns matchData through the current device's reference value.
  GDHandle dev = GetGDevice();
  i32 savedref = 0;
  if (proc && IsValidHandle(dev)) {
    GDevice g;
    std::memcpy(&g, deref(dev), sizeof g);
    savedref = g.gdRefCon;
    g.gdRefCon = matchData;
    std::memcpy(deref(dev), &g, sizeof g);
  }
  u32 seedpixel = 0;
  bool haveseedpixel = false;
  if (!seed && !proc) {
    const i32 sx = seedh - s.bounds.left, sy = seedv - s.bounds.top;
    if (sx < 0 || sy < 0 || sx >= s.width() || sy >= s.height()) return false;
    seedpixel = getpixel(s, sx, sy);
    haveseedpixel = true;
  }
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) {
      const i32 sx = srcRect.left + x - s.bounds.left, sy = srcRect.top + y - s.bounds.top;
      if (sx < 0 || sy < 0 || sx >= s.width() || sy >= s.height()) continue;
      const u32 px = getpixel(s, sx, sy);
      bool bg;
      if (proc) {
        RGBColor c = pixeltorgb(s, px);
        i32 pos = 1;
        bg = proc(&c, &pos) ? pos == 0 : (seed && c == *seed);
      } else if (haveseedpixel) {
        bg = px == seedpixel;
      } else {
        bg = pixeltorgb(s, px) == *seed;
      }
      (*background)[std::size_t(y) * std::size_t(w) + std::size_t(x)] = bg ? 1 : 0;
    }
  if (proc && IsValidHandle(dev)) {
    GDevice g;
    std::memcpy(&g, deref(dev), sizeof g);
    g.gdRefCon = savedref;
    std::memcpy(deref(dev), &g, sizeof g);
  }
  return true;
}

// Writes a mask of the source rectangle's size into the destination rectangle of a 1-bit map.
void putmask(const BitMap* dstBits, const Rect& dstRect, const std::vector<u8>& m, i32 w, i32 h) {
  Surface d = surfacefrombits(dstBits);
  if (!d.valid() || d.depth != 1) return;
  ++qd().drawcount;
  notedrawn(d.base, Rect{i16(dstRect.top - d.bounds.top), i16(dstRect.left - d.bounds.left),
                         i16(dstRect.top - d.bounds.top + h), i16(dstRect.left - d.bounds.left + w)});
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) {
      const i32 dx = dstRect.left + x - d.bounds.left, dy = dstRect.top + y - d.bounds.top;
      if (dx < 0 || dy < 0 || dx >= d.width() || dy >= d.height()) continue;
      setpixel(d, dx, dy, m[std::size_t(y) * std::size_t(w) + std::size_t(x)]);
    }
}

}  // namespace

OSErr BitMapToRegion(RgnHandle rgn, const BitMap* bits) {
  RegionData* r = regiondata(rgn);
  if (!r || !bits) return paramErr;
  Surface s = surfacefrombits(bits);
  if (s.depth != 1) return pixmapTooDeepErr;
  if (!s.valid()) {
    r->clear();
    return noErr;
  }
  std::vector<pixman_box32_t> boxes;
  for (i32 y = 0; y < s.height(); ++y) {
    i32 run = -1;
    for (i32 x = 0; x <= s.width(); ++x) {
      const bool on = x < s.width() && getpixel(s, x, y);
      if (on && run < 0) run = x;
      if (!on && run >= 0) {
        boxes.push_back(pixman_box32_t{s.bounds.left + run, s.bounds.top + y, s.bounds.left + x, s.bounds.top + y + 1});
        run = -1;
      }
    }
  }
  r->setboxes(boxes);
  return noErr;
}

void CalcMask(const void* srcPtr, void* dstPtr, i16 srcRow, i16 dstRow, i16 height, i16 words) {
  if (!srcPtr || !dstPtr || height <= 0 || words <= 0 || srcRow < words * 2 || dstRow < words * 2) return;
  const i32 w = words * 16, h = height;
  std::vector<u8> open(std::size_t(w) * std::size_t(h));
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x)
      open[std::size_t(y) * std::size_t(w) + std::size_t(x)] = !bit(static_cast<const u8*>(srcPtr), srcRow, x, y);
  writemask(flood(open, w, h, edgepixels(w, h)), true, static_cast<u8*>(dstPtr), dstRow, w, h);
}

void SeedFill(const void* srcPtr, void* dstPtr, i16 srcRow, i16 dstRow, i16 height, i16 words, i16 seedH, i16 seedV) {
  if (!srcPtr || !dstPtr || height <= 0 || words <= 0 || srcRow < words * 2 || dstRow < words * 2) return;
  const i32 w = words * 16, h = height;
  std::vector<u8> open(std::size_t(w) * std::size_t(h));
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x)
      open[std::size_t(y) * std::size_t(w) + std::size_t(x)] = !bit(static_cast<const u8*>(srcPtr), srcRow, x, y);
  writemask(flood(open, w, h, {{seedH, seedV}}), false, static_cast<u8*>(dstPtr), dstRow, w, h);
}

void CalcCMask(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect, const Rect* dstRect,
               const RGBColor* seedRGB, ColorSearchProcPtr matchProc, i32 matchData) {
  if (!srcBits || !dstBits || !srcRect || !dstRect || (!seedRGB && !matchProc)) return;
  std::vector<u8> background;
  if (!classify(srcBits, *srcRect, seedRGB, matchProc, matchData, 0, 0, &background)) return;
  const i32 w = srcRect->right - srcRect->left, h = srcRect->bottom - srcRect->top;
  std::vector<u8> reached = flood(background, w, h, edgepixels(w, h));
  for (u8& v : reached) v = !v;
  putmask(dstBits, *dstRect, reached, w, h);
}

void SeedCFill(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect, const Rect* dstRect, i16 seedH,
               i16 seedV, ColorSearchProcPtr matchProc, i32 matchData) {
  if (!srcBits || !dstBits || !srcRect || !dstRect) return;
  std::vector<u8> same;
  if (!classify(srcBits, *srcRect, nullptr, matchProc, matchData, seedH, seedV, &same)) return;
  const i32 w = srcRect->right - srcRect->left, h = srcRect->bottom - srcRect->top;
  putmask(dstBits, *dstRect, flood(same, w, h, {{seedH - srcRect->left, seedV - srcRect->top}}), w, h);
}

}  // namespace kv
