// The project menus that are not shown as plain menus of the bar: the dock tile's menu, the
// font menu (the system's font list in place of its items), the window menu (the system's
// standard window menu) and a menu merged into the Help menu.
#include "engine/expression.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "shell/menusets.h"
#include "shell/menucommands.h"
#include "shell/menus.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 kFontMenuName = 4;
constexpr i16 kNoHelpResult = 64;
constexpr u32 kDisabledFlag = 1;
constexpr u16 kDockItems = 99;  // the two digits of a dock item's command id

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

void enableby(MenuRef menu, const menuline& line) {
  if (menuflags(line) & kDisabledFlag) DisableMenuItem(menu, 0);
  else EnableMenuItem(menu, 0);
}

bool isdash(ConstStringPtr s) { return s[0] == 1 && s[1] == '-'; }

}  // namespace

scriptstatus setdockmenu(hierpath context, Handle atoms, i32 at, Handle text, Handle variables) {
  if (tokenat(atoms, at) == tok::none && lineends(atoms, at + 1)) {
    removedockmenu();
    return 0;
  }
  objread obj{};
  i32 used = 0, item = 0;
  if (i16 st = scanmenu(context, text, atoms, at, variables, &used, &obj, &item)) return st;
  i16 st = lineends(atoms, at + used) ? setdockmenuline(obj.menu) : err::stray;
  // The open of the project the reference may have made is given back.
  writeobj(&obj);
  return st;
}

i16 setdockmenuline(const menuline& line) {
  MainGlobals& g = mainglobals();
  // The new menu's records are held before the old dock menu lets go of its own, so that a
  // project both belong to stays open.
  menuline dock{};
  if (i16 st = holdmenu(line.store, line.menunum, &dock)) return st;
  removedockmenu();
  dock.parentstore = dock.store;
  dock.parentnum = dock.menurecid;
  dock.placement = placedock;
  dock.position = placedock;
  Str255 title{};
  handtostring(Handle(loadat<menurec>(deref(dock.menu)).name), title);
  MenuRef menu = NewMenu(kDockMenuID, title);
  drawmenuitem(menu, dock);
  for (MenuItemIndex i = 1; i <= CountMenuItems(menu) && i <= kDockItems; ++i) {
    // "DM" and the item number in two decimal digits.
    u32 id = (u32('D') << 24) | (u32('M') << 16) | (u32('0' + i / 10) << 8) | u32('0' + i % 10);
    if (SetMenuItemCommandID(menu, i, id) != noErr) break;
  }
  if (menuflags(dock) & kDisabledFlag) DisableMenuItem(menu, 0);
  g.dockmenu = dock;
  shellmenustate().dockmenuref = menu;
  SetApplicationDockTileMenu(menu);
  return 0;
}

void removedockmenu() {
  MainGlobals& g = mainglobals();
  if (shellmenustate().dockmenuref != nilid) {
    SetApplicationDockTileMenu(nilid);
    DisposeMenu(shellmenustate().dockmenuref);
    shellmenustate().dockmenuref = nilid;
  }
  if (g.dockmenu.store == nilid) return;
  menuline dock = g.dockmenu;
  g.dockmenu = menuline{};
  releasemenu(&dock);
}

void WysiwygFontMenu(bool on) {
  MainGlobals& g = mainglobals();
  if (g.fontmenu == nilid) return;
  for (MenuItemIndex i = 1; i <= CountMenuItems(g.fontmenu); ++i) {
    i16 font = 0;
    if (on) {
      Str255 name{};
      GetMenuItemText(g.fontmenu, i, name);
      font = GetFNum(name);
    }
    SetMenuItemFontID(g.fontmenu, i, font);
  }
  g.fontmenuinfonts = on ? 1 : 0;
}

MenuRef loadfontmenu(const menuline& line, MenuID id) {
  MainGlobals& g = mainglobals();
  if (IsValidMenu(g.fontmenu)) {
    if (GetMenuID(g.fontmenu) != id) SetMenuID(g.fontmenu, id);
  } else {
    g.fontmenu = NewMenu(id, upstrsrc(kFontMenuName));
    CreateStandardFontMenu(g.fontmenu, 0);
    g.fontmenuinfonts = 0;
  }
  if (g.wysiwygFontMenu && !g.fontmenuinfonts) WysiwygFontMenu(true);
  else if (!g.wysiwygFontMenu && g.fontmenuinfonts) WysiwygFontMenu(false);
  enableby(g.fontmenu, line);
  return g.fontmenu;
}

MenuRef loadwindowmenu(const menuline& line, MenuID id) {
  if (!IsValidMenu(shellmenustate().windowsmenu)) {
    MenuRef menu = nilid;
    if (CreateStandardWindowMenu(0, &menu) != noErr) return nilid;
    shellmenustate().windowsmenu = menu;
  }
  if (GetMenuID(shellmenustate().windowsmenu) != id) SetMenuID(shellmenustate().windowsmenu, id);
  enableby(shellmenustate().windowsmenu, line);
  return shellmenustate().windowsmenu;
}

MenuRef InsertHelpMenu(MenuRef project) {
  MainGlobals& g = mainglobals();
  MenuRef help = nilid;
  MenuItemIndex first = 0;
  if (HMGetHelpMenu(&help, &first) != noErr || help == nilid) {
    stringtohand(resultstr(kNoHelpResult), g.result);
    return nilid;
  }
  shellmenustate().helpmenushown = 1;
  u16 n = CountMenuItems(help);
  if (n >= first) DeleteMenuItems(help, first, u32(n - first + 1));
  if (IsMenuItemEnabled(project, 0)) EnableMenuItem(help, 0);
  else DisableMenuItem(help, 0);
  const u8 dash[] = {1, '-'};
  if (first > 1) {
    Str255 before{};
    GetMenuItemText(help, MenuItemIndex(first - 1), before);
    if (!isdash(before)) AppendMenuItem(help, dash, kMenuItemAttrSeparator | kMenuItemAttrDisabled, 0, nullptr);
  }
  for (MenuItemIndex i = 1; i <= CountMenuItems(project); ++i) {
    Str255 text{};
    GetMenuItemText(project, i, text);
    if (isdash(text)) {
      AppendMenuItem(help, dash, kMenuItemAttrSeparator | kMenuItemAttrDisabled, 0, nullptr);
      continue;
    }
    const u8 empty[] = {0};
    MenuItemIndex k = 0;
    if (AppendMenuItem(help, empty, 0, 0, &k) != noErr) break;
    SetMenuItemText(help, k, text);
    u8 mark = 0, key = 0, mods = 0;
    i16 icon = 0;
    GetItemMark(project, i, &mark);
    GetItemIcon(project, i, &icon);
    GetItemCmd(project, i, &key);
    if (mark) SetItemMark(help, k, mark);
    if (icon) SetItemIcon(help, k, icon);
    if (key) {
      // The key goes with its modifiers, and a disabled item stays disabled.
      SetItemCmd(help, k, key);
      GetMenuItemModifiers(project, i, &mods);
      SetMenuItemModifiers(help, k, mods);
    }
    if (!IsMenuItemEnabled(project, i)) DisableMenuItem(help, k);
  }
  InsertMenu(project, hierMenu);
  return help;
}

}  // namespace kv
