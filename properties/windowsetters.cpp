// The setters that change windows and the views of their cards: the window flags, the size of a
// window or of a background, the scroll of a window's card or of a scrolling field, the card
// scroll of a background's window, the colour table of a card or background and the depth of a
// monitor; the zoom limits of every open window and the backdrop's click activation.
#include "properties/windowsetters.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "fields/fieldview.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/menus/menus.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/textrecords.h"
#include "properties/valueparsers.h"
#include "render/drawservices.h"
#include "render/fielddrawing.h"
#include "render/offscreen.h"
#include "shell/cardscroll.h"
#include "shell/fieldputting.h"
#include "shell/projectclose.h"
#include "shell/windnav.h"
#include "core/mainglobals.h"
#include "shell/objectresize.h"
#include "shell/palettes.h"
#include "shell/platformutil.h"
#include "shell/portroutines.h"
#include "shell/redraws.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"
#include "store/starfile.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr i16 resultnosuchclut = 15, resultnodepth = 24;
constexpr i32 kLargestSize = 32767;
constexpr i32 kListScrollMost = 32767;
constexpr i16 kDefaultClut = -31234;

void setresult(i16 entry) { stringtohand(resultstr(entry), mainglobals().result); }

bool isopen(const objread& obj, desk* open) {
  return haswind(obj.d.store, obj.d.windnum, open) && open->window != nilid && IsValidWindowPtr(open->window);
}

windrec windof(const objread& obj) { return loadat<windrec>(deref(obj.d.wind)); }
void putwindof(const objread& obj, const windrec& w) { storeat<windrec>(deref(obj.d.wind), w); }

// The card's size of a context: its background's width (h) and height (v).
Point cardsize(const desk& d) {
  if (d.back == nilhandle || GetHandleSize(d.back) < Size(sizeof(backrec))) return Point{0, 0};
  const backrec b = loadat<backrec>(deref(d.back));
  return Point{i16(std::min<u32>(b.height, 32767)), i16(std::min<u32>(b.width, 32767))};
}

bool barshows(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar) && IsControlVisible(bar); }

// A point h,v of 32-bit coordinates up to the statement's end.
i16 readpoint(const propctx& c, i32 i, i32* h, i32* v) {
  i32 used = 0;
  if (i16 st = getloc32(c, i, &used, h, v)) return st;
  return lineends(c, i + used) ? i16(0) : err::stray;
}

// Puts the card scroll bars of an open window at h, v (never below 0) and redraws the window.
void scrollcard(const desk& open, i32 h, i32 v) {
  BorrowDesk borrow(open);
  SetPortWindowPort(open.window);
  if (open.hscroll != nilid && IsValidControlHandle(open.hscroll)) SetControl32BitValue(open.hscroll, std::max(h, 0));
  if (open.vscroll != nilid && IsValidControlHandle(open.vscroll)) SetControl32BitValue(open.vscroll, std::max(v, 0));
  lowclipup();
  drawedit(open, nullptr);
}

// --- Window flags ------------------------------------------------------------------------------

struct flagword {
  u16 word;
  u32 bit;
  bool inverted;
};
constexpr flagword kPlainFlags[] = {
    {tok::closebox, kWindCloseBox, false},
    {tok::zoombox, kWindZoomBox, false},
    {tok::draggable, kWindDraggable, false},
    {tok::autocenter, kWindAutoCenter, false},
    {tok::showinvisibles, kWindShowInvisibles, false},
    {tok::liveresize, kWindLiveResize, false},
    {tok::dolimitwd, kWindDoLimit, false},
    {tok::autodim, kWindNotAutoDim, true},
    {tok::collapsible, kWindNotCollapsible, true},
    {tok::localopacity, kWindNoLocalOpacity, true},
    {tok::inwindowmenu, kWindNotInWindowMenu, true},
    {tok::shadow, kWindNoShadow, true},
    {tok::resizable, kWindResizable, false},
};

// The grow-box corner of a window's port (the scroll-bar square at the bottom right of the
// interior) in the window's theme background; the grow box drawn again when it has one.
void repaintgrowcorner(WindowRef window, bool resizable) {
  SavePort saved;
  SetPortWindowPort(window);
  Rect port{};
  GetPortBounds(GetWindowPort(window), &port);
  const Rect corner{i16(port.bottom - kScrollBarWidth), i16(port.right - kScrollBarWidth), port.bottom, port.right};
  const Rect wholeclip = port;
  ClipRect(&wholeclip);
  i16 brush = windowthemebrush(window);
  if (brush == 0) brush = 15;  // the document window's background
  RGBColor fore{}, back{};
  GetForeColor(&fore);
  GetBackColor(&back);
  SetThemeBackground(brush, devicedepth(GetMainDevice()), true);
  EraseRect(&corner);
  RGBBackColor(&back);
  RGBForeColor(&fore);
  InvalWindowRect(window, &corner);
  if (resizable) DrawGrowIcon(window);
}

}  // namespace

