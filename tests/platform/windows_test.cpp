// The window manager model: window parts, the layered window list, ids, geometry, zoom
// states and the tracking loops driven by scripted input.
#include <gtest/gtest.h>

#include "platform/backend/headless.h"
#include "platform/events/events.h"
#include "platform/events/handlers.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/testing/driver.h"
#include "platform/windows/compositor.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

class WindowsTest : public RuntimeTest {
 protected:
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  WindowRef make(WindowClass c, Rect r, WindowAttributes a = kWindowStandardDocumentAttributes, bool show = true) {
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(c, a, &r, &w), noErr);
    if (show) ShowWindow(w);
    return w;
  }
  static Point centre(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }
  static Rect bounds(WindowRef w, u16 code) {
    Rect r{0, 0, 0, 0};
    GetWindowBounds(w, code, &r);
    return r;
  }
};

// Acceptance: FindWindow over a document window of definition family 1024.
TEST_F(WindowsTest, FindWindowAnswersThePartsOfADocumentWindow) {
  WindowRef w = nilid;
  Rect c{100, 100, 400, 500};
  ASSERT_EQ(CreateWindowWithDefinition(kWindowFullZoomGrowDocumentProc, kDocumentWindowClass,
                                       kWindowCloseBoxAttribute | kWindowCollapseBoxAttribute, &c, &w),
            noErr);
  EXPECT_EQ(windowdefinitionid(w) >> 4, 64);
  ShowWindow(w);
  ASSERT_TRUE(IsWindowHilited(w));
  WindowRef hit = nilid;
  Rect title = bounds(w, kWindowTitleBarRgn);
  EXPECT_EQ(title.bottom, c.top);
  EXPECT_EQ(FindWindow(Point{i16(title.top + 10), i16(title.left + 200)}, &hit), inDrag);
  EXPECT_EQ(hit, w);
  EXPECT_EQ(FindWindow(centre(bounds(w, kWindowCloseBoxRgn)), &hit), inGoAway);
  EXPECT_EQ(FindWindow(centre(bounds(w, kWindowGrowRgn)), &hit), inGrow);
  EXPECT_EQ(FindWindow(centre(bounds(w, kWindowCollapseBoxRgn)), &hit), inCollapseBox);
  Point zoom = centre(bounds(w, kWindowZoomBoxRgn));
  EXPECT_EQ(FindWindow(zoom, &hit), inZoomOut) << "in its user state the zoom box zooms out";
  ZoomWindow(w, inZoomOut, false);
  EXPECT_TRUE(IsWindowInStandardState(w, nullptr, nullptr));
  zoom = centre(bounds(w, kWindowZoomBoxRgn));
  EXPECT_EQ(FindWindow(zoom, &hit), inZoomIn) << "in its standard state it zooms back in";
  ZoomWindow(w, inZoomIn, false);
  EXPECT_EQ(bounds(w, kWindowContentRgn), c) << "zooming in restores the user state";
  EXPECT_EQ(FindWindow(centre(c), &hit), inContent);
  EXPECT_EQ(hit, w);
  EXPECT_EQ(FindWindow(Point{5, 300}, &hit), inMenuBar);
  EXPECT_EQ(hit, nilid);
  EXPECT_EQ(FindWindow(Point{600, 900}, &hit), inDesk);
  EXPECT_EQ(hit, nilid);
  HideMenuBar();
  EXPECT_EQ(FindWindow(Point{5, 300}, &hit), inDesk) << "no menu bar band while it is hidden";
  ShowMenuBar();
  HiliteWindow(w, false);
  EXPECT_EQ(FindWindow(centre(bounds(w, kWindowCloseBoxRgn)), &hit), inDrag) << "boxes only on a hilited window";
}

