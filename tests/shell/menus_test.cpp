// Project menus as scripts and users meet them: the menu commands, the menu bar built from the
// menu sets, choices with the mouse and by command keys ending as "itemSelect", the Help, font,
// window and dock menus, and the menu bar's visibility.
#include <gtest/gtest.h>

#include <string>

#include "engine/lookups.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/fonts/fonts.h"
#include "platform/menus/menulayout.h"
#include "platform/memory/memory.h"
#include "platform/menus/menus.h"
#include "platform/process/exit.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "shell/menusets.h"
#include "store/objects.h"
#include "store/records.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Menu;
using testproject::MenuItem;
using testproject::Project;

constexpr u32 kDivider = 2, kShiftKey = 0x100;

std::string pstr(ConstStringPtr s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

class MenuBarTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    // Failing lines answer their status without the error dialog.
    mainglobals().lockErrorDialogs = 1;
  }
  static Project menuproject() {
    Project p = project();
    p.windows[0].cards[0].script += logs("", {"itemSelect"});
    auto item = [](std::string name, u16 key = 0, u32 flags = 0) {
      return MenuItem{name, logs(name, {"itemSelect"}), key, flags};
    };
    Menu file{"File", logs("File", {"itemSelect"}), {}};
    file.items = {item("New", 'N'), MenuItem{"Open", "", 0, 0}, MenuItem{"", "", 0, kDivider}, item("Recent"),
                  item("Quit")};
    Menu edit{"Edit", "", {item("Undo", 'Z'), item("Copy", 'C', kShiftKey)}};
    Menu recent{"Recent", "", {item("one"), item("two")}};
    Menu help{"Help", "", {item("Guide", 'G'), item("About")}};
    Menu font{"Font", logs("Font", {"itemSelect"}), {}};
    Menu window{"Window", "", {}};
    Menu dock{"Dock", "", {item("Alpha"), item("Beta"), item("Gamma")}};
    Menu extra{"Extra", "", {item("Only")}};
    Menu font2{"Font", "", {}};
    p.menus = {file, edit, recent, help, font, window, dock, extra, font2};
    return p;
  }
  void start() {
    ASSERT_EQ(openproject(menuproject()), 0);
    settle();
    clearlog();
  }
  i16 run(std::string_view lines) { return doline(lines); }
  // The titles of the menu bar, separated by commas.
  static std::string titles() {
    std::string s;
    for (MenuRef m : menubarmenus()) {
      Str255 t{};
      GetMenuTitle(m, t);
      s += (s.empty() ? "" : ",") + pstr(t);
    }
    return s;
  }
  static std::string items(MenuRef m) {
    std::string s;
    for (MenuItemIndex i = 1; i <= CountMenuItems(m); ++i) {
      Str255 t{};
      GetMenuItemText(m, i, t);
      s += (s.empty() ? "" : ",") + pstr(t);
    }
    return s;
  }
  // The placements of the current set's lines, as "menu number/placement/position".
  static std::string lines() {
    std::string s;
    for (i32 i = 0; i < currentnumlines(); ++i) {
      menuline l = lineat(i);
      s += (s.empty() ? "" : " ") + std::to_string(l.menunum) + "/" + std::to_string(l.placement) + "/" +
           std::to_string(l.position);
    }
    return s;
  }
  std::string result() { return cardvalue("the result"); }
};

// Acceptance: a click in the menu bar that chooses an item sends "menuBarClick" to the card,
// then "itemSelect" to the item's script.
TEST_F(MenuBarTest, AClickInTheMenuBarChoosingAnItemSendsMenuBarClickThenItemSelect) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Edit\""), 0);
  EXPECT_EQ(titles(), "File,Edit");
  drive::chooseMenuItem(1, 1);
  EXPECT_EQ(logged(), "menuBarClick,New itemSelect,");
  // An item without a script passes the message to its menu.
  drive::chooseMenuItem(1, 2);
  EXPECT_EQ(logged(), "menuBarClick,File itemSelect,");
  // Sticky: a click on the title, then a click on the item.
  drive::click(Point{5, i16(menutitlerect(2).left + 5)});
  drive::click(Point{i16((menuitemrect(2, 1).top + menuitemrect(2, 1).bottom) / 2), i16(menuitemrect(2, 1).left + 20)});
  settle();
  EXPECT_EQ(log(), "menuBarClick,Undo itemSelect,");
  EXPECT_EQ(hilitedmenu(), 0) << "the title is unhighlighted after the choice";
}

