// Undo and redo of typing, and clone as scripts use it: the copies' ids, places and selection,
// `the result`, clones onto other cards, the "new" message, and the words clone refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/memory/memory.h"
#include "platform/testing/transcript.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

class CloneTest : public WindowTest {
 protected:
  // Card 1: buttons "A" (id 100) and "B" (id 250, with a newButton handler), a line "L" and an
  // empty field "F"; cards 2 and 3 are empty.
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{60, 60, 360, 460};
    w.backgrounds.push_back(testproject::Background{});
    testproject::Card c;
    c.objects = {Object{.name = "A", .rect = {10, 10, 30, 90}},
                 Object{.name = "B",
                        .script = "on newButton\n global born\n put the short name of me & \" \" after born\n"
                                  " send \"nothing\" to card 99\nend newButton",
                        .rect = {50, 100, 70, 180}},
                 Object{.kind = Object::field, .name = "F", .rect = {100, 10, 140, 200}}};
    w.cards = {c, testproject::Card{}, testproject::Card{}};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
    spot b = spotat(current().cardspots, 1);
    b.id = 250;
    putspot(current().cardspots, 1, b);
    ASSERT_EQ(doline("global born, r\nput empty into born\nchoose button tool"), 0);
  }
  i32 objects() { return spotcount(current().cardspots); }
  spot last() { return spotat(current().cardspots, objects() - 1); }
  // Selects the card objects whose indexes are given and no other object.
  void selectonly(std::initializer_list<i32> indexes) {
    ASSERT_EQ(doline("select empty"), 0);
    for (i32 i : indexes) {
      spot s = spotat(current().cardspots, i);
      s.selected = 1;
      putspot(current().cardspots, i, s);
    }
  }
  static long beeps() { return std::count(transcriptlines().begin(), transcriptlines().end(), "beep"); }
};

TEST_F(CloneTest, OneObjectIsCopiedBesideItselfSelectedWithANewId) {
  ASSERT_EQ(doline("select button \"A\"\nclone button id 250\nput the result into r"), 0);
  ASSERT_EQ(objects(), 4);
  const spot copy = last();
  EXPECT_EQ(u32(copy.id), 251u);
  EXPECT_EQ(copy.rect.left, 105);
  EXPECT_EQ(copy.rect.top, 55);
  EXPECT_EQ(copy.rect.right, 185);
  EXPECT_NE(copy.selected, 0);
  EXPECT_EQ(spotat(current().cardspots, 0).selected, 0) << "the old selection goes";
  EXPECT_EQ(cardvalue("r"), cardvalue("the long id of button id 251"));
  EXPECT_EQ(cardvalue("born"), "") << "no message without `with message`";
  // Centred on a point, its size kept.
  ASSERT_EQ(doline("clone button \"A\" at 200,100"), 0);
  EXPECT_EQ(last().rect.left, 160);
  EXPECT_EQ(last().rect.top, 90);
  EXPECT_EQ(last().rect.right, 240);
  EXPECT_EQ(last().rect.bottom, 110);
}

TEST_F(CloneTest, WithMessageSendsTheNewMessageOnceAndAnswersItsStatus) {
  // The handler fails: its status is the command's.
  const i16 failed = failingline("send \"nothing\" to card 99");
  ASSERT_NE(failed, 0);
  EXPECT_EQ(failingline("clone button \"B\" with message"), failed);
  EXPECT_EQ(cardvalue("born"), "B ");
  EXPECT_EQ(objects(), 4);
  ASSERT_EQ(doline("put empty into born"), 0);
  EXPECT_EQ(failingline("clone button \"B\" at 50,50 with message"), failed);
  EXPECT_EQ(cardvalue("born"), "B ");
}

TEST_F(CloneTest, SelectedObjectsAreCentredOnAPointKeepingTheirPlaces) {
  selectonly({0, 1});
  ASSERT_EQ(doline("clone objects at 200,100\nput the result into r"), 0);
  ASSERT_EQ(objects(), 5);
  // The union of A and B is 10,10 .. 180,70: centre (95, 40).
  const spot a = spotat(current().cardspots, 3), b = spotat(current().cardspots, 4);
  EXPECT_EQ(a.rect.left, 115);
  EXPECT_EQ(a.rect.top, 70);
  EXPECT_EQ(b.rect.left, 205);
  EXPECT_EQ(b.rect.top, 110);
  EXPECT_TRUE(a.selected && b.selected);
  EXPECT_EQ(spotat(current().cardspots, 0).selected, 0);
  EXPECT_EQ(cardvalue("the number of lines of r"), "2");
  EXPECT_EQ(cardvalue("line 2 of r"), cardvalue("the long id of button 4"));
  // Without a point: 5 right and 5 down of where they stood.
  ASSERT_EQ(doline("clone selected objects"), 0);
  EXPECT_EQ(spotat(current().cardspots, 5).rect.left, 120);
  EXPECT_EQ(spotat(current().cardspots, 6).rect.top, 115);
}

