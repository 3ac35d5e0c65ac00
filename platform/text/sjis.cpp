#include "platform/text/sjis.h"

namespace kv {

Size sjisdoublecount(const u8* p, Size n) {
  Size doubles = 0;
  for (Size i = 0; i < n;) {
    Size len = sjischarlength(p + i, n - i);
    doubles += len - 1;
    i += len;
  }
  return doubles;
}

Size sjischaroffset(const u8* p, Size n, Size index) {
  Size i = 0;
  for (; i < n && index > 0; --index) i += sjischarlength(p + i, n - i);
  return i;
}

i16 CharacterByteType(const u8* text, Size length, Size offset, i16 script) {
  if (script != smJapanese || offset < 0 || offset >= length) return smSingleByte;
  // Walk from the start: only a walk from a known boundary tells a trail byte from a lead.
  Size i = 0;
  for (;;) {
    Size len = sjischarlength(text + i, length - i);
    if (i + len > offset) return len == 1 ? smSingleByte : i == offset ? smFirstByte : smLastByte;
    i += len;
  }
}

}  // namespace kv
