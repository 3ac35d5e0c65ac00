// Flipping the program's clipboard flavours.
#include "store/scrapflip.h"

#include <cstring>
#include <vector>

#include "platform/scrap/scrap.h"
#include "store/byteorder.h"

namespace kv {

namespace {

constexpr i64 kSoupHeader = 24, kFontHeader = 16, kFontEntry = 16;

// Pairs of u32 (a run's start and its format's index).
bool flippairs(u8* at, i64 length, i16 direction) {
  for (i64 i = 0; i + 8 <= length; i += 8) {
    swap32(at + i, direction);
    swap32(at + i + 4, direction);
  }
  return true;
}

// A header of four u32 (the third the entry count), then the 16-byte entries {u16, u16, u32,
// u32, u32}; the names after them are bytes.
bool flipfonttable(u8* at, i64 length, i16 direction) {
  if (length < kFontHeader) return false;
  const u32 count = peek32(at + 8, direction);
  if (kFontHeader + i64(count) * kFontEntry > length) return false;
  for (int i = 0; i < 4; ++i) swap32(at + 4 * i, direction);
  for (i64 e = 0; e < i64(count); ++e) {
    u8* p = at + kFontHeader + e * kFontEntry;
    swap16(p, direction);
    swap16(p + 2, direction);
    for (int i = 0; i < 3; ++i) swap32(p + 4 + 4 * i, direction);
  }
  return true;
}

// Elements of four u32 (the fourth the size of the data that follows) and four u16, each
// followed by its data.
bool flipsoup(u8* at, i64 length, i16 direction) {
  for (i64 off = 0; off < length;) {
    if (off + kSoupHeader > length) return false;
    const i64 size = i64(i32(peek32(at + off + 12, direction)));
    if (size < 0 || off + kSoupHeader + size > length) return false;
    for (int i = 0; i < 4; ++i) swap32(at + off + 4 * i, direction);
    for (int i = 0; i < 4; ++i) swap16(at + off + 16 + 2 * i, direction);
    off += kSoupHeader + size;
  }
  return true;
}

bool flipstream(u8* at, i64 length, i16 direction) { return endianswapwestreamscrap(at, length, direction) == 0; }

}  // namespace

OSStatus flipourscrapformats(OSType, OSType dataType, i16, void* data, i64 length, bool currentlyNative, void*) {
  if (length < 0 || (length > 0 && data == nullptr)) return -1;
  bool (*walk)(u8*, i64, i16) = nullptr;
  switch (dataType) {
    case fourcc("WEcf"):
    case fourcc("WEpf"): walk = flippairs; break;
    case fourcc("WEst"):
    case fourcc("WEru"): walk = flipstream; break;
    case fourcc("FISH"): walk = flipfonttable; break;
    case fourcc("SOUP"): walk = flipsoup; break;
    default: return noErr;
  }
  // The walk runs on a copy: a block that fails half-way is left whole.
  std::vector<u8> copy(static_cast<u8*>(data), static_cast<u8*>(data) + length);
  if (!walk(copy.data(), length, currentlyNative ? tofile : fromfile)) return -1;
  if (length > 0) std::memcpy(data, copy.data(), std::size_t(length));
  return noErr;
}

void installscrapflippers() {
  for (OSType type : {fourcc("WEcf"), fourcc("WEst"), fourcc("FISH"), fourcc("WEru"), fourcc("WEpf"), fourcc("SOUP")})
    CoreEndianInstallFlipper(kCoreEndianResourceManagerDomain, type, flipourscrapformats, nullptr);
}

}  // namespace kv
