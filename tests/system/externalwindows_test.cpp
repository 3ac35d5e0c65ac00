// The windows of externals: making them, their place in the two layers, moving and sizing.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/windows/windows.h"
#include "render/offscreen.h"
#include "system/externalwindows.h"
#include "system/windowkind.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

constexpr Rect kBounds{100, 100, 200, 300};

class ExternalWindowTest : public RuntimeTest {
 protected:
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  // A window of the runtime's own: a project window, a palette or the message box.
  WindowRef runtimewindow(i16 kind, bool visible = true) {
    WindowRef w = nilid;
    WindowClass c = kind == kindprojectwindow ? kDocumentWindowClass : kFloatingWindowClass;
    EXPECT_EQ(CreateNewWindow(c, 0, &kBounds, &w), noErr);
    SetWindowKind(w, kind);
    if (visible) ShowWindow(w);
    return w;
  }
  WindowRef external(bool floating = false, bool visible = true, i32 definition = kWindowDocumentProc) {
    return PNewWin(&kBounds, reinterpret_cast<const u8*>("\x02xw"), visible, definition, true, floating);
  }
  static i32 indexof(WindowRef w) {
    std::vector<WindowRef> list = windowlist();
    return i32(std::find(list.begin(), list.end(), w) - list.begin());
  }
  static Rect content(WindowRef w) {
    Rect r{};
    GetWindowBounds(w, kWindowContentRgn, &r);
    return r;
  }
  static void expectrect(const Rect& r, Rect want) {
    EXPECT_EQ(r.top, want.top);
    EXPECT_EQ(r.left, want.left);
    EXPECT_EQ(r.bottom, want.bottom);
    EXPECT_EQ(r.right, want.right);
  }
};

TEST_F(ExternalWindowTest, NewWindowsByLayer) {
  runtimewindow(kindprojectwindow);
  WindowRef f = external(true, true, 1985);
  ASSERT_NE(f, nilid);
  EXPECT_EQ(GetWindowKind(f), kindxfloating);
  WindowClass c = 0;
  WindowAttributes a = 0;
  GetWindowClass(f, &c);
  GetWindowAttributes(f, &a);
  EXPECT_EQ(c, 12u);
  EXPECT_EQ(a, 0x11u);
  EXPECT_EQ(indexof(f), 0) << "at the very front";
  EXPECT_TRUE(IsWindowVisible(f));
  u8 title[256] = {};
  GetWTitle(f, title);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(title + 1), title[0]), "xw");

  WindowRef d = external(false, false);
  ASSERT_NE(d, nilid);
  GetWindowClass(d, &c);
  GetWindowAttributes(d, &a);
  EXPECT_EQ(GetWindowKind(d), kindxwindow);
  EXPECT_EQ(c, 6u);
  EXPECT_EQ(a, 0x17u);
  EXPECT_FALSE(IsWindowVisible(d));
}

TEST_F(ExternalWindowTest, ADocumentWindowGoesBehindTheRuntimesFloatingWindows) {
  struct Case {
    bool palette, paletteshown, messagebox;
  };
  for (Case k : {Case{true, false, false}, Case{false, false, true}, Case{true, true, true}}) {
    runtimewindow(kindprojectwindow);
    WindowRef back = nilid;
    if (k.palette) back = runtimewindow(kindpalettewindow, k.paletteshown);
    if (k.messagebox) {
      WindowRef box = runtimewindow(kindmessagebox, false);
      if (back == nilid || indexof(box) > indexof(back)) back = box;
    }
    WindowRef d = external();
    EXPECT_EQ(indexof(d), indexof(back) + 1) << k.palette << k.paletteshown << k.messagebox;
    for (WindowRef w : windowlist()) DisposeWindow(w);
  }
  EXPECT_EQ(indexof(external()), 0) << "with none, at the front";
}

TEST_F(ExternalWindowTest, AWindowThePlatformRefusesLeavesNothing) {
  std::size_t before = windowcount();
  EXPECT_EQ(external(false, true, -1), nilid);
  EXPECT_EQ(PNewWin(nullptr, nullptr, true, 0, true, false), nilid);
  EXPECT_EQ(windowcount(), before);
}

