// Field drawing on a test project's window: text inside the view, the dotted lines, the
// scroll position of a short scrolling field, the live records fields keep while their card
// is shown and put down when it is left, and a field's text put by a script.
#include "render/fielddrawing.h"

#include <gtest/gtest.h>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/controls/controls.h"
#include "platform/lists/lists.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "core/mainglobals.h"
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
  static testproject::Project project(std::vector<Object> fields) {
    testproject::Project p;
    testproject::Window w;
    w.rect = Rect{100, 100, 300, 400};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card one, two;
    one.objects = std::move(fields);
    w.cards = {one, two};
    p.windows.push_back(w);
    return p;
  }
  void make(std::vector<Object> fields) {
    build(project(std::move(fields)));
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
  spot cardfield(i32 i) { return spotat(current().cardspots, i); }
  // Changes a card field in its list, as a script's setter would: the card's live records,
  // made when the window opened and drew its card, go so that the next drawing makes them anew.
  template <class Change>
  void changefield(i32 i, Change change) {
    putdownwerecs(current().cardspots, 1);
    spot s = cardfield(i);
    change(s);
    putspot(current().cardspots, i, s);
  }
  // The controls in the window (all embedded in its root control).
  u16 controls() {
    ControlRef root = nilid;
    u16 n = 0;
    if (GetRootControl(current().window, &root) == noErr) CountSubControls(root, &n);
    return n;
  }
  // The scroll bar a live record keeps.
  static ControlRef scrollbarof(WEReference we) {
    ControlRef bar = nilid;
    WEGetProperty(fourcc("VIZU"), fourcc("scrl"), sizeof bar, nullptr, &bar, we);
    return bar;
  }
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
  const WEReference records[2] = {livefield(cardfield(0)), livefield(cardfield(1))};
  EXPECT_TRUE(isvalidwerec(records[0]));
  EXPECT_TRUE(isvalidwerec(records[1]));
  EXPECT_FALSE(isvalidwerec(livefield(cardfield(2)))) << "a list field's record is temporary";
  const RegistryId list = livefield(cardfield(2));
  EXPECT_NE(LFromRef(list), nullptr) << "it keeps its list of rows";
  EXPECT_FALSE(GetWERecDirtyFlag(livefield(cardfield(0))));
  // A short scrolling field scrolls back to its top.
  EXPECT_EQ(getfieldscroll(cardfield(1)), 0);

  // setfieldel marks a record that is not the open field's and touches nothing else.
  const WEReference we = livefield(cardfield(0));
  setfieldel(we, 3);
  EXPECT_TRUE(GetWERecDirtyFlag(we));
  EXPECT_EQ(mainglobals().openfieldchange, 0);
  SetWERecDirtyFlag(we, false);

  // Leaving the card disposes of them, the scroll bar with its record; coming back, drawing the
  // card makes new ones.
  const u16 withbar = controls();
  ASSERT_EQ(doline("go to next card"), 0);
  EXPECT_FALSE(isvalidwerec(records[0]));
  EXPECT_FALSE(isvalidwerec(records[1]));
  EXPECT_EQ(controls(), withbar - 1) << "the scroll bar went with its record";
  EXPECT_EQ(LFromRef(list), nullptr) << "and the list with its field";
  ASSERT_EQ(doline("go to card 1"), 0);
  EXPECT_NE(livefield(cardfield(0)), we);
}

TEST_F(FieldDrawingTest, AScrollingFieldShowsItsScrollBarWithTheRangeOfItsText) {
  std::string lines = "line";
  for (int i = 1; i < 20; ++i) lines += "\rline";
  make({field(301, "short"), field(301, lines, Rect{100, 20, 180, 180})});
  changefield(0, [](spot& s) { setfieldscroll(s, 30); });
  changefield(1, [](spot& s) { setfieldscroll(s, 500); });
  const u16 before = controls();
  const Frame f = drawcard();
  EXPECT_EQ(controls(), before + 2) << "each record keeps a scroll bar";

  // The short text: a bar of range 0, and the field back at its top.
  const WEReference we = livefield(cardfield(0));
  const ControlRef bar = scrollbarof(we);
  ASSERT_TRUE(IsValidControlHandle(bar));
  EXPECT_EQ(GetControl32BitMaximum(bar), 0);
  EXPECT_EQ(getfieldscroll(cardfield(0)), 0);
  Rect r;
  controlrect(cardfield(0), &r);
  EXPECT_EQ(ink(f, r), r) << "the bar fills its rectangle";
  // Between drawings the bar waits hidden, far away.
  EXPECT_FALSE(IsControlVisible(bar));
  GetControlBounds(bar, &r);
  EXPECT_EQ(r, (Rect{-32016, -32016, -32000, -32000}));

  // The long text: 20 lines of 13 in a view of 78 less 2 margins.
  const ControlRef longbar = scrollbarof(livefield(cardfield(1)));
  EXPECT_EQ(GetControl32BitMaximum(longbar), 20 * 13 - (78 - 2));
  EXPECT_EQ(GetControl32BitValue(longbar), 20 * 13 - (78 - 2)) << "the stored scroll within the range";
  EXPECT_EQ(GetControlViewSize(longbar), 78 - 2);

  drawcard();
  EXPECT_EQ(scrollbarof(we), bar) << "a later drawing uses the same bar";
  EXPECT_EQ(controls(), before + 2);
}

