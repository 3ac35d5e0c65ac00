// The selection and the arrow keys, scrolling the text within its view, and the caret at idle
// time, on the fixture's 32-bit port (built-in metrics font at 12 points: lines 13 high).
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "core/mainglobals.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

constexpr i16 kLeft = 28, kRight = 29, kDown = 31;

// Calls of the counted hooks.
int drawcalls = 0, scrollcalls = 0;
void counteddraw(const u8* text, i32 length, Fixed slop, i16 position, WEReference we) {
  ++drawcalls;
  _WEStdDrawText(text, length, slop, position, we);
}
void countedscroll(WEReference) { ++scrollcalls; }

class WESelectionTest : public WETest {
 protected:
  void SetUp() override {
    WETest::SetUp();
    drawcalls = scrollcalls = 0;
  }
  // Ten lines of text in a destination at (10, 10), 80 wide, seen through a view 40 high.
  WEReference scroller(u32 features = 0) {
    std::string text = "line 0";
    for (int i = 1; i < 10; ++i) text += "\rline " + std::to_string(i);
    const WEReference we = make(features);
    EXPECT_EQ(WEUseText(WETest::text(text.c_str()), we), noErr);
    const LongRect dest{10, 10, 100, 90}, view{10, 10, 50, 90};
    WESetDestRect(&dest, we);
    WESetViewRect(&view, we);
    EXPECT_EQ(WECalText(we), noErr);
    const WEDrawTextProcPtr draw = counteddraw;
    WESetInfo(fourcc("draw"), &draw, we);
    return we;
  }
  static std::vector<u32> pixels() {
    std::vector<u32> out;
    for (i16 v = 0; v < 100; ++v)
      for (i16 h = 0; h < 100; ++h) {
        RGBColor c;
        GetCPixel(h, v, &c);
        out.push_back((u32(c.red >> 8) << 16) | (u32(c.green >> 8) << 8) | (c.blue >> 8));
      }
    return out;
  }
  static void erase() {
    const Rect all{0, 0, 100, 100};
    EraseRect(&all);
  }
  static std::pair<i32, i32> selection(WEReference we) {
    i32 s = 0, e = 0;
    WEGetSelection(&s, &e, we);
    return {s, e};
  }
};

TEST_F(WESelectionTest, SelectionsAndArrowKeys) {
  const WEReference we = maketext("one two three\rfour");
  ASSERT_EQ(WECalText(we), noErr);
  WESetSelection(5, 2, we);
  EXPECT_EQ(selection(we), std::pair(2, 5));
  EXPECT_TRUE(rec(we).flags & weFlagBackwards);
  _WEDoArrowKey(kLeft, shiftKey, we);
  EXPECT_EQ(selection(we), std::pair(1, 5)) << "shift moves the active end, the start";
  _WEDoArrowKey(kLeft, 0, we);
  EXPECT_EQ(selection(we), std::pair(1, 1)) << "a selection collapses to its start";
  _WEDoArrowKey(kRight, shiftKey, we);
  _WEDoArrowKey(kRight, shiftKey, we);
  EXPECT_EQ(selection(we), std::pair(1, 3));
  _WEDoArrowKey(kRight, 0, we);
  EXPECT_EQ(selection(we), std::pair(3, 3)) << "and to its end for right";

  struct {
    i16 key;
    u16 modifiers;
    i32 from, to;
  } rows[] = {
      {kRight, cmdKey, 1, 13},   // before the return that ends the line
      {kRight, cmdKey, 15, 18},  // the last line ends the text
      {kLeft, cmdKey, 16, 14},
      {kRight, optionKey, 3, 7},  // over the blank to the end of the next word
      {kRight, optionKey, 0, 3},
      {kLeft, optionKey, 8, 4},  // back over the blank to the start of the word
      {kDown, cmdKey, 2, 18},
      {kDown, 0, 2, 16},                  // the point below, on the next line
      {kLeft, optionKey | cmdKey, 5, 5},  // both modifiers move nothing
  };
  for (const auto& row : rows) {
    WESetSelection(row.from, row.from, we);
    _WEDoArrowKey(row.key, row.modifiers, we);
    EXPECT_EQ(selection(we), std::pair(row.to, row.to)) << row.key << " " << row.modifiers << " from " << row.from;
  }
}

