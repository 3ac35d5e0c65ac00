// Field scrolling: a field's scroll range from its text record, its scroll bar clicked and
// dragged through the event loop, and the navigation keys of the open field.
#include "fields/fieldscroll.h"

#include <gtest/gtest.h>

#include <string>

#include "fields/fieldview.h"
#include "platform/controls/controls.h"
#include "platform/qd/ports.h"
#include "platform/testing/driver.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kWhite = 0xFFFFFF;
constexpr u32 kLockText = 1u << 3;
constexpr Rect kFieldRect{20, 20, 124, 220};  // a view of 102, 100 inside the margins
constexpr i16 kBarH = 212;                    // the scroll bar's column

std::string lines(int n) {
  std::string t = "line 1";
  for (int i = 2; i <= n; ++i) t += "\rline " + std::to_string(i);
  return t;
}

class FieldScrollTest : public EventLoopTest {
 protected:
  void make(const std::string& text, u32 flags = 0) {
    Object o;
    o.kind = Object::field;
    o.name = "F";
    o.style = 301;
    o.text = text;
    o.rect = kFieldRect;
    o.showpen = 0;
    o.showfill = 0;
    o.setflags = flags;
    testproject::Project p;
    testproject::Window w;
    w.name = "Main";
    w.rect = Rect{100, 100, 300, 400};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card one;
    one.objects = {o};
    one.script = logs("", {"scrollField"});
    w.cards = {one};
    p.windows.push_back(w);
    ASSERT_EQ(openproject(p), 0);
    settle();
    clearlog();
  }
  spot field() { return spotat(current().cardspots, 0); }
  i32 scroll() { return getfieldscroll(field()); }
  // The largest scroll of the field's scroll bar: its text's height less the view inside
  // the margins.
  i32 most() {
    i32 m = 0;
    recalcfldscroll(current().cardspots, 0, livefield(field()), false, false, nullptr, nullptr, &m, nullptr);
    return m;
  }
  void click(i16 h, i16 v) {
    drive::click(at(h, v));
    settle();
  }
};

