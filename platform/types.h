// Basic types shared by the platform layer and the system: handles, short strings,
// QuickDraw-style rectangles and points, result codes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv {

using u8 = std::uint8_t;
using i8 = std::int8_t;
using u16 = std::uint16_t;
using i16 = std::int16_t;
using u32 = std::uint32_t;
using i32 = std::int32_t;
using u64 = std::uint64_t;
using i64 = std::int64_t;

// A relocatable block of memory is named by a 32-bit id into the handle table (0 = none).
using Handle = u32;
constexpr Handle nilhandle = 0;

using Ptr = u8*;
using Size = i32;   // block sizes, as the platform counts them
using OSErr = i16;  // platform result codes (0 = no error)
using OSStatus = i32;
using OSType = u32;  // four-character codes
using ResType = OSType;
using Boolean = u8;

// Length-prefixed Mac Roman strings: one length byte, then the characters, no terminator.
using Str255 = u8[256];
using Str63 = u8[64];
using Str31 = u8[32];
using Str15 = u8[16];
using StringPtr = u8*;
using ConstStringPtr = const u8*;

// 16-bit signed QuickDraw geometry. Field order is the stored order.
struct Rect {
  i16 top, left, bottom, right;
};
struct Point {
  i16 v, h;
};
static_assert(sizeof(Rect) == 8 && sizeof(Point) == 4);

inline bool operator==(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}
inline bool operator==(const Point& a, const Point& b) { return a.v == b.v && a.h == b.h; }

struct RGBColor {
  u16 red, green, blue;
};
static_assert(sizeof(RGBColor) == 6);
inline bool operator==(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

constexpr OSType fourcc(const char (&s)[5]) {
  return (OSType(u8(s[0])) << 24) | (OSType(u8(s[1])) << 16) | (OSType(u8(s[2])) << 8) | OSType(u8(s[3]));
}

// Platform result codes the system tests for.
enum : OSErr {
  noErr = 0,
  dskFulErr = -34,
  nsvErr = -35,
  ioErr = -36,
  bdNamErr = -37,
  fnOpnErr = -38,
  eofErr = -39,
  posErr = -40,
  tmfoErr = -42,
  fnfErr = -43,
  wPrErr = -44,
  fLckdErr = -45,
  vLckdErr = -46,
  fBsyErr = -47,
  dupFNErr = -48,
  opWrErr = -49,
  paramErr = -50,
  rfNumErr = -51,
  permErr = -54,
  wrPermErr = -61,
  dirNFErr = -120,
  memFullErr = -108,
  nilHandleErr = -109,
  memWZErr = -111,
  memLockedErr = -117,
  resNotFound = -192,
  resFNotFound = -193,
  rmvResFailed = -196,
  mapReadErr = -199,
  userCanceledErr = -128,
  notAFileErr = -1302,
};

}  // namespace kv
