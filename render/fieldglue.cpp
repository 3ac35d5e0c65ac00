// The small routines through which other parts ask about, mark and put down the live text
// records of fields, and the dimming rule of drawn text.
#include <algorithm>

#include "fields/fieldrecords.h"
#include "engine/objectutil.h"
#include "platform/controls/controls.h"
#include "platform/process/process.h"
#include "platform/windows/windows.h"
#include "render/fielddrawing.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "core/fatalerror.h"
#include "render/carddrawing.h"

namespace kv {

namespace {

constexpr u32 kAllowTabs = 1u << 22;

// The field a descriptor names (kind 3 with a valid index), copied.
bool namedspot(const objread& obj, spot* out) {
  if (obj.kind != objpart || obj.objects == nilhandle || obj.objindex < 0 || obj.objindex >= spotcount(obj.objects))
    return false;
  *out = spotat(obj.objects, obj.objindex);
  return true;
}

// Whether a descriptor names the object a window, list and index name.
bool names(const objread& obj, WindowRef window, Handle list, i16 index) {
  return window != nilid && obj.d.window == window && obj.objects == list && obj.objindex == index;
}

bool isdialogkind(i16 kind) { return kind == 106 || (kind >= 120 && kind <= 123); }

}  // namespace

bool textShouldBeGrayed() {
  const MainGlobals& g = mainglobals();
  if (g.printingafield || g.nogray) return false;
  if (drawnobjectstate().drawnspots != nilhandle && drawnobjectstate().drawnindex >= 0 &&
      drawnobjectstate().drawnindex < spotcount(drawnobjectstate().drawnspots) &&
      !(spotat(drawnobjectstate().drawnspots, drawnobjectstate().drawnindex).flags & spotautodim))
    return false;
  if (!processisfront()) return true;
  const WindowRef w = g.current.window;
  if (w == nilid) return false;
  // A window's root control is deactivated with the window (and while the program is behind).
  if (ControlRef root = nilid; GetRootControl(w, &root) == noErr && root != nilid) return !IsControlActive(root);
  if (isdialogkind(GetWindowKind(w))) return w != FrontNonFloatingWindow();
  return false;
}

void setPrintingAFieldFlag(u16 flag) { mainglobals().printingafield = i16(flag); }

void setfieldel(WEReference we, u16 change) {
  SetWERecDirtyFlag(we, true);
  MainGlobals& g = mainglobals();
  if (we != nilid && we == g.openfieldrec && g.openfield >= 0 && !g.openfieldhold) g.openfieldchange = change;
}

i16 readisfield(const objread& obj) {
  const MainGlobals& g = mainglobals();
  return names(obj, g.openfieldwindow, g.openfieldspots, g.openfield) ? 1 : 0;
}

i16 readisbmap(const objread& obj) {
  const MainGlobals& g = mainglobals();
  return names(obj, g.bmapwindow, g.bmapspots, g.bmapindex) ? 1 : 0;
}

i16 readisgraph(const objread& obj) {
  const MainGlobals& g = mainglobals();
  return names(obj, g.graphwindow, g.graphspots, g.graphindex) ? 1 : 0;
}

WEReference getreadwerec(const objread& obj) {
  spot s{};
  if (!namedspot(obj, &s) || !isfield(s) || !usesenginetwo(&s) || islist(s)) return nilid;
  const WEReference we = livefield(s);
  return isvalidwerec(we) ? we : nilid;
}

i16 readhaswerec(const objread& obj) {
  desk d{};
  if (getreadwerec(obj) == nilid || getwind(obj.d.window, &d) == 0) return 0;
  return d.cardrecid == obj.d.cardrecid ? 1 : 0;
}

i16 putdownwerecs(Handle list, i16 dispose) {
  MainGlobals& g = mainglobals();
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (!isfield(s) || !usesenginetwo(&s)) continue;
    const WEReference we = livefield(s);
    if (!isvalidwerec(we)) continue;
    WEDeactivate(we);
    // A changed record writes its text back into the field first.
    if (GetWERecDirtyFlag(we)) {
      const i32 end = WEGetTextLength(we);
      WESetSelection(end, end, we);
      packlivefield(s);
      SetWERecDirtyFlag(we, false);
      markspotsowner(list);
      ++g.textchanges;
    }
    if (dispose) {
      WEDispose(we);
      setlivefield(s, 0);
      if (we == g.openfieldrec) {
        g.openfield = -1;
        g.openfieldrec = nilid;
        g.openfieldspots = nilhandle;
      }
    }
    putspot(list, i, s);
  }
  return 0;
}

i16 fldusestabs(const spot& s) { return (s.flags & kAllowTabs) ? 1 : 0; }

}  // namespace kv
