// The Control Manager model: a window's root control and its scroll bars, hit parts, and
// tracking driven by scripted input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "tests/platform/qdtesthelp.h"
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
    if (window != nilid) DisposeWindow(window);
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

// The thumb's grey of an active bar, its pressed grey, and the track's.
constexpr u32 kThumb = 0xAAAAAA, kPressed = 0x777777;
i32 count(GWorldPtr gw, u32 colour) {
  i32 n = 0;
  for (i32 y = 0; y < 200; ++y)
    for (i32 x = 0; x < 300; ++x) n += (qdtest::pixel(gw, x, y) & 0xFFFFFF) == colour;
  return n;
}

TEST_F(ControlsTest, ABarDrawsIntoTheCurrentPortByItsVisibilityAndHilite) {
  GWorldPtr gw = qdtest::world(32, 300, 200);
  SetControl32BitValue(vbar, 0);
  SetControlVisibility(vbar, false, false);
  DrawControlInCurrentPort(vbar);
  EXPECT_EQ(qdtest::inked(gw), 0) << "a hidden bar draws nothing";
  SetControlVisibility(vbar, true, false);
  DrawControlInCurrentPort(vbar);
  EXPECT_EQ(count(gw, kThumb), 15 * 15) << "the thumb, 15 pixels square";
  HiliteControl(vbar, kControlIndicatorPart);
  DrawControlInCurrentPort(vbar);
  EXPECT_EQ(count(gw, kThumb), 0);
  EXPECT_EQ(count(gw, kPressed), 15 * 15) << "the pressed thumb";
  HiliteControl(vbar, -1);
  EXPECT_EQ(GetControlHilite(vbar), 255);
  DrawControlInCurrentPort(vbar);
  EXPECT_EQ(count(gw, kThumb) + count(gw, kPressed), 0) << "an inactive bar has no thumb";
  HiliteControl(vbar, 10);
  DrawControlInCurrentPort(vbar);
  EXPECT_EQ(count(gw, kThumb), 15 * 15) << "a hilite that names no part draws the bar plain";
  SetGWorld(0, 0);
  DisposeGWorld(gw);
}

// A custom control's definition, noting what it hears.
struct Heard {
  std::vector<i16> messages;
  i32 lastparam = 0;
};
Heard heard;
i32 probedef(i16, ControlRef, i16 message, i32 param) {
  heard.messages.push_back(message);
  heard.lastparam = param;
  if (message == kControlMsgDraw) {
    const Rect r{0, 0, 4, 4};
    PaintRect(&r);
  }
  return message == kControlMsgTest ? 7 : 0;
}

TEST_F(ControlsTest, ACustomControlKeepsItsDataAndAnswersThroughItsDefinition) {
  heard = Heard{};
  const Rect r{10, 10, 41, 200};
  ControlRef ruler = nilid;
  ASSERT_EQ(CreateCustomControl(window, &r, probedef, &ruler), noErr);
  EXPECT_EQ(heard.messages, std::vector<i16>{kControlMsgInit});
  EXPECT_FALSE(IsControlVisible(ruler)) << "made invisible";

  const u8 first[3] = {1, 2, 3}, second[2] = {9, 8};
  EXPECT_EQ(SetControlData(ruler, 0, fourcc("RUod"), 3, first), noErr);
  EXPECT_EQ(SetControlData(ruler, 0, fourcc("RUod"), 2, second), noErr);
  u8 got[4] = {};
  i32 size = 0;
  EXPECT_EQ(GetControlData(ruler, 0, fourcc("RUod"), 4, got, &size), noErr);
  EXPECT_EQ(size, 2) << "a later set replaces the bytes";
  EXPECT_EQ(got[0], 9);
  EXPECT_EQ(got[1], 8);
  EXPECT_EQ(GetControlData(ruler, 1, fourcc("RUod"), 4, got, &size), errDataNotSupported) << "another part";
  EXPECT_EQ(GetControlData(ruler, 0, fourcc("RUwe"), 4, got, &size), errDataNotSupported);

  ControlRef hit = nilid;
  EXPECT_EQ(FindControl(Point{20, 20}, window, &hit), kControlNoPart) << "hidden";
  SetControlVisibility(ruler, true, false);
  EXPECT_EQ(FindControl(Point{20, 30}, window, &hit), 7);
  EXPECT_EQ(hit, ruler);
  EXPECT_EQ(heard.lastparam, (20 << 16) | 30) << "the point, v high and h low";

  GWorldPtr gw = qdtest::world(32, 300, 200);
  HiliteControl(ruler, 255);
  DrawControlInCurrentPort(ruler);
  EXPECT_EQ(heard.messages.back(), kControlMsgDraw);
  EXPECT_EQ(heard.lastparam, 255) << "drawn with its hilite";
  EXPECT_EQ(qdtest::inked(gw), 16) << "into the current port";
  SetGWorld(0, 0);
  DisposeGWorld(gw);

  DisposeControl(ruler);
  EXPECT_EQ(heard.messages.back(), kControlMsgDispose);
  ASSERT_EQ(CreateCustomControl(window, &r, probedef, &ruler), noErr);
  heard.messages.clear();
  DisposeWindow(window);
  window = nilid;
  EXPECT_EQ(heard.messages, std::vector<i16>{kControlMsgDispose}) << "a window's custom controls hear they go";
}