TEST_F(FieldDrawingTest, TheRulerLivesForOneDrawingAndHoldsTheRulerData) {
  make({field(300, "ruled", Rect{20, 20, 120, 180})});
  changefield(0, [](spot& s) {
    s.textflags |= 2;  // showRuler
    s.rulerunits = 3;
  });
  const u16 before = controls();
  const Frame f = drawcard();
  EXPECT_EQ(controls(), before) << "the ruler is gone after the drawing";
  Rect band;
  rulercontrolrect(cardfield(0), &band);
  EXPECT_EQ(ink(f, Rect{20, 20, 120, 180}).top, band.top) << "the ruler is drawn across its band";
  LongRect dest{};
  WEGetDestRect(&dest, livefield(cardfield(0)));
  EXPECT_GE(dest.top, band.bottom) << "the text lies below the ruler";
  EXPECT_EQ(ink(f, Rect{band.bottom, 20, i16(dest.top), 180}).top, 32767) << "nothing between them";

  // The control a ruler is made as: the ruler's data under 'RUod'.
  const rulerdatarec data = rulerdata(cardfield(0), livefield(cardfield(0)));
  ControlRef ruler = nilid;
  ASSERT_EQ(CreateRulerControl(current().window, &band, &data, &ruler), noErr);
  // The options record is set only; its fields read back by their own tags.
  rulerdatarec got{};
  i32 size = sizeof got;
  EXPECT_EQ(GetControlData(ruler, 0, fourcc("RUod"), sizeof got, &got, &size), -30581);
  u32 record = 0;
  u16 units = 0, minwidth = 0;
  EXPECT_EQ(GetControlData(ruler, 0, fourcc("RUwe"), 4, &record, &size), noErr);
  EXPECT_EQ(size, 4);
  EXPECT_EQ(record, data.record);
  EXPECT_EQ(GetControlData(ruler, 0, fourcc("RUmt"), 2, &minwidth, &size), noErr);
  EXPECT_EQ(minwidth, 72);
  EXPECT_EQ(GetControlData(ruler, 0, fourcc("RUrt"), 2, &units, &size), noErr);
  EXPECT_EQ(units, 2);
  EXPECT_FALSE(IsControlVisible(ruler));
  DisposeControl(ruler);
}

// Drawing fields with every allocation failing in turn: a field whose record or scroll bar
// cannot be made is drawn without it, and nothing is left behind.
TEST_F(FieldDrawingTest, FieldsAreDrawnWhenMemoryRunsOut) {
  Object lined = field(300, "one\rtwo", Rect{100, 20, 180, 180});
  lined.setflags = kShowLines;
  const testproject::Project p = project({lined, field(301, "a longer text that wraps\rover lines")});
  EXPECT_GT(sweepallocations(
                p,
                [this] {
                  ASSERT_EQ(open(), 0);
                  putdownwerecs(current().cardspots, 1);  // the next drawing makes the records
                },
                [this] {
                  drawcard();
                  return i16(0);
                }),
            10);
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

// A card scrolled in its window: the text is drawn where the card's scroll bars put it, also
// when the port's origin has not followed them, and the origin is back afterwards.
TEST_F(FieldDrawingTest, TextFollowsTheCardsScrollBars) {
  testproject::Project p = project({field(300, "Hello world", Rect{60, 20, 100, 180})});
  p.windows[0].style = 1;  // card scroll bars
  p.windows[0].backgrounds[0].height = 600;
  build(p);
  ASSERT_EQ(open(), 0);
  ASSERT_TRUE(IsValidControlHandle(current().vscroll));
  const Rect area{0, 0, 140, 200};
  const i16 unscrolled = ink(drawcard(), area).top;
  SetControl32BitValue(current().vscroll, 20);
  const i16 scrolled = ink(drawcard(), area).top;
  EXPECT_EQ(scrolled, unscrolled - 20);
  Rect bounds{};
  GetPortBounds(GetWindowPort(current().window), &bounds);
  EXPECT_EQ(bounds.top, 0) << "the origin is put back";
}

}  // namespace
}  // namespace kv