TEST_F(WindowsTest, DefinitionFamiliesHaveTheirFrames) {
  Rect c{200, 200, 300, 300};
  WindowRef plain = make(kPlainWindowClass, c, 0);
  Rect widths;
  GetWindowStructureWidths(plain, &widths);
  EXPECT_EQ(widths, (Rect{1, 1, 1, 1}));
  WindowRef simple = nilid;
  CreateWindowWithDefinition(kWindowSimpleProc, kDocumentWindowClass, 0, &c, &simple);
  GetWindowStructureWidths(simple, &widths);
  EXPECT_EQ(widths, (Rect{0, 0, 0, 0}));
  WindowRef side = nilid;
  CreateWindowWithDefinition(kWindowFloatSideProc, kFloatingWindowClass, kWindowCloseBoxAttribute, &c, &side);
  GetWindowStructureWidths(side, &widths);
  EXPECT_GT(widths.left, widths.top) << "the title bar is on the left";
  WindowRef classic = NewCWindow(nullptr, &c,
                                 reinterpret_cast<const u8*>("\x03"
                                                             "Old"),
                                 true, zoomDocProc, kFirstWindowOfClass, true, 77);
  WindowAttributes a = 0;
  GetWindowAttributes(classic, &a);
  EXPECT_EQ(a & (kWindowResizableAttribute | kWindowFullZoomAttribute | kWindowCloseBoxAttribute),
            u32(kWindowResizableAttribute | kWindowFullZoomAttribute | kWindowCloseBoxAttribute));
  EXPECT_EQ(GetWRefCon(classic), 77);
  Str255 t;
  GetWTitle(classic, t);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t + 1), t[0]), "Old");
  EXPECT_EQ(GetWVariant(classic), 8);
}

// Acceptance: floating windows stay above document windows whatever SelectWindow and
// SendBehind are asked; the front-to-back snapshot shows it.
TEST_F(WindowsTest, DocumentWindowsStayUnderFloatingOnes) {
  WindowRef d1 = make(kDocumentWindowClass, {100, 100, 300, 300});
  WindowRef f1 = make(kFloatingWindowClass, {50, 600, 200, 700}, kWindowCloseBoxAttribute);
  WindowRef d2 = make(kDocumentWindowClass, {120, 120, 320, 320});
  WindowRef t1 = make(kToolbarWindowClass, {400, 600, 500, 700}, 0);
  EXPECT_EQ(windowlist(), (std::vector<WindowRef>{f1, t1, d2, d1}));
  SelectWindow(d1);
  EXPECT_EQ(windowlist(), (std::vector<WindowRef>{f1, t1, d1, d2}));
  EXPECT_EQ(FrontWindow(), f1);
  EXPECT_EQ(FrontNonFloatingWindow(), d1);
  EXPECT_EQ(ActiveNonFloatingWindow(), d1);
  SendBehind(d2, nilid);
  SendBehind(f1, d2);  // behind a window of a lower layer: the back of its own layer
  SendBehind(d1, f1);  // behind a window of a higher layer: the front of its own layer
  EXPECT_EQ(windowlist(), (std::vector<WindowRef>{f1, t1, d1, d2}));
  SendBehind(t1, nilid);
  SendBehind(d1, d2);
  auto snap = drive::windows();
  ASSERT_EQ(snap.size(), 4u);
  EXPECT_EQ(snap[0].window, f1);
  EXPECT_EQ(snap[0].windowclass, u32(kFloatingWindowClass));
  EXPECT_EQ(snap[1].window, t1);
  EXPECT_EQ(snap[2].window, d2);
  EXPECT_EQ(snap[3].window, d1);
  EXPECT_TRUE(snap[2].hilited) << "the front document is the active one";
  EXPECT_FALSE(snap[3].hilited);
  EXPECT_EQ(snap[3].content, (Rect{100, 100, 300, 300}));
  WindowRef m = make(kMovableModalWindowClass, {200, 200, 300, 400}, 0);
  EXPECT_EQ(windowlist().front(), m) << "modal windows come above floating ones";
  EXPECT_EQ(ActiveNonFloatingWindow(), m);
  SetWindowClass(d1, kFloatingWindowClass);
  EXPECT_EQ(windowlist()[1], d1) << "a new class moves the window into its layer";
}

