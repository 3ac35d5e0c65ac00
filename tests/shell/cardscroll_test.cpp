// The card's scroll bars and the port's origin: the interior, the bars' ranges, view sizes and
// places, a card that no longer needs scrolling, the origin at the scroll position, and the grow
// box cut out of a resizable metal window; the bars' action: arrows that shift the pixels and
// draw only the strip they uncover, pages and the thumb that redraw the interior.
#include "shell/cardscroll.h"

#include <gtest/gtest.h>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/qd/regions.h"
#include "render/windowclip.h"
#include "shell/commandline.h"
#include "shell/drawcase.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "system/proctable.h"
#include "tests/support/owned.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class CardScrollTest : public WindowTest {
 protected:
  // A window of a style whose port is 200 x 150, over a 300 x 200 card.
  void make(u16 style, u32 flags = 15, std::string_view name = "p.kv45",
            std::vector<testproject::Object> objects = {}) {
    testproject::Project p;
    testproject::Window w;
    w.style = style;
    w.flags = flags;
    w.rect = Rect{100, 100, 250, 300};
    testproject::Background b{"B", "", {}};
    b.width = 300;
    b.height = 200;
    w.backgrounds.push_back(b);
    testproject::Card c;
    c.objects = std::move(objects);
    w.cards.push_back(c);
    p.windows.push_back(w);
    build(p, name);
    ASSERT_EQ(open(name), 0);
  }
  // The scrolling window over a card with a red band at card rows 100-110.
  void banded() { make(1, 15, "p.kv45", {testproject::paint(Rect{100, 0, 110, 300}, 35)}); }
  // Rows of the interior's column 20 from `from` to `to`: r red, b black, . anything else.
  std::string column(i16 from, i16 to) {
    const Frame f = drive::windowpixels(current().window);
    std::string out;
    for (i16 v = from; v < to; ++v) {
      const u32 p = drive::pixelat(f, 20, v) & 0xFFFFFF;
      out += p == 0xFF0000 ? 'r' : p == 0 ? 'b' : '.';
    }
    return out;
  }
  // Paints the interior's rows [top, bottom) black, straight into the window's port.
  void blacken(i16 top, i16 bottom) {
    SavePort saved;
    SetPortWindowPort(current().window);
    lowclipdown();
    const Rect r{top, 0, bottom, 185};
    ClipRect(&r);
    PaintRect(&r);
  }
  static Rect bounds(ControlRef c) {
    Rect r{};
    GetControlBounds(c, &r);
    return r;
  }
};

TEST_F(CardScrollTest, TheBarsOfAScrollingWindowFollowTheCardAndTheInterior) {
  make(1);
  const desk& d = current();
  Rect interior{};
  getinterior(&interior);
  EXPECT_EQ(interior, (Rect{0, 0, 135, 185}));
  // Opening the window laid the bars out and set their ranges.
  EXPECT_EQ(GetControl32BitMaximum(d.hscroll), 115);
  EXPECT_EQ(GetControl32BitMaximum(d.vscroll), 65);
  EXPECT_EQ(GetControlViewSize(d.hscroll), 186);
  EXPECT_EQ(GetControlViewSize(d.vscroll), 136);
  EXPECT_EQ(bounds(d.vscroll), (Rect{-1, 185, 136, 201}));
  EXPECT_EQ(bounds(d.hscroll), (Rect{135, -1, 151, 186}));

  // A card narrower than the interior scrolls back horizontally; its height still needs the
  // vertical bar. The procedure table reaches the same routines.
  SetControl32BitValue(d.hscroll, 50);
  SetControl32BitValue(d.vscroll, 40);
  backrec b = loadat<backrec>(deref(d.back));
  b.width = 150;
  storeat<backrec>(deref(d.back), b);
  getproc<344>()();
  EXPECT_EQ(GetControl32BitValue(d.hscroll), 0);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 40);
  getproc<343>()();
  EXPECT_EQ(GetControl32BitMaximum(d.hscroll), 0);
  EXPECT_EQ(GetControl32BitMaximum(d.vscroll), 65);
}

TEST_F(CardScrollTest, TheOriginIsTheScrollPositionAndTheClipTheInterior) {
  make(1);
  const desk& d = current();
  SetControl32BitValue(d.hscroll, 30);
  SetControl32BitValue(d.vscroll, 20);
  lowclipup();
  SavePort saved;
  SetPortWindowPort(d.window);
  Rect port{};
  GetPortBounds(currentportid(), &port);
  EXPECT_EQ(port.left, 30);
  EXPECT_EQ(port.top, 20);
  NewRegion clip;
  GetClip(clip.get());
  EXPECT_EQ(regionbounds(clip.get()), (Rect{20, 30, 155, 215}));
  lowclipdown();
  GetPortBounds(currentportid(), &port);
  EXPECT_EQ(port.left, 0);
}

