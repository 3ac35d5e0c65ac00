// describe: the parts of menus, cards, backgrounds, windows, projects and fields as lines, read
// as a script reads them.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/windows.h"

namespace kv {
namespace {

class DescribeTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = testproject::small();
    testproject::Window& w = p.windows[0];
    testproject::Object ok, cancel, list, plain;
    ok.name = "OK";
    cancel.name = "Cancel";
    list.kind = testproject::Object::field;
    list.name = "list";
    list.style = 302;
    plain.kind = testproject::Object::field;
    plain.name = "plain";
    testproject::Object box;
    box.kind = testproject::Object::graphic;
    box.name = "box";
    w.cards[0].objects = {ok, list, cancel, box, plain};
    w.cards[1].name = std::string(30, 'n');
    w.cards[2].background = 0;  // every card on the first background
    testproject::Object help;
    help.name = "Help";
    w.backgrounds[0].objects.push_back(help);
    p.menus.push_back(testproject::Menu{"File", "", {{"New", ""}, {"Open", ""}}});
    p.menus.push_back(testproject::Menu{"Edit", "", {{"Undo", ""}}});
    build(p);
    ASSERT_EQ(open(), 0);
  }
  std::string id(const std::string& reference) { return cardvalue("the short id of " + reference); }
};

TEST_F(DescribeTest, TheObjectsOfACard) {
  const std::string okid = id("card button \"OK\""), cancelid = id("card button \"Cancel\"");
  EXPECT_EQ(cardvalue("describe(card 1, buttons)"),
            "Button\t1\tOK\t" + okid + "\rButton\t2\tCancel\t" + cancelid + "\r");
  EXPECT_EQ(cardvalue("describe(card 1, \"buttons and more\")"), cardvalue("describe(card 1, buttons)"))
      << "the first word of the value counts";
  EXPECT_EQ(cardvalue("describe(card 1, fields)"),
            "Field\t1\tlist\t" + id("card field \"list\"") + "\rField\t2\tplain\t" + id("card field \"plain\"") + "\r");
  EXPECT_EQ(cardvalue("describe(card 1, graphics, list)"), "Graphic id " + id("card graphic \"box\"") + "\r");
  EXPECT_EQ(cardvalue("describe(card 1, all, list)"),
            "Button id " + okid + "\rcd Field id " + id("card field \"list\"") + "\rButton id " + cancelid +
                "\rGraphic id " + id("card graphic \"box\"") + "\rcd Field id " + id("card field \"plain\"") + "\r");
  EXPECT_EQ(cardvalue("describe(card 2, buttons)"),
            "Button\t1\tGo\t" + cardvalue("the short id of card button 1 of card 2") + "\r");
  EXPECT_EQ(cardvalue("describe(card 1)"), "error 2");
  EXPECT_EQ(cardvalue("describe(card 1, windows)"), "error 2");
}

TEST_F(DescribeTest, TheObjectsAndCardsOfABackground) {
  EXPECT_EQ(cardvalue("describe(background 1, all, list)"),
            "Field id " + id("bg field 1") + "\rbg Button id " + id("bg button \"Help\"") + "\r");
  EXPECT_EQ(cardvalue("describe(background 1, buttons)"), "Button\t1\tHelp\t" + id("bg button \"Help\"") + "\r");
  EXPECT_EQ(cardvalue("describe(background 1, cards, list)"),
            "Card id " + id("card 1") + "\rCard id " + id("card 2") + "\rCard id " + id("card 3") + "\r");
  EXPECT_EQ(cardvalue("describe(background 1, cards)"), "Card\t1\tOne\t" + id("card 1") + "\rCard\t2\t" +
                                                            std::string(30, 'n') + "\t" + id("card 2") +
                                                            "\rCard\t3\tThree\t" + id("card 3") + "\r");
}

TEST_F(DescribeTest, TheCardsAndBackgroundsOfAWindow) {
  const std::string bg = id("background 1");
  EXPECT_EQ(cardvalue("describe(window 1, backGrounds)"), "Back\t1\tPlain\t" + bg + "\r")
      << "three cards on one background list it once";
  EXPECT_EQ(cardvalue("describe(window 1, backgrounds, list)"), "Bkgnd id " + bg + "\r");
  std::string cards = "Card\t1\tOne\t" + id("card 1") + "\t" + bg + "\rCard\t2\t" + std::string(30, 'n') + "\t" +
                      id("card 2") + "\t" + bg + "\rCard\t3\tThree\t" + id("card 3") + "\t" + bg + "\r";
  EXPECT_EQ(cardvalue("describe(window 1, cards)"), cards);
  EXPECT_EQ(cardvalue("describe(window 1, all)"), cards + "Back\t1\tPlain\t" + bg + "\r");
  EXPECT_EQ(cardvalue("describe(window 1, menus)"), "error 2");
}

TEST_F(DescribeTest, TheBrowseColumns) {
  char line[80];
  std::snprintf(line, sizeof line, "%-5ld %5ld %5ld  %-24s\r", 2L, std::stol(id("card 2")),
                std::stol(id("background 1")), (std::string(23, 'n') + "\xC9").c_str());
  std::string got = cardvalue("describe(window 1, cards, browse, card field \"list\")");
  EXPECT_EQ(got.substr(got.find('\r') + 1, std::string(line).size()), line);
  EXPECT_EQ(got.substr(0, 5), "1    ");
  EXPECT_EQ(cardvalue("describe(window 1, cards, editor)"), got);
  EXPECT_EQ(cardvalue("describe(window 1, cards, browse)"), "error 39");
  EXPECT_EQ(cardvalue("describe(window 1, buttons, browse, card field \"list\")"), "error 2");
  EXPECT_EQ(cardvalue("describe(window 1, cards, browse, card field \"plain\")"), "error 131");
}

TEST_F(DescribeTest, MenusWindowsAndFields) {
  std::string file = cardvalue("describe(menu \"File\")");
  EXPECT_EQ(file.substr(0, 7), "Item\t1\t");
  EXPECT_NE(file.find("\tNew\t"), std::string::npos);
  EXPECT_NE(file.find("Item\t2\tOpen\t"), std::string::npos);
  EXPECT_EQ(cardvalue("describe(menu \"File\", all, list)").substr(0, 8), "Item id ");
  std::string menus = cardvalue("describe(this project, menus)");
  EXPECT_EQ(menus.substr(0, 12), "Menu\t1\tFile\t");
  EXPECT_NE(menus.find("Menu\t2\tEdit\t"), std::string::npos);
  EXPECT_EQ(cardvalue("describe(this project, windows)"), "Wind\t1\tMain\t" + id("window 1") + "\r");
  EXPECT_EQ(cardvalue("describe(this project, windows, list)"), "Wind id " + id("window 1") + "\r");
  EXPECT_EQ(cardvalue("describe(this project, resources)"), "");
  EXPECT_EQ(cardvalue("describe(this project, all)"), cardvalue("describe(this project, windows)") + menus);
  EXPECT_EQ(cardvalue("describe(this project, cards)"), "error 2");
  EXPECT_EQ(cardvalue("describe(card field \"plain\", get)"), "error 131");
  EXPECT_EQ(cardvalue("describe(card field \"list\", get)"), "");
  EXPECT_EQ(cardvalue("describe(card button \"OK\", all)"), "");
  EXPECT_EQ(cardvalue("describe(card 99, all)"), "error 51");
  EXPECT_EQ(cardvalue("describe(card 1, all x)"), "error 88");
  EXPECT_EQ(cardvalue("the describe of card 1"), "error 49");
}

}  // namespace
}  // namespace kv
