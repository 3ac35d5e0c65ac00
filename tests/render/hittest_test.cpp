// Hit testing: graphics by their fill and pen (bands, line tolerance, unclosed polygons, arc
// wedges, groups), buttons and fields by their style, invisible objects, and the click of the
// browse tool through a picture's slop.
#include "render/hittest.h"

#include <gtest/gtest.h>

#include "platform/memory/memory.h"
#include "platform/qd/shapes.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"
#include "tests/support/spots.h"

namespace kv {
namespace {

using testspots::newspot;

struct Probe {
  Point at;
  bool hit;
};

class HitTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    mainglobals().current.tool = kBrowseTool;
  }
  static void expect(const spot& s, std::initializer_list<Probe> probes) {
    for (const Probe& p : probes)
      EXPECT_EQ(lowinspot(s, p.at), p.hit ? 1 : 0) << "style " << s.style << " at v " << p.at.v << " h " << p.at.h;
  }
  static spot graphic(u16 style, Rect r, bool fill, bool pen) {
    spot s = newspot(spotgraphic, style, 0, r);
    s.showfill = fill;
    s.showpen = pen;
    return s;
  }
};

TEST_F(HitTest, GraphicsAreHitByTheirFillAndPen) {
  // Only a 1-pixel pen: the band around the edge, not 5 pixels inside it.
  expect(graphic(stylerectangle, Rect{0, 0, 20, 20}, false, true),
         {{{10, 5}, false}, {{10, -1}, true}, {{10, -3}, false}, {{0, 10}, true}});
  expect(graphic(stylerectangle, Rect{0, 0, 20, 20}, false, false), {{{10, 10}, true}});
  expect(graphic(styleoval, Rect{0, 0, 40, 40}, false, true), {{{20, 20}, false}, {{20, 1}, true}, {{1, 1}, false}});
  expect(graphic(styleoval, Rect{0, 0, 40, 40}, true, true), {{{20, 20}, true}});

  // A line with a 1 x 1 pen, 3 pixels from its segment and 5.
  spot line = graphic(styleline, Rect{0, 0, 40, 40}, false, true);
  graphictail t = getgraphictail(line);
  t.point1 = Point{0, 0};
  t.point2 = Point{40, 40};
  setgraphictail(line, t);
  expect(line, {{{20, 23}, true}, {{20, 25}, false}});

  // A polygon with a pen and no fill: near its edges, not in its middle, nor along the
  // closing edge it does not draw.
  OwnedHandle poly(newpolygon({Point{0, 0}, Point{0, 40}, Point{40, 40}}));
  spot open = graphic(stylepolygon, Rect{0, 0, 40, 40}, false, true);
  open.data = poly;
  expect(open, {{{1, 20}, true}, {{20, 39}, true}, {{10, 30}, false}, {{20, 20}, false}});
  open.showfill = 1;
  expect(open, {{{10, 30}, true}});

  // An arc from 350 over 110 degrees: at 30 degrees, not at 180.
  spot arc = graphic(stylearc, Rect{}, true, true);
  const Rect oval{0, 0, 100, 100};
  testspots::setarc(arc, 350, 110, oval);
  arcbounds(oval, 350, 110, &arc.rect);
  expect(arc, {{{24, 65}, true}, {{80, 50}, false}});
  // A negative arc is hit on the wedge it draws.
  testspots::setarc(arc, 30, u16(-60), oval);
  arcbounds(oval, 330, 60, &arc.rect);
  expect(arc, {{{20, 50}, true}, {{22, 60}, true}, {{22, 40}, true}, {{40, 70}, false}});

  // A group where one of its objects is.
  OwnedHandle nested(NewHandle(0));
  const spot inner = graphic(stylerectangle, Rect{10, 10, 20, 20}, true, true);
  PtrAndHand(&inner, nested, sizeof inner);
  spot group = graphic(stylegroup, Rect{0, 0, 40, 40}, false, false);
  group.data = nested;
  expect(group, {{{15, 15}, true}, {{30, 30}, false}});
}

TEST_F(HitTest, ButtonsAndFieldsByTheirStyle) {
  // A round-rectangle button inside its corners, without slop.
  expect(newspot(spotbutton, stylebuttonroundrect, 0, Rect{0, 0, 20, 100}),
         {{{10, 50}, true}, {{0, 0}, false}, {{-1, 50}, false}});
  expect(newspot(spotbutton, styleround, 0, Rect{0, 0, 20, 20}), {{{-1, 10}, true}, {{0, 0}, false}});
  for (u16 style = 203; style <= 229; ++style) {
    if (style == styleround) continue;
    expect(newspot(spotbutton, style, 0, Rect{0, 0, 20, 20}), {{{5, 5}, style != 208}, {{-1, 10}, false}});
  }
  for (u16 style = stylefieldrect; style <= stylefieldscrolllist; ++style)
    expect(newspot(spotfield, style, 0, Rect{0, 0, 20, 20}), {{{5, 5}, true}, {{-1, 10}, false}});

  // A transparent rectangle button without name or icon, with the browse tool.
  spot clear = newspot(spotbutton, stylebuttonrect, 0, Rect{0, 0, 20, 20});
  clear.showfill = clear.showpen = 0;
  expect(clear, {{{10, 10}, true}, {{-1, 10}, false}});

  // An invisible object only while the window shows invisible objects.
  clear.flags &= ~spotvisible;
  expect(clear, {{{10, 10}, false}});
  OwnedHandle wind(NewHandleClear(sizeof(windrec)));
  windrec w{};
  w.flags = 1u << 7;
  storeat<windrec>(deref(wind), w);
  mainglobals().current.wind = wind;
  expect(clear, {{{10, 10}, true}});
  mainglobals().current.wind = nilhandle;
}

}  // namespace
}  // namespace kv
