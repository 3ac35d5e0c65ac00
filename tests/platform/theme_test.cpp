// Theme services of the window layer: metrics, the metal texture, brushes, the drawing state,
// focus rings and frames, the grow icon and frozen screen updates.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/backend/headless.h"
#include "platform/qd/qd.h"
#include "platform/windows/compositor.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "tests/platform/qdtesthelp.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using ThemeTest = RuntimeTest;

u32 xrgb(const RGBColor& c) { return (u32(c.red >> 8) << 16) | (u32(c.green >> 8) << 8) | u32(c.blue >> 8); }

TEST_F(ThemeTest, MetalTextureRowsStartAtTheBoundsAndStayWithinTheClip) {
  OwnedWorld gw(qdtest::world(32, 20, 20));
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  PenSize(3, 3);
  const Rect clip{0, 0, 20, 10};
  ClipRect(&clip);
  EXPECT_EQ(drawthemebackground(Rect{-5, 0, 20, 20}, kThemeBackgroundMetal, true), noErr);
  for (i32 y = 0; y < 20; ++y) {
    EXPECT_EQ(qdtest::pixel(gw, 3, y) & 0xFFFFFF, xrgb(metalrowcolour(y + 5, true))) << y;
    EXPECT_EQ(qdtest::pixel(gw, 15, y) & 0xFFFFFF, 0xFFFFFFu) << "outside the clip";
  }
  RGBColor fore;
  GetForeColor(&fore);
  EXPECT_EQ(fore, red) << "the pen and colours are put back";
  Point size;
  GetPortPenSize(gw, &size);
  EXPECT_EQ(size.h, 3);
  EXPECT_EQ(drawthemebackground(Rect{0, 0, 5, 5}, 1, true), paramErr);
  EXPECT_NE(metalrowcolour(3, true), metalrowcolour(3, false));
  EXPECT_NE(metalrowcolour(2, true), metalrowcolour(3, true)) << "a texture, not a flat grey";
  SetGWorld(0, 0);
}

TEST_F(ThemeTest, BrushesStateRingsAndFrames) {
  OwnedWorld gw(qdtest::world(32, 20, 20));
  RGBColor c{}, want{};
  ASSERT_EQ(SetThemeBackground(1, 32, true), noErr);
  GetBackColor(&c);
  ASSERT_TRUE(themebrushcolour(1, true, &want));
  EXPECT_EQ(c, want);
  ASSERT_EQ(SetThemePen(7, 1, true), noErr);
  GetForeColor(&c);
  EXPECT_EQ(c, (RGBColor{0xFFFF, 0xFFFF, 0xFFFF})) << "a light grey is white at one bit";
  EXPECT_EQ(SetThemePen(99, 32, true), paramErr);
  GetForeColor(&c);
  EXPECT_EQ(c, (RGBColor{0xFFFF, 0xFFFF, 0xFFFF})) << "an unknown brush changes nothing";

  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  PenSize(3, 3);
  ThemeDrawingState state = nilhandle;
  ASSERT_EQ(GetThemeDrawingState(&state), noErr);
  NormalizeThemeDrawingState();
  GetForeColor(&c);
  EXPECT_EQ(c, (RGBColor{0, 0, 0}));
  ASSERT_EQ(SetThemeDrawingState(state, true), noErr);
  GetForeColor(&c);
  EXPECT_EQ(c, red);
  Point size{};
  GetPortPenSize(gw, &size);
  EXPECT_EQ(size, (Point{3, 3}));

  const Rect r{5, 5, 10, 10};
  ASSERT_EQ(DrawThemeFocusRect(&r, true), noErr);
  ASSERT_TRUE(themebrushcolour(46, true, &want));
  EXPECT_EQ(qdtest::pixel(gw, 2, 7), xrgb(want)) << "three pixels outside the shape";
  EXPECT_EQ(qdtest::pixel(gw, 1, 7), 0xFFFFFFu);
  EXPECT_EQ(qdtest::pixel(gw, 5, 7), 0xFFFFFFu) << "the inside is left";
  DrawThemeFocusRect(&r, false);
  ASSERT_TRUE(themebrushcolour(46, false, &want));
  EXPECT_EQ(qdtest::pixel(gw, 4, 7), xrgb(want));
  GetForeColor(&c);
  EXPECT_EQ(c, red) << "the port's colours are put back";

  const Rect box{12, 12, 18, 18};
  ASSERT_EQ(DrawThemeEditTextFrame(&box, kThemeStateActive), noErr);
  EXPECT_NE(qdtest::pixel(gw, 11, 14), 0xFFFFFFu) << "one pixel outside";
  EXPECT_EQ(qdtest::pixel(gw, 12, 14), 0xFFFFFFu);
  SetGWorld(0, 0);
}

TEST_F(ThemeTest, MetalWindowFramesShowTheSameTexture) {
  WindowRef w = nilid;
  Rect content{100, 100, 200, 300};
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowMetalAttribute | kWindowCloseBoxAttribute, &content, &w),
            noErr);
  ShowWindow(w);
  Rect structure;
  GetWindowBounds(w, kWindowStructureRgn, &structure);
  const Frame& f = composescreen();
  for (i32 row : {1, 2, 3, 7}) {
    const i32 y = structure.top + row;
    EXPECT_EQ(f.pixels[size_t(y) * size_t(f.width) + size_t(structure.left + 40)], xrgb(metalrowcolour(row, true)))
        << row;
  }
  DisposeWindow(w);
}

TEST_F(ThemeTest, ScreenUpdatesAreFrozenUntilTheLastEnable) {
  backend();
  HeadlessBackend& hb = *headlessbackend();
  presentscreen();
  const u32 before = hb.presentcount();
  DisableScreenUpdates();
  DisableScreenUpdates();
  screenchanged();
  presentscreen();
  EnableScreenUpdates();
  presentscreen();
  EXPECT_EQ(hb.presentcount(), before);
  EnableScreenUpdates();
  EXPECT_EQ(hb.presentcount(), before + 1);
  EnableScreenUpdates();  // one too many: nothing happens
  EXPECT_FALSE(screenupdatesdisabled());
  EXPECT_EQ(hb.presentcount(), before + 1);
}

}  // namespace
}  // namespace kv
