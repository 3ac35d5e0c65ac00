// The Menu Manager of our platform model: menus named by 32-bit registry ids (RegType::menu),
// each with an id, a title, an enabled state and its items (text, mark, command key with its
// modifiers, icon, text style, font, enabled state, separator, command id); the menu list (the
// menus shown in the menu bar, left to right, and the submenu list of menus that are only
// reached from an item); the highlighted title; tracking a click in the menu bar or a pop-up
// menu, and finding the item of a command key; the system's Help menu, the standard font and
// window menus and the dock tile's menu.
//
// An item whose command character is hMenuCmd holds a submenu: its mark is the submenu's id, as
// the classic Menu Manager keeps it. The compositor draws the menu bar and the open menus from
// this model (menulayout.h).
//
// Texts are Mac Roman, at most 255 bytes. Item numbers count from 1; item 0 names the whole
// menu (its title) where a routine says so.
#pragma once

#include <string>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using MenuRef = RegistryId;
using MenuHandle = MenuRef;
using MenuID = i16;
using MenuItemIndex = u16;
using MenuCommand = u32;

// Ids and characters with a meaning of their own.
constexpr MenuID hierMenu = -1;           // InsertMenu: into the submenu list
constexpr MenuID kHMHelpMenuID = -16490;  // the system's Help menu
constexpr u8 hMenuCmd = 0x1B;             // the command character of an item with a submenu
constexpr u8 noMark = 0;
constexpr u8 checkMark = 0x12;
constexpr u16 kMaxMenuItems = 0x7FFF;

// Modifiers of an item's command key (the command key itself is implied unless
// kMenuNoCommandModifier is given).
enum : u8 {
  kMenuNoModifiers = 0,
  kMenuShiftModifier = 1,
  kMenuOptionModifier = 2,
  kMenuControlModifier = 4,
  kMenuNoCommandModifier = 8,
};

// Attributes of a new item.
enum : u32 {
  kMenuItemAttrDisabled = 1u << 1,
  kMenuItemAttrSeparator = 1u << 6,
};

// Results of this layer.
enum : OSStatus {
  menuNotFoundErr = -5620,
  menuItemNotFoundErr = -5621,
};

// Command ids of the standard window menu.
constexpr MenuCommand kHICommandMinimizeWindow = fourcc("mini");
constexpr MenuCommand kHICommandZoomWindow = fourcc("zoom");
constexpr MenuCommand kHICommandSelectWindow = fourcc("swin");
constexpr MenuCommand kHICommandPreferences = fourcc("pref");

// --- Menus ---------------------------------------------------------------------------------
MenuRef NewMenu(MenuID id, ConstStringPtr title);
// Disposes of a menu; it leaves the menu list, and the dock tile when it is the dock's menu.
void DisposeMenu(MenuRef menu);
bool IsValidMenu(MenuRef menu);
MenuID GetMenuID(MenuRef menu);
void SetMenuID(MenuRef menu, MenuID id);
void GetMenuTitle(MenuRef menu, Str255 title);
void SetMenuTitle(MenuRef menu, ConstStringPtr title);
u16 CountMenuItems(MenuRef menu);

// --- Items -----------------------------------------------------------------------------------
// Adds an item at the end (its text is taken as it is: no character has a meaning): noErr, or
// paramErr for an invalid menu or a full one. *index (may be null) gets its number.
OSStatus AppendMenuItem(MenuRef menu, ConstStringPtr text, u32 attributes, MenuCommand command, MenuItemIndex* index);
// Adds the items a text describes at the end. Items are separated by ";" and returns; within
// an item, "^" and the character after it give its icon (the character less 48, plus 256),
// "!" and the next character its mark, "<" and one of B, I, U, O, S a text style, "/" and the
// next character its command key (0x1B: the item holds a submenu), and "(" disables it. An
// item whose text begins with "-" is a separator; empty items are left out. Items stop once the
// menu is full.
void AppendMenu(MenuRef menu, ConstStringPtr data);
// Adds, at the end, the names of the font families ('FONT' and 'FOND') or of the resources of
// that type in the resource chain (alphabetically, names beginning with "." or "%" left out).
void AppendResMenu(MenuRef menu, ResType type);
// The font and size of a menu's items (menus start in the system font, size 0).
OSStatus SetMenuFont(MenuRef menu, i16 font, u16 size);
OSStatus GetMenuFont(MenuRef menu, i16* font, u16* size);
// Adds an item after item `after` (0: first).
OSStatus InsertMenuItem(MenuRef menu, ConstStringPtr text, MenuItemIndex after, u32 attributes, MenuCommand command);
void DeleteMenuItem(MenuRef menu, MenuItemIndex item);
// Deletes `count` items from item `first` on.
void DeleteMenuItems(MenuRef menu, MenuItemIndex first, u32 count);
void GetMenuItemText(MenuRef menu, MenuItemIndex item, Str255 text);
void SetMenuItemText(MenuRef menu, MenuItemIndex item, ConstStringPtr text);
bool IsMenuItemSeparator(MenuRef menu, MenuItemIndex item);
void GetItemMark(MenuRef menu, MenuItemIndex item, u8* mark);
void SetItemMark(MenuRef menu, MenuItemIndex item, u8 mark);
void CheckMenuItem(MenuRef menu, MenuItemIndex item, bool checked);
void GetItemCmd(MenuRef menu, MenuItemIndex item, u8* cmd);
void SetItemCmd(MenuRef menu, MenuItemIndex item, u8 cmd);
OSStatus GetMenuItemModifiers(MenuRef menu, MenuItemIndex item, u8* modifiers);
OSStatus SetMenuItemModifiers(MenuRef menu, MenuItemIndex item, u8 modifiers);
void GetItemIcon(MenuRef menu, MenuItemIndex item, i16* icon);
void SetItemIcon(MenuRef menu, MenuItemIndex item, i16 icon);
void GetItemStyle(MenuRef menu, MenuItemIndex item, u8* style);
void SetItemStyle(MenuRef menu, MenuItemIndex item, u8 style);
OSStatus GetMenuItemFontID(MenuRef menu, MenuItemIndex item, i16* font);
OSStatus SetMenuItemFontID(MenuRef menu, MenuItemIndex item, i16 font);
OSStatus GetMenuItemCommandID(MenuRef menu, MenuItemIndex item, MenuCommand* command);
OSStatus SetMenuItemCommandID(MenuRef menu, MenuItemIndex item, MenuCommand command);
// Item 0: the whole menu (its title).
void EnableMenuItem(MenuRef menu, MenuItemIndex item);
void DisableMenuItem(MenuRef menu, MenuItemIndex item);
bool IsMenuItemEnabled(MenuRef menu, MenuItemIndex item);
// The first item (of the menu, or of every menu of the menu list when menu is 0) with that
// command id and its occurrence `instance` (from 1): noErr, or menuItemNotFoundErr.
OSStatus GetIndMenuItemWithCommandID(MenuRef menu, MenuCommand command, u32 instance, MenuRef* outmenu,
                                     MenuItemIndex* outitem);

