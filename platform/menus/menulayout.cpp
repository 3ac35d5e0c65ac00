// The geometry of the menu bar and of open menus.
#include "platform/menus/menulayout.h"

#include <algorithm>

#include "platform/fonts/fonts.h"
#include "platform/menus/menuimpl.h"
#include "platform/windows/screens.h"

namespace kv {

namespace {

constexpr FontKey kMenuFont{systemFont, 12, 0};
constexpr i16 kBarInset = 10;      // from the bar's left edge to the first title
constexpr i16 kTitlePad = 10;      // on each side of a title's text
constexpr i16 kAppleWidth = 16;    // the Apple menu's title
constexpr i16 kMarkColumn = 18;    // before an item's text
constexpr i16 kKeyGap = 24;        // between the text and the command key
constexpr i16 kSubmenuArrow = 14;  // after the text of an item with a submenu
constexpr i16 kRightPad = 12;
constexpr i16 kMinWidth = 60;
constexpr int kMaxDepth = 8;  // submenus followed this deep when placing a menu
constexpr u8 kAppleTitle = 20;

i16 textwidth(const std::string& s) {
  i32 w = textadvance(kMenuFont, reinterpret_cast<const u8*>(s.data()), i32(s.size()));
  return i16(std::min<i32>(w, 4000));
}

i16 titlewidth(const std::string& title) {
  if (title.size() == 1 && u8(title[0]) == kAppleTitle) return i16(kAppleWidth + 2 * kTitlePad);
  return i16(textwidth(title) + 2 * kTitlePad);
}

std::string keytext(const MenuItemData& item) {
  if (item.cmd == 0 || item.cmd == hMenuCmd) return {};
  std::string s;
  if (item.modifiers & kMenuControlModifier) s += "Ctrl-";
  if (item.modifiers & kMenuOptionModifier) s += "Opt-";
  if (item.modifiers & kMenuShiftModifier) s += "Shift-";
  if (!(item.modifiers & kMenuNoCommandModifier)) s += "Cmd-";
  char c = char(item.cmd);
  if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  s += c;
  return s;
}

i16 itemheight(const MenuItemData& item) { return item.separator ? kMenuSeparatorHeight : kMenuItemHeight; }

i16 itemwidth(const MenuItemData& item) {
  i32 w = kMarkColumn + textwidth(item.text) + kRightPad;
  std::string k = keytext(item);
  if (!k.empty()) w += kKeyGap + textwidth(k);
  if (item.cmd == hMenuCmd) w += kSubmenuArrow;
  return i16(std::min<i32>(w, 4000));
}

// The screen that holds a point (the main screen when none does).
Rect screenof(Point p) {
  i16 s = greatestareascreen(Rect{p.v, p.h, i16(p.v + 1), i16(p.h + 1)});
  return s == 0 ? availablebounds(0) : screenbounds(s);
}

bool ptin(const Rect& r, Point p) { return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom; }

// Where a menu opens when it is reached the usual way; false when it is not reached at all.
bool placement(MenuRef menu, Point* topleft, int depth);

// The item of a menu of the menu list that holds `menu` as its submenu.
bool parentitem(MenuRef menu, MenuRef* parent, MenuItemIndex* item) {
  MenuState& s = ms();
  std::vector<MenuRef> all = s.bar;
  all.insert(all.end(), s.submenus.begin(), s.submenus.end());
  if (s.help != nilid) all.push_back(s.help);
  for (MenuRef p : all) {
    MenuData* d = md(p);
    if (!d || p == menu) continue;
    for (std::size_t i = 0; i < d->items.size(); ++i) {
      if (submenuof(d->items[i]) != menu) continue;
      *parent = p;
      *item = MenuItemIndex(i + 1);
      return true;
    }
  }
  return false;
}

bool placement(MenuRef menu, Point* topleft, int depth) {
  if (depth > kMaxDepth) return false;
  for (const MenuTitleView& t : menubartitles()) {
    if (t.menu != menu) continue;
    *topleft = Point{t.rect.bottom, t.rect.left};
    return true;
  }
  MenuRef parent = nilid;
  MenuItemIndex item = 0;
  Point at{};
  if (!parentitem(menu, &parent, &item) || !placement(parent, &at, depth + 1)) return false;
  OpenMenuView v = layoutmenu(parent, at);
  const Rect& r = v.items[item - 1u].rect;
  *topleft = Point{i16(r.top - 1), i16(v.frame.right - 1)};
  return true;
}

}  // namespace

std::vector<MenuTitleView> menubartitles() {
  std::vector<MenuTitleView> v;
  Rect band = menubarrect();
  if (band.bottom <= band.top) return v;
  i32 x = band.left + kBarInset;
  MenuID hilited = hilitedmenu();
  for (MenuRef m : menubarmenus()) {
    MenuData* d = md(m);
    if (!d) continue;
    MenuTitleView t;
    t.menu = m;
    t.id = d->id;
    t.title = d->title;
    i32 w = titlewidth(d->title);
    t.rect = Rect{band.top, i16(std::min<i32>(x, 32000)), band.bottom, i16(std::min<i32>(x + w, 32000))};
    t.enabled = d->enabled;
    t.hilited = hilited != 0 && d->id == hilited;
    x += w;
    v.push_back(std::move(t));
  }
  return v;
}

OpenMenuView layoutmenu(MenuRef menu, Point topleft) {
  OpenMenuView v;
  v.menu = menu;
  MenuData* d = md(menu);
  if (!d) return v;
  if (d->windowmenu) refreshwindowmenu(menu);
  Rect screen = screenof(topleft);
  i16 width = std::max<i16>(kMinWidth, i16(titlewidth(d->title)));
  i32 height = 2;
  for (const MenuItemData& i : d->items) {
    width = std::max(width, itemwidth(i));
    height += itemheight(i);
  }
  // A menu that does not fit below its corner moves up as far as its screen allows; what is
  // still too tall goes on in further columns.
  i32 top = topleft.v;
  if (top + height > screen.bottom) top = std::max<i32>(screen.top, screen.bottom - height);
  i32 x = 0, y = top + 1, columns = 1, bottom = y;
  for (std::size_t n = 0; n < d->items.size(); ++n) {
    const MenuItemData& i = d->items[n];
    i16 h = itemheight(i);
    if (y + h > screen.bottom - 1 && y > top + 1) {
      x += width;
      y = top + 1;
      ++columns;
    }
    MenuItemView iv;
    iv.item = MenuItemIndex(n + 1);
    iv.rect = Rect{i16(y), i16(x), i16(y + h), i16(x + width)};
    iv.text = i.text;
    iv.keytext = keytext(i);
    iv.mark = i.cmd == hMenuCmd ? noMark : i.mark;
    iv.style = i.style;
    iv.font = i.font;
    iv.enabled = i.enabled && d->enabled;
    iv.separator = i.separator;
    iv.submenu = i.cmd == hMenuCmd;
    v.items.push_back(std::move(iv));
    y += h;
    bottom = std::max(bottom, y);
  }
  i32 total = columns * width + 2;
  i32 left = topleft.h;
  if (left + total > screen.right) left = std::max<i32>(screen.left, screen.right - total);
  for (MenuItemView& iv : v.items) {
    iv.rect.left = i16(iv.rect.left + left + 1);
    iv.rect.right = i16(iv.rect.right + left + 1);
  }
  v.frame = Rect{i16(top), i16(left), i16(bottom + 1), i16(std::min<i32>(left + total, 32000))};
  return v;
}

std::vector<OpenMenuView> openmenus() {
  std::vector<OpenMenuView> v;
  if (!hasstate<MenuState>()) return v;
  for (const OpenMenu& o : ms().open) {
    OpenMenuView m = layoutmenu(o.menu, o.topleft);
    if (o.hilite >= 1 && o.hilite <= m.items.size()) m.items[o.hilite - 1u].hilited = true;
    v.push_back(std::move(m));
  }
  return v;
}

Rect menutitlerect(MenuID id) {
  for (const MenuTitleView& t : menubartitles())
    if (t.id == id) return t.rect;
  return Rect{0, 0, 0, 0};
}

Rect menuitemrect(MenuID id, MenuItemIndex item) {
  for (const OpenMenuView& o : openmenus())
    if (GetMenuID(o.menu) == id && item >= 1 && item <= o.items.size()) return o.items[item - 1u].rect;
  MenuRef menu = GetMenuHandle(id);
  Point at{};
  if (menu == nilid || !placement(menu, &at, 0)) return Rect{0, 0, 0, 0};
  OpenMenuView v = layoutmenu(menu, at);
  if (item < 1 || item > v.items.size()) return Rect{0, 0, 0, 0};
  return v.items[item - 1u].rect;
}

bool menuhit(const OpenMenuView& v, Point p, MenuItemIndex* item) {
  *item = 0;
  if (!ptin(v.frame, p)) return false;
  for (const MenuItemView& i : v.items)
    if (ptin(i.rect, p)) *item = i.item;
  return true;
}

}  // namespace kv
