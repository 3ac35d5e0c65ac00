// Menu sets: sixteen sets of menu lines, of which the current one (`menuSet`) makes up the
// menu bar. A menu line names one placed menu of a project by its project store and menu
// number (its 1-based position in the project's menu library); a project's menu stands at
// most once in a set. The line at 0-based index i is loaded as platform menu id i + 1; lines
// placed in the bar or the Help menu come before submenus and pop-ups.
//
// Each line holds the project's menu library record and the menu record in the record cache,
// which keeps the project open; deleting the line releases them.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

struct tray;

// Placements of a line.
enum : u16 {
  placesubmenu = 3,  // under an item of another menu (position: that item's number)
  placepopup = 4,    // a pop-up shown for the moment
  placebar = 5,      // the menu bar
  placehelp = 6,     // merged into the Help menu
  placedock = 7,     // the dock tile's menu (only the dock menu's own line)
};

// One placed menu.
struct menuline {
  RegistryId store;       // the menu's project
  Handle menulib;         // that project's menu library record (store record 2), held
  u32 menunum;            // 1-based position in the menu library
  u32 menurecid;          // record id of the menu record (first word of its library entry)
  u32 menubook;           // second word of the library entry
  Handle menu;            // the menu record, held
  Handle items;           // the menu record's item list
  RegistryId parentstore; // a submenu's parent menu's project, else 0
  u32 parentnum;          // and that menu's number, else 0
  u16 placement;          // 3 submenu, 4 temporary pop-up, 5 menu bar, 6 Help menu, 7 dock
  u16 position;           // the parent item's number (3), else the position asked for
};

struct menuset {
  Handle lines;  // menuline records
  i16 count;
};
constexpr int kMenuSets = 16;

// Gives each set an empty line handle: 0, or 37 when memory runs out.
i16 initmenusets();
// True when the dock menu exists and the line names it (same project and menu number).
bool isdockmenuline(const menuline& line);
// The line handle and the line count of the current set.
Handle currentline();
i16 currentnumlines();
// A copy of line `index` of the current set (zero outside the set).
menuline lineat(i32 index);
// The index of the first line of the current set of that placement (-1: none).
i32 firstlineof(u16 placement);

// The menu record's flags: bit 0 disabled, bit 1 protected.
u32 menuflags(const menuline& line);
bool menuprotected(const menuline& line);
// The number of 42-byte items of a line's menu.
i32 menuitemcount(const menuline& line);
// The item lists of the lines (all sets and the dock menu's) of one menu record follow the
// record after its item list was replaced.
void syncmenuitems(RegistryId store, u32 menurecid);

// Places the menu a tray names into the current set (placement and position as in menuline;
// for the bar the position is the 0-based index to take, for the Help menu the end). A menu
// already in the set moves. With `rebuild` the set is put in order and the menu bar rebuilt and
// drawn. 0, an error of the tray's resolution, 113 a menu placed under itself, 70, or 37.
i16 lowinsert(const tray& t, RegistryId parentstore, u32 parentnum, i32 position, u16 placement, bool rebuild);
// The same for a menu already resolved to its project and number.
i16 insertline(RegistryId store, u32 menunum, RegistryId parentstore, u32 parentnum, i32 position, u16 placement,
               bool rebuild);
// Deletes line `index` of the current set, releasing its records.
void deleteline(i32 index);
// Deletes submenus whose parent menu left the set, and puts the bar's and Help menu's lines
// before the submenus and pop-ups.
void reorderlines();
// Keeps submenus on their items when an item of menu (store, menunum) is inserted (item: the
// new item's 0-based place) or removed (item: its 1-based number; its submenu goes).
void adjusthiers(RegistryId store, u32 menunum, i32 item, bool inserting);
// Deletes every line of the current set but those of protected menus (which leave entry 107 of
// the result texts in `the result`).
void closemenus();
// Deletes a project's lines from all sets (protected ones stay unless `force`), then rebuilds
// and draws the menu bar.
void killprojmenus(RegistryId store, bool force);
// Deletes every line of every set, protected ones too, and the dock menu: what the menus hold
// is written back and their projects close when nothing else holds them (the end of a run).
void releasemenusets();
// Protects (or unprotects) the menus of the lines of a project in all sets, or of every line
// for store 0. In memory only: the records are not marked changed.
void protectprojmenus(RegistryId store, bool protect);

}  // namespace kv
