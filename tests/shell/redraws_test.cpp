// Redraws asked for objects and descriptors of a window shown headless: what drawread records.
#include <gtest/gtest.h>

#include <vector>

#include "engine/hier.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "store/objects.h"
#include "store/objread.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class RedrawTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(testproject::small());
    ASSERT_EQ(open(), 0);
    takeredraws();
  }
  // Reads a reference, redraws it, releases it: what was recorded.
  std::vector<redrawrequest> redraw(std::string_view words) {
    objread obj{};
    Handle text = nilhandle;
    Handle atoms = tokens(words, &text);
    std::vector<hier> path(pathentries, hier{});
    i32 used = 0;
    EXPECT_EQ(readobj(path, text, atoms, 0, mainglobals().globalvars, &used, &obj), 0) << words;
    drawread(obj);
    writeobj(&obj);
    return takeredraws();
  }
};

TEST_F(RedrawTest, AnObjectOfTheShownCardRedrawsItsDrawingBounds) {
  auto r = redraw("field \"Title\"");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].window, current().window);
  EXPECT_FALSE(r[0].whole);
  EXPECT_EQ(r[0].area, (Rect{6, 6, 44, 114})) << "a field's rectangle and its focus ring";
  spot go = spotat(current().cardspots, 0);
  go.shadow = 2;
  putspot(current().cardspots, 0, go);
  r = redraw("card button \"Go\"");
  ASSERT_EQ(r.size(), 1u);
  // Drawn by its control since the card opened, the push button also covers the control's frame.
  EXPECT_EQ(r[0].area, (Rect{5, 4, 47, 118})) << "the button's rectangle, its shadow and its control's frame";
}

TEST_F(RedrawTest, ACardBackgroundWindowOrProjectRedrawsTheWholeCardArea) {
  for (std::string_view words : {"this card", "card 1", "background 1", "this window", "this project"}) {
    auto r = redraw(words);
    ASSERT_EQ(r.size(), 1u) << words;
    EXPECT_EQ(r[0].window, current().window) << words;
    EXPECT_TRUE(r[0].whole) << words;
  }
}

TEST_F(RedrawTest, WhatNoWindowShowsIsNotRedrawn) {
  EXPECT_TRUE(redraw("field 1 of card 2").empty()) << "a card its window does not show";
  EXPECT_TRUE(redraw("card 3").empty());
  EXPECT_TRUE(redraw("card field \"Notes\" of card 3").empty());
  objread none{};
  drawread(none);
  EXPECT_TRUE(takeredraws().empty());
}

}  // namespace
}  // namespace kv
