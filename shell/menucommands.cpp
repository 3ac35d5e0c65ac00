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
#include "engine/textutil.h"
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

enum : u16 {
  tokDisable = 2045,
  tokHelp = 2078,
  tokMenus = 3087,
  tokAfter = 10001,
  tokAll = 10002,
  tokBefore = 10003,
  tokInto = 10013,
  tokThe = 10020,
  tokAs = 11005,
  tokInserted = 11138,
  tokItems = 11147,
};

constexpr i16 statusnoword = 2, statusstray = 19, statusenabstray = 59, statusnomenu = 63, statusnoitem = 64,
              statusnoat = 76, statusnointo = 114, statusplugin = 175;
constexpr i16 kProtectedResult = 107;
constexpr u32 kDisabledFlag = 1, kProtectedFlag = 2;
constexpr u32 kSpotDisabled = 1u << 7;
constexpr u32 kFirstItemId = 100;
constexpr u16 kLongForm = 9002;
constexpr MenuID kFirstFarMenu = 1023;  // doMenu goes on there after the first gap

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tokEndOfLine || t == tokEndOfScript;
}

bool pluginmode() { return mainglobals().plugin != 0; }

void setresult(i16 entry) { stringtohand(resultstr(entry), mainglobals().result); }

i32 itemsof(const objread& obj) { return menuitemcount(obj.menu); }

menuitem itemat(Handle items, i32 index) { return loadat<menuitem>(deref(items) + Size(index) * Size(sizeof(menuitem))); }

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
i16 insertitem(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  u16 mode = tokenat(atoms, at + 1);
  objread obj{};
  i32 used = 0, number = 0;
  i32 i = at + 2;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i += used;
  i16 st = 0;
  if (mode == tokInto && number != 0) st = statusnoword;
  if (st == 0 && !lineends(atoms, i)) st = statusstray;
  const menuline& m = obj.menu;
  if (st != 0 || islocked(m.store)) {
    writeobj(&obj);
    return st;
  }
  i32 count = itemsof(obj);
  u32 id = kFirstItemId;
  for (i32 k = 0; k < count; ++k) id = std::max<u32>(id, u32(itemat(m.items, k).word2) + 1);
  i32 place = 0;
  if (mode == tokBefore) place = number > 0 ? number - 1 : 0;
  if (mode == tokAfter) place = number > 0 ? number : count;
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
  if (how == tokInto && number != 0)
    return insertline(m.store, m.menunum, second.menu.store, second.menu.menunum, number, placesubmenu, true);
  if (number != 0) return statusnointo;
  i32 index = lineindex(second);
  if (index < 0) return statusnomenu;
  if (how == tokInto) {
    // The second menu gives its place to the first, unless it is protected.
    if (menuprotected(lineat(index)))
      setresult(kProtectedResult);
    else
      deleteline(index);
  } else if (how == tokAfter) {
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
  builditemid(ref, kLongForm, reftext);
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
i16 removeall(hierpath path, Handle text, Handle atoms, i32 i, Handle variables) {
  if (tokenat(atoms, i) != tokMenus) return statusnoword;
  ++i;
  if (tokenat(atoms, i) == tokOf) {
    objread obj{};
    i32 used = 0;
    if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj)) return st;
    i16 st = obj.kind != objproject ? statusnoword : !lineends(atoms, i + 1 + used) ? statusstray : i16(0);
    RegistryId store = obj.d.store;
    writeobj(&obj);
    if (st == 0) killprojmenus(store, false);
    return st;
  }
  if (!lineends(atoms, i)) return statusstray;
  if (pluginmode()) return statusplugin;
  closemenus();
  rebuild();
  return 0;
}

// --- enable and disable --------------------------------------------------------------------------

void setbit(u32* flags, bool on) { *flags = on ? (*flags | kDisabledFlag) : (*flags & ~kDisabledFlag); }

i16 enabdisaball(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, bool disable) {
  objread obj{};
  i32 used = 0, number = 0;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i16 st = number != 0 ? statusnoword : !lineends(atoms, i + used) ? statusenabstray : i16(0);
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
    default: return statusnoword;
  }
}

// --- protect -----------------------------------------------------------------------------------

i16 protection(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool protect) {
  if (pluginmode()) return statusplugin;
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokThe || tokenat(atoms, i) == tokAll) ++i;
  if (tokenat(atoms, i) != tokInserted || tokenat(atoms, i + 1) != tokMenus) return statusnoword;
  i += 2;
  if (tokenat(atoms, i) != tokOf) {
    // Every placed menu: the change is made before the words left are looked at.
    protectprojmenus(nilid, protect);
    return lineends(atoms, i) ? 0 : statusstray;
  }
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj)) return st;
  i16 st = obj.kind != objproject ? statusnoword : !lineends(atoms, i + 1 + used) ? statusstray : i16(0);
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

