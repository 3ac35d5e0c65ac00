// List fields as a user meets them: rows made from the field's lines, drawn with the selected
// row hilited, clicked with the mouse and with scripts, switched to text and back.
#include "fields/listfields.h"

#include <gtest/gtest.h>

#include <string>

#include "fields/fieldclick.h"
#include "fields/fieldview.h"
#include "fields/listselect.h"
#include "platform/controls/controls.h"
#include "platform/lists/lists.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Object;

constexpr u32 kWhite = 0xFFFFFF;
constexpr u32 kHilite = 0x3875D7;           // the active highlight brush
constexpr Rect kListRect{20, 20, 72, 120};  // 52 high: four rows of 13

class ListFieldTest : public EventLoopTest {
 protected:
  static Object listfield(const std::string& name, u16 style, const std::string& text, Rect r = kListRect) {
    Object o;
    o.kind = Object::field;
    o.name = name;
    o.style = style;
    o.text = text;
    o.rect = r;
    o.showpen = 0;
    o.showfill = 0;
    return o;
  }
  void make(std::vector<Object> objects) {
    testproject::Project p;
    testproject::Window w;
    w.name = "Main";
    w.rect = Rect{100, 100, 300, 400};
    w.backgrounds.push_back(testproject::Background{"B", "", {}});
    testproject::Card one, two;
    one.objects = std::move(objects);
    one.script = logs("", {"clickList", "doubleClickList", "scrollField"});
    w.cards = {one, two};
    p.windows.push_back(w);
    ASSERT_EQ(openproject(p), 0);
    settle();
    clearlog();
  }
  spot field(i32 i) { return spotat(current().cardspots, i); }
  // A click at a point of the window, run through the event loop.
  void click(i16 h, i16 v, u16 modifiers = 0) {
    drive::click(at(h, v), modifiers);
    settle();
  }
  u32 pixel(i16 h, i16 v) { return drive::pixelat(drive::windowpixels(current().window), h, v) & 0xFFFFFF; }
};

TEST_F(ListFieldTest, RowsAreTheLinesOfTheText) {
  make({listfield("L", 302, "a\rb"), listfield("M", 302, "a\rb\r", Rect{20, 130, 72, 230}),
        listfield("E", 302, "", Rect{80, 20, 132, 120})});
  EXPECT_EQ(listrowcount(field(0)), 2);
  EXPECT_EQ(listrowcount(field(1)), 2) << "a final return makes no row";
  EXPECT_EQ(listrowcount(field(2)), 0);
  u8 cell[8]{};
  EXPECT_EQ(listcelltext(field(0), 1, cell, 8), 1);
  EXPECT_EQ(cell[0], 'b');

  const RegistryId list = livefield(field(0));
  ASSERT_EQ(doline("put \"x\" & return & \"y\" & return & \"z\" into card field \"L\""), 0);
  EXPECT_EQ(livefield(field(0)), list) << "the text reloads the same list";
  EXPECT_EQ(listrowcount(field(0)), 3);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "");

  spot e = field(2);
  setfieldscroll(e, 3);
  forcelistload(e, 1);
  EXPECT_EQ(getfieldscroll(e), 0) << "an empty text scrolls to the top";

  spot closed = field(1);
  setlivefield(closed, 0);
  setfieldscroll(closed, 5);
  ListHandle rows = fudgealistrec(closed);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(LGetDataBounds(rows).bottom, 2) << "the rows of a field without a live list";
  EXPECT_EQ(LGetVerticalScrollBar(rows), nilid);
  EXPECT_EQ(getfieldscroll(closed), 2) << "no further than its rows";
  LDispose(rows);
  EXPECT_EQ(fudgealistrec(e), nullptr) << "a field with a live list reads that";
}

