// The move command as scripts use it: the positions an object passes, what is redrawn and
// when, the positions collected into a container, and the words it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/events.h"
#include "platform/testing/driver.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "core/memoryguard.h"
#include "store/recordcache.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

class MoveTest : public WindowTest {
 protected:
  // One window whose card shows button "B" (10,10 to 30,30: centre 20,20), field "F" and a
  // rectangle graphic "G".
  static Project project() {
    testproject::Card c;
    c.objects = {Object{.name = "B", .rect = {10, 10, 30, 30}},
                 Object{.kind = Object::field, .name = "F", .rect = {100, 100, 140, 200}},
                 Object{.kind = Object::graphic, .name = "G", .rect = {200, 200, 240, 260}}};
    Project p;
    p.windows.push_back(testproject::Window{.name = "Main", .backgrounds = {{}}, .cards = {c, {}}});
    return p;
  }

  void SetUp() override {
    WindowTest::SetUp();
    build(project());
    ASSERT_EQ(open(), 0);
    takeredraws();
  }

  // The card record's changed mark.
  bool cardchanged() {
    u16 changed = 0;
    EXPECT_EQ(testvir(current().store, i32(current().cardrecid), &changed), 0);
    return changed != 0;
  }
  // The centres of the rectangles redrawn since the last call: each redraw is the union of the
  // button's old and new rectangles, so its far corner less half the button's size is where
  // the button went (the moves here go right and down, or right).
  static std::vector<std::string> steps() {
    std::vector<std::string> out;
    for (const redrawrequest& r : takeredraws()) {
      if (r.whole) continue;
      out.push_back(std::to_string(r.area.right - 10) + "," + std::to_string(r.area.bottom - 10));
    }
    return out;
  }
};

TEST_F(MoveTest, ANudgeMovesFifteenPixelsAStepAndIsKept) {
  ASSERT_EQ(doline("move button 1 to 100,100"), 0);
  EXPECT_EQ(steps(), (std::vector<std::string>{"35,35", "50,50", "65,65", "80,80", "95,95", "100,100"}));
  EXPECT_EQ(cardvalue("the rect of button 1"), "90,90,110,110");
  EXPECT_TRUE(cardchanged());

  // Closed and opened again, the project has the button where it went.
  closeallwindows();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "90,90,110,110");
}

TEST_F(MoveTest, JumpsAndRelativeLegs) {
  ASSERT_EQ(doline("move button 1 to 100,100 jump 1"), 0);
  EXPECT_EQ(steps(), (std::vector<std::string>{"100,100"})) << "at once";
  ASSERT_EQ(doline("move button 1 to 20,20 jump 3"), 0);
  EXPECT_EQ(takeredraws().size(), 3u);
  EXPECT_EQ(cardvalue("the loc of button 1"), "20,20");
  // A diagonal leg arrives in exactly as many jumps as asked.
  ASSERT_EQ(doline("move button 1 to 120,120 jump 10"), 0);
  EXPECT_EQ(takeredraws().size(), 10u);
  ASSERT_EQ(doline("move button 1 to 20,20 jump 1"), 0);
  takeredraws();

  // Each point after the first is taken from the one before.
  ASSERT_EQ(doline("move button 1 relative 10,0,10,0"), 0);
  EXPECT_EQ(steps(), (std::vector<std::string>{"30,20", "40,20"}));
  EXPECT_EQ(cardvalue("the rect of button 1"), "30,10,50,30");
  // A path back onto the object's own centre passes nowhere.
  ASSERT_EQ(doline("move button 1 relative 0,0"), 0);
  EXPECT_TRUE(takeredraws().empty());
  // A whole-number step of any size, and the word forms of the numbers.
  ASSERT_EQ(doline("move button 1 to 40,20 nudge 3 * 2"), 0);
  EXPECT_EQ(takeredraws().size(), 0u) << "already there";
  ASSERT_EQ(doline("move button 1 to 52,20 nudge 0"), 0);
  EXPECT_EQ(takeredraws().size(), 12u) << "a step of at least one pixel";
}

TEST_F(MoveTest, WaitsRunOnTheTickClock) {
  const u32 before = TickCount();
  ASSERT_EQ(doline("move button 1 to 110,20 wait 2"), 0);
  EXPECT_EQ(takeredraws().size(), 6u);
  EXPECT_EQ(TickCount() - before, 12u);
  // A negative wait is none.
  const u32 again = TickCount();
  ASSERT_EQ(doline("move button 1 to 20,20 wait -5"), 0);
  EXPECT_EQ(TickCount() - again, 0u);
}

TEST_F(MoveTest, IntoCollectsThePositionsAndLeavesTheObject) {
  ASSERT_EQ(doline("move button 1 to 50,50,60,60 into v\nput v into msg"), 0);
  EXPECT_EQ(msg(), "35,35,50,50,60,60");
  EXPECT_EQ(cardvalue("the rect of button 1"), "10,10,30,30");
  EXPECT_TRUE(takeredraws().empty());
  EXPECT_FALSE(cardchanged());
  // Into a chunk of a field; relative points collected from the centre.
  ASSERT_EQ(
      doline(
          "put \"a\" & return & \"b\" into card field 1\nmove button 1 relative 0,-20 nudge 10 into line 2 of card field 1"),
      0);
  EXPECT_EQ(cardvalue("card field 1"), "a\r20,10,20,0");
  // The memory guard refuses what is collected.
  setmemoryguardrefusal(true);
  EXPECT_EQ(failingline("move button 1 to 50,50 into v"), 37);
  setmemoryguardrefusal(false);
}

