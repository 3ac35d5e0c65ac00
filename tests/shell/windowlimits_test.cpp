// The window's size on a change to another background: the background's (or window's)
// "minimumSize" grows it, the background's size cuts it.
#include <gtest/gtest.h>

#include <string>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "shell/commandline.h"
#include "platform/testing/answers.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Project;

class WindowLimitsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
  }
  void TearDown() override {
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  // The small project with background "Fancy" (card 3) of `width` x `height` and a window of
  // `w` x `h` at 100,100 (its backgrounds as large as the window otherwise).
  void start(i16 width, i16 height, i16 w, i16 h, u32 flags = 15) {
    Project p = testproject::small();
    p.windows[0].rect = Rect{100, 100, i16(100 + h), i16(100 + w)};
    p.windows[0].flags = flags;
    p.windows[0].backgrounds[0].width = u16(w);
    p.windows[0].backgrounds[0].height = u16(h);
    p.windows[0].backgrounds[1].width = u16(width);
    p.windows[0].backgrounds[1].height = u16(height);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  // The content size of the window and of its record, "w x h / w x h".
  std::string size() {
    const desk& d = current();
    Rect c{};
    GetWindowBounds(d.window, kWindowContentRgn, &c);
    const Rect r = loadat<windrec>(deref(d.wind)).rect1;
    return std::to_string(c.right - c.left) + " x " + std::to_string(c.bottom - c.top) + " / " +
           std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top);
  }
  bool windowchanged() {
    u16 flag = 0;
    return testvir(current().store, i32(current().windrecid), &flag) == 0 && flag != 0;
  }
};

TEST_F(WindowLimitsTest, TheMinimumSizeOfTheNewBackgroundGrowsTheWindow) {
  start(400, 300, 250, 150);
  ASSERT_EQ(
      doline("define minimumSize of background \"Fancy\"\nset the minimumSize of background \"Fancy\" to \"300,200\""),
      0);
  ASSERT_EQ(doline("save"), 0);
  ASSERT_FALSE(windowchanged());
  EXPECT_EQ(doline("go card 3"), 0);
  EXPECT_EQ(size(), "300 x 200 / 300 x 200");
  Rect c{};
  GetWindowBounds(current().window, kWindowContentRgn, &c);
  EXPECT_EQ(c.top, 100) << "grown from its top-left corner";
  EXPECT_EQ(c.left, 100);
  EXPECT_TRUE(windowchanged());
}

TEST_F(WindowLimitsTest, TextsThatAreNotTwoNumbersChangeNothing) {
  for (const char* value : {"300", "a,b"}) {
    SCOPED_TRACE(value);
    start(400, 300, 250, 150);
    ASSERT_EQ(doline(
                  std::string(
                      "define minimumSize of background \"Fancy\"\nset the minimumSize of background \"Fancy\" to \"") +
                  value + "\""),
              0);
    EXPECT_EQ(doline("go card 3"), 0);
    EXPECT_EQ(size(), "250 x 150 / 250 x 150");
    closeallwindows();
    // The next case builds p.kv45 afresh in a folder of its own.
    home.reset();
    home = std::make_unique<TemporaryHome>();
    ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
  }
}

TEST_F(WindowLimitsTest, ABackgroundSmallerThanTheWindowCutsIt) {
  start(400, 300, 500, 400, 15 | (1u << 14));
  mainglobals().dontLimitWindows = 1;
  EXPECT_EQ(doline("go card 3"), 0);
  EXPECT_EQ(size(), "400 x 300 / 400 x 300") << "the window asks to be limited";
}

TEST_F(WindowLimitsTest, WithoutTheLimitTheWindowKeepsItsSize) {
  start(400, 300, 500, 400);
  mainglobals().dontLimitWindows = 1;
  EXPECT_EQ(doline("go card 3"), 0);
  EXPECT_EQ(size(), "500 x 400 / 500 x 400");
}

}  // namespace
}  // namespace kv