TEST_F(MenuBarTest, AMenuBarClickHandlerThatFailsCancelsTheMenu) {
  Project p = menuproject();
  p.windows[0].cards[0].script += "on menuBarClick\n  put 1 into\nend menuBarClick\n";
  p.windows[0].cards[0].script.replace(p.windows[0].cards[0].script.find("on menuBarClick "), 2, "--");
  ASSERT_EQ(openproject(p), 0);
  settle();
  ASSERT_EQ(run("insert menu \"File\""), 0);
  clearlog();
  drive::chooseMenuItem(1, 1);
  settle();
  EXPECT_EQ(log().find("New itemSelect"), std::string::npos);
}

// Acceptance: command keys reach the item that takes them, else "menuKey".
TEST_F(MenuBarTest, ACommandKeyReachesItsItemOrBecomesAMenuKey) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Edit\""), 0);
  mainglobals().modernLook = 0;
  drive::keychar('n', cmdKey);
  drive::keychar('z', cmdKey);
  drive::keychar('C', cmdKey | shiftKey);  // the item wants shift: MenuKey does not know it
  drive::keychar('k', cmdKey);
  EXPECT_EQ(logged(), "New itemSelect,Undo itemSelect,menuKey C,menuKey k,");
  mainglobals().modernLook = 1;
  drive::keychar('C', cmdKey | shiftKey);
  drive::keychar('c', cmdKey);
  settle();
  EXPECT_EQ(log(), "Copy itemSelect,menuKey c,") << "with the modern look the event's modifiers count";
  clearlog();
  ASSERT_EQ(run("disable item 1 of menu \"File\""), 0);
  drive::keychar('n', cmdKey);
  settle();
  EXPECT_EQ(log(), "menuKey n,") << "a disabled item takes no key";
  // Characters that cannot stand between quotes reach the handler whole.
  clearlog();
  drive::keychar(0, cmdKey);
  drive::keychar(10, cmdKey);
  drive::keychar('"', cmdKey);
  settle();
  EXPECT_EQ(log(), std::string("menuKey \0,menuKey \n,menuKey \",", 30));
}