TEST_F(ListFieldTest, AScrollingListDrawsItsScrollBarForItsRows) {
  std::string ten = "r0";
  for (int i = 1; i < 10; ++i) ten += "\rr" + std::to_string(i);
  make({listfield("S", 303, ten), listfield("T", 302, "one\rtwo", Rect{20, 150, 72, 250})});
  ListHandle l = fieldlisthandle(field(0));
  ASSERT_NE(l, nullptr);
  const ControlRef bar = LGetVerticalScrollBar(l);
  ASSERT_NE(bar, nilid);
  EXPECT_EQ(GetControl32BitMaximum(bar), 6) << "ten rows of 13 in a view of 52";
  EXPECT_EQ(GetControlViewSize(bar), 5);
  EXPECT_FALSE(IsControlVisible(bar)) << "parked between drawings";
  EXPECT_EQ(listcellmeasurements(), 1u) << "two lists in one font measure their cells once";
  EXPECT_EQ(LGetCellSize(l).v, 13);
}

TEST_F(ListFieldTest, ClickedRowsAreSelectedAndShownHilited) {
  make({listfield("L", 302, "apple\rbanana\rcherry")});
  click(30, 20 + 13 + 5);
  EXPECT_EQ(log(), "clickList,");
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "2");
  EXPECT_EQ(cardvalue("the hilitedText of card field \"L\""), "banana");
  EXPECT_EQ(pixel(110, 20 + 13 + 2), kHilite) << "the selected row on the highlight";
  EXPECT_EQ(pixel(110, 20 + 2), kWhite) << "the others on white";
  bool white = false;
  for (i16 h = 24; h < 60 && !white; ++h) white = pixel(h, 20 + 13 + 8) == kWhite;
  EXPECT_TRUE(white) << "its text in white";

  clearlog();
  click(30, 20 + 5);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "1") << "a plain click selects one row";
  click(30, 20 + 26 + 5, shiftKey);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "1,2,3") << "shift extends";
  click(30, 20 + 13 + 5, cmdKey);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "1,3") << "command toggles";
  ASSERT_EQ(doline("set the listStyle of card field \"L\" to \"selOne\""), 0);
  click(30, 20 + 5, shiftKey);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "1") << "one row at most";

  click(30, 20 + 45);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "") << "below the rows: nothing selected";
  clearlog();
  drive::doubleClick(at(30, 20 + 5));
  settle();
  EXPECT_EQ(log(), "clickList,doubleClickList,");
}

TEST_F(ListFieldTest, ScriptsClickAndSelectRows) {
  make({listfield("L", 302, "apple\rbanana\rberry\rcherry")});
  ASSERT_EQ(doline("click at 30," + std::to_string(20 + 26 + 5)), 0);
  settle();
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "3");
  ASSERT_EQ(doline("set the hilitedLines of card field \"L\" to 4"), 0);
  EXPECT_EQ(cardvalue("the hilitedText of card field \"L\""), "cherry");
  ASSERT_EQ(doline("listKey card field \"L\", \"b\""), 0);
  EXPECT_EQ(cardvalue("the hilitedText of card field \"L\""), "banana") << "typing ahead selects the row";
  ASSERT_EQ(doline("listKey card field \"L\", \"e\""), 0);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "3") << "\"be\": berry";
}

TEST_F(ListFieldTest, ActivatingAListDirectly) {
  make({listfield("L", 302, "one\rtwo")});
  spot s = field(0);
  bool scrolled = true;
  desk& d = mainglobals().current;
  d.window = current().window;
  EXPECT_FALSE(activatethelist(s, Point{20 + 5, 30}, &scrolled, 1));
  EXPECT_FALSE(scrolled);
  EXPECT_TRUE(activatethelist(s, Point{20 + 5, 30}, &scrolled, 1)) << "a second click soon after";
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "1");
  activatethelist(s, Point{20 + 40, 30}, &scrolled, 1);
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "") << "below the rows, inside the list";
}

TEST_F(ListFieldTest, LeavingTheCardResetsItsLists) {
  make({listfield("L", 302, "one\rtwo\rthree\rfour\rfive\rsix")});
  ASSERT_EQ(doline("set the hilitedLines of card field \"L\" to 2,3"), 0);
  spot s = field(0);
  listscrollto(s, 2);
  setfieldscroll(s, 2);
  putspot(current().cardspots, 0, s);
  cleanlist();
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "");
  EXPECT_EQ(getfieldscroll(field(0)), 0);
  listwindow w{};
  ASSERT_TRUE(listvisiblerows(field(0), &w));
  EXPECT_EQ(w.first, 0);
  EXPECT_EQ(w.shown, 4);

  s = field(0);
  setlistmode(s, false, 300);
  EXPECT_EQ(fieldlisthandle(s), nullptr);
  setlistmode(s, true, 303);
  EXPECT_EQ(s.style, 303);
  ASSERT_NE(fieldlisthandle(s), nullptr);
  EXPECT_EQ(getfieldscroll(s), 0);
  EXPECT_NE(LGetVerticalScrollBar(fieldlisthandle(s)), nilid) << "a scrolling list's own bar";
  putspot(current().cardspots, 0, s);
}

