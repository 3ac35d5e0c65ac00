// The menu commands: insert, remove, enable, disable, protect, unprotect, popUp and doMenu.
#include "shell/menucommands.h"

#include <algorithm>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbertext.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "properties/propfront.h"
#include "properties/valueparsers.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "shell/menusets.h"
#include "shell/newscript.h"
#include "store/objects.h"
#include "store/packing.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/reftexts.h"

namespace kv {

namespace {

constexpr i16 kProtectedResult = 107;
constexpr u32 kDisabledFlag = 1, kProtectedFlag = 2;
constexpr u32 kSpotDisabled = 1u << 7;
constexpr u32 kFirstItemId = 100;
constexpr MenuID kFirstFarMenu = 1023;  // doMenu goes on there after the first gap

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

bool pluginmode() { return mainglobals().plugin != 0; }

void setresult(i16 entry) { stringtohand(resultstr(entry), mainglobals().result); }

i32 itemsof(const objread& obj) { return menuitemcount(obj.menu); }

menuitem itemat(Handle items, i32 index) {
  return loadat<menuitem>(deref(items) + Size(index) * Size(sizeof(menuitem)));
}

void putitem(Handle items, i32 index, const menuitem& it) {
  storeat(deref(items) + Size(index) * Size(sizeof(menuitem)), it);
}

// The menu's line in the current set: its index, or -1.
i32 lineindex(const objread& obj) {
  menuline line{};
  i32 index = -1;
  return hasmenu(obj.menu.store, obj.menu.menunum, &line, &index) ? index : -1;
}

void rebuild() {
  buildmenubar();
  drawmenubar();
}

// The menu changed: the bar shows it when the menu is in it, the dock when it is the dock's.
void menuchanged(const objread& obj, bool draw) {
  if (lineindex(obj) >= 0) {
    buildmenubar();
    if (draw) drawmenubar();
  }
  if (isdockmenuline(obj.menu)) setdockmenuline(mainglobals().dockmenu);
}

// --- insert ------------------------------------------------------------------------------------

// `insert item before|after|into <item or menu>`, from the word `item` at atom `at`.
scriptstatus insertitem(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 mode = tokenat(atoms, at + 1);
  objread obj{};
  i32 used = 0, number = 0;
  i32 i = at + 2;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i += used;
  i16 st = 0;
  if (mode == tok::into && number != 0) st = err::cantunderstand;
  if (st == 0 && !lineends(atoms, i)) st = err::stray;
  const menuline& m = obj.menu;
  if (st != 0 || islocked(m.store)) {
    writeobj(&obj);
    return st;
  }
  i32 count = itemsof(obj);
  u32 id = kFirstItemId;
  for (i32 k = 0; k < count; ++k) id = std::max<u32>(id, u32(itemat(m.items, k).word2) + 1);
  i32 place = 0;
  if (mode == tok::before) place = number > 0 ? number - 1 : 0;
  if (mode == tok::after) place = number > 0 ? number : count;
  menuitem item{};
  item.word2 = id;
  item.script = newscript(scriptmenuitem);
  Handle items = m.items;
  if (items == nilhandle) items = NewHandle(0);
  i32 where = std::clamp(place, 0, count);
  st = items == nilhandle || item.script == nilhandle ? i16(37) : qadd(items, &where, i32(sizeof(menuitem)));
  if (st != 0) {
    if (item.script != nilhandle) DisposeHandle(item.script);
    if (items != m.items && items != nilhandle) DisposeHandle(items);
    writeobj(&obj);
    return st;
  }
  putitem(items, where, item);
  if (items != m.items) {
    menurec r = loadat<menurec>(deref(m.menu));
    r.items = items;
    storeat(deref(m.menu), r);
    syncmenuitems(m.store, m.menurecid);
    obj.menu.items = items;
  }
  checkerr(changevir(m.store, i32(m.menurecid)));
  adjusthiers(m.store, m.menunum, where, true);
  rebuild();
  if (isdockmenuline(obj.menu)) setdockmenuline(mainglobals().dockmenu);
  writeobj(&obj);
  return 0;
}

// The second reference of `insert <menu> before|after|into <menu or item>`, placed.
i16 placemenu(const objread& first, u16 how, const objread& second, i32 number) {
  const menuline& m = first.menu;
  if (how == tok::into && number != 0)
    return insertline(m.store, m.menunum, second.menu.store, second.menu.menunum, number, placesubmenu, true);
  if (number != 0) return err::nointo;
  i32 index = lineindex(second);
  if (index < 0) return err::nosuchmenu;
  if (how == tok::into) {
    // The second menu gives its place to the first, unless it is protected.
    if (menuprotected(lineat(index))) setresult(kProtectedResult);
    else deleteline(index);
  } else if (how == tok::after) {
    ++index;
  }
  return insertline(m.store, m.menunum, nilid, 0, index, placebar, true);
}

// --- remove ------------------------------------------------------------------------------------

i16 removeitem(objread& obj, i32 number) {
  menuline& m = obj.menu;
  if (islocked(m.store)) return 0;
  if (menuflags(m) & kProtectedFlag) {
    setresult(kProtectedResult);
    return 0;
  }
  // Its cached scripts go stale under its reference text.
  objread ref = obj;
  ref.kind = objitem;
  ref.itemindex = i16(number - 1);
  Str255 reftext{};
  builditemid(ref, tok::long_, reftext);
  markhier(1, reftext);
  menuitem it = itemat(m.items, number - 1);
  dumpparts(itemparts(), reinterpret_cast<const u8*>(&it));
  qdelete(m.items, number - 1, i32(sizeof(menuitem)));
  checkerr(changevir(m.store, i32(m.menurecid)));
  adjusthiers(m.store, m.menunum, number, false);
  reorderlines();
  rebuild();
  if (isdockmenuline(m)) setdockmenuline(mainglobals().dockmenu);
  return 0;
}

// `remove all menus [of|in <project>]`.
scriptstatus removeall(hierpath path, Handle text, Handle atoms, i32 i, Handle variables) {
  if (tokenat(atoms, i) != tok::menus) return err::cantunderstand;
  ++i;
  if (tokenat(atoms, i) == tok::in) {
    objread obj{};
    i32 used = 0;
    if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj)) return st;
    i16 st = obj.kind != objproject ? err::cantunderstand : !lineends(atoms, i + 1 + used) ? err::stray : i16(0);
    RegistryId store = obj.d.store;
    writeobj(&obj);
    if (st == 0) killprojmenus(store, false);
    return st;
  }
  if (!lineends(atoms, i)) return err::stray;
  if (pluginmode()) return err::plugincommand;
  closemenus();
  rebuild();
  return 0;
}

