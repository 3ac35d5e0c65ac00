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
#include "platform/windows/windows.h"
#include "properties/getters.h"
#include "properties/latentvis.h"
#include "properties/propfront.h"
#include "properties/propwords.h"
#include "render/filterlist.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/refwords.h"
#include "system/sysinfo.h"

namespace kv {

namespace {

constexpr i16 statusnoobject = 2, statusnoof = 5, statusnoproperty = 43, statusnofilter = 59, statusplugin = 177,
              statusnotgraphic = 185, statusnotshared = 205;

// A flag word and its bit; `inverted` words are true when the bit is clear.
struct flagbit {
  u16 word;
  u8 bit;
  bool inverted;
};

constexpr std::array<flagbit, 24> kSpotFlags{{
    {pwVisible, 0, false},      {pwShowName, 1, false},    {pwAutoHilite, 2, false},   {pwLockText, 3, false},
    {pwShowLines, 4, false},    {pwWideMargins, 5, false}, {pwHighlight, 6, false},    {pwDisabled, 7, false},
    {pwAutoTab, 8, false},      {pwDefault, 9, false},     {pwAutoWidth, 10, false},   {pwDontWrap, 11, false},
    {pwLocked, 12, false},      {pwDontSearch, 14, false}, {pwPopArrow, 15, false},    {pwAllowDrag, 16, false},
    {pwAllowDrop, 17, false},   {pwMixedValue, 18, false}, {pwAllowTabs, 22, false},   {pwAutoBackground, 24, false},
    {pwShowFrame, 25, false},   {pwAllowObjects, 26, false}, {pwAutoDim, 27, false},   {pwFocusHilite, 28, false},
}};

constexpr std::array<flagbit, 12> kWindowFlags{{
    {pwCloseBox, 0, false},     {pwZoomBox, 1, false},         {pwResizable, 2, false},    {pwDraggable, 3, false},
    {pwAutoCenter, 6, false},   {pwShowInvisibles, 7, false},  {pwInWindowMenu, 8, true},  {pwCollapsible, 9, true},
    {pwLiveResize, 13, false},  {pwDoLimitWindow, 14, false},  {pwLocalOpacity, 16, true}, {pwAutoDim, 27, true},
}};

constexpr std::array<flagbit, 2> kMenuFlags{{{pwDisabled, 0, false}, {pwCantRemove, 1, false}}};
constexpr std::array<flagbit, 3> kItemFlags{{{pwDisabled, 0, false}, {pwDivideLine, 1, false}, {pwCheckmark, 2, false}}};
constexpr std::array<flagbit, 2> kBackFlags{{{pwCantDelete, 0, false}, {pwAutoResize, 1, false}}};
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
  if (word == pwUseTextEngine) {
    *out = 1;
    return 0;
  }
  if (word == pwShowRuler) {
    *out = (s.textflags >> kShowRulerBit) & 1;
    return 0;
  }
  if (word == pwSharedHilite) {
    if (s.kind != spotbutton || obj.ownerrecid != obj.d.backrecid) return statusnotshared;
    *out = (s.flags & spotunsharedhilite) ? 0 : 1;
    return 0;
  }
  i16 b = bitof(kSpotFlags, word, s.flags);
  if (b < 0) return statusnoproperty;
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
    case pwVisible: return IsWindowVisible(open.window) || getwindowlatentvis(open.window) != 0 ? 1 : 0;
    case pwCollapsed: return IsWindowCollapsed(open.window) ? 1 : 0;
    case pwModified: return IsWindowModified(open.window) ? 1 : 0;
    default: return 0;
  }
}

