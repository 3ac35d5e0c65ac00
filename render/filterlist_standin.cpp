// A stand-in for the image-filter list until the picture rendering builds it: the reading
// side that the flag getters need (finding a filter and reading its enabled switch).
#include "render/filterlist.h"

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "store/objects.h"
#include "store/objread.h"

namespace kv {

namespace {

constexpr i32 kItemHead = 15;  // length, kind, reserved, enabled, name length, data length
constexpr u16 styleline = 103;

// The length of the item at an offset when it is whole (its fixed part, its name and its
// data within its length, its length within the list); 0 otherwise.
u32 wholeitem(Handle list, i32 at) {
  const i32 size = GetHandleSize(list);
  if (at < 2 || at + kItemHead > size) return 0;
  const u8* item = deref(list) + at;
  u32 length = loadat<u32>(item);
  if (length < u32(kItemHead) || length > u32(size - at) || u32(kItemHead) + item[10] > length) return 0;
  return length;
}

// The offset of the item at an index, walking the item lengths; -1 when the walk meets an item
// that is not whole.
i32 itemoffset(Handle list, i32 index) {
  i32 at = 2;
  for (i32 i = 0;; ++i) {
    u32 length = wholeitem(list, at);
    if (length == 0) return -1;
    if (i == index) return at;
    at += i32(length);
  }
}

}  // namespace

Handle GetPictFilterHandle(Handle altlist) { return getaltdata(altlist, altfilters); }

Handle getfilters(const objread& obj) {
  if (obj.kind != objpart || obj.objects == nilhandle) return nilhandle;
  spot s = spotat(obj.objects, obj.objindex);
  if (s.kind != spotgraphic || s.style == styleline) return nilhandle;
  return GetPictFilterHandle(s.alt);
}

u16 countfilters(Handle list) {
  if (list == nilhandle || GetHandleSize(list) < 2) return 0;
  return loadat<u16>(deref(list));
}

i16 filternametoidx(Handle list, ConstStringPtr name, u16* index) {
  *index = 0xFFFF;
  const i32 count = countfilters(list);
  for (i32 i = 0; i < count; ++i) {
    i32 at = itemoffset(list, i);
    if (at < 0) return 0;
    const u8* item = deref(list) + at;
    Str255 own{};
    BlockMoveData(item + 10, own, item[10] + 1);
    if (myequalstring(own, name)) {
      *index = u16(i);
      return 1;
    }
  }
  return 0;
}

i16 getfilterenablebyidx(Handle list, i32 index, i16* on) {
  if (index < 0 || index >= countfilters(list)) return 0;
  i32 at = itemoffset(list, index);
  if (at < 0) return 0;
  *on = deref(list)[at + 9] != 0 ? 1 : 0;
  return 1;
}

}  // namespace kv
