// listKey: the keys of a list field's rows (navigation, typing ahead, arrows repeating while
// held) over rows held here, and the command as a script gives it.
#include "commands/listkey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

// Rows with one selection and a window of `shown` rows over them.
class heldrows final : public listrows {
 public:
  explicit heldrows(std::vector<std::string> rows, i32 shown = 3, bool partial = false)
      : rows_(std::move(rows)), shown_(shown), partial_(partial) {}
  u32 id() const override { return 1; }
  i32 count() const override { return i32(rows_.size()); }
  i32 selected() const override { return selected_; }
  void select(i32 row) override { selected_ = row; }
  listwindow window() const override { return listwindow{first_, shown_, partial_}; }
  void scrollto(i32 first) override { first_ = first; }
  i32 cell(i32 row, u8* buffer, i32 limit) const override {
    const std::string& s = rows_[size_t(row)];
    const i32 n = std::min<i32>(limit, i32(s.size()));
    std::copy_n(s.begin(), n, buffer);
    return n;
  }
  i32 first_ = 0;

 private:
  std::vector<std::string> rows_;
  i32 shown_;
  bool partial_;
  i32 selected_ = -1;
};

constexpr u8 kHome = 1, kEnd = 4, kPageUp = 11, kPageDown = 12, kLeft = 28, kRight = 29, kUp = 30, kDown = 31;

int beeps() {
  const std::vector<std::string>& lines = transcriptlines();
  return int(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("beep", 0) == 0; }));
}

class ListKeyTest : public WindowTest {
 protected:
  heldrows fruit_{{"apple", "banana", "berry", "cherry"}};
  typeahead buffer_;

  i16 line(std::string_view text) { return failingline(text); }
  std::string value(std::string_view expr) { return cardvalue(expr); }
  // Rows whose failing lines each have an alert answered.
  void lines(std::initializer_list<row> cases) { checkrows(cases, &ListKeyTest::line, &ListKeyTest::value); }

  listkeyoutcome key(u8 k, u32 now = 0, bool command = false, bool scrolling = true) {
    return listkeystep(fruit_, k, command, scrolling, buffer_, now);
  }
};

TEST_F(ListKeyTest, ArrowsMoveTheSelectionOneRowOrToAnEnd) {
  EXPECT_TRUE(key(kDown).changed) << "nothing selected: the first row";
  EXPECT_EQ(fruit_.selected(), 0);
  EXPECT_TRUE(key(kDown).changed);
  EXPECT_EQ(fruit_.selected(), 1);
  EXPECT_TRUE(key(kLeft).changed);
  EXPECT_EQ(fruit_.selected(), 0);
  const listkeyoutcome top = key(kUp);
  EXPECT_TRUE(top.draw);
  EXPECT_FALSE(top.changed) << "no row above the first";
  EXPECT_TRUE(key(kDown, 0, true).changed);
  EXPECT_EQ(fruit_.selected(), 3) << "command: the last row";
  EXPECT_FALSE(key(kRight).changed) << "no row below the last";
  EXPECT_TRUE(key(kUp, 0, true).changed);
  EXPECT_EQ(fruit_.selected(), 0);
  heldrows none({"x", "y"});
  EXPECT_TRUE(listkeystep(none, kUp, false, true, buffer_, 0).changed);
  EXPECT_EQ(none.selected(), 1) << "nothing selected: up gives the last row";
  heldrows empty({});
  EXPECT_FALSE(listkeystep(empty, kDown, false, true, buffer_, 0).changed);
  EXPECT_EQ(empty.selected(), -1);
  const listkeyoutcome plain = key(kDown, 0, false, false);
  EXPECT_FALSE(plain.draw) << "a list that does not scroll takes no navigation key";
  EXPECT_EQ(fruit_.selected(), 0);
}

TEST_F(ListKeyTest, PageKeysScrollByTheRowsShownWholeAndStopAtTheEnds) {
  std::vector<std::string> ten;
  for (int i = 0; i < 10; ++i) ten.push_back("row " + std::to_string(i));
  heldrows rows(ten, 4, true);  // three rows shown whole, the fourth cut off
  struct step {
    u8 key;
    i32 first;
  };
  for (const step& s : {step{kPageDown, 3}, step{kPageDown, 6}, step{kPageDown, 7}, step{kPageUp, 4}, step{kHome, 0},
                        step{kPageUp, 0}, step{kEnd, 7}}) {
    const listkeyoutcome o = listkeystep(rows, s.key, false, true, buffer_, 0);
    EXPECT_TRUE(o.draw);
    EXPECT_FALSE(o.changed) << "scrolling selects nothing";
    EXPECT_EQ(rows.first_, s.first) << "key " << int(s.key);
  }
  EXPECT_EQ(rows.selected(), -1);
  heldrows sliver(ten, 1, true);  // a list shorter than a row still pages a row at a time
  listkeystep(sliver, kPageDown, false, true, buffer_, 0);
  EXPECT_EQ(sliver.first_, 1);
  heldrows few({"a", "b"}, 5);
  listkeystep(few, kPageDown, false, true, buffer_, 0);
  listkeystep(few, kEnd, false, true, buffer_, 0);
  EXPECT_EQ(few.first_, 0) << "a list that fits does not scroll";
}

