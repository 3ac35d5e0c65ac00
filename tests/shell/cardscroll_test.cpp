// The card's scroll bars and the port's origin: the interior, the bars' ranges, view sizes and
// places, a card that no longer needs scrolling, the origin at the scroll position, and the grow
// box cut out of a resizable metal window.
#include "shell/cardscroll.h"

#include <gtest/gtest.h>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "render/windowclip.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
#include "store/records.h"
#include "system/proctable.h"
#include "tests/support/owned.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class CardScrollTest : public WindowTest {
 protected:
  // A window of a style whose port is 200 x 150, over a 300 x 200 card.
  void make(u16 style, u32 flags = 15, std::string_view name = "p.kv45") {
    testproject::Project p;
    testproject::Window w;
    w.style = style;
    w.flags = flags;
    w.rect = Rect{100, 100, 250, 300};
    testproject::Background b{"B", "", {}};
    b.width = 300;
    b.height = 200;
    w.backgrounds.push_back(b);
    w.cards.push_back(testproject::Card{});
    p.windows.push_back(w);
    build(p, name);
    ASSERT_EQ(open(name), 0);
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

}  // namespace
}  // namespace kv