i16 windflags(objread* obj, u16 token, u16 flag) {
  if (obj->kind != objwindow || obj->d.wind == nilhandle) return err::cantunderstand;
  const bool on = flag != 0;
  desk open{};
  const bool shown = isopen(*obj, &open);
  if (token == tok::collapsed) {
    windrec w = windof(*obj);
    if (shown && !(w.flags & kWindNotCollapsible) && IsWindowCollapsed(open.window) != on)
      CollapseWindow(open.window, on);
    return 0;
  }
  if (token == tok::modified) {
    if (shown) SetWindowModified(open.window, on);
    return 0;
  }
  const flagword* f = nullptr;
  for (const flagword& k : kPlainFlags)
    if (k.word == token) f = &k;
  if (f == nullptr) return err::nosuchproperty;
  windrec w = windof(*obj);
  const u32 before = w.flags;
  const bool set = f->inverted ? !on : on;
  w.flags = set ? (w.flags | f->bit) : (w.flags & ~f->bit);
  putwindof(*obj, w);
  if (!shown) return 0;
  // Our window model changes these attributes in any class: a palette keeps its class.
  switch (token) {
    case tok::inwindowmenu: {
      const WindowAttributes menu = kWindowInWindowMenuAttribute;
      ChangeWindowAttributes(open.window, on ? menu : 0, on ? 0 : menu);
    } break;
    case tok::shadow: {
      const WindowAttributes noshadow = kWindowNoShadowAttribute;
      ChangeWindowAttributes(open.window, on ? 0 : noshadow, on ? noshadow : 0);
    } break;
    case tok::resizable: repaintgrowcorner(open.window, on); break;
    case tok::localopacity:
      if (before != w.flags) checkpalettealpha();
      break;
    case tok::dolimitwd:
      if (before != w.flags) setzoomlimits();
      break;
    default: break;
  }
  return 0;
}

void setzoomlimits() {
  MainGlobals& g = mainglobals();
  for (i32 i = 0, n = g.numwinds; i < n && g.winds != nilhandle; ++i) {
    if (GetHandleSize(g.winds) < Size(i + 1) * Size(sizeof(desk))) break;
    const desk d = loadat<desk>(deref(g.winds) + Size(i) * Size(sizeof(desk)));
    if (d.window == nilid || !IsValidWindowPtr(d.window)) continue;
    Rect r{};
    CalculateZoomOutRect(d.window, &r);
    // No larger than the window limit.
    const Point limit = g.windowLimit;
    if (limit.h > 0) r.right = i16(std::min<i32>(r.right, i32(r.left) + limit.h));
    if (limit.v > 0) r.bottom = i16(std::min<i32>(r.bottom, i32(r.top) + limit.v));
    const u32 flags = d.wind != nilhandle ? loadat<windrec>(deref(d.wind)).flags : 0;
    if (!g.dontLimitWindows || (flags & kWindDoLimit)) {
      const Point card = cardsize(d);
      const i32 width = i32(card.h) + (barshows(d.vscroll) ? kScrollBarWidth : 0);
      const i32 height = i32(card.v) + (barshows(d.hscroll) ? kScrollBarWidth : 0);
      r.right = i16(std::min<i32>(r.right, i32(r.left) + width));
      r.bottom = i16(std::min<i32>(r.bottom, i32(r.top) + height));
    }
    SetWindowStandardState(d.window, &r);
  }
}

