// Colour icons and icon families plotted into the current port, and the point-in-icon test.
#include "platform/qd/icons.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/iconimpl.h"
#include "platform/qd/iconrecords.h"
#include "platform/qd/masks.h"
#include "platform/qd/pixels.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdstate.h"

namespace kv {

namespace {

struct IconState {
  Registry<IconFamily, RegType::icon> families;
};
IconState& icons() { return state<IconState>(); }

i64 height(const Rect& r) { return i64(r.bottom) - r.top; }

template <class T>
T readat(const u8* at) {
  T t;
  std::memcpy(&t, at, sizeof t);
  return t;
}

// The 1-bit rows of a region's pixels (rows of whole 16-bit words): the image's pixels of
// alpha above zero, in the rectangle's coordinates.
RgnHandle opaqueregion(const std::vector<u8>& alpha, const Rect& r) {
  const i32 w = r.right - r.left, h = r.bottom - r.top;
  const i32 rowbytes = ((w + 15) / 16) * 2;
  std::vector<u8> bits(std::size_t(rowbytes) * std::size_t(h), 0);
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x)
      if (alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)])
        bits[std::size_t(y) * std::size_t(rowbytes) + std::size_t(x / 8)] |= u8(0x80 >> (x & 7));
  BitMap map{bits.data(), u16(rowbytes), Rect{0, 0, i16(h), i16(w)}};
  RgnHandle rgn = NewRgn();
  if (rgn == nilid) return nilid;
  BitMapToRegion(rgn, &map);
  OffsetRgn(rgn, r.left, r.top);
  return rgn;
}

// The colour of each pixel value of an indexed colour icon: the entry whose value is the
// pixel's (by position for a device table), black for values the table lacks.
std::vector<u32> iconpalette(CTabHandle table) {
  std::vector<u32> lut(256, 0);
  const Size size = GetHandleSize(table);
  if (size < Size(sizeof(ColorTableHeader))) return lut;
  const ColorTableHeader head = readat<ColorTableHeader>(deref(table));
  const i64 count = std::min<i64>(head.ctSize + 1, (size - Size(sizeof head)) / Size(sizeof(ColorSpec)));
  for (i64 i = 0; i < count; ++i) {
    const ColorSpec c = readat<ColorSpec>(deref(table) + sizeof head + std::size_t(i) * sizeof(ColorSpec));
    const i64 at = (head.ctFlags & 0x8000) ? i : (c.value & 0xFF);
    if (at < 256) lut[std::size_t(at)] = rgbto32(c.rgb);
  }
  return lut;
}

// A colour icon as an image with its mask as alpha; false when its parts do not hold together.
bool ciconimage(CIconHandle icon, IconImage* out) {
  if (icon == nilhandle || !IsValidHandle(icon) || GetHandleSize(icon) < Size(sizeof(ciconrec))) return false;
  const ciconrec head = readat<ciconrec>(deref(icon));
  const storedpixmap pm = head.pixmap;
  const storedbitmap mask = head.mask;
  const Rect bounds = pm.bounds, mbounds = mask.bounds;
  const i64 w = i64(bounds.right) - bounds.left, h = height(bounds);
  const i64 depth = pm.pixelsize, rowbytes = pm.rowbytes & 0xFFF, maskrow = mask.rowbytes;
  if (w <= 0 || h <= 0 || w > kMaxIconSide || h > kMaxIconSide) return false;
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return false;
  if (rowbytes * 8 < w * depth || height(mbounds) < 0) return false;
  const Handle pixels = head.icondata, table = head.pixmap.pmtable;
  if (pixels == nilhandle || !IsValidHandle(pixels) || table == nilhandle || !IsValidHandle(table)) return false;
  if (GetHandleSize(pixels) < rowbytes * h) return false;
  if (GetHandleSize(icon) < i64(sizeof(ciconrec)) + maskrow * height(mbounds)) return false;
  const std::vector<u32> lut = iconpalette(table);
  out->width = i32(w);
  out->height = i32(h);
  out->depth = i32(depth);
  out->argb.assign(std::size_t(w * h), 0);
  const u8* rows = deref(pixels);
  const u8* maskrows = deref(icon) + sizeof(ciconrec);
  for (i64 y = 0; y < h; ++y)
    for (i64 x = 0; x < w; ++x) {
      const u8 byte = rows[y * rowbytes + x * depth / 8];
      const u32 value = (byte >> (8 - depth - (x * depth) % 8)) & ((1u << depth) - 1);
      bool opaque = false;
      if (y < height(mbounds) && x / 8 < maskrow) opaque = (maskrows[y * maskrow + x / 8] >> (7 - (x & 7))) & 1;
      out->argb[std::size_t(y * w + x)] = (opaque ? 0xFF000000u : 0) | lut[value];
    }
  return true;
}

}  // namespace

