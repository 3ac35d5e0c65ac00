// The image-filter list: walking, looking up, switching, adding, replacing and removing the
// filters of a picture graphic, and the flattened form of one filter.
#include "render/filterlist.h"

#include <cstring>

#include "engine/status.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "render/spotstyles.h"
#include "store/objects.h"
#include "store/objread.h"

namespace kv {

namespace {

constexpr i16 kTooManyFilters = 220;

// The length of the item at an offset when it is whole (its fixed part, its name and its data
// within its length, its length within the list); 0 otherwise.
u32 wholeitem(Handle list, i32 at) {
  const i32 size = GetHandleSize(list);
  if (at < 2 || at > size - kFilterItemHead) return 0;
  const u8* item = deref(list) + at;
  const u32 length = loadat<u32>(item);
  if (length < u32(kFilterItemHead) || length > u32(size - at)) return 0;
  const u32 name = item[10];
  if (u32(kFilterItemHead) + name > length) return 0;
  if (u64(kFilterItemHead) + name + loadat<u32>(item + 11 + name) > length) return 0;
  return length;
}

// The offset of the item at an index below the count, walking the item lengths; -1 when there
// is none or the walk meets an item that is not whole.
i32 itemoffset(Handle list, i32 index) {
  if (index < 0 || index >= countfilters(list)) return -1;
  i32 at = 2;
  for (i32 i = 0;; ++i) {
    const u32 length = wholeitem(list, at);
    if (length == 0) return -1;
    if (i == index) return at;
    at += i32(length);
  }
}

void nameat(Handle list, i32 at, StringPtr name) {
  BlockMoveData(deref(list) + at + 10, name, deref(list)[at + 10] + 1);
}

Handle copyitem(Handle list, i32 at) {
  if (at < 0) return nilhandle;
  Handle copy = nilhandle;
  PtrToHand(deref(list) + at, &copy, Size(loadat<u32>(deref(list) + at)));
  return copy;
}

// The index of the first item of a name; -1 when none, or at the first item that is not whole.
i32 indexofname(Handle list, ConstStringPtr name) {
  for (i32 i = 0, n = countfilters(list); i < n; ++i) {
    const i32 at = itemoffset(list, i);
    if (at < 0) return -1;
    Str255 own;
    nameat(list, at, own);
    if (myequalstring(own, name)) return i;
  }
  return -1;
}

// Replaces `oldlength` bytes at `at` with the item's bytes; the list is unchanged on failure.
OSErr splice(Handle list, i32 at, i32 oldlength, Handle item) {
  const i32 size = GetHandleSize(list), itemsize = GetHandleSize(item);
  const i32 tail = size - at - oldlength, newsize = size - oldlength + itemsize;
  if (newsize > size) {
    SetHandleSize(list, newsize);
    if (OSErr e = MemError()) return e;
  }
  Ptr p = deref(list);
  std::memmove(p + at + itemsize, p + at + oldlength, size_t(tail));
  std::memcpy(p + at, deref(item), size_t(itemsize));
  if (newsize < size) SetHandleSize(list, newsize);
  return noErr;
}

// Makes an empty list (a zero count) when there is none.
bool ensurelist(Handle* list) {
  if (*list != nilhandle) return true;
  *list = NewHandle(2);
  if (*list == nilhandle) return false;
  setfiltercount(*list, 0);
  return true;
}

// The end of the last whole item: where an appended item goes.
i32 listend(Handle list) {
  const i32 n = countfilters(list);
  if (n == 0) return 2;
  const i32 at = itemoffset(list, n - 1);
  return at < 0 ? -1 : at + i32(loadat<u32>(deref(list) + at));
}

}  // namespace

Handle GetPictFilterHandle(Handle altlist) { return altlist ? getaltdata(altlist, altfilters) : nilhandle; }
OSErr SetPictFilterHandle(Handle altlist, Handle list) { return setaltdata(altlist, list, altfilters); }

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

void setfiltercount(Handle list, u16 count) {
  if (list != nilhandle && GetHandleSize(list) >= 2) storeat<u16>(deref(list), count);
}

i16 addfilter(Handle* list, Handle item) {
  if (!ensurelist(list)) return err::nomemory;
  const u16 n = countfilters(*list);
  if (n >= kMaxFilters) return kTooManyFilters;
  const i32 end = listend(*list);
  if (end < 0) return err::nomemory;
  // Anything past the last whole item is not a filter: the new item takes its place.
  if (splice(*list, end, GetHandleSize(*list) - end, item) != noErr) return err::nomemory;
  setfiltercount(*list, u16(n + 1));
  return 0;
}

i16 setfilterbyidx(Handle* list, Handle item, i32 index) {
  if (!ensurelist(list)) return err::nomemory;
  if (index < 0) return 0;
  if (index >= countfilters(*list)) return addfilter(list, item);
  const i32 at = itemoffset(*list, index);
  if (at < 0) return err::nomemory;
  return splice(*list, at, i32(loadat<u32>(deref(*list) + at)), item) == noErr ? i16(0) : i16(err::nomemory);
}

i16 killfilterbyidx(Handle list, i32 index) {
  const i32 at = itemoffset(list, index);
  if (at < 0) return 0;
  const i32 length = i32(loadat<u32>(deref(list) + at)), size = GetHandleSize(list);
  Ptr p = deref(list);
  std::memmove(p + at, p + at + length, size_t(size - at - length));
  SetHandleSize(list, size - length);
  setfiltercount(list, u16(countfilters(list) - 1));
  return 0;
}

i32 getfilteroffsetbyidx(Handle list, i32 index) {
  const i32 at = itemoffset(list, index);
  return at < 0 ? 0 : at;
}

Handle getfilterbyidx(Handle list, i32 index) { return copyitem(list, itemoffset(list, index)); }

Handle getfilterbyname(Handle list, ConstStringPtr name) {
  const i32 i = indexofname(list, name);
  return i < 0 ? nilhandle : copyitem(list, itemoffset(list, i));
}

i16 filternametoidx(Handle list, ConstStringPtr name, u16* index) {
  const i32 i = indexofname(list, name);
  *index = i < 0 ? 0xFFFF : u16(i);
  return i < 0 ? 0 : 1;
}

i16 filteridxtoname(Handle list, i32 index, StringPtr name) {
  name[0] = 0;
  const i32 at = itemoffset(list, index);
  if (at < 0) return 0;
  nameat(list, at, name);
  return 1;
}

i16 enablefilterbyidx(Handle list, i32 index, bool on) {
  const i32 at = itemoffset(list, index);
  if (at < 0) return 0;
  deref(list)[at + 9] = on ? 1 : 0;
  return 1;
}

i16 getfilterenablebyidx(Handle list, i32 index, i16* on) {
  const i32 at = itemoffset(list, index);
  if (at < 0) return 0;
  *on = deref(list)[at + 9] != 0 ? 1 : 0;
  return 1;
}

Handle flattenFilterInfo(OSType kind, bool enabled, ConstStringPtr name, Handle data) {
  const u32 datalength = data ? u32(GetHandleSize(data)) : 0;
  const u32 length = u32(kFilterItemHead) + name[0] + datalength;
  Handle item = NewHandle(Size(length));
  if (item == nilhandle) return nilhandle;
  u8* p = deref(item);
  storeat<u32>(p, length);
  storeat<u32>(p + 4, kind);
  p[8] = 0;
  p[9] = enabled ? 1 : 0;
  std::memcpy(p + 10, name, size_t(name[0]) + 1);
  storeat<u32>(p + 11 + name[0], datalength);
  if (datalength) std::memcpy(p + 15 + name[0], deref(data), datalength);
  return item;
}

i16 unFlattenFilterInfo(Handle item, OSType* kind, u8* reserved, u8* enabled, StringPtr name, u32* datalength,
                        Handle* data) {
  if (item == nilhandle) return 0;
  const i32 size = GetHandleSize(item);
  if (size < kFilterItemHead) return 0;
  const u8* p = deref(item);
  const u32 n = p[10];
  if (loadat<u32>(p) != u32(size) || u32(kFilterItemHead) + n > u32(size)) return 0;
  const u32 d = loadat<u32>(p + 11 + n);
  if (d == 0 || u64(kFilterItemHead) + n + d > u64(size)) return 0;
  Handle copy = nilhandle;
  if (PtrToHand(deref(item) + kFilterItemHead + n, &copy, Size(d)) != noErr) return 0;
  p = deref(item);
  *kind = loadat<u32>(p + 4);
  *reserved = p[8];
  *enabled = p[9];
  std::memcpy(name, p + 10, n + 1);
  *datalength = d;
  *data = copy;
  return 1;
}

OSErr getfilterstring(Handle list, Handle text, bool named) {
  const i32 n = countfilters(list);
  if (n == 0) return noErr;
  if (named)
    if (OSErr e = PtrAndHand("filters=", text, 8)) return e;
  for (i32 i = 0; i < n; ++i) {
    Str255 name;
    if (!filteridxtoname(list, i, name)) break;
    if (i > 0)
      if (OSErr e = PtrAndHand(",", text, 1)) return e;
    if (OSErr e = PtrAndHand(name + 1, text, name[0])) return e;
  }
  return named ? PtrAndHand("\r", text, 1) : OSErr(noErr);
}

i16 editfilters() { return 0; }
i16 editfilterbyidx(i32) { return 0; }
i16 edituprop() { return 0; }
i16 editupropbyidx(i32) { return 0; }
u8 PdialogRTfilterfilter(RegistryId, EventRecord*, i16*) { return 0; }
u8 PdialogRTfilterprop(RegistryId, EventRecord*, i16*) { return 0; }
void PdialogRTupropscroll(RegistryId, i16) {}
void updateupropeditor() {}
i16 PdialogRTautotext() { return 1; }

}  // namespace kv
