// Field drawing on a test project's window: text inside the view, the dotted lines, the
// scroll position of a short scrolling field, the live records fields keep while their card
// is shown and put down when it is left, and a field's text put by a script.
#include "render/fielddrawing.h"

#include <gtest/gtest.h>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "shell/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/windows.h"
#include "textengine/werecord.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kShowLines = 1u << 4;
constexpr u32 kWhite = 0xFFFFFF;

class FieldDrawingTest : public WindowTest {
 protected:
  // A project of two cards; the first holds the fields.
  void make(std::vector<Object> fields) {
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 300, 400};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card one, two;
    one.objects = std::move(fields);
    w.cards = {one, two};
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  static Object field(u16 style, const std::string& text, Rect r = Rect{20, 20, 80, 180}) {
    Object o;
    o.kind = Object::field;
    o.style = style;
    o.text = text;
    o.rect = r;
    o.showpen = 0;
    o.showfill = 0;
    return o;
  }
  // Draws the current card into its window, on white, and answers the window's pixels.
  Frame drawcard() {
    SavePort saved;
    SetPort(GetWindowPort(current().window));
    Rect all{};
    GetPortBounds(GetWindowPort(current().window), &all);
    FillRect(&all, &qdwhite);
    backspot(0);
    return drive::windowpixels(current().window);
  }
  spot cardfield(i32 i) { return spotat(current().cardspots, i); }
  // The bounds of the non-white pixels of a frame within a rectangle.
  static Rect ink(const Frame& f, const Rect& within) {
    Rect b{32767, 32767, -32767, -32767};
    for (i16 v = within.top; v < within.bottom; ++v)
      for (i16 h = within.left; h < within.right; ++h)
        if ((drive::pixelat(f, h, v) & 0xFFFFFF) != kWhite) {
          b.top = std::min(b.top, v), b.left = std::min(b.left, h);
          b.bottom = std::max(b.bottom, i16(v + 1)), b.right = std::max(b.right, i16(h + 1));
        }
    return b;
  }
};

TEST_F(FieldDrawingTest, TextLiesInTheViewOnItsBaselineWithDottedLines) {
  Object lined = field(300, "Hello world\rsecond", Rect{100, 20, 180, 180});
  lined.setflags = kShowLines;
  make({field(300, "Hello world"), lined});
  const Frame f = drawcard();
  LongRect dest, view;
  ldestview(cardfield(0), &dest, &view);
  const Rect text = ink(f, Rect{0, 0, 90, f.width});
  EXPECT_GE(text.top, view.top);
  EXPECT_GE(text.left, view.left);
  EXPECT_LE(text.right, view.right);
  EXPECT_EQ(text.bottom, dest.top + 9) << "capitals end on the baseline, 9 below the destination's top";

  // The lined field: a dotted row at the bottom of each line, then on at the line height.
  ldestview(cardfield(1), &dest, &view);
  for (i32 boundary = dest.top + 13; boundary < view.bottom; boundary += 13) {
    const i16 row = i16(boundary - 1);
    i32 dots = 0;
    for (i16 h = i16(view.left); h < view.right; ++h) dots += (drive::pixelat(f, h, row) & 0xFFFFFF) != kWhite;
    EXPECT_NEAR(dots, (view.right - view.left) / 2, 2) << "row " << row;
  }
}

TEST_F(FieldDrawingTest, FieldsKeepLiveRecordsUntilTheirCardIsLeft) {
  make({field(300, "one"), field(301, "two"), field(302, "list")});
  drawcard();
  EXPECT_TRUE(isvalidwerec(livefield(cardfield(0))));
  EXPECT_TRUE(isvalidwerec(livefield(cardfield(1))));
  EXPECT_EQ(livefield(cardfield(2)), 0u) << "a list field's record is temporary";
  EXPECT_FALSE(GetWERecDirtyFlag(livefield(cardfield(0))));
  // A short scrolling field scrolls back to its top.
  EXPECT_EQ(getfieldscroll(cardfield(1)), 0);

  // setfieldel marks a record that is not the open field's and touches nothing else.
  const WEReference we = livefield(cardfield(0));
  setfieldel(we, 3);
  EXPECT_TRUE(GetWERecDirtyFlag(we));
  EXPECT_EQ(mainglobals().openfieldchange, 0);
  SetWERecDirtyFlag(we, false);

  // Leaving the card disposes of them; coming back, drawing the card makes new ones.
  const WEReference second = livefield(cardfield(1));
  ASSERT_EQ(doline("go to next card"), 0);
  EXPECT_FALSE(isvalidwerec(we));
  EXPECT_FALSE(isvalidwerec(second));
  ASSERT_EQ(doline("go to card 1"), 0);
  EXPECT_NE(livefield(cardfield(0)), we);
}

TEST_F(FieldDrawingTest, PuttingDownTheOpenFieldsListLeavesNoOpenField) {
  make({field(300, "one")});
  drawcard();
  MainGlobals& g = mainglobals();
  g.openfield = 0;
  g.openfieldspots = current().cardspots;
  g.openfieldwindow = current().window;
  g.openfieldrec = livefield(cardfield(0));
  drawcard();
  EXPECT_EQ(putdownwerecs(current().cardspots, 1), 0);
  EXPECT_EQ(g.openfield, -1);
  EXPECT_EQ(g.openfieldrec, nilid);
  EXPECT_EQ(livefield(cardfield(0)), 0u);
}

TEST_F(FieldDrawingTest, RulerUnitsZeroAndOneGiveTheSameUnits) {
  spot s{};
  s.rulerunits = 0;
  const u16 zero = rulerdata(s, nilid).units;
  s.rulerunits = 1;
  EXPECT_EQ(rulerdata(s, nilid).units, zero);
  EXPECT_EQ(zero, 0);
}

TEST_F(FieldDrawingTest, APutTextShowsAtTheNextDrawing) {
  make({field(300, "Hello world")});
  drawcard();
  ASSERT_EQ(doline("put \"abc\" into card field 1"), 0);
  drawcard();
  const WEReference we = livefield(cardfield(0));
  ASSERT_TRUE(isvalidwerec(we));
  const Handle text = WEGetText(we);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(text)), std::size_t(GetHandleSize(text))), "abc");
}

}  // namespace
}  // namespace kv
