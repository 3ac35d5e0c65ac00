// The paint freehand tools and the bucket: the brush and the spray stamp a 16 x 16 shape of
// the fill pattern along the mouse, the pencil draws or erases one-pixel lines, the eraser
// wipes a 16 x 16 square, and the bucket fills the connected area of one colour around a
// point with the fill pattern.
#include <algorithm>
#include <array>

#include "engine/status.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/masks.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/windows/cursor.h"
#include "render/graphicdrawing.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "shell/portroutines.h"
#include "shell/windowmanage.h"
#include "store/records.h"
#include "tools/handletools.h"
#include "tools/paint.h"
#include "tools/paintsession.h"
#include "tools/shapegeometry.h"

namespace kv {

namespace {

constexpr i16 kSprayCursor = 1006;
constexpr i16 kStamp = 16;  // the side of a brush, spray or eraser stamp
constexpr i32 kBrushBytes = 32;

using Shape = std::array<u8, kBrushBytes>;  // 16 rows of 2 bytes, the leftmost pixel in the high bit

// The brush of the `brush` setting: the head record's brush list holds 16-bit rows in host
// order, bit 15 the leftmost pixel; an index past the list takes its first brush.
Shape brushshape() {
  Shape shape{};
  const Handle list = paintlistsstate().brushlist;
  if (list == nilhandle || !IsValidHandle(list) || GetHandleSize(list) < kBrushBytes) {
    shape.fill(0xFF);
    return shape;
  }
  const i32 count = GetHandleSize(list) / kBrushBytes, wanted = mainglobals().brush;
  const u8* at = deref(list) + (wanted >= 0 && wanted < count ? wanted : 0) * kBrushBytes;
  for (i32 row = 0; row < 16; ++row) {
    const u16 w = loadat<u16>(at + 2 * row);
    shape[size_t(2 * row)] = u8(w >> 8);
    shape[size_t(2 * row + 1)] = u8(w);
  }
  return shape;
}

// The spray's speckle: the image of its cursor (stored rows, the leftmost pixel in the high bit).
Shape sprayshape() {
  Shape shape{};
  Handle h = GetResource(fourcc("CURS"), kSprayCursor);
  if (h != nilhandle && GetHandleSize(h) >= kBrushBytes) std::copy_n(deref(h), kBrushBytes, shape.begin());
  if (h != nilhandle) ReleaseResource(h);
  return shape;
}

// Copies the work world into the image through the shape placed with its top-left at `at`,
// clipped to the bitmap; answers the stamped rectangle.
Rect stamp(GWorldPtr work, const BitMap& shape, Point at) {
  const PaintSession& p = paintsession();
  Rect r{at.v, at.h, i16(at.v + kStamp), i16(at.h + kStamp)}, clipped{};
  if (!SectRect(&r, &p.rect, &clipped)) return clipped;
  Rect maskrect = clipped;
  OffsetRect(&maskrect, i16(-at.h), i16(-at.v));
  bindimage();
  const PortBits src(work), dst(p.imageport);
  CopyMask(src.get(), &shape, dst.get(), &clipped, &maskrect, &clipped);
  return clipped;
}

// A world over the bitmap painted all over with the fill settings; none when it cannot be made.
GWorldPtr fillworld() {
  const PaintSession& p = paintsession();
  GWorldPtr world = nilid;
  if (NewGWorld(&world, 8, &p.rect, p.clut, nilhandle, 0) != noErr) return nilid;
  SavePort keep;
  SetGWorld(world, nilhandle);
  PenNormal();
  fillcolorup();
  PaintRect(&p.rect);
  return world;
}

Rect between(Point a, Point b, i16 widen) {
  Rect r{};
  Pt2Rect(a, b, &r);
  r.right = i16(r.right + widen);
  r.bottom = i16(r.bottom + widen);
  return r;
}

u8 imageindex(Point pt) {
  const PaintSession& p = paintsession();
  if (!PtInRect(pt, &p.rect) || p.image == nilhandle) return 0;
  u32 size = 0;
  u16 rowbytes = 0;
  calcsizewidth(&p.rect, &size, &rowbytes, 8);
  const i64 at = i64(pt.v - p.rect.top) * rowbytes + (pt.h - p.rect.left);
  return at < GetHandleSize(p.image) ? deref(p.image)[at] : u8(0);
}

// Grows `into` by `r` (an empty `into` becomes `r`).
void grow(Rect& into, const Rect& r) {
  if (EmptyRect(&into)) into = r;
  else if (!EmptyRect(&r)) UnionRect(&into, &r, &into);
}

// The stroke of a freehand tool: the mouse, locked to an axis with Shift, read until the button
// is released; a position within `spacing` of the last one taken (with 0: the same point) is
// skipped after the first. `step` gets the last point taken and the new one.
template <class Step>
void stroke(Point pt, i16 spacing, Step step) {
  Point last = pt, mouse = pt;
  i16 axis = 0;
  bool first = true;
  do {
    paintmouse(&mouse);
    constrain(pt, &mouse, &axis);
    if (!first && (spacing > 0 ? localpt(last, mouse, spacing) != 0 : EqualPt(mouse, last))) continue;
    step(last, mouse, first);
    last = mouse;
    first = false;
  } while (stilldown());
}

bool samergb(const RGBColor& a, const RGBColor& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

}  // namespace

std::array<u8, 32> paintbrushshape() { return brushshape(); }

i16 genericbrush(Handle list, Point pt, i16 kind) {
  if (i16 st = firstbits(list, pt)) return st;
  if (!mainglobals().filled) return 0;
  paintchanged();
  Shape shape = kind == 2 ? sprayshape() : brushshape();
  const i16 spacing = kind == 2 ? std::max<i16>(mainglobals().penWidth, 1) : i16(1);
  GWorldPtr work = fillworld();
  if (work == nilid) {
    SysBeep(1);
    return err::nomemory;
  }
  const BitMap mask{reinterpret_cast<Ptr>(shape.data()), 2, Rect{0, 0, kStamp, kStamp}};
  stroke(pt, spacing, [&](Point last, Point mouse, bool first) {
    Rect shown{};
    if (first || kind == 2) {
      shown = stamp(work, mask, mouse);
    } else {
      // The brush leaves a continuous trail: a stamp at every pixel on the way.
      Point at = last;
      bool going = true;
      while (going) {
        going = stepoint(last, mouse, &at, 1) != 0;
        grow(shown, stamp(work, mask, at));
      }
    }
    showbits(shown);
  });
  DisposeGWorld(work);
  bindimage();
  restcolor();
  return 0;
}

i16 genericpen(Handle list, Point pt, i16 kind) {
  if (i16 st = firstbits(list, pt)) return st;
  const MainGlobals& g = mainglobals();
  paintchanged();
  bindimage();
  const bool pencil = kind == 2;
  const bool erasing = pencil && samergb(paintrgb(imageindex(pt)), paintrgb(g.fillFore));
  stroke(pt, 0, [&](Point last, Point mouse, bool) {
    bindimage();
    addsearch(1);
    if (pencil && !erasing) {
      fillcolorup();
      PenPat(&qdblack);
    } else {
      PenPat(&qdwhite);
    }
    if (pencil) PenSize(1, 1);
    else PenSize(kStamp, kStamp);
    MoveTo(last.h, last.v);
    LineTo(mouse.h, mouse.v);
    delsearch(1);
    showbits(between(last, mouse, kStamp));
  });
  bindimage();
  return 0;
}

i16 dobucket(Handle list, Point pt) {
  if (i16 st = firstbits(list, pt)) return st;
  const MainGlobals& g = mainglobals();
  if (!g.filled) return 0;
  paintchanged();
  if (!g.lockCursor) SetThemeCursor(kThemeWatchCursor);
  const PaintSession& p = paintsession();
  if (p.maskworld == nilid || !IsValidPort(p.maskworld) || !PtInRect(pt, &p.rect)) return 0;
  erasebwport(p.maskworld);
  bindimage();
  // The area: the pixels joined to the seed through pixels of exactly its colour.
  addsearch(1);
  {
    const PortBits src(p.imageport), mask(p.maskworld);
    SeedCFill(src.get(), mask.get(), &p.rect, &p.rect, pt.h, pt.v, nullptr, 0);
  }
  delsearch(1);
  // The whole area in fillBack, then the pattern's pixels of it in fillFore.
  auto maskonimage = [&](i32 colour) {
    bindimage();
    const RGBColor fore = paintrgb(colour);
    RGBForeColor(&fore);
    const PortBits mask(p.maskworld), dst(p.imageport);
    CopyBits(mask.get(), dst.get(), &p.rect, &p.rect, srcOr, nilid);
  };
  maskonimage(g.fillBack);
  {
    SavePort keep;
    SetGWorld(p.maskworld, nilhandle);
    PenNormal();
    restcolor();
    const Pattern pat = paintpattern(g.fillPat);
    PenPat(&pat);
    PenMode(notPatBic);
    PaintRect(&p.rect);
    PenNormal();
  }
  maskonimage(g.fillFore);
  restcolor();
  showwholebitmap();
  return 0;
}

}  // namespace kv
