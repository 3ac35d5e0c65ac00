// The keys and wheel notches of a dialog list: scrolling within the range, the navigation
// keys and typing the start of a row, over a list of eight rows showing three.
#include "shell/listnavigation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/events/events.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

int beeps() {
  const std::vector<std::string>& lines = transcriptlines();
  return int(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("beep", 0) == 0; }));
}

class ListNavigationTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    const Rect r{100, 100, 300, 400};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window), noErr);
    const Rect view{10, 10, 58, 150};  // three rows of 16
    list = LNew(&view, 0, 16, window, true, true, nullptr);
    const char* rows[] = {"apple", "abacus", "abbey", "banana", "cherry", "cider", "date", "elder"};
    for (const char* row : rows) {
      const i16 at = LAddRow(1, 32767, list);
      LSetCell(row, i16(std::char_traits<char>::length(row)), Cell{0, at}, list);
    }
  }
  void TearDown() override {
    LDispose(list);
    DisposeWindow(window);
    RuntimeTest::TearDown();
  }
  EventRecord keyevent(u8 ch, u16 modifiers = 0) {
    EventRecord e{};
    e.what = keyDown;
    e.message = ch;
    e.modifiers = modifiers;
    return e;
  }
  i16 press(u8 ch, u16 modifiers = 0) {
    EventRecord e = keyevent(ch, modifiers);
    const i16 handled = navigatelist(&e, list);
    EXPECT_EQ(e.what, handled ? u16(nullEvent) : u16(keyDown));
    return handled;
  }
  i16 typed(u8 ch) {
    EventRecord e = keyevent(ch);
    return searchlist(&e, list);
  }
  i16 selection() {
    Cell c{0, 0};
    return LGetSelect(true, &c, list) ? c.v : -1;
  }
  i16 first() { return LGetVisible(list).top; }
  void pause(u32 ticks) {
    u32 end = 0;
    Delay(ticks, &end);
  }

  WindowRef window = nilid;
  ListHandle list = nullptr;
};

TEST_F(ListNavigationTest, WheelScrollsWithinTheRange) {
  EXPECT_EQ(wheelist(-1, list), 0) << "already at the top";
  EXPECT_EQ(wheelist(3, list), 1);
  EXPECT_EQ(first(), 3);
  EXPECT_EQ(wheelist(20, list), 1);
  EXPECT_EQ(first(), 5) << "bounded by the last page";
  EXPECT_EQ(wheelist(1, list), 0) << "a list at its end ignores the wheel";
  EXPECT_EQ(wheelist(-30, list), 1);
  EXPECT_EQ(first(), 0);
}

TEST_F(ListNavigationTest, ArrowsMoveTheSelectionAndKeepItInView) {
  EXPECT_EQ(press(31), 1);
  EXPECT_EQ(selection(), 0) << "down with nothing selected";
  EXPECT_EQ(press(30), 1);
  EXPECT_EQ(selection(), 0) << "up at the first row stays";
  LSetSelect(false, Cell{0, 0}, list);
  EXPECT_EQ(press(30), 1);
  EXPECT_EQ(selection(), 7) << "up with nothing selected";
  EXPECT_EQ(first(), 5) << "scrolled into view";
  EXPECT_EQ(press(31), 1);
  EXPECT_EQ(selection(), 7) << "down at the last row stays";
  EXPECT_EQ(press(30, cmdKey), 1);
  EXPECT_EQ(selection(), 0);
  EXPECT_EQ(first(), 0);
  EXPECT_EQ(press(31, cmdKey), 1);
  EXPECT_EQ(selection(), 7);
  Cell next{0, 8};
  EXPECT_FALSE(LGetSelect(true, &next, list));
  Cell start{0, 0};
  EXPECT_TRUE(LGetSelect(true, &start, list));
  EXPECT_EQ(start.v, 7) << "one row selected";
  EXPECT_EQ(press(31), 1);
  EXPECT_EQ(press(30), 1);
  EXPECT_EQ(selection(), 6);
}

TEST_F(ListNavigationTest, PagingAndEnds) {
  EXPECT_EQ(press(4), 1);
  EXPECT_EQ(first(), 5) << "End";
  EXPECT_EQ(press(11), 1);
  EXPECT_EQ(first(), 3) << "Page Up by one less than a page";
  EXPECT_EQ(press(1), 1);
  EXPECT_EQ(first(), 0) << "Home";
  EXPECT_EQ(press(12), 1);
  EXPECT_EQ(first(), 2) << "Page Down";
  EXPECT_EQ(selection(), -1) << "paging leaves the selection";
  EXPECT_EQ(press('x'), 0);
  EXPECT_EQ(press(29), 0);
}

TEST_F(ListNavigationTest, TypingSelectsTheFirstMatchingRow) {
  EXPECT_EQ(typed('a'), 1);
  EXPECT_EQ(selection(), 0);
  pause(10);
  EXPECT_EQ(typed('b'), 1);
  EXPECT_EQ(selection(), 1) << "\"ab\" within 90 ticks";
  pause(10);
  EXPECT_EQ(typed('b'), 1);
  EXPECT_EQ(selection(), 2) << "\"abb\"";
  EXPECT_EQ(typed(8), 1);
  EXPECT_EQ(selection(), 1) << "backspace drops one character";
  pause(91);
  EXPECT_EQ(typed('c'), 1);
  EXPECT_EQ(selection(), 4) << "after a pause: \"c\" alone";
  EXPECT_EQ(first(), 2) << "scrolled into view";
  EXPECT_EQ(typed('z'), 1);
  EXPECT_EQ(selection(), -1) << "no match leaves nothing selected";
  pause(91);
  EXPECT_EQ(typed('A'), 1);
  EXPECT_EQ(selection(), -1) << "the comparison is exact";
  EXPECT_EQ(typed(30), 0) << "an arrow does not type";
}

TEST_F(ListNavigationTest, TheBufferOverflowsAndBelongsToOneList) {
  for (int i = 0; i < 255; ++i) {
    ASSERT_EQ(typed('a'), 1);
  }
  EXPECT_EQ(beeps(), 0);
  EXPECT_EQ(typed('a'), 0) << "the 256th quick character";
  EXPECT_EQ(beeps(), 1);
  EXPECT_EQ(typed('d'), 1);
  EXPECT_EQ(selection(), 6) << "the buffer was emptied";

  const Rect view{70, 10, 118, 150};
  ListHandle other = LNew(&view, 2, 16, window, true, true, nullptr);
  LSetCell("dx", 2, Cell{0, 1}, other);
  EventRecord e = keyevent('x');
  EXPECT_EQ(searchlist(&e, other), 1);
  Cell c{0, 0};
  EXPECT_FALSE(LGetSelect(true, &c, other)) << "\"x\" alone: typed into another list, not \"dx\"";
  LDispose(other);
}

TEST(ListMatchTest, PrefixComparison) {
  const u8 cell[] = {'a', 'b', 'c'};
  const u8 typed[] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(PlistRTasklistmatchproc(cell, typed, 3, 2), 0);
  EXPECT_EQ(PlistRTasklistmatchproc(cell, typed, 3, 3), 0);
  EXPECT_EQ(PlistRTasklistmatchproc(cell, typed, 3, 4), 1) << "longer than the cell";
  EXPECT_EQ(PlistRTasklistmatchproc(cell, typed, 0, 0), 1) << "an empty cell never matches";
  EXPECT_EQ(PlistRTasklistmatchproc(cell, typed + 1, 3, 1), 1);
}

}  // namespace
}  // namespace kv
