// The appearance setter: pen sizes, colours, arcs, icons, shadows, inks and the options and
// values of platform-control buttons, each validated, clamped and stored only when it changed.
#include <gtest/gtest.h>

#include "platform/memory/memory.h"
#include "render/controloptions.h"
#include "render/spotgeometry.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "store/recordcache.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class AppearanceSetterTest : public PropertyTest {
 protected:
  // A card button made a platform control of a style.
  void control(std::string_view name, u16 style) {
    spot s = cardspot(name);
    s.style = style;
    s.flags &= ~spotplatformcontrol;
    make4spot(s);
    putcardspot(name, s);
  }
};

TEST_F(AppearanceSetterTest, PensColoursAndShapes) {
  ASSERT_EQ(setline("set the lineSize of graphic \"Box\" to 0"), 0);
  EXPECT_EQ(u16(cardspot("Box").penwidth), 1);
  EXPECT_EQ(u16(cardspot("Box").penheight), 1);
  ASSERT_EQ(setline("set the lineSize of graphic \"Box\" to 5000"), 0);
  EXPECT_EQ(u16(cardspot("Box").penwidth), 1000);
  EXPECT_EQ(u16(cardspot("Box").penheight), 1000);
  ASSERT_EQ(setline("set the fillFore of graphic \"Box\" to 0"), 0);
  EXPECT_EQ(cardspot("Box").fillfore, 255) << "one less, kept to 8 bits";
  ASSERT_EQ(setline("set the penFore of graphic \"Box\" to 7"), 0);
  EXPECT_EQ(cardspot("Box").penfore, 6);
  EXPECT_EQ(setline("set the arcAngle of graphic \"Box\" to 40"), 93) << "a rectangle is no arc";
  EXPECT_EQ(setline("set the roundWidth of graphic \"Box\" to 40"), 94);
  EXPECT_EQ(setline("set the shadow of graphic \"Box\" to 2"), 95);
  EXPECT_EQ(setline("set the lineSize of graphic \"Box\" to \"x\""), 13);
  EXPECT_EQ(setline("set the filled of graphic \"Box\" to \"maybe\""), 15);
  EXPECT_EQ(setline("set the fillFore of card 1 to 3"), 11);

  spot arc = cardspot("Box");
  arc.style = 107;
  graphictail t = getgraphictail(arc);
  t.point1 = Point{100, 30};
  t.point2 = Point{140, 90};
  t.startangle = 0;
  t.arcangle = 90;
  setgraphictail(arc, t);
  putcardspot("Box", arc);
  ASSERT_EQ(setline("set the arcAngle of graphic \"Box\" to 400"), 0);
  const spot after = cardspot("Box");
  EXPECT_EQ(u16(getgraphictail(after).arcangle), 359);
  Rect bounds{};
  arcbounds(Rect{100, 30, 140, 90}, 0, 359, &bounds);
  EXPECT_EQ(after.rect, bounds) << "the rectangle follows the arc";

  ASSERT_EQ(setline("set the selected of graphic \"Line\" to true"), 0);
  EXPECT_EQ(u16(cardspot("Line").selected), 3) << "a line's ends";
  ASSERT_EQ(setline("set the ink of graphic \"Line\" to \"srcXor\""), 0);
  EXPECT_EQ(u16(cardspot("Line").ink), 2);
  ASSERT_EQ(setline("set the ink of card field \"Notes\" to \"gray3\""), 0);
  EXPECT_EQ(u16(cardspot("Notes").ink), 12);
  EXPECT_EQ(setline("set the ink of graphic \"Line\" to 9999"), 2) << "a number that names no mode";
}

