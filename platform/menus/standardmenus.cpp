// The system's menus: the Help menu, the standard font and window menus, the dock tile's menu,
// and the commands a chosen item carries out.
#include <algorithm>
#include <iterator>

#include "platform/events/handlers.h"
#include "platform/fonts/fonts.h"
#include "platform/menus/menuimpl.h"
#include "platform/windows/windows.h"

namespace kv {

namespace {

// The standard window menu's own items, before the windows.
constexpr u16 kWindowMenuFixedItems = 4;

void setpstring(Str255 out, const char* text) {
  std::string s(text);
  menutextout(s, out);
}

// What a standard window menu lists after its own items: a separator and each window that
// wants to be listed, front to back, the front document window checked.
std::vector<MenuItemData> windowitems() {
  std::vector<MenuItemData> v;
  WindowRef front = FrontNonFloatingWindow();
  for (WindowRef w : windowlist()) {
    WindowAttributes a = 0;
    if (GetWindowAttributes(w, &a) != noErr || !(a & kWindowInWindowMenuAttribute)) continue;
    if (!IsWindowVisible(w) && !IsWindowCollapsed(w)) continue;
    MenuItemData item;
    Str255 title{};
    GetWTitle(w, title);
    item.text = menutext(title);
    item.command = kHICommandSelectWindow;
    item.refcon = w;
    item.mark = w == front ? checkMark : noMark;
    v.push_back(std::move(item));
  }
  if (v.empty()) return v;
  // The separator comes first.
  std::vector<MenuItemData> items(1);
  items[0].separator = true;
  items[0].enabled = false;
  std::move(v.begin(), v.end(), std::back_inserter(items));
  return items;
}

bool sameitems(const std::vector<MenuItemData>& a, std::size_t from, const std::vector<MenuItemData>& b) {
  if (a.size() - from != b.size()) return false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    const MenuItemData &x = a[from + i], &y = b[i];
    if (x.text != y.text || x.refcon != y.refcon || x.mark != y.mark || x.separator != y.separator) return false;
  }
  return true;
}

// The standard window menu's commands.
bool windowcommand(const MenuItemData& item) {
  switch (item.command) {
    case kHICommandSelectWindow: {
      WindowRef w = item.refcon;
      if (!IsValidWindowPtr(w)) return true;
      if (IsWindowCollapsed(w)) CollapseWindow(w, false);
      SelectWindow(w);
      return true;
    }
    case kHICommandMinimizeWindow: {
      WindowRef w = FrontNonFloatingWindow();
      if (w != nilid) CollapseWindow(w, true);
      return true;
    }
    case kHICommandZoomWindow: {
      WindowRef w = FrontNonFloatingWindow();
      if (w == nilid) return true;
      // The window's own handlers zoom it first; otherwise it goes to the other state.
      ScopedEvent ev(kEventClassWindow, kEventWindowZoom);
      u32 ref = w;
      SetEventParameter(ev, kEventParamDirectObject, typeWindowRef, sizeof ref, &ref);
      if (SendEventToTarget(ev, w) == eventNotHandledErr)
        ZoomWindow(w, IsWindowInStandardState(w, nullptr, nullptr) ? inZoomIn : inZoomOut, false);
      return true;
    }
    default: return false;
  }
}

}  // namespace

OSStatus HMGetHelpMenu(MenuRef* menu, MenuItemIndex* firstcustom) {
  MenuState& s = ms();
  if (s.help == nilid) {
    Str255 title{};
    setpstring(title, "Help");
    s.help = NewMenu(kHMHelpMenuID, title);
  }
  if (menu) *menu = s.help;
  // The system puts no items of its own into the Help menu.
  if (firstcustom) *firstcustom = 1;
  return s.help != nilid ? OSStatus(noErr) : OSStatus(menuNotFoundErr);
}

OSStatus CreateStandardFontMenu(MenuRef menu, MenuItemIndex after) {
  MenuData* m = md(menu);
  if (!m) return paramErr;
  MenuItemIndex at = std::min<MenuItemIndex>(after, CountMenuItems(menu));
  for (const FontFamily& f : fontfamilies()) {
    Str255 name{};
    menutextout(f.name, name);
    if (InsertMenuItem(menu, name, at, 0, 0) != noErr) break;
    ++at;
  }
  m->fontmenu = true;
  return noErr;
}

OSStatus UpdateStandardFontMenu(MenuRef menu) {
  MenuData* m = md(menu);
  if (!m || !m->fontmenu) return paramErr;
  while (CountMenuItems(menu) > 0) DeleteMenuItem(menu, 1);
  return CreateStandardFontMenu(menu, 0);
}

OSStatus GetFontFamilyFromMenuSelection(MenuRef menu, MenuItemIndex item, i16* family, u8* style) {
  MenuItemData* i = mi(menu, item);
  if (!i || i->separator) return menuItemNotFoundErr;
  Str255 name{};
  menutextout(i->text, name);
  i16 f = FMGetFontFamilyFromName(name);
  if (f == kInvalidFontFamily) return menuItemNotFoundErr;
  if (family) *family = f;
  if (style) *style = 0;
  return noErr;
}

OSStatus CreateStandardWindowMenu(u32, MenuRef* out) {
  if (!out) return paramErr;
  Str255 text{};
  setpstring(text, "Window");
  MenuRef menu = NewMenu(0, text);
  struct Fixed {
    const char* text;
    u8 cmd;
    MenuCommand command;
  };
  const Fixed fixed[kWindowMenuFixedItems] = {{"Minimize", 'M', kHICommandMinimizeWindow},
                                              {"Zoom", 0, kHICommandZoomWindow},
                                              {"-", 0, 0},
                                              {"Bring All to Front", 0, fourcc("bfrt")}};
  for (const Fixed& f : fixed) {
    setpstring(text, f.text);
    MenuItemIndex i = 0;
    AppendMenuItem(menu, text, f.command == 0 ? u32(kMenuItemAttrSeparator) : 0u, f.command, &i);
    if (f.cmd) SetItemCmd(menu, i, f.cmd);
  }
  md(menu)->windowmenu = true;
  *out = menu;
  return noErr;
}

bool IsStandardWindowMenu(MenuRef menu) {
  MenuData* m = md(menu);
  return m && m->windowmenu;
}

void refreshwindowmenu(MenuRef menu) {
  MenuData* m = md(menu);
  if (!m || !m->windowmenu || m->items.size() < kWindowMenuFixedItems) return;
  std::vector<MenuItemData> want = windowitems();
  if (sameitems(m->items, kWindowMenuFixedItems, want)) return;
  m->items.resize(kWindowMenuFixedItems);
  m->items.insert(m->items.end(), want.begin(), want.end());
  menuschanged();
}

bool runmenucommand(MenuRef menu, MenuItemIndex item) {
  MenuItemData* i = mi(menu, item);
  if (!i || i->command == 0) return false;
  MenuItemData copy = *i;
  HICommand c{0, copy.command, menu, item, 0};
  if (ProcessHICommand(&c) == noErr) return true;
  return IsStandardWindowMenu(menu) && windowcommand(copy);
}

OSStatus SetApplicationDockTileMenu(MenuRef menu) {
  if (menu != nilid && !md(menu)) return paramErr;
  ms().dock = menu;
  return noErr;
}

MenuRef GetApplicationDockTileMenu() { return hasstate<MenuState>() ? ms().dock : nilid; }

}  // namespace kv