// Acceptance: the menuKey built-in: a command key in a project without a menuKey handler does
// nothing and is no error.
TEST_F(MenuBarTest, AMenuKeyNoHandlerTakesEndsQuietly) {
  Project p = menuproject();
  std::string& s = p.windows[0].cards[0].script;
  s.replace(s.find("on menuKey "), 2, "--");
  s.replace(s.find("end menuKey"), 3, "--");
  ASSERT_EQ(openproject(p), 0);
  settle();
  EXPECT_EQ(run("menuKey \"x\""), 0);
  EXPECT_EQ(run("menuKey \"x\" extra"), 19);
  drive::keychar('x', cmdKey);
  settle();
  EXPECT_TRUE(exits.empty());
  // Command-Q (either case) quits.
  drive::keychar('Q', cmdKey | shiftKey);
  EXPECT_THROW(settle(), ProcessExit);
  EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(MenuBarTest, DoCommandAnswersForChoicesThatNameNoItem) {
  start();
  ASSERT_EQ(run("insert menu \"File\""), 0);
  EXPECT_EQ(docommand(0), 63) << "menu 0: nothing chosen";
  EXPECT_EQ(docommand(menuresult(2, 1)), 63) << "no such line";
  EXPECT_EQ(docommand(menuresult(1, 0)), 63);
  EXPECT_EQ(docommand(menuresult(kHMHelpMenuID, 1)), 63) << "no project menu under the Help menu";
  EXPECT_EQ(docommand(menuresult(1, 9)), 0) << "past the items of a plain menu: nothing is sent";
  EXPECT_EQ(log(), "");
  // The title stays highlighted at least 6 ticks however quickly the handler returns.
  HiliteMenu(1);
  u32 before = TickCount();
  EXPECT_EQ(docommand(menuresult(1, 1)), 0);
  EXPECT_GE(TickCount() - before, 6u);
  EXPECT_EQ(hilitedmenu(), 0);
  EXPECT_EQ(log(), "New itemSelect,");
}

TEST_F(MenuBarTest, InsertPlacesMenusInTheBar) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Edit\""), 0);
  EXPECT_EQ(lines(), "1/5/0 2/5/1");
  ASSERT_EQ(run("insert menu \"Extra\" before menu \"File\""), 0);
  EXPECT_EQ(titles(), "Extra,File,Edit");
  ASSERT_EQ(run("insert menu \"File\" after menu \"Edit\""), 0);
  EXPECT_EQ(titles(), "Extra,Edit,File") << "a menu in the set moves";
  EXPECT_EQ(currentnumlines(), 3);
  ASSERT_EQ(run("insert menu \"Extra\""), 0);
  EXPECT_EQ(titles(), "Edit,File,Extra") << "inserted again, it goes last";
  EXPECT_EQ(run("insert menu \"Dock\" before menu \"Help\""), 63) << "the second menu must be in the set";
  EXPECT_EQ(run("insert menu \"Dock\" beside menu \"Help\""), 2);
  EXPECT_EQ(run("insert menu \"Dock\" before menu \"Edit\" now"), 19);
  EXPECT_EQ(run("insert menu \"Dock\" before item 1 of menu \"Edit\""), 114);
  EXPECT_EQ(run("insert menu \"Nothing\""), 63);
  EXPECT_EQ(run("insert button \"Go\""), 2);
  // Into another menu: it takes that menu's place.
  ASSERT_EQ(run("insert menu \"Dock\" into menu \"File\""), 0);
  EXPECT_EQ(titles(), "Edit,Dock,Extra");
  mainglobals().plugin = 1;
  EXPECT_EQ(run("insert menu \"File\""), 175);
  mainglobals().plugin = 0;
}

TEST_F(MenuBarTest, SubmenusFollowTheirItems) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Recent\" into item 4 of menu \"File\""), 0);
  EXPECT_EQ(titles(), "File") << "a submenu is not shown in the bar";
  EXPECT_EQ(lines(), "1/5/0 3/3/4");
  MenuRef file = GetMenuHandle(1);
  u8 key = 0, mark = 0;
  GetItemCmd(file, 4, &key);
  GetItemMark(file, 4, &mark);
  EXPECT_EQ(key, hMenuCmd);
  EXPECT_EQ(mark, 2) << "the item marks the submenu's id";
  // Choosing from the submenu.
  Rect parent = menuitemrect(1, 4), child = menuitemrect(2, 2);
  Point press{5, i16(menutitlerect(1).left + 5)};
  drive::mouseDown(press);
  drive::moveTo(Point{i16((parent.top + parent.bottom) / 2), press.h});
  drive::moveTo(Point{i16((parent.top + parent.bottom) / 2), i16(child.left + 4)});
  drive::moveTo(Point{i16((child.top + child.bottom) / 2), i16(child.left + 10)});
  drive::mouseUp();
  settle();
  EXPECT_EQ(log(), "menuBarClick,two itemSelect,");

  EXPECT_EQ(run("insert menu \"Recent\" into item 1 of menu \"Recent\""), 113);
  EXPECT_EQ(lines(), "1/5/0 3/3/4") << "nothing moved for the refused placement";

  // A new first item moves the submenu down with its item.
  ASSERT_EQ(run("insert item into menu \"File\""), 0);
  EXPECT_EQ(lines(), "1/5/0 3/3/5");
  // Removing its item removes the submenu.
  ASSERT_EQ(run("remove item 5 of menu \"File\""), 0);
  EXPECT_EQ(lines(), "1/5/0");
  // A submenu whose parent leaves the set goes with it.
  ASSERT_EQ(run("insert menu \"Recent\" into item 1 of menu \"File\"\nremove menu \"File\""), 0);
  EXPECT_EQ(lines(), "");
}

