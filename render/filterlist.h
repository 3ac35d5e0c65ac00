// The image-filter list of a picture graphic (alternate data of kind 3): a u16 count (at most
// 128), then the filters back to back, each {u32 item length, u32 effect kind, u8 reserved, u8
// enabled, name (length byte and characters), u32 data length, data (an atom container of the
// effect's parameters)}, in host order in memory. Indexes are 0-based.
//
// A list comes from a project file: every walk checks the count against the list's size and
// each item (at least 15 bytes, its name and data within its length, its length within the
// list) before it reads it, and stops at the first item that is not whole.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

struct objread;

constexpr u16 kMaxFilters = 128;
constexpr i32 kFilterItemHead = 15;  // length, kind, reserved, enabled, name length, data length

// The kind-3 handle of an alternate-data list, or none; storing one replaces the list's.
Handle GetPictFilterHandle(Handle altlist);
OSErr SetPictFilterHandle(Handle altlist, Handle list);
// The filter list of the referenced object when it is a graphic other than a line; else none.
Handle getfilters(const objread& obj);

// The count of filters (0 for no list, or a list too short for its count word).
u16 countfilters(Handle list);
void setfiltercount(Handle list, u16 count);
// Appends an item (making the list when there is none): 0, 220 when 128 filters are stored,
// 37 when memory runs out (the list as it was).
i16 addfilter(Handle* list, Handle item);
// Replaces the item at an index (an index at or past the count appends): statuses as addfilter.
i16 setfilterbyidx(Handle* list, Handle item, i32 index);
// Removes the item at an index (nothing for an index outside the list): 0 or 37.
i16 killfilterbyidx(Handle list, i32 index);
// The byte offset of the item at an index (2 for the first); 0 when there is none.
i32 getfilteroffsetbyidx(Handle list, i32 index);
// A new handle with a copy of the item at an index, or of the first item of a name (letter
// case ignored); none when there is none.
Handle getfilterbyidx(Handle list, i32 index);
Handle getfilterbyname(Handle list, ConstStringPtr name);
// 1 and the index of the first filter of that name (letter case ignored); else 0 and 65535.
i16 filternametoidx(Handle list, ConstStringPtr name, u16* index);
// 1 and the name of the filter at an index; else 0 and the empty name.
i16 filteridxtoname(Handle list, i32 index, StringPtr name);
// Switches the filter at an index on or off, or reads its switch: 1, or 0 for an index outside
// 0..count-1.
i16 enablefilterbyidx(Handle list, i32 index, bool on);
i16 getfilterenablebyidx(Handle list, i32 index, i16* on);

// A new item from its parts (the data copied), or none when memory is lacking.
Handle flattenFilterInfo(OSType kind, bool enabled, ConstStringPtr name, Handle data);
// The parts of an item: 1 with a new handle holding a copy of its data; 0 for an item that is
// missing, shorter than 15 bytes, whose length field differs from its size, whose name or data
// overruns it, whose data is empty, or when memory is lacking (the outputs are not set then).
i16 unFlattenFilterInfo(Handle item, OSType* kind, u8* reserved, u8* enabled, StringPtr name, u32* datalength,
                        Handle* data);
// Appends the names in list order joined by ",", preceded by "filters=" with `named` and
// followed by a return; nothing at all for an absent or empty list. 0 or a memory error.
OSErr getfilterstring(Handle list, Handle text, bool named);

// The runtime has no filter or user-property editor: these answer that nothing was edited.
i16 editfilters();
i16 editfilterbyidx(i32 index);
i16 edituprop();
i16 editupropbyidx(i32 index);
// The procedures of those editors' dialogs: the filters answer that they took no event, the
// scroll and the editor's update do nothing, the automatic text answers 1.
u8 PdialogRTfilterfilter(RegistryId dialog, EventRecord* event, i16* item);
u8 PdialogRTfilterprop(RegistryId dialog, EventRecord* event, i16* item);
void PdialogRTupropscroll(RegistryId control, i16 part);
void updateupropeditor();
i16 PdialogRTautotext();

}  // namespace kv