TEST_F(ListFieldTest, AListFieldSwitchedToTextLosesItsList) {
  make({listfield("L", 302, "one\rtwo\rthree")});
  ASSERT_NE(fieldlisthandle(field(0)), nullptr);
  const std::size_t lists = LCountLists();
  ASSERT_EQ(doline("set the style of card field \"L\" to rectangle"), 0);
  settle();
  EXPECT_EQ(fieldlisthandle(field(0)), nullptr);
  EXPECT_EQ(LCountLists(), lists - 1) << "no list left behind";
  ASSERT_EQ(doline("set the style of card field \"L\" to list"), 0);
  settle();
  EXPECT_NE(fieldlisthandle(field(0)), nullptr);
  EXPECT_EQ(getfieldscroll(field(0)), 0);
  EXPECT_EQ(listrowcount(field(0)), 3);
  ASSERT_EQ(doline("go next"), 0);
  EXPECT_EQ(LCountLists(), lists - 1) << "leaving the card disposes of the list";
}

// The cells as the list definition draws them into a window of its own.
class ListCellTest : public ListFieldTest {
 protected:
  // Draws `text` into a cell `width` wide at the window's top left and answers how many
  // columns of the cell's rows 2..11 hold ink (not white).
  int inked(const std::string& text, i16 width, bool selected = false) {
    SavePort saved;
    SetPortWindowPort(current().window);
    const Rect all{0, 0, 40, 300};
    const RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBBackColor(&white);
    BackPat(&qdwhite);
    EraseRect(&all);
    const Rect view{0, 0, 13, width};
    ListHandle l = LNew(&view, 1, 13, current().window, true, false, MyListDefinition);
    LSetIndent(Point{10, 4}, l);
    LSetCell(text.data(), i16(text.size()), Cell{0, 0}, l);
    LSetSelect(selected, Cell{0, 0}, l);
    const Rect cell{0, 0, 13, width};
    MyListDefinition(lDrawMsg, selected, &cell, Cell{0, 0}, reinterpret_cast<const u8*>(text.data()), i16(text.size()),
                     l);
    const Frame f = drive::windowpixels(current().window);
    LDispose(l);
    int columns = 0;
    for (i16 h = 0; h < 300; ++h) {
      bool ink = false;
      for (i16 v = 2; v < 12 && !ink; ++v) ink = (drive::pixelat(f, h, v) & 0xFFFFFF) != (selected ? kHilite : kWhite);
      columns += ink ? 1 : 0;
    }
    return columns;
  }
};

TEST_F(ListCellTest, TextTooWideForItsCellEndsInAnEllipsis) {
  make({});
  SavePort saved;
  SetPortWindowPort(current().window);
  const i16 ellipsis = CharWidth(201);
  const std::string text = "abcdef";
  const i16 whole = TextWidth(text.data(), 0, i16(text.size()));
  EXPECT_EQ(inked(text, i16(ellipsis + 4)), 0) << "narrower than an ellipsis and 5: nothing";
  const int all = inked(text, i16(whole + 5 + 10));
  EXPECT_GT(all, 0);
  const int cut = inked(text, i16(whole + 5 - 1));
  EXPECT_GT(cut, 0) << "the start and the ellipsis";
  EXPECT_NE(cut, all);
  EXPECT_EQ(inked(text, i16(ellipsis + 5)), inked("\xC9", i16(ellipsis + 5))) << "room for the ellipsis alone";
  EXPECT_GT(inked(text, whole, true), 0) << "a selected cell's text in white on the highlight";
}

}  // namespace
}  // namespace kv
