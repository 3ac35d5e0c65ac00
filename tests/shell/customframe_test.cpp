// Windows of the custom styles shaped by named graphics on their background: the outline
// and its holes on the screen and in hit testing, the close box and drag area; metal windows'
// grow grip; collapse and expand as messages; plain showing without a transition.
#include <gtest/gtest.h>

#include "platform/events/handlers.h"
#include "platform/memory/memory.h"
#include "platform/qd/pixels.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/screens.h"
#include "shell/customframe.h"
#include "core/mainglobals.h"
#include "render/windowupkeep.h"
#include "shell/metal.h"
#include "store/objects.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Object;

// A filled graphic: hit testing finds a point anywhere inside it.
Object graphic(std::string name, u16 style, Rect r) {
  Object o;
  o.kind = Object::graphic;
  o.showfill = 1;
  o.name = std::move(name);
  o.style = style;
  o.rect = r;
  return o;
}

class CustomFrameTest : public EventLoopTest {
 protected:
  // Opens a window of the style whose background holds these objects: its content rectangle.
  Rect openwith(u16 style, std::vector<Object> objects) {
    testproject::Project p = project();
    p.windows[0].style = style;
    p.windows[0].backgrounds[0].objects = std::move(objects);
    const std::string file = "c" + std::to_string(++made) + ".kv45";
    EXPECT_EQ(openproject(p, file), 0);
    Rect r{};
    GetWindowBounds(current().window, kWindowContentRgn, &r);
    return r;
  }
  // The global point of a point of the card.
  Point globalpt(const Rect& content, i16 h, i16 v) { return Point{i16(content.top + v), i16(content.left + h)}; }
  i16 part(Point where) {
    WindowRef w = nilid;
    return FindWindow(where, &w);
  }
  i32 hit(Point where) {
    return widget(0, current().window, kWindowMsgHitTest, std::intptr_t((u32(u16(where.v)) << 16) | u16(where.h)));
  }
  int made = 0;
};

const Rect kOutline{20, 20, 200, 300};
const Rect kHole{60, 60, 120, 140};

TEST_F(CustomFrameTest, KnockoutsCutHolesThatShowTheDesktop) {
  const Rect c = openwith(8, {graphic("structureRgn", 100, kOutline), graphic("knockoutRgn", 102, kHole)});
  const Point hole = globalpt(c, 100, 90), solid = globalpt(c, 40, 30), outside = globalpt(c, 250, 250);
  EXPECT_EQ(part(hole), inDesk);
  EXPECT_EQ(part(solid), inContent);
  EXPECT_EQ(part(outside), inDesk);
  const Rect screen = screenbounds(0);
  const u32 desktop = drive::screenpixel(Point{i16(screen.bottom - 2), i16(screen.left + 2)});
  EXPECT_EQ(drive::screenpixel(hole), desktop);
  EXPECT_NE(drive::screenpixel(solid), desktop);

  // Order and case: a knockout before the outline cuts nothing; the names ignore case.
  const Rect d = openwith(8, {graphic("knockoutRgn", 102, kHole), graphic("STRUCTURERGN", 100, kOutline)});
  EXPECT_EQ(part(globalpt(d, 100, 90)), inContent);
  EXPECT_EQ(part(globalpt(d, 250, 250)), inDesk);
}

TEST_F(CustomFrameTest, WithoutAnOutlineThePortIsStructureAndContent) {
  const Rect c = openwith(8, {graphic("knockoutRgn", 102, kHole)});
  Rect structure{};
  GetWindowBounds(current().window, kWindowStructureRgn, &structure);
  EXPECT_EQ(structure, c);
  RgnHandle rgn = NewRgn();
  GetWindowRegionRec rec{rgn, 9};
  EXPECT_EQ(widget(0, current().window, kWindowMsgGetRegion, std::intptr_t(&rec)), errWindowRegionCodeInvalid);
  DisposeRgn(rgn);
}

TEST_F(CustomFrameTest, ABitmapOutlineIsItsNonWhitePixels) {
  // 16 x 4 pixels, 1 bit a pixel, two bytes a row: a diagonal of set bits and a full last row.
  Object bits = graphic("structureRgn", 105, Rect{40, 40, 44, 56});
  bits.data = {0x80, 0x01, 0x40, 0x02, 0x20, 0x04, 0xFF, 0xFF};
  const Rect c = openwith(8, {bits});
  RgnHandle rgn = NewRgn();
  GetWindowRegion(current().window, kWindowStructureRgn, rgn);
  for (i16 v = 0; v < 4; ++v)
    for (i16 h = 0; h < 16; ++h) {
      const bool set = bits.data[std::size_t(v * 2 + h / 8)] & (0x80 >> (h % 8));
      EXPECT_EQ(PtInRgn(globalpt(c, i16(40 + h), i16(40 + v)), rgn), set) << h << "," << v;
    }
  EXPECT_FALSE(PtInRgn(globalpt(c, 39, 40), rgn));
  DisposeRgn(rgn);
}

