// The Menu Manager model: menus and items, the menu list, tracking clicks and pop-ups driven by
// scripted input, command keys, the standard menus, and the menu bar as the compositor shows it.
#include <gtest/gtest.h>

#include <string>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/events/keycodes.h"
#include "platform/fonts/fonts.h"
#include "platform/menus/menulayout.h"
#include "platform/menus/menus.h"
#include "platform/resources/resources.h"
#include "platform/testing/driver.h"
#include "platform/windows/compositor.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

std::string pstr(ConstStringPtr s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

struct P {
  Str255 s{};
  explicit P(std::string_view t) {
    s[0] = u8(t.size());
    std::copy(t.begin(), t.end(), s + 1);
  }
  operator ConstStringPtr() const { return s; }
};

Point centre(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }

class MenusTest : public RuntimeTest {
 protected:
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  // A menu in the bar with the items given ("-" a separator).
  MenuRef barmenu(MenuID id, std::string_view title, std::initializer_list<std::string_view> items) {
    MenuRef m = NewMenu(id, P(title));
    for (std::string_view t : items) AppendMenuItem(m, P(t), t == "-" ? u32(kMenuItemAttrSeparator) : 0u, 0, nullptr);
    InsertMenu(m, 0);
    return m;
  }
  // Takes the next mouse-down (as the event loop would) and tracks the menu from it.
  i32 select() {
    EventRecord e{};
    EXPECT_TRUE(WaitNextEvent(mDownMask, &e, 10));
    return MenuSelect(e.where);
  }
  static i32 result(MenuID id, MenuItemIndex item) { return i32((u32(u16(id)) << 16) | item); }
};

TEST_F(MenusTest, ItemsKeepTheirTextsAndAttributes) {
  MenuRef m = NewMenu(7, P("Edit"));
  EXPECT_TRUE(IsValidMenu(m));
  EXPECT_EQ(GetMenuID(m), 7);
  MenuItemIndex i = 0;
  ASSERT_EQ(AppendMenuItem(m, P("Cut;(^!<B/X"), 0, 0, &i), noErr);
  EXPECT_EQ(i, 1);
  Str255 text{};
  GetMenuItemText(m, 1, text);
  EXPECT_EQ(pstr(text), "Cut;(^!<B/X") << "no character of a text has a meaning";
  ASSERT_EQ(InsertMenuItem(m, P("First"), 0, 0, 0), noErr);
  ASSERT_EQ(AppendMenuItem(m, P("-"), kMenuItemAttrSeparator, 0, nullptr), noErr);
  ASSERT_EQ(InsertMenuItem(m, P("Second"), 1, kMenuItemAttrDisabled, fourcc("abcd")), noErr);
  ASSERT_EQ(CountMenuItems(m), 4);
  GetMenuItemText(m, 2, text);
  EXPECT_EQ(pstr(text), "Second");
  EXPECT_FALSE(IsMenuItemEnabled(m, 2));
  EXPECT_TRUE(IsMenuItemSeparator(m, 4));
  EXPECT_FALSE(IsMenuItemEnabled(m, 4)) << "a separator is never enabled";
  EnableMenuItem(m, 4);
  EXPECT_FALSE(IsMenuItemEnabled(m, 4));

  EXPECT_EQ(SetMenuItemFontID(m, 9, 1), menuItemNotFoundErr);

  MenuRef found = nilid;
  MenuItemIndex at = 0;
  EXPECT_EQ(GetIndMenuItemWithCommandID(m, fourcc("abcd"), 1, &found, &at), noErr);
  EXPECT_EQ(at, 2);
  EXPECT_EQ(GetIndMenuItemWithCommandID(m, fourcc("abcd"), 2, &found, &at), menuItemNotFoundErr);

  DisableMenuItem(m, 0);
  EXPECT_FALSE(IsMenuItemEnabled(m, 0)) << "item 0 is the menu's title";
  DeleteMenuItems(m, 2, 100);
  EXPECT_EQ(CountMenuItems(m), 1) << "deleting stops at the last item";
  DisposeMenu(m);
  EXPECT_FALSE(IsValidMenu(m));
  EXPECT_EQ(CountMenuItems(m), 0);
}

TEST_F(MenusTest, TheMenuListHoldsTheBarAndTheSubmenus) {
  MenuRef a = barmenu(1, "A", {"a1"});
  MenuRef c = barmenu(3, "C", {"c1"});
  MenuRef b = NewMenu(2, P("B"));
  InsertMenu(b, 3);
  MenuRef s = NewMenu(4, P("S"));
  InsertMenu(s, hierMenu);
  EXPECT_EQ(menubarmenus(), (std::vector<MenuRef>{a, b, c}));
  EXPECT_EQ(GetMenuHandle(4), s) << "submenus are found by id";
  InsertMenu(a, 0);
  EXPECT_EQ(menubarmenus().size(), 3u) << "a menu in the list stays where it is";
  DeleteMenu(2);
  EXPECT_EQ(GetMenuHandle(2), nilid);
  EXPECT_TRUE(IsValidMenu(b)) << "taken out of the list, not disposed of";
  ClearMenuBar();
  EXPECT_TRUE(menubarmenus().empty());
  EXPECT_EQ(GetMenuHandle(4), nilid);

  MenuRef help = nilid;
  MenuItemIndex first = 0;
  ASSERT_EQ(HMGetHelpMenu(&help, &first), noErr);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(GetMenuHandle(kHMHelpMenuID), help);
  EXPECT_TRUE(menubarmenus().empty()) << "an empty Help menu is not shown";
  AppendMenuItem(help, P("Guide"), 0, 0, nullptr);
  EXPECT_EQ(menubarmenus(), (std::vector<MenuRef>{help}));
}

TEST_F(MenusTest, APressAndDragChoosesTheItemUnderTheRelease) {
  barmenu(1, "File", {"New", "Open", "-", "Quit"});
  MenuRef edit = barmenu(2, "Edit", {"Undo", "Cut"});
  DisableMenuItem(edit, 2);
  drive::chooseMenuItem(1, 2);
  EXPECT_EQ(select(), result(1, 2));
  EXPECT_EQ(hilitedmenu(), 1) << "the title stays highlighted for the caller";
  EXPECT_TRUE(openmenus().empty());
  HiliteMenu(0);

  drive::chooseMenuItem(1, 3);
  EXPECT_EQ(select(), 0) << "a separator is not chosen";
  EXPECT_EQ(hilitedmenu(), 0);
  drive::chooseMenuItem(2, 2);
  EXPECT_EQ(select(), 0) << "a disabled item is not chosen";
  DisableMenuItem(edit, 0);
  drive::chooseMenuItem(2, 1);
  EXPECT_EQ(select(), 0) << "nothing of a disabled menu is chosen";

  // Dragging across the bar opens the menu under the mouse.
  Rect file = menutitlerect(1), e1 = menuitemrect(2, 1);
  EnableMenuItem(edit, 0);
  drive::mouseDown(centre(file));
  drive::moveTo(centre(menutitlerect(2)));
  drive::moveTo(centre(e1));
  drive::mouseUp();
  EXPECT_EQ(select(), result(2, 1));
}

TEST_F(MenusTest, AClickOnATitleLeavesTheMenuOpenUntilTheNextClick) {
  barmenu(1, "File", {"New", "Open"});
  drive::click(centre(menutitlerect(1)));
  drive::advance(20);
  drive::moveTo(centre(menuitemrect(1, 2)));
  drive::click(centre(menuitemrect(1, 2)));
  EXPECT_EQ(select(), result(1, 2));

  drive::click(centre(menutitlerect(1)));
  drive::click(Point{400, 600});
  EXPECT_EQ(select(), 0) << "a click outside closes the menu";
  EXPECT_EQ(hilitedmenu(), 0);

  drive::click(centre(menutitlerect(1)));
  drive::key(kVKEscape);
  EXPECT_EQ(select(), 0) << "escape closes it";

  drive::click(centre(menutitlerect(1)));
  drive::click(centre(menutitlerect(1)));
  EXPECT_EQ(select(), 0) << "a second click on the title closes it";

  drive::click(Point{2, 600});
  EXPECT_EQ(select(), 0) << "a click in the bar beside the titles chooses nothing at once";
}

TEST_F(MenusTest, SubmenusOpenBesideTheirItems) {
  MenuRef file = barmenu(1, "File", {"New", "Recent", "Quit"});
  MenuRef recent = NewMenu(5, P("Recent"));
  AppendMenuItem(recent, P("one"), 0, 0, nullptr);
  AppendMenuItem(recent, P("two"), 0, 0, nullptr);
  InsertMenu(recent, hierMenu);
  SetItemCmd(file, 2, hMenuCmd);
  SetItemMark(file, 2, 5);
  Rect parent = menuitemrect(1, 2), child = menuitemrect(5, 2);
  ASSERT_FALSE(child.bottom == child.top) << "where the submenu opens is known";
  EXPECT_GE(child.left, parent.right - 2);
  Point press = centre(menutitlerect(1));
  drive::mouseDown(press);
  drive::moveTo(Point{centre(parent).v, press.h});
  drive::moveTo(centre(parent));
  drive::moveTo(Point{centre(parent).v, i16(child.left + 5)});
  drive::moveTo(centre(child));
  drive::mouseUp();
  EXPECT_EQ(select(), result(5, 2));
  EXPECT_EQ(hilitedmenu(), 1) << "the bar's title is the one highlighted";
  HiliteMenu(0);

  drive::chooseMenuItem(1, 2);
  EXPECT_EQ(select(), 0) << "an item that holds a submenu is not chosen itself";

  // A submenu chain that loops opens each menu once.
  SetItemCmd(recent, 1, hMenuCmd);
  SetItemMark(recent, 1, 1);
  drive::mouseDown(press);
  drive::moveTo(Point{centre(parent).v, press.h});
  drive::moveTo(centre(parent));
  drive::moveTo(centre(menuitemrect(5, 1)));
  drive::mouseUp();
  EXPECT_EQ(select(), 0);
}

TEST_F(MenusTest, CommandKeysFindEnabledItems) {
  MenuRef file = barmenu(1, "File", {"New", "Save", "Save As"});
  SetItemCmd(file, 1, 'N');
  SetItemCmd(file, 2, 's');
  SetItemCmd(file, 3, 'S');
  SetMenuItemModifiers(file, 3, kMenuShiftModifier);
  EXPECT_EQ(MenuKey('n'), result(1, 1)) << "letters of either case";
  EXPECT_EQ(hilitedmenu(), 1);
  EXPECT_EQ(MenuKey('S'), result(1, 2)) << "MenuKey is the command key alone";
  EXPECT_EQ(MenuKey('q'), 0);
  DisableMenuItem(file, 1);
  EXPECT_EQ(MenuKey('n'), 0) << "a disabled item";
  EnableMenuItem(file, 1);
  DisableMenuItem(file, 0);
  EXPECT_EQ(MenuKey('n'), 0) << "a disabled menu";
  EnableMenuItem(file, 0);

  EventRecord e{};
  e.what = keyDown;
  e.message = 'S';
  e.modifiers = cmdKey | shiftKey;
  EXPECT_EQ(MenuEvent(e), result(1, 3));
  e.modifiers = cmdKey;
  e.message = 's';
  EXPECT_EQ(MenuEvent(e), result(1, 2));
  e.modifiers = 0;
  EXPECT_EQ(MenuEvent(e), 0) << "without the command key";
  SetItemCmd(file, 1, 'K');
  SetMenuItemModifiers(file, 1, kMenuControlModifier | kMenuNoCommandModifier);
  e.modifiers = controlKey;
  e.message = 0x0B;  // control-K types a control character
  EXPECT_EQ(MenuEvent(e), result(1, 1));

  MenuRef help = nilid;
  HMGetHelpMenu(&help, nullptr);
  AppendMenuItem(help, P("Guide"), 0, 0, nullptr);
  SetItemCmd(help, 1, '?');
  EXPECT_EQ(MenuKey('?'), 0) << "the Help menu's keys are the program's to look up";
}

int handledcommands = 0;
OSStatus takecommand(EventHandlerCallRef, EventRef ev, u32) {
  HICommand c{};
  GetEventParameter(ev, kEventParamDirectObject, typeHICommand, nullptr, sizeof c, nullptr, &c);
  if (c.commandID != fourcc("mine")) return eventNotHandledErr;
  ++handledcommands;
  return noErr;
}

TEST_F(MenusTest, AnItemWithACommandIdIsCarriedOutAsACommand) {
  MenuRef file = barmenu(1, "File", {"Plain"});
  AppendMenuItem(file, P("Mine"), 0, fourcc("mine"), nullptr);
  AppendMenuItem(file, P("Other"), 0, fourcc("othr"), nullptr);
  SetItemCmd(file, 2, 'M');
  handledcommands = 0;
  EventTypeSpec spec{kEventClassCommand, kEventProcessCommand};
  EventHandlerRef h = 0;
  InstallApplicationEventHandler(takecommand, 1, &spec, 0, &h);
  drive::chooseMenuItem(1, 2);
  EXPECT_EQ(select(), 0) << "a handler carried it out";
  EXPECT_EQ(handledcommands, 1);
  EXPECT_EQ(hilitedmenu(), 0);
  EXPECT_EQ(MenuKey('m'), 0);
  EXPECT_EQ(handledcommands, 2);
  drive::chooseMenuItem(1, 3);
  EXPECT_EQ(select(), result(1, 3)) << "a command nobody takes is answered as a choice";
  RemoveEventHandler(h);
}

TEST_F(MenusTest, APopUpMenuPutsItsItemAtThePointAndWaitsForAClick) {
  MenuRef m = NewMenu(9, P("Pop"));
  for (const char* t : {"one", "two", "three"}) AppendMenuItem(m, P(t), 0, 0, nullptr);
  // The button is up: the menu waits for a click.
  drive::moveTo(Point{300, 300});
  drive::advance(5);
  Point two{310, 320};
  drive::click(two);
  EXPECT_EQ(PopUpMenuSelect(m, 300, 300, 2), result(9, 2)) << "item 2 lies at the point";
  EXPECT_EQ(hilitedmenu(), 0) << "a pop-up has no title";
  drive::click(Point{100, 100});
  EXPECT_EQ(PopUpMenuSelect(m, 300, 300, 2), 0);
  // Held down: tracked until the release.
  drive::mouseDown(Point{300, 300});
  drive::moveTo(Point{300 + kMenuItemHeight + 5, 320});
  drive::mouseUp();
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 10));
  EXPECT_EQ(PopUpMenuSelect(m, 300, 300, 1), result(9, 2));
  DisposeMenu(m);
}