// Acceptance: a disposed window's id fails every check; ids are never reused while live.
TEST_F(WindowsTest, DisposedWindowIdsFailEveryCheck) {
  WindowRef w = make(kDocumentWindowClass, {100, 100, 200, 200});
  EXPECT_EQ(registrytype(w), RegType::window);
  EXPECT_TRUE(IsValidWindowPtr(w));
  SetWindowProperty(w, fourcc("VIZU"), fourcc("FTIM"), 4, "abcd");
  DisposeWindow(w);
  EXPECT_FALSE(IsValidWindowPtr(w));
  Rect r{1, 2, 3, 4};
  u32 size = 0;
  EXPECT_EQ(GetWindowBounds(w, kWindowContentRgn, &r), errInvalidWindowRef);
  EXPECT_EQ(GetWindowPropertySize(w, fourcc("VIZU"), fourcc("FTIM"), &size), errInvalidWindowRef);
  EXPECT_EQ(InvalWindowRect(w, &r), errInvalidWindowRef);
  EXPECT_EQ(GetNextWindow(w), nilid);
  EXPECT_EQ(GetWindowPort(w), nilid);
  SelectWindow(w);
  ShowWindow(w);
  MoveWindow(w, 10, 10, true);
  DisposeWindow(w);
  EXPECT_TRUE(windowlist().empty());
  EXPECT_FALSE(IsValidWindowPtr(0));
  EXPECT_FALSE(IsValidWindowPtr(w | 0x80000000u));

  std::vector<WindowRef> live;
  for (int i = 0; i < 300; ++i) {
    if (i % 3 == 2) {
      DisposeWindow(live.front());
      live.erase(live.begin());
    }
    live.push_back(make(kDocumentWindowClass, {100, 100, 200, 200}, 0, false));
    for (std::size_t j = 0; j + 1 < live.size(); ++j) ASSERT_NE(live[j], live.back());
    ASSERT_NE(live.back(), w) << "a disposed id does not come back at once";
  }
}

TEST_F(WindowsTest, MovingAndSizingKeepTheUpdateRegionWithTheContent) {
  WindowRef w = make(kDocumentWindowClass, {100, 100, 200, 200});
  BeginUpdate(w);
  EndUpdate(w);
  Rect part{0, 0, 10, 10};
  InvalWindowRect(w, &part);
  MoveWindow(w, 300, 400, false);
  EXPECT_EQ(bounds(w, kWindowContentRgn), (Rect{400, 300, 500, 400}));
  EXPECT_EQ(bounds(w, kWindowUpdateRgn), (Rect{400, 300, 410, 310}));
  BeginUpdate(w);
  EXPECT_EQ(regionbounds(windowupdatingregion(w)), (Rect{400, 300, 410, 310}));
  EndUpdate(w);
  SizeWindow(w, 150, 100, true);
  EXPECT_EQ(bounds(w, kWindowUpdateRgn), (Rect{400, 400, 500, 450})) << "the uncovered strip needs drawing";
  BeginUpdate(w);
  EndUpdate(w);
  SizeWindow(w, 50, 50, true);
  EXPECT_EQ(bounds(w, kWindowUpdateRgn), (Rect{0, 0, 0, 0}));
  Rect s{50, 60, 250, 360};
  SetWindowBounds(w, kWindowStructureRgn, &s);
  EXPECT_EQ(bounds(w, kWindowStructureRgn), s);
  OwnedRegion rgn(NewRgn());
  GetWindowRegion(w, kWindowContentRgn, rgn);
  EXPECT_EQ(regionbounds(rgn), bounds(w, kWindowContentRgn));
  EXPECT_EQ(GetWindowRegion(w, 99, rgn), errWindowRegionCodeInvalid);
}