// What a user pane's procedures hear, in order.
std::vector<std::string> paneheard;
std::string panenote(ControlRef, const char* what, i32 n) { return std::string(what) + " " + std::to_string(n); }
void panedraw(ControlRef c, i16 part) { paneheard.push_back(panenote(c, "draw", part)); }
i16 panehit(ControlRef, Point p) { return p.h < 50 ? 1 : 2; }
void paneactivate(ControlRef c, bool on) { paneheard.push_back(panenote(c, "acti", on)); }
i16 panefocus(ControlRef c, i16 part) {
  paneheard.push_back(panenote(c, "foci", part));
  return part;
}
i16 panekey(ControlRef c, i16, i16 ch, i16) {
  paneheard.push_back(panenote(c, "keyd", ch));
  return 1;
}

TEST_F(ControlsTest, UserPanesHandTheirWorkToTheirProcedures) {
  const Rect r{10, 10, 60, 90}, other{70, 10, 120, 90};
  ControlRef a = nilid, b = nilid;
  ASSERT_EQ(CreateUserPaneControl(window, &r, 0, &a), noErr);
  ASSERT_EQ(CreateUserPaneControl(window, &other, 0, &b), noErr);
  ControlRef hit = nilid;
  EXPECT_EQ(FindControl(Point{20, 20}, window, &hit), kControlNoPart) << "no hit-test procedure";
  for (ControlRef c : {a, b}) {
    auto set = [c](const char(&tag)[5], auto proc) { SetControlData(c, 0, fourcc(tag), sizeof proc, &proc); };
    set("draw", &panedraw);
    set("hitt", &panehit);
    set("acti", &paneactivate);
    set("foci", &panefocus);
    set("keyd", &panekey);
  }
  EXPECT_EQ(FindControl(Point{20, 60}, window, &hit), 2);
  EXPECT_EQ(hit, a);
  paneheard.clear();
  ASSERT_EQ(SetKeyboardFocus(window, a, kUserClickedToFocusPart), noErr);
  ASSERT_EQ(SetKeyboardFocus(window, b, 1), noErr);
  ControlRef focused = nilid;
  GetKeyboardFocus(window, &focused);
  EXPECT_EQ(focused, b);
  EXPECT_EQ(HandleControlKey(b, 0, 'k', 0), 1);
  DeactivateControl(b);
  EXPECT_EQ(paneheard, (std::vector<std::string>{"foci 100", "draw 0", "foci 0", "draw 0", "foci 1", "draw 0",
                                                 "keyd 107", "acti 0", "draw 0"}))
      << "the old focus goes first; each change draws the pane again";
  WindowRef second = nilid;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &second), noErr);
  EXPECT_EQ(SetKeyboardFocus(second, a, 1), errInvalidControl) << "a control of another window";
  DisposeControl(b);
  GetKeyboardFocus(window, &focused);
  EXPECT_EQ(focused, nilid) << "a disposed control loses the focus";
  DisposeWindow(second);
}

// A definition that handles data, tracking and activation itself: it keeps one u16 under
// 'valu' and answers the tracking start's h as the part.
struct Handling {
  u16 value = 0;
  i32 activated = -1;
};
Handling handling;
i32 handlingdef(i16, ControlRef, i16 message, i32 param) {
  switch (message) {
    case kControlMsgGetFeatures:
      return i32(kControlSupportsDataAccess | kControlHandlesTracking | kControlWantsActivate);
    case kControlMsgSetData: {
      ControlDataAccessRec* a = controldataaccess();
      if (a->tag != fourcc("valu")) return errDataNotSupported;
      if (a->size != 2) return paramErr;
      std::memcpy(&handling.value, a->data, 2);
      return noErr;
    }
    case kControlMsgGetData: {
      ControlDataAccessRec* a = controldataaccess();
      if (a->tag != fourcc("valu")) return errDataNotSupported;
      if (a->data) std::memcpy(a->data, &handling.value, std::size_t(std::min(a->size, 2)));
      a->size = 2;
      return noErr;
    }
    case kControlMsgHandleTracking: return i16(param & 0xFFFF);
    case kControlMsgActivate: handling.activated = param; return 0;
    default: return 0;
  }
}

TEST_F(ControlsTest, ADefinitionThatHandlesDataTrackingAndActivationIsAskedForThem) {
  handling = Handling{};
  const Rect r{10, 10, 41, 200};
  ControlRef c = nilid;
  ASSERT_EQ(CreateCustomControl(window, &r, handlingdef, &c), noErr);
  const u16 seven = 7;
  EXPECT_EQ(SetControlData(c, 0, fourcc("valu"), 2, &seven), noErr);
  EXPECT_EQ(handling.value, 7);
  EXPECT_EQ(SetControlData(c, 0, fourcc("valu"), 4, &seven), paramErr) << "the definition's answer";
  EXPECT_EQ(SetControlData(c, 0, fourcc("othr"), 2, &seven), errDataNotSupported);
  u16 got = 0;
  i32 size = 0;
  EXPECT_EQ(GetControlData(c, 0, fourcc("valu"), 2, &got, &size), noErr);
  EXPECT_EQ(got, 7);
  EXPECT_EQ(size, 2);
  Size kept = 0;
  EXPECT_EQ(GetControlDataSize(c, 0, fourcc("valu"), &kept), noErr);
  EXPECT_EQ(kept, 2);
  EXPECT_EQ(controldataaccess(), nullptr) << "only while a message is handled";
  EXPECT_EQ(TrackControl(c, Point{20, 33}, nullptr), 33);
  DeactivateControl(c);
  EXPECT_EQ(handling.activated, 0);
  ActivateControl(c);
  EXPECT_EQ(handling.activated, 1);
  DisposeControl(c);
}

}  // namespace
}  // namespace kv
