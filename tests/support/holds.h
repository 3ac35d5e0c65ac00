// What open projects hold: the uses of records held in every open project's record cache, and
// the number of open projects. Tests and fuzz targets check that an operation gives back
// every record it took.
#pragma once

#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/recordcache.h"
#include "store/starfile.h"

namespace kv {

inline u64 recordholds() {
  u64 n = 0;
  for (RegistryId s = mainglobals().openprojects; s != nilid; s = nextvir(s)) {
    const projectstore* st = findprojectstore(s);
    if (st == nullptr || st->cache == nilhandle) continue;
    for (Size i = 0; i < HandleCount<virentry>(st->cache); ++i) n += HandleAs<virentry>(st->cache)[i].usecount;
  }
  return n;
}

inline u32 openprojectcount() {
  u32 n = 0;
  for (RegistryId s = mainglobals().openprojects; s != nilid; s = nextvir(s)) ++n;
  return n;
}

}  // namespace kv