TEST_F(WindowsTest, ScreensAndAvailableBounds) {
  EXPECT_EQ(screencount(), 1);
  EXPECT_EQ(screenbounds(0), (Rect{0, 0, 768, 1024}));
  EXPECT_EQ(screendepth(0), 32);
  EXPECT_EQ(availablebounds(0).top, GetMBarHeight());
  HeadlessBackend* h = headlessbackend();
  ScreenInfo second;
  second.bounds = Rect{0, 1024, 600, 1824};
  h->setscreens({ScreenInfo{}, second});
  EXPECT_EQ(greatestareascreen(Rect{100, 1000, 200, 1200}), 1);
  EXPECT_EQ(availablebounds(1), second.bounds) << "no menu bar band on the second screen";
  EXPECT_EQ(greatestareascreen(Rect{-500, -500, -400, -400}), 0);
}

// --- Tracking loops driven by scripted input ---------------------------------------------

TEST_F(WindowsTest, DragWindowMovesByTheMouseAndSelects) {
  WindowRef back = make(kDocumentWindowClass, {100, 100, 300, 300});
  WindowRef front = make(kDocumentWindowClass, {150, 150, 350, 350});
  Rect title = bounds(back, kWindowTitleBarRgn);
  Point start{i16(title.top + 5), i16(title.left + 100)};
  drive::drag(start, Point{i16(start.v + 40), i16(start.h + 30)}, 8);
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  WindowRef hit = nilid;
  ASSERT_EQ(FindWindow(e.where, &hit), inDrag);
  ASSERT_EQ(hit, back);
  Rect limits{-32767, -32767, 32767, 32767};
  DragWindow(back, e.where, &limits);
  EXPECT_EQ(bounds(back, kWindowContentRgn), (Rect{140, 130, 340, 330}));
  EXPECT_EQ(FrontNonFloatingWindow(), back) << "without the command key the dragged window comes forward";
  EXPECT_FALSE(EventAvail(mUpMask, &e)) << "the tracking took the mouse-up";

  title = bounds(front, kWindowTitleBarRgn);
  start = Point{i16(title.top + 5), i16(title.left + 100)};
  drive::drag(start, Point{i16(start.v + 10), i16(start.h + 10)}, 4, cmdKey);
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 5));
  DragWindow(front, e.where, &limits);
  EXPECT_EQ(bounds(front, kWindowContentRgn), (Rect{160, 160, 360, 360}));
  EXPECT_EQ(FrontNonFloatingWindow(), back) << "with the command key it is dragged where it is";
}

int boundschanges = 0;
OSStatus countbounds(EventHandlerCallRef, EventRef ev, u32) {
  Rect r;
  if (GetEventParameter(ev, kEventParamCurrentBounds, typeQDRectangle, nullptr, sizeof r, nullptr, &r) == noErr)
    ++boundschanges;
  return eventNotHandledErr;
}

TEST_F(WindowsTest, GrowWindowAnswersTheNewSizeWithinTheLimits) {
  WindowRef w = make(kDocumentWindowClass, {100, 100, 300, 300});
  boundschanges = 0;
  EventTypeSpec types{kEventClassWindow, kEventWindowBoundsChanged};
  InstallEventHandler(w, countbounds, 1, &types, 0, nullptr);
  Rect grow = bounds(w, kWindowGrowRgn);
  Point start = centre(grow);
  drive::drag(start, Point{i16(start.v + 500), i16(start.h - 20)}, 5);
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  ASSERT_EQ(FindWindow(e.where, nullptr), inGrow);
  Rect limits{50, 50, 400, 400};
  i32 size = GrowWindow(w, e.where, &limits);
  EXPECT_EQ(size, (400 << 16) | 180);
  EXPECT_EQ(bounds(w, kWindowContentRgn), (Rect{100, 100, 300, 300})) << "the caller sizes the window";
  EXPECT_GE(boundschanges, 1) << "the handlers hear of every change while tracking";

  ChangeWindowAttributes(w, kWindowLiveResizeAttribute, 0);
  drive::drag(start, Point{i16(start.v + 10), i16(start.h + 10)}, 5);
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  size = GrowWindow(w, e.where, &limits);
  EXPECT_EQ(size, (210 << 16) | 210);
  EXPECT_EQ(bounds(w, kWindowContentRgn), (Rect{100, 100, 310, 310})) << "live resize sizes as it goes";
}

