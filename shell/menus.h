// Menu choices and menu keys, the menu bar built from the current menu set, its visibility,
// and the dock, font, window and Help menus.
#pragma once

#include "engine/hier.h"
#include "platform/events/handlers.h"
#include "platform/menus/menus.h"
#include "platform/runtime/root.h"
#include "platform/types.h"
#include "core/menusets.h"

namespace kv {

// A menu result: menu id in the high half (signed), item number (from 1) in the low half.
inline i16 menuresultid(i32 result) { return i16(u32(result) >> 16); }
inline i16 menuresultitem(i32 result) { return i16(u32(result) & 0xFFFF); }
inline i32 menuresult(i16 id, i16 item) { return i32((u32(u16(id)) << 16) | u16(item)); }

// The platform menu id of the dock tile's menu.
constexpr MenuID kDockMenuID = 4096;

// --- Choices and keys ------------------------------------------------------------------------
// Sends "itemSelect" for a menu choice: 0, 63 when the result names no menu item, or the
// send's status. The menu's title stays highlighted for at least 6 ticks.
i16 docommand(i32 result);
// Sends "returnKey", "enterKey" or "menuKey" with the character to the card of the front
// project window (nothing when that window is hidden): the send's status.
i16 sendmenukey(i16 character);
// The handler of the dock menu's commands ('DM01' to 'DM99'): "itemSelect" to the dock item.
OSStatus PappRTDockMenuHandlerProc(EventHandlerCallRef call, EventRef event, u32 userdata);

// --- The menu bar ------------------------------------------------------------------------------
// Rebuilds the platform menus from the current menu set (nothing while lockMenus is set).
void buildmenubar();
// Shows the menu bar when it may be drawn, lockMenus is clear and the program is in front.
void drawmenubar();
// The platform menu of a line with that id, filled from the menu record; the font and window
// menus are the shared ones.
MenuRef loadmenu(const menuline& line, MenuID id);
// Fills a platform menu with the items of a line's menu.
void drawmenuitem(MenuRef menu, const menuline& line);
// The menu bar's visibility for scripts.
void showmenu();
void hidemenu();
// Disables every title of the bar, the window menu and the Help menu's items: a mask of the
// bar's menus (ids 1 to 31) that were enabled. ReEnableMenuBar restores them; menus with
// larger ids take their state from their menu records again.
u32 DisableMenuBar();
void ReEnableMenuBar(u32 mask);
// Makes the platform read a menu's command keys afresh.
void FlushBuggyOSXMenuKeyCache(MenuRef menu);

// --- Dock, font, window and Help menus ----------------------------------------------------------
// `set the dockMenu to <menu> | none`: the atoms after `to`. 0, 19 words left, or the menu
// reference's error.
scriptstatus setdockmenu(hierpath context, Handle atoms, i32 at, Handle text, Handle variables);
// Builds the dock menu from a line's menu (project store and menu number): 0, or the error of
// holding its records.
i16 setdockmenuline(const menuline& line);
void removedockmenu();
// Shows the font menu's items in their own fonts (on) or in the system font (off).
void WysiwygFontMenu(bool on);
// Copies a project menu's items to the end of the Help menu: the Help menu, or 0 (and entry 64
// of the result texts in `the result`) when the system has none.
MenuRef InsertHelpMenu(MenuRef project);
// The shared font menu (made with the system's font list on first use) and the standard window
// menu, given the line's id and its menu's enabled state: what loadmenu shows for a project
// menu of those names.
MenuRef loadfontmenu(const menuline& line, MenuID id);
MenuRef loadwindowmenu(const menuline& line, MenuID id);

// The shell's own menus: the dock tile's platform menu, whether a project menu stands under
// the Help menu, the standard window menu, the family last chosen from the font menu, and the
// menu bar's drawn and built state across suspend and resume.
struct ShellMenuState {
  RegistryId dockmenuref;  // the dock tile's platform menu (0 while there is none)
  i16 helpmenushown;       // a project menu is placed under the Help menu (cleared by each rebuild)
  RegistryId windowsmenu;  // the standard window menu, made on first use and kept for the run
  i16 fontfamily;          // the family last chosen from the font menu
  i16 menubarmaybedrawn;   // start 1
  i16 menubarbuilt;        // set by the first resume
  i16 menubarwasvisible;   // the menu bar's state recorded at suspend
};
inline ShellMenuState& shellmenustate() { return state<ShellMenuState>(); }

}  // namespace kv
