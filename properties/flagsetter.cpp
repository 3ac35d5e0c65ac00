// `set [the] <flag word> of <target> to <true or false>` for the 46 boolean properties: the flag
// bits of objects, menus, menu items, cards, backgrounds, windows and projects, with what makes
// each change show at once; and the forms without an object: the visibility of the menu bar
// and of the message box, and the switch of one image filter of a picture graphic.
#include <algorithm>
#include <cstring>
#include <string>

#include "commands/define.h"
#include "engine/expression.h"
#include "engine/tokens.h"
#include "fields/fieldrecords.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/windows/windows.h"
#include "properties/latentvis.h"
#include "properties/menurefresh.h"
#include "properties/buttontext.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/userprops.h"
#include "properties/valueparsers.h"
#include "properties/windowsetters.h"
#include "render/controlflush.h"
#include "render/controloptions.h"
#include "render/controlvisibility.h"
#include "render/fielddrawing.h"
#include "render/filterlist.h"
#include "render/objectbounds.h"
#include "render/pictbuffers.h"
#include "render/spotgeometry.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/menus.h"
#include "core/menusets.h"
#include "shell/redraws.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/backtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/refwords.h"
#include "store/starfile.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u16 tokFilterWord = tok::filter;
constexpr u32 kWindVisible = 1u << 11;
constexpr u8 kShowRulerBit = 1;
constexpr u16 stylebuttonrect = 200, styleroundrect = 201, styleradio = 203, stylecheckbox = 204, stylebevel = 205,
              styleprimarygroup = 220, stylesecondarygroup = 221;

u32 setbit(u32 word, u32 mask, bool on) { return on ? (word | mask) : (word & ~mask); }

// The value after `to` at atom i, as a boolean.
i16 booleanat(const propctx& c, i32 i, u16* flag) {
  fred value;
  if (i16 st = readvalue(c, i, &value)) return st;
  i16 st = fredtobool(&value, flag);
  disposfred(&value);
  return st;
}

// --- The forms without an object ---------------------------------------------------------------

i16 visibleform(const propctx& c, i32 word) {
  if (c.tok(word + 1) != tok::in) return err::noof;
  i32 j = word + 2;
  if (isthe(c, j)) ++j;
  const u16 t = c.tok(j);
  const bool menubar = t == tok::menubar;
  const bool message = t == tok::message;
  if (!menubar && !message) return err::cantunderstand;
  ++j;
  if (message && (c.tok(j) == tok::box || c.tok(j) == tok::wd)) ++j;
  if (c.tok(j) != tok::to) return err::notoorof;
  u16 on = 0;
  if (i16 st = booleanat(c, j + 1, &on)) return st;
  MainGlobals& g = mainglobals();
  if (menubar) {
    if (on) showmenu();
    else hidemenu();
  } else if (g.msgwindow != nilid) {
    if (on) showmes();
    else hidemes();
  }
  return 0;
}

// `disabled of filter <index or name> of <graphic> to <value>`.
i16 filterform(const propctx& c, i32 word) {
  if (c.tok(word + 1) != tok::in) return err::noof;
  i32 j = word + 2;
  if (c.tok(j) != tokFilterWord) return err::cantunderstand;
  ++j;
  fred which;
  i32 used = 0;
  if (i16 st = expression(c.path, c.text, c.atoms, j, c.variables, c.locals, &used, &which)) return st;
  Str255 name{};
  fredtostring(&which, name);
  disposfred(&which);
  i32 index = -1;
  const bool bynumber = stringisnumber(name) == integerform && stringtolong(name, &index) == 0;
  if (bynumber) --index;
  j += used;
  if (c.tok(j) != tok::in) return err::noof;
  ++j;
  if (!isgrcont(c, j)) return err::notgraphic;
  const i32 graphicat = j;
  auto isgraphic = [](const objread& o) {
    return o.kind == objpart && spotat(o.objects, o.objindex).kind == spotgraphic;
  };
  objread obj{};
  if (resolvereference(c, graphicat, &used, &obj, false) != 0) return err::notext;
  const bool graphic = isgraphic(obj);
  writeobj(&obj);
  if (!graphic) return err::notgraphic;
  j = graphicat + used;
  if (c.tok(j) != tok::to) return err::notoorof;
  u16 on = 0;
  if (i16 st = booleanat(c, j + 1, &on)) return st;
  // The graphic again: the value may have run handlers.
  if (resolvereference(c, graphicat, &used, &obj, false) != 0) return err::notext;
  if (!isgraphic(obj)) {
    writeobj(&obj);
    return err::notgraphic;
  }
  spot s = spotat(obj.objects, obj.objindex);
  Handle list = getfilters(obj);
  i16 st = 0;
  if (!bynumber) {
    u16 at = 0;
    if (list == nilhandle || !filternametoidx(list, name, &at)) st = err::msgnotobject;
    else index = at;
  }
  if (st == 0 &&
      (list == nilhandle || index < 0 || index >= i32(countfilters(list)) || !enablefilterbyidx(list, index, on == 0)))
    st = err::msgnotobject;
  if (st == 0) {
    markowner(obj);
    killpictbuffer(s);
    redrawspot(obj, s.rect);
  }
  writeobj(&obj);
  return st;
}

