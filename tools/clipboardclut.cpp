// The colour table objects on the clipboard are gathered and drawn through.
#include <algorithm>

#include "platform/memory/memory.h"
#include "store/records.h"
#include "platform/qd/qdtypes.h"
#include "tools/objectclipboard.h"

namespace kv {

void cleanclut(Handle table, u32 seed) {
  constexpr i32 kEntries = 256;
  constexpr Size kBytes = 2064;
  if (table == nilhandle || !IsValidHandle(table)) return;
  const Size had = GetHandleSize(table);
  SetHandleSize(table, kBytes);
  if (MemError() != noErr) return;
  u8* p = deref(table);
  if (had < kBytes) std::fill(p + std::max<Size>(had, 0), p + kBytes, u8(0));
  ColorTableHeader h = had >= Size(sizeof h) ? loadat<ColorTableHeader>(p) : ColorTableHeader{};
  h.ctSeed = seed;
  h.ctFlags = u16(h.ctFlags & 0x7FFF);
  h.ctSize = kEntries - 1;
  storeat<ColorTableHeader>(p, h);
  for (i32 i = 0; i < kEntries; ++i) {
    u8* at = p + sizeof h + std::size_t(i) * sizeof(ColorSpec);
    ColorSpec c = loadat<ColorSpec>(at);
    c.value = i16(i);
    if (i == 0) c.rgb = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    if (i == kEntries - 1) c.rgb = RGBColor{0, 0, 0};
    storeat<ColorSpec>(at, c);
  }
}

}  // namespace kv
