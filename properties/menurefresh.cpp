#include "properties/menurefresh.h"

#include "engine/lookups.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "core/menusets.h"

namespace kv {

void menuchanged(const objread& obj) {
  menuline line{};
  i32 index = -1;
  if (hasmenu(obj.menu.store, obj.menu.menunum, &line, &index) && index >= 0) {
    buildmenubar();
    drawmenubar();
  }
  if (isdockmenuline(obj.menu)) setdockmenuline(mainglobals().dockmenu);
}

}  // namespace kv
