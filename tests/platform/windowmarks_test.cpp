// A window's modified mark, the click activation a window's handlers answer, and screen
// depths changed by the program.
#include <gtest/gtest.h>

#include "platform/events/handlers.h"
#include "platform/qd/colors.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class WindowMarksTest : public RuntimeTest {
 protected:
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  WindowRef make() {
    Rect r{100, 100, 300, 400};
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &r, &w), noErr);
    ShowWindow(w);
    return w;
  }
};

TEST_F(WindowMarksTest, TheModifiedMarkShowsInTheCloseBox) {
  WindowRef w = make();
  Rect box{};
  ASSERT_EQ(GetWindowBounds(w, kWindowCloseBoxRgn, &box), noErr);
  const Point middle{i16((box.top + box.bottom) / 2), i16((box.left + box.right) / 2)};
  const u32 clean = drive::screenpixel(middle);
  EXPECT_FALSE(IsWindowModified(w));
  ASSERT_EQ(SetWindowModified(w, true), noErr);
  EXPECT_TRUE(IsWindowModified(w));
  const u32 marked = drive::screenpixel(middle);
  EXPECT_NE(marked, clean) << "a dot in the close box";
  ASSERT_EQ(SetWindowModified(w, false), noErr);
  EXPECT_EQ(drive::screenpixel(middle), clean);
  EXPECT_EQ(SetWindowModified(nilid, true), errInvalidWindowRef);
  EXPECT_FALSE(IsWindowModified(nilid));
}

OSStatus ignoreclicks(EventHandlerCallRef, EventRef event, u32 answer) {
  SetEventParameter(event, kEventParamClickActivation, typeClickActivationResult, sizeof answer, &answer);
  return noErr;
}

TEST_F(WindowMarksTest, ClickActivationComesFromTheWindowsHandlers) {
  WindowRef a = make(), b = make();
  EXPECT_EQ(windowclickactivation(a, Point{150, 150}, 0), kActivateAndHandleClick) << "the default";
  const EventTypeSpec spec{kEventClassWindow, kEventWindowGetClickActivation};
  ASSERT_EQ(InstallEventHandler(a, ignoreclicks, 1, &spec, kDoNotActivateAndIgnoreClick, nullptr), noErr);
  EXPECT_EQ(windowclickactivation(a, Point{150, 150}, 0), kDoNotActivateAndIgnoreClick);
  EXPECT_EQ(windowclickactivation(b, Point{150, 150}, 0), kActivateAndHandleClick) << "one window's handler only";
  EXPECT_EQ(windowclickactivation(nilid, Point{150, 150}, 0), kActivateAndHandleClick);
}

TEST_F(WindowMarksTest, ScreenDepths) {
  EXPECT_TRUE(screenhasdepth(0, 16));
  EXPECT_FALSE(screenhasdepth(0, 4));
  EXPECT_FALSE(screenhasdepth(3, 16));
  ASSERT_EQ(setscreendepth(0, 8), noErr);
  EXPECT_EQ(screendepth(0), 8);
  EXPECT_EQ(devicedepth(GetMainDevice()), 8);
  WindowRef w = make();
  EXPECT_EQ(drive::screen().width, 1024) << "the compositor converts as it presents";
  EXPECT_EQ(setscreendepth(0, 4), paramErr);
  EXPECT_EQ(setscreendepth(1, 16), paramErr);
  EXPECT_EQ(screendepth(0), 8);
  ASSERT_EQ(setscreendepth(0, 32), noErr);
  DisposeWindow(w);
}

}  // namespace
}  // namespace kv
