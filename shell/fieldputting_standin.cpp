// A stand-in until fields are put up and down in full: a field opens with its live text
// record active and "openField" sent (without the message box's and the theme's part of the
// change); the open field is closed as the text tool closes it, and putdownfield then sends
// "leaveField" (no text can have changed yet). Typing waits for the text engine's keys.
#include "shell/fieldputting.h"

#include "engine/fieldrecords.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/qd/ports.h"
#include "render/fielddrawing.h"
#include "shell/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tools/texttool.h"

namespace kv {

namespace {

constexpr u32 kLockText = 1u << 3;

// Opens field `index` of a list in a window without messages: its live record (made when the
// window has not drawn it yet) becomes the open field's, active, and the field is redrawn.
void putupfieldutil(WindowRef window, Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  desk d{};
  if (getwind(window, &d) == 0 || index < 0 || index >= spotcount(list)) return;
  SavePort saved;
  SetPortWindowPort(window);
  spot s = spotat(list, index);
  if (s.kind != spotfield) return;
  if (usesenginetwo(&s) && !isvalidwerec(livefield(s))) {
    LongRect dest{}, view{};
    ldestview(s, &dest, &view);
    westupidertext(dest, view, s);
  }
  g.openfieldchange = 0;
  g.openfieldlocked = (s.flags & kLockText) ? 1 : 0;
  loadfield(s);
  if (!islist(s)) putspot(list, index, s);
  g.openfield = index;
  g.openfieldspots = list;
  g.openfieldwindow = window;
  if (isvalidwerec(g.openfieldrec)) WEActivate(g.openfieldrec);
  drawedit(d, &s.rect);
}

}  // namespace

i16 putupfield(WindowRef window, Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  if (g.openfield >= 0) return 0;
  putupfieldutil(window, list, index);
  if (g.openfield < 0) return 0;
  const u64 changes = g.layerchanges;
  const i16 st = spotsend(sendnormal, list, index, "openField", window);
  // A handler that put the field down without going elsewhere leaves it open all the same.
  if (g.layerchanges == changes && g.openfield < 0) putupfieldutil(window, list, index);
  return st;
}

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
