#include "tools/browseclick.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/containerutil.h"
#include "fields/fieldrecords.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "fields/fieldclick.h"
#include "fields/fieldview.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "render/hittest.h"
#include "render/spotstyles.h"
#include "shell/cardwindow.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/redraws.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tools/controltrack.h"
#include "tools/handletools.h"
#include "tools/measuretext.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

constexpr i16 kChanged = -991;
constexpr u32 kAutoHilite = 1u << 2, kLockText = 1u << 3, kTracking = 1u << 13;
constexpr u16 kScrollBarButton = 213;
constexpr i16 kScrollBarWidth = 15;
// The edge the text engine gives a point that lies on an embedded object.
constexpr i8 kObjectEdge = 2;

void redraw(Handle list, i16 index) { redrawobject(mainglobals().current.window, list, index); }

// The embedded object of our own kind under a click in a locked field: its position in the
// text's chain of objects (0 none), its id and the kind of what it wraps.
struct clickedobject {
  u32 position;
  u32 id;
  OSType wrapped;
};

// The 1-based position of an object in its record's chain (0 when it is not there).
u32 chainposition(WEReference we, WEObjectDescHandle object) {
  u32 position = 0;
  WEObjectDescHandle found = nilhandle;
  for (i32 at = WEFindNextObject(-1, &found, we); at >= 0; at = WEFindNextObject(at, &found, we)) {
    ++position;
    if (found == object) return position;
  }
  return 0;
}

// The object a hit on an embedded object names; its position becomes the clicked object.
void hitobject(WEReference we, i32 offset, clickedobject* hit) {
  WEObjectDescHandle object = nilhandle;
  if (WEGetObjectAtOffset(offset, &object, we) != noErr || object == nilhandle) return;
  browseclickstate().clickobject = chainposition(we, object);
  Handle data = WEGetObjectDataHandle(object);
  if (WEGetObjectType(object) != kEmbeddedIota || data == nilhandle || GetHandleSize(data) < Size(sizeof(iota))) return;
  const iota header = loadat<iota>(deref(data));
  if (header.type != kEmbeddedIota) return;
  hit->position = browseclickstate().clickobject;
  hit->id = header.id;
  hit->wrapped = header.wrappedtype;
}

Handle newtexthandle(const std::string& text) {
  Handle h = NewHandle(Size(text.size()));
  if (h != nilhandle && !text.empty()) std::memcpy(deref(h), text.data(), text.size());
  return h;
}

// What a click in a locked field took, for clickText, clickLine and clickChunk: the word or
// grouped run at the click (or the one character there), the line it begins on and its
// characters, the field named by its layer and its number among the layer's fields.
void recordclick(Handle list, i16 index, Point pt, clickedobject* hit) {
  MainGlobals& g = mainglobals();
  const spot s = spotat(list, index);
  if (s.kind != spotfield || !(s.flags & kLockText)) return;
  MeasuredText measured(list, index, g.current.window, false);
  const WEReference we = measured.record();
  if (we == nilid) return;
  LongPoint lp{pt.v, pt.h};
  i8 edge = 0;
  const i32 offset = WEGetOffset(&lp, &edge, we);
  if (edge == kObjectEdge) hitobject(we, offset, hit);
  i32 start = 0, end = 0;
  if (clickrange(we, offset, &start, &end)) g.doubleclick = 1;
  Handle text = WEGetText(we);
  const char* bytes = reinterpret_cast<const char*>(deref(text));
  std::string clicked(bytes + start, size_t(std::min<i32>(end - start, 255)));
  if (clicked != " " && clicked != "\r") g.clicktext = newtexthandle(clicked);
  i32 number = 0;
  for (i32 i = 0; i <= index; ++i)
    if (spotat(list, i).kind == spotfield) ++number;
  char name[32];
  std::snprintf(name, sizeof name, "%s field %d", list == g.current.cardspots ? "card" : "bkgnd", int(number));
  i32 line = 1;
  for (i32 i = 0; i < start; ++i)
    if (u8(bytes[i]) == g.lineDelimiter) ++line;
  char out[80];
  std::snprintf(out, sizeof out, "line %d of %s", int(line), name);
  g.clickline = newtexthandle(out);
  adjustclickchunk(&start, &end, text);
  std::snprintf(out, sizeof out, "char %d to %d of %s", int(start + 1), int(end), name);
  g.clickchunk = newtexthandle(out);
}

