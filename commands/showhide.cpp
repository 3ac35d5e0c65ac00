// The commands that change what is visible and what is locked: show and hide (objects,
// windows, the menu bar, the message box, movie controllers, help balloons, file-name
// extensions, object groups and a run of cards), lock and unlock (the screen, messages, error
// dialogs), choose tool and flush.
#include <algorithm>

#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/objectfunctions.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/sendmes.h"
#include "engine/tokens.h"
#include "media/mediaservice.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/windows/windows.h"
#include "properties/latentvis.h"
#include "properties/propfront.h"
#include "properties/valueparsers.h"
#include "properties/windowsetters.h"
#include "render/controlflush.h"
#include "render/controlvisibility.h"
#include "render/effects.h"
#include "render/spotgeometry.h"
#include "render/themebuttons.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "shell/messagebox.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "shell/volumes.h"
#include "shell/windnav.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr i16 kResultFileNotFound = 56;
constexpr u16 kPointerTool = 601, kPluginTool = 101;
constexpr u32 kWindVisible = 1u << 11;

struct cmd {
  hierpath path;
  Handle text;
  Handle atoms;
  Handle variables;
  u16 tok(i32 i) const { return tokenat(atoms, i); }
  bool ends(i32 i) const { return statementends(atoms, i); }
  propctx ctx() const { return propctx{path, text, atoms, variables, nilhandle}; }
};

i16 clamp16(i32 n) { return i16(std::clamp<i32>(n, -32768, 32767)); }

// A rectangle of the same size centred on a point, every edge computed in 32 bits and held
// to the 16-bit range (a large rectangle near the edge of the range would wrap otherwise).
Rect centredon(const Rect& r, i32 h, i32 v) {
  const i32 width = i32(r.right) - r.left, height = i32(r.bottom) - r.top;
  const i32 left = h - width / 2, top = v - height / 2;
  return Rect{clamp16(top), clamp16(left), clamp16(top + height), clamp16(left + width)};
}

// The editing states an object's kind needs put down after it showed or hid: the paint
// session first (its error returned), the edited graphic, then the open field.
i16 putdownfor(u16 kind) {
  if (i16 st = putdownbmap()) return st;
  if (kind == spotgraphic) putdownmodes();
  if (kind == spotfield) return putdownfield();
  return 0;
}

// The current window's port, or null without a current window.
CGrafPtr currentport() {
  const MainGlobals& g = mainglobals();
  if (g.current.window == nilid || !IsValidWindowPtr(g.current.window)) return nilid;
  return GetWindowPort(g.current.window);
}

// --- Objects and windows -----------------------------------------------------------------------

i16 showhidewindow(const cmd& c, objread& obj, i32 j, bool show) {
  MainGlobals& g = mainglobals();
  if (g.plugin != 0) return err::plugincommand;
  desk open{};
  if (!haswind(obj.d.store, obj.d.windnum, &open) || open.window == nilid || !IsValidWindowPtr(open.window))
    return err::nosuchwindow;
  windrec w = loadat<windrec>(deref(obj.d.wind));
  if (show && c.tok(j) == tok::at) {
    i32 used = 0, h = 0, v = 0;
    if (i16 st = getloc32(c.ctx(), j + 1, &used, &h, &v)) return st;
    j += 1 + used;
    if (!c.ends(j)) return err::stray;
    Rect r = windtorect(open.window);
    r = centredon(r, h, v);
    MoveWindow(open.window, r.left, r.top, false);
    w.rect1 = r;
    storeat<windrec>(deref(obj.d.wind), w);
    markowner(obj);
  }
  if (!c.ends(j)) return show ? err::stray : err::msgnotobject;
  // A script's show or hide is no hiding by the program: the latent mark goes.
  setwindowlatentvis(open.window, 0);
  w = loadat<windrec>(deref(obj.d.wind));
  w.flags = show ? (w.flags | kWindVisible) : (w.flags & ~kWindVisible);
  storeat<windrec>(deref(obj.d.wind), w);
  if (show) {
    const bool was = IsWindowVisible(open.window);
    SetThemeWindowBackground(open.window, getheme(&open), false);
    ShowWindow(open.window);
    orderwindows();
    hilitewindows();
    if (!was) drawedit(open, nullptr);
  } else {
    HideWindow(open.window);
    hilitewindows();
  }
  return 0;
}

