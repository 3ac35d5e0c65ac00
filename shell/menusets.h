// The menu sets' routines: the sixteen sets of menu lines (types in core/menusets.h), the
// current one making up the menu bar; placing, ordering and deleting lines.
#pragma once

#include "core/menusets.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

struct tray;

// Gives each set an empty line handle: 0, or 37 when memory runs out.
i16 initmenusets();

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