// A hollow square outline is solid: the white it encloses belongs to the window, the white
// outside it to the desktop, whether its pixels are 1-bit or 8-bit.
TEST_F(CustomFrameTest, AHollowBitmapOutlineTakesTheWhiteItEncloses) {
  constexpr i16 kSide = 16;
  for (bool colour : {false, true}) {
    // A square frame 2 pixels wide inside a 16 x 16 bitmap with a white margin of 2.
    const i32 rowbytes = colour ? kSide : 2;
    std::vector<u8> image(std::size_t(rowbytes * kSide), 0);
    for (i32 v = 2; v < kSide - 2; ++v)
      for (i32 h = 2; h < kSide - 2; ++h) {
        if (v >= 4 && v < kSide - 4 && h >= 4 && h < kSide - 4) continue;
        if (colour) image[std::size_t(v * rowbytes + h)] = 255;  // black in the standard table
        else image[std::size_t(v * rowbytes + h / 8)] |= u8(0x80 >> (h % 8));
      }
    Object bits = testproject::bitmap(Rect{40, 40, i16(40 + kSide), i16(40 + kSide)}, colour, image);
    bits.name = "structureRgn";
    const Rect c = openwith(8, {bits});
    SCOPED_TRACE(colour ? "8-bit" : "1-bit");
    EXPECT_EQ(part(globalpt(c, 48, 48)), inContent) << "the enclosed white";
    EXPECT_EQ(part(globalpt(c, 43, 43)), inContent) << "the outline";
    EXPECT_EQ(part(globalpt(c, 41, 48)), inDesk) << "the white margin outside it";
  }
}

// Groups nested in memory deeper than a stored record may hold add nothing.
TEST_F(CustomFrameTest, OutlinesOfGroupsStopAtTheStoredDepth) {
  openwith(8, {});
  auto nest = [](int depth) {
    spot s{};
    defaultspot(s);
    s.style = 100;
    s.rect = Rect{10, 10, 50, 50};
    Handle list = NewHandle(0);
    PtrAndHand(&s, list, sizeof s);
    for (int i = 0; i < depth; ++i) {
      spot g{};
      defaultspot(g);
      g.style = 108;
      g.rect = s.rect;
      g.data = list;
      list = NewHandle(0);
      PtrAndHand(&g, list, sizeof g);
    }
    return list;
  };
  for (auto [depth, empty] : {std::pair{10, false}, std::pair{kMaxGroupDepth + 5, true}}) {
    Handle list = nest(depth);
    RgnHandle rgn = NewRgn();
    CookRegions(reinterpret_cast<const u8*>("\x08"
                                            "closeRgn"),
                list, current().window, rgn, true, 2);
    EXPECT_EQ(EmptyRgn(rgn), empty) << depth;
    DisposeRgn(rgn);
    while (list != nilhandle) {
      Handle inner = spotat(list, 0).style == 108 ? spotat(list, 0).data : nilhandle;
      DisposeHandle(list);
      list = inner;
    }
  }
}

TEST_F(CustomFrameTest, CloseBoxAndDragAreaFromTheirGraphics) {
  Object group = graphic("closeRgn", 108, Rect{0, 200, 20, 260});
  group.nested = {graphic("", 100, Rect{0, 240, 20, 260})};
  const Rect c = openwith(8, {graphic("structureRgn", 100, Rect{0, 0, 300, 400}),
                              graphic("closeRgn", 100, Rect{0, 0, 20, 20}),
                              graphic("dragRgn", 100, Rect{0, 20, 20, 200}), group});
  const Point close = globalpt(c, 10, 10), grouped = globalpt(c, 250, 10), drag = globalpt(c, 100, 10),
              body = globalpt(c, 100, 100);
  HiliteWindow(current().window, true);
  EXPECT_EQ(hit(close), wInGoAway);
  EXPECT_EQ(hit(grouped), wInGoAway) << "an unnamed member of a closeRgn group";
  EXPECT_EQ(hit(drag), wInDrag);
  EXPECT_EQ(hit(body), wInContent);
  HiliteWindow(current().window, false);
  EXPECT_EQ(hit(close), wInContent) << "no close box while the window is not hilited";

  // The pressed look: the close box's pixels invert and come back.
  const u32 before = drive::pixelat(drive::windowpixels(current().window), 10, 10);
  HiliteWindow(current().window, true);
  widget(0, current().window, kWindowMsgDraw, wInGoAway);
  const u32 pressed = drive::pixelat(drive::windowpixels(current().window), 10, 10);
  EXPECT_EQ(pressed & 0xFFFFFF, ~before & 0xFFFFFF);
  EXPECT_EQ(drive::pixelat(drive::windowpixels(current().window), 100, 100) & 0xFFFFFF,
            drive::pixelat(drive::windowpixels(current().window), 100, 101) & 0xFFFFFF);
  widget(0, current().window, kWindowMsgDraw, wInGoAway);
  EXPECT_EQ(drive::pixelat(drive::windowpixels(current().window), 10, 10), before);
}

