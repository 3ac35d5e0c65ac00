// Menus and their items, the menu list and the highlighted title.
#include <algorithm>
#include <memory>

#include "platform/menus/menuimpl.h"
#include "platform/windows/compositor.h"

namespace kv {

MenuState& ms() { return state<MenuState>(); }

MenuData* md(MenuRef menu) { return hasstate<MenuState>() ? ms().menus.get(menu) : nullptr; }

MenuItemData* mi(MenuRef menu, MenuItemIndex item) {
  MenuData* m = md(menu);
  if (!m || item < 1 || item > m->items.size()) return nullptr;
  return &m->items[item - 1];
}

void menuschanged() { screenchanged(); }

std::string menutext(ConstStringPtr s) {
  return s ? std::string(reinterpret_cast<const char*>(s + 1), s[0]) : std::string();
}

void menutextout(const std::string& text, Str255 out) {
  std::size_t n = std::min<std::size_t>(text.size(), 255);
  out[0] = u8(n);
  std::copy_n(text.data(), n, reinterpret_cast<char*>(out + 1));
}

MenuRef submenuof(const MenuItemData& item) {
  if (item.cmd != hMenuCmd || item.mark == 0) return nilid;
  return GetMenuHandle(MenuID(item.mark));
}

namespace {

bool inlist(const std::vector<MenuRef>& list, MenuRef menu) {
  return std::find(list.begin(), list.end(), menu) != list.end();
}

void removefromlists(MenuRef menu) {
  MenuState& s = ms();
  std::erase(s.bar, menu);
  std::erase(s.submenus, menu);
}

// Applies fn to an item when it exists; fn's changes show on the screen.
template <class Fn>
void withitem(MenuRef menu, MenuItemIndex item, Fn&& fn) {
  if (MenuItemData* i = mi(menu, item)) {
    fn(*i);
    menuschanged();
  }
}

}  // namespace

// --- Menus ---------------------------------------------------------------------------------------

MenuRef NewMenu(MenuID id, ConstStringPtr title) {
  auto m = std::make_unique<MenuData>();
  m->id = id;
  m->title = menutext(title);
  return ms().menus.add(std::move(m));
}

void DisposeMenu(MenuRef menu) {
  if (!md(menu)) return;
  MenuState& s = ms();
  removefromlists(menu);
  if (s.dock == menu) s.dock = nilid;
  if (s.help == menu) s.help = nilid;
  std::erase_if(s.open, [menu](const OpenMenu& o) { return o.menu == menu; });
  s.menus.remove(menu);
  menuschanged();
}

bool IsValidMenu(MenuRef menu) { return md(menu) != nullptr; }

MenuID GetMenuID(MenuRef menu) {
  MenuData* m = md(menu);
  return m ? m->id : 0;
}

void SetMenuID(MenuRef menu, MenuID id) {
  if (MenuData* m = md(menu)) {
    if (ms().hilited == m->id && m->id != 0) ms().hilited = id;
    m->id = id;
    menuschanged();
  }
}

void GetMenuTitle(MenuRef menu, Str255 title) {
  MenuData* m = md(menu);
  menutextout(m ? m->title : std::string(), title);
}

void SetMenuTitle(MenuRef menu, ConstStringPtr title) {
  if (MenuData* m = md(menu)) {
    m->title = menutext(title);
    menuschanged();
  }
}

u16 CountMenuItems(MenuRef menu) {
  MenuData* m = md(menu);
  return m ? u16(m->items.size()) : 0;
}

// --- Items ------------------------------------------------------------------------------------

OSStatus InsertMenuItem(MenuRef menu, ConstStringPtr text, MenuItemIndex after, u32 attributes, MenuCommand command) {
  MenuData* m = md(menu);
  if (!m || m->items.size() >= kMaxMenuItems) return paramErr;
  MenuItemData item;
  item.text = menutext(text);
  item.separator = (attributes & kMenuItemAttrSeparator) != 0;
  item.enabled = (attributes & kMenuItemAttrDisabled) == 0 && !item.separator;
  item.command = command;
  std::size_t at = std::min<std::size_t>(after, m->items.size());
  m->items.insert(m->items.begin() + std::ptrdiff_t(at), std::move(item));
  menuschanged();
  return noErr;
}

OSStatus AppendMenuItem(MenuRef menu, ConstStringPtr text, u32 attributes, MenuCommand command, MenuItemIndex* index) {
  u16 n = CountMenuItems(menu);
  OSStatus r = InsertMenuItem(menu, text, n, attributes, command);
  if (r == noErr && index) *index = MenuItemIndex(n + 1);
  return r;
}

void DeleteMenuItems(MenuRef menu, MenuItemIndex first, u32 count) {
  MenuData* m = md(menu);
  if (!m || first < 1 || first > m->items.size() || count == 0) return;
  std::size_t from = first - 1u;
  std::size_t n = std::min<std::size_t>(count, m->items.size() - from);
  m->items.erase(m->items.begin() + std::ptrdiff_t(from), m->items.begin() + std::ptrdiff_t(from + n));
  for (OpenMenu& o : ms().open)
    if (o.menu == menu) o.hilite = 0;
  menuschanged();
}

void DeleteMenuItem(MenuRef menu, MenuItemIndex item) { DeleteMenuItems(menu, item, 1); }

void GetMenuItemText(MenuRef menu, MenuItemIndex item, Str255 text) {
  MenuItemData* i = mi(menu, item);
  menutextout(i ? i->text : std::string(), text);
}

void SetMenuItemText(MenuRef menu, MenuItemIndex item, ConstStringPtr text) {
  withitem(menu, item, [&](MenuItemData& i) { i.text = menutext(text); });
}

bool IsMenuItemSeparator(MenuRef menu, MenuItemIndex item) {
  MenuItemData* i = mi(menu, item);
  return i && i->separator;
}

void GetItemMark(MenuRef menu, MenuItemIndex item, u8* mark) {
  MenuItemData* i = mi(menu, item);
  if (mark) *mark = i ? i->mark : 0;
}

void SetItemMark(MenuRef menu, MenuItemIndex item, u8 mark) {
  withitem(menu, item, [&](MenuItemData& i) { i.mark = mark; });
}

void CheckMenuItem(MenuRef menu, MenuItemIndex item, bool checked) {
  SetItemMark(menu, item, checked ? checkMark : noMark);
}

void GetItemCmd(MenuRef menu, MenuItemIndex item, u8* cmd) {
  MenuItemData* i = mi(menu, item);
  if (cmd) *cmd = i ? i->cmd : 0;
}

void SetItemCmd(MenuRef menu, MenuItemIndex item, u8 cmd) {
  withitem(menu, item, [&](MenuItemData& i) { i.cmd = cmd; });
}

OSStatus GetMenuItemModifiers(MenuRef menu, MenuItemIndex item, u8* modifiers) {
  MenuItemData* i = mi(menu, item);
  if (!i) return menuItemNotFoundErr;
  if (modifiers) *modifiers = i->modifiers;
  return noErr;
}

OSStatus SetMenuItemModifiers(MenuRef menu, MenuItemIndex item, u8 modifiers) {
  if (!mi(menu, item)) return menuItemNotFoundErr;
  withitem(menu, item, [&](MenuItemData& i) { i.modifiers = modifiers; });
  return noErr;
}

void GetItemIcon(MenuRef menu, MenuItemIndex item, i16* icon) {
  MenuItemData* i = mi(menu, item);
  if (icon) *icon = i ? i->icon : 0;
}

void SetItemIcon(MenuRef menu, MenuItemIndex item, i16 icon) {
  withitem(menu, item, [&](MenuItemData& i) { i.icon = icon; });
}

void GetItemStyle(MenuRef menu, MenuItemIndex item, u8* style) {
  MenuItemData* i = mi(menu, item);
  if (style) *style = i ? i->style : 0;
}

void SetItemStyle(MenuRef menu, MenuItemIndex item, u8 style) {
  withitem(menu, item, [&](MenuItemData& i) { i.style = style; });
}

OSStatus GetMenuItemFontID(MenuRef menu, MenuItemIndex item, i16* font) {
  MenuItemData* i = mi(menu, item);
  if (!i) return menuItemNotFoundErr;
  if (font) *font = i->font;
  return noErr;
}

OSStatus SetMenuItemFontID(MenuRef menu, MenuItemIndex item, i16 font) {
  if (!mi(menu, item)) return menuItemNotFoundErr;
  withitem(menu, item, [&](MenuItemData& i) { i.font = font; });
  return noErr;
}

OSStatus GetMenuItemCommandID(MenuRef menu, MenuItemIndex item, MenuCommand* command) {
  MenuItemData* i = mi(menu, item);
  if (!i) return menuItemNotFoundErr;
  if (command) *command = i->command;
  return noErr;
}

OSStatus SetMenuItemCommandID(MenuRef menu, MenuItemIndex item, MenuCommand command) {
  MenuItemData* i = mi(menu, item);
  if (!i) return menuItemNotFoundErr;
  i->command = command;
  return noErr;
}

void EnableMenuItem(MenuRef menu, MenuItemIndex item) {
  if (item == 0) {
    if (MenuData* m = md(menu)) {
      m->enabled = true;
      menuschanged();
    }
    return;
  }
  withitem(menu, item, [](MenuItemData& i) { i.enabled = !i.separator; });
}

void DisableMenuItem(MenuRef menu, MenuItemIndex item) {
  if (item == 0) {
    if (MenuData* m = md(menu)) {
      m->enabled = false;
      menuschanged();
    }
    return;
  }
  withitem(menu, item, [](MenuItemData& i) { i.enabled = false; });
}

bool IsMenuItemEnabled(MenuRef menu, MenuItemIndex item) {
  if (item == 0) {
    MenuData* m = md(menu);
    return m && m->enabled;
  }
  MenuItemData* i = mi(menu, item);
  return i && i->enabled;
}

OSStatus GetIndMenuItemWithCommandID(MenuRef menu, MenuCommand command, u32 instance, MenuRef* outmenu,
                                     MenuItemIndex* outitem) {
  std::vector<MenuRef> menus;
  if (menu != nilid) {
    menus.push_back(menu);
  } else {
    MenuState& s = ms();
    menus = s.bar;
    menus.insert(menus.end(), s.submenus.begin(), s.submenus.end());
    if (s.help != nilid && !inlist(menus, s.help)) menus.push_back(s.help);
  }
  u32 seen = 0;
  for (MenuRef m : menus) {
    MenuData* d = md(m);
    if (!d) continue;
    for (std::size_t i = 0; i < d->items.size(); ++i) {
      if (d->items[i].command != command || ++seen < std::max<u32>(instance, 1)) continue;
      if (outmenu) *outmenu = m;
      if (outitem) *outitem = MenuItemIndex(i + 1);
      return noErr;
    }
  }
  return menuItemNotFoundErr;
}

// --- The menu list -------------------------------------------------------------------------------

void InsertMenu(MenuRef menu, MenuID before) {
  MenuState& s = ms();
  if (!md(menu) || inlist(s.bar, menu) || inlist(s.submenus, menu)) return;
  if (before == hierMenu) {
    s.submenus.push_back(menu);
  } else {
    auto at = std::find_if(s.bar.begin(), s.bar.end(),
                           [&](MenuRef m) { return before != 0 && GetMenuID(m) == before; });
    s.bar.insert(at, menu);
  }
  menuschanged();
}

void DeleteMenu(MenuID id) {
  MenuRef m = nilid;
  MenuState& s = ms();
  for (MenuRef r : s.bar)
    if (GetMenuID(r) == id) m = r;
  for (MenuRef r : s.submenus)
    if (m == nilid && GetMenuID(r) == id) m = r;
  if (m == nilid) return;
  removefromlists(m);
  if (s.hilited == id) s.hilited = 0;
  menuschanged();
}

MenuRef GetMenuHandle(MenuID id) {
  if (!hasstate<MenuState>()) return nilid;
  MenuState& s = ms();
  for (MenuRef m : s.bar)
    if (GetMenuID(m) == id) return m;
  for (MenuRef m : s.submenus)
    if (GetMenuID(m) == id) return m;
  if (s.help != nilid && GetMenuID(s.help) == id) return s.help;
  return nilid;
}

void ClearMenuBar() {
  MenuState& s = ms();
  s.bar.clear();
  s.submenus.clear();
  s.hilited = 0;
  menuschanged();
}

std::vector<MenuRef> menubarmenus() {
  if (!hasstate<MenuState>()) return {};
  MenuState& s = ms();
  std::vector<MenuRef> v;
  for (MenuRef m : s.bar)
    if (md(m)) v.push_back(m);
  if (s.help != nilid && CountMenuItems(s.help) > 0 && !inlist(v, s.help)) v.push_back(s.help);
  return v;
}

void DrawMenuBar() { menuschanged(); }

void InvalMenuBar() { menuschanged(); }

void HiliteMenu(MenuID id) {
  MenuState& s = ms();
  if (s.hilited == id) return;
  s.hilited = id;
  menuschanged();
}

MenuID hilitedmenu() { return hasstate<MenuState>() ? ms().hilited : 0; }

}  // namespace kv
