// Project windows as their window records ask: the definition, kind, class, attributes and
// background of each style, the card's scroll bars, the placement on the screen, and the port
// routines that work on a project window.
#include <gtest/gtest.h>

#include <vector>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "shell/windowstyle.h"
#include "store/records.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class WindowStyleTest : public WindowTest {
 protected:
  // Opens the one window of a project whose window record has these settings: the window as
  // the driver lists it.
  drive::WindowInfo openwith(u16 style, u32 flags, u16 themeback = 0, Rect rect = {100, 100, 300, 400},
                             std::string name = "Main") {
    testproject::Project p = testproject::small();
    testproject::Window& w = p.windows[0];
    w.style = style, w.flags = flags, w.themeback = themeback, w.rect = rect, w.name = name;
    const std::string file = "w" + std::to_string(++made) + ".kv45";
    build(p, file);
    EXPECT_EQ(open(file), 0);
    for (const drive::WindowInfo& info : drive::windows())
      if (info.window == current().window) return info;
    ADD_FAILURE() << "the window is not in the driver's list";
    return {};
  }
  static Rect usable() {
    Rect r{};
    GetAvailableWindowPositioningBounds(0, &r);
    return r;
  }
  int made = 0;
};

constexpr u32 kClose = 1, kZoom = 2, kGrow = 4;

TEST_F(WindowStyleTest, EachStyleGetsItsDefinitionKindClassAndBrush) {
  struct Case {
    u16 style;
    u32 flags;
    i16 procid, kind, brush;
    WindowClass wclass;
  } cases[] = {
      {0, kClose | kZoom | kGrow, 1031, 114, 5, kDocumentWindowClass},
      {0, kClose, 1024, 114, 5, kDocumentWindowClass},
      {1, kClose | kZoom, 8, 114, 15, kDocumentWindowClass},
      {3, 0, 1042, 114, 1, kModalWindowClass},
      {6, kClose | kZoom | kGrow | (1u << 4), 1087, 115, 7, kToolbarWindowClass},
      {6, 1u << 5, 1105, 115, 7, kToolbarWindowClass},
      {7, kClose | kZoom, 5, 114, 5, kMovableModalWindowClass},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << c.style << " flags " << c.flags);
    drive::WindowInfo w = openwith(c.style, c.flags);
    EXPECT_EQ(windowdefinitionid(w.window), c.procid);
    EXPECT_EQ(w.kind, c.kind);
    EXPECT_EQ(windowthemebrush(w.window), c.brush);
    EXPECT_EQ(w.windowclass, c.wclass);
  }
}

TEST_F(WindowStyleTest, AttributesFollowTheStyleAndFlags) {
  const WindowAttributes boxes = kWindowCloseBoxAttribute | kWindowFullZoomAttribute | kWindowCollapseBoxAttribute;
  drive::WindowInfo dialog = openwith(3, 0);
  u32 modality = 0;
  WindowRef parent = nilid;
  GetWindowModality(dialog.window, &modality, &parent);
  EXPECT_EQ(modality, kWindowModalityAppModal);

  drive::WindowInfo palette = openwith(6, kClose | kZoom | kGrow | (1u << 4));
  EXPECT_FALSE(palette.attributes & kWindowCollapseBoxAttribute);
  EXPECT_FALSE(palette.attributes & kWindowInWindowMenuAttribute);
  EXPECT_EQ(openwith(7, kClose | kZoom).attributes & boxes, 0u) << "a movable modal window has no boxes";
  EXPECT_TRUE(openwith(11, kClose).attributes & kWindowMetalAttribute);
  EXPECT_TRUE(openwith(0, kClose | (1u << 15)).attributes & kWindowNoShadowAttribute);
  EXPECT_FALSE(openwith(0, kClose).attributes & kWindowNoShadowAttribute);
  EXPECT_TRUE(openwith(0, kClose).attributes & kWindowInWindowMenuAttribute);
  EXPECT_FALSE(openwith(0, kClose | (1u << 8)).attributes & kWindowInWindowMenuAttribute);

  Str255 untitled;
  GetIndString(untitled, 1000, 4);
  EXPECT_EQ(openwith(0, kClose, 0, {100, 100, 300, 400}, "").title,
            std::string(reinterpret_cast<const char*>(untitled + 1), untitled[0]));
}

TEST_F(WindowStyleTest, OnlyAScrollingWindowShowsTheCardsScrollBars) {
  for (u16 style : {0, 1, 6}) {
    SCOPED_TRACE(testing::Message() << "style " << style);
    drive::WindowInfo w = openwith(style, kClose);
    const desk& d = current();
    Rect port{};
    GetWindowPortBounds(w.window, &port);
    ControlRef root = nilid;
    ASSERT_EQ(GetRootControl(w.window, &root), noErr);
    for (ControlRef bar : {d.hscroll, d.vscroll}) {
      ASSERT_TRUE(IsValidControlHandle(bar));
      EXPECT_EQ(IsControlVisible(bar), style == 1);
      EXPECT_EQ(GetControl32BitMinimum(bar), 0);
      ControlRef super = nilid;
      GetSuperControl(bar, &super);
      EXPECT_EQ(super, root);
    }
    Rect h{}, v{};
    GetControlBounds(d.hscroll, &h);
    GetControlBounds(d.vscroll, &v);
    // Opening the window lays them out over the port's edges, one pixel beyond.
    EXPECT_EQ(h, (Rect{i16(port.bottom - 15), i16(port.left - 1), i16(port.bottom + 1), i16(port.right - 14)}));
    EXPECT_EQ(v, (Rect{i16(port.top - 1), i16(port.right - 15), i16(port.bottom - 14), i16(port.right + 1)}));
  }
}

