// Menu choices, command keys that no item takes, the dock menu's commands, and the menu bar's
// visibility for scripts.
#include "shell/menus.h"

#include <string>

#include "engine/hier.h"
#include "engine/objectsend.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "shell/eventqueue.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/menusets.h"
#include "shell/newscript.h"
#include "shell/platformutil.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/reftexts.h"
#include "store/scripteditor.h"
#include "system/externalevents.h"

namespace kv {

namespace {

constexpr i16 kNoSuchItem = 63;
constexpr u32 kHiliteTicks = 6;
constexpr i16 kFontMenuName = 4;
constexpr u32 kDisabledFlag = 1;
constexpr i32 kMaskedIds = 31;  // menu ids a 32-bit mask can name

void unhilite() {
  if (hilitedmenu() != 0) HiliteMenu(0);
}

// The menu record's name.
void menuname(const menuline& line, Str255 out) {
  out[0] = 0;
  if (line.menu == nilhandle) return;
  handtostring(Handle(loadat<menurec>(deref(line.menu)).name), out);
}

// The menu's title from the platform's Help menu item number: the project's Help menu line and
// its own item number, or false.
bool helpchoice(i16* id, i16* item) {
  i32 index = firstlineof(placehelp);
  if (index < 0) return false;
  MenuRef help = nilid;
  MenuItemIndex first = 0;
  HMGetHelpMenu(&help, &first);
  *id = i16(index + 1);
  *item = i16(*item + menuitemcount(lineat(index)) - CountMenuItems(help));
  return true;
}

// Shift without the command key, while both editMenus and editScripts are on: the item's
// script goes to the script editor instead of running.
bool editingitem() {
  const MainGlobals& g = mainglobals();
  return g.editMenus && g.editScripts && shift() && !command();
}

void edititem(const menuline& line, i16 item) {
  objread ref{};
  ref.kind = objitem;
  ref.menu = line;
  ref.itemindex = i16(item - 1);
  Str255 text{};
  builditemid(ref, tok::long_, text);
  menuitem it = loadat<menuitem>(deref(line.items) + Size(item - 1) * Size(sizeof(menuitem)));
  Handle script = Handle(it.script);
  bool fresh = script == nilhandle;
  if (fresh) script = newscript(scriptmenuitem);
  if (script == nilhandle) return;
  if (editscript(script, 0, text) != 0) {
    if (fresh) {
      it.script = script;
      storeat(deref(line.items) + Size(item - 1) * Size(sizeof(menuitem)), it);
      fresh = false;
    }
    checkerr(changevir(line.store, i32(line.menurecid)));
    builditemid(ref, tok::long_, text);
    markhier(1, text);
  }
  if (fresh) DisposeHandle(script);
}

}  // namespace

i16 docommand(i32 result) {
  MainGlobals& g = mainglobals();
  u32 deadline = TickCount() + kHiliteTicks;
  i16 id = menuresultid(result), item = menuresultitem(result);
  if (id == kHMHelpMenuID && !helpchoice(&id, &item)) {
    unhilite();
    return kNoSuchItem;
  }
  if (id < 1 || id > currentnumlines() || item < 1) {
    unhilite();
    return kNoSuchItem;
  }
  menuline line = lineat(id - 1);
  i32 count = menuitemcount(line);
  Str255 name{};
  menuname(line, name);
  i16 status = 0;
  if (item <= count) {
    if (editingitem()) {
      edititem(line, item);
    } else {
      WindowRef top = nilid;
      topwindow(&top);
      status = itemsend(line, i16(item - 1), "itemSelect", top);
    }
  } else if (myequalstring(name, upstrsrc(kFontMenuName))) {
    i16 family = 0;
    u8 style = 0;
    if (GetFontFamilyFromMenuSelection(g.fontmenu, MenuItemIndex(item), &family, &style) == noErr)
      shellmenustate().fontfamily = family;
    WindowRef top = nilid;
    topwindow(&top);
    menusend(line, "itemSelect", top);
  }
  // The title stays highlighted a moment, however quickly the handler returned.
  u32 now = TickCount();
  if (i32(deadline - now) > 0) delay(deadline - now);
  HiliteMenu(0);
  return status;
}

i16 sendmenukey(i16 character) {
  WindowRef top = nilid;
  topwindow(&top);
  if (top == nilid || !IsWindowVisible(top)) return 0;
  if (character == 13) return cardsend("returnKey", sendnormal, top);
  if (character == 3) return cardsend("enterKey", sendnormal, top);
  // A double quote cannot stand between double quotes: it goes by its constant's name. A
  // control character (a zero byte would end the message text, a line feed the statement)
  // goes as the character of its number.
  if (character == '"') return cardsend("menuKey quote", sendnormal, top);
  u8 c = u8(character);
  if (c < 0x20) return cardsend("menuKey numToChar(" + std::to_string(c) + ")", sendnormal, top);
  std::string text = "menuKey \"";
  text += char(c);
  text += '"';
  return cardsend(text, sendnormal, top);
}

OSStatus PappRTDockMenuHandlerProc(EventHandlerCallRef call, EventRef event, u32 userdata) {
  enterCarbonEvent(call, event, userdata);
  MainGlobals& g = mainglobals();
  HICommand command{};
  OSStatus r = eventNotHandledErr;
  if (shellmenustate().dockmenuref != nilid && GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                                                                 sizeof command, nullptr, &command) == noErr) {
    u32 id = command.commandID;
    u8 tens = u8(id >> 8), units = u8(id);
    // Only 'DM' and two decimal digits name a dock item, and only an item the menu has.
    bool digits = tens >= '0' && tens <= '9' && units >= '0' && units <= '9';
    i32 n = (tens - '0') * 10 + (units - '0');
    if ((id >> 16) == ((u32('D') << 8) | 'M') && digits && n >= 1 && n <= menuitemcount(g.dockmenu)) {
      WindowRef top = nilid;
      topwindow(&top);
      dockmenuitemsend(i16(n - 1), "itemSelect", top);
      r = noErr;
    }
  }
  exitCarbonEvent();
  return r;
}