TEST_F(MenusTest, TallMenusGoOnInColumnsAndStayOnTheScreen) {
  MenuRef m = NewMenu(1, P("Many"));
  for (int i = 0; i < 100; ++i) AppendMenuItem(m, P("item " + std::to_string(i)), 0, 0, nullptr);
  InsertMenu(m, 0);
  OpenMenuView v = layoutmenu(m, Point{GetMBarHeight(), 10});
  Rect screen = screenbounds(0);
  EXPECT_LE(v.frame.bottom, screen.bottom);
  EXPECT_GT(v.items.back().rect.left, v.items.front().rect.left) << "later items stand in another column";
  for (const MenuItemView& i : v.items) {
    EXPECT_GE(i.rect.top, v.frame.top);
    EXPECT_LE(i.rect.bottom, v.frame.bottom);
    EXPECT_LE(i.rect.right, screen.right);
  }
  // A pop-up near the bottom moves up rather than off the screen.
  MenuRef small = NewMenu(2, P("Small"));
  for (int i = 0; i < 5; ++i) AppendMenuItem(small, P("x"), 0, 0, nullptr);
  OpenMenuView low = layoutmenu(small, Point{i16(screen.bottom - 20), i16(screen.right - 5)});
  EXPECT_EQ(low.frame.bottom, screen.bottom);
  EXPECT_EQ(low.frame.right, screen.right);
  DisposeMenu(small);
}

