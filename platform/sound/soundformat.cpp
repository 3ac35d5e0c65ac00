#include "platform/sound/soundformat.h"

namespace kv {

namespace {
u16 read16(const u8* p, bool hostorder) {
  u16 v;
  std::memcpy(&v, p, 2);
  return hostorder ? v : u16(v >> 8 | v << 8);
}
}  // namespace

bool sndheaderoffset(const u8* data, i64 size, bool hostorder, i64* offset) {
  if (size < 6) return false;
  u16 format = read16(data, hostorder);
  i64 at = 0;
  if (format == 1) {
    i64 modifiers = read16(data + 2, hostorder);
    at = 4 + modifiers * i64(sizeof(sndmodifier));
    if (at + 2 > size) return false;
    i64 commands = read16(data + at, hostorder);
    at += 2 + commands * i64(sizeof(sndcommandrec));
  } else if (format == 2) {
    at = i64(sizeof(snd2head)) + i64(read16(data + 4, hostorder)) * i64(sizeof(sndcommandrec));
  } else {
    return false;
  }
  if (at > size) return false;
  *offset = at;
  return true;
}

}  // namespace kv
