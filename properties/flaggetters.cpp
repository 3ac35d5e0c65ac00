// The boolean properties of objects, menus, menu items, cards, backgrounds, windows and
// projects, read from the same stored bits the flags setter writes; the visibility of the menu
// bar, the message box and help balloons; the disabled state of one image filter of a picture
// graphic.
#include <array>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/latentvis.h"
#include "properties/propfront.h"
#include "render/filterlist.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/refwords.h"
#include "system/sysinfo.h"

namespace kv {

namespace {

// A flag word and its bit; `inverted` words are true when the bit is clear.
struct flagbit {
  u16 word;
  u8 bit;
  bool inverted;
};

constexpr std::array<flagbit, 24> kSpotFlags{{
    {tok::vis, 0, false},           {tok::showname, 1, false},        {tok::autohilite, 2, false},
    {tok::locktext, 3, false},      {tok::showlines, 4, false},       {tok::widemargins, 5, false},
    {tok::highlight, 6, false},     {tok::disabled, 7, false},        {tok::autotab, 8, false},
    {tok::default_, 9, false},      {tok::autowidth, 10, false},      {tok::dontwrap, 11, false},
    {tok::locked, 12, false},       {tok::dontsearch, 14, false},     {tok::poparrow, 15, false},
    {tok::allowdrag, 16, false},    {tok::allowdrop, 17, false},      {tok::mixedvalue, 18, false},
    {tok::allowtabs, 22, false},    {tok::autobackground, 24, false}, {tok::showframe, 25, false},
    {tok::allowobjects, 26, false}, {tok::autodim, 27, false},        {tok::focushilite, 28, false},
}};

constexpr std::array<flagbit, 12> kWindowFlags{{
    {tok::closebox, 0, false},
    {tok::zoombox, 1, false},
    {tok::resizable, 2, false},
    {tok::draggable, 3, false},
    {tok::autocenter, 6, false},
    {tok::showinvisibles, 7, false},
    {tok::inwindowmenu, 8, true},
    {tok::collapsible, 9, true},
    {tok::liveresize, 13, false},
    {tok::dolimitwd, 14, false},
    {tok::localopacity, 16, true},
    {tok::autodim, 27, true},
}};

constexpr std::array<flagbit, 2> kMenuFlags{{{tok::disabled, 0, false}, {tok::cantremove, 1, false}}};
constexpr std::array<flagbit, 3> kItemFlags{
    {{tok::disabled, 0, false}, {tok::divideline, 1, false}, {tok::checkmark, 2, false}}};
constexpr std::array<flagbit, 2> kBackFlags{{{tok::cantdelete, 0, false}, {tok::autoresize, 1, false}}};
constexpr u8 kShowRulerBit = 1;

// The value of a word in a table of bits: 1 or 0, or -1 when the table has no such word.
template <size_t N>
i16 bitof(const std::array<flagbit, N>& table, u16 word, u32 flags) {
  for (const flagbit& f : table) {
    if (f.word != word) continue;
    bool set = (flags >> f.bit) & 1u;
    return (set != f.inverted) ? 1 : 0;
  }
  return -1;
}

i16 spotflag(const objread& obj, u16 word, i16* out) {
  spot s = spotat(obj.objects, obj.objindex);
  if (word == tok::usetextengine) {
    *out = 1;
    return 0;
  }
  if (word == tok::showruler) {
    *out = (s.textflags >> kShowRulerBit) & 1;
    return 0;
  }
  if (word == tok::sharedhilite) {
    if (s.kind != spotbutton || obj.ownerrecid != obj.d.backrecid) return err::notsharedhilite;
    *out = (s.flags & spotunsharedhilite) ? 0 : 1;
    return 0;
  }
  i16 b = bitof(kSpotFlags, word, s.flags);
  if (b < 0) return err::nosuchproperty;
  *out = b;
  return 0;
}

// The visible, modified and collapsed states of a window: those of its platform window while
// it is open, false otherwise. A window counts as visible while it is hidden only for a time
// (latently visible: a palette the program hid when it went behind).
i16 windowstate(const objread& obj, u16 word) {
  desk open{};
  if (!haswind(obj.d.store, obj.d.windnum, &open) || open.window == nilid) return 0;
  switch (word) {
    case tok::vis: return IsWindowVisible(open.window) || getwindowlatentvis(open.window) != 0 ? 1 : 0;
    case tok::collapsed: return IsWindowCollapsed(open.window) ? 1 : 0;
    case tok::modified: return IsWindowModified(open.window) ? 1 : 0;
    default: return 0;
  }
}

i16 windowflag(const objread& obj, u16 word, i16* out) {
  if (mainglobals().plugin != 0) return err::pluginproperty;
  if (word == tok::vis || word == tok::modified || word == tok::collapsed) {
    *out = windowstate(obj, word);
    return 0;
  }
  i16 b = bitof(kWindowFlags, word, loadat<windrec>(deref(obj.d.wind)).flags);
  if (b < 0) return err::nosuchproperty;
  *out = b;
  return 0;
}

i16 flagof(const objread& obj, u16 word, i16* out) {
  i16 b = -1;
  switch (obj.kind) {
    case objpart: return spotflag(obj, word, out);
    case objwindow: return windowflag(obj, word, out);
    case objitem:
      b = bitof(kItemFlags, word, HandleAs<menuitem>(obj.menu.items)[obj.itemindex].flags);
      if (b < 0) return err::nosuchproperty;
      break;
    case objmenu:
      if (word == tok::vis) b = obj.held != 0 && obj.menu.placement >= 5 ? 1 : 0;
      else b = bitof(kMenuFlags, word, loadat<menurec>(deref(obj.menu.menu)).flags);
      break;
    case objcard:
      if (word == tok::cantdelete) b = loadat<cardrec>(deref(obj.d.card)).flags & 1;
      break;
    case objbackground: b = bitof(kBackFlags, word, loadat<backrec>(deref(obj.d.back)).word2); break;
    case objproject:
      if (word == tok::cantmodify) b = islocked(obj.d.store) != 0 ? 1 : 0;
      break;
    default: break;
  }
  if (b < 0) return err::cantunderstand;
  *out = b;
  return 0;
}

// `visible of [the] menuBar | message [box | window] | balloon | help [balloon]`, from atom i
// (after `of`). *used counts the words read.
i16 specialvisible(const propctx& c, i32 i, i32* used, i16* out) {
  i32 j = isthe(c, i) ? i + 1 : i;
  u16 t = c.tok(j);
  MainGlobals& g = mainglobals();
  if (t == tok::menubar) {
    *out = g.menubarvisible != 0 ? 1 : 0;
  } else if (t == tok::message) {
    if (c.tok(j + 1) == tok::box || c.tok(j + 1) == tok::wd) ++j;
    *out = g.msgwindow != nilid && IsWindowVisible(g.msgwindow) ? 1 : 0;
  } else if (t == tok::balloon || t == tok::help) {
    if (t == tok::help && c.tok(j + 1) == tok::balloon) ++j;
    if (g.plugin != 0) return err::pluginproperty;
    *out = visiballoon() != 0 ? 1 : 0;
  } else {
    return err::cantunderstand;
  }
  *used = j + 1 - i;
  return 0;
}

// `disabled of filter <index or name> of <graphic>`, from atom i (after `of`).
i16 filterdisabled(const propctx& c, i32 i, i32* used, i16* out) {
  if (c.tok(i) != tok::filter) return err::cantunderstand;
  fred which;
  i32 n = 0;
  if (i16 st = expression(c.path, c.text, c.atoms, i + 1, c.variables, c.locals, &n, &which)) return st;
  i32 j = i + 1 + n;
  i32 number = 0;
  bool byindex = fredtolong(&which, &number) == 0;
  Str255 name{};
  if (!byindex) fredtostring(&which, name);
  disposfred(&which);
  if (c.tok(j) != tok::in) return err::noof;
  ++j;
  u16 t = c.tok(isthe(c, j) ? j + 1 : j);
  u16 t2 = c.tok(isthe(c, j) ? j + 2 : j + 1);
  bool graphic = t == tok::grc || ((t == tok::card || t == tok::background) && t2 == tok::grc);
  if (!graphic) return err::notgraphic;
  objread obj{};
  i32 r = 0;
  if (i16 st = resolvereference(c, j, &r, &obj, false)) return st;
  i16 st = 0;
  if (obj.kind != objpart || spotat(obj.objects, obj.objindex).kind != spotgraphic) {
    st = err::notgraphic;
  } else {
    Handle list = getfilters(obj);
    i32 index = number - 1;
    if (!byindex) {
      u16 found = 0;
      index = filternametoidx(list, name, &found) ? i32(found) : -1;
    }
    i16 on = 0;
    if (list == nilhandle || index < 0 || index >= countfilters(list)) st = err::msgnotobject;
    else if (!getfilterenablebyidx(list, index, &on)) st = err::cantunderstand;
    else *out = on ? 0 : 1;
  }
  writeobj(&obj);
  if (st == 0) *used = j + r - i;
  return st;
}

}  // namespace

KV_GETTER(propflags) {
  propctx c{path, text, atoms, variables, locals};
  *count = 0;
  i32 i = at;
  if (isthe(c, i)) ++i;
  const u16 word = c.tok(i);
  if (c.tok(i + 1) != tok::in) return err::noof;
  i += 2;
  objread obj{};
  i32 used = 0;
  i16 flag = 0;
  i16 st = resolvereference(c, i, &used, &obj, true);
  if (st != 0) {
    if (word == tok::vis) st = specialvisible(c, i, &used, &flag);
    else if (word == tok::disabled) st = filterdisabled(c, i, &used, &flag);
    if (st != 0) return st;
  } else {
    st = flagof(obj, word, &flag);
    writeobj(&obj);
    if (st != 0) return st;
  }
  *count = i + used - at;
  booltonewfred(u16(flag), value);
  return 0;
}

}  // namespace kv