// --- Windows -------------------------------------------------------------------------------------

i16 windowflag(objread& obj, u16 word, u16 on) {
  MainGlobals& g = mainglobals();
  if (g.plugin != 0) return err::pluginproperty;
  desk open{};
  const bool shown = haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid &&
                     IsValidWindowPtr(open.window);
  if (word == tok::vis) {
    if (!shown) return err::nosuchwindow;
    // A script's show or hide is no hiding by the program: the latent mark goes.
    setwindowlatentvis(open.window, 0);
    windrec w = loadat<windrec>(deref(obj.d.wind));
    w.flags = setbit(w.flags, kWindVisible, on != 0);
    storeat<windrec>(deref(obj.d.wind), w);
    const bool was = IsWindowVisible(open.window);
    if (on) {
      ShowWindow(open.window);
      orderwindows();
    } else {
      HideWindow(open.window);
    }
    hilitewindows();
    if (on && !was) drawedit(open, nullptr);
    return 0;
  }
  const windrec before = loadat<windrec>(deref(obj.d.wind));
  if (i16 st = windflags(&obj, word, on)) return st;
  markowner(obj);
  if (!shown) return 0;
  const u16 style = before.word2;
  const bool palette = style == 6;
  switch (word) {
    case tok::autocenter:
    case tok::draggable:
    case tok::modified:
    case tok::dolimitwd: return 0;
    case tok::showinvisibles: drawedit(open, nullptr); return 0;
    case tok::liveresize: {
      const WindowAttributes live = kWindowLiveResizeAttribute;
      ChangeWindowAttributes(open.window, on ? live : 0, on ? 0 : live);
      return 0;
    }
    case tok::resizable: return rebuildwindow(open.window);
    case tok::collapsible:
    case tok::closebox:
    case tok::zoombox:
      if (palette) return rebuildwindow(open.window);
      break;
    default: break;
  }
  // The frame is made again in place; the card keeps its scroll.
  const i32 h = open.hscroll != nilid ? GetControl32BitValue(open.hscroll) : 0;
  const i32 v = open.vscroll != nilid ? GetControl32BitValue(open.vscroll) : 0;
  resetproc(open);
  if (open.hscroll != nilid) SetControl32BitValue(open.hscroll, h);
  if (open.vscroll != nilid) SetControl32BitValue(open.vscroll, v);
  drawedit(open, nullptr);
  return 0;
}

// --- Menus, items, cards, backgrounds, projects ------------------------------------------------

i16 menuflag(objread& obj, u16 word, u16 on) {
  menurec m = loadat<menurec>(deref(obj.menu.menu));
  switch (word) {
    case tok::disabled: m.flags = setbit(m.flags, 1, on != 0); break;
    case tok::cantremove: m.flags = setbit(m.flags, 2, on != 0); break;
    case tok::vis: return err::readonly;
    default: return err::cantunderstand;
  }
  storeat<menurec>(deref(obj.menu.menu), m);
  markowner(obj);
  if (word == tok::disabled) menuchanged(obj);
  return 0;
}

