// Inside the drawing layer: pixel access over bit maps and pixel maps of every depth, colour
// conversion to and from pixels, and colour matching into indexed maps.
#pragma once

#include <array>
#include <vector>

#include "platform/qd/qdtypes.h"

namespace kv {

// A bit map or pixel map resolved for drawing: the base, the stride, the depth and, for
// indexed maps, a copy of the colour table. Pixel coordinates count from the map's
// top-left (bounds.left, bounds.top).
struct Surface {
  u8* base = nullptr;
  i32 rowbytes = 0;
  Rect bounds{0, 0, 0, 0};
  i16 depth = 1;
  bool direct = false;
  std::vector<RGBColor> palette;  // indexed maps: 2^depth entries
  bool alpha = false;             // 32-bit pixels whose top byte is their alpha (four components)
  i32 width() const { return bounds.right - bounds.left; }
  i32 height() const { return bounds.bottom - bounds.top; }
  bool valid() const { return base != nullptr && width() > 0 && height() > 0; }
};

// Reads a BitMap or PixMap record (by the pixel-map flag of rowBytes). A depth the layer
// cannot read, or a missing base address, gives an invalid surface.
Surface surfacefrombits(const BitMap* bits);
Surface surfacefrompixmap(PixMapHandle pm);
// A pixel map record of a depth over bounds (row bytes by pixmaprowbytes, 72 dpi).
PixMap pixmapfor(i16 depth, const Rect& bounds, Ptr base, CTabHandle table);
// The palette an indexed map of that depth and table draws with.
std::vector<RGBColor> paletteof(CTabHandle table, i16 depth);

inline u32 getpixel(const Surface& s, i32 x, i32 y) {
  const u8* row = s.base + std::ptrdiff_t(y) * s.rowbytes;
  switch (s.depth) {
    case 32: return reinterpret_cast<const u32*>(row)[x];
    case 16: return reinterpret_cast<const u16*>(row)[x];
    case 8: return row[x];
    case 4: return (row[x >> 1] >> ((1 - (x & 1)) * 4)) & 0xF;
    case 2: return (row[x >> 2] >> ((3 - (x & 3)) * 2)) & 0x3;
    default: return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

inline void setpixel(const Surface& s, i32 x, i32 y, u32 v) {
  u8* row = s.base + std::ptrdiff_t(y) * s.rowbytes;
  switch (s.depth) {
    case 32: reinterpret_cast<u32*>(row)[x] = v & 0xFFFFFF; break;
    case 16: reinterpret_cast<u16*>(row)[x] = u16(v & 0x7FFF); break;
    case 8: row[x] = u8(v); break;
    case 4: {
      int sh = (1 - (x & 1)) * 4;
      row[x >> 1] = u8((row[x >> 1] & ~(0xF << sh)) | ((v & 0xF) << sh));
      break;
    }
    case 2: {
      int sh = (3 - (x & 3)) * 2;
      row[x >> 2] = u8((row[x >> 2] & ~(0x3 << sh)) | ((v & 0x3) << sh));
      break;
    }
    default: {
      u8 m = u8(0x80 >> (x & 7));
      if (v & 1) row[x >> 3] |= m;
      else row[x >> 3] &= u8(~m);
    }
  }
}

// The pixel value with every bit of the depth inverted.
inline u32 pixelmask(i16 depth) { return depth == 32 ? 0xFFFFFFu : depth == 16 ? 0x7FFFu : (1u << depth) - 1; }

// Direct pixel packing.
inline u32 rgbto32(const RGBColor& c) { return (u32(c.red >> 8) << 16) | (u32(c.green >> 8) << 8) | u32(c.blue >> 8); }
inline u32 rgbto16(const RGBColor& c) {
  return (u32(c.red >> 11) << 10) | (u32(c.green >> 11) << 5) | u32(c.blue >> 11);
}
inline RGBColor rgbfrom32(u32 p) {
  return RGBColor{u16(((p >> 16) & 0xFF) * 257), u16(((p >> 8) & 0xFF) * 257), u16((p & 0xFF) * 257)};
}
inline u16 expand5(u32 v) { return u16((v << 11) | (v << 6) | (v << 1) | (v >> 4)); }
inline RGBColor rgbfrom16(u32 p) { return RGBColor{expand5((p >> 10) & 31), expand5((p >> 5) & 31), expand5(p & 31)}; }

inline RGBColor pixeltorgb(const Surface& s, u32 p) {
  if (s.depth == 32) return rgbfrom32(p);
  if (s.depth == 16) return rgbfrom16(p);
  return p < s.palette.size() ? s.palette[p] : RGBColor{0, 0, 0};
}

// Matches colours to the pixel values of one surface: direct surfaces pack, indexed ones ask
// the current device's search procedures and then take the nearest palette entry. Results
// are cached for the life of the matcher.
class Matcher {
 public:
  explicit Matcher(const Surface& s);
  u32 match(const RGBColor& c);

 private:
  struct Entry {
    u64 key = ~u64(0);
    u32 value = 0;
  };
  u32 lookup(const RGBColor& c);
  const Surface* s_;
  bool searching_ = false;
  // The first few colours (a drawing's foreground and background) sit in a small list; a
  // copy of many colours gets a hashed cache.
  std::array<Entry, 8> recent_{};
  std::size_t nrecent_ = 0;
  std::vector<Entry> cache_;
};

// The nearest entry of a palette (least squared distance, the first of equals).
u32 nearestindex(const std::vector<RGBColor>& palette, const RGBColor& c);
// Runs the current device's search procedures; true when one decided.
bool runsearchprocs(const RGBColor& c, i32* position);
bool searchprocsinstalled();

}  // namespace kv
