// The words by which things are named and reached: `id` of cards, backgrounds and objects,
// `name` of menu items, menus, objects, cards, backgrounds and windows, `titleBar` of windows
// and `commandChar` of menu items.
#include <algorithm>
#include <cstring>

#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/expression.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/windows/windows.h"
#include "properties/buttontext.h"
#include "properties/menurefresh.h"
#include "properties/propfront.h"
#include "properties/setters.h"
#include "properties/userprops.h"
#include "properties/windowsetters.h"
#include "render/controlflush.h"
#include "render/objectbounds.h"
#include "render/spotgeometry.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "core/menusets.h"
#include "shell/windtable.h"
#include "store/namekey.h"
#include "store/objects.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "system/externalevents.h"

namespace kv {

namespace {

constexpr i16 resultidtaken = 71;
constexpr u16 stylebuttonrect = 200, styleroundrect = 201, styleradio = 203, stylebevel = 205, stylepopup = 206,
              styleprimarygroup = 220, stylesecondarygroup = 221;
constexpr u32 kAutoWidth = 1u << 10;
constexpr i32 kMenuLibraryRecord = 2;

void setresult(i16 entry) { stringtohand(resultstr(entry), mainglobals().result); }

// The common start: the value after `to` as text (at most 255 bytes), and the target held.
i16 front(const propctx& c, i32 at, objread* obj, Str255 text) {
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, obj, false)) return st;
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  fredtostring(&value, text);
  disposfred(&value);
  return dofront(c, at, &used, obj, true);
}

// A name handle takes the text: made when absent, released when the text is empty.
i16 settext(Handle* h, ConstStringPtr text) {
  if (text[0] == 0) {
    if (*h != nilhandle) DisposeHandle(*h);
    *h = nilhandle;
    return 0;
  }
  if (*h == nilhandle) {
    Handle made = nilhandle;
    if (PtrToHand(text + 1, &made, Size(text[0])) != noErr) return err::nomemory;
    *h = made;
    return 0;
  }
  SetHandleSize(*h, Size(text[0]));
  if (MemError() != noErr) return err::nomemory;
  std::memcpy(deref(*h), text + 1, text[0]);
  return 0;
}

void nameof(Handle h, Str255 out) {
  out[0] = 0;
  if (h == nilhandle) return;
  const Size n = std::min<Size>(GetHandleSize(h), 255);
  out[0] = u8(n);
  std::memcpy(out + 1, deref(h), size_t(n));
}

// The library entry of a window or menu takes the name's key.
void setlibrarykey(RegistryId store, Handle library, i32 libraryrecord, u32 position, ConstStringPtr name) {
  bookentry b{};
  if (library == nilhandle || getbook(store, library, i32(position), &b) != 0) return;
  u32 key = 0;
  getkey(name, &key);
  b.word8 = key;
  if (putbook(store, library, i32(position), b) == 0) changevir(store, libraryrecord);
}

i16 nameobject(objread& obj, ConstStringPtr text) {
  spot s = spotat(obj.objects, obj.objindex);
  Rect before{};
  calcspot(obj.objects, obj.objindex, &before);
  Str255 old{};
  nameof(s.name, old);
  Handle name = s.name;
  if (i16 st = settext(&name, text)) return st;
  s.name = name;
  putspot(obj.objects, obj.objindex, s);
  // An auto-width button takes the difference of the two names' widths.
  if (s.kind == spotbutton && (s.flags & kAutoWidth) &&
      (s.style == stylebuttonrect || s.style == styleroundrect || s.style == stylebevel || s.style == stylepopup)) {
    Rect r = s.rect;
    r.right = i16(i32(r.right) + buttontextwidth(s, text) - buttontextwidth(s, old));
    if (r.right <= r.left) r.right = i16(r.left + 4);
    mapspot(obj.objects, obj.objindex, r, false);
    s = spotat(obj.objects, obj.objindex);
  }
  markowner(obj);
  // Controls whose data property names them are made again.
  Handle data = nilhandle;
  const bool popupdata = s.uprops != nilhandle &&
                         prophandutil(s.uprops, reinterpret_cast<const u8*>("\x09popupData"), &data) == 0;
  const bool radiodata = s.style == styleradio && s.uprops != nilhandle &&
                         prophandutil(s.uprops, reinterpret_cast<const u8*>("\x09radioData"), &data) == 0;
  if (s.kind == spotbutton &&
      (s.style == styleprimarygroup || s.style == stylesecondarygroup || popupdata || radiodata))
    lowflush(obj, 1);
  redrawspot(obj, before);
  if (obj.d.store == mainglobals().current.store) sendxrtnevent(nilid, kXrtnObjectsChanged, nullptr);
  return 0;
}

}  // namespace

