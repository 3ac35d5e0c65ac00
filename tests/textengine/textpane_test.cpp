// The text pane in a window: its record, filling it from resources, the scroll bar that counts
// lines, focus and typing, editing through the scrap, and what it draws.
#include "platform/controls/controls.h"
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/qd/copybits.h"
#include "platform/resources/resourceformat.h"
#include "platform/resources/resources.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "tests/textengine/wetest.h"
#include "textengine/textpane.h"

namespace kv {
namespace {

class TextPaneTest : public WETest {
 protected:
  void SetUp() override {
    WETest::SetUp();
    const Rect r{100, 100, 300, 400};
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &window), noErr);
    ShowWindow(window);
    ASSERT_EQ(CreateRootControl(window, &root), noErr);
    // Ten lines of 13 pixels fit the inner view exactly.
    ASSERT_EQ(STUPCreateControl(window, &kBounds, &pane), noErr);
  }
  void TearDown() override {
    FlushEvents(everyEvent, 0);
    STUPDisposeControl(pane);
    DisposeWindow(window);
    WETest::TearDown();
  }
  WEReference record() const { return vars().we; }
  const TPPaneVars& vars() const {
    return *reinterpret_cast<const TPPaneVars*>(deref(Handle(u32(GetControlReference(pane)))));
  }
  void settext(const std::string& t) { ASSERT_EQ(STUPSetText(pane, t.data(), i32(t.size())), noErr); }
  // A press and release at a point of the window's port, handed to the pane as the window's
  // click handling would.
  i16 click(Point local, u32 held = 0) {
    const Point global{i16(local.v + 100), i16(local.h + 100)};
    if (held) drive::drag(global, global, held);
    else drive::click(global);
    EventRecord e{};
    do {
      EXPECT_TRUE(WaitNextEvent(mDownMask | mUpMask, &e, 60));
    } while (e.what != mouseDown);
    return TrackControl(pane, local, nullptr);
  }
  i32 scrolled() const {
    LongRect view, dest;
    WEGetViewRect(&view, record());
    WEGetDestRect(&dest, record());
    return view.top - dest.top;
  }
  // A pixel of the window's port as xrgb.
  u32 pixel(i16 h, i16 v) const {
    SavePort saved;
    SetPort(GetWindowPort(window));
    RGBColor c;
    GetCPixel(h, v, &c);
    return (u32(c.red >> 8) << 16) | (u32(c.green >> 8) << 8) | u32(c.blue >> 8);
  }

  static constexpr Rect kBounds{10, 10, 144, 210};
  WindowRef window = nilid;
  ControlRef root = nilid, pane = nilid;
};

TEST_F(TextPaneTest, ARecordOfPlainTextAndAControlKind) {
  const WEReference we = record();
  EXPECT_EQ(WEFeatureFlag(weFMonoStyled, -1, we), 1);
  EXPECT_EQ(WEFeatureFlag(weFPlainColor, -1, we), 1);
  EXPECT_EQ(WEFeatureFlag(weFAutoScroll, -1, we), 0);
  EXPECT_EQ(WEFeatureFlag(weFInhibitRedraw, -1, we), 0);
  EXPECT_TRUE(IsSTUPControl(pane));
  EXPECT_FALSE(IsSTUPControl(vars().scrollBar));
  EXPECT_EQ(GetControl32BitValue(pane), 1470);
}

TEST_F(TextPaneTest, FillsFromResources) {
  settext("keep");
  EXPECT_EQ(STUPFillControl(pane, 129), resNotFound);
  std::vector<u8> bytes;
  std::string error;
  const std::string hello = "Hello pane";
  ASSERT_TRUE(buildresourcefile({ResourceItem{fourcc("STUP"), 129, 0, "", {0, 3, 0, 12, 0, 0, 0, 128}},
                                 ResourceItem{fourcc("STUP"), 130, 0, "", {0, 3, 0, 12, 0, 0, 0, 99}},
                                 ResourceItem{fourcc("TEXT"), 128, 0, "", {hello.begin(), hello.end()}}},
                                &bytes, &error))
      << error;
  const i16 file = openresourcebytes(bytes, "pane.rsrc");
  ASSERT_GE(file, 0);
  EXPECT_EQ(STUPFillControl(pane, 130), resNotFound) << "its text is missing";
  EXPECT_EQ(textof(record()), "keep");
  ASSERT_EQ(STUPFillControl(pane, 129), noErr);
  EXPECT_EQ(textof(record()), hello);
  i32 s = -1, e = -1;
  WEGetSelection(&s, &e, record());
  EXPECT_EQ(s, 0);
  EXPECT_EQ(e, 0);
  EXPECT_EQ(styleat(0, record()).font, 3);
  EXPECT_EQ(styleat(0, record()).size, 12);
  CloseResFile(file);
}

