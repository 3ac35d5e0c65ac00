// Selection knobs drawn in exclusive-or on a card window (selecting, deselecting, locked
// objects, the interior of a scrolling window), the translucency of palette windows and the
// object cursor's upkeep.
#include "engine/tokens.h"
#include "render/selectionknobs.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "render/spotstyles.h"
#include "render/windowupkeep.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;

class SelectionTest : public WindowTest {
 protected:
  // One window of one card holding the objects, its port current and white, tool 600.
  void opencard(std::vector<Object> card, u16 style = 0, Rect r = Rect{100, 100, 200, 250},
                std::string_view name = "p.kv45") {
    testproject::Project p;
    testproject::Window w;
    w.rect = r;
    w.style = style;
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card c;
    c.objects = std::move(card);
    w.cards.push_back(c);
    p.windows.push_back(w);
    build(p, name);
    ASSERT_EQ(open(name), 0);
    mainglobals().current.tool = 600;
    Handle list = current().cardspots;
    for (i32 i = 0; i < spotcount(list); ++i) {
      spot s = spotat(list, i);
      s.selected = 0;
      putspot(list, i, s);
    }
    SetPortWindowPort(current().window);
    GetWindowPortBounds(current().window, &bounds_);
    EraseRect(&bounds_);
  }
  i32 blackpixels() const {
    i32 n = 0;
    for (i16 v = bounds_.top; v < bounds_.bottom; ++v)
      for (i16 h = bounds_.left; h < bounds_.right; ++h) n += GetPixel(h, v) ? 1 : 0;
    return n;
  }
  static std::vector<u16> states(Handle list) {
    std::vector<u16> v;
    for (i32 i = 0; i < spotcount(list); ++i) v.push_back(spotat(list, i).selected);
    return v;
  }
  static Object graphic(u16 style, Rect r) {
    Object o;
    o.kind = Object::graphic;
    o.style = style;
    o.rect = r;
    return o;
  }
  Rect bounds_{};
};

TEST_F(SelectionTest, SelectingDrawsKnobsThatDeselectingErases) {
  Object line = graphic(styleline, Rect{20, 20, 40, 60});
  line.tail = std::array<u8, 12>{};
  graphictail t{};
  t.point1 = Point{20, 20};
  t.point2 = Point{40, 60};
  std::memcpy(line.tail->data(), &t, sizeof t);
  opencard({line, graphic(stylerectangle, Rect{30, 80, 60, 120})});
  const Handle list = current().cardspots;
  hilitespot(list, 0, 1);
  EXPECT_EQ(states(list), (std::vector<u16>{3, 1}));
  EXPECT_EQ(blackpixels(), 6 * 25) << "two point knobs and four corner knobs";
  for (Point p :
       {Point{18, 18}, Point{42, 62}, Point{27, 77}, Point{31, 81}, Point{27, 122}, Point{62, 122}, Point{62, 77}})
    EXPECT_TRUE(GetPixel(p.h, p.v)) << p.v << "," << p.h;
  EXPECT_FALSE(GetPixel(76, 27));
  EXPECT_FALSE(GetPixel(82, 32));

  hilitespot(list, 1, 1);
  hilitespot(list, 1, 1);
  EXPECT_EQ(states(list), (std::vector<u16>{0, 0}));
  EXPECT_EQ(blackpixels(), 0) << "the port is as it was before the selection";

  // Below the selection tools, knobs are neither drawn nor erased.
  mainglobals().current.tool = kBrowseTool;
  hilitespot(list, 0, 1);
  EXPECT_EQ(blackpixels(), 0);
}

TEST_F(SelectionTest, LockedKnobsAreGreyAndKnobsStopAtTheInterior) {
  Object locked = graphic(stylerectangle, Rect{30, 30, 60, 60});
  locked.setflags = spotlocked;
  opencard({locked});
  hilitespot(current().cardspots, 0, 1);
  const i32 grey = blackpixels();
  EXPECT_GT(grey, 30);
  EXPECT_LT(grey, 70) << "the grey pattern leaves every other pixel";
  closeallwindows();

  // A scrolling window's interior ends before its scroll bars.
  opencard({graphic(stylerectangle, Rect{30, 100, 60, 185})}, 1, Rect{100, 100, 300, 300}, "q.kv45");
  hilitespot(current().cardspots, 0, 1);
  EXPECT_TRUE(GetPixel(184, 29));
  EXPECT_FALSE(GetPixel(185, 29));
  EXPECT_FALSE(GetPixel(187, 29));
}

TEST_F(SelectionTest, PaletteWindowsAreTranslucentWhileTheMouseIsAway) {
  opencard({}, 6);
  MainGlobals& g = mainglobals();
  windrec w = loadat<windrec>(deref(current().wind));
  w.translucency = 30;
  storeat<windrec>(deref(current().wind), w);
  const WindowRef window = current().window;
  auto alphawith = [&](Point mouse) {
    drive::moveTo(mouse);
    Point at{};
    for (int polls = 0; polls < 10 && !(at == mouse); ++polls) GetGlobalMouse(&at);
    SetWindowAlpha(window, 1.0f);
    checkwindowalpha(&current());
    float alpha = 0;
    GetWindowAlpha(window, &alpha);
    return alpha;
  };
  EXPECT_FLOAT_EQ(alphawith(Point{5, 5}), 1.0f) << "while palettes are opaque nothing changes";
  g.paletteOpacity = 40;
  EXPECT_FLOAT_EQ(alphawith(Point{5, 5}), 0.7f) << "the window's own translucency";
  EXPECT_FLOAT_EQ(alphawith(Point{150, 150}), 1.0f) << "the mouse is inside";
  w.flags |= 1u << 16;
  storeat<windrec>(deref(current().wind), w);
  EXPECT_FLOAT_EQ(alphawith(Point{5, 5}), 0.6f) << "without local opacity, the global one";
  g.paletteOpacity = 0;
}

TEST_F(SelectionTest, AnObjectCursorInForceGoesWhenTheMouseLeaves) {
  opencard({graphic(stylerectangle, Rect{30, 30, 60, 60})});
  MainGlobals& g = mainglobals();
  g.objectcursor = kArrowCursorMarker;
  objectcursor(tok::mouseenter);
  EXPECT_EQ(g.objectcursor, kArrowCursorMarker) << "object cursors are not allowed";
  g.allowObjectCursors = 1;
  g.mousespots = current().cardspots;
  g.mouseobject = 0;
  objectcursor(tok::mouseleave);
  EXPECT_EQ(g.objectcursor, nilhandle);
  g.objectcursor = NewHandle(68);
  objectcursor(tok::set);
  EXPECT_EQ(g.objectcursor, nilhandle) << "the old cursor is disposed";
  g.allowObjectCursors = 0;
  g.mouseobject = -1;
  g.mousespots = nilhandle;
}

}  // namespace
}  // namespace kv