// "clickFieldObject" with the object's position, its id and the four characters of the kind
// it wraps, each given as a character code so that no character of the kind can end a
// literal. True when a handler took it (*status its result).
bool clickfieldobject(Handle list, i16 index, const clickedobject& hit, i16* status) {
  MainGlobals& g = mainglobals();
  std::string message = "clickFieldObject " + std::to_string(hit.position) + ", " + std::to_string(hit.id) + ", ";
  for (int i = 0; i < 4; ++i) {
    if (i) message += " & ";
    message += "numToChar(" + std::to_string((hit.wrapped >> (24 - 8 * i)) & 0xFF) + ")";
  }
  g.clickobjectack = 1;
  *status = spotsend(sendnormal, list, index, message, g.current.window);
  if (!g.clickobjectack) return false;
  g.clickobjectack = 0;
  return true;
}

}  // namespace

Point releasepoint() {
  EventRecord up{};
  if (toolstate().sender == senderMouse && getnextevent(mUpMask, &up)) {
    GlobalToLocal(&up.where);
    return up.where;
  }
  Point p{};
  getmouse(&p);
  return p;
}

namespace {

// Steps 3 to 5 of a click tracked on an object: "mouseDown", "mouseStillDown" while the button
// is held (the hilite following the mouse in and out), then "mouseUp", or "mouseRelease" for a
// real release outside.
i16 trackclick(Handle list, i16 index, u64 changes, const clickedobject& hit) {
  MainGlobals& g = mainglobals();
  WindowRef w = g.current.window;
  if (g.layerchanges != changes) return 0;
  if (i16 st = 0; hit.position != 0 && clickfieldobject(list, index, hit, &st)) return st;
  invertutil(list, index, true, false);
  if (i16 st = spotsend(sendnormal, list, index, "mouseDown", w)) return st;
  if (g.layerchanges != changes) return kChanged;
  LoopScope loop("object click");
  bool inside = true;
  while (g.layerchanges == changes) {
    if (!stilldown()) break;
    Point p{};
    getmouse(&p);
    if (bool now = ptinspot(list, index, p) != 0; now != inside) {
      inside = now;
      invertutil(list, index, inside, false);
    }
    if (i16 st = spotsend(sendnormal, list, index, "mouseStillDown", w)) return st;
  }
  if (g.layerchanges != changes) return kChanged;
  if (!ptinspot(list, index, releasepoint()) && !g.simulatedclick)
    return spotsend(sendnormal, list, index, "mouseRelease", w);
  invertutil(list, index, false, true);
  return spotsend(sendnormal, list, index, "mouseUp", w);
}

// A scrolling field that is not open, opened only while its scroll bar is tracked.
i16 scrollclosedfield(Handle list, i16 index, Point pt, u64 changes) {
  MainGlobals& g = mainglobals();
  putdownmodes();
  if (i16 st = putdownfield()) return st;
  if (g.layerchanges != changes) return 0;
  browseclickstate().scrollingclosedfield = 1;
  g.openfield = index;
  g.openfieldspots = list;
  g.openfieldwindow = g.current.window;
  spot s = spotat(list, index);
  loadfield(s);
  putspot(list, index, s);
  redraw(list, index);
  bool text = false;
  i16 st = scrollclick(list, pt, &text);
  g.openfield = -1;
  if (g.allowFieldRedraw) drawedit(g.current, nullptr);
  browseclickstate().scrollingclosedfield = 0;
  return st;
}

// A click in a list field: "clickList" or "doubleClickList", or "scrollField" when the list's
// scroll bar moved it.
i16 listclick(Handle list, i16 index, Point pt, u16 sender, u64 changes) {
  MainGlobals& g = mainglobals();
  spot s = spotat(list, index);
  Rect bar{};
  controlrect(s, &bar);
  bool scrolled = false;
  bool dbl = activatethelist(s, pt, &scrolled, sender);
  putspot(list, index, s);
  WindowRef w = g.current.window;
  if (s.style == stylefieldscrolllist && PtInRect(pt, &bar))
    return scrolled ? spotsend(sendnormal, list, index, "scrollField", w) : i16(0);
  i16 st = spotsend(sendnormal, list, index, dbl ? "doubleClickList" : "clickList", w);
  if (st == 0 && g.layerchanges == changes) {
    s = spotat(list, index);
    updateclicktime(s);
    putspot(list, index, s);
  }
  return st;
}

// An unlocked field opens for typing and takes the click in its text.
i16 openclick(Handle list, i16 index, Point pt, u64 changes) {
  MainGlobals& g = mainglobals();
  putdownmodes();
  if (i16 st = putdownfield()) return st;
  if (g.layerchanges != changes) return 0;
  if (i16 st = putupfield(g.current.window, list, index)) return st;
  if (g.layerchanges != changes || g.openfield < 0) return 0;
  bool text = false;
  i16 st = scrollclick(list, pt, &text);
  FlushEvents(everyEvent, 0);
  return st;
}

// After a tracked click: a button the click left hilited is unhilited, when the same object
// is still at its index (a list that went with its card is left alone).
void unhilitetracked(Handle list, i16 index, const spot& before, i32 count) {
  const desk& d = mainglobals().current;
  if ((list != d.cardspots && list != d.backspots) || spotcount(list) != count || index >= count) return;
  spot s = spotat(list, index);
  if (s.id != before.id || s.style != before.style || !(s.flags & kTracking)) return;
  s.flags &= ~(spothilite | kTracking);
  putspot(list, index, s);
  redraw(list, index);
}

// The tracked window's clip comes back (when a handler has not closed it), and the current
// window's port is current again.
void restoreclip() {
  const MainGlobals& g = mainglobals();
  const objread& tracked = toolstate().trackread;
  if (WindowRef tw = tracked.d.window; tw != nilid && IsValidWindowPtr(tw)) {
    SetPortWindowPort(tw);
    Rect r{};
    GetWindowPortBounds(tw, &r);
    if (tracked.d.hscroll != nilid) {
      r.right = i16(r.right - kScrollBarWidth);
      r.bottom = i16(r.bottom - kScrollBarWidth);
    }
    ClipRect(&r);
  }
  if (IsValidWindowPtr(g.current.window)) SetPortWindowPort(g.current.window);
}

}  // namespace

