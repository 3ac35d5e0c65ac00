// The image-filter list of a picture graphic (alternate data of kind 3): a u16 count, then the
// filters back to back, each {u32 item length, u32 effect kind, u8 reserved, u8 enabled,
// name (length byte and characters), u32 data length, data}, in host order in memory.
// Indexes are 0-based. Every walk checks each item's length against the list's size.
#pragma once

#include "platform/types.h"

namespace kv {

struct objread;

// The kind-3 handle of an alternate-data list, or none.
Handle GetPictFilterHandle(Handle altlist);
// The filter list of the referenced object when it is a graphic other than a line; else none.
Handle getfilters(const objread& obj);
// The count of filters; 0 for no list.
u16 countfilters(Handle list);
// 1 and the index of the first filter of that name (letter case ignored); else 0 and 65535.
i16 filternametoidx(Handle list, ConstStringPtr name, u16* index);
// 1 and the enabled state of the filter at an index; 0 for an index outside 0..count-1.
i16 getfilterenablebyidx(Handle list, i32 index, i16* on);

}  // namespace kv
