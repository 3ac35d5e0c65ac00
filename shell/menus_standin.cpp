// A stand-in for the menus until the menu bar is built from the menu sets: no menu is shown,
// so tracking a click or a command key chooses nothing. `sendmenukey` and the item choice of
// `docommand` are as they will stay; the Help and font menus and script editing from a menu
// join with the menus.
#include <string>

#include "engine/objectsend.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "shell/menus.h"
#include "shell/menusets.h"
#include "shell/windtable.h"

namespace kv {

namespace {
constexpr i16 kNoSuchItem = 63;
constexpr Size kItemRecordSize = 42;
}  // namespace

i16 docommand(i32 result) {
  i16 id = menuresultid(result), item = menuresultitem(result);
  i16 lines = currentnumlines();
  Handle set = currentline();
  if (id < 1 || id > lines || item < 1 || set == nilhandle || HandleCount<menuline>(set) < id) return kNoSuchItem;
  menuline line = HandleAs<menuline>(set)[id - 1];
  Size count = line.items != nilhandle ? GetHandleSize(line.items) / kItemRecordSize : 0;
  if (item > count) return 0;
  WindowRef top = nilid;
  topwindow(&top);
  return itemsend(line, i16(item - 1), "itemSelect", top);
}

i16 sendmenukey(i16 character) {
  WindowRef top = nilid;
  topwindow(&top);
  if (top == nilid || !IsWindowVisible(top)) return 0;
  if (character == 13) return cardsend("returnKey", sendnormal, top);
  if (character == 3) return cardsend("enterKey", sendnormal, top);
  // A double quote cannot stand between double quotes: it goes by its constant's name.
  if (character == '"') return cardsend("menuKey quote", sendnormal, top);
  std::string text = "menuKey \"";
  text += char(u8(character));
  text += '"';
  return cardsend(text, sendnormal, top);
}

void buildmenubar() {}

void drawmenubar() {}

i32 MenuSelect(Point) { return 0; }

i32 MenuKey(i16) { return 0; }

i32 MenuEvent(const EventRecord&) { return 0; }

}  // namespace kv