// --- The menu list -----------------------------------------------------------------------------
// Inserts a menu into the menu bar before the menu with id `before` (0, or an id not in the
// bar: at the end), or into the submenu list with hierMenu. A menu already in the list stays
// where it is.
void InsertMenu(MenuRef menu, MenuID before);
// Takes the menu with that id out of the menu list (it is not disposed of).
void DeleteMenu(MenuID id);
// The menu with that id in the menu list (the bar, the submenu list, the Help menu); 0 when none.
MenuRef GetMenuHandle(MenuID id);
inline MenuRef GetMenuRef(MenuID id) { return GetMenuHandle(id); }
// Empties the menu list (the menus are not disposed of; the Help menu stays).
void ClearMenuBar();
// The menus of the bar, left to right (the Help menu last while it has items).
std::vector<MenuRef> menubarmenus();
// Draws the menu bar again (the compositor shows it at the next presentation).
void DrawMenuBar();
void InvalMenuBar();
// Highlights the title of the menu with that id (0: none).
void HiliteMenu(MenuID id);
// The id of the highlighted title, 0 when none.
MenuID hilitedmenu();

// --- Choosing ----------------------------------------------------------------------------------
// Tracks the mouse from a press in the menu bar: the menu under the mouse opens, its items
// highlight, submenus open beside their items. Releasing on an enabled item chooses it; a
// press and release on a title leaves the menu open until the next click. An item with a
// command id is first carried out as a process command (ProcessHICommand; the standard
// window menu's own commands are carried out here), after which nothing is answered.
// Answers (menu id << 16) | item, with the menu's title left highlighted, or 0.
i32 MenuSelect(Point start);
// A pop-up menu with item `popupitem` at (top, left), tracked while the button is held, or
// until the next click when it is not held. Answers as MenuSelect.
i32 PopUpMenuSelect(MenuRef menu, i16 top, i16 left, MenuItemIndex popupitem);
// The enabled item of an enabled menu of the menu bar or the submenu list whose command key is
// the character (letters of either case) with the command key alone: its title highlighted and
// (id << 16) | item; 0 when none. The Help menu is not searched.
i32 MenuKey(i16 character);
// The same for a key-down event, with the event's shift, option, control and command keys.
i32 MenuEvent(const EventRecord& event);

// --- System menus ------------------------------------------------------------------------------
// The system's Help menu (made on first use, shown at the end of the bar while it has items)
// and the number of its first item that a program may add: noErr.
OSStatus HMGetHelpMenu(MenuRef* menu, MenuItemIndex* firstcustom);
// Appends the font families (each item's text the family's name) to a menu.
OSStatus CreateStandardFontMenu(MenuRef menu, MenuItemIndex after);
// Makes a font menu's items the font families again (families came or went): noErr, or
// paramErr for a menu CreateStandardFontMenu did not fill.
OSStatus UpdateStandardFontMenu(MenuRef menu);
// The family and style of a font menu's item: noErr, or menuItemNotFoundErr.
OSStatus GetFontFamilyFromMenuSelection(MenuRef menu, MenuItemIndex item, i16* family, u8* style);
// A new standard window menu (id 0, its items the window commands and the windows that want
// to be listed).
OSStatus CreateStandardWindowMenu(u32 options, MenuRef* out);
bool IsStandardWindowMenu(MenuRef menu);
// The menu of the program's dock tile (0: none).
OSStatus SetApplicationDockTileMenu(MenuRef menu);
MenuRef GetApplicationDockTileMenu();

}  // namespace kv