TEST_F(MenuBarTest, RemovingAnItemKeepsLaterSubmenusOnTheirItems) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Recent\" into item 2 of menu \"File\"\n"
                "insert menu \"Extra\" into item 3 of menu \"File\""),
            0);
  EXPECT_EQ(lines(), "1/5/0 3/3/2 8/3/3");
  ASSERT_EQ(run("remove item 2 of menu \"File\""), 0);
  EXPECT_EQ(lines(), "1/5/0 8/3/2");
  u8 mark = 0;
  GetItemMark(GetMenuHandle(1), 2, &mark);
  EXPECT_EQ(mark, 2);
}

TEST_F(MenuBarTest, InsertAndRemoveItemsOfStoredMenus) {
  start();
  ASSERT_EQ(run("insert menu \"Edit\""), 0);
  ASSERT_EQ(run("insert item after menu \"Edit\""), 0);
  EXPECT_EQ(items(GetMenuHandle(1)), "Undo,Copy,Untitled") << "an unnamed item shows as Untitled";
  menuline line = lineat(0);
  ASSERT_EQ(menuitemcount(line), 3);
  menuitem added = loadat<menuitem>(deref(line.items) + 2 * sizeof(menuitem));
  EXPECT_EQ(u32(added.word2), 100u) << "ids of new items start at 100";
  EXPECT_NE(Handle(added.script), nilhandle) << "with the item's script template";
  ASSERT_EQ(run("insert item before item 1 of menu \"Edit\""), 0);
  line = lineat(0);
  menuitem first = loadat<menuitem>(deref(line.items));
  EXPECT_EQ(u32(first.word2), 101u);
  EXPECT_EQ(run("insert item into item 1 of menu \"Edit\""), 2);
  EXPECT_EQ(run("insert item after menu \"Edit\" and more"), 19);
  ASSERT_EQ(run("remove item 1 of menu \"Edit\"\nremove last item of menu \"Edit\""), 0);
  EXPECT_EQ(items(GetMenuHandle(1)), "Undo,Copy");
  // A menu that is not in the bar is changed in its project all the same.
  ASSERT_EQ(run("insert item into menu \"Extra\""), 0);
  ASSERT_EQ(run("insert menu \"Extra\""), 0);
  EXPECT_EQ(items(GetMenuHandle(2)), "Untitled,Only");
}

TEST_F(MenuBarTest, ProtectedMenusStay) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Edit\"\nprotect inserted menus"), 0);
  ASSERT_EQ(run("remove menu \"File\""), 0);
  EXPECT_EQ(titles(), "File,Edit");
  EXPECT_EQ(result(), "A protected menu stays in the menu bar.");
  ASSERT_EQ(run("remove all menus"), 0);
  EXPECT_EQ(titles(), "File,Edit");
  ASSERT_EQ(run("unprotect inserted menus"), 0);
  EXPECT_EQ(run("protect the inserted menus extra"), 19);
  EXPECT_TRUE(menuprotected(lineat(0))) << "the change is made before the words left";
  EXPECT_EQ(run("protect menus"), 2);
  ASSERT_EQ(run("unprotect all inserted menus of this project"), 0);
  EXPECT_FALSE(menuprotected(lineat(1)));
  EXPECT_EQ(run("unprotect inserted menus of menu \"File\""), 2);
  ASSERT_EQ(run("remove all menus of this project"), 0);
  EXPECT_EQ(titles(), "");
  mainglobals().plugin = 1;
  EXPECT_EQ(run("protect inserted menus"), 175);
  EXPECT_EQ(run("remove all menus"), 175);
  mainglobals().plugin = 0;
}