i16 windowflag(const objread& obj, u16 word, i16* out) {
  if (mainglobals().plugin != 0) return statusplugin;
  if (word == pwVisible || word == pwModified || word == pwCollapsed) {
    *out = windowstate(obj, word);
    return 0;
  }
  i16 b = bitof(kWindowFlags, word, loadat<windrec>(deref(obj.d.wind)).flags);
  if (b < 0) return statusnoproperty;
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
      if (b < 0) return statusnoproperty;
      break;
    case objmenu:
      if (word == pwVisible) b = obj.held != 0 && obj.menu.placement >= 5 ? 1 : 0;
      else b = bitof(kMenuFlags, word, loadat<menurec>(deref(obj.menu.menu)).flags);
      break;
    case objcard:
      if (word == pwCantDelete) b = loadat<cardrec>(deref(obj.d.card)).flags & 1;
      break;
    case objbackground: b = bitof(kBackFlags, word, loadat<backrec>(deref(obj.d.back)).word2); break;
    case objproject:
      if (word == pwCantModify) b = islocked(obj.d.store) != 0 ? 1 : 0;
      break;
    default: break;
  }
  if (b < 0) return statusnoobject;
  *out = b;
  return 0;
}

// `visible of [the] menuBar | message [box | window] | balloon | help [balloon]`, from atom i
// (after `of`). *used counts the words read.
i16 specialvisible(const propctx& c, i32 i, i32* used, i16* out) {
  i32 j = isthe(c, i) ? i + 1 : i;
  u16 t = c.tok(j);
  MainGlobals& g = mainglobals();
  if (t == tokMenuBar) {
    *out = g.menubarvisible != 0 ? 1 : 0;
  } else if (t == refwords::tokMessage) {
    if (c.tok(j + 1) == tokBox || c.tok(j + 1) == tokWindow) ++j;
    *out = g.msgwindow != nilid && IsWindowVisible(g.msgwindow) ? 1 : 0;
  } else if (t == tokBalloon || t == tokHelp) {
    if (t == tokHelp && c.tok(j + 1) == tokBalloon) ++j;
    if (g.plugin != 0) return statusplugin;
    *out = visiballoon() != 0 ? 1 : 0;
  } else {
    return statusnoobject;
  }
  *used = j + 1 - i;
  return 0;
}

// `disabled of filter <index or name> of <graphic>`, from atom i (after `of`).
i16 filterdisabled(const propctx& c, i32 i, i32* used, i16* out) {
  if (c.tok(i) != pwFilter) return statusnoobject;
  fred which;
  i32 n = 0;
  if (i16 st = expression(c.path, c.text, c.atoms, i + 1, c.variables, c.locals, &n, &which)) return st;
  i32 j = i + 1 + n;
  i32 number = 0;
  bool byindex = fredtolong(&which, &number) == 0;
  Str255 name{};
  if (!byindex) fredtostring(&which, name);
  disposfred(&which);
  if (c.tok(j) != tokOf) return statusnoof;
  ++j;
  u16 t = c.tok(isthe(c, j) ? j + 1 : j);
  u16 t2 = c.tok(isthe(c, j) ? j + 2 : j + 1);
  bool graphic = t == refwords::tokGraphic || ((t == tokCard || t == refwords::tokBackground) && t2 == refwords::tokGraphic);
  if (!graphic) return statusnotgraphic;
  objread obj{};
  i32 r = 0;
  if (i16 st = resolvereference(c, j, &r, &obj, false)) return st;
  i16 st = 0;
  if (obj.kind != objpart || spotat(obj.objects, obj.objindex).kind != spotgraphic) {
    st = statusnotgraphic;
  } else {
    Handle list = getfilters(obj);
    i32 index = number - 1;
    if (!byindex) {
      u16 found = 0;
      index = filternametoidx(list, name, &found) ? i32(found) : -1;
    }
    i16 on = 0;
    if (list == nilhandle || index < 0 || index >= countfilters(list)) st = statusnofilter;
    else if (!getfilterenablebyidx(list, index, &on)) st = statusnoobject;
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
  if (c.tok(i + 1) != tokOf) return statusnoof;
  i += 2;
  objread obj{};
  i32 used = 0;
  i16 flag = 0;
  i16 st = resolvereference(c, i, &used, &obj, true);
  if (st != 0) {
    if (word == pwVisible) st = specialvisible(c, i, &used, &flag);
    else if (word == pwDisabled) st = filterdisabled(c, i, &used, &flag);
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
