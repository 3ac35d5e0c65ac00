// External-resource records: the resources and the code of externals a project keeps in its
// store (store record kind 6), listed in the library of resources (store record 3) with
// their type, resource id and name key. Ids come from the library's counter (100 in a new
// project) and are never given again. Finding by name compares the name key, then the name
// without regard to case; of two records of one type and name the first in library order is
// the one found, altered and deleted.
//
// The callback services (requests 5003-5011, 5013 and 5023 of externals) act on the current
// project and answer in the parameter block: result 0 done, 1 refused. Adding, deleting or
// renaming the record of an external rebuilds the project's registry of externals, the
// loaded code unloaded first.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

constexpr i32 kResourceLibrary = 3;  // the library record of resources

// Adds a record of the type, name and data (copied): its resource id, or 0 when refused (short
// memory or disk space, a project that cannot be written).
u32 addres(OSType type, ConstStringPtr name, Handle data, RegistryId project);
// Deletes the first record of that type and name, if there is one: 0, or the record cache's
// status.
i16 delres(OSType type, ConstStringPtr name, RegistryId project);
// Deletes the record of that type and resource id, if there is one: 0, or the record cache's
// status.
i16 delresid(OSType type, u32 id, RegistryId project);
// The 0-based position in the library (held by the caller) of the first record of the type
// and name, or of the type and resource id; -1 when there is none.
i32 nametoindex(RegistryId project, Handle library, OSType type, ConstStringPtr name);
i32 idtoindex(RegistryId project, Handle library, OSType type, u32 id);

// Request 5003: type, name, data in; out[0] the new resource id.
void addstarx();
// Requests 5004 (byname) and 5005: out[0] a new handle with a copy of the data.
void getstarx(bool byname);
// Requests 5006 (byname) and 5007. A record the record cache holds is not deleted.
void delstarx(bool byname);
// Requests 5008 (byname) and 5009: the data replaced by a copy of the handle in in[2].
void altstarx(bool byname);
// Request 5023: the record of type in[0] and id in[1] named in[2].
void setstarname();
// Request 5010: out[0] the number of entries of the library.
void countstarx();
// Request 5011: the first entry from position max(1, in[0]) on whose type is in[1] (0: any):
// out[0] the address of its description (theinfo: type, data size, id, position, name).
void indstarx();
// Request 5013: the record of type in[0] and id in[1] takes the id in[2] (the library's counter
// passes it). Refused when the project cannot be written, the new id is taken for that type,
// or there is no such record.
void renumstarx();

}  // namespace kv
