// The Control Manager model: a window's root control and its scroll bars, hit parts, and
// tracking driven by scripted input.
#include <gtest/gtest.h>

#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class ControlsTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    const Rect r{100, 100, 300, 400};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window), noErr);
    ShowWindow(window);
    ASSERT_EQ(CreateRootControl(window, &root), noErr);
    // A vertical bar along the right edge: arrows 15 pixels tall at its ends.
    const Rect bar{0, 285, 186, 300};
    ASSERT_EQ(CreateScrollBarControl(window, &bar, 0, 0, 100, 50, true, nullptr, &vbar), noErr);
  }
  void TearDown() override {
    DisposeWindow(window);
    RuntimeTest::TearDown();
  }
  // A press at a point of the port, the mouse going to `to` and up there: the part tracked.
  i16 track(Point from, Point to, ControlActionProcPtr action = nullptr) {
    drive::drag(Point{i16(from.v + 100), i16(from.h + 100)}, Point{i16(to.v + 100), i16(to.h + 100)}, 4);
    EventRecord e{};
    EXPECT_TRUE(WaitNextEvent(mDownMask, &e, 60));
    return TrackControl(vbar, from, action);
  }
  WindowRef window = nilid;
  ControlRef root = nilid, vbar = nilid;
};

i32 actions = 0;
void countaction(ControlRef, i16 part) {
  if (part == kControlDownButtonPart) ++actions;
}

TEST_F(ControlsTest, PartsOfAScrollBar) {
  ControlRef hit = nilid;
  EXPECT_EQ(FindControl(Point{5, 290}, window, &hit), kControlUpButtonPart);
  EXPECT_EQ(hit, vbar);
  EXPECT_EQ(FindControl(Point{180, 290}, window, &hit), kControlDownButtonPart);
  EXPECT_EQ(FindControl(Point{20, 290}, window, &hit), kControlIndicatorPart);
  EXPECT_EQ(FindControl(Point{120, 290}, window, &hit), kControlPageDownPart);
  EXPECT_EQ(FindControl(Point{120, 100}, window, &hit), kControlNoPart);
  EXPECT_EQ(hit, nilid);
  SetControl32BitValue(vbar, 100);
  EXPECT_EQ(FindControl(Point{20, 290}, window, &hit), kControlPageUpPart);
  SetControl32BitValue(vbar, 500);
  EXPECT_EQ(GetControl32BitValue(vbar), 100) << "the value stays within the range";
  HideControl(vbar);
  EXPECT_EQ(FindControl(Point{5, 290}, window, &hit), kControlNoPart) << "a hidden bar is not hit";
  DisposeControl(root);
  EXPECT_FALSE(IsValidControlHandle(vbar)) << "embedded controls go with their container";
}

TEST_F(ControlsTest, TrackingFollowsTheMouse) {
  actions = 0;
  EXPECT_EQ(track(Point{180, 290}, Point{180, 290}, countaction), kControlDownButtonPart);
  EXPECT_GT(actions, 0) << "the action runs while the arrow is held";
  EXPECT_EQ(track(Point{180, 290}, Point{100, 100}), kControlNoPart) << "released outside the arrow";
  // The thumb (value 0 at the track's top) dragged down by half of the track's free length.
  SetControl32BitValue(vbar, 0);
  EXPECT_EQ(track(Point{20, 290}, Point{i16(20 + (156 - 15) / 2), 290}), kControlIndicatorPart);
  EXPECT_NEAR(GetControl32BitValue(vbar), 50, 1);
}

}  // namespace
}  // namespace kv