// --- Images into the port ------------------------------------------------------------------

Rect iconplace(const Rect& r, i16 align) {
  if (align == kAlignNone) return r;
  const i16 side = i16(std::min(r.right - r.left, r.bottom - r.top));
  if (side <= 0) return r;
  const i16 left = i16(r.left + (r.right - r.left - side) / 2), top = i16(r.top + (r.bottom - r.top - side) / 2);
  return Rect{top, left, i16(top + side), i16(left + side)};
}

u8 alphaat(const IconImage& image, const Rect& dst, Point pt) {
  const i64 w = i64(dst.right) - dst.left, h = height(dst);
  if (w <= 0 || h <= 0 || image.width <= 0 || image.height <= 0) return 0;
  if (pt.h < dst.left || pt.h >= dst.right || pt.v < dst.top || pt.v >= dst.bottom) return 0;
  const i64 x = (i64(pt.h) - dst.left) * image.width / w, y = (i64(pt.v) - dst.top) * image.height / h;
  return u8(image.argb[std::size_t(y * image.width + x)] >> 24);
}

void plotimage(const IconImage& image, const Rect& dst, i16 transform) {
  Port* port = currentport();
  const i32 w = dst.right - dst.left, h = dst.bottom - dst.top;
  if (port == nullptr || w <= 0 || h <= 0 || image.width <= 0 || image.height <= 0) return;
  // What the port holds under the rectangle (white outside its pixels), with the icon blended
  // over it.
  const Surface under = surfacefrompixmap(port->pixmap);
  std::vector<u8> pixels(std::size_t(pixmaprowbytes(w, 32)) * std::size_t(h));
  const PixMap pm = pixmapfor(32, dst, pixels.data(), nilhandle);
  const Surface blend = surfacefrombits(reinterpret_cast<const BitMap*>(&pm));
  std::vector<u8> alpha(std::size_t(w) * std::size_t(h));
  for (i32 y = 0; y < h; ++y)
    for (i32 x = 0; x < w; ++x) {
      const Point pt{i16(dst.top + y), i16(dst.left + x)};
      const u32 src = image.argb[std::size_t(i64(y) * image.height / h * image.width + i64(x) * image.width / w)];
      u32 a = src >> 24;
      if (transform == kTransformDisabled) a /= 2;
      alpha[std::size_t(y * w + x)] = u8(a);
      if (a == 0) continue;
      const i32 ux = pt.h - under.bounds.left, uy = pt.v - under.bounds.top;
      u32 back = 0xFFFFFF;
      if (under.valid() && ux >= 0 && uy >= 0 && ux < under.width() && uy < under.height())
        back = rgbto32(pixeltorgb(under, getpixel(under, ux, uy)));
      u32 out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        u32 c = (src >> shift) & 0xFF;
        if (transform == kTransformSelected) c /= 2;
        const u32 b = (back >> shift) & 0xFF;
        out |= ((c * a + b * (255 - a) + 127) / 255) << shift;
      }
      setpixel(blend, x, y, out);
    }
  RgnHandle mask = opaqueregion(alpha, dst);
  if (mask == nilid) return;
  // The icon keeps its own colours: the copy is not colourised by the port's colours.
  RGBColor fore{}, back{};
  GetForeColor(&fore);
  GetBackColor(&back);
  const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&black);
  RGBBackColor(&white);
  CopyBits(reinterpret_cast<const BitMap*>(&pm), GetPortBitMapForCopyBits(currentportid()), &dst, &dst, srcCopy, mask);
  RGBForeColor(&fore);
  RGBBackColor(&back);
  DisposeRgn(mask);
}

// --- Colour icons --------------------------------------------------------------------------

