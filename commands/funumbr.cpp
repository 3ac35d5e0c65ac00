// `the number of ...`: "the number of <phrase>", "number of <phrase>", "number(<phrase>)"; and
// `currentMenu` and `currentWindow`, the n-th menu of the menu bar and window of the screen.
#include <algorithm>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "engine/chunks.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "media/movies.h"
#include "platform/memory/memory.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "core/menusets.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/refparse.h"
#include "store/reftexts.h"
#include "system/windowkind.h"

namespace kv {

namespace {

constexpr i32 kMenuLibrary = 2;  // the store record of a project's menu library

// The chunk type a plural chunk word counts, or 0.
u16 chunktype(u16 t) {
  switch (t) {
    case tok::lines: return tok::line;
    case tok::items: return tok::item;
    case tok::words: return tok::word;
    case tok::characters: return tok::char_;
    default: return 0;
  }
}

// The kind of object a plural object word counts, or -1.
i32 objecttype(u16 t) {
  switch (t) {
    case tok::btns: return typebutton;
    case tok::grcs: return typegraphic;
    case tok::fields: return typefield;
    case tok::parts: return typeany;
    default: return -1;
  }
}

u32 windowcards(Handle wind) { return wind == nilhandle ? 0 : loadat<windrec>(deref(wind)).cardcount; }
u32 windowbackgrounds(Handle wind) { return wind == nilhandle ? 0 : loadat<windrec>(deref(wind)).backcount; }
u32 librarycount(Handle lib) { return lib == nilhandle ? 0 : loadat<librec>(deref(lib)).entrycount; }

// The menus of a project: the entries of its menu library, read through the record cache.
i16 projectmenus(RegistryId store, u32* n) {
  *n = 0;
  if (store == nilid) return 0;
  Handle lib = nilhandle;
  if (i16 st = getvir(store, kMenuLibrary, &lib); st != 0) return st;
  *n = librarycount(lib);
  putvir(store, kMenuLibrary);
  return 0;
}

// The cards of a background's window whose background is that background.
u32 backgroundcards(const objread& obj) {
  u32 n = 0;
  u32 total = windowcards(obj.d.wind);
  eachword(obj.d.store, obj.d.wind, 1, i32(std::min<u32>(total, INT32_MAX)), [&](i32, const wordentry& w) {
    if (u32(w.backrecord) == obj.d.backrecid) ++n;
    return false;
  });
  return n;
}

// A phrase that names an object after "of": the descriptor is read, counted by `count` (which
// answers the count, or false for an object of the wrong kind) and released.
template <class Count>
scriptstatus countof(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, u32* n,
                     Count count) {
  objread obj{};
  i32 m = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &m, &obj); st != 0) return st;
  bool good = count(obj, n);
  writeobj(&obj);
  if (!good) return err::cantunderstand;
  *used = m;
  return 0;
}