i16 itemflag(objread& obj, u16 word, u16 on) {
  i16 st = 0;
  u32 mask = 0;
  switch (word) {
    case tok::disabled: mask = 1; break;
    case tok::divideline: mask = 2; break;
    case tok::checkmark: mask = 4; break;
    default: st = err::nosuchproperty; break;
  }
  if (st == 0) {
    const Size place = Size(obj.itemindex) * Size(sizeof(menuitem));
    menuitem it = loadat<menuitem>(deref(obj.menu.items) + place);
    it.flags = setbit(it.flags, mask, on != 0);
    storeat<menuitem>(deref(obj.menu.items) + place, it);
    markowner(obj);
    menuchanged(obj);
  }
  if (isdockmenuline(obj.menu)) setdockmenuline(mainglobals().dockmenu);
  return st;
}

i16 backgroundflag(objread& obj, u16 word, u16 on) {
  backrec b = loadat<backrec>(deref(obj.d.back));
  if (word == tok::cantdelete) {
    b.word2 = setbit(b.word2, 1, on != 0);
  } else if (word == tok::autoresize) {
    if (on) {
      // The window's present size becomes the objects' reference size.
      const Rect wr = loadat<windrec>(deref(obj.d.wind)).rect1;
      Str255 size{};
      const std::string text = std::to_string(i32(wr.right) - wr.left) + "," + std::to_string(i32(wr.bottom) - wr.top);
      size[0] = u8(text.size());
      std::memcpy(size + 1, text.data(), text.size());
      const Str255 name = "\x0DreferenceSize";
      fred value{};
      for (bool card : {false, true}) {
        if (card) {
          cardrec r = loadat<cardrec>(deref(obj.d.card));
          Handle list = r.uprops;
          if (i16 st = lowdefineprop(&list, name)) return st;
          r.uprops = list;
          storeat<cardrec>(deref(obj.d.card), r);
        } else {
          backrec r = loadat<backrec>(deref(obj.d.back));
          Handle list = r.uprops;
          if (i16 st = lowdefineprop(&list, name)) return st;
          r.uprops = list;
          storeat<backrec>(deref(obj.d.back), r);
        }
        objread target = obj;
        target.kind = card ? objcard : objbackground;
        if (i16 st = stringtonewfred(size, &value)) return st;
        i16 st = lowsetuserprop(target, name, &value);
        disposfred(&value);
        if (st != 0) return st;
      }
      b = loadat<backrec>(deref(obj.d.back));
    }
    b.word2 = setbit(b.word2, 2, on != 0);
  } else {
    return err::nosuchproperty;
  }
  storeat<backrec>(deref(obj.d.back), b);
  markowner(obj);
  return 0;
}

// --- Objects ---------------------------------------------------------------------------------------

struct objectbit {
  u16 word;
  u32 mask;
};
constexpr objectbit kObjectBits[] = {
    {tok::vis, 1u << 0},          {tok::showname, 1u << 1},      {tok::autohilite, 1u << 2},
    {tok::locktext, 1u << 3},     {tok::showlines, 1u << 4},     {tok::widemargins, 1u << 5},
    {tok::highlight, 1u << 6},    {tok::disabled, 1u << 7},      {tok::autotab, 1u << 8},
    {tok::default_, 1u << 9},     {tok::autowidth, 1u << 10},    {tok::dontwrap, 1u << 11},
    {tok::locked, 1u << 12},      {tok::dontsearch, 1u << 14},   {tok::poparrow, 1u << 15},
    {tok::allowdrag, 1u << 16},   {tok::allowdrop, 1u << 17},    {tok::mixedvalue, 1u << 18},
    {tok::allowtabs, 1u << 22},   {tok::sharedhilite, 1u << 23}, {tok::autobackground, 1u << 24},
    {tok::showframe, 1u << 25},   {tok::allowobjects, 1u << 26}, {tok::autodim, 1u << 27},
    {tok::focushilite, 1u << 28},
};

u32 objectmask(u16 word) {
  for (const objectbit& b : kObjectBits)
    if (b.word == word) return b.mask;
  return 0;
}

bool textfield(const spot& s) {
  return s.kind == spotfield && (s.style == stylefieldrect || s.style == stylefieldscroll);
}