TEST_F(CloneTest, ClonesToAnotherCardKeepTheirPlaces) {
  selectonly({0, 1});
  ASSERT_EQ(doline("clone objects to card 3\nput the result into r"), 0);
  EXPECT_EQ(objects(), 3) << "nothing added here";
  ASSERT_EQ(doline("go card 3"), 0);
  ASSERT_EQ(objects(), 2);
  EXPECT_EQ(spotat(current().cardspots, 0).rect.left, 10);
  EXPECT_EQ(spotat(current().cardspots, 1).rect.top, 50);
  EXPECT_EQ(cardvalue("line 1 of r"), cardvalue("the long id of button 1"));
  // To the current card itself they land 5 right and 5 down; a point below moves them only
  // vertically when it lies straight under their centre.
  selectonly({0});
  ASSERT_EQ(doline("clone objects to this card"), 0);
  EXPECT_EQ(last().rect.left, 15);
  EXPECT_EQ(last().rect.top, 15);
  selectonly({0});
  ASSERT_EQ(doline("clone objects to card 3 at 50,120"), 0);
  EXPECT_EQ(last().rect.left, 10);
  EXPECT_EQ(last().rect.top, 110);
  // The copies live in the file.
  ASSERT_EQ(doline("save"), 0);
  closeallwindows();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("the number of buttons of card 3"), "4");
}

TEST_F(CloneTest, OneObjectToADestinationWithItsMessage) {
  // A card its window does not show: the copy at the same place, and no handler to run.
  ASSERT_EQ(doline("clone button \"B\" to card 2 with message"), 0);
  EXPECT_EQ(cardvalue("born"), "");
  EXPECT_EQ(cardvalue("the number of buttons of card 2"), "1");
  EXPECT_EQ(cardvalue("the rect of button 1 of card 2"), "100,50,180,70");
  // The card shown: the copy hears "newButton" and its failure is the command's.
  EXPECT_EQ(failingline("clone button \"B\" to this card with message"), failingline("send \"nothing\" to card 99"));
  EXPECT_EQ(cardvalue("born"), "B ");
  EXPECT_EQ(cardvalue("the rect of last button"), "105,55,185,75");
}

TEST_F(CloneTest, WordsCloneRefuses) {
  selectonly({0});
  failrows({{"clone objects now", "", "error 2"},
            {"clone objects to button 1", "", "error 2"},
            {"clone objects at 10,10 now", "", "error 2"},
            {"clone card 1", "", "error 2"},
            {"clone button 1 now", "", "error 7"}});
  EXPECT_EQ(objects(), 3) << "nothing cloned";
  EXPECT_EQ(cardvalue("the number of buttons of card 2"), "0");
  // Stray words after a destination end the command quietly with nothing cloned.
  ASSERT_EQ(doline("clone objects to card 2 now"), 0);
  EXPECT_EQ(cardvalue("the number of buttons of card 2"), "0");
  setmemoryguardrefusal(true);
  EXPECT_EQ(failingline("clone button 1"), 37);
  EXPECT_EQ(failingline("clone objects"), 37);
  setmemoryguardrefusal(false);
  EXPECT_EQ(objects(), 3);
  // Nothing selected: nothing cloned, no error.
  ASSERT_EQ(doline("select empty\nclone objects"), 0);
  EXPECT_EQ(objects(), 3);
}

// Every allocation failing in turn while objects are cloned onto another card: the copies are
// all there or the command failed, and nothing is left behind.
TEST_F(CloneTest, CloneWhenMemoryRunsOut) {
  testproject::Project p;
  testproject::Window w;
  w.backgrounds.push_back(testproject::Background{});
  testproject::Card c;
  c.objects = {Object{.name = "A"}, Object{.kind = Object::field, .name = "F", .text = "some text"}};
  w.cards = {c, testproject::Card{}};
  p.windows.push_back(w);
  EXPECT_GT(sweepallocations(
                p,
                [this] {
                  ASSERT_EQ(open(), 0);
                  ASSERT_EQ(doline("choose button tool\nselect button 1"), 0);
                },
                [this] { return doline("clone button 1 to card 2\nselect card field 1\nclone objects"); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(cardvalue("the number of buttons of card 2"), "1");
                  }
                }),
            5);
}

TEST_F(CloneTest, UndoAndRedoTakeBackTyping) {
  ASSERT_EQ(doline("choose browse tool\nselect after text of card field \"F\"\ntype \"abc\""), 0);
  ASSERT_GE(mainglobals().openfield, 0);
  cardrows({{"undo", "card field \"F\"", ""}, {"redo", "card field \"F\"", "abc"}});
  // The text put down into the field is the redone one.
  ASSERT_EQ(doline("undo\nredo\nselect empty"), 0);
  EXPECT_EQ(cardvalue("card field \"F\""), "abc");
  // Nothing being edited: a beep, and no error.
  const long before = beeps();
  cardrows({{"undo", "the result", ""}});
  EXPECT_EQ(beeps(), before + 1);
  ASSERT_EQ(doline("redo"), 0);
  EXPECT_EQ(beeps(), before + 2);
}

}  // namespace
}  // namespace kv
