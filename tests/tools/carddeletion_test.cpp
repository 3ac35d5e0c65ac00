// `delete card` as scripts use it: the refusals, the delete messages and their order, the card
// shown afterwards, backgrounds and pages that go with their last card, and a damaged card list
// refused before anything changes.
#include <gtest/gtest.h>

#include <string>

#include "platform/files/files.h"
#include "platform/text/pstring.h"
#include "platform/memory/memory.h"
#include "shell/commandline.h"
#include "store/starfile.h"
#include "store/pagedlists.h"
#include "store/records.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

// Every card and background reports its delete messages in the global `gone`.
const char* const kReport =
    "on deleteCard\n global gone\n put \"card \" & the short name of this card & \" \" after gone\nend deleteCard\n"
    "on deleteBackground\n global gone\n put \"bkgnd \" after gone\nend deleteBackground";

class CardDeletionTest : public WindowTest {
 protected:
  // Window 1: cards "one" and "two" on background "A", card "three" on background "B".
  // Window 2: a single card.
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{60, 60, 360, 460};
    w.script = kReport;
    w.backgrounds = {testproject::Background{"A", "", {}}, testproject::Background{"B", "", {}}};
    w.cards = {testproject::Card{.name = "one"}, testproject::Card{.name = "two"},
               testproject::Card{.name = "three", .background = 1}};
    testproject::Window lone;
    lone.rect = Rect{60, 500, 360, 900};
    lone.backgrounds.push_back(testproject::Background{});
    lone.cards.push_back(testproject::Card{.name = "alone"});
    p.windows = {w, lone};
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("global gone\nput empty into gone"), 0);
  }
  windrec window() { return loadat<windrec>(deref(current().wind)); }
};

TEST_F(CardDeletionTest, Refusals) {
  ASSERT_EQ(doline("set cantDelete of this card to true"), 0);
  failrows({{"delete card", "gone", "error 106"}});
  ASSERT_EQ(doline("set cantDelete of this card to false\nset cantDelete of bkgnd \"B\" to true\ngo card 3"), 0);
  failrows({{"delete card", "gone", "error 109"}});
  EXPECT_EQ(cardvalue("the number of cards"), "3");
  ASSERT_EQ(doline("go card 1 of window 2"), 0);
  failrows({{"delete card", "the number of cards", "error 105"}});
  EXPECT_EQ(cardvalue("gone"), "") << "nothing was sent";
}

TEST_F(CardDeletionTest, TheLastCardOfABackgroundTakesItAlong) {
  ASSERT_EQ(doline("go card \"three\""), 0);
  cardrows({{"delete card", "gone", "card three bkgnd "},
            {"", "the number of cards", "2"},
            {"", "the number of bkgnds", "1"},
            {"", "the short name of this card", "one"}});
  EXPECT_EQ(window().backcount, 1u);
  // Not the last of its background: the background stays, and the next card is shown with
  // the number the deleted one had.
  ASSERT_EQ(doline("put empty into gone\ngo card \"one\""), 0);
  cardrows({{"delete card", "gone", "card one "},
            {"", "the short name of this card", "two"},
            {"", "the number of this card", "1"},
            {"", "the number of bkgnds", "1"}});
  // The file verifies and opens with what is left.
  closeallwindows();
  Str255 name{};
  setpstring(name, "p.kv45");
  EXPECT_EQ(verifystar(kBootVolume, dir, name), 1000);
  ASSERT_EQ(open(), 0);
  cardrows(
      {{"", "the number of cards", "1"}, {"", "the short name of card 1", "two"}, {"", "the number of bkgnds", "1"}});
}

TEST_F(CardDeletionTest, LockedMessagesAndAHandlerThatLeaves) {
  ASSERT_EQ(doline("set lockMessages to true\ngo card \"two\""), 0);
  ASSERT_EQ(doline("delete card"), 0);
  ASSERT_EQ(doline("set lockMessages to false"), 0);
  cardrows({{"", "gone", ""}, {"", "the number of cards", "2"}, {"", "the short name of this card", "three"}});
  ASSERT_EQ(doline("set the script of card \"three\" to \"on deleteCard\" & return & \"go card 1\" & return & "
                   "\"end deleteCard\""),
            0);
  cardrows({{"delete card", "the number of cards", "2"}, {"", "the short name of this card", "one"}});
}

TEST_F(CardDeletionTest, ACardListWhoseCountsDisagreeIsRefused) {
  windrec w = window();
  w.cardcount = 4;
  storeat<windrec>(deref(current().wind), w);
  failrows({{"delete card", "gone", "error 105"}});
  EXPECT_EQ(window().cardcount, 4u) << "nothing deleted";
}

using CardPagesTest = WindowTest;

TEST_F(CardPagesTest, TheOnlyCardOfAPageTakesThePageAlong) {
  // 101 cards: a full page and a page of one.
  testproject::Project p;
  testproject::Window w;
  w.backgrounds.push_back(testproject::Background{});
  for (int i = 1; i <= 101; ++i) w.cards.push_back(testproject::Card{.name = "c" + std::to_string(i)});
  p.windows.push_back(w);
  build(p);
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(loadat<windrec>(deref(current().wind)).pagecount, 2);
  cardrows({{"go card 101\ndelete card", "the short name of this card", "c1"}, {"", "the number of cards", "100"}});
  EXPECT_EQ(loadat<windrec>(deref(current().wind)).pagecount, 1);
  cardrows({{"go card 50\ndelete card", "the short name of this card", "c51"},
            {"", "the number of this card", "50"},
            {"", "the short name of card 99", "c100"},
            {"", "the number of cards", "99"}});
}

}  // namespace
}  // namespace kv
