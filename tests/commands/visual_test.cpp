// The visual command queues effects for the next change of card.
#include <gtest/gtest.h>

#include <string>

#include "render/effectqueue.h"
#include "core/mainglobals.h"
#include "tests/support/texts.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class VisualTest : public VeltrixTest {
 protected:
  // The queued effects as "name/speed/target", joined by ";".
  static std::string queue() {
    const MainGlobals& g = mainglobals();
    std::string s;
    for (int i = 0; i < g.effectcount; ++i) {
      if (!s.empty()) s += ";";
      s += testtexts::hand(g.effects[i].name) + "/" + std::to_string(g.effects[i].speed) + "/" +
           std::to_string(g.effects[i].target);
    }
    return s;
  }
  std::string visual(std::string_view words) {
    cleareffect(0);
    i16 st = run("visual " + std::string(words));
    return st == 0 ? queue() : "error " + std::to_string(st);
  }
};

TEST_F(VisualTest, SpeedsAndTargets) {
  EXPECT_EQ(visual("dissolve"), "dissolve/0/1") << "very fast to the card";
  EXPECT_EQ(visual("effect dissolve"), "dissolve/0/1");
  EXPECT_EQ(visual("\"iris open\" very slow to black"), "iris open/6/0");
  EXPECT_EQ(visual("wipe fast to white"), "wipe/2/4");
  EXPECT_EQ(visual("wipe slow to gray"), "wipe/4/2");
  EXPECT_EQ(visual("wipe slowly to grey"), "wipe/4/2");
  EXPECT_EQ(visual("wipe very fast to inverse"), "wipe/0/3");
  EXPECT_EQ(visual("wipe to cd"), "wipe/0/1");
  EXPECT_EQ(visual("wipe for 30 ticks"), "wipe/30/1");
  EXPECT_EQ(visual("wipe for 30"), "wipe/30/1");
  EXPECT_EQ(visual("wipe wait 10 + 5 ticks to black"), "wipe/15/0");
  EXPECT_EQ(visual("wipe very to black"), "wipe/2/0") << "very alone is fast";
  EXPECT_EQ(visual("wipe very"), "wipe/2/1");
  EXPECT_EQ(visual("\"a\" & \"b\""), "ab/0/1") << "the name is an expression";
}

TEST_F(VisualTest, WordsLeftGiveTwo) {
  EXPECT_EQ(visual("wipe very banana"), "error 2");
  EXPECT_EQ(visual("wipe quickly"), "error 2");
  EXPECT_EQ(visual("wipe to red"), "error 2") << "the word after to is not taken";
  EXPECT_EQ(visual("wipe fast slow"), "error 2");
  EXPECT_EQ(visual("wipe for \"x\""), "error 13");
  EXPECT_EQ(queue(), "") << "nothing is queued by a failing command";
}

TEST_F(VisualTest, DurationsAreClampedAndTheQueueHoldsTen) {
  EXPECT_EQ(visual("wipe for -5 ticks"), "wipe/0/1");
  EXPECT_EQ(visual("wipe for 100000"), "wipe/65535/1");
  cleareffect(0);
  for (int i = 0; i < 12; ++i) ASSERT_EQ(run("visual e" + std::to_string(i)), 0);
  EXPECT_EQ(mainglobals().effectcount, 10) << "the eleventh and twelfth are dropped";
  EXPECT_EQ(testtexts::hand(mainglobals().effects[9].name), "e9");
  // The names still queued are released with the global state (the fixture checks for leaks).
}

}  // namespace
}  // namespace kv
