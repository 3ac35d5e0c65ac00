#include "render/themebuttons.h"

#include "platform/memory/memory.h"
#include "store/records.h"

namespace kv {

i16 getheme(const desk* context) {
  if (context == nullptr || context->wind == nilhandle) return 1;
  const windrec w = loadat<windrec>(deref(context->wind));
  const u16 word = w.themeback;
  if (word >> 8) return i16(word >> 8);
  static constexpr i16 bykind[9] = {0, 15, 1, 3, 7, 16, 10, 9, 5};
  if (const u16 kind = word & 0xFF; kind >= 1 && kind <= 8) return bykind[kind];
  switch (w.word2) {
    case 0:
    case 2:
    case 7:
    case 8:
    case 10:
    case 11: return 5;
    case 3:
    case 5: return 1;
    case 6:
    case 9: return 7;
    default: return 15;
  }
}

}  // namespace kv