TEST_F(WindowsTest, TrackGoAwayAndTrackBoxAnswerWhereTheButtonWentUp) {
  WindowRef w = make(kDocumentWindowClass, {100, 100, 300, 300});
  Point close = centre(bounds(w, kWindowCloseBoxRgn));
  drive::click(close);
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  EXPECT_TRUE(TrackGoAway(w, e.where));
  drive::drag(close, Point{200, 200}, 3);
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  EXPECT_FALSE(TrackGoAway(w, e.where)) << "released outside the box";
  Point zoom = centre(bounds(w, kWindowZoomBoxRgn));
  drive::click(zoom);
  ASSERT_TRUE(WaitNextEvent(mDownMask, &e, 0));
  EXPECT_TRUE(TrackBox(w, e.where, inZoomOut));
}

TEST_F(WindowsTest, TheCompositorPresentsWhatChanged) {
  HeadlessBackend* h = headlessbackend();
  WindowRef w = make(kDocumentWindowClass, {100, 100, 200, 200});
  EventRecord e{};
  WaitNextEvent(everyEvent, &e, 1);
  u32 presents = h->presentcount();
  EXPECT_GE(presents, 1u);
  const Frame& f = h->lastframe();
  ASSERT_EQ(f.width, 1024);
  ASSERT_EQ(f.height, 768);
  EXPECT_EQ(f.pixels[150 * 1024 + 150], 0xFFFFFFu) << "the content";
  EXPECT_NE(f.pixels[600 * 1024 + 900], 0xFFFFFFu) << "the desktop";
  WaitNextEvent(everyEvent, &e, 1);
  EXPECT_EQ(h->presentcount(), presents) << "nothing changed, nothing presented";
  HideWindow(w);
  WaitNextEvent(everyEvent, &e, 1);
  EXPECT_EQ(h->presentcount(), presents + 1);
  EXPECT_NE(h->lastframe().pixels[150 * 1024 + 150], 0xFFFFFFu);
}

class CursorTest : public RuntimeTest {};

TEST_F(CursorTest, HidingNestsAndAnObscuredCursorReturnsWhenTheMouseMoves) {
  HeadlessBackend* h = headlessbackend();
  InitCursor();
  EXPECT_TRUE(h->cursorvisible());
  EXPECT_EQ(h->cursor().hotspot, (Point{1, 1}));
  Cursor ibeam = arrowcursor();
  ibeam.hotSpot = Point{4, 4};
  SetCursor(&ibeam);
  EXPECT_EQ(h->cursor().hotspot, (Point{4, 4}));
  HideCursor();
  HideCursor();
  ShowCursor();
  EXPECT_FALSE(h->cursorvisible());
  ShowCursor();
  EXPECT_TRUE(h->cursorvisible());
  ShowCursor();
  HideCursor();
  EXPECT_FALSE(h->cursorvisible()) << "showing never goes above visible";
  ShowCursor();
  ObscureCursor();
  EXPECT_FALSE(h->cursorvisible());
  EventRecord e{};
  WaitNextEvent(everyEvent, &e, 1);
  EXPECT_FALSE(h->cursorvisible());
  drive::moveTo(Point{30, 30});
  WaitNextEvent(everyEvent, &e, 2);
  WaitNextEvent(everyEvent, &e, 1);
  EXPECT_TRUE(h->cursorvisible());
}

class ReaderTest : public RuntimeTest {};