TEST_F(MenusTest, TheStandardWindowMenuListsAndSelectsWindows) {
  MenuRef wm = nilid;
  ASSERT_EQ(CreateStandardWindowMenu(0, &wm), noErr);
  SetMenuID(wm, 3);
  InsertMenu(wm, 0);
  EXPECT_TRUE(IsStandardWindowMenu(wm));
  Rect r1{100, 100, 200, 300}, r2{150, 150, 250, 350};
  WindowRef a = nilid, b = nilid, quiet = nilid;
  CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes | kWindowInWindowMenuAttribute, &r1, &a);
  CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes | kWindowInWindowMenuAttribute, &r2, &b);
  CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &r2, &quiet);
  SetWTitle(a, P("Alpha"));
  SetWTitle(b, P("Beta"));
  ShowWindow(a);
  ShowWindow(b);
  ShowWindow(quiet);
  SelectWindow(b);
  layoutmenu(wm, Point{30, 10});
  ASSERT_EQ(CountMenuItems(wm), 7) << "its own four items, a separator and the two listed windows";
  Str255 t{};
  GetMenuItemText(wm, 6, t);
  EXPECT_EQ(pstr(t), "Beta") << "front to back";
  u8 mark = 0;
  GetItemMark(wm, 6, &mark);
  EXPECT_EQ(mark, checkMark) << "the front window is checked";
  drive::chooseMenuItem(3, 7);
  EXPECT_EQ(select(), 0) << "the menu carries it out itself";
  EXPECT_EQ(FrontNonFloatingWindow(), a);
  EXPECT_EQ(MenuKey('m'), 0);
  EXPECT_TRUE(IsWindowCollapsed(a)) << "command-M minimizes the front window";
  DisposeMenu(wm);
}

