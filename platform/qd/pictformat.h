// Inside the drawing layer: picture opcodes and the big-endian writer and reader of picture
// data.
#pragma once

#include <cstring>
#include <vector>

#include "platform/types.h"

namespace kv {

enum PictOp : u16 {
  pictNOP = 0x0000,
  pictClip = 0x0001,
  pictBkPat = 0x0002,
  pictTxFont = 0x0003,
  pictTxFace = 0x0004,
  pictTxMode = 0x0005,
  pictSpExtra = 0x0006,
  pictPnSize = 0x0007,
  pictPnMode = 0x0008,
  pictPnPat = 0x0009,
  pictFillPat = 0x000A,
  pictOvSize = 0x000B,
  pictOrigin = 0x000C,
  pictTxSize = 0x000D,
  pictFgColor = 0x000E,
  pictBkColor = 0x000F,
  pictTxRatio = 0x0010,
  pictVersion = 0x0011,
  pictBkPixPat = 0x0012,
  pictPnPixPat = 0x0013,
  pictFillPixPat = 0x0014,
  pictPnLocHFrac = 0x0015,
  pictChExtra = 0x0016,
  pictRGBFgCol = 0x001A,
  pictRGBBkCol = 0x001B,
  pictHiliteMode = 0x001C,
  pictHiliteColor = 0x001D,
  pictDefHilite = 0x001E,
  pictOpColor = 0x001F,
  pictLine = 0x0020,
  pictLineFrom = 0x0021,
  pictShortLine = 0x0022,
  pictShortLineFrom = 0x0023,
  pictLongText = 0x0028,
  pictDHText = 0x0029,
  pictDVText = 0x002A,
  pictDHDVText = 0x002B,
  pictFontName = 0x002C,
  pictLineJustify = 0x002D,
  pictGlyphState = 0x002E,
  pictFrameRect = 0x0030,
  pictFrameSameRect = 0x0038,
  pictFrameRRect = 0x0040,
  pictFrameSameRRect = 0x0048,
  pictFrameOval = 0x0050,
  pictFrameSameOval = 0x0058,
  pictFrameArc = 0x0060,
  pictFrameSameArc = 0x0068,
  pictFramePoly = 0x0070,
  pictFrameSamePoly = 0x0078,
  pictFrameRgn = 0x0080,
  pictFrameSameRgn = 0x0088,
  pictBitsRect = 0x0090,
  pictBitsRgn = 0x0091,
  pictPackBitsRect = 0x0098,
  pictPackBitsRgn = 0x0099,
  pictDirectBitsRect = 0x009A,
  pictDirectBitsRgn = 0x009B,
  pictShortComment = 0x00A0,
  pictLongComment = 0x00A1,
  pictEndPic = 0x00FF,
  pictHeaderOp = 0x0C00,
};

// Appends big-endian values to picture data; opcodes start on even offsets.
struct PictWriter {
  std::vector<u8>* out;
  void u8be(u32 v) { out->push_back(u8(v)); }
  void i16be(i32 v) {
    out->push_back(u8((v >> 8) & 0xFF));
    out->push_back(u8(v & 0xFF));
  }
  void i32be(i64 v) {
    i16be(i32((v >> 16) & 0xFFFF));
    i16be(i32(v & 0xFFFF));
  }
  void align() {
    if (out->size() & 1) out->push_back(0);
  }
  void op(u16 code) {
    align();
    i16be(code);
  }
  void bytes(const void* p, std::size_t n) {
    const u8* b = static_cast<const u8*>(p);
    out->insert(out->end(), b, b + n);
  }
  void point(Point p) {
    i16be(p.v);
    i16be(p.h);
  }
  void rect(const Rect& r) {
    i16be(r.top);
    i16be(r.left);
    i16be(r.bottom);
    i16be(r.right);
  }
  void color(const RGBColor& c) {
    i16be(c.red);
    i16be(c.green);
    i16be(c.blue);
  }
};

// Reads big-endian values from picture data; reading past the end sets `bad` and answers 0.
struct PictReader {
  const u8* data;
  std::size_t size;
  std::size_t at = 0;
  bool bad = false;
  bool has(std::size_t n) {
    if (bad || n > size - at) {
      bad = true;
      return false;
    }
    return true;
  }
  u8 u8be() { return has(1) ? data[at++] : u8(0); }
  i16 i16be() {
    if (!has(2)) return 0;
    i16 v = i16(u16((data[at] << 8) | data[at + 1]));
    at += 2;
    return v;
  }
  i32 i32be() {
    if (!has(4)) return 0;
    i32 v = i32((u32(data[at]) << 24) | (u32(data[at + 1]) << 16) | (u32(data[at + 2]) << 8) | data[at + 3]);
    at += 4;
    return v;
  }
  void skip(std::size_t n) {
    if (has(n)) at += n;
  }
  void align() {
    if (at & 1) skip(1);
  }
  const u8* take(std::size_t n) {
    if (!has(n)) return nullptr;
    const u8* p = data + at;
    at += n;
    return p;
  }
  Point point() {
    i16 v = i16be();
    i16 h = i16be();
    return Point{v, h};
  }
  Rect rect() {
    i16 t = i16be(), l = i16be(), b = i16be(), r = i16be();
    return Rect{t, l, b, r};
  }
  RGBColor color() {
    u16 r = u16(i16be()), g = u16(i16be()), b = u16(i16be());
    return RGBColor{r, g, b};
  }
};

}  // namespace kv
