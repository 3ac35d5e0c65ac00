// User-defined properties: named texts in the user-property list (`uprop` entries) of menu
// items, menus, objects, cards, backgrounds, windows and projects. The script getter and setter
// (`userprop`, `setuserprop`), the name listing, and the lookup and change services that other
// parts of the system and external code use.
//
// Statuses: 0; 2 for a descriptor kind without a list (the shared script, the application,
// embedded objects); 68 for no list, no such name or an index past the end.
#pragma once

#include "platform/types.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

struct fred;

// The user-property list of a descriptor's object, or none; false for a kind without one.
bool upropslist(const objread& obj, Handle* list);

// A copy of the value of the property of that name (by name or by 0-based position).
i16 lowuserprop(const objread& obj, ConstStringPtr name, fred* value);
i16 lowuserpropidx(const objread& obj, i32 index, fred* value);
// The value handle itself (not a copy) of the property of that name.
i16 lowuserprophand(const objread& obj, ConstStringPtr name, Handle* out);

// The same from a list given directly.
i16 proputil(Handle list, ConstStringPtr name, fred* value);
i16 proputilidx(Handle list, i32 index, fred* value);
i16 prophandutil(Handle list, ConstStringPtr name, Handle* out);
i16 prophandutilidx(Handle list, i32 index, Handle* out);
// The names in list order joined by commas, internal names ("__...") left out.
i16 propuserutil(Handle list, fred* value);
// Removes the entry of that name when its value is empty (68 when there is none).
i16 propkillifempty(Handle list, ConstStringPtr name);

// Item `item` (from 1) of a user property holding one item a line, cut at its first tab or
// blank; empty when there is no such property, value or item. 1 when an argument is missing.
i16 getmagicupropitem(const spot* s, ConstStringPtr name, i32 item, StringPtr text);

// Changes the value of an existing property of the resolved object, by name or by 0-based
// position, and marks the record that owns the list changed. The caller resolves and releases
// the descriptor.
i16 lowsetuserprop(const objread& obj, ConstStringPtr name, fred* value);
i16 lowsetuserpropidx(const objread& obj, i32 index, fred* value);

}  // namespace kv