TEST_F(MenusTest, TheFontMenuListsTheFamilies) {
  MenuRef m = NewMenu(4, P("Font"));
  ASSERT_EQ(CreateStandardFontMenu(m, 0), noErr);
  std::vector<FontFamily> families = fontfamilies();
  ASSERT_EQ(CountMenuItems(m), families.size());
  for (std::size_t i = 0; i < families.size(); ++i) {
    Str255 t{};
    GetMenuItemText(m, MenuItemIndex(i + 1), t);
    EXPECT_EQ(pstr(t), families[i].name);
    i16 family = -5;
    u8 style = 9;
    ASSERT_EQ(GetFontFamilyFromMenuSelection(m, MenuItemIndex(i + 1), &family, &style), noErr);
    EXPECT_EQ(family, families[i].number);
    EXPECT_EQ(style, 0);
  }
  EXPECT_EQ(GetFontFamilyFromMenuSelection(m, 0, nullptr, nullptr), menuItemNotFoundErr);
  DisposeMenu(m);
}

TEST_F(MenusTest, TheCompositorDrawsTheBarFromTheModel) {
  barmenu(1, "File", {"New"});
  barmenu(2, "Edit", {"Undo"});
  Rect file = menutitlerect(1), edit = menutitlerect(2);
  EXPECT_EQ(file.top, 0);
  EXPECT_EQ(file.bottom, GetMBarHeight());
  EXPECT_EQ(edit.left, file.right) << "titles follow each other";
  Point beside{5, i16(edit.right + 40)};
  EXPECT_EQ(drive::screenpixel(beside) & 0xFFFFFF, 0xFFFFFFu) << "the bar is white";
  Point inedit{3, i16(edit.left + 2)};
  EXPECT_EQ(drive::screenpixel(inedit) & 0xFFFFFF, 0xFFFFFFu);
  HiliteMenu(2);
  EXPECT_NE(drive::screenpixel(inedit) & 0xFFFFFF, 0xFFFFFFu) << "the highlighted title is drawn inverted";
  HiliteMenu(0);
  HideMenuBar();
  EXPECT_EQ(menutitlerect(1).bottom, 0) << "a hidden bar has no titles";
  EXPECT_NE(drive::screenpixel(beside) & 0xFFFFFF, 0xFFFFFFu) << "the desktop shows where the bar was";
  ShowMenuBar();
  EXPECT_EQ(drive::screenpixel(beside) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(MenusTest, TheDockTileKeepsItsMenu) {
  MenuRef m = NewMenu(4096, P("Dock"));
  EXPECT_EQ(GetApplicationDockTileMenu(), nilid);
  EXPECT_EQ(SetApplicationDockTileMenu(m), noErr);
  EXPECT_EQ(GetApplicationDockTileMenu(), m);
  EXPECT_TRUE(menubarmenus().empty()) << "the dock's menu is not in the bar";
  DisposeMenu(m);
  EXPECT_EQ(GetApplicationDockTileMenu(), nilid) << "a disposed menu leaves the dock";
  EXPECT_EQ(SetApplicationDockTileMenu(m), paramErr);
}

std::string itemtext(MenuRef m, MenuItemIndex i) {
  Str255 t{};
  GetMenuItemText(m, i, t);
  return pstr(t);
}

TEST_F(MenusTest, AppendMenuReadsItsMetacharacters) {
  MenuRef m = NewMenu(20, P("Pop"));
  AppendMenu(m, P("Red;Green^2\rBlue!*;(Grey;Bold<B<I/K;-;;Sub/\x1B"));
  ASSERT_EQ(CountMenuItems(m), 7) << "the empty item is left out";
  EXPECT_EQ(itemtext(m, 1), "Red");
  i16 icon = 0;
  GetItemIcon(m, 2, &icon);
  EXPECT_EQ(itemtext(m, 2), "Green");
  EXPECT_EQ(icon, 2 + 256);
  u8 mark = 0;
  GetItemMark(m, 3, &mark);
  EXPECT_EQ(itemtext(m, 3), "Blue");
  EXPECT_EQ(mark, '*');
  EXPECT_EQ(itemtext(m, 4), "Grey");
  EXPECT_FALSE(IsMenuItemEnabled(m, 4));
  u8 style = 0, cmd = 0;
  GetItemStyle(m, 5, &style);
  GetItemCmd(m, 5, &cmd);
  EXPECT_EQ(itemtext(m, 5), "Bold");
  EXPECT_EQ(style, facebold | faceitalic);
  EXPECT_EQ(cmd, 'K');
  EXPECT_TRUE(IsMenuItemSeparator(m, 6));
  GetItemCmd(m, 7, &cmd);
  EXPECT_EQ(cmd, hMenuCmd) << "an item with a submenu";
  // A metacharacter at the very end has nothing to read and is dropped.
  AppendMenu(m, P("End^"));
  EXPECT_EQ(itemtext(m, 8), "End");
  DisposeMenu(m);
}

TEST_F(MenusTest, AppendResMenuListsFontsOrNamedResourcesInOrder) {
  usebuiltinmetricsfont(true);
  MenuRef fonts = NewMenu(21, P(""));
  AppendResMenu(fonts, fourcc("FONT"));
  const std::vector<FontFamily> families = fontfamilies();
  ASSERT_EQ(CountMenuItems(fonts), families.size());
  EXPECT_EQ(itemtext(fonts, 1), families.front().name);
  DisposeMenu(fonts);

  std::vector<ResourceItem> items;
  for (auto [id, name] : std::initializer_list<std::pair<i16, const char*>>{
           {128, "zebra"}, {129, ".hidden"}, {130, "Apple"}, {131, "%private"}, {132, ""}, {133, "\x87pple"}})
    items.push_back(ResourceItem{fourcc("kvts"), id, 0, name, {1, 2}});
  std::vector<u8> file;
  std::string error;
  ASSERT_TRUE(buildresourcefile(items, &file, &error)) << error;
  const i16 ref = openresourcebytes(file, "sounds");
  MenuRef sounds = NewMenu(22, P(""));
  AppendResMenu(sounds, fourcc("kvts"));
  ASSERT_EQ(CountMenuItems(sounds), 3);
  EXPECT_EQ(itemtext(sounds, 1), "Apple");
  EXPECT_EQ(itemtext(sounds, 2), "\x87pple") << "marks do not change the order";
  EXPECT_EQ(itemtext(sounds, 3), "zebra");
  i16 font = -1;
  u16 size = 1;
  ASSERT_EQ(SetMenuFont(sounds, 3, 10), noErr);
  ASSERT_EQ(GetMenuFont(sounds, &font, &size), noErr);
  EXPECT_EQ(font, 3);
  EXPECT_EQ(size, 10);
  DisposeMenu(sounds);
  CloseResFile(ref);
}

}  // namespace
}  // namespace kv
