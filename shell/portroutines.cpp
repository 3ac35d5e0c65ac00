#include "shell/portroutines.h"

#include "platform/qd/colors.h"

namespace kv {

void copypat(const Pattern* src, Pattern* dst) { *dst = *src; }

i16 getclut(RegistryId store, u32 recid, Handle* out) {
  (void)store;
  (void)recid;
  *out = GetCTable(8);
  return *out == nilhandle ? 37 : 0;
}

}  // namespace kv
