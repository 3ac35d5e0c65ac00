// Field geometry: margins, the text engine's rectangles, the scroll bar and ruler rectangles,
// and the stored scroll position.
#include "fields/fieldview.h"

#include <gtest/gtest.h>

#include "engine/objectutil.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/spots.h"

namespace kv {
namespace {

using FieldViewTest = RuntimeTest;

constexpr u32 kWideMargins = 1u << 5;
constexpr u32 kDontWrap = 1u << 11;

spot field(u16 style, Rect r = Rect{0, 0, 100, 200}) {
  spot s = testspots::newspot(spotfield, style, 0, r);
  s.showpen = 0;
  return s;
}

void expectlong(const LongRect& r, i32 top, i32 left, i32 bottom, i32 right) {
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.bottom, bottom);
  EXPECT_EQ(r.right, right);
}

TEST_F(FieldViewTest, APlainFieldsRectangles) {
  spot s = field(stylefieldrect);
  LongRect dest, view;
  ldestview(s, &dest, &view);
  expectlong(view, 1, 1, 99, 199);
  expectlong(dest, 2, 4, 100, 196);
  Rect d, v;
  destview(s, &d, &v);
  EXPECT_EQ(d, (Rect{1, 4, 100, 196}));
  EXPECT_EQ(v, (Rect{1, 1, 99, 199}));
}

TEST_F(FieldViewTest, AScrollingFieldLeavesRoomForItsScrollBar) {
  spot s = field(stylefieldscroll);
  LongRect dest, view;
  ldestview(s, &dest, &view);
  expectlong(view, 1, 1, 99, 184);
  EXPECT_EQ(dest.right, 181);
  s.flags = s.flags | kDontWrap;
  ldestview(s, &dest, &view);
  EXPECT_EQ(view.right, 184);
  EXPECT_EQ(dest.right, 184);
  Rect m;
  fldmargins(s, &m);
  EXPECT_EQ(m, (Rect{1, 3, 1, 16}));
}

TEST_F(FieldViewTest, MarginsByKindAndWideMargins) {
  Rect m;
  fldmargins(field(stylefieldrect), &m);
  EXPECT_EQ(m, (Rect{1, 3, 1, 3}));
  spot wide = field(stylefieldrect);
  wide.flags = wide.flags | kWideMargins;
  fldmargins(wide, &m);
  EXPECT_EQ(m, (Rect{4, 8, 1, 6}));
  spot button = testspots::newspot(spotbutton, 200);
  fldmargins(button, &m);
  EXPECT_EQ(m, (Rect{-1, 3, 3, 3}));
  fldmargins(field(stylefieldlist), &m);
  EXPECT_EQ(m, (Rect{-1, 3, 3, 3}));
  spot scrolling = field(stylefieldscroll);
  fldmargins(scrolling, &m);
  EXPECT_EQ(m.right, kFieldScrollBarWidth);
}

TEST_F(FieldViewTest, PenRulerAndScroll) {
  spot s = field(stylefieldscroll, Rect{0, 0, 20, 200});
  s.showpen = 1;
  s.penwidth = 2;
  s.penheight = 3;
  s.textflags = 0x02;  // a ruler taller than the field
  setfieldscroll(s, 70000);
  LongRect dest, view;
  ldestview(s, &dest, &view);
  EXPECT_EQ(view.top, view.bottom) << "the ruler is cut at the field's bottom";
  EXPECT_EQ(dest.top, 2 + 3 - 70000 + kRulerHeight);
  EXPECT_EQ(view.left, 3);
  s.textflags = 0;
  ldestview(s, &dest, &view);
  EXPECT_EQ(dest.top, 2 + 3 - 70000) << "the full 32-bit scroll";
  Rect bar, ruler;
  controlrect(s, &bar);
  EXPECT_EQ(bar, (Rect{3, 183, 17, 198}));
  rulercontrolrect(s, &ruler);
  EXPECT_EQ(ruler, (Rect{0, 0, 0, 0}));
  s.textflags = 0x02;
  rulercontrolrect(s, &ruler);
  EXPECT_EQ(ruler, (Rect{3, 2, 34, 198}));
}

TEST_F(FieldViewTest, ListsMoveUpUnderTheTextTool) {
  spot s = field(stylefieldscrolllist);
  LongRect dest, view;
  mainglobals().current.tool = toolbrowse;
  ldestview(s, &dest, &view);
  EXPECT_EQ(dest.top, 2);
  EXPECT_EQ(view.right, 199);
  mainglobals().current.tool = tooltext;
  ldestview(s, &dest, &view);
  EXPECT_EQ(dest.top, 0);
  EXPECT_EQ(view.right, 184) << "a scrolling list scrolls as text under the text tool";
}

TEST_F(FieldViewTest, StoredScrollIsLimitedByStyle) {
  spot list = field(stylefieldlist);
  setfieldscroll(list, 40000);
  EXPECT_EQ(getfieldscroll(list), 32000);
  setfieldscroll(list, -5);
  EXPECT_EQ(getfieldscroll(list), 0);
  spot text = field(stylefieldrect);
  setfieldscroll(text, 123456);
  EXPECT_EQ(getfieldscroll(text), 123456);
  spot button = testspots::newspot(spotbutton, 200);
  const spot before = button;
  setfieldscroll(button, 40);
  EXPECT_EQ(std::memcmp(&before, &button, sizeof button), 0);
  EXPECT_EQ(getfieldscroll(button), 0);
}

TEST_F(FieldViewTest, MarginsAreStoredInTheTextRecord) {
  spot s = field(stylefieldrect);
  s.flags = s.flags | kWideMargins;
  WEReference we = nilid;
  ASSERT_EQ(WENew(nullptr, nullptr, 0x1000, &we), noErr);
  Rect m{9, 9, 9, 9};
  EXPECT_EQ(GetFieldMargins(we, &m), weNoPropertyErr);
  EXPECT_EQ(m.top, 9) << "left as it was";
  SetFieldMargins(s, we);
  ASSERT_EQ(GetFieldMargins(we, &m), noErr);
  EXPECT_EQ(m.top, 4);
  EXPECT_EQ(m.left, 8);
  EXPECT_EQ(m.bottom, 1);
  EXPECT_EQ(m.right, 6);
  EXPECT_EQ(GetFieldMargins(nilid, &m), noErr);
  WEDispose(we);
}

TEST_F(FieldViewTest, FieldSettingsOfATextRecord) {
  WEReference we = nilid;
  ASSERT_EQ(WENew(nullptr, nullptr, 0x1000, &we), noErr);
  SetDontWrapFlag(we, 1);
  SetScrollBarFlag(we, 1);
  SetAllowObjectsFlag(we, 0);
  u32 refcon = 0, dont = 0, ftyp = 0;
  ASSERT_EQ(WEGetInfo(fourcc("refc"), &refcon, we), noErr);
  EXPECT_EQ(refcon, 0x30000u);
  EXPECT_EQ(GetDontWrapFlag(we), 1u);
  EXPECT_EQ(GetScrollBarFlag(we), 1u);
  EXPECT_EQ(GetAllowObjectsFlag(we), 0u);
  ASSERT_EQ(WEGetProperty(fourcc("VIZU"), fourcc("dont"), 4, nullptr, &dont, we), noErr);
  ASSERT_EQ(WEGetProperty(fourcc("VIZU"), fourcc("ftyp"), 4, nullptr, &ftyp, we), noErr);
  EXPECT_EQ(dont, 1u);
  EXPECT_EQ(ftyp, 1u);
  SetAllowObjectsFlag(we, 1);
  SetDontWrapFlag(we, 0);
  EXPECT_EQ(GetAllowObjectsFlag(we), 1u);
  EXPECT_EQ(GetDontWrapFlag(we), 0u);
  WEDispose(we);
  EXPECT_EQ(GetScrollBarFlag(we), 0u) << "none answers 0";
  SetScrollBarFlag(we, 1);
}

}  // namespace
}  // namespace kv