TEST_F(MenuBarTest, EnableAndDisable) {
  start();
  ASSERT_EQ(run("insert menu \"File\""), 0);
  ASSERT_EQ(run("disable item 1 of menu \"File\""), 0);
  EXPECT_FALSE(IsMenuItemEnabled(GetMenuHandle(1), 1));
  EXPECT_EQ(u32(loadat<menuitem>(deref(lineat(0).items)).flags) & 1u, 1u) << "stored in the item's flags";
  ASSERT_EQ(run("disable menu \"File\""), 0);
  EXPECT_FALSE(IsMenuItemEnabled(GetMenuHandle(1), 0));
  ASSERT_EQ(run("enable menu \"File\"\nenable all items of menu \"File\""), 0);
  EXPECT_TRUE(IsMenuItemEnabled(GetMenuHandle(1), 0));
  EXPECT_TRUE(IsMenuItemEnabled(GetMenuHandle(1), 1));
  EXPECT_FALSE(IsMenuItemEnabled(GetMenuHandle(1), 3)) << "a divide line stays disabled";
  ASSERT_EQ(run("disable all items of menu \"File\""), 0);
  EXPECT_FALSE(IsMenuItemEnabled(GetMenuHandle(1), 2));
  EXPECT_EQ(run("disable all items of item 1 of menu \"File\""), 2);
  EXPECT_EQ(run("disable menu \"File\" now"), 59);
  ASSERT_EQ(run("disable button \"Go\""), 0);
  EXPECT_EQ(spotat(current().cardspots, 0).flags & (1u << 7), 1u << 7) << "an object's disabled flag";
  ASSERT_EQ(run("enable button \"Go\""), 0);
  EXPECT_EQ(spotat(current().cardspots, 0).flags & (1u << 7), 0u);
}

TEST_F(MenuBarTest, PopUpTracksTheMenuAndLeavesTheBarAsItWas) {
  start();
  ASSERT_EQ(run("insert menu \"Edit\""), 0);
  // The button is up when the handler runs: the menu waits for a click.
  Point corner = at(50, 60);
  drive::click(Point{i16(corner.v + 4), i16(corner.h + 20)});
  ASSERT_EQ(run("popUp menu \"File\" at 50,60"), 0);
  EXPECT_EQ(log(), "New itemSelect,");
  EXPECT_EQ(result(), "New");
  EXPECT_EQ(lines(), "2/5/0") << "the pop-up's line is gone";
  clearlog();
  drive::click(Point{i16(corner.v - kMenuItemHeight + 4), i16(corner.h + 20)});
  ASSERT_EQ(run("popUp menu \"Edit\" at 50,60 with item 2"), 0);
  EXPECT_EQ(log(), "Undo itemSelect,") << "item 2 stood at the point, item 1 above it";
  EXPECT_EQ(titles(), "Edit") << "a menu of the bar keeps its line";
  drive::click(Point{700, 1000});
  ASSERT_EQ(run("popUp menu \"File\" at 50,60"), 0);
  EXPECT_EQ(result(), "");
  EXPECT_EQ(run("popUp menu \"File\""), 76);
  EXPECT_EQ(run("popUp menu \"File\" at 5,5 with item 1 extra"), 19);
}

TEST_F(MenuBarTest, DoMenuChoosesByText) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Edit\""), 0);
  ASSERT_EQ(run("doMenu \"copy\""), 0);
  EXPECT_EQ(log(), "Copy itemSelect,");
  EXPECT_EQ(run("doMenu \"Paste\""), 64);
  EXPECT_EQ(run("doMenu \"Copy\" twice"), 19);
}

