// Bitmap graphics (style 105): 1-bit and 8-bit pixel rows copied onto the object's rectangle
// with its ink, white made transparent by ink -1, dithered to black and white while
// colorWorld is off, and greyed in inactive windows; the bitmap being painted; bit maps for
// the paint tools and pictures.
#include <algorithm>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/masks.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/behindcolour.h"
#include "render/carddrawing.h"
#include "render/graphicdrawing.h"
#include "render/objectbounds.h"
#include "render/spotgeometry.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "system/proctable.h"

namespace kv {

namespace {

constexpr i16 kTransparentWhite = -1;
// An 8-bit colour is black in a black-and-white world when the squares of its channels sum
// below this.
constexpr double kDarkLimit = 3.221127e9;

// A copy of a bitmap graphic's pixel rows and the map over them; empty when the object holds
// fewer bytes than its rectangle needs (or rows too long for a map).
class BitmapRows {
 public:
  BitmapRows(const spot& s, CTabHandle table) : colour_(getgraphictail(s).startangle != 0) {
    const i32 w = i32(s.rect.right) - s.rect.left, h = i32(s.rect.bottom) - s.rect.top;
    if (w <= 0 || h <= 0 || s.data == nilhandle || !IsValidHandle(s.data)) return;
    const i32 rowbytes = pixmaprowbytes(w, colour_ ? 8 : 1);
    const i64 need = i64(rowbytes) * h;
    if (rowbytes > rowbytesmask || GetHandleSize(s.data) < need) return;
    pixels_.assign(deref(s.data), deref(s.data) + need);
    map_ = bitmapmap(pixels_.data(), s.rect, colour_, table);
  }
  bool empty() const { return pixels_.empty(); }
  bool colour() const { return colour_; }
  const BitMap* bits() const { return reinterpret_cast<const BitMap*>(&map_); }
  const Rect& bounds() const { return map_.bounds; }
  i32 rowbytes() const { return map_.rowBytes & rowbytesmask; }
  const u8* row(i32 v) const { return pixels_.data() + i64(v) * rowbytes(); }

 private:
  bool colour_;
  std::vector<u8> pixels_;
  PixMap map_{};
};

// 1-bit rows of a rectangle's size, cleared (a mask or a dithered image).
struct MonoRows {
  explicit MonoRows(const Rect& bounds)
      : rowbytes(pixmaprowbytes(bounds.right - bounds.left, 1)),
        pixels(size_t(rowbytes) * size_t(bounds.bottom - bounds.top)) {
    map.baseAddr = pixels.data();
    map.rowBytes = u16(rowbytes);
    map.bounds = bounds;
  }
  void set(i32 h, i32 v) { pixels[size_t(v) * rowbytes + size_t(h / 8)] |= u8(0x80 >> (h % 8)); }
  i32 rowbytes;
  std::vector<u8> pixels;
  BitMap map{};
};

const BitMap* portbits() { return GetPortBitMapForCopyBits(currentportid()); }

// The colour table the 8-bit pixels of the current layer's objects index.
class LayerTable {
 public:
  // Only colour pixels need one.
  LayerTable(Handle table, bool colour) : table_(table) {
    if (colour && table_ == nilhandle) own_ = table_ = GetCTable(8);
  }
  ~LayerTable() { DisposeCTable(own_); }
  LayerTable(const LayerTable&) = delete;
  LayerTable& operator=(const LayerTable&) = delete;
  CTabHandle get() const { return table_; }

