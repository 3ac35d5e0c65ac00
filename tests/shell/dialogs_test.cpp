// The dialogs of the program: the shared item utilities and filters, the largest window
// rectangle, and the alert, ask and answer dialogs driven as a user's script drives them, with
// injected keys and clicks and the answers queue of headless runs.
#include <gtest/gtest.h>

#include "platform/backend/headless.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "render/offscreen.h"
#include "shell/dialogutils.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class DialogUtilsTest : public VeltrixTest {};

TEST_F(DialogUtilsTest, MaxRectIsTheScreenHoldingMostOfTheWindowLessTheFrame) {
  ScreenInfo second;
  second.bounds = Rect{0, 1024, 600, 1824};
  headlessbackend()->setscreens({ScreenInfo{}, second});
  SetOffScreenBounds(Rect{0, 0, 2000, 3000});
  const Rect content{100, 1100, 300, 1500};
  WindowRef w = 0;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &content, &w), noErr);
  Rect widths{};
  GetWindowStructureWidths(w, &widths);
  ASSERT_GT(widths.top, 0);
  Rect r{};
  GetMaxRect(w, &r);
  EXPECT_EQ(r, (Rect{i16(widths.top), i16(1024 + widths.left), i16(600 - widths.bottom), i16(1824 - widths.right)}));

  // The offscreen world limits the width and height, from the screen's top-left.
  SetOffScreenBounds(Rect{0, 0, 300, 400});
  GetMaxRect(w, &r);
  EXPECT_EQ(r, (Rect{i16(widths.top), i16(1024 + widths.left), i16(300 - widths.bottom), i16(1424 - widths.right)}));

  // On the main screen the menu bar band is left out.
  MoveWindow(w, 50, 100, false);
  SetOffScreenBounds(Rect{0, 0, 2000, 3000});
  GetMaxRect(w, &r);
  EXPECT_EQ(r.top, GetMBarHeight() + widths.top);
  EXPECT_EQ(r.right, 1024 - widths.right);
  DisposeWindow(w);
}

}  // namespace
}  // namespace kv
