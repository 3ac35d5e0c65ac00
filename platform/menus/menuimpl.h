// The menu records and the module state, shared by the menu files of this folder.
#pragma once

#include <string>
#include <vector>

#include "platform/menus/menulayout.h"
#include "platform/menus/menus.h"
#include "platform/runtime/root.h"

namespace kv {

struct MenuItemData {
  std::string text;  // Mac Roman, at most 255 bytes
  u8 mark = noMark;
  u8 cmd = 0;  // hMenuCmd: the mark is the submenu's id
  u8 modifiers = kMenuNoModifiers;
  u8 style = 0;
  i16 icon = 0;
  i16 font = 0;  // 0: the menu's own font
  bool enabled = true;
  bool separator = false;
  MenuCommand command = 0;
  u32 refcon = 0;  // the standard window menu: the window an item selects
};

struct MenuData {
  MenuID id = 0;
  std::string title;
  bool enabled = true;
  bool windowmenu = false;  // the standard window menu: its window items follow the windows
  bool fontmenu = false;    // a standard font menu: its items are the font families
  std::vector<MenuItemData> items;
  i16 font = 0;  // SetMenuFont: the font and size the menu's items are shown in
  u16 size = 0;  // (0: the system font at its own size)
};

// One menu open while a menu is tracked.
struct OpenMenu {
  MenuRef menu = nilid;
  Point topleft{0, 0};
  MenuItemIndex hilite = 0;      // the item under the mouse (0: none)
  MenuItemIndex parentitem = 0;  // the item of the menu before this one that opened it
};

struct MenuState {
  Registry<MenuData, RegType::menu> menus;
  std::vector<MenuRef> bar;       // the menu bar, left to right
  std::vector<MenuRef> submenus;  // the submenu list
  MenuRef help = nilid;           // the system's Help menu, once asked for
  MenuRef dock = nilid;           // the dock tile's menu
  MenuID hilited = 0;
  std::vector<OpenMenu> open;  // while tracking: the bar's or pop-up's menu first
};

MenuState& ms();
// The record of a live menu, or null.
MenuData* md(MenuRef menu);
// An item of a live menu (1-based), or null.
MenuItemData* mi(MenuRef menu, MenuItemIndex item);
// The menu or one of its items changed: the screen shows it again.
void menuschanged();
// Copies a short string into a menu text (at most 255 bytes) and back.
std::string menutext(ConstStringPtr s);
void menutextout(const std::string& text, Str255 out);
// The submenu an item holds (hMenuCmd with the submenu's id in the mark), or 0.
MenuRef submenuof(const MenuItemData& item);
// Brings the window items of a standard window menu up to date.
void refreshwindowmenu(MenuRef menu);
// Carries out a chosen item's command id: the program's handlers first, then the standard
// window menu's own commands. True when one took it.
bool runmenucommand(MenuRef menu, MenuItemIndex item);
// Hit test of an open menu: whether the point lies in it, and the item under it (0: none).
bool menuhit(const OpenMenuView& menu, Point p, MenuItemIndex* item);

}  // namespace kv