i16 scanmenu(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, objread* obj,
             i32* item) {
  *item = 0;
  if (i16 st = scanobj(context, text, atoms, at, variables, used, obj)) return st;
  if (obj->kind != objmenu && obj->kind != objitem) {
    writeobj(obj);
    *obj = objread{};
    return statusnoword;
  }
  if (obj->kind == objitem) *item = obj->itemindex + 1;
  return 0;
}

i16 insertmenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokThe) ++i;
  u16 next = tokenat(atoms, i + 1);
  if (tokenat(atoms, i) == tokItem && (next == tokBefore || next == tokAfter || next == tokInto))
    return insertitem(path, text, atoms, i, variables);
  if (pluginmode()) return statusplugin;
  objread first{};
  i32 used = 0, number = 0;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &first, &number)) return st;
  i += used;
  u16 how = tokenat(atoms, i);
  i16 st = 0;
  const menuline& m = first.menu;
  if (lineends(atoms, i)) {
    st = insertline(m.store, m.menunum, nilid, 0, currentnumlines(), placebar, true);
  } else if (how == tokAs) {
    st = tokenat(atoms, i + 1) != tokHelp ? statusnoword : !lineends(atoms, i + 2) ? statusstray : i16(0);
    if (st == 0) st = insertline(m.store, m.menunum, nilid, 0, currentnumlines(), placehelp, true);
  } else if (how == tokBefore || how == tokAfter || how == tokInto) {
    objread second{};
    i32 n = 0, used2 = 0;
    st = scanmenu(path, text, atoms, i + 1, variables, &used2, &second, &n);
    if (st == 0) {
      if (!lineends(atoms, i + 1 + used2)) st = statusstray;
      if (st == 0) st = placemenu(first, how, second, n);
      writeobj(&second);
    }
  } else {
    st = statusnoword;
  }
  writeobj(&first);
  return st;
}

i16 removemenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokAll) return removeall(path, text, atoms, i + 1, variables);
  objread obj{};
  i32 used = 0, number = 0;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i16 st = lineends(atoms, i + used) ? i16(0) : statusstray;
  if (st == 0 && number != 0) {
    st = removeitem(obj, number);
  } else if (st == 0 && pluginmode()) {
    st = statusplugin;
  } else if (st == 0) {
    i32 index = lineindex(obj);
    if (index >= 0 && menuprotected(lineat(index)))
      setresult(kProtectedResult);
    else if (index >= 0)
      deleteline(index);
    reorderlines();
    rebuild();
  }
  writeobj(&obj);
  return st;
}

i16 comenabdisab(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  bool disable = tokenat(atoms, at) == tokDisable;
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokAll && tokenat(atoms, i + 1) == tokItems && tokenat(atoms, i + 2) == tokOf)
    return enabdisaball(path, text, atoms, i + 3, variables, disable);
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, i, variables, &used, &obj)) return st;
  i16 st = lineends(atoms, i + used) ? enabdisabone(obj, disable) : statusenabstray;
  writeobj(&obj);
  return st;
}

i16 comprotect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  return protection(path, text, atoms, at, variables, true);
}

i16 comunprotect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  return protection(path, text, atoms, at, variables, false);
}

i16 compopup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  objread obj{};
  i32 used = 0, number = 0;
  i32 i = at + 1;
  if (i16 st = scanmenu(path, text, atoms, i, variables, &used, &obj, &number)) return st;
  i += used;
  i16 st = tokenat(atoms, i) == tokAt ? i16(0) : statusnoat;
  i16 h = 0, v = 0;
  i32 item = 1;
  if (st == 0) {
    propctx c{path, text, atoms, variables, nilhandle};
    i32 n = 0;
    st = getloc(c, i + 1, &n, &h, &v);
    i += 1 + n;
  }
  if (st == 0 && tokenat(atoms, i) == tokWith && tokenat(atoms, i + 1) == tokItem) {
    fred value{};
    i32 n = 0;
    st = expression(path, text, atoms, i + 2, variables, nilhandle, &n, &value);
    if (st == 0) {
      st = fredtolong(&value, &item);
      disposfred(&value);
    }
    i += 2 + n;
  }
  if (st == 0 && !lineends(atoms, i)) st = statusstray;
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

i16 comdomenu(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value{};
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &value)) return st;
  Str255 want{};
  fredtostring(&value, want);
  disposfred(&value);
  if (!lineends(atoms, at + 1 + used)) return statusstray;
  bool far = false;
  for (MenuID id = 1;; ++id) {
    MenuRef menu = GetMenuHandle(id);
    if (menu == nilid) {
      if (far) return statusnoitem;
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
