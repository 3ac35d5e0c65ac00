// The cache of rendered pictures and the picture rectangles of picture graphics.
#include "render/picturecache.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/textutil.h"
#include "fields/imageimport.h"
#include "platform/effects/effects.h"
#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "render/filterlist.h"
#include "render/graphicdrawing.h"
#include "render/offscreen.h"
#include "render/pictinfo.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "system/getpicture.h"

namespace kv {

namespace {

constexpr i16 kResultNoPicture = 81, kResultNoFile = 14;
constexpr i16 kNoSuchPictureFile = 123;
constexpr i32 kMaxRowBytes = 16380;

i32 width(const Rect& r) { return i32(r.right) - r.left; }
i32 height(const Rect& r) { return i32(r.bottom) - r.top; }
bool inside(const Rect& in, const Rect& out) {
  return in.left >= out.left && in.top >= out.top && in.right <= out.right && in.bottom <= out.bottom;
}
Rect sized(const Rect& at, i32 w, i32 h) {
  return Rect{at.top, at.left, i16(std::clamp(at.top + h, -32768, 32767)), i16(std::clamp(at.left + w, -32768, 32767))};
}

// The picture of an object: its own data (kind 1) or one loaded from its linked file (kind 3,
// the caller's to dispose of). 0, or the answer of getcachepicture's failure.
bool loadpicture(const spot& s, pictbuffer* b, PicHandle* pic) {
  PictInfo p;
  loadpictinfo(s.alt, &p);
  if (p.storagemode == pictembedded) {
    *pic = GetPictDataHandle(s.alt);
    if (*pic == nilhandle || GetHandleSize(*pic) == 0) {
      setresulttext(kResultNoPicture);
      return false;
    }
    b->kind = pictbufferembedded;
    return true;
  }
  Str255 path;
  handtostring(GetPictPathHandle(s.alt), path);
  *pic = nilhandle;
  const i16 st = getpicture(path, 0, 0, 0, nullptr, 0, pic);
  if (st == kNoSuchPictureFile) {
    if (importimage(path, pic) != 0 || *pic == nilhandle) {
      if (*pic) DisposeHandle(*pic);
      setresulttext(kResultNoFile);
      return false;
    }
  } else if (st != 0 || *pic == nilhandle) {
    if (*pic) DisposeHandle(*pic);
    if (st == 0) setresulttext(kResultNoFile);
    return false;
  }
  b->kind = pictbufferhandle;
  return true;
}

// The frame of the object's picture, read from the picture without drawing it.
bool pictureframe(const spot& s, Rect* frame) {
  pictbuffer b;
  PicHandle pic = nilhandle;
  if (!loadpicture(s, &b, &pic)) return false;
  QDGetPictureBounds(pic, frame);
  if (b.kind == pictbufferhandle) DisposeHandle(pic);
  return true;
}

// The depth of the object's buffer: the offscreen's, or the picture's own when the ink is an
// alpha mode and the picture is deeper; halved while a row would pass 16,380 bytes.
i16 bufferdepth(const spot& s, PicHandle pic, i32 w) {
  i32 depth = mainglobals().bufferMode;
  if (i16(s.ink) > 255) depth = std::max<i32>(depth, picturedepth(pic));
  while (depth / 8 * w > kMaxRowBytes) depth /= 2;
  return i16(depth);
}

// Runs `f` over the buffer's pixels as 32-bit pixels: in place at 32 bits, else through a
// 32-bit copy that goes back after.
template <class F>
void as32bits(const TempBuffer& t, F f) {
  const Rect r = t.bounds;
  if (t.depth == 32) {
    f(PixelsView{reinterpret_cast<u32*>(GetPixBaseAddr(t.pixmap)), width(r), height(r), GetPixRowBytes(t.pixmap) / 4});
    return;
  }
  GWorldPtr deep = nilid;
  if (NewGWorld(&deep, 32, &r, 0, 0, 0) != noErr) return;
  PixMapHandle dp = GetGWorldPixMap(deep);
  LockPixels(dp);
  CopyBits(GetPortBitMapForCopyBits(t.world), GetPortBitMapForCopyBits(deep), &r, &r, srcCopy, 0);
  f(PixelsView{reinterpret_cast<u32*>(GetPixBaseAddr(dp)), width(r), height(r), GetPixRowBytes(dp) / 4});
  CopyBits(GetPortBitMapForCopyBits(deep), GetPortBitMapForCopyBits(t.world), &r, &r, srcCopy, 0);
  DisposeGWorld(deep);
}

// Passes the buffer through the object's enabled filters in order. A filter that does not
// unflatten, or whose parameters are not an atom container, is skipped: the stored list is the
// project's and stays as it is.
void applyfilters(const spot& s, const TempBuffer& t) {
  const Handle list = GetPictFilterHandle(s.alt);
  for (i32 i = 0, n = countfilters(list); i < n; ++i) {
    Handle item = getfilterbyidx(list, i);
    OSType kind = 0;
    u8 reserved = 0, enabled = 0;
    Str255 name;
    u32 length = 0;
    Handle data = nilhandle;
    const bool whole = unFlattenFilterInfo(item, &kind, &reserved, &enabled, name, &length, &data) != 0;
    if (item) DisposeHandle(item);
    if (!whole) continue;
    AtomList params;
    const bool readable = readatoms(deref(data), std::size_t(GetHandleSize(data)), &params);
    DisposeHandle(data);
    if (!enabled || kind == 0 || !readable) continue;
    // The filter's own 'what' atom names the effect it is.
    u32 what = 0;
    if (atomvalue(findatom(params, fourcc("what")), &what)) kind = what;
    removeatoms(params, fourcc("what"));
    if (!knownfilter(kind)) continue;
    as32bits(t, [&](const PixelsView& v) { applyfilter(kind, params, v); });
  }
}

// The alpha of a rendered picture, pixel by pixel of its buffer: empty while the picture has
// drawn no pixel map that carries alpha.
using AlphaPlane = std::vector<u8>;

// Notes the alpha that a bit map the picture draws carries, where it lands in the buffer
// (`area`, at 0,0) inside the port's clip and the mask: only pixel maps of four components (32
// bits, the alpha in the top byte) carry any. Pixels are mapped as the copy maps them.
void notealpha(const BitMap* src, const Rect& sr, const Rect& dr, RgnHandle mask, const Rect& area, AlphaPlane* alpha) {
  if (!src || !(src->rowBytes & pixmapflag)) return;
  PixMap pm;
  std::memcpy(&pm, src, sizeof pm);
  const i32 sw = width(sr), sh = height(sr), dw = width(dr), dh = height(dr);
  if (pm.pixelSize != 32 || pm.cmpCount != 4 || pm.baseAddr == nullptr || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
    return;
  const i32 rowbytes = pm.rowBytes & rowbytesmask, w = width(area);
  if (alpha->empty()) alpha->assign(std::size_t(w) * std::size_t(height(area)), 255);
  RgnHandle clip = NewRgn();
  GetClip(clip);
  for (i32 y = std::max<i32>(dr.top, area.top); y < std::min<i32>(dr.bottom, area.bottom); ++y)
    for (i32 x = std::max<i32>(dr.left, area.left); x < std::min<i32>(dr.right, area.right); ++x) {
      const Point at{i16(y), i16(x)};
      if (!PtInRgn(at, clip) || (mask != nilid && !PtInRgn(at, mask))) continue;
      const i32 sx = sr.left + i32(i64(x - dr.left) * sw / dw), sy = sr.top + i32(i64(y - dr.top) * sh / dh);
      if (sx < pm.bounds.left || sx >= pm.bounds.right || sy < pm.bounds.top || sy >= pm.bounds.bottom) continue;
      u32 v = 0;
      std::memcpy(&v,
                  pm.baseAddr + std::ptrdiff_t(sy - pm.bounds.top) * rowbytes + std::ptrdiff_t(sx - pm.bounds.left) * 4,
                  4);
      (*alpha)[std::size_t(y - area.top) * std::size_t(w) + std::size_t(x - area.left)] = u8(v >> 24);
    }
  DisposeRgn(clip);
}

// The top byte of rendered 32-bit pixels is their alpha: what the picture drew is opaque, but
// where its pixel maps carry alpha (an image with a transparent part) that alpha is kept, so
// the alpha inks and clicks through transparent pixels see it.
void setalpha(const TempBuffer& t, const AlphaPlane& alpha) {
  if (t.depth != 32) return;
  as32bits(t, [&](const PixelsView& v) {
    const bool kept = alpha.size() == std::size_t(v.width) * std::size_t(v.height);
    for (i32 y = 0; y < v.height; ++y)
      for (i32 x = 0; x < v.width; ++x) {
        u32& p = v.pixels[std::ptrdiff_t(y) * v.rowwords + x];
        p = (p & 0xFFFFFFu) | u32(kept ? alpha[std::size_t(y) * std::size_t(v.width) + std::size_t(x)] : 0xFF) << 24;
      }
  });
}

// Renders the picture into a buffer of its frame's size: true with the buffer, false when the
// picture stays unrendered.
bool render(const spot& s, PicHandle pic, const Rect& frame, TempBuffer* t) {
  const Rect at0{0, 0, i16(height(frame)), i16(width(frame))};
  const i16 depth = bufferdepth(s, pic, width(frame));
  const i64 bytes = i64(std::max<i32>(depth, 1)) * width(at0) / 8 * height(at0);
  const i64 pixels = i64(width(at0)) * height(at0);
  if (bytes > kMaxPictureBuffer || pixels > kMaxPicturePixels || !CreateTempBuffer(depth, at0, t)) return false;
  if (memoryrefused(100000)) {
    DeleteTempBuffer(t);
    return false;
  }
  AlphaPlane alpha;
  {
    SavePort saved;
    SetGWorld(t->world, 0);
    PenNormal();
    ClipRect(&at0);
    EraseRect(&at0);
    QDProcs procs;
    SetStdCProcs(&procs);
    procs.bitsProc = [&](const BitMap* src, const Rect* sr, const Rect* dr, i16 mode, RgnHandle mask) {
      StdBits(src, sr, dr, mode, mask);
      if (t->depth == 32 && sr && dr) notealpha(src, *sr, *dr, mask, at0, &alpha);
    };
    SetPortGrafProcs(t->world, &procs);
    quartzdrawpict(pic, &at0);
    SetPortGrafProcs(t->world, nullptr);
  }
  setalpha(*t, alpha);
  applyfilters(s, *t);
  return true;
}

}  // namespace

i16 getcachepicture(const spot& s, pictbuffer* out) {
  if (findpictbuffer(s, out) >= 0) return 1;
  pictbuffer b;
  PicHandle pic = nilhandle;
  if (!loadpicture(s, &b, &pic)) return 0;
  QDGetPictureBounds(pic, &b.frame);
  b.image = pic;
  PictInfo p;
  loadpictinfo(s.alt, &p);
  TempBuffer t;
  if (!(p.flags & pictdontcache) && render(s, pic, b.frame, &t)) {
    if (b.kind == pictbufferhandle) DisposeHandle(pic);
    b.kind = pictbufferworld;
    b.image = nilhandle;
    b.world = t.world;
  }
  if (addpictbuffer(s, &b) < 0) {
    if (b.kind == pictbufferworld) DisposeGWorld(b.world);
    if (b.kind == pictbufferhandle) DisposeHandle(b.image);
    return 0;
  }
  *out = b;
  return 1;
}

OSErr SetPictInfoHandle(spot& s, Handle data, i16 embedded) {
  if (getaltdata(s.alt, altpictinfo) == nilhandle) return noErr;
  killpictbuffer(s);
  if (OSErr e = setaltdata(s.alt, data, altpictdata)) return e;
  SetStorageMode(s.alt, embedded ? pictembedded : pictlinked);
  // Only the picture's frame is read here: nothing is drawn or cached until the picture is
  // drawn, so that reading a record never renders (a hostile picture costs nothing until
  // shown) and the cache holds no entry for a record that is only read and let go.
  Rect frame;
  if (!pictureframe(s, &frame)) {
    DeletePictInfo(s);
    return noErr;
  }
  PictInfo p;
  loadpictinfo(s.alt, &p);
  p.imagerect = Rect{0, 0, i16(height(frame)), i16(width(frame))};
  storepictinfo(s.alt, p);
  if (data != nilhandle && GetHandleSize(data) > 0 && !(s.flags & spotlocked)) {
    const Rect old = s.rect, now = sized(old, width(p.imagerect), height(p.imagerect));
    if (s.style == stylepolygon && s.data != nilhandle && width(old) > 0 && height(old) > 0)
      MapPoly(s.data, &old, &now);
    if (s.style == stylearc) maparcoval(s, old, now);
    s.rect = now;
  }
  p.sourcerect = p.imagerect;
  storepictinfo(s.alt, p);
  const Rect d = calcdestrect(s);
  SetDest1Rect(s.alt, d);
  return noErr;
}

void ChangeSpotRect(Handle list, i32 index) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  spot s = spotat(list, index);
  pictbuffer b;
  if (!getcachepicture(s, &b)) return;
  Rect f = b.frame;
  if (b.kind == pictbufferworld) GetPixBounds(GetGWorldPixMap(b.world), &f);
  mapspot(list, index, sized(s.rect, width(f), height(f)), false);
  s = spotat(list, index);
  PictInfo p;
  if (!loadpictinfo(s.alt, &p)) return;
  if (inside(f, p.imagerect)) p.sourcerect = f;
  p.destrect = s.rect;
  storepictinfo(s.alt, p);
}

void offsetpicturerects(spot& s, const Rect& newrect) {
  PictInfo p;
  if (!loadpictinfo(s.alt, &p)) return;
  const i16 dh = i16(newrect.right - s.rect.right), dv = i16(newrect.bottom - s.rect.bottom);
  OffsetRect(&p.layoutrect, dh, dv);
  OffsetRect(&p.requestedsource, dh, dv);
  if (p.flags & pictpanning) {
    const Rect x = p.requestedsource, bounds = p.imagerect;
    const i32 w = width(x), h = height(x);
    Rect t = x;
    if (inside(x, bounds)) {
      t = x;
    } else if (SectRect(&x, &bounds, &t)) {
      if (t.left == bounds.left) t.right = i16(bounds.left + w);
      if (t.right == bounds.right) t.left = i16(bounds.right - w);
      if (t.top == bounds.top) t.bottom = i16(bounds.top + h);
      if (t.bottom == bounds.bottom) t.top = i16(bounds.bottom - h);
    } else {
      t = x;
      if (bounds.left > t.left || bounds.left > t.right) t.left = bounds.left, t.right = i16(bounds.left + w);
      if (bounds.right < t.left || bounds.right < t.right) t.right = bounds.right, t.left = i16(bounds.right - w);
      if (bounds.top > t.top || bounds.top > t.bottom) t.top = bounds.top, t.bottom = i16(bounds.top + h);
      if (bounds.bottom < t.top || bounds.bottom < t.bottom) t.bottom = bounds.bottom, t.top = i16(bounds.bottom - h);
    }
    if (inside(t, bounds)) p.sourcerect = t;
  } else if (p.flags & pictlayouttracking) {
    p.layoutrect = newrect;
  }
  p.destrect = sized(s.rect, width(p.imagerect), height(p.imagerect));
  storepictinfo(s.alt, p);
}

}  // namespace kv