// --- id ------------------------------------------------------------------------------------------

KV_SETTER(setid) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  i32 used = 0;
  if (i16 st = dofront(c, at, &used, &obj, false)) return st;
  fred value;
  if (i16 st = readvalue(c, at + used, &value)) return st;
  i32 n = 0;
  i16 st = fredtolong(&value, &n);
  disposfred(&value);
  if (st != 0) return st;
  if ((st = dofront(c, at, &used, &obj, true))) return st;
  MainGlobals& g = mainglobals();
  const bool idkind = obj.kind == objcard || obj.kind == objbackground || obj.kind == objpart;
  if (!idkind) {
    writeobj(&obj);
    return err::readonly;
  }
  // Ids run from 1; the next-id counter must still be able to pass the new one.
  if (n < 1 || n == INT32_MAX) {
    writeobj(&obj);
    return err::numberrange;
  }
  const bool current = std::memcmp(&obj.d, &g.current, sizeof(desk)) == 0 ||
                       (obj.d.window != nilid && obj.d.window == g.current.window);
  auto raisecounter = [&]() {
    windrec w = loadat<windrec>(deref(obj.d.wind));
    if (w.nextid < u32(n) + 1) w.nextid = u32(n) + 1;
    storeat<windrec>(deref(obj.d.wind), w);
    changevir(obj.d.store, i32(obj.d.windrecid));
  };
  if (obj.kind == objcard || obj.kind == objbackground) {
    const bool card = obj.kind == objcard;
    const u32 count = loadat<windrec>(deref(obj.d.wind)).cardcount;
    bool taken = false;
    eachword(obj.d.store, obj.d.wind, 1, i32(count), [&](i32, const wordentry& e) {
      taken = (card ? e.cardid : e.backid) == u32(n);
      return taken;
    });
    if (taken) {
      setresult(resultidtaken);
    } else {
      const u32 present = card ? obj.d.cardid : obj.d.backid;
      for (i32 i = 1; i <= i32(count); ++i) {
        wordentry e{};
        if (getword(obj.d.store, obj.d.wind, i, &e) != 0) break;
        if (card && e.cardid == present && e.cardrecord == obj.d.cardrecid) {
          e.cardid = u32(n);
          putword(obj.d.store, obj.d.wind, i, e);
          break;
        }
        if (!card && e.backid == present) {
          e.backid = u32(n);
          putword(obj.d.store, obj.d.wind, i, e);
        }
      }
      raisecounter();
      if (card) obj.d.cardid = u32(n);
      else obj.d.backid = u32(n);
      // The open window's context follows.
      desk open{};
      if (haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid &&
          (card ? open.cardrecid == obj.d.cardrecid : open.backrecid == obj.d.backrecid)) {
        (card ? open.cardid : open.backid) = u32(n);
        putwind(open.window, open);
        if (g.current.window == open.window) (card ? g.current.cardid : g.current.backid) = u32(n);
      }
    }
    (void)current;
  } else {
    bool taken = false;
    for (i32 i = 0, k = spotcount(obj.objects); i < k && !taken; ++i) taken = spotat(obj.objects, i).id == u32(n);
    if (taken) {
      setresult(resultidtaken);
    } else {
      spot s = spotat(obj.objects, obj.objindex);
      s.id = u32(n);
      putspot(obj.objects, obj.objindex, s);
      markowner(obj);
      raisecounter();
    }
    if (obj.d.store == g.current.store) sendxrtnevent(nilid, kXrtnObjectsChanged, nullptr);
  }
  writeobj(&obj);
  return 0;
}

// --- name ----------------------------------------------------------------------------------------