TEST_F(CustomFrameTest, MetalGrowGrip) {
  openwith(11, {});
  const WindowRef w = current().window;
  myDrawMetalGrow(w);
  Rect port{};
  GetWindowPortBounds(w, &port);
  const Frame f = drive::windowpixels(w);
  auto grey = [](u32 level) { return level << 16 | level << 8 | level; };
  EXPECT_EQ(drive::pixelat(f, i16(port.right - 2), i16(port.bottom - 16)) & 0xFFFFFF, grey(49));
  EXPECT_EQ(drive::pixelat(f, i16(port.right - 2), i16(port.bottom - 3)) & 0xFFFFFF, grey(236));
  EXPECT_EQ(drive::pixelat(f, i16(port.right - 2), i16(port.bottom - 2)) & 0xFFFFFF, grey(213));

  Rect c{};
  GetWindowBounds(w, kWindowContentRgn, &c);
  EXPECT_TRUE(IsGrowClickInMetalWindow(w, Point{i16(c.bottom - 1), i16(c.right - 1)}));
  EXPECT_TRUE(IsGrowClickInMetalWindow(w, Point{i16(c.bottom - 15), i16(c.right - 15)}));
  EXPECT_FALSE(IsGrowClickInMetalWindow(w, Point{i16(c.bottom - 16), i16(c.right - 1)}));
  EXPECT_FALSE(IsGrowClickInMetalWindow(w, Point{i16(c.bottom - 1), i16(c.right - 16)}));
}

// The grow box of a resizable metal window is its grip, drawn with the window's scroll bars.
TEST_F(CustomFrameTest, TheGrowBoxOfAMetalWindowIsItsGrip) {
  openwith(11, {});
  const WindowRef w = current().window;
  const CGrafPtr port = GetWindowPort(w);
  Rect bounds{};
  GetPortBounds(port, &bounds);
  {
    // The grip's corner painted over (the port's visible region taken whole again).
    SavePort saved;
    SetPort(port);
    RgnHandle all = NewRgn();
    RectRgn(all, bounds);
    SetPortVisibleRegion(port, all);
    DisposeRgn(all);
    const Rect corner{i16(bounds.bottom - 20), i16(bounds.right - 20), bounds.bottom, bounds.right};
    FillRect(&corner, &qdwhite);
  }
  const Point at{i16(bounds.bottom - 16), i16(bounds.right - 2)};
  ASSERT_EQ(drive::pixelat(drive::windowpixels(w), at.h, at.v) & 0xFFFFFF, 0xFFFFFFu);
  drawgrow(&current());
  EXPECT_EQ(drive::pixelat(drive::windowpixels(w), at.h, at.v) & 0xFFFFFF, 0x313131u) << "the grip's first line";
}

TEST_F(CustomFrameTest, CollapseAndExpandAreMessagesToTheCard) {
  testproject::Project p = project();
  p.windows[0].cards[0].script +=
      "\non collapseWindow\n  global cx\n  put \"c\" after cx\nend collapseWindow\n"
      "on expandWindow\n  global cx\n  put \"e\" after cx\nend expandWindow";
  ASSERT_EQ(openproject(p), 0);
  drive::collapseWindow(current().window, true);
  drive::collapseWindow(current().window, false);
  settle();
  EXPECT_EQ(global("cx"), "ce");

  ScopedEvent ev(kEventClassWindow, kEventWindowCollapsed);
  const Rect r{50, 50, 100, 100};
  WindowRef other = nilid;
  ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &other), noErr);
  SetEventParameter(ev, kEventParamDirectObject, typeWindowRef, sizeof other, &other);
  EXPECT_EQ(PappRTExpandCollapseWindowProc(0, ev, 0), eventNotHandledErr) << "a window not in the table";
  DisposeWindow(other);
}

TEST_F(CustomFrameTest, ShowingWithoutATransitionPlaceIsPlain) {
  openwith(0, {});
  const WindowRef w = current().window;
  MainGlobals& g = mainglobals();
  g.allowTransitions = 1;
  g.transitionLoc = Point{-32767, -32767};
  myHideWindow(w);
  EXPECT_FALSE(IsWindowVisible(w));
  myShowWindow(w);
  EXPECT_TRUE(IsWindowVisible(w));
}

}  // namespace
}  // namespace kv