TEST_F(TextPaneTest, TheScrollBarCountsLines) {
  settext("1\r2\r3\r4\r5\r6\r7\r8\r9\r10\r11\r12");
  EXPECT_EQ(GetControl32BitMaximum(vars().scrollBar), 11);
  EXPECT_EQ(GetControlViewSize(vars().scrollBar), 10);
  settext("1\r2\r3\r4\r5\r6\r7\r8\r9\r10");
  EXPECT_EQ(GetControl32BitMaximum(vars().scrollBar), 9);
  settext("x");
  EXPECT_EQ(GetControl32BitMaximum(vars().scrollBar), 0);

  settext("1\r2\r3\r4\r5\r6\r7\r8\r9\r10\r11\r12");
  // The down arrow: the text moves up by whole lines and the value follows.
  const Rect& bar = vars().scrollRect;
  EXPECT_EQ(click(Point{i16(bar.bottom - 5), i16(bar.left + 5)}, 1), 2);
  const i32 value = GetControl32BitValue(vars().scrollBar);
  EXPECT_EQ(value, 1) << "one line";
  EXPECT_EQ(scrolled(), value * 13);
  // Never past the last line.
  click(Point{i16(bar.bottom - 5), i16(bar.left + 5)}, 30);
  EXPECT_EQ(GetControl32BitValue(vars().scrollBar), 11);
  EXPECT_EQ(scrolled(), 11 * 13);
}

TEST_F(TextPaneTest, KeysGoInOnlyWithTheFocus) {
  settext("abc");
  EXPECT_EQ(HandleControlKey(pane, 0, 'z', 0), 0);
  EXPECT_EQ(textof(record()), "abc") << "unfocused";
  // A click in the text takes the focus and places the caret.
  LongPoint p;
  WEGetPoint(1, 0, &p, nullptr, record());
  EXPECT_EQ(click(Point{i16(p.v + 3), i16(p.h + 1)}), 1);
  ControlRef focused = nilid;
  GetKeyboardFocus(window, &focused);
  EXPECT_EQ(focused, pane);
  EXPECT_TRUE(WEIsActive(record()));
  EXPECT_EQ(HandleControlKey(pane, 0, 'z', 0), 1);
  EXPECT_EQ(textof(record()), "azbc");
  // Losing the focus deactivates the record.
  SetKeyboardFocus(window, pane, kControlFocusNoPart);
  EXPECT_FALSE(WEIsActive(record()));
  EXPECT_EQ(HandleControlKey(pane, 0, 'y', 0), 0);
  EXPECT_EQ(textof(record()), "azbc");
}

TEST_F(TextPaneTest, EditCommandsGoThroughTheScrap) {
  settext("Hello pane");
  STUPSetSelection(pane, 0, 5);
  STUPDoEditCommand(pane, 2);
  STUPSetSelection(pane, 10, 10);
  STUPDoEditCommand(pane, 3);
  EXPECT_EQ(textof(record()), "Hello paneHello");
  STUPSetSelection(pane, 0, 6);
  STUPDoEditCommand(pane, 4);
  EXPECT_EQ(textof(record()), "paneHello");
  Handle copy = nilhandle;
  ASSERT_EQ(STUPGetText(pane, &copy), noErr);
  EXPECT_NE(copy, WEGetText(record()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(copy)), std::size_t(GetHandleSize(copy))), "paneHello");
  DisposeHandle(copy);
}

TEST_F(TextPaneTest, DrawsTextFrameAndRingWhileFocused) {
  settext("Hello");
  constexpr u32 kWhite = 0xFFFFFF, kBlack = 0, kFrame = 0x8C8C8C, kRing = 0x5A8CD8;
  const Rect& b = kBounds;
  const i16 mid = i16((b.left + b.right) / 2);
  Draw1Control(pane);
  // The text's ink lies inside the inner view; the rest of the pane is white.
  const Rect& in = vars().innerView;
  i32 ink = 0;
  for (i16 v = b.top; v < b.bottom; ++v)
    for (i16 h = b.left; h < vars().scrollRect.left; ++h) {
      const u32 c = pixel(h, v);
      if (c != kWhite) {
        ++ink;
        EXPECT_TRUE(v >= in.top && v < in.top + 13 && h >= in.left && h < in.right) << h << "," << v;
        EXPECT_EQ(c, kBlack) << h << "," << v;
      }
    }
  EXPECT_GT(ink, 20) << "the text's first line";
  EXPECT_EQ(pixel(mid, i16(b.top - 1)), kFrame);
  EXPECT_EQ(pixel(mid, i16(b.bottom)), kFrame);
  EXPECT_NE(pixel(mid, i16(b.top - 3)), kRing);

  SetKeyboardFocus(window, pane, kUserClickedToFocusPart);
  EXPECT_EQ(pixel(mid, i16(b.top - 3)), kRing);
  EXPECT_EQ(pixel(i16(b.right + 2), i16(b.top + 20)), kRing);
  // Deactivated with its window: the ring goes, the frame turns to its inactive grey.
  DeactivateControl(pane);
  EXPECT_NE(pixel(mid, i16(b.top - 3)), kRing);
  EXPECT_NE(pixel(i16(b.right + 2), i16(b.top + 20)), kRing);
  EXPECT_EQ(pixel(mid, i16(b.top - 1)), 0xC4C4C4u);
  EXPECT_FALSE(WEIsActive(record()));
  ActivateControl(pane);
  EXPECT_EQ(pixel(mid, i16(b.top - 3)), kRing);
  EXPECT_TRUE(WEIsActive(record()));
}

}  // namespace
}  // namespace kv
