// The changed flag of a field's live record, kept in the record's user info.
#include "textengine/werecord.h"

namespace kv {

namespace {
constexpr u32 kDirtyTag = fourcc("DIRT");
}  // namespace

bool GetWERecDirtyFlag(WEReference we) {
  i32 v = 0;
  return WEGetUserInfo(kDirtyTag, &v, we) == noErr && v != 0;
}

void SetWERecDirtyFlag(WEReference we, bool dirty) {
  if (isvalidwerec(we)) WESetUserInfo(kDirtyTag, dirty ? 1 : 0, we);
}

}  // namespace kv