i16 rebuildwindow(WindowRef window) {
  MainGlobals& g = mainglobals();
  desk d{};
  if (window == nilid || !IsValidWindowPtr(window) || !getwind(window, &d)) return 0;
  const projectstore* ps = findprojectstore(d.store);
  if (ps == nullptr) return 0;
  const desk saved = g.current;
  // Its place: behind the window in front of it, or first.
  const std::vector<WindowRef> order = windowlist();
  const auto at = std::find(order.begin(), order.end(), window);
  const WindowRef infront = at != order.end() && at != order.begin() ? *(at - 1) : nilid;
  const bool visible = IsWindowVisible(window);
  const i16 lockmessages = g.lockMessages, reopening = g.reopeningwindow;
  g.lockMessages = 1;
  g.reopeningwindow = 1;
  i16 st = 0;
  {
    SavePort port;
    g.current = d;
    SetPortWindowPort(window);
    // The window's card, named by the project's path so that it is found after the window went.
    form f{};
    f.card.selector = selnumber;
    f.card.value = i32(d.cardnum);
    f.wind.selector = selnumber;
    f.wind.value = i32(d.windnum);
    std::memcpy(f.proj.name, ps->fullpath, size_t(ps->fullpath[0]) + 1);
    // The project stays open while its window is away.
    Handle head = nilhandle;
    const RegistryId store = d.store;
    const bool held = getvir(store, 0, &head) == 0;
    HideWindow(window);
    st = closewindow();
    if (st == 0) st = openwindow(f, 0, visible ? 0 : 1);
    if (held) putvir(store, 0);
    desk now{};
    if (g.current.window != nilid && g.current.window != window && getwind(g.current.window, &now)) {
      now.tool = d.tool;
      now.backlayer = d.backlayer;
      putwind(now.window, now);
      g.current = now;
      if (infront == nilid) BringToFront(now.window);
      else if (IsValidWindowPtr(infront)) SendBehind(now.window, infront);
    }
  }
  if (IsValidWindowPtr(window)) DisposeWindow(window);
  orderwindows();
  hilitewindows();
  g.lockMessages = lockmessages;
  g.reopeningwindow = reopening;
  if (saved.window != window && saved.window != nilid && IsValidWindowPtr(saved.window)) {
    desk back{};
    if (getwind(saved.window, &back)) g.current = back;
  }
  return st == kCardChanged ? i16(0) : st;
}

OSStatus dontActivateProc(EventHandlerCallRef, EventRef event, u32) {
  const u32 result = kDoNotActivateAndIgnoreClick;
  SetEventParameter(event, kEventParamClickActivation, typeClickActivationResult, sizeof result, &result);
  return noErr;
}

// --- backSize, windowSize ----------------------------------------------------------------------

KV_SETTER(sethesize) {
  (void)variables;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  i32 width = 0, height = 0;
  if (i16 st = readpoint(c, at + used, &width, &height)) return st;
  // Sizes are checked in 32 bits before they are narrowed: no empty or inverted window.
  if (width <= 0 || height <= 0) return err::emptyrect;
  if (width > kLargestSize || height > kLargestSize) return err::numberrange;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  i16 st = 0;
  desk open{};
  if (token == tok::backsize) {
    if (obj.kind != objbackground) {
      st = err::nosuchbackground;
    } else {
      backrec b = loadat<backrec>(deref(obj.d.back));
      b.width = u16(width);
      b.height = u16(height);
      storeat<backrec>(deref(obj.d.back), b);
      markowner(obj);
      // The open window that shows the background takes the new size for now; its stored
      // rectangle stays.
      if (isopen(obj, &open) && open.backrecid == obj.d.backrecid) {
        Rect r = windtorect(open.window);
        limitrectoback(&r, open);
        rectowind(r, open.window);
        BorrowDesk borrow(open);
        SetPortWindowPort(open.window);
        lowrectbar();
        lowfixbar();
        drawedit(open, nullptr);
      }
    }
  } else if (obj.kind != objwindow) {
    st = err::nosuchwindow;
  } else if (mainglobals().plugin != 0) {
    st = err::pluginproperty;
  } else {
    windrec w = windof(obj);
    Rect r{w.rect1.top, w.rect1.left, i16(i32(w.rect1.top) + height), i16(i32(w.rect1.left) + width)};
    if (i32(w.rect1.top) + height > 32767 || i32(w.rect1.left) + width > 32767) {
      st = err::numberrange;
    } else {
      const Point limit = mainglobals().windowLimit;
      if (limit.h > 0) r.right = i16(std::min<i32>(r.right, i32(r.left) + limit.h));
      if (limit.v > 0) r.bottom = i16(std::min<i32>(r.bottom, i32(r.top) + limit.v));
      limitrect(&r);
      limitrectoback(&r, obj.d);
      w.rect1 = r;
      putwindof(obj, w);
      markowner(obj);
      if (isopen(obj, &open)) {
        lockscreen();
        rectowind(r, open.window);
        {
          BorrowDesk borrow(open);
          SetPortWindowPort(open.window);
          lowrectbar();
          lowfixbar();
        }
        getwind(open.window, &open);
        resizespots(open, 0, 0, 0);
        drawedit(open, nullptr);
        unlockscreen();
        setzoomlimits();
      }
    }
  }
  writeobj(&obj);
  return st;
}

// --- scroll, offset ----------------------------------------------------------------------------

