// Sorting the cards of a window by keys of each card, driven by script lines in the current
// card; the order is read back through the cards' names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Project;

class SortTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // the disk-full note takes its default
  }
  void TearDown() override {
    setfreespacemodel(std::nullopt);
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  // One window whose cards are named and hold their key in the background's field 1.
  static Project cards(const std::vector<std::pair<std::string, std::string>>& named,
                       const std::string& windowscript = "") {
    Project p;
    testproject::Window w;
    w.name = "Main";
    w.script = windowscript;
    testproject::Object f;
    f.kind = testproject::Object::field;
    f.name = "Key";
    w.backgrounds.push_back(testproject::Background{"Plain", "", {f}});
    for (const auto& [name, key] : named) {
      testproject::Card c;
      c.name = name;
      c.fieldtexts["Key"] = key;
      w.cards.push_back(c);
    }
    p.windows.push_back(w);
    return p;
  }
  void start(const Project& p) {
    build(p);
    ASSERT_EQ(open(), 0);
  }
  // The cards' names in card order, separated by spaces.
  std::string order() {
    std::string out;
    const std::string n = cardvalue("the number of cards");
    for (int i = 1; i <= std::stoi(n); ++i)
      out += (i > 1 ? " " : "") + cardvalue("the short name of card " + std::to_string(i));
    return out;
  }
  static Project letters() { return cards({{"B1", "b"}, {"A1", "a"}, {"B2", "b"}, {"A2", "a"}}); }
};

TEST_F(SortTest, AscendingAndDescendingKeepEqualKeysInTheirOrder) {
  start(letters());
  transcriptclear();
  EXPECT_EQ(doline("sort by field 1"), 0);
  EXPECT_EQ(order(), "A1 A2 B1 B2");
  EXPECT_EQ(current().cardnum, 1u);
  EXPECT_EQ(cardvalue("the short name of this card"), "A1");
  int opened = 0;
  for (const std::string& l : transcriptlines()) opened += l.rfind("message: openCard", 0) == 0;
  EXPECT_EQ(opened, 1) << "only the card shown at the end hears openCard";
}

TEST_F(SortTest, DescendingFromTheFirstOrder) {
  start(letters());
  EXPECT_EQ(doline("go card 3\nsort descending by field 1"), 0);
  EXPECT_EQ(order(), "B1 B2 A1 A2");
  EXPECT_EQ(cardvalue("the short name of this card"), "B1");
}

TEST_F(SortTest, TheNextFindStartsAtTheTopOfTheFirstCard) {
  start(letters());
  ASSERT_EQ(doline("go card 4\nfind \"a\""), 0);
  ASSERT_EQ(cardvalue("the short name of this card"), "A2");
  EXPECT_EQ(doline("sort by field 1\nfind \"a\""), 0);
  EXPECT_EQ(cardvalue("the short name of this card"), "A1");
  EXPECT_EQ(cardvalue("the foundChunk"), "char 1 to 1 of bkgnd field 1");
}

TEST_F(SortTest, BadStatementsLeaveTheOrder) {
  start(letters());
  EXPECT_EQ(doline("sort by field 1 foo"), 110);
  EXPECT_EQ(doline("sort field 1"), 47);
  EXPECT_EQ(doline("sort descending text"), 47);
  EXPECT_EQ(order(), "B1 A1 B2 A2");
}

TEST_F(SortTest, KeyTypes) {
  struct Case {
    const char* line;
    std::vector<std::pair<std::string, std::string>> cards;
    const char* order;
  } cases[] = {
      {"sort numeric by field 1", {{"Ten", "10"}, {"Nine", "9"}, {"X", "x"}}, "X Nine Ten"},
      {"sort by field 1", {{"Ten", "10"}, {"Nine", "9"}, {"X", "x"}}, "Ten Nine X"},
      {"sort dateTime by field 1",
       {{"D", "1/2/2024"}, {"E", ""}, {"Banana", "banana"}, {"C", "12/31/2023"}},
       "E Banana C D"},
      {"sort descending dateTime by field 1", {{"D", "1/2/2024"}, {"E", ""}, {"C", "12/31/2023"}}, "D C E"},
      {"sort international by field 1", {{"F", "f"}, {"Eacute", "\x8E"}, {"E", "e"}}, "E Eacute F"},
      {"sort text by field 1", {{"F", "f"}, {"Eacute", "\x8E"}, {"E", "e"}}, "E F Eacute"},
      {"sort by field 1", {{"Long", "Abc"}, {"Short", "ab"}, {"Upper", "AB"}}, "Short Upper Long"},
  };
  int built = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string name = "k" + std::to_string(++built) + ".kv45";
    build(cards(c.cards), name);
    ASSERT_EQ(open(name), 0);
    EXPECT_EQ(doline(c.line), 0);
    EXPECT_EQ(order(), c.order);
    closeallwindows();
  }
}

TEST_F(SortTest, ALockedProjectOrAFullDiskSortsNothing) {
  start(letters());
  setfreespacemodel(30000);
  EXPECT_EQ(doline("sort by field 1"), 0);
  EXPECT_EQ(order(), "B1 A1 B2 A2");
  setfreespacemodel(std::nullopt);
  closeallwindows();

  // A project whose file refuses a write is locked.
  build(letters(), "locked.kv45");
  ASSERT_EQ(open("locked.kv45"), 0);
  failfilewriteafter(1);
  EXPECT_EQ(doline("sort by field 1"), 0);
  failfilewriteafter(0);
  EXPECT_EQ(order(), "B1 A1 B2 A2");
}

TEST_F(SortTest, EveryAllocationFailingLosesNoCard) {
  // A key that could not be evaluated sorts as empty; whatever fails, every card is there once.
  const int runs = sweepallocations(
      letters(), [this] { ASSERT_EQ(open(), 0); }, [this] { return doline("sort by field 1"); },
      [this](i16 st) {
        std::string names = order();
        std::vector<std::string> sorted;
        for (std::size_t at = 0; at < names.size(); at += 3) sorted.push_back(names.substr(at, 2));
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<std::string>{"A1", "A2", "B1", "B2"})) << names << ", status " << st;
      });
  EXPECT_GT(runs, 10);
}

TEST_F(SortTest, AKeyThatChangesTheCardListSortsNothing) {
  start(cards({{"B1", "b"}, {"A1", "a"}},
              "function key\n  if the number of cards < 3 then new card\n  return field 1\nend key"));
  EXPECT_EQ(doline("sort by key()"), 110);
  EXPECT_EQ(cardvalue("the number of cards"), "3");
  EXPECT_EQ(cardvalue("the short name of card 1") + " " + cardvalue("the short name of card 3"), "B1 A1")
      << "the cards keep the order they had";
}

}  // namespace
}  // namespace kv