// A record as packing would store it: the live slots (text record, list, control) cleared, so
// that rebuilding one never reads as a change.
spot comparable(spot s) {
  if (isfield(s)) {
    fieldkindtail t = getfieldkindtail(s);
    t.live = 0;
    setfieldkindtail(s, t);
  } else if (isplatformcontrol(s)) {
    controlpart p = getcontrolpart(s);
    p.control = 0;
    setcontrolpart(s, p);
  }
  return s;
}

// The kind-201 list of the descriptor's card: the hilites of the background's buttons whose
// hilite is not shared.
void rebuildunshared(const objread& obj) {
  if (obj.d.card == nilhandle) return;
  cardrec c = loadat<cardrec>(deref(obj.d.card));
  Handle alt = c.alt;
  getbacktextextras(obj.objects, &alt);
  c.alt = alt;
  storeat<cardrec>(deref(obj.d.card), c);
  changevir(obj.d.store, i32(obj.d.cardrecid));
}

i16 objectflag(objread& obj, u16 word, u16 flag) {
  const bool on = flag != 0;
  spot s = spotat(obj.objects, obj.objindex);
  if (word == tok::usetextengine) return 0;
  const u32 mask = objectmask(word);
  if (word == tok::showruler) {
    if (!textfield(s)) return err::notstyledfield210;
    if (((s.textflags >> kShowRulerBit) & 1) != (on ? 1 : 0)) {
      s.textflags = u8(on ? (s.textflags | (1u << kShowRulerBit)) : (s.textflags & ~(1u << kShowRulerBit)));
      putspot(obj.objects, obj.objindex, s);
      resyncwerects(s);
    }
    return 0;
  }
  if (mask == 0) return err::nosuchproperty;
  switch (word) {
    case tok::sharedhilite: {
      const bool background = obj.objects == obj.d.backspots || obj.ownerrecid == obj.d.backrecid;
      if (!background || s.kind != spotbutton) return err::notsharedhilite;
      const bool shared = !(s.flags & mask);
      if (shared != on) changevir(obj.d.store, i32(obj.d.cardrecid));
      s.flags = setbit(s.flags, mask, !on);
      putspot(obj.objects, obj.objindex, s);
      if (shared != on) rebuildunshared(obj);
      return 0;
    }
    case tok::allowobjects: {
      if (!textfield(s)) return err::notstyledfield210;
      if (((s.flags & mask) != 0) == on) return 0;
      if (readisfield(obj)) putdownfield();
      dumpfield();
      s = spotat(obj.objects, obj.objindex);
      if (livefield(s) != 0) {
        packlivefield(s);
        releaselivefield(s);
      }
      s.flags = setbit(s.flags, mask, on);
      putspot(obj.objects, obj.objindex, s);
      return 0;
    }
    case tok::dontwrap:
    case tok::allowtabs:
    case tok::widemargins:
      // A live text record takes the new settings when it is made again.
      if (textfield(s) && ((s.flags & mask) != 0) != on && livefield(s) != 0 && !readisfield(obj)) {
        packlivefield(s);
        releaselivefield(s);
      }
      break;
    case tok::poparrow: {
      const bool changed = ((s.flags & mask) != 0) != on;
      s.flags = setbit(s.flags, mask, on);
      putspot(obj.objects, obj.objindex, s);
      const Str255 name = "\x09popupData";
      if (on && s.kind == spotbutton && s.style == stylebevel) {
        Handle list = s.uprops;
        lowdefineprop(&list, name);
        s.uprops = list;
      } else if (s.uprops != nilhandle) {
        propkillifempty(s.uprops, name);
      }
      putspot(obj.objects, obj.objindex, s);
      if (changed && s.kind == spotbutton && (s.style == stylebuttonrect || s.style == stylebevel) &&
          (s.flags & objectmask(tok::autowidth))) {
        const i16 room = i16(buttontextwidth(s, reinterpret_cast<const u8*>("\x01 ")) +
                             buttontextwidth(s, reinterpret_cast<const u8*>("\x01m")));
        Rect r = s.rect;
        r.right = i16(on ? r.right + room : r.right - room);
        if (r.right <= r.left) r.right = i16(r.left + 4);
        mapspot(obj.objects, obj.objindex, r, false);
      }
      lowflush(obj, 1);
      return 0;
    }
    default: break;
  }
  s = spotat(obj.objects, obj.objindex);
  s.flags = setbit(s.flags, mask, on);
  putspot(obj.objects, obj.objindex, s);
  if (word == tok::highlight && s.kind == spotbutton && (s.flags & spotunsharedhilite) &&
      (obj.objects == obj.d.backspots || obj.ownerrecid == obj.d.backrecid))
    rebuildunshared(obj);
  // Controls that show the change only when made again.
  const bool hidingidle = word == tok::vis && !on && controlWantsIdle(s);
  const bool rebuild = (s.style == styleroundrect && word == tok::default_) ||
                       (s.style == stylecheckbox && word == tok::autohilite) ||
                       (s.style == styleradio && word == tok::autobackground) ||
                       ((s.style == styleprimarygroup || s.style == stylesecondarygroup) && word == tok::showname);
  if (s.kind == spotbutton && (hidingidle || rebuild)) lowflush(obj, 1);
  return 0;
}

}  // namespace