TEST_F(AppearanceSetterTest, IconsShadowsAndNothingChanged) {
  ASSERT_EQ(setline("set the icon of card button \"Two\" to \"abcd\""), 0);
  EXPECT_EQ(u32(getbuttontail(cardspot("Two")).icon), 0x61626364u);
  ASSERT_EQ(setline("set the icon of card button \"Two\" to 128"), 0);
  EXPECT_EQ(u32(getbuttontail(cardspot("Two")).icon), 128u);
  EXPECT_EQ(setline("set the icon of card button \"Two\" to \"abc\""), 213);
  ASSERT_EQ(setline("set the shadow of card button \"Two\" to \"NONE\""), 0);
  EXPECT_EQ(u16(cardspot("Two").shadow), 0);
  ASSERT_EQ(setline("set the shadow of card button \"Two\" to 5000"), 0);
  EXPECT_EQ(u16(cardspot("Two").shadow), 1000);

  savevir(current().store, i32(current().cardrecid));
  const spot before = cardspot("Two");
  ASSERT_EQ(setline("set the cursor of card button \"Two\" to 4"), 0);
  ASSERT_EQ(setline("set the shadow of card button \"Two\" to 1000"), 0);
  const spot after = cardspot("Two");
  EXPECT_EQ(std::memcmp(&before, &after, sizeof(spot)), 0);
  EXPECT_FALSE(changed(current().cardrecid)) << "nothing changed, nothing marked";
  ASSERT_EQ(setline("set the fillFore to 4"), 0) << "without an object: the global default";
  EXPECT_EQ(cardvalue("the fillFore"), "4");
  ASSERT_EQ(setline("set the shadow of window 1 to false"), 0);
  EXPECT_TRUE(loadat<windrec>(deref(current().wind)).flags & 0x8000) << "a window's shadow";
}

TEST_F(AppearanceSetterTest, ControlOptions) {
  control("Two", 203);
  addcardprop("Two", "radioData", "a\rb\rc");
  ASSERT_EQ(setline("set the currentValue of card button \"Two\" to 2"), 0);
  EXPECT_EQ(cardvalue("the short name of card button 2"), "b") << "the item of radioData";
  EXPECT_EQ(getcontrolpart(spotat(current().cardspots, cardindex("b"))).currentvalue, 2);
  EXPECT_EQ(setline("set the fillPat of card button \"b\" to 3"), 43) << "a platform control has no patterns";

  control("Go", 204);
  EXPECT_EQ(setline("set the currentValue of card button \"Go\" to 1"), 208) << "a checkbox";
  control("Go", 209);
  EXPECT_EQ(setline("set the orientation of card button \"Go\" to east"), 209);
  ASSERT_EQ(setline("set the orientation of card button \"Go\" to \"upLeft\""), 0);
  EXPECT_EQ(getOrientation(cardspot("Go")), 1);
  ASSERT_EQ(setline("set the tickMarks of card button \"Go\" to 5"), 0);
  EXPECT_EQ(getcontrolpart(cardspot("Go")).tickmarks, 5);
  control("Go", 210);
  ASSERT_EQ(setline("set the tabSize of card button \"Go\" to small"), 0);
  EXPECT_EQ(getTabOrArrowOrBtnSize(cardspot("Go")), 1);
  control("Go", 205);
  ASSERT_EQ(setline("set the currentValue of card button \"Go\" to 1"), 0);
  ASSERT_EQ(setline("set the behavior of card button \"Go\" to \"popupButton\""), 0);
  EXPECT_EQ(getBevelBtnBehavior(cardspot("Go")), 1024);
  EXPECT_EQ(getcontrolpart(cardspot("Go")).currentvalue, 0);
  ASSERT_EQ(setline("set the bevelStyle of card button \"Go\" to large"), 0);
  EXPECT_EQ(getBevelStyle(cardspot("Go")), 2);
  EXPECT_EQ(setline("set the behavior of card button \"Go\" to \"spinning\""), 209);
  EXPECT_EQ(setline("set the viewSize of card button \"Go\" to 5"), 210) << "a bevel is no scroll bar";
  EXPECT_EQ(setline("set the rulerUnits of card field \"Notes\" to inches"), 210) << "no ruler shown";
}

TEST_F(AppearanceSetterTest, TabSizeOfAShownField) {
  installweliveparts();
  drawedit(current(), nullptr);
  if (livefield(cardspot("Notes")) == 0) GTEST_SKIP() << "drawing made no live record";
  ASSERT_EQ(setline("set the tabSize of card field \"Notes\" to 300"), 0);
  EXPECT_EQ(cardspot("Notes").tabsize, 255);
}

}  // namespace
}  // namespace kv
