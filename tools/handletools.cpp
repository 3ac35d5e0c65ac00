// The tool dispatcher. A mouse-down in a project window (or the click and drag commands) is
// first offered to scripts as a contextual click, then handled by the window's tool: browse
// clicks on objects and on the card, the text tool, and the table of the object, drawing,
// button, field and paint tools.
#include "tools/handletools.h"

#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "fields/fieldclick.h"
#include "fields/fieldview.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/controls/controls.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "render/hittest.h"
#include "render/objectbounds.h"
#include "render/selectionknobs.h"
#include "render/windowclip.h"
#include "shell/cardwindow.h"
#include "core/mainglobals.h"
#include "shell/mainloop.h"
#include "shell/metal.h"
#include "shell/redraws.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/records.h"
#include "tools/browseclick.h"
#include "tools/creation.h"
#include "tools/objecttools.h"
#include "tools/paint.h"
#include "tools/shapegeometry.h"
#include "tools/texttool.h"
#include "tools/toolmessages.h"
#include "tools/paintsession.h"

namespace kv {

namespace {

constexpr i16 kChanged = -991;
constexpr i16 kNoMemory = 37;
constexpr i16 kScrollBarWidth = 15;
// The interior of a window whose top lies this close to the window's top gets a second
// contextual-click test with the event moved below it.
constexpr i16 kContextBand = 26;

bool hasscripttext(Handle script) { return script != nilhandle && GetHandleSize(script) > Size(sizeof(scripttail)); }

// The topmost object of one list that a browse click hits.
i16 tophit(Handle list, Point pt) {
  for (i32 i = spotcount(list) - 1; i >= 0; --i) {
    spot s = spotat(list, i);
    if (!lowinspot(s, pt)) continue;
    if (s.style == stylebitmap && !hasscripttext(s.script)) continue;
    return i16(i);
  }
  return -1;
}

// A window showing its horizontal card scroll bar sees the card from its scroll position: the
// window record's rectangle moved there is the port's visible region, and drawing is clipped
// to it less the scroll bars. False when no region can be had.
bool scrolledcardclip() {
  const desk& d = mainglobals().current;
  if (d.hscroll == nilid || !IsValidControlHandle(d.hscroll) || !IsControlVisible(d.hscroll) || d.wind == nilhandle)
    return true;
  RgnHandle visible = NewRgn();
  if (visible == nilid) return false;
  Rect r = loadat<windrec>(deref(d.wind)).rect1;
  const i32 v = d.vscroll != nilid && IsValidControlHandle(d.vscroll) ? GetControl32BitValue(d.vscroll) : 0;
  OffsetRect(&r, i16(GetControl32BitValue(d.hscroll) - r.left), i16(v - r.top));
  RectRgn(visible, r);
  SetPortVisibleRegion(GetWindowPort(d.window), visible);
  DisposeRgn(visible);
  r.right = i16(r.right - kScrollBarWidth);
  r.bottom = i16(r.bottom - kScrollBarWidth);
  ClipRect(&r);
  return true;
}

// The contextual-click test, made a second time with the event moved below a window interior
// that starts near the window's top.
bool iscontextclick() {
  MainGlobals& g = mainglobals();
  if (IsShowContextualMenuClick(&g.event)) return true;
  Rect interior{};
  getinterior(&interior);
  if (interior.top > kContextBand - 1) return false;
  Point where = g.event.where;
  g.event.where.v = i16(g.event.where.v + kContextBand - interior.top);
  bool yes = IsShowContextualMenuClick(&g.event);
  g.event.where = where;
  return yes;
}

// "contextClick" to the topmost object under the click, or to the card. True when the click
// ends there, with its result in *result; false when it goes on as an ordinary click.
bool contextclick(Point pt, i16* result) {
  MainGlobals& g = mainglobals();
  u64 changes = g.layerchanges, stamp = g.current.changestamp, serial = g.current.serial;
  Handle list = nilhandle;
  i16 index = -1;
  bool found = topobject(pt, &list, &index);
  WindowRef w = g.current.window;
  i16 st = found ? spotsend(sendnormal, list, index, "contextClick", w) : cardsend("contextClick", sendnormal, w);
  if (!g.contextualclick) {
    if (found && g.layerchanges != changes) st = kChanged;
    if (g.current.changestamp != stamp || g.current.serial != serial) st = kChanged;
  }
  *result = st;
  return st != 0 || g.contextualclick;
}

// An object click of the browse tool, the tracked object of an outer click kept.
i16 objectclick(Handle list, i16 index, Point pt) {
  ToolState& t = toolstate();
  objread outer = t.trackread;
  i16 st = contutil(list, index, pt, t.sender);
  t.trackread = outer;
  WindowRef w = mainglobals().current.window;
  if (IsMetalWindow(w)) {
    Rect interior{};
    getinterior(&interior);
    InvalWindowRect(w, &interior);
  }
  return st;
}

// A browse click on the bare card: "mouseDown", "mouseStillDown" while the button is held,
// "mouseUp"; a handler that changes the card or window ends it without "mouseUp".
i16 cardclick() {
  MainGlobals& g = mainglobals();
  u64 stamp = g.current.changestamp;
  if (i16 st = putdownfield()) return st;
  if (g.current.changestamp != stamp) return 0;
  WindowRef w = g.current.window;
  if (IsMetalWindow(w)) {
    HandleDragClick(w);
    return 0;
  }
  if (i16 st = cardsend("mouseDown", sendnormal, w)) return st;
  LoopScope loop("card click");
  while (g.current.changestamp == stamp) {
    if (!stilldown()) {
      i16 st = cardsend("mouseUp", sendnormal, w);
      putdownfieldutil();
      return st;
    }
    Point p{};
    getmouse(&p);
    if (i16 st = cardsend("mouseStillDown", sendnormal, w)) return st;
  }
  return 0;
}

// The browse tool: a click in the open field, on an object, or on the card.
i16 browseclick(Point pt) {
  MainGlobals& g = mainglobals();
  WindowRef w = g.current.window;
  Handle list = g.openfieldspots;
  i16 index = g.openfield;
  if (index >= 0 && g.openfieldwindow == w && ptinspot(list, index, pt)) {
    spot s = spotat(list, index);
    Rect bar{};
    controlrect(s, &bar);
    if (g.openfieldlocked && !(s.style == stylefieldscroll && PtInRect(pt, &bar))) return objectclick(list, index, pt);
    bool text = false;
    if (i16 st = scrollclick(list, pt, &text)) return st;
    if (!text) return 0;
    i16 st = spotsend(sendnormal, list, index, "clickInField", w);
    dclick(pt, TickCount());
    return st;
  }
  if (topobject(pt, &list, &index)) return objectclick(list, index, pt);
  return cardclick();
}

// The text tool: a click in the open field, or on the object under it.
i16 texttoolclick(Point pt) {
  MainGlobals& g = mainglobals();
  Handle list = g.openfieldspots;
  i16 index = g.openfield;
  if (index >= 0 && g.openfieldwindow == g.current.window && ptinspot(list, index, pt)) {
    spot s = spotat(list, index);
    Rect bar{};
    controlrect(s, &bar);
    if (g.openfieldlocked && !(fieldcanscroll(s) && PtInRect(pt, &bar))) return textutil(list, index, pt);
    bool text = false;
    if (i16 st = scrollclick(list, pt, &text)) return st;
    return text ? spotsend(sendnormal, list, index, "editText", g.openfieldwindow) : i16(0);
  }
  return topobject(pt, &list, &index) ? textutil(list, index, pt) : i16(0);
}

// The creation tools: every object is deselected, then the new object gets its message.
template <class Make>
i16 create(Handle list, Make make) {
  unhiliteall();
  return newmessage(list, make());
}

// A polygon is started only when no polygon creation is under way; a blocked click makes
// nothing and so sends nothing.
template <class Make>
i16 createpolygon(Handle list, Make make) {
  MainGlobals& g = mainglobals();
  unhiliteall();
  i16 result = toolmadenothing;
  if (!g.polyinprogress) result = make();
  g.polyinprogress = 1;
  return newmessage(list, result);
}

// The field, button and graphic tools with the command key draw out a new object under the
// cross; without it they pick objects of their kind.
template <class Make>
i16 pickorcreate(Handle list, i16 kind, Point pt, Make make) {
  MainGlobals& g = mainglobals();
  if (!(g.event.modifiers & cmdKey)) return hyperclick(kind, pt);
  unhiliteall();
  if (!g.lockCursor) SetCursor(&crosscursor());
  return newmessage(list, make());
}

// The object, drawing, button, field and paint tools, on the background's objects while the
// background is edited and else on the card's. A tool the table does not hold does nothing.
i16 tooltable(u16 tool, Point pt) {
  MainGlobals& g = mainglobals();
  PenSize(1, 1);
  PenPat(&qdgray);
  PenMode(patXor);
  Handle list = g.current.backlayer ? g.current.backspots : g.current.cardspots;
  if (g.current.head != nilhandle) {
    headrec head = loadat<headrec>(deref(g.current.head));
    paintlistsstate().patternlist = head.patterns;
    paintlistsstate().brushlist = head.brushes;
  }
  auto paint = [&](i16 result) { return cardpaintmessage(list, result); };
  switch (tool) {
    case 200: return create(list, [&] { return createdrawtext(list, pt); });
    case 201: return create(list, [&] { return createdrawline(list, pt, 1); });
    case 202: return create(list, [&] { return createdrawline(list, pt, 0); });
    case 203:
    case 204:
    case 205: return create(list, [&] { return createdrawrect(list, pt, i16(tool - 202)); });
    case 206: return createpolygon(list, [&] { return createdrawpoly(list, pt); });
    case 207: return create(list, [&] { return createdrawarc(list, pt); });
    case 208: return create(list, [&] { return createdrawfree(list, pt); });
    case 300: return paint(genericbrush(list, pt, 1));
    case 301: return paint(dobucket(list, pt));
    case 302: return paint(genericpen(list, pt, 1));
    case 303: return paint(dolasso(list, pt));
    case 304: return paint(genericline(list, pt));
    case 305:
    case 308:
    case 310: return paint(genericpoly(list, pt));
    case 306: return paint(genericrect(list, pt, 3));
    case 307: return paint(genericpen(list, pt, 2));
    case 309: return paint(genericrect(list, pt, 1));
    case 311: return paint(genericrect(list, pt, 2));
    case 312: return paint(doselect(list, pt));
    case 313: return paint(genericbrush(list, pt, 2));
    case 314: return paint(dotext(list, pt));
    case 401: return createpolygon(list, [&] { return createbutpoly(list, pt); });
    case 409: return 0;
    case 427: return create(list, [&] { return createbutrect(list, pt, 29); });
    case 428: return create(list, [&] { return createbutrect(list, pt, 27); });
    case 429: return create(list, [&] { return createbutrect(list, pt, 28); });
    case 600: return hyperclick(pickany, pt);
    case 601: return selectspot(list, pt);
    case 602: return pickorcreate(list, pickfields, pt, [&] { return createfieldrect(list, pt, 1); });
    case 603: return pickorcreate(list, pickbuttons, pt, [&] { return createbutrect(list, pt, 1); });
    case 604: return pickorcreate(list, pickgraphics, pt, [&] { return createdrawrect(list, pt, 1); });
    default: break;
  }
  if (tool >= 400 && tool <= 426) return create(list, [&] { return createbutrect(list, pt, i16(tool - 400)); });
  if (tool >= 500 && tool <= 503) return create(list, [&] { return createfieldrect(list, pt, i16(tool)); });
  return 0;
}

}  // namespace

ToolState& toolstate() { return state<ToolState>(); }

bool topobject(Point pt, Handle* list, i16* index) { return topobjectof(mainglobals().current, pt, list, index); }

bool topobjectof(const desk& d, Point pt, Handle* list, i16* index) {
  if (!d.backlayer) {
    if (i16 i = tophit(d.cardspots, pt); i >= 0) {
      *list = d.cardspots;
      *index = i;
      return true;
    }
  }
  if (i16 i = tophit(d.backspots, pt); i >= 0) {
    *list = d.backspots;
    *index = i;
    return true;
  }
  return false;
}

void redrawobject(WindowRef window, Handle list, i16 index) {
  desk d{};
  if (getwind(window, &d) == 0 || index < 0 || index >= spotcount(list)) return;
  Rect r{};
  calcspot(list, index, &r);
  drawedit(d, &r);
}

bool stilldown() {
  const ToolState& t = toolstate();
  switch (t.sender) {
    case senderMouse: return StillDown();
    case senderClick: return false;
    default: return t.butdown != 0;
  }
}

void getmouse(Point* pt) {
  ToolState& t = toolstate();
  switch (t.sender) {
    case senderMouse: GetMouse(pt); return;
    case senderClick: *pt = t.startpt; return;
    default: break;
  }
  if (t.sendfirst) {
    t.sendfirst = 0;
    t.movept = t.startpt;
  } else if (i16 speed = mainglobals().dragSpeed; speed == 0) {
    t.movept = t.finishpt;
    t.butdown = 0;
  } else {
    t.butdown = u16(stepoint(t.startpt, t.finishpt, &t.movept, speed));
  }
  *pt = t.movept;
}

i16 handletools(Point start, Point finish, u16 sender) {
  MainGlobals& g = mainglobals();
  ToolState& t = toolstate();
  t.butdown = 1;
  t.sendfirst = 1;
  t.sender = sender;
  t.startpt = start;
  t.finishpt = finish;
  SetPortWindowPort(g.current.window);
  if (!scrolledcardclip()) return kNoMemory;
  if (iscontextclick()) g.contextualclick = 1;
  i16 st = 0;
  if (g.contextualclick && contextclick(start, &st)) return st;
  u16 tool = g.current.tool;
  if (tool == toolbrowse) return browseclick(start);
  if (tool == tooltext) return texttoolclick(start);
  return tooltable(tool, start);
}

}  // namespace kv