void clearclicks() {
  MainGlobals& g = mainglobals();
  for (Handle* h : {&g.clicktext, &g.clickline, &g.clickchunk}) {
    DisposeHandle(*h);
    *h = nilhandle;
  }
  browseclickstate().clickobject = 0;
}

void invertutil(Handle list, i16 index, bool on, bool final) {
  spot s = spotat(list, index);
  if (s.kind != spotbutton || !(s.flags & kAutoHilite)) return;
  if (s.style == styleradiobutton || s.style == stylecheckbox) {
    if (final) return;
    s.flags ^= spothilite;
    putspot(list, index, s);
    marklayerchanged(list);
  } else {
    if (final || !on) s.flags &= ~spothilite;
    else s.flags |= spothilite | kTracking;
    putspot(list, index, s);
  }
  redraw(list, index);
}

i16 contutil(Handle list, i16 index, Point pt, u16 sender) {
  MainGlobals& g = mainglobals();
  // The tracked object is forgotten on every way out.
  struct Forget {
    ~Forget() { toolstate().trackread = objread{}; }
  } forget;
  browseclickstate().scrollingclosedfield = 0;
  u64 changes = g.layerchanges;
  spot s = spotat(list, index);
  i32 count = spotcount(list);
  if (s.kind == spotfield) {
    Rect bar{};
    controlrect(s, &bar);
    if (islist(s)) return listclick(list, index, pt, sender, changes);
    if (s.style == stylefieldscroll && PtInRect(pt, &bar)) return scrollclosedfield(list, index, pt, changes);
    if (!(s.flags & kLockText)) return openclick(list, index, pt, changes);
  }
  if (s.kind == spotbutton && (s.flags & spotdisabled)) return 0;
  clearclicks();
  clickedobject hit{};
  // Measuring the click's text draws nothing.
  HidePen();
  recordclick(list, index, pt, &hit);
  ShowPen();
  if (g.allowDoubleClick && dclick(pt, g.event.when) && s.style != kScrollBarButton)
    return spotsend(sendnormal, list, index, "mouseDoubleClick", g.current.window);
  // Buttons drawn by platform controls are tracked through their control.
  i16 st = isversion4spot(&s) ? trackcontrolbutton(list, index, pt, changes) : trackclick(list, index, changes, hit);
  if (!isversion4spot(&s) || g.layerchanges == changes) unhilitetracked(list, index, s, count);
  restoreclip();
  return st;
}

}  // namespace kv
