// Helpers of the drawing-layer tests: offscreen worlds to draw in and their pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/qd.h"

namespace kv::qdtest {

// An offscreen world of the given depth over (0, 0, height, width), made current and erased.
inline GWorldPtr world(i16 depth, i16 width, i16 height, CTabHandle table = 0) {
  GWorldPtr gw = 0;
  Rect r{0, 0, height, width};
  EXPECT_EQ(NewGWorld(&gw, depth, &r, table, 0, 0), noErr);
  SetGWorld(gw, 0);
  EraseRect(&r);
  return gw;
}

inline u32 pixel(GWorldPtr gw, i32 x, i32 y) {
  PixMapHandle pm = GetGWorldPixMap(gw);
  const u8* row = GetPixBaseAddr(pm) + std::ptrdiff_t(y) * GetPixRowBytes(pm);
  switch (GetPixDepth(pm)) {
    case 32: {
      u32 v;
      std::memcpy(&v, row + x * 4, 4);
      return v;
    }
    case 16: {
      u16 v;
      std::memcpy(&v, row + x * 2, 2);
      return v;
    }
    case 8: return row[x];
    default: return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

// The pixels of a rectangle of a 32-bit world as rows of '#' (not white) and '.' (white).
inline std::string picture(GWorldPtr gw, i32 left, i32 top, i32 right, i32 bottom) {
  std::string s;
  for (i32 y = top; y < bottom; ++y) {
    for (i32 x = left; x < right; ++x) s += pixel(gw, x, y) == 0xFFFFFF ? '.' : '#';
    s += '\n';
  }
  return s;
}

// Count of pixels of a world that are not white.
inline i32 inked(GWorldPtr gw) {
  Rect b;
  GetPortBounds(gw, &b);
  i32 n = 0;
  for (i32 y = 0; y < b.bottom - b.top; ++y)
    for (i32 x = 0; x < b.right - b.left; ++x) n += pixel(gw, x, y) != 0xFFFFFF;
  return n;
}

// Whether the non-white pixels of a rectangle of a 32-bit world are symmetric left to right
// and top to bottom.
inline bool symmetric(GWorldPtr gw, const Rect& r) {
  for (i32 y = r.top; y < r.bottom; ++y)
    for (i32 x = r.left; x < r.right; ++x) {
      const bool on = pixel(gw, x, y) != 0xFFFFFF;
      if (on != (pixel(gw, r.right - 1 - (x - r.left), y) != 0xFFFFFF)) return false;
      if (on != (pixel(gw, x, r.bottom - 1 - (y - r.top)) != 0xFFFFFF)) return false;
    }
  return true;
}

// The 32-bit pixels (xrgb, without the top byte) a picture draws over (0, 0, h, w), row by row.
inline std::vector<u32> drawnpixels(PicHandle pic, i16 w, i16 h) {
  GWorldPtr gw = world(32, w, h);
  Rect r{0, 0, h, w};
  DrawPicture(pic, &r);
  std::vector<u32> out;
  for (i16 y = 0; y < h; ++y)
    for (i16 x = 0; x < w; ++x) out.push_back(pixel(gw, x, y) & 0xFFFFFF);
  DisposeGWorld(gw);
  return out;
}

inline std::vector<u8> pstr(const char* s) {
  std::vector<u8> v;
  v.push_back(u8(std::strlen(s)));
  v.insert(v.end(), s, s + std::strlen(s));
  return v;
}

}  // namespace kv::qdtest