TEST_F(MenuBarTest, TheHelpMenuTakesTheProjectsItems) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Help\" as help"), 0);
  EXPECT_TRUE(shellmenustate().helpmenushown);
  MenuRef help = GetMenuHandle(kHMHelpMenuID);
  ASSERT_NE(help, nilid);
  EXPECT_EQ(items(help), "Guide,About");
  EXPECT_EQ(titles(), "File,Help");
  buildmenubar();
  buildmenubar();
  EXPECT_EQ(items(help), "Guide,About") << "rebuilding leaves the items once";
  drive::chooseMenuItem(kHMHelpMenuID, 2);
  EXPECT_EQ(logged(), "menuBarClick,About itemSelect,");
  drive::keychar('g', cmdKey);
  settle();
  EXPECT_EQ(log(), "Guide itemSelect,") << "the Help items' keys are looked up by the program";
  clearlog();
  // A submenu is not attached to an item of the Help menu.
  ASSERT_EQ(run("insert menu \"Recent\" into item 1 of menu \"Help\""), 0);
  EXPECT_EQ(result(), "A submenu cannot be placed in the Help menu.");
  ASSERT_EQ(run("remove menu \"Help\""), 0);
  EXPECT_EQ(CountMenuItems(help), 0) << "the project's items leave with its line";
}

TEST_F(MenuBarTest, FontAndWindowMenusAreTheSystemsOwn) {
  start();
  ASSERT_EQ(run("insert menu \"Font\"\ninsert menu \"Window\""), 0);
  MenuRef font = GetMenuHandle(1);
  ASSERT_EQ(font, mainglobals().fontmenu);
  std::vector<FontFamily> families = fontfamilies();
  ASSERT_EQ(CountMenuItems(font), families.size());
  EXPECT_TRUE(IsStandardWindowMenu(GetMenuHandle(2)));
  drive::chooseMenuItem(1, 2);
  settle();
  EXPECT_EQ(log(), "menuBarClick,Font itemSelect,") << "the font menu's choice goes to the menu";
  EXPECT_EQ(shellmenustate().fontfamily, families[1].number);
  ASSERT_EQ(run("disable menu \"Font\""), 0);
  EXPECT_FALSE(IsMenuItemEnabled(mainglobals().fontmenu, 0)) << "its state follows the stored flag";
  // A second menu of the name shares the one font menu; the later id wins.
  ASSERT_EQ(run("insert menu 9"), 0);
  EXPECT_EQ(mainglobals().fontmenu, font);
  EXPECT_EQ(GetMenuID(font), 3);
  EXPECT_EQ(titles(), "Font,Window");
  mainglobals().wysiwygFontMenu = 1;
  buildmenubar();
  i16 f = -1;
  GetMenuItemFontID(font, 1, &f);
  EXPECT_EQ(f, families[0].number) << "each family in its own font";
}

TEST_F(MenuBarTest, TheDockMenuSendsItemSelectToItsItems) {
  start();
  EXPECT_EQ(run("set the dockMenu to none"), 0) << "no dock menu: nothing to do";
  ASSERT_EQ(run("set the dockMenu to menu \"Dock\""), 0);
  MenuRef dock = GetApplicationDockTileMenu();
  ASSERT_NE(dock, nilid);
  EXPECT_EQ(GetMenuID(dock), kDockMenuID);
  MenuCommand id = 0;
  GetMenuItemCommandID(dock, 2, &id);
  EXPECT_EQ(id, fourcc("DM02"));
  drive::dockCommand(fourcc("DM02"));
  drive::dockCommand(fourcc("DM0:"));
  drive::dockCommand(fourcc("DM07"));
  drive::dockCommand(fourcc("XM01"));
  settle();
  EXPECT_EQ(log(), "Beta itemSelect,") << "only the digits of an item the menu has";
  ASSERT_EQ(run("set the dockMenu to menu \"Extra\""), 0);
  EXPECT_FALSE(IsValidMenu(dock)) << "the first dock menu went";
  EXPECT_EQ(GetMenuID(GetApplicationDockTileMenu()), kDockMenuID);
  EXPECT_EQ(mainglobals().dockmenu.menunum, 8u);
  // Adding an item to the dock menu's menu builds the dock menu again.
  ASSERT_EQ(run("insert item after menu \"Extra\""), 0);
  EXPECT_EQ(CountMenuItems(GetApplicationDockTileMenu()), 2);
  ASSERT_EQ(run("set the dockMenu to none"), 0);
  EXPECT_EQ(GetApplicationDockTileMenu(), nilid);
  EXPECT_EQ(mainglobals().dockmenu.store, nilid);
  EXPECT_EQ(run("set the dockMenu to menu \"Dock\" now"), 19);
}

