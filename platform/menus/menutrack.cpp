// Choosing from menus: tracking the mouse over the menu bar and open menus, pop-up menus, and
// the items of command keys. The tracking loops name themselves to the loop watchdog.
#include <algorithm>

#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/menus/menuimpl.h"
#include "platform/menus/menulayout.h"
#include "platform/text/casefold.h"
#include "platform/windows/screens.h"

namespace kv {

namespace {

constexpr std::size_t kMaxOpen = 8;  // menus open at once (a submenu chain that loops stops here)
constexpr u8 kEscape = 0x1B;

bool ptin(const Rect& r, Point p) { return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom; }

bool choosable(const MenuItemView& v) { return v.enabled && !v.separator; }

bool isopen(MenuRef menu) {
  for (const OpenMenu& o : ms().open)
    if (o.menu == menu) return true;
  return false;
}

// The bar menu under a point, 0 when none.
const MenuTitleView* titleat(const std::vector<MenuTitleView>& titles, Point p) {
  for (const MenuTitleView& t : titles)
    if (ptin(t.rect, p)) return &t;
  return nullptr;
}

// Follows the mouse: the item under it is highlighted (enabled items only), the submenu of an
// item opens beside it, and over the bar (when tracking from the bar) the title under the mouse
// opens its menu. Answers whether the point lies over an open menu or, for the bar, the bar.
bool hover(Point p, bool bar) {
  MenuState& s = ms();
  std::vector<OpenMenuView> views = openmenus();
  for (std::size_t k = views.size(); k-- > 0;) {
    MenuItemIndex item = 0;
    if (!menuhit(views[k], p, &item)) continue;
    const MenuItemView* v = item ? &views[k].items[item - 1u] : nullptr;
    MenuItemIndex hilite = v && (choosable(*v) || (v->submenu && v->enabled)) ? item : 0;
    if (s.open[k].hilite != hilite) menuschanged();
    s.open[k].hilite = hilite;
    bool keep = k + 1 < s.open.size() && hilite != 0 && s.open[k + 1].parentitem == hilite;
    if (!keep) {
      if (s.open.size() > k + 1) menuschanged();
      s.open.resize(k + 1);
      MenuItemData* d = mi(s.open[k].menu, hilite);
      MenuRef sub = d && v->submenu ? submenuof(*d) : nilid;
      if (sub != nilid && !isopen(sub) && s.open.size() < kMaxOpen) {
        s.open.push_back(OpenMenu{sub, Point{i16(v->rect.top - 1), i16(views[k].frame.right - 1)}, 0, hilite});
        menuschanged();
      }
    }
    return true;
  }
  // Over no open menu: the deepest one loses its highlight.
  if (!s.open.empty() && s.open.back().hilite != 0) {
    s.open.back().hilite = 0;
    menuschanged();
  }
  if (!bar || !ptin(menubarrect(), p)) return false;
  std::vector<MenuTitleView> titles = menubartitles();
  const MenuTitleView* t = titleat(titles, p);
  if (t && (s.open.empty() || s.open.front().menu != t->menu)) {
    s.open.clear();
    s.open.push_back(OpenMenu{t->menu, Point{t->rect.bottom, t->rect.left}, 0, 0});
    HiliteMenu(t->id);
    menuschanged();
  } else if (t && s.open.size() > 1) {
    s.open.resize(1);
    s.open.front().hilite = 0;
    menuschanged();
  }
  return true;
}

// The item highlighted in the deepest open menu under the point, when it can be chosen.
bool chosen(Point p, MenuRef* menu, MenuItemIndex* item) {
  std::vector<OpenMenuView> views = openmenus();
  for (std::size_t k = views.size(); k-- > 0;) {
    MenuItemIndex at = 0;
    if (!menuhit(views[k], p, &at)) continue;
    if (at == 0 || !choosable(views[k].items[at - 1u]) || views[k].items[at - 1u].submenu) return false;
    *menu = views[k].menu;
    *item = at;
    return true;
  }
  return false;
}

i32 result(MenuID id, MenuItemIndex item) { return i32((u32(u16(id)) << 16) | item); }

i32 cancel() {
  MenuState& s = ms();
  s.open.clear();
  HiliteMenu(0);
  menuschanged();
  return 0;
}

// The item is chosen: the menus close, the bar's title (bar) stays highlighted, and an item
// with a command id is carried out as a command instead of being answered.
i32 finish(MenuRef menu, MenuItemIndex item, bool bar) {
  MenuState& s = ms();
  MenuID root = bar && !s.open.empty() ? GetMenuID(s.open.front().menu) : 0;
  s.open.clear();
  menuschanged();
  HiliteMenu(root);
  MenuCommand command = 0;
  GetMenuItemCommandID(menu, item, &command);
  if (command != 0 && runmenucommand(menu, item)) {
    HiliteMenu(0);
    return 0;
  }
  return result(GetMenuID(menu), item);
}

// Tracks until an item is chosen or the menus are left. `pressed`: the button is down now;
// `maystay`: a release on the title that opened the bar's menu leaves it open until the next
// click (with the button up from the start, the menus wait for that click).
i32 track(bool bar, bool pressed, bool maystay) {
  MenuState& s = ms();
  while (true) {
    if (pressed) {
      // One poll a pass, so that the menus follow every place the mouse goes.
      Point p;
      do {
        GetGlobalMouse(&p);
        hover(p, bar);
      } while (buttonisdown());
      FlushEvents(mUpMask, mDownMask);
      MenuRef menu = nilid;
      MenuItemIndex item = 0;
      if (chosen(p, &menu, &item)) return finish(menu, item, bar);
      std::vector<MenuTitleView> titles = menubartitles();
      const MenuTitleView* t = bar ? titleat(titles, p) : nullptr;
      if (!maystay || s.open.empty() || !t || t->menu != s.open.front().menu) return cancel();
      maystay = false;
      pressed = false;
      continue;
    }
    // The menus stay open: the mouse is followed until the next press or key.
    EventRecord e{};
    if (GetNextEvent(mDownMask | keyDownMask, &e)) {
      if (e.what == keyDown) {
        u8 ch = u8(e.message & charCodeMask);
        if (ch == kEscape || (ch == '.' && (e.modifiers & cmdKey))) return cancel();
        continue;
      }
      if (!hover(e.where, bar)) return cancel();
      pressed = true;
      continue;
    }
    Point p;
    GetGlobalMouse(&p);
    hover(p, bar);
  }
}

// The bar menu whose chain of submenus leads to `menu` (itself when it is in the bar).
MenuID rootof(MenuRef menu) {
  MenuRef m = menu;
  for (std::size_t depth = 0; depth < kMaxOpen; ++depth) {
    MenuState& s = ms();
    if (std::find(s.bar.begin(), s.bar.end(), m) != s.bar.end()) return GetMenuID(m);
    MenuRef parent = nilid;
    for (MenuRef p : s.bar)
      for (MenuItemIndex i = 1; parent == nilid && i <= CountMenuItems(p); ++i)
        if (MenuItemData* d = mi(p, i); d && submenuof(*d) == m) parent = p;
    for (MenuRef p : s.submenus)
      for (MenuItemIndex i = 1; parent == nilid && i <= CountMenuItems(p); ++i)
        if (MenuItemData* d = mi(p, i); d && submenuof(*d) == m) parent = p;
    if (parent == nilid) break;
    m = parent;
  }
  return GetMenuID(menu);
}

// The item of the menus of the bar and the submenu list whose command key is `ch` with exactly
// the modifiers `mods` (item modifier bits).
i32 findkey(u8 ch, u8 mods) {
  if (ch == 0 || ch == hMenuCmd) return 0;
  MenuState& s = ms();
  std::vector<MenuRef> menus = s.bar;
  menus.insert(menus.end(), s.submenus.begin(), s.submenus.end());
  for (MenuRef m : menus) {
    MenuData* d = md(m);
    if (!d || !d->enabled || m == s.help) continue;
    if (d->windowmenu) refreshwindowmenu(m);
    for (std::size_t i = 0; i < d->items.size(); ++i) {
      const MenuItemData& it = d->items[i];
      if (!it.enabled || it.separator || it.cmd == hMenuCmd || lowerchar(it.cmd) != lowerchar(ch)) continue;
      if (u8(it.modifiers & 0x0F) != mods) continue;
      MenuItemIndex item = MenuItemIndex(i + 1);
      HiliteMenu(rootof(m));
      if (it.command != 0 && runmenucommand(m, item)) {
        HiliteMenu(0);
        return 0;
      }
      return result(d->id, item);
    }
  }
  return 0;
}

}  // namespace

i32 MenuSelect(Point start) {
  MenuState& s = ms();
  s.open.clear();
  LoopScope loop("MenuSelect");
  hover(start, true);
  bool intitle = !s.open.empty();
  return track(true, true, intitle);
}

i32 PopUpMenuSelect(MenuRef menu, i16 top, i16 left, MenuItemIndex popupitem) {
  MenuState& s = ms();
  if (!md(menu)) return 0;
  s.open.clear();
  // The menu is placed so that the given item lies at the point.
  Point at{top, left};
  OpenMenuView v = layoutmenu(menu, at);
  if (popupitem >= 1 && popupitem <= v.items.size()) at.v = i16(top - (v.items[popupitem - 1u].rect.top - v.frame.top));
  s.open.push_back(OpenMenu{menu, at, 0, 0});
  menuschanged();
  LoopScope loop("PopUpMenuSelect");
  bool pressed = Button();
  return track(false, pressed, false);
}

i32 MenuKey(i16 character) { return findkey(u8(character), kMenuNoModifiers); }

i32 MenuEvent(const EventRecord& event) {
  u8 ch = u8(event.message & charCodeMask);
  u16 m = event.modifiers;
  // With the control key the key types a control character: the item's key is its letter.
  if ((m & controlKey) && ch >= 1 && ch <= 26) ch = u8('a' + ch - 1);
  u8 mods = 0;
  if (m & shiftKey) mods |= kMenuShiftModifier;
  if (m & optionKey) mods |= kMenuOptionModifier;
  if (m & controlKey) mods |= kMenuControlModifier;
  if (!(m & cmdKey)) mods |= kMenuNoCommandModifier;
  return findkey(ch, mods);
}

}  // namespace kv
