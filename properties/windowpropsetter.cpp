// `set [the] <word> [of <window>] to <value>` for the six properties of a project window kept in
// its record (`opacity`, `themeBackground`) or in its open window's context (`hiliteColor`,
// `lockScreen`, `editBackground`, `tool`), and the opacity of the backdrop.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/sendmes.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/valueparsers.h"
#include "render/controlvisibility.h"
#include "render/selectionknobs.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u16 kPluginTool = 101, kTextDrawTool = 200, kFirstPaintTool = 300, kLastPaintTool = 314;

// The theme background words by token (the kind each stands for is its place, from 0).
constexpr std::array<u16, 9> kThemeWords{tok::default_,       tok::documentwindow, tok::dialogwindow,
                                         tok::alertwindow,    tok::utilitywindow,  tok::finderwindow,
                                         tok::listbackground, tok::listsortcolumn, tok::modelessdialogwindow};

bool isbackdrop(const propctx& c, i32 i) {
  static constexpr u16 tokBackDropWord = tok::backdrop;
  if (isthe(c, i)) ++i;
  return c.tok(i) == tokBackDropWord;
}

// `set opacity of [the] backDrop to n`.
i16 backdropopacity(const propctx& c, i32 i) {
  if (isthe(c, i)) ++i;
  ++i;  // backDrop
  if (c.tok(i) != tok::to) return err::notoorof;
  fred value;
  if (i16 st = readvalue(c, i + 1, &value)) return st;
  i32 n = 0;
  i16 st = fredtolong(&value, &n);
  disposfred(&value);
  if (st != 0) return st;
  n = std::clamp(n, 0, 100);
  MainGlobals& g = mainglobals();
  g.backdropTransparency = i16(100 - n);
  if (g.backdrop != nilid && IsValidWindowPtr(g.backdrop)) SetWindowAlpha(g.backdrop, float(n) / 100.0f);
  return 0;
}

// The theme background word of a value: a number n is brush n (n x 256), a word its kind.
i16 themeword(fred* value, u16* out) {
  Str255 text{};
  fredtostring(value, text);
  i32 n = 0;
  if (stringisnumber(text) == integerform && stringtolong(text, &n) == 0) {
    *out = u16(u32(n) * 256);
    return 0;
  }
  Handle atoms = nilhandle;
  fred copy{};
  if (stringtonewfred(text, &copy) != 0) return err::numberrange;
  i16 st = tokenizefred(&copy, &atoms);
  u16 word = st == 0 ? tokenat(atoms, 0) : 0;
  if (atoms != nilhandle) DisposeHandle(atoms);
  disposfred(&copy);
  for (std::size_t k = 0; k < kThemeWords.size(); ++k)
    if (kThemeWords[k] == word) {
      *out = u16(k);
      return 0;
    }
  return err::numberrange;
}

// `opacity` and `themeBackground`, stored in the window's record.
i16 storedword(const propctx& c, i32 at, u16 token) {
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  u16 theme = 0;
  i32 opacity = 0;
  i16 st = token == tok::themebackground ? themeword(&value, &theme) : fredtolong(&value, &opacity);
  disposfred(&value);
  if (st != 0) return st;
  if ((st = dofront(c, at, &used, &obj, true))) return st;
  if (obj.kind != objwindow) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  windrec w = loadat<windrec>(deref(obj.d.wind));
  if (token == tok::themebackground) w.themeback = theme;
  else w.translucency = u16(100 - std::clamp(opacity, 0, 100));
  storeat<windrec>(deref(obj.d.wind), w);
  markowner(obj);
  desk open{};
  if (haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid && IsValidWindowPtr(open.window)) {
    if (token == tok::themebackground) drawedit(open, nullptr);
    else SetWindowAlpha(open.window, float(100 - w.translucency) / 100.0f);
  }
  writeobj(&obj);
  return 0;
}

// The open window a statement names (`of <window>`), or the current window without `of`;
// *valueat is the first atom of the value.
i16 openwindow(const propctx& c, i32 at, desk* out, i32* valueat) {
  i32 i = isthe(c, at) ? at + 1 : at;
  if (c.tok(i + 1) != tok::in) {
    if (c.tok(i + 1) != tok::to) return err::notoorof;
    *out = mainglobals().current;
    *valueat = i + 2;
    return out->window != nilid ? i16(0) : err::nosuchwindow;
  }
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, true)) return st;
  i16 st = 0;
  desk open{};
  if (obj.kind != objwindow) st = err::cantunderstand;
  else if (!haswind(obj.d.store, obj.d.windnum, &open) || open.window == nilid) st = err::nosuchwindow;
  writeobj(&obj);
  if (st != 0) return st;
  *out = open;
  *valueat = at + used;
  return 0;
}

// The tool a value names: a tool number, or a tool phrase ("button", "paint brush tool").
i16 valuetool(const propctx& c, i32 i, i16* tool) {
  i32 used = 0;
  i16 t = 0;
  if (textotool(c, i, &used, &t) == 0 && used > 0) {
    i32 end = i + used;
    if (c.tok(end) == tok::tool) ++end;
    if (lineends(c, end)) {
      *tool = t;
      return 0;
    }
  }
  fred value;
  if (i16 st = readvalue(c, i, &value)) return st;
  i32 n = 0;
  if (value.type == fredlong || value.type == freddouble) {
    i16 st = fredtolong(&value, &n);
    disposfred(&value);
    if (st != 0) return st;
    Str255 name{};
    lowtooltotext(i16(n), name);
    if (name[0] == 0 && n != kPluginTool) return err::cantunderstand;
    *tool = i16(n);
    return 0;
  }
  Handle atoms = nilhandle;
  i16 st = tokenizefred(&value, &atoms);
  if (st == 0) {
    propctx inner{c.path, value.text, atoms, c.variables, c.locals};
    Str255 s{};
    fredtostring(&value, s);
    i32 number = 0;
    if (fredtolong(&value, &number) == 0) {
      lowtooltotext(i16(number), s);
      if (s[0] == 0 && number != kPluginTool) st = err::cantunderstand;
      else *tool = i16(number);
    } else {
      st = textotool(inner, 0, &used, &t);
      i32 end = used;
      if (st == 0 && inner.tok(end) == tok::tool) ++end;
      if (st == 0 && !lineends(inner, end)) st = err::cantunderstand;
      if (st == 0) *tool = t;
    }
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  disposfred(&value);
  return st;
}

}  // namespace