namespace {

i16 scrollfield(objread& obj, i32 value, bool nobuffer) {
  spot s = spotat(obj.objects, obj.objindex);
  if (s.style != stylefieldscroll && s.style != stylefieldscrolllist) return err::notscrolling;
  value = std::max(value, 0);
  if (s.style == stylefieldscrolllist) {
    value = std::min(value, kListScrollMost);
  } else {
    // An open field is put down first; the scroll stays within the text (the text's height less
    // the view and its margins, as the field's scroll bar reaches).
    if (i16 st = putdownfield()) return st;
    s = spotat(obj.objects, obj.objindex);
    value = std::min(value, std::max(0, fieldmaxscroll(obj)));
  }
  const i32 old = getfieldscroll(s);
  WEReference we = s.style == stylefieldscroll ? WEReference(livefield(s)) : nilid;
  if (nobuffer && we != nilid && isvalidwerec(we)) {
    // The live record scrolls in place in the field's window.
    setfieldscroll(s, value);
    putspot(obj.objects, obj.objindex, s);
    desk shown{};
    if (obj.d.window != nilid && getwind(obj.d.window, &shown)) {
      BorrowDesk borrow(shown);
      SetPortWindowPort(shown.window);
      WEScroll(0, old - value, we);
    }
    markowner(obj);
    return 0;
  }
  setfieldscroll(s, value);
  if (s.style == stylefieldscroll) releaselivefield(s);
  putspot(obj.objects, obj.objindex, s);
  markowner(obj);
  if (getfieldscroll(s) != old) redrawspot(obj, s.rect);
  return 0;
}

}  // namespace

KV_SETTER(setscroll) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  const i32 start = at + used;
  // The kind decides how the value reads: resolve again and hold the descriptor.
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  i16 st = 0;
  if (obj.kind == objwindow) {
    desk open{};
    i32 h = 0, v = 0;
    if (mainglobals().plugin != 0) st = err::pluginproperty;
    else if (!isopen(obj, &open)) st = err::nosuchwindow;
    else if ((st = readpoint(c, start, &h, &v)) == 0) scrollcard(open, h, v);
  } else if (obj.kind == objpart && spotat(obj.objects, obj.objindex).kind == spotfield) {
    fred value;
    i32 n = 0;
    if (expression(path, text, atoms, start, variables, nilhandle, &n, &value) != 0) {
      st = err::cantunderstand;
    } else {
      i32 number = 0;
      st = fredtolong(&value, &number);
      disposfred(&value);
      i32 i = start + n;
      bool nobuffer = false;
      if (c.tok(i) == tok::without && c.tok(i + 1) == tok::buffering) {
        nobuffer = true;
        i += 2;
      }
      if (st == 0 && !lineends(c, i)) st = err::stray;
      if (st == 0) st = scrollfield(obj, number, nobuffer);
    }
  } else {
    st = err::cantunderstand;
  }
  writeobj(&obj);
  return st;
}

KV_SETTER(setoffset) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  i16 st = 0;
  desk open{};
  i32 h = 0, v = 0;
  if (obj.kind != objbackground) st = err::cantunderstand;
  else if (!isopen(obj, &open)) st = err::nosuchwindow;
  else if ((st = readpoint(c, at + used, &h, &v)) == 0) scrollcard(open, h, v);
  writeobj(&obj);
  return st;
}

// --- clut ----------------------------------------------------------------------------------------

namespace {

// The colour table a value names: a project's 'clut' resource by number or name (the
// project's own, then the shared project's), the default table (-31234) or the system table
// (0). *id is the table's id; 0 found, 1 not found.
i16 findclut(RegistryId store, fred* value, i32* id, Handle* table) {
  Str255 s{};
  fredtostring(value, s);
  i32 n = 0;
  const bool number = stringisnumber(s) == integerform && stringtolong(s, &n) == 0;
  const RegistryId shared = mainglobals().sharedstore;
  for (RegistryId project : {store, shared}) {
    if (project == nilid) continue;
    u32 record = 0, resource = 0;
    if (!findresourcerecord(project, fourcc("clut"), number ? nullptr : ConstStringPtr(s), u32(n), &record, &resource))
      continue;
    if (lowclut(project, resource, table)) {
      *id = i32(resource);
      return 0;
    }
  }
  auto is = [&](const char* word) {
    Str255 w{};
    w[0] = u8(std::strlen(word));
    std::memcpy(w + 1, word, w[0]);
    return !number && myequalstring(s, w);
  };
  if ((number && n == kDefaultClut) || is("default")) *id = kDefaultClut;
  else if ((number && n == 0) || is("system")) *id = 0;
  else return 1;
  // Not a resource of the project: the system table of the screen's depth.
  if (getclut(store, u32(*id), table) != 0) return err::nomemory;
  return 0;
}

}  // namespace

