// The paint session's pixels read and written in place: the selection tools and the paint
// clipboard move pixels between the image, its working copies and the mask with these.
#include "tools/paintpixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/masks.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "shell/portroutines.h"
#include "tools/paintsession.h"

namespace kv {

Pixels8 pixels8(Handle image) {
  const PaintSession& p = paintsession();
  Pixels8 px;
  if (image == nilhandle || !IsValidHandle(image) || EmptyRect(&p.rect)) return px;
  u32 size = 0;
  u16 rowbytes = 0;
  calcsizewidth(&p.rect, &size, &rowbytes, 8);
  if (GetHandleSize(image) < i64(rowbytes) * (p.rect.bottom - p.rect.top)) return px;
  px.base = deref(image);
  px.rowbytes = rowbytes;
  px.r = p.rect;
  return px;
}

MaskBits maskbits() {
  const PaintSession& p = paintsession();
  MaskBits m;
  if (p.maskworld == nilid || !IsValidPort(p.maskworld)) return m;
  PixMapHandle pm = GetGWorldPixMap(p.maskworld);
  m.base = reinterpret_cast<u8*>(GetPixBaseAddr(pm));
  m.rowbytes = GetPixRowBytes(pm);
  GetPixBounds(pm, &m.r);
  if (!EqualRect(&m.r, &p.rect)) m.base = nullptr;
  return m;
}

bool MaskBits::test(i32 h, i32 v) const {
  if (h < r.left || h >= r.right || v < r.top || v >= r.bottom) return false;
  const i32 x = h - r.left;
  return (base[i64(v - r.top) * rowbytes + x / 8] & (0x80 >> (x % 8))) != 0;
}

void MaskBits::set(i32 h, i32 v, bool on) const {
  if (h < r.left || h >= r.right || v < r.top || v >= r.bottom) return;
  const i32 x = h - r.left;
  u8& b = base[i64(v - r.top) * rowbytes + x / 8];
  const u8 bit = u8(0x80 >> (x % 8));
  b = on ? u8(b | bit) : u8(b & ~bit);
}

namespace {

// `to` cut to the bitmap, with `from` cut alike; false when nothing is left.
bool clippair(const Rect& bounds, Rect from, Rect to, Rect* f, Rect* t) {
  Rect cut{};
  if (!SectRect(&to, &bounds, &cut)) return false;
  from.left = i16(from.left + (cut.left - to.left));
  from.top = i16(from.top + (cut.top - to.top));
  from.right = i16(from.left + (cut.right - cut.left));
  from.bottom = i16(from.top + (cut.bottom - cut.top));
  Rect fcut{};
  if (!SectRect(&from, &bounds, &fcut)) return false;
  // What the source lacks of its rectangle is not copied.
  t->left = i16(cut.left + (fcut.left - from.left));
  t->top = i16(cut.top + (fcut.top - from.top));
  t->right = i16(t->left + (fcut.right - fcut.left));
  t->bottom = i16(t->top + (fcut.bottom - fcut.top));
  *f = fcut;
  return true;
}

}  // namespace

void copypixels(Handle dst, Handle src, const Rect& from, const Rect& to, bool masked) {
  const Pixels8 d = pixels8(dst), s = pixels8(src);
  const MaskBits m = maskbits();
  if (!d || !s || (masked && !m)) return;
  Rect f{}, t{};
  if (!clippair(d.r, from, to, &f, &t)) return;
  const i32 w = t.right - t.left;
  for (i32 v = 0; v < t.bottom - t.top; ++v) {
    if (!masked && dst != src) {
      std::memmove(&d.at(t.left, t.top + v), &s.at(f.left, f.top + v), size_t(w));
      continue;
    }
    for (i32 h = 0; h < w; ++h)
      if (!masked || m.test(f.left + h, f.top + v)) d.at(t.left + h, t.top + v) = s.at(f.left + h, f.top + v);
  }
}

void whiten(Handle image, const Rect& r, bool masked) {
  const Pixels8 px = pixels8(image);
  const MaskBits m = maskbits();
  Rect cut{};
  if (!px || (masked && !m) || !SectRect(&r, &px.r, &cut)) return;
  for (i32 v = cut.top; v < cut.bottom; ++v)
    for (i32 h = cut.left; h < cut.right; ++h)
      if (!masked || m.test(h, v)) px.at(h, v) = 0;
}

void scrollpixels(Handle image, i16 dh, i16 dv) {
  const Pixels8 px = pixels8(image);
  if (!px || (dh == 0 && dv == 0)) return;
  const Rect& r = px.r;
  std::vector<u8> moved(size_t(i64(px.rowbytes) * (r.bottom - r.top)), 0);
  for (i32 v = r.top; v < r.bottom; ++v)
    for (i32 h = r.left; h < r.right; ++h) {
      const i32 nh = h + dh, nv = v + dv;
      if (nh >= r.left && nh < r.right && nv >= r.top && nv < r.bottom)
        moved[size_t(i64(nv - r.top) * px.rowbytes + (nh - r.left))] = px.at(h, v);
    }
  std::memcpy(px.base, moved.data(), moved.size());
}

void scrollmask(i16 dh, i16 dv) {
  const MaskBits m = maskbits();
  if (!m || (dh == 0 && dv == 0)) return;
  const Rect& r = m.r;
  std::vector<bool> moved(size_t(i64(r.right - r.left) * (r.bottom - r.top)), false);
  const i32 w = r.right - r.left;
  for (i32 v = r.top; v < r.bottom; ++v)
    for (i32 h = r.left; h < r.right; ++h) {
      const i32 nh = h + dh, nv = v + dv;
      if (m.test(h, v) && nh >= r.left && nh < r.right && nv >= r.top && nv < r.bottom)
        moved[size_t(i64(nv - r.top) * w + (nh - r.left))] = true;
    }
  for (i32 v = r.top; v < r.bottom; ++v)
    for (i32 h = r.left; h < r.right; ++h) m.set(h, v, moved[size_t(i64(v - r.top) * w + (h - r.left))]);
}

bool anypixel(Handle image) {
  const Pixels8 px = pixels8(image);
  if (!px) return false;
  for (i32 v = px.r.top; v < px.r.bottom; ++v)
    for (i32 h = px.r.left; h < px.r.right; ++h)
      if (px.at(h, v) != 0) return true;
  return false;
}

void maskfromselection(bool exact) {
  const PaintSession& p = paintsession();
  erasebwport(p.maskworld);
  const MaskBits m = maskbits();
  const Pixels8 s = pixels8(p.selcopy);
  if (!m || !s) return;
  if (exact) {
    for (i32 v = s.r.top; v < s.r.bottom; ++v)
      for (i32 h = s.r.left; h < s.r.right; ++h) m.set(h, v, s.at(h, v) != 0);
    return;
  }
  // The shapes: what the bitmap's edge cannot reach through white.
  SavePort keep;
  portup(p.copyport, 1, p.selcopy);
  const PortBits src(p.copyport), dst(p.maskworld);
  const RGBColor black{0, 0, 0};
  CalcCMask(src.get(), dst.get(), &p.rect, &p.rect, &black, PpaintRTmatchproc, 0);
}

}  // namespace kv
