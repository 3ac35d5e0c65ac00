// Menu sets: sixteen sets of menu lines, of which the current one (`menuSet`) makes up the
// menu bar. A menu line names one placed menu of a project by its project store and menu
// number (its 1-based position in the project's menu library); a project's menu stands at
// most once in a set.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

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

}  // namespace kv