KV_SETTER(setname) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  Str255 name{};
  if (i16 st = front(c, at, &obj, name)) return st;
  MainGlobals& g = mainglobals();
  i16 st = 0;
  switch (obj.kind) {
    case objshared:
    case objproject:
    case objapp: st = err::readonly; break;
    case objitem: {
      const Size place = Size(obj.itemindex) * Size(sizeof(menuitem));
      menuitem it = loadat<menuitem>(deref(obj.menu.items) + place);
      Handle h = it.name;
      if ((st = settext(&h, name)) != 0) break;
      it.name = h;
      storeat<menuitem>(deref(obj.menu.items) + place, it);
      markowner(obj);
      menuchanged(obj);
      break;
    }
    case objmenu: {
      menurec m = loadat<menurec>(deref(obj.menu.menu));
      Handle h = m.name;
      if ((st = settext(&h, name)) != 0) break;
      m.name = h;
      storeat<menurec>(deref(obj.menu.menu), m);
      markowner(obj);
      setlibrarykey(obj.menu.store, obj.menu.menulib, kMenuLibraryRecord, obj.menu.menunum, name);
      menuchanged(obj);
      break;
    }
    case objpart: st = nameobject(obj, name); break;
    case objcard: {
      ++g.changecounter;
      cardrec r = loadat<cardrec>(deref(obj.d.card));
      Handle h = r.name;
      if ((st = settext(&h, name)) != 0) break;
      r.name = h;
      storeat<cardrec>(deref(obj.d.card), r);
      markowner(obj);
      wordentry e{};
      if (getword(obj.d.store, obj.d.wind, i32(obj.d.cardnum), &e) == 0 && e.cardrecord == obj.d.cardrecid) {
        getkey(name, &e.namekey);
        putword(obj.d.store, obj.d.wind, i32(obj.d.cardnum), e);
      }
      break;
    }
    case objbackground: {
      // Backgrounds are found by their record's name: no card entry keeps a key of it.
      ++g.changecounter;
      backrec r = loadat<backrec>(deref(obj.d.back));
      Handle h = r.name;
      if ((st = settext(&h, name)) != 0) break;
      r.name = h;
      storeat<backrec>(deref(obj.d.back), r);
      markowner(obj);
      break;
    }
    case objwindow: {
      ++g.changecounter;
      windrec r = loadat<windrec>(deref(obj.d.wind));
      Str255 old{};
      nameof(r.name, old);
      Handle h = r.name;
      if ((st = settext(&h, name)) != 0) break;
      r.name = h;
      storeat<windrec>(deref(obj.d.wind), r);
      markowner(obj);
      setlibrarykey(obj.d.store, obj.d.windlib, 1, obj.d.windnum, name);
      desk open{};
      if (haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid && IsValidWindowPtr(open.window)) {
        SetWTitle(open.window, name);
        if (r.word2 == 6 && (old[0] == 0) != (name[0] == 0)) {
          Rect all{};
          GetWindowPortBounds(open.window, &all);
          InvalWindowRect(open.window, &all);
        }
      }
      break;
    }
    default: break;
  }
  writeobj(&obj);
  return st;
}

// --- titleBar --------------------------------------------------------------------------------

KV_SETTER(setitle) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  Str255 word{};
  if (i16 st = front(c, at, &obj, word)) return st;
  if (obj.kind != objwindow) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  // The value's text as one keyword.
  fred v{};
  Handle valueatoms = nilhandle;
  u16 t = 0;
  if (stringtonewfred(word, &v) == 0 && tokenizefred(&v, &valueatoms) == 0) {
    t = tokenat(valueatoms, 0);
    if (tokenat(valueatoms, 1) != tok::endofline && tokenat(valueatoms, 1) != tok::endofscript) t = 0;
  }
  if (valueatoms != nilhandle) DisposeHandle(valueatoms);
  disposfred(&v);
  u32 code = 4;
  if (t == tok::top) code = 0;
  else if (t == tok::left) code = 1;
  else if (t == tok::none) code = 2;
  else if (t == tok::invisible) code = 3;
  if (code == 4) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  windrec w = loadat<windrec>(deref(obj.d.wind));
  w.flags = (w.flags & ~0x30u) | (code << 4);
  storeat<windrec>(deref(obj.d.wind), w);
  markowner(obj);
  desk open{};
  const bool shown = haswind(obj.d.store, obj.d.windnum, &open) && open.window != nilid;
  writeobj(&obj);
  return shown ? rebuildwindow(open.window) : i16(0);
}

// --- commandChar ---------------------------------------------------------------------------------

KV_SETTER(setcmdchar) {
  (void)token;
  propctx c{path, text, atoms, variables, nilhandle};
  objread obj{};
  Str255 key{};
  if (i16 st = front(c, at, &obj, key)) return st;
  if (obj.kind != objitem) {
    writeobj(&obj);
    return err::cantunderstand;
  }
  const Size place = Size(obj.itemindex) * Size(sizeof(menuitem));
  menuitem it = loadat<menuitem>(deref(obj.menu.items) + place);
  it.word0 = key[0] == 0 ? 0 : key[1];
  storeat<menuitem>(deref(obj.menu.items) + place, it);
  markowner(obj);
  menuchanged(obj);
  writeobj(&obj);
  return 0;
}

}  // namespace kv
