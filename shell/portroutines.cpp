#include "shell/portroutines.h"

#include "platform/qd/bottleneck.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"

namespace kv {

void copypat(const Pattern* src, Pattern* dst) { *dst = *src; }

i16 getclut(RegistryId store, u32 recid, Handle* out) {
  (void)store;
  (void)recid;
  *out = GetCTable(8);
  return *out == nilhandle ? 37 : 0;
}

void restcolor() {
  const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&black);
  RGBBackColor(&white);
}

void setstandarderaseprocs(CGrafPtr port) { SetPortGrafProcs(port, nullptr); }

}  // namespace kv
