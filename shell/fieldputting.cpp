// Putting the open field up and down, and ending the other editing states (painting and the
// text graphic being edited) before a card change, save or revert.
#include "shell/fieldputting.h"

#include "fields/fieldrecords.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/status.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/te/te.h"
#include "render/carddrawing.h"
#include "render/objectbounds.h"
#include "render/fielddrawing.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "textengine/fieldpacking.h"
#include "textengine/fieldstorage.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u32 kLockText = 1u << 3;

bool textrecordfield(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }

// Redraws one object's rectangle (grown by `grow`) in a window of the table and validates it.
void redrawrect(WindowRef window, Rect r, i16 grow) {
  desk d{};
  if (getwind(window, &d) == 0) return;
  InsetRect(&r, i16(-grow), i16(-grow));
  drawedit(d, &r);
}

// Writes a changed record back into its field's stored text: the field keeps its stored text
// in step with what was typed, whatever happens to the live record later.
OSErr writeback(spot& s, WEReference we) {
  if (!isvalidwerec(we) || !GetWERecDirtyFlag(we)) return noErr;
  const OSErr err = wenewpacktext(s, we);
  if (err == noErr) SetWERecDirtyFlag(we, false);
  return err;
}

}  // namespace

void putupfieldutil(WindowRef window, Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  // The keyboard leaves the message box: its text shows inactive until the box is clicked.
  g.msgfieldfocus = 1;
  if (isvalidte(g.msgtext)) TEDeactivate(g.msgtext);
  g.openfieldchange = 0;
  desk d{};
  if (getwind(window, &d) == 0 || list == nilhandle || index < 0 || index >= spotcount(list)) return;
  spot s = spotat(list, index);
  if (s.kind != spotfield) return;
  g.openfieldspots = list;
  g.openfieldwindow = window;
  // Background field text is stored per card: a change always marks the card's record.
  g.openfieldstore = d.store;
  g.openfieldrecid = d.cardrecid;
  g.openfieldclut = list == d.cardspots ? d.cardclut : d.backclut;
  SavePort saved;
  SetPortWindowPort(window);
  g.openfieldlocked = (s.flags & kLockText) ? 1 : 0;
  if (usesenginetwo(&s) && !isvalidwerec(livefield(s))) {
    LongRect dest{}, view{};
    ldestview(s, &dest, &view);
    westupidertext(dest, view, s);
  }
  loadfield(s);
  if (textrecordfield(s)) putspot(list, index, s);
  g.openfield = index;
  g.openfieldid = s.id;
  if (isvalidwerec(g.openfieldrec)) WEActivate(g.openfieldrec);
  redrawrect(window, s.rect, 0);
}

i16 putupfield(WindowRef window, Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  if (g.openfield >= 0) return 0;
  putupfieldutil(window, list, index);
  if (g.openfield < 0) return 0;
  const u32 id = g.openfieldid;
  const u64 changes = g.layerchanges;
  const i16 st = spotsend(sendnormal, list, index, "openField", window);
  // A handler that put the field down without going elsewhere leaves it open all the same,
  // provided the object at that index is still that field (a handler may have deleted
  // objects and so shifted the list).
  if (g.layerchanges == changes && g.openfield < 0 && IsValidHandle(list) && index < spotcount(list)) {
    const spot s = spotat(list, index);
    if (s.kind == spotfield && s.id == id) putupfieldutil(window, list, index);
  }
  return st;
}

void putdownfieldutil() {
  MainGlobals& g = mainglobals();
  if (g.openfield < 0) return;
  Handle list = g.openfieldspots;
  const i16 index = g.openfield;
  const WEReference we = g.openfieldrec;
  const WindowRef window = g.openfieldwindow;
  g.openfield = -1;
  g.openfieldlocked = 0;
  if (!IsValidHandle(list) || index >= spotcount(list)) {
    g.openfieldrec = nilid;
    return;
  }
  spot s = spotat(list, index);
  if (isvalidwerec(we)) {
    WEDeactivate(we);
    const i32 end = WEGetTextLength(we);
    WESetSelection(end, end, we);
    writeback(s, we);
  }
  g.openfieldrec = nilid;
  putspot(list, index, s);
  if (islist(s)) {
    forcelistload(s, 1);
    putspot(list, index, s);
  }
  Rect r{};
  calcspot(list, index, &r);
  redrawrect(window, r, g.focussuppressed ? 0 : 2);
}

i16 putdownfield() {
  MainGlobals& g = mainglobals();
  if (g.openfield < 0) return 0;
  Handle list = g.openfieldspots;
  const i16 index = g.openfield;
  const WindowRef window = g.openfieldwindow;
  const bool changed = g.openfieldchange != 0;
  const RegistryId store = g.openfieldstore;
  const u32 recid = g.openfieldrecid;
  putdownfieldutil();
  g.openfieldchange = 0;
  if (changed && store != nilid) checkerr(changevir(store, i32(recid)));
  const i16 st = spotsend(sendnormal, list, index, changed ? "closeField" : "leaveField", window);
  // A field the handler opened is put down too.
  if (g.openfield >= 0) putdownfieldutil();
  return st;
}

void installfieldputting() {
  LiveParts parts{};
  parts.putdownedited = [] {
    mainglobals().openfieldchange = 1;
    return putdownfield();
  };
  installliveparts(parts);
}

i16 putdownspotwerec(spot& s, u16 dispose) {
  if (!textrecordfield(s)) return 0;
  const WEReference we = livefield(s);
  if (!isvalidwerec(we)) return 0;
  if (mainglobals().openfield >= 0 && mainglobals().openfieldrec == we) {
    if (i16 st = putdownfield()) return st;
  }
  if (!isvalidwerec(we)) return 0;
  const i32 end = WEGetTextLength(we);
  WESetSelection(end, end, we);
  if (GetWERecDirtyFlag(we)) {
    if (wenewpacktext(s, we) != noErr) return err::nomemory;
    if (!dispose) SetWERecDirtyFlag(we, false);
  }
  if (dispose) releaselivefield(s);
  return 0;
}

void putdowngraph() {
  MainGlobals& g = mainglobals();
  if (g.graphindex < 0) return;
  Handle list = g.graphspots;
  const i16 index = g.graphindex;
  const WindowRef window = g.graphwindow;
  const WEReference we = g.graphrec;
  g.graphindex = -1;
  g.graphrec = nilid;
  if (!IsValidHandle(list) || index >= spotcount(list)) {
    if (isvalidwerec(we)) WEDispose(we);
    return;
  }
  SavePort saved;
  if (window != nilid) SetPortWindowPort(window);
  spot s = spotat(list, index);
  if (isvalidwerec(we)) {
    if (s.data == nilhandle) {
      Handle h = NewHandle(0);
      if (h != nilhandle && setemptyfieldtext(h, defaultfieldtail()) == noErr) s.data = h;
      else if (h != nilhandle) DisposeHandle(h);
    }
    Handle uprops = s.uprops;
    if (s.data != nilhandle) wepacktext(s.data, &uprops, we, true);
    s.uprops = uprops;
    putspot(list, index, s);
    invalspot(list, index);
    WEDispose(we);
  }
  Rect r{};
  calcspot(list, index, &r);
  redrawrect(window, r, 0);
}

i16 putdownmodes() {
  MainGlobals& g = mainglobals();
  if (g.bmapindex < 0 && g.graphindex < 0) return 0;
  const i16 st = g.bmapindex >= 0 ? putdownbmap() : i16(0);
  putdowngraph();
  drawedit(g.current, nullptr);
  return st;
}

}  // namespace kv
