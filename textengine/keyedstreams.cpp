// Keyed streams: the writer that builds a list of records of tagged items in a growing block,
// and the reader that walks such a block through descriptors, checking every count and size
// word it follows against the block.
#include <algorithm>

#include "store/records.h"
#include "textengine/westreams.h"

namespace kv {

namespace {

constexpr i32 kListHeader = 24, kRecordHeader = 16, kItemHeader = 12, kGrain = 256;
const OSType kList = fourcc("list"), kRecord = fourcc("reco");

i32 padded(i32 size) { return size + (size & 1); }

// Makes room for `more` bytes past the written length: the block grows to the smallest
// multiple of 256 bytes that holds them.
OSErr reserve(WEStream* w, i32 more) {
  const i64 need = i64(w->length) + more;
  if (need <= w->allocated) return noErr;
  if (need > INT32_MAX - kGrain) return memFullErr;
  const i32 size = i32((need + kGrain - 1) / kGrain * kGrain);
  SetHandleSize(w->block, size);
  if (OSErr err = MemError()) return err;
  w->allocated = size;
  return noErr;
}

OSErr append(WEStream* w, const void* data, i32 size) {
  if (size <= 0) return noErr;
  if (OSErr err = reserve(w, size)) return err;
  if (data) std::memcpy(deref(w->block) + w->length, data, std::size_t(size));
  else std::memset(deref(w->block) + w->length, 0, std::size_t(size));
  w->length += size;
  return noErr;
}

u32 wordat(Handle block, i32 offset) { return loadat<u32>(deref(block) + offset); }
void addto(Handle block, i32 offset, u32 delta) { storeat<u32>(deref(block) + offset, wordat(block, offset) + delta); }

// The bytes a descriptor may use: the block's size.
i32 blocksize(Handle block) { return IsValidHandle(block) ? i32(GetHandleSize(block)) : 0; }

// Where a container's header words lie and where its items run: [first, limit). False when the
// header or the extent it claims leaves the block.
struct Extent {
  i32 count;     // offset of the count word
  i32 reserved;  // offset of the reserved word
  i32 first;
  i32 limit;
};
bool extentof(const WEDataDesc& d, Extent* e) {
  const i32 size = blocksize(d.block);
  if (d.offset == 0) {
    if (size < kListHeader) return false;
    *e = Extent{16, 20, kListHeader, size};
    return true;
  }
  if (d.offset < 0 || i64(d.offset) + kRecordHeader > size) return false;
  const u32 length = wordat(d.block, d.offset + 4);
  const i64 limit = i64(d.offset) + 8 + length;
  if (length < 8 || limit > size) return false;
  *e = Extent{d.offset + 8, d.offset + 12, d.offset + kRecordHeader, i32(limit)};
  return true;
}

bool iscontainer(OSType type) { return type == kList || type == kRecord; }

}  // namespace

// --- Writer --------------------------------------------------------------------------------------

OSErr _WEStream_Open(Handle block, WEStream* writer) {
  *writer = WEStream{nilhandle, 0, 0, -1, {}};
  if (!IsValidHandle(block)) return nilHandleErr;
  writer->block = block;
  return noErr;
}

OSErr _WEStream_OpenList(WEStream* w) {
  if (w->depth + 1 >= kWEStreamDepth) return paramErr;
  const i32 at = w->length;
  u32 header[6] = {0, 0, 24, kList, 0, 0};
  if (OSErr err = append(w, header, kListHeader)) return err;
  w->header[++w->depth] = at;
  return noErr;
}

OSErr _WEStream_OpenRecord(WEStream* w, OSType type) {
  if (w->depth + 1 >= kWEStreamDepth) return paramErr;
  const i32 at = w->length;
  const u32 header[4] = {type, 8, 0, 0};
  if (OSErr err = append(w, header, kRecordHeader)) return err;
  // The list open at this depth counts the record.
  if (w->depth >= 0) addto(w->block, w->header[w->depth] + 16, 1);
  w->header[++w->depth] = at;
  return noErr;
}

OSErr _WEStream_WriteKeyDesc(WEStream* w, OSType key, OSType type, const void* data, i32 size) {
  if (size < 0) return paramErr;
  const u32 header[3] = {key, type, u32(size)};
  if (OSErr err = append(w, header, kItemHeader)) return err;
  if (OSErr err = append(w, data, size)) return err;
  if (size & 1) {
    if (OSErr err = append(w, nullptr, 1)) return err;
  }
  if (w->depth >= 0) {
    const i32 record = w->header[w->depth];
    addto(w->block, record + 8, 1);
    addto(w->block, record + 4, u32(kItemHeader + padded(size)));
  }
  return noErr;
}

OSErr _WEStream_CloseRecord(WEStream* w) {
  // The list around the record grows by what the record holds.
  if (w->depth >= 0) --w->depth;
  return noErr;
}

OSErr _WEStream_CloseList(WEStream* w) {
  if (w->depth >= 0) --w->depth;
  return noErr;
}

OSErr _WEStream_Close(WEStream* w) {
  if (!IsValidHandle(w->block)) return nilHandleErr;
  SetHandleSize(w->block, w->length);
  const OSErr err = MemError();
  w->block = nilhandle;
  w->allocated = w->length = 0;
  w->depth = -1;
  return err;
}

// --- Reader --------------------------------------------------------------------------------------

OSErr _WEDataDesc_CountItems(const WEDataDesc& d, i32* count) {
  *count = 0;
  if (!iscontainer(d.type)) return weNotContainerErr;
  Extent e{};
  if (!extentof(d, &e)) return weMalformedScrapErr;
  const u32 n = wordat(d.block, e.count);
  if (n > u32(INT32_MAX)) return weMalformedScrapErr;
  *count = i32(n);
  return noErr;
}

OSErr _WEDataDesc_GetNthItem(const WEDataDesc& d, i32 index, OSType* key, WEDataDesc* item) {
  if (key) *key = 0;
  if (!iscontainer(d.type)) return weNotContainerErr;
  Extent e{};
  if (!extentof(d, &e)) return weMalformedScrapErr;
  if (wordat(d.block, e.reserved) != 0) return weBadReservedErr;
  const u32 count = wordat(d.block, e.count);
  if (index < 0 || u32(index) >= count) return weNoSuchItemErr;
  const bool inrecord = d.type == kRecord;
  i32 pos = e.first;
  for (i32 i = 0;; ++i) {
    // Each step's header and extent must lie within the container.
    if (inrecord) {
      if (i64(pos) + kItemHeader > e.limit) return weMalformedScrapErr;
      const i64 next = i64(pos) + kItemHeader + padded(i32(std::min<u32>(wordat(d.block, pos + 8), INT32_MAX - 1)));
      if (wordat(d.block, pos + 8) > u32(INT32_MAX - 1) || next > e.limit) return weMalformedScrapErr;
      if (i == index) {
        if (key) *key = wordat(d.block, pos);
        *item = WEDataDesc{wordat(d.block, pos + 4), d.block, pos + 4};
        return noErr;
      }
      pos = i32(next);
    } else {
      if (i64(pos) + kRecordHeader > e.limit) return weMalformedScrapErr;
      const u32 size = wordat(d.block, pos + 4);
      const i64 next = i64(pos) + 8 + padded(i32(std::min<u32>(size, INT32_MAX - 1)));
      if (size < 8 || size > u32(INT32_MAX - 1) || next > e.limit) return weMalformedScrapErr;
      if (i == index) {
        *item = WEDataDesc{wordat(d.block, pos), d.block, pos};
        return noErr;
      }
      pos = i32(next);
    }
  }
}

OSErr _WEDataDesc_GetKeyItem(const WEDataDesc& d, OSType key, WEDataDesc* item) {
  if (d.type != kRecord) return weNotContainerErr;
  Extent e{};
  if (!extentof(d, &e)) return weMalformedScrapErr;
  if (wordat(d.block, e.reserved) != 0) return weBadReservedErr;
  i32 count = 0;
  if (OSErr err = _WEDataDesc_CountItems(d, &count)) return err;
  for (i32 i = 0; i < count; ++i) {
    OSType k = 0;
    WEDataDesc found{};
    if (OSErr err = _WEDataDesc_GetNthItem(d, i, &k, &found)) return err;
    if (k == key) {
      *item = found;
      return noErr;
    }
  }
  return weNoSuchItemErr;
}

const u8* _WEDataDesc_GetData(const WEDataDesc& d, i32* size) {
  *size = 0;
  const i32 total = blocksize(d.block);
  if (total == 0) return nullptr;
  if (d.offset == 0) {
    *size = total;
    return deref(d.block);
  }
  // The size word follows the type field and the data follow the size; a size that would leave
  // the block gives nothing.
  if (d.offset < 0 || i64(d.offset) + 8 > total) return nullptr;
  const u32 n = wordat(d.block, d.offset + 4);
  if (n > u32(total - d.offset - 8)) return nullptr;
  *size = i32(n);
  return deref(d.block) + d.offset + 8;
}

void _WEDataDesc_CopyData(const WEDataDesc& d, i32* size, void* destination, i32 capacity) {
  const u8* p = _WEDataDesc_GetData(d, size);
  if (destination && p && capacity > 0) std::memcpy(destination, p, std::size_t(std::min(*size, capacity)));
}

}  // namespace kv
