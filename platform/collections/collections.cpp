#include "platform/collections/collections.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/runtime/root.h"

namespace kv {

namespace {

struct CollectionItem {
  OSType tag;
  i32 id;
  std::vector<u8> bytes;
};

struct CollectionData {
  std::vector<CollectionItem> items;
  CollectionItem* find(OSType tag, i32 id) {
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const CollectionItem& i) { return i.tag == tag && i.id == id; });
    return it == items.end() ? nullptr : &*it;
  }
};

struct CollectionState {
  Registry<CollectionData, RegType::collection> collections;
};

CollectionData* collection(Collection c) { return state<CollectionState>().collections.get(c); }

}  // namespace

Collection NewCollection() { return state<CollectionState>().collections.add(std::make_unique<CollectionData>()); }

void DisposeCollection(Collection c) { state<CollectionState>().collections.remove(c); }

OSErr AddCollectionItem(Collection c, OSType tag, i32 id, i32 size, const void* data) {
  CollectionData* d = collection(c);
  if (d == nullptr || size < 0) return paramErr;
  std::vector<u8> bytes(std::size_t(size), 0);
  if (data != nullptr && size > 0) std::memcpy(bytes.data(), data, std::size_t(size));
  if (CollectionItem* item = d->find(tag, id)) item->bytes = std::move(bytes);
  else d->items.push_back(CollectionItem{tag, id, std::move(bytes)});
  return noErr;
}

OSErr GetCollectionItem(Collection c, OSType tag, i32 id, i32* size, void* data) {
  CollectionData* d = collection(c);
  if (d == nullptr) return paramErr;
  const CollectionItem* item = d->find(tag, id);
  if (item == nullptr) return collectionItemNotFoundErr;
  if (size != nullptr) {
    if (data != nullptr && *size > 0)
      std::memcpy(data, item->bytes.data(), std::min<std::size_t>(std::size_t(*size), item->bytes.size()));
    *size = i32(item->bytes.size());
  }
  return noErr;
}

OSErr RemoveCollectionItem(Collection c, OSType tag, i32 id) {
  CollectionData* d = collection(c);
  if (d == nullptr) return paramErr;
  const auto n = std::erase_if(d->items, [&](const CollectionItem& i) { return i.tag == tag && i.id == id; });
  return n == 0 ? collectionItemNotFoundErr : OSErr(noErr);
}

}  // namespace kv
