// Where the menu bar's titles and the open menus' items lie on the screen: the picture of the
// menu model that the compositor draws, the tracking loops hit-test, and tests click on.
//
// Titles and items are set in the system font at 12 points. The bar's titles begin 10 pixels
// from the bar's left edge; a menu drops from its title's bottom-left corner; a submenu opens
// beside its item; a menu taller than its screen continues in further columns to the right.
// Everything is in global coordinates.
#pragma once

#include <string>
#include <vector>

#include "platform/menus/menus.h"

namespace kv {

struct MenuTitleView {
  MenuRef menu = nilid;
  MenuID id = 0;
  std::string title;  // Mac Roman; the single character 20 stands for the Apple menu
  Rect rect{0, 0, 0, 0};
  bool enabled = true;
  bool hilited = false;
};

struct MenuItemView {
  MenuItemIndex item = 0;
  Rect rect{0, 0, 0, 0};
  std::string text;     // Mac Roman
  std::string keytext;  // the command key as shown ("Cmd-Q", "Shift-Cmd-S"), empty for none
  u8 mark = 0;
  u8 style = 0;
  i16 font = 0;
  bool enabled = true;
  bool separator = false;
  bool hilited = false;
  bool submenu = false;
};

struct OpenMenuView {
  MenuRef menu = nilid;
  Rect frame{0, 0, 0, 0};  // the whole menu, its one-pixel border included
  std::vector<MenuItemView> items;
};

// The titles of the menu bar, left to right (none while the bar is hidden).
std::vector<MenuTitleView> menubartitles();
// The menus open now (while a menu is tracked), the first one the bar's or the pop-up's.
std::vector<OpenMenuView> openmenus();
// The menu laid out with its top-left corner at `topleft`, kept on the screen that holds it.
OpenMenuView layoutmenu(MenuRef menu, Point topleft);

// For tests and the driver: the title of a menu in the bar (empty when not there), and where
// an item of a menu lies when the menu is reached the usual way: dropped from its title, opened
// beside the item that holds it as a submenu, or as it is open now (empty when none of these).
Rect menutitlerect(MenuID id);
Rect menuitemrect(MenuID id, MenuItemIndex item);

// The system font's key for menus, and the height of items and of separators.
constexpr i16 kMenuItemHeight = 18;
constexpr i16 kMenuSeparatorHeight = 9;

}  // namespace kv