i16 showhidepart(const cmd& c, objread& obj, i32 j, bool show) {
  spot s = spotat(obj.objects, obj.objindex);
  const Rect before = s.rect;
  if (show && c.tok(j) == tok::at) {
    i32 used = 0, h = 0, v = 0;
    if (i16 st = getloc32(c.ctx(), j + 1, &used, &h, &v)) return st;
    j += 1 + used;
    if (i16 st = mapspot(obj.objects, obj.objindex, centredon(s.rect, h, v), false)) return st;
  }
  if (!c.ends(j)) return err::stray;
  s = spotat(obj.objects, obj.objindex);
  s.flags = show ? (s.flags | 1u) : (s.flags & ~1u);
  putspot(obj.objects, obj.objindex, s);
  markowner(obj);
  if (show) {
    redrawspot(obj, before);
  } else {
    drawread(obj);
  }
  return 0;
}

i16 showhideobject(const cmd& c, i32 at, bool show) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(c.path, c.text, c.atoms, at, c.variables, &used, &obj)) return st;
  i16 st = 0;
  u16 kind = 0xFFFF;
  switch (obj.kind) {
    case objwindow: st = showhidewindow(c, obj, at + used, show); break;
    case objpart:
      kind = spotat(obj.objects, obj.objindex).kind;
      st = showhidepart(c, obj, at + used, show);
      break;
    default: st = err::cantunderstand; break;
  }
  writeobj(&obj);
  if (st == 0 && kind != 0xFFFF) st = putdownfor(kind);
  return st;
}

// --- The forms without an object ---------------------------------------------------------------

i16 menubarform(const cmd& c, i32 j, bool show) {
  if (mainglobals().plugin != 0) return err::plugincommand;
  if (!c.ends(j)) return err::stray;
  if (show) showmenu();
  else hidemenu();
  return 0;
}

i16 controllersform(const cmd& c, i32 j, bool show) {
  if (!c.ends(j)) return err::stray;
  showhidecontrollers(show);
  return 0;
}

// `[help] balloon [at rect] with [picture [id | file]] expression`: parsed and checked; the
// balloon service shows nothing.
i16 balloonform(const cmd& c, i32 j, bool show) {
  if (mainglobals().plugin != 0) return err::plugincommand;
  if (c.tok(j) == tok::help) {
    if (c.tok(j + 1) != tok::balloon) return err::cantunderstand;
    ++j;
  }
  ++j;  // balloon
  if (!show) return c.ends(j) ? i16(0) : err::stray;
  if (c.tok(j) == tok::at) {
    Rect r{};
    i32 used = 0;
    if (i16 st = getrect(c.ctx(), j + 1, &used, &r)) return st;
    j += 1 + used;
  }
  if (c.tok(j) != tok::with) return err::cantunderstand;
  ++j;
  if (c.tok(j) == tok::pict) {
    ++j;
    if (c.tok(j) == tok::id || c.tok(j) == tok::file) ++j;
  }
  fred content{};
  i32 used = 0;
  if (i16 st = expression(c.path, c.text, c.atoms, j, c.variables, nilhandle, &used, &content)) return st;
  disposfred(&content);
  return c.ends(j + used) ? i16(0) : err::stray;
}

// `[the] extension of [file] path`: the desktop shows (or hides) the file's name extension. A
// path whose folder is not there gives 227; a file that is not there leaves "File not found."
// in the result.
i16 extensionform(const cmd& c, i32 j, bool show) {
  if (c.tok(j) != tok::in) return err::noof;
  ++j;
  if (c.tok(j) == tok::file) ++j;
  fred value{};
  i32 used = 0;
  if (i16 st = expression(c.path, c.text, c.atoms, j, c.variables, nilhandle, &used, &value)) return st;
  Str255 name{};
  const i16 st = scriptpath(&value, name);
  disposfred(&value);
  if (st != 0) return st;
  if (!c.ends(j + used)) return err::stray;
  if (name[0] == 0) return err::nopath;
  CatInfo info{};
  const OSErr e = HGetCatInfo(kBootVolume, 0, name, &info);
  if (e == fnfErr) return setresulttext(kResultFileNotFound);
  if (e != noErr) return err::nopath;
  hideFileExtension(kBootVolume, 0, name, show ? 0 : 1);
  return 0;
}

