// The card history from scripts: pushing and popping cards, the lists' cap, and cards of a
// project whose path a reference text cannot hold (going back and forth: the navigation
// tests).
#include <gtest/gtest.h>

#include <string>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/projectclose.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class CardHistoryTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
    build(testproject::small());
    ASSERT_EQ(open(), 0);
  }
  void TearDown() override {
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  u32 card() { return current().cardnum; }
  static Size size(Handle list) { return list == nilhandle ? 0 : GetHandleSize(list); }
};

TEST_F(CardHistoryTest, PopComesBackToThePushedCard) {
  EXPECT_EQ(doline("go card 2\npush this card\ngo card 3"), 0);
  EXPECT_EQ(doline("pop card"), 0);
  EXPECT_EQ(card(), 2u);
  EXPECT_EQ(size(mainglobals().pushlist), 0);
  // A window pushes the card it shows.
  EXPECT_EQ(doline("push this window\ngo card 1\npop card"), 0);
  EXPECT_EQ(card(), 2u);
}

TEST_F(CardHistoryTest, PopOfAnEmptyListAndIntoAContainer) {
  EXPECT_EQ(doline("pop card"), 0);
  EXPECT_EQ(card(), 1u);
  EXPECT_EQ(doline("global x\nput \"full\" into x\npop card into x"), 0);
  EXPECT_EQ(global("x"), "");
  ASSERT_EQ(doline("push card 3"), 0);
  EXPECT_EQ(doline("global x\npop card before x"), 0);
  EXPECT_EQ(card(), 1u) << "a card popped into a container is not gone to";
  EXPECT_NE(global("x").find("card ID"), std::string::npos) << global("x");
}

TEST_F(CardHistoryTest, BadStatementsAndWhatTheyLeave) {
  ASSERT_EQ(doline("push card 2\npush card 3"), 0);
  const Size two = size(mainglobals().pushlist);
  // The newest entry leaves the list before the rest of the statement is read.
  EXPECT_EQ(doline("global x\npop card of x"), 2);
  EXPECT_LT(size(mainglobals().pushlist), two);
  EXPECT_EQ(doline("pop card"), 0);
  EXPECT_EQ(card(), 2u) << "the older entry is left";
  const Size left = size(mainglobals().pushlist);
  cardrows({
      {"push button 1", "", "error 2"},
      {"push card 2 foo", "", "error 19"},
      {"pop button", "", "error 2"},
  });
  EXPECT_EQ(size(mainglobals().pushlist), left);
}

TEST_F(CardHistoryTest, PushRecentCardNeedsAnEarlierVisit) {
  EXPECT_EQ(doline("push recent card"), 0);
  EXPECT_EQ(size(mainglobals().pushlist), 0) << "one visit: nothing is pushed";
  ASSERT_EQ(doline("go card 3\npush recent card\ngo card 2\npop card"), 0);
  EXPECT_EQ(card(), 1u);
}

TEST_F(CardHistoryTest, TheListsKeepAboutThreeThousandBytes) {
  for (int i = 0; i < 500; ++i) ASSERT_EQ(doline("push card " + std::to_string(1 + i % 3)), 0);
  Handle list = mainglobals().pushlist;
  const Size entry = 1 + deref(list)[0];
  EXPECT_LE(size(list), 3000 + entry);
  EXPECT_GT(size(list), 3000 - entry);
  // Every entry is whole: the list walks to its end exactly.
  Size at = 0;
  while (at < size(list)) at += 1 + deref(list)[at];
  EXPECT_EQ(at, size(list));
}

// A project whose path is longer than a reference text: its entries name it by file name and
// lead back to its cards.
TEST_F(CardHistoryTest, ProjectsWithLongPathsAreFoundAgain) {
  u32 folder = dir;
  for (int i = 0; i < 5; ++i) {
    Str255 name{};
    const std::string level(60, char('a' + i));
    pstrassign(name, 256, level.data(), level.size());
    ASSERT_EQ(DirCreate(kBootVolume, folder, name, &folder), noErr);
  }
  ASSERT_EQ(testproject::build(folder, "deep.kv45", testproject::small()), 0);
  Str255 file{};
  pstrassign(file, 256, "deep.kv45", 9);
  ASSERT_EQ(lowopen(file, kBootVolume, folder, 0), 0);
  const RegistryId deep = current().store;
  ASSERT_EQ(doline("go card 2\npush this card\ngo card 3"), 0);
  Handle pushed = mainglobals().pushlist;
  const std::string entry(reinterpret_cast<const char*>(deref(pushed)) + 1, deref(pushed)[0]);
  EXPECT_NE(entry.find("project \"deep.kv45\""), std::string::npos) << entry;
  EXPECT_EQ(doline("go back"), 0);
  EXPECT_EQ(current().store, deep);
  EXPECT_EQ(card(), 2u);
  ASSERT_EQ(doline("go card 1"), 0);
  EXPECT_EQ(doline("pop card"), 0);
  EXPECT_EQ(current().store, deep);
  EXPECT_EQ(card(), 2u);
}

}  // namespace
}  // namespace kv