void showmenu() {
  MainGlobals& g = mainglobals();
  shellmenustate().menubarmaybedrawn = 1;
  if (!weAreFrontProcess()) return;
  unhilite();
  EventRecord e = g.event;
  if (sendxrtnevent(nilid, kXrtnMenuBarShown, &e) == 0) ShowMenuBar();
  g.menubarvisible = IsMenuBarVisible() ? 1 : 0;
}

void hidemenu() {
  MainGlobals& g = mainglobals();
  if (!shellmenustate().menubarmaybedrawn) return;
  shellmenustate().menubarmaybedrawn = 0;
  HideMenuBar();
  g.menubarvisible = IsMenuBarVisible() ? 1 : 0;
}

u32 DisableMenuBar() {
  u32 mask = 0;
  i16 n = currentnumlines();
  for (i16 id = 1; id <= n; ++id) {
    MenuRef m = GetMenuHandle(id);
    if (m == nilid || !IsMenuItemEnabled(m, 0)) continue;
    if (id <= kMaskedIds) mask |= 1u << id;
    DisableMenuItem(m, 0);
  }
  if (shellmenustate().windowsmenu != nilid) DisableMenuItem(shellmenustate().windowsmenu, 0);
  MenuRef help = nilid;
  if (HMGetHelpMenu(&help, nullptr) == noErr)
    for (MenuItemIndex i = 1; i <= CountMenuItems(help); ++i) DisableMenuItem(help, i);
  unhilite();
  if (shellmenustate().menubarmaybedrawn) DrawMenuBar();
  return mask;
}

void ReEnableMenuBar(u32 mask) {
  i16 n = currentnumlines();
  for (i16 id = 1; id <= n; ++id) {
    MenuRef m = GetMenuHandle(id);
    if (m == nilid) continue;
    // A menu the mask cannot name is enabled again as its record says.
    bool enable = id <= kMaskedIds ? (mask & (1u << id)) != 0 : (menuflags(lineat(id - 1)) & kDisabledFlag) == 0;
    if (enable) EnableMenuItem(m, 0);
  }
  if (shellmenustate().windowsmenu != nilid) EnableMenuItem(shellmenustate().windowsmenu, 0);
  MenuRef help = nilid;
  if (HMGetHelpMenu(&help, nullptr) == noErr)
    for (MenuItemIndex i = 1; i <= CountMenuItems(help); ++i)
      if (!IsMenuItemSeparator(help, i)) EnableMenuItem(help, i);
  unhilite();
  if (shellmenustate().menubarmaybedrawn) DrawMenuBar();
}

void FlushBuggyOSXMenuKeyCache(MenuRef menu) {
  if (CountMenuItems(menu) == 0) return;
  u8 key = 0;
  GetItemCmd(menu, 1, &key);
  SetItemCmd(menu, 1, 'a');
  SetItemCmd(menu, 1, key);
}

}  // namespace kv
