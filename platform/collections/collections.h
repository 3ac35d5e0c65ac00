// Collections: small keyed stores of byte items, as the Collection Manager keeps them. A
// collection is named by a typed registry id; each item is keyed by {tag, id} (the text engine
// uses {creator, tag}) and holds a copy of the bytes it was given.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using Collection = RegistryId;  // RegType::collection

constexpr OSErr collectionItemNotFoundErr = -5751;

// A new empty collection, or 0 when none can be made.
Collection NewCollection();
// Frees the collection and its items; none or a disposed collection is ignored.
void DisposeCollection(Collection c);

// Adds an item, replacing the bytes of an item with the same key; null data gives `size` zero
// bytes. paramErr for an invalid collection or a negative size.
OSErr AddCollectionItem(Collection c, OSType tag, i32 id, i32 size, const void* data);
// Reads an item: with both size and data given, copies at most *size bytes into data; *size
// then becomes the item's size. collectionItemNotFoundErr when no item has the key.
OSErr GetCollectionItem(Collection c, OSType tag, i32 id, i32* size, void* data);
// collectionItemNotFoundErr when no item has the key.
OSErr RemoveCollectionItem(Collection c, OSType tag, i32 id);

}  // namespace kv