TEST_F(CardScrollTest, AResizableMetalWindowLeavesTheGrowBoxOutOfItsVisibleRegion) {
  for (u32 flags : {15u, 11u}) {
    SCOPED_TRACE(testing::Message() << "flags " << flags);
    make(11, flags, flags == 15 ? "a.kv45" : "b.kv45");
    const desk& d = current();
    lowclipup();
    Rect interior{};
    getinterior(&interior);
    EXPECT_EQ(interior, (Rect{0, 0, 150, 200})) << "no scroll bars";
    NewRegion visible;
    GetPortVisibleRegion(GetWindowPort(d.window), visible.get());
    EXPECT_TRUE(PtInRgn(Point{75, 100}, visible.get()));
    EXPECT_TRUE(PtInRgn(Point{140, 170}, visible.get())) << "beside the triangle";
    EXPECT_EQ(PtInRgn(Point{147, 197}, visible.get()), flags != 15) << "in the grow box's corner";
    closeallwindows();
  }
}

TEST_F(CardScrollTest, AnArrowShiftsThePixelsAndDrawsOnlyTheStripItUncovers) {
  banded();
  const desk& d = current();
  mainglobals().cardScrollStep = 20;
  SetControl32BitValue(d.vscroll, 3);
  drawframe(d.window);
  EXPECT_EQ(column(95, 109), "..rrrrrrrrrr..") << "the band at card row 100 shows at 97";
  // The top rows are marked: shifted bits carry the mark, redrawn ones lose it.
  blacken(0, 5);
  getproc<33>()(d.vscroll, kControlUpButtonPart);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 0) << "by 3, not the step of 20";
  EXPECT_EQ(column(0, 10), "...bbbbb..") << "3 rows redrawn, the mark moved down by 3";
  EXPECT_EQ(column(98, 112), "..rrrrrrrrrr..");
  getproc<33>()(d.vscroll, kControlUpButtonPart);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 0);
  EXPECT_EQ(column(0, 10), "...bbbbb..") << "nothing at 0";

  // Down by a full step, then the last 5 pixels to the maximum, where the arrow stops.
  getproc<33>()(d.vscroll, kControlDownButtonPart);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 20);
  EXPECT_EQ(column(78, 92), "..rrrrrrrrrr..");
  SetControl32BitValue(d.vscroll, 60);
  drawframe(d.window);
  getproc<33>()(d.vscroll, kControlDownButtonPart);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 65);
  blacken(0, 135);
  getproc<33>()(d.vscroll, kControlDownButtonPart);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 65);
  EXPECT_EQ(column(0, 135), std::string(135, 'b')) << "nothing drawn at the maximum";
  getproc<33>()(d.hscroll, 99);
  EXPECT_EQ(column(0, 135), std::string(135, 'b')) << "no such part";
}

TEST_F(CardScrollTest, PagesMoveByTheInteriorAndRedrawIt) {
  banded();
  const desk& d = current();
  blacken(0, 135);
  getproc<33>()(d.vscroll, kControlPageDownPart);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 65) << "135 down, bounded by the maximum";
  EXPECT_EQ(column(33, 47), "..rrrrrrrrrr..") << "the whole interior redrawn at the new place";
  EXPECT_EQ(column(0, 33), std::string(33, '.'));
  getproc<33>()(d.hscroll, kControlPageDownPart);
  EXPECT_EQ(GetControl32BitValue(d.hscroll), 115);
  getproc<33>()(d.hscroll, kControlPageUpPart);
  EXPECT_EQ(GetControl32BitValue(d.hscroll), 0);
  // The thumb redraws at the value tracking set.
  SetControl32BitValue(d.vscroll, 10);
  getproc<33>()(d.vscroll, kControlIndicatorPart);
  EXPECT_EQ(column(88, 102), "..rrrrrrrrrr..");

  // A card no taller than the interior has nothing to scroll.
  backrec b = loadat<backrec>(deref(d.back));
  b.height = 120;
  storeat<backrec>(deref(d.back), b);
  lowrectbar();
  lowfixbar();
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 0);
  EXPECT_EQ(GetControl32BitMaximum(d.vscroll), 0);
  getproc<33>()(d.vscroll, kControlDownButtonPart);
  EXPECT_EQ(GetControl32BitValue(d.vscroll), 0);
}

}  // namespace
}  // namespace kv