TEST_F(MenuBarTest, MenuSetsAndLockMenus) {
  start();
  ASSERT_EQ(run("insert menu \"File\""), 0);
  ASSERT_EQ(run("set the menuSet to 2"), 0);
  EXPECT_EQ(titles(), "") << "an empty set gives an empty bar";
  ASSERT_EQ(run("insert menu \"Edit\""), 0);
  EXPECT_EQ(titles(), "Edit");
  ASSERT_EQ(run("set the menuSet to 1"), 0);
  EXPECT_EQ(titles(), "File");
  ASSERT_EQ(run("set the lockMenus to true\ninsert menu \"Extra\""), 0);
  EXPECT_EQ(titles(), "File") << "the set changed, the bar not yet";
  ASSERT_EQ(run("set the lockMenus to false"), 0);
  EXPECT_EQ(titles(), "File,Extra");
  // A project's menus leave every set when it goes.
  killprojmenus(lineat(0).store, true);
  EXPECT_EQ(titles(), "");
  mainglobals().menuSet = 1;
  EXPECT_EQ(currentnumlines(), 0);
  mainglobals().menuSet = 0;
}

TEST_F(MenuBarTest, TheMenuBarShowsAndHidesForScripts) {
  start();
  hidemenu();
  hidemenu();
  EXPECT_FALSE(IsMenuBarVisible());
  showmenu();
  EXPECT_TRUE(IsMenuBarVisible());
  EXPECT_EQ(shellmenustate().menubarmaybedrawn, 1);
}

TEST_F(MenuBarTest, DisablingTheMenuBarRemembersWhatWasEnabled) {
  start();
  ASSERT_EQ(run("insert menu \"File\"\ninsert menu \"Edit\"\ndisable menu \"Edit\"\ninsert menu \"Window\"\n"
                "insert menu \"Help\" as help"),
            0);
  u32 mask = DisableMenuBar();
  EXPECT_EQ(mask, (1u << 1) | (1u << 3) | (1u << 4)) << "File, the window menu and the Help line's menu";
  EXPECT_FALSE(IsMenuItemEnabled(GetMenuHandle(1), 0));
  EXPECT_FALSE(IsMenuItemEnabled(shellmenustate().windowsmenu, 0));
  EXPECT_FALSE(IsMenuItemEnabled(GetMenuHandle(kHMHelpMenuID), 1));
  ReEnableMenuBar(mask);
  EXPECT_TRUE(IsMenuItemEnabled(GetMenuHandle(1), 0));
  EXPECT_FALSE(IsMenuItemEnabled(GetMenuHandle(2), 0));
  EXPECT_TRUE(IsMenuItemEnabled(shellmenustate().windowsmenu, 0));
  EXPECT_TRUE(IsMenuItemEnabled(GetMenuHandle(kHMHelpMenuID), 1));
}

TEST_F(MenuBarTest, TheAppleMenusTitleIsItsMark) {
  Project p = menuproject();
  p.menus[7].name = "apple";
  ASSERT_EQ(openproject(p), 0);
  settle();
  ASSERT_EQ(run("insert menu \"apple\""), 0);
  EXPECT_EQ(titles(), "\x14");
}

}  // namespace
}  // namespace kv
