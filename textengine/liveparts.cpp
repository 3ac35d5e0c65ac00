// The engine's entries in the store's table of live parts.
#include "store/liveparts.h"

#include "textengine/werecord.h"

namespace kv {

namespace {

// Disposes of a field's live text record and clears the slot. A slot naming anything else (a
// list field's list) is cleared as before.
void releasewefield(spot& s) {
  const WEReference we = livefield(s);
  if (isvalidwerec(we)) WEDispose(we);
  setlivefield(s, 0);
}

}  // namespace

void installweliveparts() {
  LiveParts parts{};
  parts.releasefield = releasewefield;
  installliveparts(parts);
}

}  // namespace kv
