// A stand-in until chunk expressions exist: the one-byte text search of the containment
// operators, and chunk operands that answer "can't understand" (2).
#include "engine/chunk.h"

#include "platform/text/casefold.h"

namespace kv {

i32 stringoff(const u8* needle, Size needlesize, const u8* hay, Size haysize) {
  if (needlesize <= 0) return 1;
  for (Size i = 0; i + needlesize <= haysize; ++i)
    if (equalnocase(hay + i, needle, size_t(needlesize))) return i32(i + 1);
  return 0;
}

i16 sourcechunk(hierpath, Handle, Handle, i32, Handle, Handle, i32* count, fred*) {
  *count = 0;
  return 2;
}

}  // namespace kv
