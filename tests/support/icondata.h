// Icon data made in code for tests: 'icns' icon families and 'cicn' colour icons.
#pragma once

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "platform/qd/iconrecords.h"
#include "platform/types.h"

namespace kv::testicons {

inline void put32(std::vector<u8>& v, u32 x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(u8(x >> s));
}

// An icon family ('icns', big-endian) of the members given as type and data.
inline std::vector<u8> family(const std::vector<std::pair<OSType, std::vector<u8>>>& members) {
  std::vector<u8> body;
  for (const auto& [type, data] : members) {
    put32(body, type);
    put32(body, u32(data.size() + 8));
    body.insert(body.end(), data.begin(), data.end());
  }
  std::vector<u8> out;
  put32(out, fourcc("icns"));
  put32(out, u32(body.size() + 8));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// The rows of a 1-bit image of a side (rows of side / 8 bytes) set where `on` says.
inline std::vector<u8> bits(int side, const std::function<bool(int, int)>& on) {
  std::vector<u8> out(std::size_t(side / 8 * side), 0);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      if (on(x, y)) out[std::size_t(y * (side / 8) + x / 8)] |= u8(0x80 >> (x % 8));
  return out;
}

// A black 32 x 32 'ICN#' member opaque where `opaque` says.
inline std::pair<OSType, std::vector<u8>> blackicon(const std::function<bool(int, int)>& opaque) {
  std::vector<u8> data = bits(32, [](int, int) { return true; });
  const std::vector<u8> mask = bits(32, opaque);
  data.insert(data.end(), mask.begin(), mask.end());
  return {fourcc("ICN#"), data};
}

// An opaque disc in a 32 x 32 square: its corners are transparent.
inline bool disc(int x, int y) { return (x - 16) * (x - 16) + (y - 16) * (y - 16) < 15 * 15; }

// A 16 x 16 colour icon of 1-bit pixels in host order: red where the pixel is 1 (the left
// half), white elsewhere; its mask leaves the top-left 4 x 4 corner out. `pad` bytes follow.
inline std::vector<u8> colouricon(std::size_t pad = 0) {
  ciconrec head{};
  storedpixmap pm{};
  pm.rowbytes = 0x8002;
  pm.bounds = Rect{0, 0, 16, 16};
  pm.pixelsize = 1;
  pm.cmpcount = 1;
  pm.cmpsize = 1;
  storedbitmap mask{};
  mask.rowbytes = 2;
  mask.bounds = Rect{0, 0, 16, 16};
  head.pixmap = pm;
  head.mask = mask;
  head.bitmap = mask;
  std::vector<u8> out(sizeof head);
  std::memcpy(out.data(), &head, sizeof head);
  const std::vector<u8> maskrows = bits(16, [](int x, int y) { return x >= 4 || y >= 4; });
  const std::vector<u8> pixelrows = bits(16, [](int x, int) { return x < 8; });
  out.insert(out.end(), maskrows.begin(), maskrows.end());
  out.insert(out.end(), pixelrows.begin(), pixelrows.end());  // the 1-bit bit map
  storedctab table{};
  table.size = 1;
  const storedcolorspec white{0, RGBColor{0xFFFF, 0xFFFF, 0xFFFF}}, red{1, RGBColor{0xFFFF, 0, 0}};
  for (const void* part :
       {static_cast<const void*>(&table), static_cast<const void*>(&white), static_cast<const void*>(&red)}) {
    const u8* p = static_cast<const u8*>(part);
    out.insert(out.end(), p, p + (part == &table ? sizeof table : sizeof white));
  }
  out.insert(out.end(), pixelrows.begin(), pixelrows.end());
  out.resize(out.size() + pad, 0);
  return out;
}

}  // namespace kv::testicons
