#include "tools/texttool.h"

#include "engine/fieldrecords.h"
#include "engine/fred.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "fields/fieldclick.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "shell/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "textengine/werecord.h"
#include "tools/handletools.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

// The text engine's feature that fields other than 300 and 301 get while the text tool edits
// them.
constexpr i16 kTextToolFeature = 13;
constexpr i16 kNotAvailable = 124;

bool textrecordfield(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }

// Makes field `index` of a list the open field of the current window (its locked mark clear:
// the text tool edits locked fields) and loads its text.
void openfield(Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  g.openfield = index;
  g.openfieldspots = list;
  g.openfieldwindow = g.current.window;
  g.openfieldlocked = 0;
  spot s = spotat(list, index);
  loadfield(s);
  if (!islist(s)) putspot(list, index, s);
  if (!textrecordfield(s) && g.openfieldrec != nilid) {
    WEFeatureFlag(kTextToolFeature, 1, g.openfieldrec);
    SetScrollBarFlag(g.openfieldrec, fieldcanscroll(s) ? 1 : 0);
  }
  redrawobject(g.current.window, list, index);
}

// A click on the scroll bar of a field that can scroll: the field is open only while the
// scroll bar is tracked.
i16 scrollbarclick(Handle list, i16 index, Point pt, u64 changes) {
  MainGlobals& g = mainglobals();
  putdowntextfield();
  if (g.layerchanges != changes) return 0;
  WindowRef w = g.current.window;
  openfield(list, index);
  bool text = false;
  i16 st = scrollclick(list, pt, &text);
  if (st == 0 && text) st = spotsend(sendnormal, list, index, "editText", w);
  // The field closes whatever the click's outcome.
  g.openfield = -1;
  g.openfieldrec = nilid;
  if (g.allowFieldRedraw) redrawobject(w, list, index);
  return st;
}

// The text the chunk finder measures in: the open field, a text graphic or a field of style
// 300 or 301 holding the point in its view.
bool hastextunder(const spot& s, Point pt) {
  if (s.kind == spotgraphic) return s.style == styletext;
  if (s.kind != spotfield || !textrecordfield(s)) return false;
  Rect dest{}, view{};
  destview(s, &dest, &view);
  return PtInRect(pt, &view);
}

}  // namespace

i16 textutil(Handle list, i16 index, Point pt) {
  MainGlobals& g = mainglobals();
  spot s = spotat(list, index);
  if (s.kind != spotfield) return 0;
  u64 changes = g.layerchanges;
  Rect bar{};
  controlrect(s, &bar);
  if (fieldcanscroll(s) && PtInRect(pt, &bar)) return scrollbarclick(list, index, pt, changes);
  putdowntextfield();
  if (g.layerchanges != changes) return 0;
  if (g.openfield < 0) openfield(list, index);
  if (g.layerchanges != changes || g.openfield < 0) return 0;
  bool text = false;
  i16 st = scrollclick(g.openfieldspots, pt, &text);
  FlushEvents(everyEvent, 0);
  if (st != 0 || !text) return st;
  return spotsend(sendnormal, g.openfieldspots, g.openfield, "editText", g.openfieldwindow);
}

void putdowntextfieldutil() {
  MainGlobals& g = mainglobals();
  if (g.openfield < 0) return;
  Handle list = g.openfieldspots;
  i16 index = g.openfield;
  g.openfield = -1;
  g.openfieldrec = nilid;
  g.openfieldlocked = 0;
  if (index >= spotcount(list)) return;
  spot s = spotat(list, index);
  if (islist(s)) {
    forcelistload(s, 1);
    putspot(list, index, s);
  }
  redrawobject(g.openfieldwindow, list, index);
}

i16 putdowntextfield() {
  MainGlobals& g = mainglobals();
  bool changed = g.openfield >= 0 && g.openfieldrec != nilid && GetWERecDirtyFlag(g.openfieldrec);
  Handle list = g.openfieldspots;
  putdowntextfieldutil();
  if (changed) marklayerchanged(list);
  return 0;
}

i16 mousechunk(fred* value, i16 mode) {
  Point where{};
  GetGlobalMouse(&where);
  WindowRef w = nilid;
  desk d{};
  auto empty = [&] { return newfred(value, fredtemp, fredstring, 0); };
  if (FindWindow(where, &w) != inContent || getwind(w, &d) == 0 || d.tool != toolbrowse) return empty();
  Point pt = where;
  {
    SavePort saved;
    SetPortWindowPort(w);
    GlobalToLocal(&pt);
  }
  Handle list = nilhandle;
  i16 index = -1;
  if (!topobjectof(d, pt, &list, &index)) return empty();
  if (mode == mousechunkobject) {
    objread obj{};
    obj.kind = objpart;
    obj.d = d;
    obj.objindex = index;
    obj.objects = list;
    obj.ownerrecid = list == d.cardspots ? d.cardrecid : d.backrecid;
    Str255 text{};
    buildidtext(obj, formlong, text);
    return stringtonewfred(text, value);
  }
  if (!hastextunder(spotat(list, index), pt)) return empty();
  // Measuring the text under the mouse waits for the text engine's hit testing.
  return kNotAvailable;
}

}  // namespace kv