// Counts the phrase at `at`; `paren` when it stands inside parentheses (the operand is then
// the whole expression up to them). *used is the phrase's atoms.
scriptstatus countphrase(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool paren, i32* used,
                         fred* value) {
  const MainGlobals& g = mainglobals();
  u16 t = tokenat(atoms, at);
  u16 next = tokenat(atoms, at + 1);
  bool of = next == tok::in;
  bool menuitems = t == tok::items && of && tokenat(atoms, at + 2) == tok::menu;
  if (u16 type = chunktype(t); type != 0 && !menuitems) {
    if (!of) return err::noof;
    fred v;
    i32 n = 0;
    i16 st = paren ? expression(path, text, atoms, at + 2, variables, nilhandle, &n, &v)
                   : factor(path, text, atoms, at + 2, variables, nilhandle, &n, &v);
    if (st == 16 && !paren) st = anyfact(path, text, atoms, at + 2, variables, nilhandle, &n, &v);
    if (st != 0) return st;
    i32 size = i32(getfredsize(&v));
    longtonewfred(countchar(&v, 0, size, type), value);
    disposfred(&v);
    *used = 2 + n;
    return 0;
  }
  u32 n = 0;
  i32 m = 0;  // atoms of an object after "of"
  i16 st = 0;
  i32 words = 1;
  switch (t) {
    case tok::movies: n = openmoviecount(); break;
    case tok::monitors: n = u32(screencount()); break;
    case tok::current:
      words = 2;
      if (next == tok::wds) n = u32(g.numwinds);
      else if (next == tok::menus) n = u32(currentnumlines());
      else return err::cantunderstand;
      break;
    case tok::cards:
      if (!of) {
        n = windowcards(g.current.wind);
        break;
      }
      words = 2;
      st = countof(path, text, atoms, at + 2, variables, &m, &n, [](const objread& o, u32* c) {
        if (o.kind == objbackground) *c = backgroundcards(o);
        else if (o.kind == objwindow || o.kind == objproject) *c = windowcards(o.d.wind);
        else return false;
        return true;
      });
      break;
    case tok::backgrounds:
      if (!of) {
        n = windowbackgrounds(g.current.wind);
        break;
      }
      words = 2;
      st = countof(path, text, atoms, at + 2, variables, &m, &n, [](const objread& o, u32* c) {
        if (o.kind != objwindow && o.kind != objproject) return false;
        *c = windowbackgrounds(o.d.wind);
        return true;
      });
      break;
    case tok::wds:
      if (!of) {
        n = librarycount(g.current.windlib);
        break;
      }
      words = 2;
      st = countof(path, text, atoms, at + 2, variables, &m, &n, [](const objread& o, u32* c) {
        if (o.kind != objproject) return false;
        *c = librarycount(o.d.windlib);
        return true;
      });
      break;
    case tok::menus:
      if (!of) {
        st = projectmenus(g.current.store, &n);
        break;
      }
      words = 2;
      st = countof(path, text, atoms, at + 2, variables, &m, &n, [&st](const objread& o, u32* c) {
        if (o.kind != objproject) return false;
        st = projectmenus(o.d.store, c);
        return true;
      });
      break;
    case tok::items:  // items of a menu
      words = 2;
      st = countof(path, text, atoms, at + 2, variables, &m, &n, [](const objread& o, u32* c) {
        if (o.kind != objmenu || o.menu.items == nilhandle) return false;
        *c = u32(GetHandleSize(o.menu.items) / Size(sizeof(menuitem)));
        return true;
      });
      break;
    case tok::objects:
      if (!of) return err::noof;
      words = 2;
      st = countof(path, text, atoms, at + 2, variables, &m, &n, [](const objread& o, u32* c) {
        if (o.kind != objpart) return false;
        *c = u32(countiotas(o));
        return true;
      });
      break;
    default: {
      // [card | background] buttons, graphics, fields or parts [of an object].
      i32 layer = 0;
      i32 i = at;
      if (t == tok::card || t == tok::background) {
        layer = t == tok::card ? layercard : layerbackground;
        ++i;
      }
      i32 type = objecttype(tokenat(atoms, i));
      if (type < 0) return layer != 0 ? err::cantunderstand : err::nochunkword;
      if (layer == 0) layer = type == typefield ? layerbackground : layercard;
      words = i + 1 - at;
      if (tokenat(atoms, i + 1) != tok::in) {
        Handle list = layer == layercard ? g.current.cardspots : g.current.backspots;
        n = list == nilhandle ? 0 : u32(countspots(list, u16(type)));
        break;
      }
      ++words;
      st = countof(path, text, atoms, i + 2, variables, &m, &n, [&](const objread& o, u32* c) {
        if (o.kind != objcard && o.kind != objbackground && o.kind != objwindow && o.kind != objproject) return false;
        bool background = o.kind == objbackground || layer == layerbackground;
        Handle list = background ? o.d.backspots : o.d.cardspots;
        *c = list == nilhandle ? 0 : u32(countspots(list, u16(type)));
        return true;
      });
      break;
    }
  }
  if (st != 0) return st;
  longtonewfred(i32(std::min<u32>(n, 0x7FFFFFFF)), value);
  *used = words + m;
  return 0;
}

}  // namespace

scriptstatus funumbr(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  if (h.token != tok::number) return err::cantunderstand;
  u16 next = tokenat(atoms, h.word + 1);
  bool paren = next == tok::leftparen;
  if (paren && h.the) return err::noclosingparen;
  if (!paren && next != tok::in) return err::noof;
  i32 used = 0;
  if (i16 st = countphrase(path, text, atoms, h.word + 2, variables, paren, &used, value); st != 0) return st;
  i32 end = h.word + 2 + used;
  if (paren && tokenat(atoms, end++) != tok::rightparen) {
    disposfred(value);
    return err::noparen;
  }
  *count = end - at;
  return 0;
}

scriptstatus funcurr(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 fn = readhead(atoms, at).token;
  fred v;
  i32 used = 0;
  if (i16 st = singleoperand(path, text, atoms, at, variables, &used, &v); st != 0) return st;
  i32 n = 0;
  i16 st = fredtolong(&v, &n);
  disposfred(&v);
  if (st != 0) return st;
  Str255 name;
  name[0] = 0;
  if (fn == tok::currentmenu) {
    if (n < 1 || n > currentnumlines()) return err::cantunderstand;
    objread obj{};
    obj.kind = objmenu;
    obj.menu = HandleAs<menuline>(currentline())[n - 1];
    buildmenuid(obj, tok::long_, name);
  } else {
    if (n < 1 || n > mainglobals().numwinds) return err::cantunderstand;
    i32 seen = 0;
    WindowRef found = nilid;
    for (WindowRef w : windowlist()) {
      if (windowkind(w, kindqueryruntime) == 0 || windowkind(w, kindquerymessagebox) != 0) continue;
      if (++seen == n) {
        found = w;
        break;
      }
    }
    objread obj{};
    if (found == nilid || getwind(found, &obj.d) == 0) return err::cantunderstand;
    obj.kind = objwindow;
    buildwindid(&obj, tok::long_, name);
  }
  if ((st = stringtonewfred(name, value)) != 0) return st;
  *count = used;
  return 0;
}

}  // namespace kv