TEST_F(WESelectionTest, ScrollingMovesBitsOrRedrawsTheView) {
  const WEReference we = scroller();
  erase();
  WEUpdate(0, we);
  const int full = drawcalls;
  EXPECT_EQ(full, 4) << "the lines in the view";
  ASSERT_EQ(WEScroll(0, -13, we), noErr);
  const std::vector<u32> scrolled = pixels();
  EXPECT_EQ(drawcalls - full, 2) << "only the lines in the rows the scroll uncovered";
  erase();
  WEUpdate(0, we);
  EXPECT_EQ(pixels(), scrolled) << "the same pixels as a whole redraw";

  drawcalls = 0;
  ASSERT_EQ(WEScroll(0, -50, we), noErr);
  EXPECT_EQ(drawcalls, 4) << "more than the view's height: the view is drawn whole";

  // While a click is tracked each step is the field scroll step, unless scrolling is
  // proportional.
  LongRect before, after;
  for (i16 proportional : {0, 1}) {
    mainglobals().proportionalScrolling = proportional;
    mainglobals().fieldScrollStep = 10;
    rec(we).flags |= weFlagTracking;
    WEGetDestRect(&before, we);
    ASSERT_EQ(WEScroll(0, 3, we), noErr);
    WEGetDestRect(&after, we);
    EXPECT_EQ(after.top - before.top, proportional ? 3 : 10);
  }
  rec(we).flags &= ~weFlagTracking;
}

TEST_F(WESelectionTest, PinnedScrollingAndKeepingAnOffsetInView) {
  const WEReference we = scroller(1u << weFInhibitRedraw | 1u << weFAutoScroll);
  LongRect dest;
  ASSERT_EQ(WEPinScroll(0, 20, we), noErr);
  WEGetDestRect(&dest, we);
  EXPECT_EQ(dest.top, 10) << "the text's top never comes below the view's";
  ASSERT_EQ(WEPinScroll(0, -500, we), noErr);
  WEGetDestRect(&dest, we);
  EXPECT_EQ(dest.bottom - 130, dest.top);
  EXPECT_EQ(dest.bottom, 50) << "nor its bottom above the view's";
  ASSERT_EQ(WEPinScroll(0, 30, we), noErr);
  WEGetDestRect(&dest, we);
  EXPECT_EQ(dest.top, 10 - 90 + 30);

  const WEScrollProcPtr proc = countedscroll;
  WESetInfo(fourcc("scrl"), &proc, we);
  ASSERT_EQ(WEPinScroll(0, 500, we), noErr);
  rec(we).flags &= ~weFlagScrollPending;
  // Line 5 (65-78 below the destination's top) lies below the view (10-50).
  EXPECT_TRUE(_WEScrollIntoView(5 * 7 + 2, we));
  WEGetDestRect(&dest, we);
  EXPECT_EQ(dest.top, 10 + (50 - 88));
  EXPECT_EQ(scrollcalls, 1);
  EXPECT_FALSE(_WEScrollIntoView(5 * 7 + 2, we)) << "in view already";
  EXPECT_EQ(scrollcalls, 1);

  // The standard click loop: at most 50 pixels a call, and only with automatic scrolling.
  drive::moveTo(Point{700, 50});
  Point mouse;
  GetMouse(&mouse);
  ASSERT_EQ(mouse.v, 700);
  ASSERT_EQ(WEPinScroll(0, 500, we), noErr);
  WEGetDestRect(&dest, we);
  EXPECT_TRUE(_WEStdClickLoop(we));
  LongRect moved;
  WEGetDestRect(&moved, we);
  EXPECT_EQ(moved.top - dest.top, -50);
  WEFeatureFlag(weFAutoScroll, 0, we);
  EXPECT_TRUE(_WEStdClickLoop(we));
  WEGetDestRect(&dest, we);
  EXPECT_EQ(dest, moved);
}

TEST_F(WESelectionTest, TheCaretBlinksAtTheCaretTime) {
  const WEReference we = scroller(1u << weFInhibitRedraw);
  u32 sleep = 0;
  WEIdle(&sleep, we);
  EXPECT_EQ(sleep, 0x7FFFFFFFu) << "an inactive record";

  erase();
  WEUpdate(0, we);
  const std::vector<u32> plain = pixels();
  WEActivate(we);
  WESetSelection(2, 2, we);
  rec(we).caretTime = TickCount();
  WEIdle(&sleep, we);
  EXPECT_EQ(sleep, GetCaretTime());
  EXPECT_EQ(pixels(), plain) << "not due yet";
  u32 now = 0;
  Delay(GetCaretTime(), &now);
  WEIdle(&sleep, we);
  EXPECT_EQ(sleep, GetCaretTime());
  // One inverted column a pixel left of the caret's point, over the line's height.
  LongPoint p;
  WEGetPoint(2, 0, &p, nullptr, we);
  const std::vector<u32> shown = pixels();
  for (i16 v = 0; v < 100; ++v)
    for (i16 h = 0; h < 100; ++h) {
      const bool caret = h == p.h - 1 && v >= p.v && v < p.v + 13;
      const std::size_t i = std::size_t(v * 100 + h);
      EXPECT_EQ(shown[i] != plain[i], caret) << h << "," << v;
    }
  WEDeactivate(we);
  EXPECT_EQ(pixels(), plain) << "deactivating hides the caret";

  // A read-only record never shows it.
  WEFeatureFlag(weFReadOnly, 1, we);
  WEActivate(we);
  Delay(GetCaretTime(), &now);
  WEIdle(&sleep, we);
  EXPECT_EQ(pixels(), plain);
}

}  // namespace
}  // namespace kv
