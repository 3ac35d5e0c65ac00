// A stand-in until fields are put up: nothing opens a field here; the open field is closed as
// the text tool closes it, and putdownfield then sends "leaveField" (no text can have changed
// yet). Typing waits for the text engine's keys.
#include "shell/fieldputting.h"

#include "engine/objectsend.h"
#include "shell/mainglobals.h"
#include "tools/texttool.h"

namespace kv {

i16 putupfield(WindowRef, Handle, i16) { return 0; }

void putdownfieldutil() { putdowntextfieldutil(); }

i16 putdownfield() {
  MainGlobals& g = mainglobals();
  if (g.openfield < 0) return 0;
  Handle list = g.openfieldspots;
  i16 index = g.openfield;
  WindowRef w = g.openfieldwindow;
  putdownfieldutil();
  return spotsend(sendnormal, list, index, "leaveField", w);
}

void putdownmodes() {}

void wekey(u8, WEReference) {}

}  // namespace kv