KV_SETTER(setclut) {
  (void)token;
  MainGlobals& g = mainglobals();
  if (!g.colorWorld) return err::badfilesize;
  if (memoryrefused(40000)) return err::nomemory;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  fred value;
  if (i16 st = frontandvalue(c, at, &obj, &value)) return st;
  const bool card = obj.kind == objcard;
  if (!card && obj.kind != objbackground) {
    disposfred(&value);
    writeobj(&obj);
    return err::cantunderstand;
  }
  i32 id = 0;
  Handle table = nilhandle;
  i16 st = findclut(obj.d.store, &value, &id, &table);
  disposfred(&value);
  if (st == 1) {
    setresult(resultnosuchclut);
    writeobj(&obj);
    return 0;
  }
  if (st != 0 || table == nilhandle) {
    writeobj(&obj);
    return err::nomemory;
  }
  // The objects take the nearest colours of the new table.
  Handle& own = card ? obj.d.cardclut : obj.d.backclut;
  const Handle objects = card ? Handle(loadat<cardrec>(deref(obj.d.card)).objects)
                              : Handle(loadat<backrec>(deref(obj.d.back)).objects);
  if (own != nilhandle && objects != nilhandle) {
    const Handle savedclut = g.currentclut;
    const i16 savedremap = g.remapColor;
    g.currentclut = table;
    g.remapColor = 1;
    changecolor(objects, 0, spotcount(objects), own);
    g.remapColor = savedremap;
    g.currentclut = savedclut;
  }
  if (card) {
    cardrec r = loadat<cardrec>(deref(obj.d.card));
    r.word16 = u32(id);
    storeat<cardrec>(deref(obj.d.card), r);
  } else {
    backrec r = loadat<backrec>(deref(obj.d.back));
    r.word16 = u32(id);
    storeat<backrec>(deref(obj.d.back), r);
  }
  markowner(obj);
  // The window that shows the card or background takes the table. A descriptor of the card
  // the window shows shares the window's context (and its tables); any other owns copies.
  const bool windowdesk = obj.d.window != nilid;
  desk open{};
  const bool showing = isopen(obj, &open) &&
                       (card ? open.cardrecid == obj.d.cardrecid : open.backrecid == obj.d.backrecid);
  if (showing) {
    Handle copy = table;
    if (HandToHand(&copy) != noErr) copy = nilhandle;
    if (copy != nilhandle) {
      Handle& slot = card ? open.cardclut : open.backclut;
      const Handle old = slot;
      slot = copy;
      putwind(open.window, open);
      if (g.current.window == open.window) (card ? g.current.cardclut : g.current.backclut) = copy;
      if (g.currentclut == old) g.currentclut = copy;
      if (windowdesk) own = copy;
      if (old != nilhandle) DisposeCTable(old);
    }
    buildpalette();
    drawedit(open, nullptr);
  }
  if (windowdesk) {
    DisposeCTable(table);
  } else {
    if (own != nilhandle) DisposeCTable(own);
    own = table;
  }
  writeobj(&obj);
  return 0;
}

// --- colorMode of a monitor -------------------------------------------------------------------

KV_SETTER(setmonitor) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  i32 i = isthe(c, at) ? at + 2 : at + 1;
  if (c.tok(i) == tok::in) ++i;
  if (c.tok(i) == tok::monitor) ++i;
  fred n;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &n)) return st;
  i32 index = 0;
  i16 st = fredtolong(&n, &index);
  disposfred(&n);
  if (st != 0) return st;
  i += used;
  if (c.tok(i) != tok::to) return err::notoorof;
  fred value;
  if ((st = readvalue(c, i + 1, &value))) return st;
  Str255 s{};
  fredtostring(&value, s);
  disposfred(&value);
  // Monitors are numbered from 1 in the order of the screens.
  if (index < 1 || index > screencount()) return err::cantunderstand;
  i16 depth = 0;
  if ((st = stringtomode(s, &depth))) return st;
  const i16 screen = i16(index - 1);
  if (!screenhasdepth(screen, depth)) {
    setresult(resultnodepth);
    return 0;
  }
  HiliteMenu(0);
  if (setscreendepth(screen, depth) != noErr) {
    setresult(resultnodepth);
    return 0;
  }
  resyncoffscreen();
  return 0;
}

}  // namespace kv