TEST_F(ExternalWindowTest, PlacesInTheOrdinaryLayer) {
  WindowRef c = external(), b = external(), a = external();
  i16 position = -5;
  u16 floating = 9;
  PGetWinPosition(b, &position, &floating);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(floating, 0);

  PSetWinPosition(b, 1);
  EXPECT_EQ(windowlist(), (std::vector<WindowRef>{b, a, c})) << "one step to the front";
  PSetWinPosition(b, -1);
  EXPECT_EQ(windowlist(), (std::vector<WindowRef>{a, b, c})) << "one step back";
  PSetWinPosition(a, -32768);
  EXPECT_EQ(windowlist(), (std::vector<WindowRef>{b, c, a})) << "behind the last of its layer";
  for (i16 steps : {i16(32767), i16(0)}) {
    PSetWinPosition(b, -2);
    ASSERT_NE(windowlist().front(), b);
    PSetWinPosition(b, steps);
    EXPECT_EQ(windowlist().front(), b) << steps << " selects it";
  }
}

TEST_F(ExternalWindowTest, PlacesInTheFloatingLayerAndOfHiddenWindows) {
  external();
  u16 first = 0, last = 0, firstfloat = 0, lastfloat = 0, at = 0;
  locatepositions(nilid, &first, &last, &firstfloat, &lastfloat, &at);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(firstfloat, kNoPosition);
  EXPECT_EQ(lastfloat, kNoPosition);
  EXPECT_EQ(at, kNoPosition);

  runtimewindow(kindpalettewindow);
  WindowRef f = external(true, true, 1985);
  i16 position = -5;
  u16 floating = 9;
  PGetWinPosition(f, &position, &floating);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(floating, 1);

  WindowRef hidden = external(false, false);
  position = 42;
  PGetWinPosition(hidden, &position, &floating);
  EXPECT_EQ(position, 42);
  EXPECT_EQ(floating, 0);
  std::vector<WindowRef> before = windowlist();
  PSetWinPosition(hidden, 1);
  EXPECT_EQ(windowlist(), before) << "a window in neither layer stays";
}

TEST_F(ExternalWindowTest, MovingAndSizing) {
  WindowRef front = external();
  WindowRef w = external();
  PSetWinPosition(w, -1);
  ASSERT_EQ(ActiveNonFloatingWindow(), front);

  PMoveWin(w, Point{50, 60}, false);
  expectrect(content(w), {50, 60, 150, 260});
  EXPECT_EQ(ActiveNonFloatingWindow(), front) << "moving does not activate";

  SetWindowBounds(w, kWindowContentRgn, &kBounds);
  PSizeWin(w, 100, 60, true);
  expectrect(content(w), {120, 150, 180, 250});
  PSizeWin(w, 40, 30, false);
  expectrect(content(w), {120, 150, 150, 190});

  SetWindowBounds(w, kWindowContentRgn, &kBounds);
  PMoveWin(w, Point{300, 400}, true);
  expectrect(content(w), {250, 300, 350, 500});
  // The centre is worked in 32 bits and kept within the coordinate range.
  PMoveWin(w, Point{-32768, -32768}, true);
  expectrect(content(w), {-32768, -32768, -32718, -32668});
  // Centred changes keep the window within the drawing bounds.
  SetOffScreenBounds(Rect{0, 0, 200, 300});
  SetWindowBounds(w, kWindowContentRgn, &kBounds);
  PSizeWin(w, 1000, 800, true);
  EXPECT_EQ(content(w).right - content(w).left, 300);
  EXPECT_EQ(content(w).bottom - content(w).top, 200);
}

TEST_F(ExternalWindowTest, AnIdThatIsNotALiveWindowChangesNothing) {
  WindowRef a = external();
  WindowRef b = external();
  DisposeWindow(b);
  NewRegion region;
  for (WindowRef id : {b, region.get(), GetWindowPort(a)}) {
    std::vector<WindowRef> list = windowlist();
    PMoveWin(id, Point{5, 5}, false);
    PMoveWin(id, Point{5, 5}, true);
    PSizeWin(id, 10, 10, true);
    PSizeWin(id, 10, 10, false);
    PSetWinPosition(id, 0);
    PSetWinPosition(id, -1);
    i16 position = 42;
    u16 floating = 9;
    PGetWinPosition(id, &position, &floating);
    EXPECT_EQ(position, 42);
    EXPECT_EQ(floating, 9);
    EXPECT_EQ(windowlist(), list);
    expectrect(content(a), kBounds);
  }
}

}  // namespace
}  // namespace kv