// `[the] message [box | window] [at point]`.
i16 messageform(const cmd& c, i32 j, bool show) {
  MainGlobals& g = mainglobals();
  if (g.plugin != 0) return err::plugincommand;
  ++j;  // message
  if (c.tok(j) == tok::box || c.tok(j) == tok::wd) ++j;
  i32 h = 0, v = 0;
  bool at = false;
  if (show && c.tok(j) == tok::at) {
    i32 used = 0;
    if (i16 st = getloc32(c.ctx(), j + 1, &used, &h, &v)) return st;
    j += 1 + used;
    at = true;
  }
  if (!c.ends(j)) return err::stray;
  if (g.msgwindow == nilid) return 0;
  if (!show) {
    hidemes();
    return 0;
  }
  if (at) {
    const Rect r = centredon(windtorect(g.msgwindow), h, v);
    MoveWindow(g.msgwindow, r.left, r.top, false);
  }
  showmes();
  return 0;
}

i16 groupsform(const cmd& c, i32 j, bool show) {
  if (!c.ends(j)) return err::stray;
  MainGlobals& g = mainglobals();
  g.showGroups = show ? 1 : 0;
  if (g.current.window != nilid) drawedit(g.current, nullptr);
  return 0;
}

// `show selected`: the selection drawn with the pointer tool, then the tool as it was.
i16 selectedform(const cmd& c, i32 j) {
  if (!c.ends(j)) return err::stray;
  MainGlobals& g = mainglobals();
  if (g.current.window == nilid) return 0;
  const u16 tool = g.current.tool;
  g.current.tool = kPointerTool;
  putwind(g.current.window, g.current);
  drawedit(g.current, nullptr);
  g.current.tool = tool;
  putwind(g.current.window, g.current);
  return 0;
}

// --- show cards ----------------------------------------------------------------------------

// A click waiting in the queue: the mouse events go and true.
bool clicked() {
  EventRecord e{};
  if (!EventAvail(mDownMask, &e)) return false;
  FlushEvents(mDownMask | mUpMask, 0);
  return true;
}

i16 nextcard() {
  form f{};
  f.card = selpart{selnext, i32(mainglobals().current.cardnum), {}, 0};
  return gotowindow(f);
}

// One run of cards: `count` steps, or until stopped when count is negative.
i16 runcards(i32 count) {
  if (count < 0) {
    for (;;) {
      i16 st = nextcard();
      if (st == kCardChanged) st = 0;
      if (st != 0) return st;
      st = isabort(0);
      if (st == err::aborted) {
        FlushEvents(keyDownMask | autoKeyMask, 0);
        return 0;
      }
      if (st != 0) return st;
      if (clicked()) return 0;
    }
  }
  for (i32 i = 0; i < count; ++i) {
    i16 st = nextcard();
    if (st == kCardChanged) return 0;
    if (st != 0) return st;
    st = isabort(0);
    if (st != 0) return st == kCardChanged ? i16(0) : st;
    if (clicked()) return 0;
  }
  return 0;
}

i16 cardsform(const cmd& c, i32 j) {
  MainGlobals& g = mainglobals();
  i32 count = -1;
  if (c.tok(j) == tok::cards) {
    if (!c.ends(j + 1)) return err::stray;
  } else if (c.tok(j) == tok::all) {
    if (c.tok(j + 1) != tok::cards) return err::cantunderstand;
    if (!c.ends(j + 2)) return err::stray;
    count = g.current.wind == nilhandle ? 0 : i32(loadat<windrec>(deref(g.current.wind)).cardcount);
  } else {
    fred n{};
    i32 used = 0;
    if (i16 st = expression(c.path, c.text, c.atoms, j, c.variables, nilhandle, &used, &n)) return st;
    i32 value = 0;
    const i16 st = fredtolong(&n, &value);
    disposfred(&n);
    if (st != 0) return st;
    if (c.tok(j + used) != tok::cards) return err::cantunderstand;
    if (!c.ends(j + used + 1)) return err::stray;
    count = value;
    if (count < 1) return 0;
  }
  if (g.current.window == nilid) return 0;
  // No open or close messages while the cards run by; the lock goes back on every path.
  const i16 locked = g.lockMessages;
  g.lockMessages = 1;
  const i16 st = runcards(count);
  g.lockMessages = locked;
  return st;
}

