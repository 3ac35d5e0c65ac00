// CopyBits, CopyMask, CopyDeepMask, ScrollRect and the standard bits procedure.
#include "platform/qd/copybits.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/copyimpl.h"
#include "platform/qd/drawimpl.h"
#include "platform/qd/pictureimpl.h"
#include "platform/qd/ports.h"

namespace kv {

namespace {

bool defaultcolors(const DrawColors& c) { return c.fg == RGBColor{0, 0, 0} && iswhite(c.bg); }

// For each destination coordinate in [d0, d1) (local), the source pixel coordinate it
// samples (pixel coordinates of the source), or -1 outside the source.
std::vector<i32> samplemap(i32 d0, i32 d1, const i16 dstlo, const i16 dsthi, i16 srclo, i16 srchi, i32 srcorigin,
                           i32 srcsize) {
  std::vector<i32> m(std::size_t(std::max(0, d1 - d0)), -1);
  const i64 dw = dsthi - dstlo, sw = srchi - srclo;
  for (i32 d = d0; d < d1; ++d) {
    // Centre sampling: destination pixel centre mapped into the source rectangle.
    const i64 s = srclo + ((2 * i64(d - dstlo) + 1) * sw) / (2 * dw);
    const i64 px = s - srcorigin;
    if (px >= 0 && px < srcsize) m[std::size_t(d - d0)] = i32(px);
  }
  return m;
}

}  // namespace

void copybitsraw(const BitMap* src, const BitMap* dst, const Rect& srcRect, const Rect& dstRect, i16 mode,
                 const RegionData* clip, const DrawColors& colors, const CopyMaskSpec* mask) {
  Surface S = surfacefrombits(src);
  Surface D = surfacefrombits(dst);
  if (!S.valid() || !D.valid()) return;
  if (srcRect.right <= srcRect.left || srcRect.bottom <= srcRect.top) return;
  if (dstRect.right <= dstRect.left || dstRect.bottom <= dstRect.top) return;
  Surface M;
  if (mask) {
    M = surfacefrombits(mask->bits);
    if (!M.valid() || mask->rect.right <= mask->rect.left || mask->rect.bottom <= mask->rect.top) return;
  }

  // The destination pixels to visit, in local coordinates of the destination.
  Rect area{std::max(dstRect.top, D.bounds.top), std::max(dstRect.left, D.bounds.left),
            std::min(dstRect.bottom, D.bounds.bottom), std::min(dstRect.right, D.bounds.right)};
  if (area.left >= area.right || area.top >= area.bottom) return;
  RegionData rgn(area);
  if (clip) rgn.intersect(*clip);
  if (rgn.empty()) return;
  ++qd().drawcount;
  {
    const Rect b = rgn.bounds();
    notedrawn(D.base, Rect{i16(b.top - D.bounds.top), i16(b.left - D.bounds.left), i16(b.bottom - D.bounds.top),
                           i16(b.right - D.bounds.left)});
  }

  // A copy within one buffer reads from a snapshot of the source.
  std::vector<u8> snapshot;
  if (S.base == D.base || (M.valid() && M.base == D.base)) {
    if (S.base == D.base) {
      snapshot.assign(S.base, S.base + std::size_t(S.rowbytes) * std::size_t(S.height()));
      S.base = snapshot.data();
    } else {
      snapshot.assign(M.base, M.base + std::size_t(M.rowbytes) * std::size_t(M.height()));
      M.base = snapshot.data();
    }
  }

  const std::vector<i32> xs = samplemap(area.left, area.right, dstRect.left, dstRect.right, srcRect.left, srcRect.right,
                                        S.bounds.left, S.width());
  const std::vector<i32> ys = samplemap(area.top, area.bottom, dstRect.top, dstRect.bottom, srcRect.top, srcRect.bottom,
                                        S.bounds.top, S.height());
  std::vector<i32> mxs, mys;
  if (M.valid()) {
    mxs = samplemap(area.left, area.right, dstRect.left, dstRect.right, mask->rect.left, mask->rect.right,
                    M.bounds.left, M.width());
    mys = samplemap(area.top, area.bottom, dstRect.top, dstRect.bottom, mask->rect.top, mask->rect.bottom, M.bounds.top,
                    M.height());
  }

  Compositor comp(D, mode, colors);
  const i16 m = comp.mode();
  const bool plain = m == srcCopy && defaultcolors(colors) && !M.valid();
  const bool samepixels = plain && S.depth == D.depth && (S.direct || S.palette == D.palette);
  const bool rowcopy = samepixels && S.depth >= 8 && srcRect.right - srcRect.left == dstRect.right - dstRect.left;
  // Indexed sources in source copy go through a table of destination pixels.
  std::vector<u32> lut;
  if (m == srcCopy && !S.direct && S.depth > 1 && !samepixels) {
    lut.resize(S.palette.size());
    for (std::size_t i = 0; i < lut.size(); ++i) lut[i] = comp.match(colorize(S.palette[i], colors));
  }
  const i32 bytesperpixel = D.depth / 8;
  // A direct source in source copy: the destination pixel of the last source pixel is kept,
  // as runs of one colour (and every stretched copy) repeat it.
  const bool directcopy = m == srcCopy && S.direct && !samepixels;
  u32 lastsource = 0, lastpixel = 0;
  bool haslast = false;

  int n = 0;
  const pixman_box32_t* boxes = rgn.boxes(&n);
  for (int b = 0; b < n; ++b) {
    for (i32 y = boxes[b].y1; y < boxes[b].y2; ++y) {
      const i32 sy = ys[std::size_t(y - area.top)];
      if (sy < 0) continue;
      const i32 py = y - D.bounds.top;
      const i32 my = M.valid() ? mys[std::size_t(y - area.top)] : 0;
      if (my < 0) continue;
      const i32 xa = boxes[b].x1, xb = boxes[b].x2;
      if (rowcopy && xs[std::size_t(xa - area.left)] >= 0 && xs[std::size_t(xb - 1 - area.left)] >= 0) {
        const i32 sx = xs[std::size_t(xa - area.left)];
        std::memmove(D.base + std::ptrdiff_t(py) * D.rowbytes + std::ptrdiff_t(xa - D.bounds.left) * bytesperpixel,
                     S.base + std::ptrdiff_t(sy) * S.rowbytes + std::ptrdiff_t(sx) * bytesperpixel,
                     std::size_t(xb - xa) * std::size_t(bytesperpixel));
        continue;
      }
      for (i32 x = xa; x < xb; ++x) {
        const i32 sx = xs[std::size_t(x - area.left)];
        if (sx < 0) continue;
        const i32 px = x - D.bounds.left;
        const u32 sp = getpixel(S, sx, sy);
        RGBColor before{};
        RGBColor maskc{0, 0, 0};
        if (M.valid()) {
          const i32 mx = mxs[std::size_t(x - area.left)];
          if (mx < 0) continue;
          const u32 mp = getpixel(M, mx, my);
          if (M.depth == 1) {
            if (!mp) continue;
          } else {
            maskc = pixeltorgb(M, mp);
            if (iswhite(maskc)) continue;
            before = pixeltorgb(D, getpixel(D, px, py));
          }
        }
        if (samepixels) setpixel(D, px, py, sp);
        else if (S.depth == 1) comp.putbit(px, py, sp != 0);
        else if (!lut.empty()) setpixel(D, px, py, lut[sp < lut.size() ? sp : 0]);
        else if (directcopy) {
          if (!haslast || sp != lastsource) {
            lastpixel = comp.match(colorize(pixeltorgb(S, sp), colors));
            lastsource = sp;
            haslast = true;
          }
          setpixel(D, px, py, lastpixel);
        } else comp.putcolor(px, py, pixeltorgb(S, sp));
        if (M.valid() && M.depth > 1 && !(maskc == RGBColor{0, 0, 0})) {
          // Mix the result with what was there by the mask's share of white.
          const RGBColor after = pixeltorgb(D, getpixel(D, px, py));
          auto mix = [](u16 a, u16 d, u16 w) { return u16((u32(a) * (65535u - w) + u32(d) * w) / 65535u); };
          setpixel(D, px, py,
                   comp.match(RGBColor{mix(after.red, before.red, maskc.red),
                                       mix(after.green, before.green, maskc.green),
                                       mix(after.blue, before.blue, maskc.blue)}));
        }
      }
    }
  }
}

namespace {

// Whether a bit map describes the current port's pixels.
bool isportbits(const Port& p, const BitMap* bits) {
  if (!bits || !IsValidHandle(p.pixmap)) return false;
  const PixMap pm = pixmaprecord(p.pixmap);
  return pm.baseAddr != nullptr && pm.baseAddr == bits->baseAddr;
}

// The clip of a copy into a bit map that is not the port's: the port's clip region.
void copyelsewhere(const BitMap* src, const BitMap* dst, const Rect& srcRect, const Rect& dstRect, i16 mode,
                   RgnHandle maskRgn, const CopyMaskSpec* mask) {
  Port* p = currentport();
  RegionData clip;
  DrawColors colors;
  if (p) {
    clip = p->clipRgn;
    colors = portcolors(*p);
  } else {
    clip.setrect(Rect{-32768, -32768, 32767, 32767});
  }
  if (RegionData* m = regiondata(maskRgn)) clip.intersect(*m);
  copybitsraw(src, dst, srcRect, dstRect, mode, &clip, colors, mask);
}

void copyintoport(Port& p, const BitMap* src, const Rect& srcRect, const Rect& dstRect, i16 mode, RgnHandle maskRgn,
                  const CopyMaskSpec* mask) {
  if (p.pnVis < 0) return;
  RegionData clip = portclip(p);
  if (RegionData* m = regiondata(maskRgn)) clip.intersect(*m);
  PixMap pm = pixmaprecord(p.pixmap);
  pm.rowBytes |= pixmapflag;
  copybitsraw(src, reinterpret_cast<const BitMap*>(&pm), srcRect, dstRect, mode, &clip, portcolors(p), mask);
}

}  // namespace

void StdBits(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn) {
  Port* p = currentport();
  if (!p || !src || !srcRect || !dstRect) return;
  if (p->picsave) picrecordbits(*p, src, *srcRect, *dstRect, mode, maskRgn);
  copyintoport(*p, src, *srcRect, *dstRect, mode, maskRgn, nullptr);
}

void CopyBits(const BitMap* src, const BitMap* dst, const Rect* srcRect, const Rect* dstRect, i16 mode,
              RgnHandle maskRgn) {
  if (!src || !dst || !srcRect || !dstRect) return;
  // The records may live in handles: keep copies across the calls below.
  PixMap s{}, d{};
  std::memcpy(&s, src, (src->rowBytes & pixmapflag) ? sizeof(PixMap) : sizeof(BitMap));
  std::memcpy(&d, dst, (dst->rowBytes & pixmapflag) ? sizeof(PixMap) : sizeof(BitMap));
  const Rect sr = *srcRect, dr = *dstRect;
  const BitMap* sb = reinterpret_cast<const BitMap*>(&s);
  const BitMap* db = reinterpret_cast<const BitMap*>(&d);
  Port* p = currentport();
  if (p && isportbits(*p, db)) {
    if (p->procs && p->procs->bitsProc) {
      auto f = p->procs->bitsProc;
      f(sb, &sr, &dr, mode, maskRgn);
    } else {
      StdBits(sb, &sr, &dr, mode, maskRgn);
    }
    return;
  }
  copyelsewhere(sb, db, sr, dr, mode, maskRgn, nullptr);
}

void CopyDeepMask(const BitMap* src, const BitMap* mask, const BitMap* dst, const Rect* srcRect, const Rect* maskRect,
                  const Rect* dstRect, i16 mode, RgnHandle maskRgn) {
  if (!src || !mask || !dst || !srcRect || !maskRect || !dstRect) return;
  PixMap s{}, m{}, d{};
  std::memcpy(&s, src, (src->rowBytes & pixmapflag) ? sizeof(PixMap) : sizeof(BitMap));
  std::memcpy(&m, mask, (mask->rowBytes & pixmapflag) ? sizeof(PixMap) : sizeof(BitMap));
  std::memcpy(&d, dst, (dst->rowBytes & pixmapflag) ? sizeof(PixMap) : sizeof(BitMap));
  const CopyMaskSpec maskspec{reinterpret_cast<const BitMap*>(&m), *maskRect};
  const BitMap* sb = reinterpret_cast<const BitMap*>(&s);
  const BitMap* db = reinterpret_cast<const BitMap*>(&d);
  Port* p = currentport();
  if (p && isportbits(*p, db)) {
    // The mask travels beside the bits procedure: pictures keep the masked result only.
    if (p->picsave) picrecordbits(*p, sb, *srcRect, *dstRect, mode, maskRgn);
    copyintoport(*p, sb, *srcRect, *dstRect, mode, maskRgn, &maskspec);
    return;
  }
  copyelsewhere(sb, db, *srcRect, *dstRect, mode, maskRgn, &maskspec);
}

void CopyMask(const BitMap* src, const BitMap* mask, const BitMap* dst, const Rect* srcRect, const Rect* maskRect,
              const Rect* dstRect) {
  CopyDeepMask(src, mask, dst, srcRect, maskRect, dstRect, srcCopy, 0);
}

void GetCPixel(i16 h, i16 v, RGBColor* color) {
  if (!color) return;
  *color = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  Port* p = currentport();
  if (!p) return;
  Surface s = surfacefrompixmap(p->pixmap);
  const i32 x = h - s.bounds.left, y = v - s.bounds.top;
  if (!s.valid() || x < 0 || y < 0 || x >= s.width() || y >= s.height()) return;
  *color = pixeltorgb(s, getpixel(s, x, y));
}

bool GetPixel(i16 h, i16 v) {
  RGBColor c;
  GetCPixel(h, v, &c);
  return !iswhite(c);
}

void SetCPixel(i16 h, i16 v, const RGBColor* color) {
  Port* p = currentport();
  if (!p || !color) return;
  RegionData px(Rect{v, h, i16(v + 1), i16(h + 1)});
  Surface s;
  if (!topixels(*p, px, &s)) return;
  Compositor comp(s, srcCopy, DrawColors{});
  int n = 0;
  const pixman_box32_t* b = px.boxes(&n);
  if (n > 0) setpixel(s, b->x1, b->y1, comp.match(*color));
}

void ScrollRect(const Rect* r, i16 dh, i16 dv, RgnHandle updateRgn) {
  Port* p = currentport();
  if (!p || !r) return;
  RegionData visible(*r);
  visible.intersect(portclip(*p));
  RegionData moved(visible);
  moved.offset(dh, dv);
  moved.intersect(visible);
  PixMap pm = pixmaprecord(p->pixmap);
  pm.rowBytes |= pixmapflag;
  const BitMap* bits = reinterpret_cast<const BitMap*>(&pm);
  if (pm.baseAddr && !moved.empty()) {
    const Rect dst{i16(r->top + dv), i16(r->left + dh), i16(r->bottom + dv), i16(r->right + dh)};
    copybitsraw(bits, bits, *r, dst, srcCopy, &moved, DrawColors{});
  }
  RegionData uncovered(visible);
  uncovered.subtract(moved);
  Surface s;
  RegionData px(uncovered);
  if (topixels(*p, px, &s)) fillpattern(s, px, p->bkPat, patCopy, portcolors(*p));
  if (RegionData* u = regiondata(updateRgn)) *u = uncovered;
}

}  // namespace kv
