// Clicks in a record through the headless mouse: the caret, double and triple clicks, dragging
// by words, shift-extension, the auto-indent rule and clicks on a selected object.
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/testing/driver.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

std::vector<u16> objectclicks;
bool objecttakes = true;
bool pictureclick(Point, u16 modifiers, u32, WEObjectDescHandle) {
  objectclicks.push_back(modifiers);
  return objecttakes;
}
int loopcalls = 0;
bool stoppingloop(WEReference) {
  ++loopcalls;
  return false;
}

class WEClickTest : public WETest {
 protected:
  void SetUp() override {
    WETest::SetUp();
    objectclicks.clear();
    objecttakes = true;
    loopcalls = 0;
    we = make(0);
    EXPECT_EQ(WEUseText(text("ab cd ef\rgh ij\rkl"), we), noErr);
    EXPECT_EQ(WECalText(we), noErr);
    WEActivate(we);
  }
  void TearDown() override {
    FlushEvents(everyEvent, 0);
    WETest::TearDown();
  }
  // A point one pixel into the character at the offset, on its line.
  Point at(i32 offset) const {
    LongPoint p;
    WEGetPoint(offset, 0, &p, nullptr, we);
    return Point{i16(p.v + 3), i16(p.h + 1)};
  }
  // Hands the next mouse-down to the record, as the field's click handling would (the
  // releases before it are taken, as the event loop takes them).
  void nextclick() {
    EventRecord e{};
    do {
      ASSERT_TRUE(WaitNextEvent(mDownMask | mUpMask, &e, 60));
    } while (e.what != mouseDown);
    WEClick(e.where, e.modifiers, e.when, we);
  }
  std::pair<i32, i32> selection() const {
    i32 s = 0, e = 0;
    WEGetSelection(&s, &e, we);
    return {s, e};
  }
  // Lets the double-click time run out, so the next click is a first one.
  static void pause() { drive::advance(GetDblTime() + 1); }

  WEReference we = nilid;
};

TEST_F(WEClickTest, MultipleClicksTakeCaretWordAndParagraph) {
  drive::click(at(4));
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{4, 4}));
  EXPECT_EQ(WEGetClickCount(we), 0);
  EXPECT_TRUE(rec(we).flags & weFlagCaretShown) << "an empty selection shows the caret";

  drive::click(at(4));
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{3, 5})) << "the word";
  EXPECT_EQ(WEGetClickCount(we), 1);
  drive::click(at(4));
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{0, 9})) << "the paragraph with its return";
  EXPECT_EQ(WEGetClickCount(we), 2);
  drive::click(at(4));
  nextclick();
  EXPECT_EQ(WEGetClickCount(we), 2) << "further clicks stay on paragraphs";

  // Late, or at another offset: a first click again.
  pause();
  drive::click(at(4));
  nextclick();
  EXPECT_EQ(WEGetClickCount(we), 0);
  drive::click(at(6));
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{6, 6}));
  EXPECT_EQ(WEGetClickCount(we), 0);
}

TEST_F(WEClickTest, DraggingAfterADoubleClickExtendsByWords) {
  drive::click(at(4));
  nextclick();
  drive::mouseDown(at(4));
  drive::moveTo(at(7));
  drive::mouseUp();
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{3, 8})) << "to the end of the word reached";
  EXPECT_FALSE(rec(we).flags & weFlagTracking);

  pause();
  drive::click(at(4));
  nextclick();
  drive::mouseDown(at(4));
  drive::moveTo(at(10));
  drive::moveTo(at(1));
  drive::mouseUp();
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{0, 5})) << "from the start of the word reached to the anchor word's end";
  EXPECT_TRUE(rec(we).flags & weFlagBackwards);

  // Moving into the next paragraph after a triple click takes it whole.
  pause();
  drive::click(at(4));
  drive::click(at(4));
  nextclick();
  nextclick();
  drive::mouseDown(at(4));
  drive::moveTo(at(11));
  drive::mouseUp();
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{0, 15}));
}

TEST_F(WEClickTest, ShiftClickExtendsFromTheInactiveEnd) {
  drive::drag(at(8), at(2), 6);
  nextclick();
  ASSERT_EQ(selection(), (std::pair<i32, i32>{2, 8}));
  ASSERT_TRUE(rec(we).flags & weFlagBackwards);
  pause();
  drive::click(at(12), shiftKey);
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{8, 12})) << "the backward selection's end is the anchor";
  EXPECT_FALSE(rec(we).flags & weFlagBackwards);
  pause();
  drive::click(at(1), shiftKey);
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{1, 8}));
}

TEST_F(WEClickTest, AClickLoopAnsweringFalseEndsTracking) {
  const WEClickLoopProcPtr loop = stoppingloop;
  WESetInfo(fourcc("clik"), &loop, we);
  drive::drag(at(1), at(7), 6);
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{1, 1}));
  EXPECT_EQ(loopcalls, 1);
}

TEST_F(WEClickTest, AClickInTheIndentationLandsAfterIt) {
  WESetInfo(fourcc("refc"), std::array<u32, 1>{1u << 18}.data(), we);
  WESetUserInfo(fourcc("TSIZ"), 2, we);
  WESetUserInfo(fourcc("EMSP"), 6, we);
  const i16 levels[] = {0, 1, 0};
  ASSERT_TRUE(WESetLineIndents(levels, 3, we));
  LongPoint p;
  WEGetPoint(9, 0, &p, nullptr, we);
  ASSERT_EQ(p.h, 12);
  drive::click(Point{i16(p.v + 3), 5});
  nextclick();
  EXPECT_EQ(selection(), (std::pair<i32, i32>{9, 9}));
  Rect caret;
  _WEGetCaretRect(9, i8(rec(we).clickEdge), &caret, we);
  EXPECT_EQ(caret.left, 11) << "the caret stands after the 12-pixel indentation";
}

TEST_F(WEClickTest, AClickOnTheSelectedObjectGoesToIt) {
  ASSERT_EQ(WEInstallObjectHandler(fourcc("PICT"), fourcc("clik"), reinterpret_cast<WEProcPtr>(&pictureclick), we),
            noErr);
  ASSERT_EQ(_WEInsertObjectAtOffset(2, fourcc("PICT"), NewHandleClear(4), Point{20, 20}, we), noErr);
  ASSERT_EQ(WECalText(we), noErr);
  WESetSelection(2, 3, we);
  WEObjectDescHandle object = nilhandle;
  ASSERT_EQ(WEGetSelectedObject(&object, we), noErr);
  LongRect frame;
  ASSERT_EQ(WEGetObjectFrame(object, &frame), noErr);
  const Point inside{i16((frame.top + frame.bottom) / 2), i16((frame.left + frame.right) / 2)};

  drive::doubleClick(inside);
  nextclick();
  nextclick();
  EXPECT_EQ(objectclicks, (std::vector<u16>{0, 1})) << "the second click comes with modifiers + 1";
  EXPECT_EQ(selection(), (std::pair<i32, i32>{2, 3})) << "a handler that takes the click keeps the selection";

  objecttakes = false;
  pause();
  drive::drag(inside, at(0), 4);
  nextclick();
  EXPECT_EQ(objectclicks.size(), 3u);
  EXPECT_EQ(selection(), (std::pair<i32, i32>{0, 2})) << "refused, the click selects as usual";

  // Outside the selection the object hears nothing.
  WESetSelection(2, 3, we);
  pause();
  drive::click(at(0));
  nextclick();
  EXPECT_EQ(objectclicks.size(), 3u);
  EXPECT_EQ(selection(), (std::pair<i32, i32>{0, 0}));
}

}  // namespace
}  // namespace kv