TEST_F(ReaderTest, WindowPixelsAreReadAloneOrFromTheScreen) {
  Rect c1{100, 100, 200, 300}, c2{150, 150, 250, 350};
  WindowRef a = nilid, b = nilid;
  CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &c1, &a);
  CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, &c2, &b);
  ShowWindow(a);
  ShowWindow(b);
  Frame alone = drive::windowpixels(a);
  EXPECT_EQ(alone.width, 200);
  EXPECT_EQ(alone.height, 100);
  EXPECT_EQ(drive::pixelat(alone, 150, 90), 0xFFFFFFu) << "content under another window is still read";
  Frame framed = drive::windowpixels(a, true);
  Rect widths;
  GetWindowStructureWidths(a, &widths);
  EXPECT_EQ(framed.height, 100 + widths.top + widths.bottom);
  Rect close;
  GetWindowBounds(a, kWindowCloseBoxRgn, &close);
  EXPECT_NE(drive::pixelat(framed, i16(close.left - c1.left + widths.left + 2),
                           i16(close.top - c1.top + widths.top + 2)),
            drive::pixelat(framed, i16(close.left - c1.left + widths.left + 100),
                           i16(close.top - c1.top + widths.top + 2)))
      << "the close box stands out of the title bar";
  Rect title;
  GetWindowBounds(b, kWindowTitleBarRgn, &title);
  EXPECT_NE(drive::screenpixel(Point{i16(title.top + 2), i16(title.left + 100)}), 0xFFFFFFu) << "b's title is on top";
  EXPECT_EQ(drive::screenpixel(Point{105, 105}), 0xFFFFFFu) << "a's content where b does not cover it";
  DisposeWindow(a);
  DisposeWindow(b);
  EXPECT_TRUE(drive::windowpixels(a).pixels.empty());
}

class WindowServicesTest : public RuntimeTest {};

TEST_F(WindowServicesTest, HideOnSuspendWindowsFollowTheFrontProcess) {
  Rect r{100, 100, 200, 200};
  WindowRef pal = nilid, msg = nilid;
  CreateNewWindow(kFloatingWindowClass, kWindowHideOnSuspendAttribute, &r, &pal);
  CreateNewWindow(kFloatingWindowClass, 0, &r, &msg);
  ShowWindow(pal);
  ShowWindow(msg);
  drive::suspend();
  EventRecord e{};
  ASSERT_TRUE(WaitNextEvent(osMask, &e, 1));
  EXPECT_FALSE(IsWindowVisible(pal));
  EXPECT_TRUE(IsWindowVisible(msg)) << "only windows with the attribute hide";
  drive::resume();
  ASSERT_TRUE(WaitNextEvent(osMask, &e, 1));
  EXPECT_EQ(u32(e.message) & resumeFlag, u32(resumeFlag));
  EXPECT_TRUE(IsWindowVisible(pal));
  DisposeWindow(pal);
  DisposeWindow(msg);
}

TEST_F(WindowServicesTest, TransitionsFocusAndCommands) {
  Rect r{100, 100, 200, 200};
  WindowRef w = nilid;
  CreateNewWindow(kDocumentWindowClass, 0, &r, &w);
  EXPECT_EQ(TransitionWindow(w, kWindowZoomTransitionEffect, kWindowShowTransitionAction, nullptr), noErr);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(TransitionWindow(w, kWindowZoomTransitionEffect, kWindowHideTransitionAction, &r), noErr);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(SetUserFocusWindow(w), noErr);
  EXPECT_EQ(GetUserFocusWindow(), w);
  HICommand bfrt{0, kHICommandBringAllToFront, 0, 0, 0};
  EXPECT_EQ(ProcessHICommand(&bfrt), noErr);
  HICommand other{0, fourcc("xxxx"), 0, 0, 0};
  EXPECT_EQ(ProcessHICommand(&other), eventNotHandledErr);
  DisposeWindow(w);
  EXPECT_EQ(GetUserFocusWindow(), nilid);
  EXPECT_EQ(SetUserFocusWindow(w), errInvalidWindowRef);
}

