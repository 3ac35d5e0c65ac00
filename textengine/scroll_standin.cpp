// Stand-in until scrolling is built: WEScroll moves the destination and draws nothing.
// Scrolling replaces this file.
#include "textengine/weinternal.h"

namespace kv {

OSErr WEScroll(i32 hOffset, i32 vOffset, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (hOffset == 0 && vOffset == 0) return noErr;
  WEOffsetLongRect(&r->destRect, hOffset, vOffset);
  return noErr;
}

}  // namespace kv
