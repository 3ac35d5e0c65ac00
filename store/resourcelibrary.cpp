#include "store/resourcelibrary.h"

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "store/namekey.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace kv {

namespace {
constexpr i32 kResourceLibraryRecord = 3;  // the library record of resources
}  // namespace

bool findresourcerecord(RegistryId store, ResType type, ConstStringPtr name, u32 id, u32* recordid, u32* resourceid) {
  Handle lib = nilhandle;
  if (getvir(store, kResourceLibraryRecord, &lib) != 0) return false;
  u32 key = 0;
  if (name != nullptr) getkey(name, &key);
  librec l = loadat<librec>(deref(lib));
  bool found = false;
  for (i32 i = 1; l.pagecount > 0 && i <= i32(l.entrycount) && !found; ++i) {
    bookentry e{};
    if (getbook(store, lib, i, &e) != 0) break;
    if (e.word12 != type) continue;
    if (name == nullptr) {
      found = e.word4 == id;
    } else if (e.word8 == key) {
      Str255 n;
      found = namevir(store, i32(e.recordid), n) == 0 && myequalstring(n, name);
    }
    if (!found) continue;
    *recordid = e.recordid;
    if (resourceid != nullptr) *resourceid = e.word4;
  }
  putvir(store, kResourceLibraryRecord);
  return found;
}

Handle resourcedata(Handle record) {
  if (record == nilhandle || GetHandleSize(record) < Size(sizeof(xresrec))) return nilhandle;
  return loadat<xresrec>(deref(record)).data;
}

}  // namespace kv