bool ciconlayout(const ciconrec& head, const u8* data, i64 size, bool fileorder, CIconLayout* out) {
  const storedpixmap pm = head.pixmap;
  const storedbitmap mask = head.mask, bitmap = head.bitmap;
  if (height(pm.bounds) < 0 || height(mask.bounds) < 0 || height(bitmap.bounds) < 0) return false;
  CIconLayout l;
  l.mask = i64(sizeof(ciconrec));
  l.maskbytes = i64(mask.rowbytes) * height(mask.bounds);
  l.bitmap = l.mask + l.maskbytes;
  l.bitmapbytes = i64(bitmap.rowbytes) * height(bitmap.bounds);
  l.ctab = l.bitmap + l.bitmapbytes;
  if (l.ctab + i64(sizeof(storedctab)) > size) return false;
  u16 entries = 0;
  std::memcpy(&entries, data + l.ctab + 6, 2);
  if (fileorder) entries = __builtin_bswap16(entries);
  l.ctabbytes = 8 * i64(entries) + 16;
  l.pixels = l.ctab + l.ctabbytes;
  l.pixelbytes = height(pm.bounds) * (pm.rowbytes & 0xFFF);
  if (l.pixels + l.pixelbytes > size) return false;
  *out = l;
  return true;
}

OSErr PlotCIconHandle(const Rect* r, i16 align, i16 transform, CIconHandle icon) {
  IconImage image;
  if (r == nullptr || !ciconimage(icon, &image)) return paramErr;
  plotimage(image, iconplace(*r, align), transform);
  return noErr;
}

void PlotCIcon(const Rect* r, CIconHandle icon) {
  IconImage image;
  if (r != nullptr && ciconimage(icon, &image)) plotimage(image, *r, kTransformNone);
}

void DisposeCIcon(CIconHandle icon) {
  if (icon == nilhandle || !IsValidHandle(icon)) return;
  if (GetHandleSize(icon) >= Size(sizeof(ciconrec))) {
    const ciconrec head = readat<ciconrec>(deref(icon));
    const Handle table = head.pixmap.pmtable, pixels = head.icondata;
    if (table != nilhandle && IsValidHandle(table)) DisposeHandle(table);
    if (pixels != nilhandle && IsValidHandle(pixels)) DisposeHandle(pixels);
  }
  DisposeHandle(icon);
}

// --- Black-and-white icons -----------------------------------------------------------------

OSErr PlotIcon(const Rect* r, Handle icon) {
  constexpr Size kIconBytes = 128;
  if (r == nullptr || icon == nilhandle || !IsValidHandle(icon) || GetHandleSize(icon) < kIconBytes) return paramErr;
  // The bits are copied out first: the handle's block may move while the port is drawn into.
  u8 bits[kIconBytes];
  std::memcpy(bits, deref(icon), sizeof bits);
  const BitMap source{bits, 4, Rect{0, 0, 32, 32}};
  GrafPtr port = nilid;
  GetPort(&port);
  CopyBits(&source, GetPortBitMapForCopyBits(port), &source.bounds, r, srcCopy, nilhandle);
  return noErr;
}

// --- Icon families -------------------------------------------------------------------------

OSErr GetIconRefFromIconFamilyPtr(const void* data, Size size, IconRef* out) {
  if (out == nullptr) return paramErr;
  *out = nilid;
  auto family = std::make_unique<IconFamily>();
  if (size < 0 || !decodeiconfamily(static_cast<const u8*>(data), std::size_t(size), family.get())) return paramErr;
  if (family->members.empty()) return noSuchIconErr;
  *out = icons().families.add(std::move(family));
  if (*out == nilid) return memFullErr;
  return noErr;
}

OSErr GetIconRef(i16, OSType, OSType, IconRef* out) {
  if (out != nullptr) *out = nilid;
  return noSuchIconErr;
}

OSErr ReleaseIconRef(IconRef icon) {
  if (!icons().families.remove(icon)) return invalidIconRefErr;
  return noErr;
}

bool IsValidIconRef(IconRef icon) { return icons().families.valid(icon); }

OSErr PlotIconRef(const Rect* r, i16 align, i16 transform, IconRef icon) {
  const IconFamily* family = icons().families.get(icon);
  if (family == nullptr || r == nullptr) return invalidIconRefErr;
  const Rect place = iconplace(*r, align);
  if (const IconImage* m = bestmember(*family, std::max(place.right - place.left, place.bottom - place.top)))
    plotimage(*m, place, transform);
  return noErr;
}

bool PtInIconRef(const Point* pt, const Rect* r, i16 align, IconRef icon) {
  const IconFamily* family = icons().families.get(icon);
  if (family == nullptr || pt == nullptr || r == nullptr) return false;
  const Rect place = iconplace(*r, align);
  const IconImage* m = bestmember(*family, std::max(place.right - place.left, place.bottom - place.top));
  return m != nullptr && alphaat(*m, place, *pt) >= 128;
}

}  // namespace kv
