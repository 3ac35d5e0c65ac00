// The shared image writers.
#include "media/imagefiles.h"

#include "core/mainglobals.h"

namespace kv {

u32 defaultwritefolder() {
  const MainGlobals& g = mainglobals();
  return g.lastdirid != 0 ? g.lastdirid : g.documentsfolder;
}

}  // namespace kv