// --- enable and disable --------------------------------------------------------------------------

void setbit(u32* flags, bool on) { *flags = on ? (*flags | kDisabledFlag) : (*flags & ~kDisabledFlag); }

scriptstatus enabdisaball(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, bool disable) {
  objread obj{};
  i32 used = 0, number = 0;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i16 st = number != 0 ? err::cantunderstand : !lineends(atoms, i + used) ? err::msgnotobject : i16(0);
  if (st == 0) {
    for (i32 k = 0; k < itemsof(obj); ++k) {
      menuitem it = itemat(obj.menu.items, k);
      u32 f = it.flags;
      setbit(&f, disable);
      it.flags = f;
      putitem(obj.menu.items, k, it);
    }
    checkerr(changevir(obj.menu.store, i32(obj.menu.menurecid)));
    menuchanged(obj, false);
  }
  writeobj(&obj);
  return st;
}

i16 enabdisabone(objread& obj, bool disable) {
  switch (obj.kind) {
    case objmenu: {
      menurec r = loadat<menurec>(deref(obj.menu.menu));
      u32 f = r.flags;
      setbit(&f, disable);
      r.flags = f;
      storeat(deref(obj.menu.menu), r);
      checkerr(changevir(obj.menu.store, i32(obj.menu.menurecid)));
      menuchanged(obj, true);
      return 0;
    }
    case objitem: {
      menuitem it = itemat(obj.menu.items, obj.itemindex);
      u32 f = it.flags;
      setbit(&f, disable);
      it.flags = f;
      putitem(obj.menu.items, obj.itemindex, it);
      checkerr(changevir(obj.menu.store, i32(obj.menu.menurecid)));
      menuchanged(obj, false);
      return 0;
    }
    case objpart: {
      spot s = spotat(obj.objects, obj.objindex);
      Rect before = s.rect;
      u32 f = s.flags;
      s.flags = disable ? (f | kSpotDisabled) : (f & ~kSpotDisabled);
      putspot(obj.objects, obj.objindex, s);
      markowner(obj);
      redrawspot(obj, before);
      return 0;
    }
    default: return err::cantunderstand;
  }
}

