// The older list interface: rows with ids, sorted, found by id and clicked.
#include "fields/oldlists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class OldListTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    const Rect r{100, 100, 300, 400};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window), noErr);
    SetPortWindowPort(window);
    ASSERT_TRUE(initlist(Rect{10, 10, 80, 160}, &list));
  }
  void TearDown() override {
    dumplist(&list);
    DisposeWindow(window);
    RuntimeTest::TearDown();
  }
  void add(const std::string& text, u32 id) {
    Str255 p{};
    p[0] = u8(text.size());
    std::memcpy(p + 1, text.data(), text.size());
    ASSERT_EQ(addlist(&list, p, id), noErr);
  }
  std::string selected() {
    Str255 p{};
    getseltext(list, p);
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
  }
  // The point in the middle of row `row`.
  Point rowpoint(i16 row) {
    const Rect v = LGetView(list.list);
    return Point{i16(v.top + row * LGetCellSize(list.list).v + 3), i16(v.left + 5)};
  }
  WindowRef window = nilid;
  oldlist list;
};

TEST_F(OldListTest, RowsKeepTheirIdsWhenSorted) {
  const Rect v = LGetView(list.list);
  const i16 cell = LGetCellSize(list.list).v;
  EXPECT_EQ((v.bottom - v.top) % cell, 0) << "whole cells";
  add("pear", 30);
  add("Apple", 10);
  add("fig", 20);
  orderlist(&list);
  ASSERT_TRUE(selectmem(&list, 20));
  EXPECT_EQ(getselidx(list), 1) << "Apple, fig, pear";
  EXPECT_EQ(selected(), "fig");
  EXPECT_EQ(getselid(list), 20u);
  EXPECT_FALSE(selectmem(&list, 99));
  setseltext(&list, reinterpret_cast<ConstStringPtr>("\x04"
                                                     "date"));
  EXPECT_EQ(selected(), "date");
  setlistidtext(&list, 10,
                reinterpret_cast<ConstStringPtr>("\x05"
                                                 "apple"));
  ASSERT_TRUE(selectmem(&list, 10));
  EXPECT_EQ(selected(), "apple");
  EXPECT_LT(compare(reinterpret_cast<ConstStringPtr>("\x01"
                                                     "a"),
                    reinterpret_cast<ConstStringPtr>("\x01"
                                                     "B")),
            0);
  purgelist(&list);
  EXPECT_EQ(getselid(list), 0u);
  EXPECT_EQ(getselidx(list), -1);
}

TEST_F(OldListTest, ClicksTellWhatTheyDid) {
  add("one", 1);
  add("two", 2);
  EXPECT_EQ(hitlist(&list, rowpoint(0), 0), 2) << "a row selected";
  EXPECT_EQ(hitlist(&list, rowpoint(0), 0), 4) << "the same row again soon: a double click";
  Delay(GetDblTime() + 1, nullptr);
  EXPECT_EQ(hitlist(&list, rowpoint(0), 0), 1) << "the same row, later";
  EXPECT_EQ(hitlist(&list, rowpoint(1), 0), 2);
  purgelist(&list);
  EXPECT_EQ(hitlist(&list, rowpoint(0), 0), 3) << "no row to select";
}

}  // namespace
}  // namespace kv