TEST_F(FieldScrollTest, TheRangeComesFromTheTextsHeight) {
  make(lines(3));
  const WEReference we = livefield(field());
  ASSERT_TRUE(isvalidwerec(we));
  LongRect dest{}, view{};
  ldestview(field(), &dest, &view);
  LongRect text{};
  WEGetDestRect(&text, we);
  text.bottom = text.top + 300;
  WESetDestRect(&text, we);
  SetScrollBarFlag(we, 1);
  i32 value = -1, reserved = -1, maximum = -1, page = -1;
  EXPECT_EQ(recalcfldscroll(current().cardspots, 0, we, false, false, &value, &reserved, &maximum, &page), 0);
  EXPECT_EQ(maximum, 200);
  EXPECT_EQ(page, 100);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(reserved, 0);

  text.top -= 250;
  text.bottom -= 250;
  WESetDestRect(&text, we);
  EXPECT_EQ(recalcfldscroll(current().cardspots, 0, we, false, false, &value, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(value, 200) << "no further than the text's end";
  EXPECT_EQ(scroll(), 200) << "stored in the field";

  text.top = view.top + 40;
  text.bottom = text.top + 300;
  WESetDestRect(&text, we);
  EXPECT_EQ(recalcfldscroll(current().cardspots, 0, we, false, true, &value, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(value, 0) << "repositioned: a text below the view's top goes up to it";
  WEGetDestRect(&text, we);
  EXPECT_EQ(text.top, view.top + 1);

  SetScrollBarFlag(we, 0);
  EXPECT_EQ(recalcfldscroll(current().cardspots, 0, we, false, false, &value, nullptr, &maximum, nullptr), 0);
  EXPECT_EQ(maximum, 0);
  LongRect got{};
  WEGetViewRect(&got, we);
  EXPECT_EQ(got.top, view.top);
  EXPECT_EQ(got.bottom, view.bottom);
  WEGetDestRect(&got, we);
  EXPECT_EQ(got.left, dest.left) << "the field's own rectangles";
  SetScrollBarFlag(we, 1);
}

TEST_F(FieldScrollTest, TheScrollBarScrollsTheTextAndSaysSo) {
  make(lines(30));
  const i32 end = most();
  ASSERT_GT(end, 100);
  clearlog();
  click(kBarH, kFieldRect.top + 5);
  EXPECT_EQ(scroll(), 0) << "the up arrow at the top moves nothing";
  EXPECT_EQ(log(), "");

  click(kBarH, kFieldRect.bottom - 5);
  EXPECT_GT(scroll(), 0) << "the down arrow";
  EXPECT_EQ(log(), "scrollField,");
  clearlog();

  ASSERT_EQ(doline("set the scroll of card field 1 to " + std::to_string(end - 90)), 0);
  settle();
  click(kBarH, kFieldRect.bottom - 17);
  EXPECT_EQ(scroll(), end) << "a page down near the end stops there";
  clearlog();

  // Back to the top a line at a time: the margin band above the text ends up erased.
  ASSERT_EQ(doline("set the scroll of card field 1 to 5"), 0);
  settle();
  click(kBarH, kFieldRect.top + 5);
  EXPECT_EQ(scroll(), 0);
  const Frame f = drive::windowpixels(current().window);
  for (i16 h = kFieldRect.left + 2; h < kBarH - 10; ++h)
    EXPECT_EQ(drive::pixelat(f, h, kFieldRect.top + 1) & 0xFFFFFF, kWhite) << "column " << h;
}

TEST_F(FieldScrollTest, AClosedFieldsScrollBarIsDrawnAndParked) {
  make(lines(30));
  spot s = field();
  setfieldscroll(s, 40);
  putspot(current().cardspots, 0, s);
  SavePort saved;
  SetPortWindowPort(current().window);
  i32 value = -1, minimum = -1, maximum = -1;
  updatewescrollbar(current().cardspots, 0, &value, &minimum, &maximum, nilid);
  EXPECT_EQ(maximum, most());
  EXPECT_EQ(minimum, 0);
  EXPECT_EQ(value, scroll()) << "the stored scroll is the bar's";
  ControlRef bar = nilid;
  WEGetProperty(fourcc("VIZU"), fourcc("scrl"), sizeof bar, nullptr, &bar, livefield(field()));
  ASSERT_NE(bar, nilid);
  EXPECT_FALSE(IsControlVisible(bar)) << "hidden and parked after drawing";
  Rect r{};
  GetControlBounds(bar, &r);
  EXPECT_LT(r.top, -30000);
}

TEST_F(FieldScrollTest, DraggingTheThumbSendsOneMessageAfterTheRelease) {
  make(lines(30));
  drive::drag(at(kBarH, kFieldRect.top + 20), at(kBarH, kFieldRect.top + 60), 8);
  settle();
  EXPECT_GT(scroll(), 0);
  EXPECT_EQ(log(), "scrollField,");
}

TEST_F(FieldScrollTest, ALockedFieldStillScrollsWithItsBar) {
  make(lines(30), kLockText);
  click(kBarH, kFieldRect.bottom - 5);
  EXPECT_EQ(scroll(), mainglobals().fieldScrollStep);
  EXPECT_EQ(log(), "scrollField,");
}

TEST_F(FieldScrollTest, NavigationKeysScrollTheOpenField) {
  make(lines(30));
  MainGlobals& g = mainglobals();
  g.textArrows = 1;
  click(60, kFieldRect.top + 5);
  ASSERT_EQ(g.openfield, 0) << "the click opened the field";
  EXPECT_EQ(handlenavkeys(12), 1);
  EXPECT_EQ(scroll(), 102 - 15) << "a page is the view less 15";
  EXPECT_EQ(handlenavkeys(4), 1);
  const i32 end = scroll();
  EXPECT_GT(end, 102 - 15);
  EXPECT_EQ(handlenavkeys(12), 1);
  EXPECT_EQ(scroll(), end) << "page down at the end";
  EXPECT_EQ(handlenavkeys(1), 1);
  EXPECT_EQ(scroll(), 0);
  EXPECT_EQ(handlenavkeys(11), 1);
  EXPECT_EQ(scroll(), 0) << "page up at the top";
  EXPECT_EQ(fieldscrollglobcontrol(), nilid);

  ASSERT_EQ(doline("put \"a\" & return & \"b\" into card field 1"), 0);
  settle();
  click(60, kFieldRect.top + 5);
  ASSERT_EQ(g.openfield, 0);
  for (u8 key : {u8(1), u8(4), u8(11), u8(12)}) {
    EXPECT_EQ(handlenavkeys(key), 1) << "key " << int(key);
    EXPECT_EQ(scroll(), 0) << "a text that fits does not move";
  }
  EXPECT_EQ(handlenavkeys('a'), 0);
  EXPECT_EQ(handlenavkeys(30), 0) << "arrows go to the text";
  EXPECT_EQ(fieldscrollglobcontrol(), nilid) << "the scroll bar is down again";
  g.textArrows = 0;
  EXPECT_EQ(handlenavkeys(12), 0) << "without textArrows the keys are typed";
  EXPECT_EQ(PcreateRTweautotext(), 1);
}

}  // namespace
}  // namespace kv
