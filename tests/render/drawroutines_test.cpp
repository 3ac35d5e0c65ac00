// Drawing routines: pen visibility, the grow box, and erasing with the metal texture of metal
// windows, directly and through a metal card window's bottleneck procedures.
#include "render/drawroutines.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/qd/qd.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

constexpr u32 kBlack = 0x000000;
constexpr u32 kWhite = 0xFFFFFF;

u32 pixel(CGrafPtr gw, i32 x, i32 y) {
  PixMapHandle pm = GetPortPixMap(gw);
  u32 v;
  std::memcpy(&v, GetPixBaseAddr(pm) + std::ptrdiff_t(y) * GetPixRowBytes(pm) + x * 4, 4);
  return v & 0xFFFFFF;
}

u32 metal(i32 row, bool active) {
  RGBColor c = metalrowcolour(row, active);
  return (u32(c.red >> 8) << 16) | (u32(c.green >> 8) << 8) | u32(c.blue >> 8);
}

class DrawRoutinesTest : public RuntimeTest {
 protected:
  void TearDown() override {
    SetGWorld(0, 0);
    for (WindowRef w : windowlist()) DisposeWindow(w);
    for (GWorldPtr gw : worlds_) DisposeGWorld(gw);
    RuntimeTest::TearDown();
  }
  // A 32-bit world over (0, 0, h, w) filled with one colour.
  GWorldPtr world(i16 width, i16 height, u32 colour) {
    GWorldPtr gw = 0;
    Rect r{0, 0, height, width};
    EXPECT_EQ(NewGWorld(&gw, 32, &r, 0, 0, 0), noErr);
    worlds_.push_back(gw);
    fill(gw, colour);
    return gw;
  }
  static void fill(CGrafPtr gw, u32 colour) {
    PixMapHandle pm = GetPortPixMap(gw);
    Rect b;
    GetPortBounds(gw, &b);
    for (i32 y = 0; y < b.bottom; ++y)
      for (i32 x = 0; x < b.right; ++x) std::memcpy(GetPixBaseAddr(pm) + y * GetPixRowBytes(pm) + x * 4, &colour, 4);
  }
  // A shown window of 200 x 100; its port is filled black.
  WindowRef window(WindowAttributes attributes, CGrafPtr* port) {
    WindowRef w = nilid;
    Rect content{100, 100, 200, 300};
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, attributes, &content, &w), noErr);
    *port = GetWindowPort(w);
    EXPECT_EQ(portdepth(*port), 32);
    fill(*port, kBlack);
    ShowWindow(w);
    return w;
  }
  static i16 structuretop(WindowRef w) {
    Rect widths;
    GetWindowStructureWidths(w, &widths);
    return widths.top;
  }
  // Whether the world shows the metal texture of a window inside r and `outside` elsewhere.
  static void expectmetal(CGrafPtr gw, const Rect& r, i16 top, bool active, u32 outside) {
    Rect b;
    GetPortBounds(gw, &b);
    for (i32 y = 0; y < b.bottom; ++y)
      for (i32 x = 0; x < b.right; ++x) {
        const bool in = y >= r.top && y < r.bottom && x >= r.left && x < r.right;
        const u32 want = in ? metal(y + top, active) : outside;
        if (pixel(gw, x, y) != want) {
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << pixel(gw, x, y) << " not " << want;
          return;
        }
      }
  }

  std::vector<GWorldPtr> worlds_;
};

TEST_F(DrawRoutinesTest, PenVisibilityIsSetToTheWantedLevel) {
  GWorldPtr gw = world(10, 10, kWhite);
  GWorldPtr other = world(10, 10, kWhite);
  SetGWorld(other, 0);
  EXPECT_EQ(SetPortPenVisibility(gw, -3), -3);
  EXPECT_EQ(GetPortPenVisibility(gw), -3);
  EXPECT_EQ(SetPortPenVisibility(gw, 2), 2);
  EXPECT_EQ(SetPortPenVisibility(gw, 0), 0);
  EXPECT_EQ(currentportid(), other) << "the current port is kept";
  EXPECT_EQ(GetPortPenVisibility(other), 0);
  EXPECT_EQ(SetPortPenVisibility(0, -1), 0);
}

TEST_F(DrawRoutinesTest, EraseInAMetalWindowShowsTheTextureAlignedWithTheFrame) {
  CGrafPtr port = 0;
  WindowRef w = window(kWindowMetalAttribute | kWindowStandardDocumentAttributes, &port);
  ASSERT_TRUE(IsWindowHilited(w));
  GWorldPtr card = world(200, 100, kBlack);
  SetGWorld(card, 0);
  desk d{};
  d.window = w;
  const Rect r{10, 20, 30, 60};
  myEraseRect(&r, &d);
  const i16 top = structuretop(w);
  ASSERT_GT(top, 0);
  expectmetal(card, r, top, true, kBlack);
  expectmetal(port, r, top, true, kBlack);
  EXPECT_EQ(currentportid(), card);

  // Inactive windows show the inactive texture.
  HiliteWindow(w, false);
  const Rect r2{50, 0, 54, 200};
  myEraseRect(&r2, &d);
  EXPECT_EQ(pixel(card, 5, 51), metal(51 + top, false));
  EXPECT_NE(metal(51 + top, false), metal(51 + top, true));
}