// The statement's last word is "cards".
bool endswithcards(const cmd& c, i32 j) {
  while (!c.ends(j + 1)) ++j;
  return c.tok(j) == tok::cards;
}

i16 showhide(const cmd& c, i32 at, bool show) {
  i32 j = at + 1;
  const u16 t = c.tok(j);
  if (show && t == tok::selected) return selectedform(c, j + 1);
  if (t == tok::group) return groupsform(c, j + 1, show);
  if (t == tok::menubar) return menubarform(c, j + 1, show);
  if (t == tok::controllers) return controllersform(c, j + 1, show);
  if (t == tok::movie && c.tok(j + 1) == tok::controllers) return controllersform(c, j + 2, show);
  if (t == tok::balloon || t == tok::help) return balloonform(c, j, show);
  const i32 afterthe = t == tok::the ? j + 1 : j;
  if (c.tok(afterthe) == tok::extension) return extensionform(c, afterthe + 1, show);
  if (c.tok(afterthe) == tok::message) return messageform(c, afterthe, show);
  if (show && !c.ends(j) && endswithcards(c, j)) return cardsform(c, j);
  return showhideobject(c, j, show);
}

}  // namespace

scriptstatus comshow(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  return showhide(cmd{path, text, atoms, variables}, at, true);
}

scriptstatus comhide(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  return showhide(cmd{path, text, atoms, variables}, at, false);
}

// --- lock and unlock -----------------------------------------------------------------------------

scriptstatus comlock(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const cmd c{path, text, atoms, variables};
  MainGlobals& g = mainglobals();
  const u16 t = c.tok(at + 1);
  if (t == tok::messages) {
    if (!c.ends(at + 2)) return err::stray;
    g.lockMessages = 1;
    return 0;
  }
  if (t == tok::error && c.tok(at + 2) == tok::dialogs) {
    if (!c.ends(at + 3)) return err::stray;
    g.lockErrorDialogs = 1;
    return 0;
  }
  if (t != tok::screen) return err::cantunderstand;
  if (!c.ends(at + 2)) return err::stray;
  const CGrafPtr port = currentport();
  if (port == nilid) return 0;
  const bool visible = GetPortPenVisibility(port) >= 0;
  SavePort saved;
  SetPortWindowPort(g.current.window);
  HidePen();
  if (visible) SquashControls(g.current.window);
  return 0;
}

void unlockwindow(bool alllevels) {
  MainGlobals& g = mainglobals();
  const CGrafPtr port = currentport();
  if (port == nilid || GetPortPenVisibility(port) >= 0) return;
  {
    SavePort saved;
    SetPortWindowPort(g.current.window);
    do {
      ShowPen();
    } while (alllevels && GetPortPenVisibility(port) < 0);
  }
  if (GetPortPenVisibility(port) >= 0) {
    Rect whole{};
    GetWindowPortBounds(g.current.window, &whole);
    InvalWindowRect(g.current.window, &whole);
    drawedit(g.current, nullptr);
  }
}

