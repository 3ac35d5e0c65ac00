// The resources a project keeps: external-resource records (kind 6: a name and a data handle)
// listed in its library of resources (store record 3), whose book entries are {record id,
// resource id, name key, type}. The data of 'snd ' and 'CURS' resources stays in the store's
// byte order in the record (store/byteorder.h converts copies).
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// Finds a resource of `type` in the project's library, by name (the name key first, then the
// record's name, ignoring case) when `name` is given, else by resource id. True with the
// record id of the first match in library order (and its resource id, when asked).
bool findresourcerecord(RegistryId store, ResType type, ConstStringPtr name, u32 id, u32* recordid,
                        u32* resourceid = nullptr);

// The data handle of a loaded resource record (none when it has no data).
Handle resourcedata(Handle record);

}  // namespace kv