TEST_F(MoveTest, WordsItRefuses) {
  failrows({
      {"move button 1 to 1,2,3", "", "error 2"},
      {"move button 1 to \"\"", "", "error 2"},
      {"move button 1 to \"1 2,3 4\"", "", "error 39"},
      {"move button 1 to 40000,10", "", "error 209"},
      {"move card 1 to 1,1", "", "error 11"},
      {"move button 9 to 1,1", "", "error 11"},  // the reference's own errors
      {"move button 1 of card 9 to 1,1", "", "error 51"},
      {"move button 1 by 1,1", "", "error 77"},
      {"move button 1", "", "error 77"},
      {"move button 1 to 1,1 foo", "", "error 19"},
      {"move button 1 to 1,1 wait 2 nudge 3", "", "error 19"},
      {"move button 1 to 1,1 jump \"x\"", "", "error 13"},
      {"move button 1 to 1,1 into \"v\"", "", "error 45"},
  });
  EXPECT_EQ(cardvalue("the rect of button 1"), "10,10,30,30") << "no failure moved it";
  EXPECT_FALSE(cardchanged());
}

TEST_F(MoveTest, FieldsAndGraphicsMoveToo) {
  ASSERT_EQ(doline("move card field 1 to 150,150 jump 1\nmove graphic 1 relative -100,-100 jump 1"), 0);
  EXPECT_EQ(cardvalue("the loc of card field 1"), "150,150");
  EXPECT_EQ(cardvalue("the rect of graphic 1"), "100,100,160,140");
}

TEST_F(MoveTest, AnOpenFieldClosesBeforeItMoves) {
  ASSERT_EQ(doline("select text of card field 1\nmove card field 1 to 150,150 jump 1"), 0);
  EXPECT_LT(mainglobals().openfield, 0);
  EXPECT_EQ(cardvalue("the loc of card field 1"), "150,150");
  // A handler that leaves the card as the field closes ends the move there.
  ASSERT_EQ(doline("set the script of card field 1 to \"on leaveField\" & return & \"go next card\" & return & "
                   "\"end leaveField\"\nselect text of card field 1\nmove card field 1 to 50,50 jump 1"),
            0);
  EXPECT_EQ(cardvalue("the number of this card"), "2");
  EXPECT_EQ(cardvalue("the loc of card field 1 of card 1"), "150,150");
}

// Mend: the rectangle is computed wide and each edge held to 16 bits, so that a centre near the
// limit never wraps round to the other side.
TEST_F(MoveTest, EdgesNearTheLimitAreHeldNotWrapped) {
  ASSERT_EQ(doline("move button 1 to 32767,-32768 jump 1"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "32757,-32768,32767,-32758");
  // The centre of what is left (32762,-32763) goes on beyond the limits, which hold it.
  ASSERT_EQ(doline("move button 1 relative 30000,-30000 jump 1"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "32762,-32768,32767,-32763");
}

TEST_F(MoveTest, AClickStopsAnUntilMove) {
  drive::advance(5);
  drive::click(Point{300, 300});
  ASSERT_EQ(doline("move button 1 to 300,300 until click"), 0);
  const std::string loc = cardvalue("the loc of button 1");
  EXPECT_NE(loc, "300,300") << "stopped on the way";
  EXPECT_NE(loc, "20,20");
  EXPECT_TRUE(cardchanged());
  EXPECT_TRUE(EventAvail(mDownMask, nullptr)) << "the click is left for the handlers";

  drive::advance(5);
  drive::click(Point{300, 300});
  ASSERT_EQ(doline("move button 1 to 20,20 until mouse click"), 0);
  EXPECT_NE(cardvalue("the loc of button 1"), "20,20");
  EXPECT_FALSE(EventAvail(everyEvent, nullptr)) << "every event is flushed";
}

// Mend: an abort stops the move where the object shows, and the card keeps that place.
TEST_F(MoveTest, TheAbortKeyStopsTheMoveAndKeepsThePlace) {
  drive::advance(3);
  drive::keychar('.', cmdKey);
  EXPECT_EQ(failingline("move button 1 to 300,300 wait 10"), 48);
  const std::string loc = cardvalue("the loc of button 1");
  EXPECT_NE(loc, "300,300");
  EXPECT_NE(loc, "20,20");
  EXPECT_TRUE(cardchanged());
}

// Every allocation failing in turn: a failure leaves nothing behind; a success moved the button
// or collected every position.
TEST_F(MoveTest, MovingWhenMemoryRunsOut) {
  const auto open1 = [this] { ASSERT_EQ(open(), 0); };
  EXPECT_GT(sweepallocations(
                project(), open1, [this] { return failingline("move button 1 to 50,50"); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(cardvalue("the loc of button 1"), "50,50");
                  }
                }),
            1);
  EXPECT_GT(sweepallocations(
                project(), open1, [this] { return failingline("move button 1 to 50,50 into card field 1"); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(cardvalue("card field 1"), "35,35,50,50");
                  }
                }),
            1);
}

}  // namespace
}  // namespace kv