namespace {

// `unlock screen [using rect-or-object] [with [visual [effect]] effect]`.
i16 unlockscreenwith(const cmd& c, i32 j) {
  MainGlobals& g = mainglobals();
  RgnHandle region = nilid;
  bool hasrect = false;
  Rect rect{};
  if (c.tok(j) == tok::using_) {
    i32 used = 0;
    if (getrect(c.ctx(), j + 1, &used, &rect) == 0) {
      hasrect = true;
      region = NewRgn();
      RectRgn(region, rect);
    } else {
      objread obj{};
      if (i16 st = scanobj(c.path, c.text, c.atoms, j + 1, c.variables, &used, &obj)) return st;
      const i16 st = spotorgn(obj, &region);
      writeobj(&obj);
      if (st != 0) {
        if (region != nilid) DisposeRgn(region);
        return st;
      }
    }
    j += 1 + used;
  }
  i16 st = 0;
  if (!c.ends(j)) {
    if (c.tok(j) != tok::with) {
      st = err::cantunderstand;
    } else {
      ++j;
      if (c.tok(j) == tok::visual) ++j;
      if (c.tok(j) == tok::effect) ++j;
      st = scanvisi(c.path, c.text, c.atoms, j, c.variables);
    }
  }
  const CGrafPtr port = currentport();
  if (st == 0 && port != nilid) {
    SavePort saved;
    SetPortWindowPort(g.current.window);
    if (GetPortPenVisibility(port) < 0) ShowPen();
    if (GetPortPenVisibility(port) >= 0) {
      draweffect(1, region);
      if (hasrect && g.current.tool == kPointerTool) drawedit(g.current, &rect);
      UnsquashDefaults(&g.current, 1);
    }
  }
  if (region != nilid) DisposeRgn(region);
  return st;
}

}  // namespace

scriptstatus comunlock(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const cmd c{path, text, atoms, variables};
  MainGlobals& g = mainglobals();
  const u16 t = c.tok(at + 1);
  if (t == tok::messages) {
    if (!c.ends(at + 2)) return err::stray;
    g.lockMessages = 0;
    return 0;
  }
  if (t == tok::error && c.tok(at + 2) == tok::dialogs) {
    if (!c.ends(at + 3)) return err::stray;
    g.lockErrorDialogs = 0;
    return 0;
  }
  if (t != tok::screen) return err::cantunderstand;
  if (c.ends(at + 2)) {
    unlockwindow(false);
    return 0;
  }
  return unlockscreenwith(c, at + 2);
}

// --- choose and flush ----------------------------------------------------------------------------

scriptstatus comchoose(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const cmd c{path, text, atoms, variables};
  MainGlobals& g = mainglobals();
  i16 tool = 0;
  if (c.tok(at + 1) == tok::tool) {
    // `choose tool n`: the number names the plug-in tool or a tool of the name table; any other
    // number is refused.
    fred number{};
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, at + 2, variables, nilhandle, &used, &number)) return st;
    Str255 s{};
    fredtostring(&number, s);
    disposfred(&number);
    i32 n = 0;
    if (stringisnumber(s) != integerform || stringtolong(s, &n) != 0) return err::cantunderstand;
    Str255 name{};
    lowtooltotext(i16(std::clamp<i32>(n, -32768, 32767)), name);
    if (name[0] == 0 && n != kPluginTool) return err::cantunderstand;
    if (!c.ends(at + 2 + used)) return err::cantunderstand;
    tool = i16(n);
  } else {
    i32 used = 0;
    if (textotool(c.ctx(), at + 1, &used, &tool) != 0) return err::cantunderstand;
    if (c.tok(at + 1 + used) != tok::tool || !c.ends(at + 2 + used)) return err::cantunderstand;
  }
  if (g.current.window == nilid) return 0;
  // A toolChange handler that closed the window leaves no tool to change.
  const i16 st = changetool(g.current.window, tool);
  return st == err::nosuchwindow ? i16(0) : st;
}

scriptstatus comflush(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at + 1, variables, &used, &obj)) return st;
  i16 st = 0;
  if (obj.kind != objwindow && obj.kind != objpart && obj.kind != objcard && obj.kind != objbackground) {
    st = err::cantunderstand;
  } else if (!statementends(atoms, at + 1 + used)) {
    st = err::stray;
  } else if (obj.d.window != nilid && IsValidWindowPtr(obj.d.window)) {
    // A single object puts down what its kind needs; a card, background or window all three.
    const bool part = obj.kind == objpart;
    const u16 kind = part ? spotat(obj.objects, obj.objindex).kind : u16(spotbutton);
    st = putdownbmap();
    if (st == 0 && (!part || kind == spotgraphic)) putdownmodes();
    if (st == 0 && (!part || kind == spotfield)) st = putdownfield();
    if (st == 0) lowflush(obj, 1);
  }
  writeobj(&obj);
  return st;
}

}  // namespace kv
