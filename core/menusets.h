// Menu-set types: sixteen sets of menu lines, of which the current one (`menuSet`) makes up the
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
  RegistryId store;        // the menu's project
  Handle menulib;          // that project's menu library record (store record 2), held
  u32 menunum;             // 1-based position in the menu library
  u32 menurecid;           // record id of the menu record (first word of its library entry)
  u32 menubook;            // second word of the library entry
  Handle menu;             // the menu record, held
  Handle items;            // the menu record's item list
  RegistryId parentstore;  // a submenu's parent menu's project, else 0
  u32 parentnum;           // and that menu's number, else 0
  u16 placement;           // 3 submenu, 4 temporary pop-up, 5 menu bar, 6 Help menu, 7 dock
  u16 position;            // the parent item's number (3), else the position asked for
};

struct menuset {
  Handle lines;  // menuline records
  i16 count;
};
constexpr int kMenuSets = 16;

// True when the dock menu exists and the line names it (same project and menu number).
bool isdockmenuline(const menuline& line);
// The line handle and the line count of the current set.
Handle currentline();
i16 currentnumlines();
// A copy of line `index` of the current set (zero outside the set).
menuline lineat(i32 index);
// The index of the first line of the current set of that placement (-1: none).
i32 firstlineof(u16 placement);

}  // namespace kv
