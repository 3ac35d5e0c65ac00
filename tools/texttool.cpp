#include "tools/texttool.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/containerutil.h"

#include "fields/fieldrecords.h"
#include "engine/fred.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/tokens.h"
#include "fields/fieldclick.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/liveparts.h"
#include "store/reftexts.h"
#include "textengine/werecord.h"
#include "tools/handletools.h"
#include "tools/measuretext.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

// The text engine's feature that fields other than 300 and 301 get while the text tool edits
// them.
constexpr i16 kTextToolFeature = 13;

bool textrecordfield(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }

// Makes field `index` of a list the open field of the current window (its locked mark clear:
// the text tool edits locked fields) and loads its text.
void openfield(Handle list, i16 index) {
  MainGlobals& g = mainglobals();
  g.openfield = index;
  g.openfieldspots = list;
  g.openfieldwindow = g.current.window;
  g.openfieldlocked = 0;
  g.openfieldchange = 0;
  spot s = spotat(list, index);
  loadfield(s);
  if (!islist(s)) putspot(list, index, s);
  if (!textrecordfield(s) && g.openfieldrec != nilid) {
    WEFeatureFlag(kTextToolFeature, 1, g.openfieldrec);
    SetScrollBarFlag(g.openfieldrec, fieldcanscroll(s) ? 1 : 0);
  }
  if (isvalidwerec(g.openfieldrec)) WEActivate(g.openfieldrec);
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

// A descriptor of object `index` of a list in the card a window context shows.
void longreference(const desk& d, Handle list, i16 index, objread* obj) {
  obj->kind = objpart;
  obj->d = d;
  obj->objindex = index;
  obj->objects = list;
  obj->ownerrecid = list == d.cardspots ? d.cardrecid : d.backrecid;
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
  WEReference we = g.openfieldrec;
  g.openfield = -1;
  g.openfieldrec = nilid;
  g.openfieldlocked = 0;
  if (!IsValidHandle(list) || index >= spotcount(list)) return;
  spot s = spotat(list, index);
  // The record goes inactive with its selection collapsed to the text's end, and a changed
  // text is written back into the field.
  if (isvalidwerec(we)) {
    WEDeactivate(we);
    const i32 end = WEGetTextLength(we);
    WESetSelection(end, end, we);
  }
  if (textrecordfield(s) && isvalidwerec(livefield(s)) && GetWERecDirtyFlag(livefield(s))) {
    packlivefield(s);
    ++g.textchanges;
  }
  if (islist(s)) forcelistload(s, 1);
  putspot(list, index, s);
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
    longreference(d, list, index, &obj);
    Str255 text{};
    buildidtext(obj, tok::long_, text);
    return stringtonewfred(text, value);
  }
  const MainGlobals& g = mainglobals();
  const bool open = g.openfield == index && g.openfieldspots == list && g.openfieldwindow == w;
  if (!open && !hastextunder(spotat(list, index), pt)) return empty();
  SavePort saved;
  SetPortWindowPort(w);
  MeasuredText measured(list, index, w, true);
  const WEReference we = measured.record();
  if (we == nilid) return empty();
  LongPoint lp{pt.v, pt.h};
  i8 edge = 0;
  const i32 offset = WEGetOffset(&lp, &edge, we);
  const i32 length = WEGetTextLength(we);
  const char* bytes = reinterpret_cast<const char*>(deref(WEGetText(we)));
  if (mode == mousechunkchar) {
    if (offset < 0 || offset >= length) return empty();
    const char c = bytes[offset];
    return charstonewfred(&c, 1, value);
  }
  i32 start = 0, end = 0;
  mouserange(we, offset, &start, &end);
  if (start >= end) return empty();
  if (mode == mousechunktext) {
    const std::string text(bytes + start, size_t(std::min<i32>(end - start, 255)));
    return charstonewfred(text.data(), Size(text.size()), value);
  }
  objread obj{};
  longreference(d, list, index, &obj);
  Str255 name{};
  buildidtext(obj, tok::long_, name);
  adjustclickchunk(&start, &end, WEGetText(we));
  char text[300];
  std::snprintf(text, sizeof text, "char %d to %d of %.*s", int(start + 1), int(end), int(name[0]),
                reinterpret_cast<const char*>(name + 1));
  return charstonewfred(text, Size(std::strlen(text)), value);
}

}  // namespace kv