TEST_F(DrawRoutinesTest, EraseIsStandardOutsideMetalWindowsAndWhileAFieldErases) {
  CGrafPtr plainport = 0, metalport = 0;
  WindowRef plain = window(kWindowStandardDocumentAttributes, &plainport);
  WindowRef metalwindow = window(kWindowMetalAttribute, &metalport);
  GWorldPtr card = world(200, 100, kBlack);
  SetGWorld(card, 0);
  const Rect r{0, 0, 10, 10};
  desk d{};
  d.window = plain;
  myEraseRect(&r, &d);
  EXPECT_EQ(pixel(card, 5, 5), kWhite);
  fill(card, kBlack);
  d.window = metalwindow;
  mainglobals().drawingfield = 1;
  myEraseRect(&r, &d);
  EXPECT_EQ(pixel(card, 5, 5), kWhite);
  EXPECT_EQ(pixel(metalport, 5, 5), kBlack) << "the window's port is not drawn";
  mainglobals().drawingfield = 0;
  // Without a window: the standard erase.
  fill(card, kBlack);
  myEraseRect(&r, nullptr);
  EXPECT_EQ(pixel(card, 5, 5), kWhite);
}

TEST_F(DrawRoutinesTest, MetalRegionEraseStaysWithinTheWindowPortsClip) {
  CGrafPtr port = 0;
  WindowRef w = window(kWindowMetalAttribute, &port);
  SetGWorld(port, 0);
  const Rect clip{0, 0, 40, 40};
  ClipRect(&clip);
  OwnedRegion rgn(NewRgn());
  SetRectRgn(rgn, 20, 20, 80, 80);
  myMetalEraseRgn(rgn, w);
  expectmetal(port, Rect{20, 20, 40, 40}, structuretop(w), true, kBlack);
  RgnHandle after = NewRgn();
  GetClip(after);
  EXPECT_EQ(regionbounds(after), clip) << "the port's clip is restored";
  DisposeRgn(after);
  // Without a valid port: the standard erase of the current port.
  GWorldPtr card = world(200, 100, kBlack);
  SetGWorld(card, 0);
  myMetalEraseRgn(rgn, 0);
  EXPECT_EQ(pixel(card, 30, 30), kWhite);
}

TEST_F(DrawRoutinesTest, MetalBottleneckProceduresEraseWithTheTextureAndDrawTheRestAsStandard) {
  CGrafPtr port = 0;
  WindowRef w = window(kWindowMetalAttribute, &port);
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.rectProc = PobjRTmetaleraserectproc;
  procs.rgnProc = PobjRTmetalerasergnproc;
  SetPortGrafProcs(port, &procs);
  SetGWorld(port, 0);
  const i16 top = structuretop(w);
  const Rect r{10, 10, 20, 30};
  EraseRect(&r);
  expectmetal(port, r, top, true, kBlack);
  const RGBColor red{0xFFFF, 0, 0};
  RGBForeColor(&red);
  PaintRect(&r);
  EXPECT_EQ(pixel(port, 15, 15), 0xFF0000u) << "painting goes to the standard procedure";
  RgnHandle rgn = NewRgn();
  SetRectRgn(rgn, 10, 10, 20, 20);
  EraseRgn(rgn);
  EXPECT_EQ(pixel(port, 15, 15), metal(15 + top, true));
  PaintRgn(rgn);
  EXPECT_EQ(pixel(port, 15, 15), 0xFF0000u);
  DisposeRgn(rgn);
  // A rectangle with its sides crossed is ignored for every verb.
  const Rect crossed{10, 30, 20, 10};
  EraseRect(&crossed);
  PaintRect(&crossed);
  EXPECT_EQ(pixel(port, 15, 15), 0xFF0000u);
  SetPortGrafProcs(port, nullptr);
}

TEST_F(DrawRoutinesTest, GrowBoxIsDrawnWithinItsCornerAndTheClipIsRestored) {
  CGrafPtr port = 0;
  WindowRef w = window(kWindowStandardDocumentAttributes, &port);
  GWorldPtr other = world(10, 10, kBlack);
  SetGWorld(other, 0);
  RgnHandle before = NewRgn();
  GetPortClipRegion(port, before);
  drawdgrow(w);
  EXPECT_EQ(currentportid(), other);
  RgnHandle after = NewRgn();
  GetPortClipRegion(port, after);
  EXPECT_TRUE(EqualRgn(before, after));
  int changed = 0;
  for (i32 y = 0; y < 100; ++y)
    for (i32 x = 0; x < 200; ++x) {
      const bool inbox = y >= 85 && x >= 185;
      if (pixel(port, x, y) != kBlack) {
        ++changed;
        EXPECT_TRUE(inbox) << x << "," << y;
      }
    }
  EXPECT_GT(changed, 100) << "the box is erased and its grip drawn";
  DisposeRgn(before);
  DisposeRgn(after);
  // A window without a grow box draws nothing.
  CGrafPtr fixedport = 0;
  WindowRef fixed = window(kWindowCloseBoxAttribute, &fixedport);
  drawdgrow(fixed);
  EXPECT_EQ(pixel(fixedport, 195, 95), kBlack);
  drawdgrow(0);
}

}  // namespace
}  // namespace kv