TEST_F(WindowStyleTest, BackgroundCodeChoosesTheBrush) {
  const std::pair<u16, i16> cases[] = {{0, 5}, {1, 15}, {8, 5}, {0x0F00, 15}};
  for (auto [code, brush] : cases)
    EXPECT_EQ(windowthemebrush(openwith(0, kClose, code).window), brush) << "code " << code;
}

TEST_F(WindowStyleTest, WindowsArePlacedOnTheScreen) {
  const Rect screen = usable();
  auto inside = [&](const drive::WindowInfo& w) {
    return w.content.top >= screen.top && w.structure.left >= screen.left && w.structure.bottom <= screen.bottom &&
           w.structure.right <= screen.right;
  };
  EXPECT_TRUE(inside(openwith(0, kClose, 0, {200, i16(screen.right - 100), 400, i16(screen.right + 300)})));
  drive::WindowInfo big = openwith(0, kClose, 0, {40, 0, i16(screen.bottom + 400), i16(screen.right + 400)});
  EXPECT_TRUE(inside(big));
  EXPECT_GE(big.structure.right - big.structure.left, screen.right - screen.left - 2) << "shrunk to the screen";
  const Rect off{-3000, -3000, -2800, -2700};
  EXPECT_EQ(openwith(0, kClose, 0, off).content, off) << "a window off every screen keeps its place";

  drive::WindowInfo centred = openwith(0, kClose | (1u << 6), 0, {60, 10, 260, 310});
  EXPECT_NEAR((centred.content.left + centred.content.right) / 2, (screen.left + screen.right) / 2, 1);
  EXPECT_NEAR((centred.content.top + centred.content.bottom) / 2, (screen.top + screen.bottom) / 2, 1);
  EXPECT_EQ(loadat<windrec>(deref(current().wind)).rect1, centred.content) << "the record keeps the window's place";
}

TEST_F(WindowStyleTest, PortRoutinesOfAProjectWindow) {
  drive::WindowInfo w = openwith(1, kClose);
  const desk& d = current();
  SetControl32BitMaximum(d.hscroll, 100);
  SetControl32BitMaximum(d.vscroll, 100);
  SetControl32BitValue(d.hscroll, 20);
  SetControl32BitValue(d.vscroll, 30);
  modeup(w.window);
  Rect port{}, clip{};
  GetPortBounds(currentportid(), &port);
  EXPECT_EQ(port.left, 20);
  EXPECT_EQ(port.top, 30);
  RgnHandle rgn = NewRgn();
  GetClip(rgn);
  clip = regionbounds(rgn);
  DisposeRgn(rgn);
  EXPECT_EQ(clip, (Rect{port.top, port.left, i16(port.bottom - 15), i16(port.right - 15)}));
  modedown(w.window);
  GetPortBounds(currentportid(), &port);
  EXPECT_EQ(port.left, 0);
}

TEST_F(WindowStyleTest, RowBytesPatternsAndDevices) {
  const std::pair<i16, u16> rows[] = {{1, 4}, {8, 20}, {16, 34}, {32, 68}};
  const Rect r{0, 3, 5, 20};
  for (auto [depth, rowbytes] : rows) {
    u32 size = 0;
    u16 rb = 0;
    calcsizewidth(&r, &size, &rb, depth);
    EXPECT_EQ(rb, rowbytes) << depth;
    EXPECT_EQ(size, u32(rowbytes) * 5) << depth;
  }
  Pattern p{};
  initpat(&p, 0xAA55AA55, 0xAA55AA55);
  EXPECT_EQ(compat(&p, &qdgray), 1);
  initpat(&p, 0xAA55AA55, 0xAA55AA54);
  EXPECT_EQ(compat(&p, &qdgray), 0);

  // A black-and-white bit map given to a port is what the port draws into and reads.
  std::vector<u8> pixels(2 * 4, 0);
  BitMap bits{pixels.data(), 2, Rect{0, 0, 4, 16}};
  CGrafPtr port = nilid;
  openport(&port);
  setportbits(&bits, 0);
  const Rect dot{1, 8, 2, 9};
  PaintRect(&dot);
  EXPECT_EQ(pixels[2 + 1], 0x80);
  BitMap seen{};
  getportbits(&seen);
  EXPECT_EQ(seen.baseAddr, pixels.data());
  EXPECT_EQ(seen.bounds, bits.bounds);
  closeport(port);

  GDHandle d = 12345;
  EXPECT_EQ(indextodevice(0, &d), 0);
  EXPECT_EQ(d, 12345u) << "an index below 1 leaves the answer alone";
  EXPECT_EQ(indextodevice(1, &d), 1);
  EXPECT_EQ(d, GetMainDevice());
  i16 count = 0;
  for (GDHandle g = GetDeviceList(); g; g = GetNextDevice(g)) ++count;
  EXPECT_EQ(indextodevice(i16(count + 1), &d), 0);
  EXPECT_EQ(d, 0u);
}

}  // namespace
}  // namespace kv