// --- protect -----------------------------------------------------------------------------------

scriptstatus protection(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool protect) {
  if (pluginmode()) return err::plugincommand;
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::the || tokenat(atoms, i) == tok::all) ++i;
  if (tokenat(atoms, i) != tok::inserted || tokenat(atoms, i + 1) != tok::menus) return err::cantunderstand;
  i += 2;
  if (tokenat(atoms, i) != tok::in) {
    // Every placed menu: the change is made before the words left are looked at.
    protectprojmenus(nilid, protect);
    return lineends(atoms, i) ? 0 : err::stray;
  }
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj)) return st;
  i16 st = obj.kind != objproject ? err::cantunderstand : !lineends(atoms, i + 1 + used) ? err::stray : i16(0);
  RegistryId store = obj.d.store;
  writeobj(&obj);
  if (st == 0) protectprojmenus(store, protect);
  return st;
}

// The text of an item for doMenu: leading NUL characters do not count.
void itemtext(MenuRef menu, MenuItemIndex item, Str255 out) {
  GetMenuItemText(menu, item, out);
  u8 skip = 0;
  while (skip < out[0] && out[skip + 1] == 0) ++skip;
  if (skip == 0) return;
  std::copy(out + 1 + skip, out + 1 + out[0], out + 1);
  out[0] = u8(out[0] - skip);
}

}  // namespace

scriptstatus scanmenu(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj,
                      i32* item) {
  *item = 0;
  if (i16 st = scanobj(context, text, atoms, at, variables, used, obj)) return st;
  if (obj->kind != objmenu && obj->kind != objitem) {
    writeobj(obj);
    *obj = objread{};
    return err::cantunderstand;
  }
  if (obj->kind == objitem) *item = obj->itemindex + 1;
  return 0;
}

scriptstatus insertmenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::the) ++i;
  u16 next = tokenat(atoms, i + 1);
  if (tokenat(atoms, i) == tok::item && (next == tok::before || next == tok::after || next == tok::into))
    return insertitem(path, text, atoms, i, variables);
  if (pluginmode()) return err::plugincommand;
  objread first{};
  i32 used = 0, number = 0;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &first, &number)) return st;
  i += used;
  u16 how = tokenat(atoms, i);
  i16 st = 0;
  const menuline& m = first.menu;
  if (lineends(atoms, i)) {
    st = insertline(m.store, m.menunum, nilid, 0, currentnumlines(), placebar, true);
  } else if (how == tok::as) {
    st = tokenat(atoms, i + 1) != tok::help ? err::cantunderstand : !lineends(atoms, i + 2) ? err::stray : i16(0);
    if (st == 0) st = insertline(m.store, m.menunum, nilid, 0, currentnumlines(), placehelp, true);
  } else if (how == tok::before || how == tok::after || how == tok::into) {
    objread second{};
    i32 n = 0, used2 = 0;
    st = scanmenu(path, text, atoms, i + 1, variables, &used2, &second, &n);
    if (st == 0) {
      if (!lineends(atoms, i + 1 + used2)) st = err::stray;
      if (st == 0) st = placemenu(first, how, second, n);
      writeobj(&second);
    }
  } else {
    st = err::cantunderstand;
  }
  writeobj(&first);
  return st;
}

scriptstatus removemenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::all) return removeall(path, text, atoms, i + 1, variables);
  objread obj{};
  i32 used = 0, number = 0;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i16 st = lineends(atoms, i + used) ? i16(0) : err::stray;
  if (st == 0 && number != 0) {
    st = removeitem(obj, number);
  } else if (st == 0 && pluginmode()) {
    st = err::plugincommand;
  } else if (st == 0) {
    i32 index = lineindex(obj);
    if (index >= 0 && menuprotected(lineat(index))) setresult(kProtectedResult);
    else if (index >= 0) deleteline(index);
    reorderlines();
    rebuild();
  }
  writeobj(&obj);
  return st;
}