KV_SETTER(setflags) {
  propctx c{path, text, atoms, variables, nilhandle};
  const i32 word = isthe(c, at) ? at + 1 : at;
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) {
    if (token == tok::vis) return visibleform(c, word);
    if (token == tok::disabled && c.tok(word + 1) == tok::in && c.tok(word + 2) == tokFilterWord)
      return filterform(c, word);
    return st;
  }
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  if (i16 st = dofront(c, at, &used, &obj, true)) {
    disposfred(&value);
    return st;
  }
  u16 on = 0;
  i16 st = fredtobool(&value, &on);
  disposfred(&value);
  if (st != 0) {
    writeobj(&obj);
    return st;
  }
  switch (obj.kind) {
    case objwindow: st = windowflag(obj, token, on); break;
    case objmenu: st = menuflag(obj, token, on); break;
    case objitem: st = itemflag(obj, token, on); break;
    case objcard:
      if (token != tok::cantdelete) {
        st = err::nosuchproperty;
      } else {
        cardrec r = loadat<cardrec>(deref(obj.d.card));
        r.flags = setbit(r.flags, 1, on != 0);
        storeat<cardrec>(deref(obj.d.card), r);
        markowner(obj);
      }
      break;
    case objproject:
      if (token != tok::cantmodify) {
        st = err::nosuchproperty;
      } else if (projectstore* ps = findprojectstore(obj.d.store)) {
        ps->locked = on;
      }
      break;
    case objbackground: st = backgroundflag(obj, token, on); break;
    case objpart: {
      const spot before = comparable(spotat(obj.objects, obj.objindex));
      Rect oldbounds{};
      calcspot(obj.objects, obj.objindex, &oldbounds);
      st = objectflag(obj, token, on);
      if (st != 0) break;
      if (readisfield(obj) && token != tok::showruler) dumpfield();
      const spot after = comparable(spotat(obj.objects, obj.objindex));
      // Changes are kept whether or not the window is open; only the drawing needs it.
      if (std::memcmp(&before, &after, sizeof(spot)) == 0) break;
      markowner(obj);
      desk shown{};
      if (obj.d.window == nilid || !getwind(obj.d.window, &shown) || shown.cardrecid != obj.d.cardrecid) break;
      Rect newbounds{};
      calcspot(obj.objects, obj.objindex, &newbounds);
      auto clip = [](i32 n) { return i16(std::clamp<i32>(n, -32768, 32767)); };
      Rect area{clip(std::min(oldbounds.top, newbounds.top) - 3), clip(std::min(oldbounds.left, newbounds.left) - 3),
                clip(std::max(oldbounds.bottom, newbounds.bottom) + 3),
                clip(std::max(oldbounds.right, newbounds.right) + 3)};
      drawedit(shown, &area);
      if (token == tok::focushilite) InvalWindowRect(shown.window, &area);
      break;
    }
    default: st = err::cantunderstand; break;
  }
  const bool bitmap = obj.kind == objpart && readisbmap(obj), graphic = obj.kind == objpart && readisgraph(obj),
             field = obj.kind == objpart && readisfield(obj);
  writeobj(&obj);
  if (st != 0) return st;
  if (bitmap) return putdownbmap();
  if (graphic) putdownmodes();
  if (field && token != tok::showruler) return putdownfield();
  return 0;
}

}  // namespace kv