 private:
  CTabHandle table_;
  CTabHandle own_ = nilhandle;
};

// Copies the rows onto the rectangle with white transparent: what the rows enclose is cleared
// to the background first, then the rows are laid over it in source-or.
void copytransparent(const BitmapRows& rows, const Rect& dst) {
  MonoRows mask(rows.bounds());
  if (rows.colour()) {
    CalcCMask(rows.bits(), &mask.map, &rows.bounds(), &mask.map.bounds, nullptr, getproc<12>(), 0);
  } else {
    const i16 h = i16(rows.bounds().bottom);
    CalcMask(rows.row(0), mask.pixels.data(), i16(rows.rowbytes()), i16(mask.rowbytes), h, i16(rows.rowbytes() / 2));
  }
  CopyBits(&mask.map, portbits(), &mask.map.bounds, &dst, srcBic, nilid);
  CopyBits(rows.bits(), portbits(), &rows.bounds(), &dst, srcOr, nilid);
}

// An 8-bit bitmap in a black-and-white world: each colour of the table black or white by its
// darkness, the rows packed into 1-bit rows and copied with the ink (source copy for ink -1).
void drawdithered(const spot& s, const BitmapRows& rows, CTabHandle table) {
  bool dark[256] = {};
  for (i32 i = 0; i < 256; ++i) {
    RGBColor c{0xFFFF, 0xFFFF, 0xFFFF};
    ctableentry(table, i, &c);
    const double r = c.red, g = c.green, b = c.blue;
    dark[i] = r * r + g * g + b * b < kDarkLimit;
  }
  MonoRows mono(rows.bounds());
  for (i32 v = 0; v < rows.bounds().bottom; ++v)
    for (i32 h = 0; h < rows.bounds().right; ++h)
      if (dark[rows.row(v)[h]]) mono.set(h, v);
  const i16 ink = i16(s.ink) == kTransparentWhite ? i16(srcCopy) : i16(s.ink);
  penmode(ink);
  CopyBits(&mono.map, portbits(), &mono.map.bounds, &s.rect, ink, nilid);
}

}  // namespace

void LowDrawPaintGrc(spot& s) {
  const MainGlobals& g = mainglobals();
  const desk& d = g.current;
  const bool colour = getgraphictail(s).startangle != 0;
  const LayerTable table(colour && !g.colorWorld ? (d.backlayer ? d.backclut : d.cardclut) : g.currentclut, colour);
  const BitmapRows rows(s, table.get());
  if (rows.empty()) return;
  if (colour && !g.colorWorld) {
    drawdithered(s, rows, table.get());
    return;
  }
  const bool greyed = bgShouldBeGrayed(s) != 0;
  const bool transparentwhite = i16(s.ink) == kTransparentWhite;
  if (colour) {
    BackPat(&qdwhite);
    PenNormal();
    restcolor();
  } else if (greyed) {
    // A 1-bit bitmap is greyed before its pixels are copied.
    GrayOutBox(&s.rect);
  }
  if (transparentwhite) {
    copytransparent(rows, s.rect);
  } else {
    if (!colour) penmode(i16(s.ink));
    CopyBits(rows.bits(), portbits(), &rows.bounds(), &s.rect, i16(s.ink), nilid);
  }
  if (colour && greyed) GrayOutBox(&s.rect);
}

void drawbmap() {
  MainGlobals& g = mainglobals();
  if (g.bmapspots == nilhandle || g.bmapindex < 0 || g.bmapindex >= spotcount(g.bmapspots)) return;
  const spot s = spotat(g.bmapspots, g.bmapindex);
  if (g.bmapclut != nilhandle) g.currentclut = g.bmapclut;
  Rect bounds{};
  lowcalc(&s, &bounds);
  if (!g.offwindowdrawing) {
    const RgnHandle visible = NewRgn();
    GetPortVisibleRegion(currentportid(), visible);
    const bool shows = RectInRgn(bounds, visible);
    DisposeRgn(visible);
    if (!shows) return;
  }
  PenNormal();
  frameoutline(s.rect);
  PenNormal();
  restcolor();
  const LayerTable table(g.currentclut, getgraphictail(s).startangle != 0);
  const BitmapRows rows(s, table.get());
  if (!rows.empty()) CopyBits(rows.bits(), portbits(), &rows.bounds(), &s.rect, srcCopy, nilid);
}

i16 NewBitMap(BitMap* bits, const Rect* r) {
  const i32 w = std::max(i32(r->right) - r->left, 0), h = std::max(i32(r->bottom) - r->top, 0);
  const i32 rowbytes = (w + 15) / 16 * 2;
  const i64 size = i64(rowbytes) * h;
  if (size > 0x7FFFFFFF || memoryrefused(Size(size))) return 1;
  const Ptr pixels = NewPtrClear(Size(size));
  if (pixels == nullptr) return 37;
  bits->baseAddr = pixels;
  bits->rowBytes = u16(rowbytes);
  bits->bounds = *r;
  return 0;
}

OSErr quartzdrawpict(PicHandle picture, const Rect* r) {
  const MainGlobals& g = mainglobals();
  if (g.quartzPicts && g.bufferMode > 15) return DrawPictureAntialiased(picture, r);
  DrawPicture(picture, r);
  return noErr;
}

}  // namespace kv