class CustomDefinitionTest : public RuntimeTest {};

int customcleanups = 0;

// A definition whose window is its content plus a 10-pixel band above it: the band's left
// half is the close box, the right end the proxy icon, the rest the drag area.
i32 banddefinition(i16, WindowRef window, i16 message, std::intptr_t param) {
  Rect c;
  GetWindowBounds(window, kWindowContentRgn, &c);
  Rect band{i16(c.top - 10), c.left, c.top, c.right};
  switch (message) {
    case kWindowMsgHitTest: {
      Point p{i16(u32(param) >> 16), i16(param & 0xFFFF)};
      if (p.h < c.left || p.h >= c.right || p.v < band.top || p.v >= c.bottom) return wNoHit;
      if (p.v >= c.top) return wInContent;
      if (p.h < c.left + 20) return wInGoAway;
      if (p.h >= c.right - 10) return wInProxyIcon;
      return wInDrag;
    }
    case kWindowMsgGetRegion: {
      auto* rec = reinterpret_cast<GetWindowRegionRec*>(param);
      switch (rec->regionCode) {
        case kWindowStructureRgn: RectRgn(rec->winRgn, Rect{band.top, c.left, c.bottom, c.right}); return noErr;
        case kWindowContentRgn: RectRgn(rec->winRgn, c); return noErr;
        case kWindowCloseBoxRgn: RectRgn(rec->winRgn, Rect{band.top, c.left, c.top, i16(c.left + 20)}); return noErr;
        default: return errWindowRegionCodeInvalid;
      }
    }
    case kWindowMsgCleanUp: ++customcleanups; return 0;
    default: return 0;
  }
}

TEST_F(CustomDefinitionTest, ACustomDefinitionAnswersPartsAndRegions) {
  Rect c{100, 100, 200, 300};
  WindowRef w = nilid;
  ASSERT_EQ(CreateCustomWindow(banddefinition, 0, kDocumentWindowClass, 0, &c, &w), noErr);
  EXPECT_EQ(windowdefinitionid(w), -1);
  ShowWindow(w);
  WindowRef hit = nilid;
  EXPECT_EQ(FindWindow(Point{95, 105}, &hit), inGoAway);
  EXPECT_EQ(hit, w);
  EXPECT_EQ(FindWindow(Point{95, 295}, &hit), inProxyIcon);
  EXPECT_EQ(FindWindow(Point{95, 200}, &hit), inDrag);
  EXPECT_EQ(FindWindow(Point{150, 200}, &hit), inContent);
  EXPECT_EQ(FindWindow(Point{85, 200}, &hit), inDesk);
  Rect s;
  GetWindowBounds(w, kWindowStructureRgn, &s);
  EXPECT_EQ(s, (Rect{90, 100, 200, 300}));
  Rect widths;
  GetWindowStructureWidths(w, &widths);
  EXPECT_EQ(widths, (Rect{10, 0, 0, 0}));
  RgnHandle rgn = NewRgn();
  EXPECT_EQ(GetWindowRegion(w, kWindowCloseBoxRgn, rgn), noErr);
  EXPECT_EQ(regionbounds(rgn), (Rect{90, 100, 100, 120}));
  EXPECT_EQ(GetWindowRegion(w, kWindowGrowRgn, rgn), errWindowRegionCodeInvalid);
  DisposeRgn(rgn);
  MoveWindow(w, 10, 50, false);
  GetWindowBounds(w, kWindowStructureRgn, &s);
  EXPECT_EQ(s, (Rect{40, 10, 150, 210})) << "the definition follows the window";
  customcleanups = 0;
  DisposeWindow(w);
  EXPECT_EQ(customcleanups, 1);
}

}  // namespace
}  // namespace kv