TEST_F(ListKeyTest, TypingAheadSelectsTheFirstRowThatStartsWithTheKeys) {
  transcriptclear();
  EXPECT_TRUE(key('b', 100).changed);
  EXPECT_EQ(fruit_.selected(), 1);
  EXPECT_TRUE(key('e', 150).changed) << "within 90 ticks: \"be\"";
  EXPECT_EQ(fruit_.selected(), 2);
  EXPECT_TRUE(key('c', 241).changed) << "91 ticks later: \"c\" alone";
  EXPECT_EQ(fruit_.selected(), 3);
  const listkeyoutcome z = key('z', 400);
  EXPECT_FALSE(z.draw);
  EXPECT_EQ(fruit_.selected(), 3) << "nothing starts with z: the selection stays";
  EXPECT_EQ(beeps(), 1);
  const listkeyoutcome again = key('C', 600);
  EXPECT_TRUE(again.draw);
  EXPECT_FALSE(again.changed) << "the row already selected";
  EXPECT_FALSE(key(9, 700).draw) << "tab is no key of a list";
  EXPECT_TRUE(key('a', 800, false, false).changed) << "a list that does not scroll types ahead too";
  EXPECT_EQ(fruit_.selected(), 0);
}

TEST_F(ListKeyTest, AnArrowHeldDownRepeatsUntilItIsLetGo) {
  heldrows rows(std::vector<std::string>(40, "r"));
  int drawn = 0;
  const auto after = [&drawn](bool) {
    ++drawn;
    return i16(0);
  };
  ASSERT_EQ(listkeyrun(rows, kDown, false, true, after), 0);
  EXPECT_EQ(rows.selected(), 0) << "no key held: one step";
  drive::keyDown(kVKDownArrow);
  drive::advance(30);
  drive::keyUp(kVKDownArrow);
  const u32 start = TickCount();
  ASSERT_EQ(listkeyrun(rows, kDown, false, true, after), 0);
  const i32 moved = rows.selected();
  EXPECT_GE(moved, 8) << "the key repeated: " << moved;
  EXPECT_LE(moved, 12) << "a pause of 10 ticks, then one step every 2 ticks at most";
  EXPECT_GE(TickCount() - start, 30u);
  EXPECT_EQ(drawn, moved + 1);
  drive::keyDown(kVKDownArrow);
  drive::advance(30);
  drive::keyUp(kVKDownArrow);
  const i32 before = rows.selected();
  EXPECT_EQ(listkeyrun(rows, kDown, false, true, [](bool) { return i16(7); }), 7);
  EXPECT_EQ(rows.selected(), before + 1) << "a failing handler stops the repeat";
  Delay(10, nullptr);  // the key goes up before the next test
}

TEST_F(ListKeyTest, TheCommandAsAScriptGivesIt) {
  using namespace testproject;
  Project p;
  Window main;
  main.name = "Main";
  main.backgrounds = {Background{"Plain", "", {}}};
  Card one;
  one.name = "One";
  Object list;
  list.kind = Object::field;
  list.name = "L";
  list.style = 303;
  list.text = "apple\rbanana\rberry\rcherry";
  list.script = "on clickList\nglobal log\nput \"click;\" after log\nend clickList";
  Object plain;
  plain.kind = Object::field;
  plain.name = "P";
  plain.text = "apple";
  plain.rect = Rect{100, 10, 140, 110};
  one.objects = {list, plain};
  main.cards = {one};
  p.windows = {main};
  build(p);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("the style of card field \"L\""), "scrollingList") << "a list field as the project stores it";
  lines({
      {"listKey card field \"L\" \"a\"", "", "error 39"},
      {"listKey card field \"L\", \"a\" now", "", "error 19"},
      {"listKey card field \"P\", \"a\"", "", ""},
      {"listKey card field \"P\" \"a\"", "", ""},
      {"listKey card 1, \"a\"", "", ""},
      {"listKey card field \"L\", empty", "", ""},
      {"listKey card field \"L\", numToChar(31)", "", ""},
      {"listKey card field \"Q\", \"a\"", "", "error 11"},
  });
  EXPECT_EQ(cardvalue("card field \"P\""), "apple") << "a field that is not a list is left alone";
  EXPECT_EQ(global("log"), "click;") << "the down arrow selected the first row";
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "1");
}

}  // namespace
}  // namespace kv
