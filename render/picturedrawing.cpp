// Drawing a picture graphic's picture: from its rendered buffer, or played from the picture
// through the bits procedure, with the operation colour, magnification, rotation and quad of
// its picture information.
#include <bit>
#include <cmath>

#include "commands/objectfunctions.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/qd/transformcopy.h"
#include "platform/runtime/root.h"
#include "render/behindcolour.h"
#include "render/graphicdrawing.h"
#include "render/pictinfo.h"
#include "render/picturecache.h"
#include "render/spotstyles.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "store/objects.h"

namespace kv {

namespace {

// What the bits procedure reads of the picture being drawn (one drawing at a time).
struct PictureDrawing {
  spot object{};
  PictInfo info{};
  RgnHandle clip = nilid;
};
PictureDrawing& drawing() { return state<PictureDrawing>(); }

i32 width(const Rect& r) { return i32(r.right) - r.left; }
i32 height(const Rect& r) { return i32(r.bottom) - r.top; }

// The mode of a transformed copy for an ink: the alpha modes and transparency keep theirs.
i16 transformmode(i16 ink) {
  if (ink == transparent || (ink >= transformalpha && ink <= transformpremulblack)) return ink;
  return transformcopy;
}

// Magnification: the area under the visible region's centre, grown about it by m.
void magnified(const BitMap* src, const Rect& s, const Rect& d, i16 ink, RgnHandle rgn, float m) {
  Rect v{};
  GetRegionBounds(rgn, &v);
  Rect vs = v;
  MapRect(&vs, &d, &s);
  const i32 dh = i32((float(width(v)) * m - float(width(v))) * 0.5f),
            dv = i32((float(height(v)) * m - float(height(v))) * 0.5f);
  const Rect grown{i16(v.top - dv), i16(v.left - dh), i16(v.bottom + dv), i16(v.right + dh)};
  Rect area{};
  if (!SectRect(&vs, &s, &area)) return;
  Rect to = area;
  MapRect(&to, &vs, &grown);
  StdBits(src, &area, &to, ink, rgn);
}

// The matrix of a rotated or distorted drawing: turned by the rotation (or taking the source's
// corners onto the quad) about the source's centre, scaled to the destination and moved onto
// its centre.
MatrixRecord transformof(const PictInfo& p, const Rect& s, const Rect& d) {
  MatrixRecord m;
  SetIdentityMatrix(&m);
  const i32 sw = width(s), sh = height(s), dw = width(d), dh = height(d);
  const Fixed cx = Fixed(i64(sw) << 15), cy = Fixed(i64(sh) << 15);
  if (p.rotation != 0) {
    RotateMatrix(&m, Long2Fix(p.rotation), cx, cy);
  } else {
    const Point corners[4] = {{s.top, s.left}, {s.top, s.right}, {s.bottom, s.right}, {s.bottom, s.left}};
    QuadToQuadMatrix(corners, p.quad.v, &m);
  }
  if (sw > 0 && sh > 0) ScaleMatrix(&m, Fixed((i64(dw) << 16) / sw), Fixed((i64(dh) << 16) / sh), cx, cy);
  const i32 scx = (i32(s.left) + s.right) >> 1, scy = (i32(s.top) + s.bottom) >> 1;
  const i32 dcx = (i32(d.left) + d.right) >> 1, dcy = (i32(d.top) + d.bottom) >> 1;
  TranslateMatrix(&m, Long2Fix(dcx - scx), Long2Fix(dcy - scy));
  return m;
}

// Stores the matrix as the object's kind-4 data.
void keepmatrix(const MatrixRecord& m) {
  Handle alt = drawing().object.alt;
  Handle h = nilhandle;
  if (alt == nilhandle || PtrToHand(&m, &h, sizeof m) != noErr) return;
  if (setaltdata(alt, h, altmatrix) != noErr) DisposeHandle(h);
}

void transformed(const BitMap* src, const Rect& s, const Rect& d, i16 ink, RgnHandle rgn) {
  const PictInfo& p = drawing().info;
  Point quad[4];
  for (int i = 0; i < 4; ++i) quad[i] = p.quad.v[i];
  const Rect whole = src->bounds;
  const Rect all{0, 0, i16(height(whole)), i16(width(whole))};
  if (p.rotation == 0 && EmptyQuad(quad)) {
    MatrixRecord m;
    SetIdentityMatrix(&m);
    MapMatrix(&m, &all, &d);
    TransformCopyBits(src, &m, transformmode(ink), rgn);
    return;
  }
  Rect q = d;
  if (!mainglobals().imagedrawing) {
    Rect interior{};
    getinterior(&interior);
    SectRect(&q, &interior, &q);
  }
  const RgnHandle mask = NewRgn(), saved = NewRgn();
  RectRgn(mask, q);
  if (rgn != nilid) SectRgn(mask, rgn, mask);
  GetClip(saved);
  SetClip(mask);
  const MatrixRecord m = transformof(p, s, d);
  TransformCopyBits(src, &m, transformmode(ink), mask);
  SetClip(saved);
  DisposeRgn(saved);
  DisposeRgn(mask);
  keepmatrix(m);
}

}  // namespace

// The object's ink is the transfer mode, whatever mode a picture's bit map was recorded with.
void PpdataRTstdbitsproc(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16, RgnHandle maskRgn) {
  if (!src || !srcRect || !dstRect) return;
  const PictInfo p = drawing().info;
  const i16 ink = i16(drawing().object.ink);
  const CGrafPtr port = currentportid();
  RGBColor opsaved{}, backsaved{};
  const bool opcolour = (p.flags & pictopcolor) != 0;
  if (opcolour) {
    GetPortOpColor(port, &opsaved);
    OpColor(&p.opcolor);
    if (ink == transparent) {
      GetBackColor(&backsaved);
      RGBBackColor(&p.opcolor);
    }
  }
  Point quad[4];
  for (int i = 0; i < 4; ++i) quad[i] = p.quad.v[i];
  const float m = std::bit_cast<float>(u32(p.magnification));
  const RgnHandle clip = drawing().clip;
  if ((p.flags & pictmagnify) && clip != nilid && m > 1.0f) {
    magnified(src, *srcRect, *dstRect, ink, clip, m);
  } else if ((p.flags & pictdontcache) || (ink < 256 && p.rotation == 0 && EmptyQuad(quad))) {
    StdBits(src, srcRect, dstRect, ink, maskRgn);
  } else {
    transformed(src, *srcRect, *dstRect, ink, maskRgn);
  }
  if (opcolour) {
    OpColor(&opsaved);
    if (ink == transparent) RGBBackColor(&backsaved);
  }
}

void DrawPictureInfo(const spot& s) {
  if (s.alt == nilhandle) return;
  pictbuffer b;
  if (!getcachepicture(s, &b)) return;
  Rect r = s.rect;
  if (s.style == styleimagewell) InsetRect(&r, 4, 4);
  PictureDrawing& d = drawing();
  d.object = s;
  loadpictinfo(s.alt, &d.info);
  // The destination as drawing lays it out (in the copy only: drawing leaves the record alone).
  d.info.destrect = Rect{s.rect.top, s.rect.left, i16(s.rect.top + height(d.info.imagerect)),
                         i16(s.rect.left + width(d.info.imagerect))};
  const Rect dest = aspectlayout(d.info.aspect, d.info.sourcerect, r);
  RgnHandle rgn = nilid;
  getrgnfromspot(s, &rgn);
  d.clip = rgn;
  if (b.kind == pictbufferworld) {
    ForeColor(blackColor);
    BackColor(whiteColor);
    PixMap pm = pixmaprecord(GetGWorldPixMap(b.world));
    pm.rowBytes |= pixmapflag;
    PpdataRTstdbitsproc(reinterpret_cast<const BitMap*>(&pm), &d.info.sourcerect, &dest, i16(s.ink), rgn);
  } else {
    const CGrafPtr port = currentportid();
    QDProcs before, procs;
    GetPortGrafProcs(port, &before);
    procs = before;
    procs.bitsProc = PpdataRTstdbitsproc;
    SetPortGrafProcs(port, &procs);
    quartzdrawpict(b.image, &dest);
    SetPortGrafProcs(port, &before);
  }
  if (bgShouldBeGrayed(s)) GrayOutBox(&dest);
  if (rgn != nilid) DisposeRgn(rgn);
  d.clip = nilid;
}

i16 GetPictMatrix(Handle alt, MatrixRecord* out) {
  const Handle h = alt ? getaltdata(alt, altmatrix) : nilhandle;
  if (h == nilhandle || GetHandleSize(h) < Size(sizeof(MatrixRecord))) return 0;
  BlockMoveData(deref(h), out, sizeof *out);
  return 1;
}

}  // namespace kv