// "toolChange" to the window's card with the two tools' names: its status.
i16 sendtoolchange(WindowRef window, i16 from, i16 to) {
  Str255 a{}, b{};
  lowtooltotext(from, a);
  lowtooltotext(to == kPluginTool ? i16(kBrowseTool) : to, b);
  std::string message = "toolChange \"";
  message.append(reinterpret_cast<const char*>(a + 1), a[0]);
  message += "\", \"";
  message.append(reinterpret_cast<const char*>(b + 1), b[0]);
  message += "\"";
  return cardsend(message, sendnormal, window);
}

// After a change of tool or edited layer: the context goes back into the table (and the
// global state when it is the current window), the objects are deselected when the browse tool
// was left, the card redrawn, and the paint session, edited graphic and open field put down.
i16 aftertoolchange(desk& d, u16 oldtool) {
  MainGlobals& g = mainglobals();
  {
    SavePort saved;
    SetPortWindowPort(d.window);
  }
  putwind(d.window, d);
  if (g.current.window == d.window) {
    g.current.tool = d.tool;
    g.current.backlayer = d.backlayer;
    g.current.plugin = d.plugin;
    g.plugin = i16(d.plugin);  // the current window's plug-in mode is the global one
  }
  if (oldtool == kBrowseTool) {
    if (d.cardspots != nilhandle) hilitespot(d.cardspots, 1, 0);
    if (d.backspots != nilhandle) hilitespot(d.backspots, 1, 0);
  }
  drawedit(d, nullptr);
  if (d.tool < kFirstPaintTool || d.tool > kLastPaintTool) {
    if (i16 st = putdownbmap()) return st;
  }
  if (d.tool != kTextDrawTool) putdownmodes();
  return putdownfield();
}

i16 changetool(WindowRef window, i16 tool) {
  desk d{};
  if (!IsValidWindowPtr(window) || !getwind(window, &d)) return err::nosuchwindow;
  const u16 oldtool = d.tool;
  const i16 st = sendtoolchange(window, i16(oldtool), tool);
  if (st == statusexittotop) return 0;
  if (st != 0) return st;
  // The handler may have closed the window or changed its context.
  if (!IsValidWindowPtr(window) || !getwind(window, &d)) return err::nosuchwindow;
  if (tool == kPluginTool) {
    d.plugin = 1;
    tool = i16(kBrowseTool);
  } else if (tool == i16(kBrowseTool)) {
    d.plugin = 0;
  }
  d.tool = u16(tool);
  return aftertoolchange(d, oldtool);
}

namespace {

i16 openwindowword(const propctx& c, i32 at, u16 token) {
  desk d{};
  i32 valueat = 0;
  if (i16 st = openwindow(c, at, &d, &valueat)) return st;
  if (token == tok::tool) {
    i16 tool = 0;
    if (i16 st = valuetool(c, valueat, &tool)) return st;
    return changetool(d.window, tool);
  }
  fred value;
  if (i16 st = readvalue(c, valueat, &value)) return st;
  i16 st = 0;
  switch (token) {
    case tok::hilitecolor: {
      i32 n = 0;
      if ((st = fredtolong(&value, &n)) == 0) {
        d.hilitecolor = u16(std::clamp(n, 0, 256));
        putwind(d.window, d);
        if (mainglobals().current.window == d.window) mainglobals().current.hilitecolor = d.hilitecolor;
      }
      break;
    }
    case tok::lockscreen: {
      u16 on = 0;
      if ((st = fredtobool(&value, &on)) != 0) break;
      const CGrafPtr port = GetWindowPort(d.window);
      SavePort saved;
      SetPortWindowPort(d.window);
      if (on) {
        HidePen();
      } else if (GetPortPenVisibility(port) < 0) {
        while (GetPortPenVisibility(port) < 0) ShowPen();
        drawedit(d, nullptr);
      }
      break;
    }
    case tok::editbackground: {
      u16 on = 0;
      if ((st = fredtobool(&value, &on)) != 0) break;
      const u16 oldtool = d.tool;
      d.backlayer = on;
      SquashControls(d.window);
      UnsquashDefaults(&d, 1);
      st = aftertoolchange(d, oldtool);
      break;
    }
    default: st = err::cantunderstand; break;
  }
  disposfred(&value);
  return st;
}

}  // namespace

KV_SETTER(setwind) {
  propctx c{path, text, atoms, variables, nilhandle};
  const i32 word = isthe(c, at) ? at + 1 : at;
  if (token == tok::opacity && c.tok(word + 1) == tok::in && isbackdrop(c, word + 2))
    return backdropopacity(c, word + 2);
  if (token == tok::opacity || token == tok::themebackground) {
    if (c.tok(word + 1) != tok::in) return err::noof;
    return storedword(c, at, token);
  }
  return openwindowword(c, at, token);
}

}  // namespace kv
