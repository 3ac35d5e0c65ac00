// The List Manager model: rows and cells, the scroll bar carrying the first visible row,
// drawing through the list definition, and searching.
#include "platform/lists/lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

std::vector<std::string>& drawlog() {
  static std::vector<std::string> log;
  return log;
}

void logdef(i16 message, bool selected, const Rect* r, Cell cell, const u8* data, i16 length, ListHandle) {
  if (message != lDrawMsg && message != lHiliteMsg) return;
  drawlog().push_back(std::string(message == lDrawMsg ? "draw " : "hilite ") + std::to_string(cell.v) + " " +
                      std::to_string(r->top) + (selected ? " on " : " off ") +
                      std::string(reinterpret_cast<const char*>(data), size_t(length)));
}

class ListsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    drawlog().clear();
    const Rect r{100, 100, 300, 400};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window), noErr);
    const Rect view{10, 10, 50, 150};  // two whole rows of 16 and part of a third
    list = LNew(&view, 5, 16, window, false, true, logdef);
    for (i16 r0 = 0; r0 < 5; ++r0) {
      const std::string text = "row" + std::to_string(r0);
      LSetCell(text.data(), i16(text.size()), Cell{0, r0}, list);
    }
  }
  void TearDown() override {
    LDispose(list);
    DisposeWindow(window);
    RuntimeTest::TearDown();
  }
  WindowRef window = nilid;
  ListHandle list = nullptr;
};

TEST_F(ListsTest, ScrollBarCarriesTheFirstVisibleRow) {
  const ControlRef bar = LGetVerticalScrollBar(list);
  ASSERT_NE(bar, nilid);
  EXPECT_EQ(GetControlMaximum(bar), 3) << "five rows, two whole ones shown";
  LScroll(0, 10, list);
  EXPECT_EQ(GetControlValue(bar), 3);
  EXPECT_EQ(LGetVisible(list).bottom, 5);
  LDelRow(2, 0, list);
  EXPECT_EQ(GetControlMaximum(bar), 1);
  EXPECT_EQ(LGetVisible(list).top, 1) << "the value follows the shrunk range";
  LDelRow(0, 0, list);
  EXPECT_EQ(LGetDataBounds(list).bottom, 0);
  EXPECT_EQ(LGetVisible(list).top, 0);
  EXPECT_TRUE(drawlog().empty()) << "drawing is off";
}

TEST_F(ListsTest, DrawsVisibleCellsWhileDrawingIsOn) {
  LSetSelect(true, Cell{0, 1}, list);
  LSetDrawingMode(true, list);
  EXPECT_TRUE(drawlog().empty()) << "switching drawing on does not draw";
  LScroll(0, 1, list);
  EXPECT_EQ(drawlog(), (std::vector<std::string>{"draw 1 10 on row1", "draw 2 26 off row2"}));
  drawlog().clear();
  LSetSelect(false, Cell{0, 1}, list);
  LSetSelect(true, Cell{0, 4}, list);
  EXPECT_EQ(drawlog(), (std::vector<std::string>{"hilite 1 10 off row1"})) << "row 4 is out of view";
  drawlog().clear();
  LAutoScroll(list);
  EXPECT_EQ(LGetVisible(list).top, 3);
  EXPECT_EQ(drawlog().size(), 2u);
}

TEST_F(ListsTest, CellsAndSearching) {
  char buffer[3];
  i16 length = 3;
  LGetCell(buffer, &length, Cell{0, 4}, list);
  EXPECT_EQ(length, 3) << "clipped to the room given";
  EXPECT_EQ(std::string(buffer, 3), "row");
  length = 3;
  LGetCell(buffer, &length, Cell{0, 5}, list);
  EXPECT_EQ(length, 0) << "no such row";
  LSetCell("x", 1, Cell{1, 0}, list);  // one column only: ignored
  Cell c{0, 0};
  EXPECT_TRUE(LSearch("row3", 4, nullptr, &c, list));
  EXPECT_EQ(c.v, 3);
  c = Cell{0, 4};
  EXPECT_FALSE(LSearch("row3", 4, nullptr, &c, list)) << "searching starts at the cell given";
  c = Cell{0, 0};
  EXPECT_FALSE(LSearch("row", 3, nullptr, &c, list)) << "without a match procedure the whole cell compares";
  EXPECT_EQ(LAddRow(2, 1, list), 1);
  length = 3;
  LGetCell(buffer, &length, Cell{0, 3}, list);
  EXPECT_EQ(std::string(buffer, size_t(length)), "row");
  EXPECT_EQ(LGetDataBounds(list).bottom, 7);
}

}  // namespace
}  // namespace kv