scriptstatus comenabdisab(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  bool disable = tokenat(atoms, at) == tok::disable;
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::all && tokenat(atoms, i + 1) == tok::items && tokenat(atoms, i + 2) == tok::in)
    return enabdisaball(path, text, atoms, i + 3, variables, disable);
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, i, variables, &used, &obj)) return st;
  i16 st = lineends(atoms, i + used) ? enabdisabone(obj, disable) : err::msgnotobject;
  writeobj(&obj);
  return st;
}

scriptstatus comprotect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  return protection(path, text, atoms, at, variables, true);
}

scriptstatus comunprotect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  return protection(path, text, atoms, at, variables, false);
}

scriptstatus compopup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  objread obj{};
  i32 used = 0, number = 0;
  i32 i = at + 1;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i += used;
  i16 st = tokenat(atoms, i) == tok::at ? i16(0) : err::noat;
  i16 h = 0, v = 0;
  i32 item = 1;
  if (st == 0) {
    propctx c{path, text, atoms, variables, nilhandle};
    i32 n = 0;
    st = getloc(c, i + 1, &n, &h, &v);
    i += 1 + n;
  }
  if (st == 0 && tokenat(atoms, i) == tok::with && tokenat(atoms, i + 1) == tok::item) {
    fred value{};
    i32 n = 0;
    st = expression(path, text, atoms, i + 2, variables, nilhandle, &n, &value);
    if (st == 0) {
      st = fredtolong(&value, &item);
      disposfred(&value);
    }
    i += 2 + n;
  }
  if (st == 0 && !lineends(atoms, i)) st = err::stray;
  if (st != 0) {
    writeobj(&obj);
    return st;
  }
  // The point is in the current window.
  Point where{v, h};
  if (g.current.window != nilid && IsValidWindowPtr(g.current.window)) {
    SavePort saved;
    SetPortWindowPort(g.current.window);
    LocalToGlobal(&where);
  }
  RegistryId store = obj.menu.store;
  u32 menunum = obj.menu.menunum;
  i32 index = lineindex(obj);
  MenuRef menu = nilid;
  bool copy = index >= 0;
  if (copy) {
    menuline line = lineat(index);
    line.placement = placepopup;
    menu = loadmenu(line, MenuID(index + 1));
  } else if (insertline(store, menunum, nilid, 0, currentnumlines(), placepopup, false) == 0) {
    menu = loadmenu(lineat(currentnumlines() - 1), MenuID(currentnumlines()));
  }
  writeobj(&obj);
  if (menu == nilid) {
    rebuild();
    return 0;
  }
  if (g.result != nilhandle) SetHandleSize(g.result, 0);
  i32 chosen = PopUpMenuSelect(menu, where.v, where.h, MenuItemIndex(std::clamp<i32>(item, 0, kMaxMenuItems)));
  i16 status = 0;
  if (menuresultid(chosen) != 0) {
    Str255 itemname{};
    GetMenuItemText(menu, MenuItemIndex(menuresultitem(chosen)), itemname);
    status = docommand(chosen);
    stringtohand(itemname, g.result);
  }
  // A menu of the bar shown as a pop-up was a copy of its line's menu: it goes now.
  if (copy && menu != g.fontmenu && menu != shellmenustate().windowsmenu) DisposeMenu(menu);
  for (i32 k = 0; k < currentnumlines(); ++k) {
    menuline l = lineat(k);
    if (l.store == store && l.menunum == menunum && l.placement == placepopup) {
      deleteline(k);
      break;
    }
  }
  buildmenubar();
  return status;
}

scriptstatus comdomenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value{};
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &value)) return st;
  Str255 want{};
  fredtostring(&value, want);
  disposfred(&value);
  if (!lineends(atoms, at + 1 + used)) return err::stray;
  bool far = false;
  for (MenuID id = 1;; ++id) {
    MenuRef menu = GetMenuHandle(id);
    if (menu == nilid) {
      if (far) return err::nosuchmenuitem;
      far = true;
      id = kFirstFarMenu - 1;
      continue;
    }
    for (MenuItemIndex k = 1; k <= CountMenuItems(menu); ++k) {
      Str255 item{};
      itemtext(menu, k, item);
      if (myequalstring(item, want)) return docommand(menuresult(id, i16(k)));
    }
  }
}

}  // namespace kv
