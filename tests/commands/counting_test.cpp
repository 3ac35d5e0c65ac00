// The number of things a script counts, and the n-th menu and window.
#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class CountingTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = testproject::small();
    p.menus.push_back(testproject::Menu{"File", "", {{"New", ""}, {"Open", ""}, {"Quit", ""}}});
    p.menus.push_back(testproject::Menu{"Edit", "", {{"Undo", ""}}});
    build(p);
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
};

// The small project: backgrounds Plain (field Title) and Fancy (button Next); cards One and Two
// on Plain with a button Go each, Three on Fancy with a card field Notes. Card One is shown.
// The errors of the function show in the call form: "the number of" reads a failed phrase
// again as the property of an object.
TEST_F(CountingTest, ObjectsOfTheLayers) {
  EXPECT_EQ(cardvalue("the number of fields"), "1") << "background fields";
  EXPECT_EQ(cardvalue("the number of buttons"), "1") << "card buttons";
  EXPECT_EQ(cardvalue("the number of parts"), "1");
  EXPECT_EQ(cardvalue("the number of graphics"), "0");
  EXPECT_EQ(cardvalue("the number of card fields"), "0");
  EXPECT_EQ(cardvalue("the number of bg fields"), "1");
  EXPECT_EQ(cardvalue("the number of background buttons"), "0");
  EXPECT_EQ(cardvalue("the number of card parts"), "1");
  EXPECT_EQ(cardvalue("number(bkgnd parts)"), "1");
  EXPECT_EQ(cardvalue("the number of card fields of card \"Three\""), "1");
  EXPECT_EQ(cardvalue("the number of fields of card \"Three\""), "0") << "Fancy has no field";
  EXPECT_EQ(cardvalue("the number of buttons of bg \"Fancy\""), "1");
  EXPECT_EQ(cardvalue("the number of buttons of card \"Three\""), "0");
  EXPECT_EQ(cardvalue("number(card buttons of card 2)"), "1");
  EXPECT_EQ(cardvalue("the number of buttons of this window"), "1");
  EXPECT_EQ(cardvalue("number(buttons of card button \"Go\")"), "error 2");
  EXPECT_EQ(cardvalue("number(card frogs)"), "error 2");
  EXPECT_EQ(cardvalue("the number of objects of card field \"Notes\" of card 3"), "0");
  EXPECT_EQ(cardvalue("number(objects of card 1)"), "error 2");
}

TEST_F(CountingTest, CardsBackgroundsWindowsAndMenus) {
  EXPECT_EQ(cardvalue("the number of cards of background 1"), "2") << "the cards that share it";
  EXPECT_EQ(cardvalue("the number of cards of bg \"Fancy\""), "1");
  EXPECT_EQ(cardvalue("number(cards of background 1)"), "2");
  EXPECT_EQ(cardvalue("the number of cards of window 1"), "3");
  EXPECT_EQ(cardvalue("number(cards of card 1)"), "error 2");
  EXPECT_EQ(cardvalue("the number of backgrounds"), "2");
  EXPECT_EQ(cardvalue("the number of bgs of this window"), "2");
  EXPECT_EQ(cardvalue("number(backgrounds of card 1)"), "error 2");
  EXPECT_EQ(cardvalue("the number of windows"), "1");
  EXPECT_EQ(cardvalue("number(windows of window 1)"), "error 2");
  EXPECT_EQ(cardvalue("the number of menus"), "2");
  EXPECT_EQ(cardvalue("the number of items of menu \"File\""), "3");
  EXPECT_EQ(cardvalue("number(items of menu 2)"), "1");
  EXPECT_EQ(cardvalue("number(frogs)"), "error 4");
  EXPECT_EQ(cardvalue("number(lines \"a\")"), "error 5");
  EXPECT_EQ(cardvalue("the number of items of \"a,b,c\""), "3") << "items of a text";
}

TEST_F(CountingTest, OpenThingsAndScreens) {
  EXPECT_EQ(cardvalue("the number of current windows"), "1");
  EXPECT_EQ(cardvalue("the number of this windows"), "1");
  EXPECT_EQ(cardvalue("the number of current menus"), "0");
  EXPECT_EQ(cardvalue("number(current cards)"), "error 2");
  EXPECT_EQ(cardvalue("the number of monitors"), "1");
  EXPECT_EQ(cardvalue("the number of movies"), "0");
}

TEST_F(CountingTest, TheNthWindow) {
  std::string id = cardvalue("currentWindow(1)");
  EXPECT_NE(id.find("window ID 100"), std::string::npos) << id;
  EXPECT_EQ(cardvalue("the currentWindow of 1"), id);
  EXPECT_EQ(cardvalue("currentWindow of 1"), id);
  EXPECT_EQ(cardvalue("currentWindow(0)"), "error 2");
  EXPECT_EQ(cardvalue("currentWindow(2)"), "error 2");
  EXPECT_EQ(cardvalue("currentWindow(\"x\")"), "error 13");
  mainglobals().plugin = 1;
  EXPECT_EQ(cardvalue("the currentWindow of 1"), "error 176");
  mainglobals().plugin = 0;
}

TEST_F(CountingTest, TheNthMenuOfTheMenuBar) {
  EXPECT_EQ(cardvalue("currentMenu(1)"), "error 2") << "the menu bar is empty";
  // Place menu "Edit" in the current menu set, as the menu commands would.
  objread obj{};
  ASSERT_EQ(readreference("menu \"Edit\"", &obj), 0);
  MainGlobals& g = mainglobals();
  menuset& set = g.menusets[g.menuSet];
  ASSERT_EQ(PtrAndHand(&obj.menu, set.lines, sizeof(menuline)), noErr);
  set.count = 1;
  std::string id = cardvalue("currentMenu(1)");
  EXPECT_NE(id.find("menu ID 101"), std::string::npos) << id;
  EXPECT_EQ(cardvalue("the number of current menus"), "1");
  EXPECT_EQ(cardvalue("currentMenu(2)"), "error 2");
  SetHandleSize(set.lines, 0);
  set.count = 0;
  writeobj(&obj);
}

}  // namespace
}  // namespace kv
