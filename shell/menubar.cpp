// The platform menu bar as a picture of the current menu set: rebuilt completely after every
// change, each line loaded as the platform menu of its id, submenus attached to their items.
#include <algorithm>

#include "engine/lookups.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/windows/screens.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/menusets.h"
#include "shell/menus.h"
#include "shell/platformutil.h"
#include "store/records.h"
#include "system/externalevents.h"

namespace kv {

namespace {

constexpr i16 kAppleMenuName = 3, kFontMenuName = 4, kWindowMenuName = 12;
constexpr i16 kHelpSubmenuResult = 65;
constexpr u8 kAppleTitle = 20;
constexpr u32 kDisabledFlag = 1;
// Item flags of a stored menu item.
constexpr u32 kItemDisabled = 1, kItemDivider = 2, kItemChecked = 4;
constexpr u32 kItemShift = 0x100, kItemOption = 0x200, kItemControl = 0x400;
// A submenu's id is kept in its item's one-byte mark.
constexpr i32 kLargestSubmenuId = 255;

bool issubmenu(const menuline& l) { return l.placement == placesubmenu || l.placement == placepopup; }

// A menu's title: its record's name (an empty one is "Untitled"), the Apple menu's name as
// the single character 20.
void menutitle(const menuline& line, Str255 title) {
  title[0] = 0;
  if (line.menu != nilhandle) handtostring(Handle(loadat<menurec>(deref(line.menu)).name), title);
  checkname(title);
  if (myequalstring(title, upstrsrc(kAppleMenuName))) {
    title[0] = 1;
    title[1] = kAppleTitle;
  }
}

void enableby(MenuRef menu, MenuItemIndex item, const menuline& line) {
  if (menuflags(line) & kDisabledFlag) DisableMenuItem(menu, item);
  else EnableMenuItem(menu, item);
}

// The project items an earlier build put into the Help menu go before every build.
void clearhelpitems() {
  MenuRef help = GetMenuHandle(kHMHelpMenuID);
  MenuItemIndex first = 0;
  if (help == nilid || HMGetHelpMenu(&help, &first) != noErr) return;
  u16 n = CountMenuItems(help);
  if (n >= first) DeleteMenuItems(help, first, u32(n - first + 1));
}

// Each submenu's line marks the item of its parent menu that holds it.
void attachsubmenus() {
  MainGlobals& g = mainglobals();
  i16 n = currentnumlines();
  for (i32 i = 0; i < n; ++i) {
    menuline l = lineat(i);
    if (!issubmenu(l)) continue;
    menuline parent{};
    i32 at = 0;
    if (!hasmenu(l.parentstore, l.parentnum, &parent, &at)) continue;
    if (parent.placement == placehelp) {
      stringtohand(resultstr(kHelpSubmenuResult), g.result);
      continue;
    }
    MenuRef pm = GetMenuHandle(MenuID(at + 1));
    i32 item = std::min<i32>(l.position, CountMenuItems(pm));
    if (pm == nilid || item < 1 || i + 1 > kLargestSubmenuId) continue;
    SetItemCmd(pm, MenuItemIndex(item), hMenuCmd);
    SetItemMark(pm, MenuItemIndex(item), u8(i + 1));
    Str255 title{};
    menutitle(l, title);
    SetMenuItemText(pm, MenuItemIndex(item), title);
    enableby(pm, MenuItemIndex(item), l);
  }
}

}  // namespace

void buildmenubar() {
  MainGlobals& g = mainglobals();
  if (g.lockMenus) return;
  shellmenustate().helpmenushown = 0;
  HiliteMenu(0);
  for (MenuID id = 1;; ++id) {
    MenuRef m = GetMenuHandle(id);
    if (m == nilid || !IsValidMenu(m)) break;
    if (m == g.fontmenu || m == shellmenustate().windowsmenu) continue;
    DeleteMenu(id);
    DisposeMenu(m);
  }
  ClearMenuBar();
  clearhelpitems();
  i16 n = currentnumlines();
  for (i32 i = 0; i < n; ++i) loadmenu(lineat(i), MenuID(i + 1));
  EventRecord e = g.event;
  if (n > 0) attachsubmenus();
  sendxrtnevent(nilid, kXrtnMenuBarBuilt, &e);
}

MenuRef loadmenu(const menuline& line, MenuID id) {
  Str255 title{};
  menutitle(line, title);
  MenuRef m = NewMenu(id, title);
  drawmenuitem(m, line);
  if (menuflags(line) & kDisabledFlag) DisableMenuItem(m, 0);
  if (myequalstring(title, upstrsrc(kFontMenuName))) {
    DisposeMenu(m);
    m = loadfontmenu(line, id);
  } else if (myequalstring(title, upstrsrc(kWindowMenuName))) {
    DisposeMenu(m);
    m = loadwindowmenu(line, id);
  }
  switch (line.placement) {
    case placebar: InsertMenu(m, 0); break;
    case placehelp: InsertHelpMenu(m); break;
    default: InsertMenu(m, hierMenu); break;
  }
  return m;
}

void drawmenuitem(MenuRef menu, const menuline& line) {
  i32 count = menuitemcount(line);
  for (i32 k = 0; k < count; ++k) {
    menuitem it = loadat<menuitem>(deref(line.items) + Size(k) * Size(sizeof(menuitem)));
    u32 flags = it.flags;
    if (flags & kItemDivider) {
      const u8 dash[] = {1, '-'};
      AppendMenuItem(menu, dash, kMenuItemAttrSeparator | kMenuItemAttrDisabled, 0, nullptr);
      continue;
    }
    // The text is set after the item is made: no character of a name has a meaning there.
    MenuItemIndex i = 0;
    const u8 empty[] = {0};
    if (AppendMenuItem(menu, empty, 0, 0, &i) != noErr) break;
    Str255 name{};
    handtostring(Handle(it.name), name);
    checkname(name);
    SetMenuItemText(menu, i, name);
    if (u16 key = it.word0; key != 0) {
      SetItemCmd(menu, i, u8(key));
      u8 mods = kMenuNoModifiers;
      if (flags & kItemShift) mods |= kMenuShiftModifier;
      if (flags & kItemOption) mods |= kMenuOptionModifier;
      if (flags & kItemControl) mods |= kMenuControlModifier;
      SetMenuItemModifiers(menu, i, mods);
    }
    if (flags & kItemDisabled) DisableMenuItem(menu, i);
    if (flags & kItemChecked) CheckMenuItem(menu, i, true);
    SetItemStyle(menu, i, u8((flags >> 3) & 0x1F));
  }
}

void drawmenubar() {
  MainGlobals& g = mainglobals();
  if (!shellmenustate().menubarmaybedrawn || g.lockMenus || !weAreFrontProcess()) return;
  MenuRef m = nilid;
  MenuItemIndex i = 0;
  if (GetIndMenuItemWithCommandID(nilid, kHICommandPreferences, 1, &m, &i) == noErr) {
    DeleteMenuItem(m, i);
    while (CountMenuItems(m) > 0 && IsMenuItemSeparator(m, 1)) DeleteMenuItem(m, 1);
  }
  EventRecord e = g.event;
  if (sendxrtnevent(nilid, kXrtnMenuBarShown, &e) == 0) {
    ShowMenuBar();
    DrawMenuBar();
  }
  g.menubarvisible = IsMenuBarVisible() ? 1 : 0;
}

}  // namespace kv
