// A stand-in for undo until it is built: a change is counted and nothing is recorded. Undo and
// redo replace this file.
#include "textengine/weinternal.h"

namespace kv {

OSErr _WEModify(i32, i32, i32, i16, u16, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  ++r->modCount;
  return noErr;
}

}  // namespace kv
