// Reading text styles, scrolls, window words and rich text as scripts do: styles over chunks
// of fields that are shown and that are not, the words of buttons and menu items, the scroll
// of fields and windows, the tool, theme background, opacity, screen lock and largest
// rectangle of windows, latent visibility, and the rich text of fields and graphics.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "commands/define.h"
#include "engine/fred.h"
#include "fields/fieldview.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "properties/latentvis.h"
#include "properties/propfront.h"
#include "properties/textrecords.h"
#include "shell/dialogutils.h"
#include "shell/palettes.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "tests/properties/proptest.h"
#include "textengine/weinternal.h"

namespace kv {
namespace {

constexpr i16 kGeneva = 3, kTimes = 20;

stylerun styled(i32 start, i16 font, u8 face) {
  stylerun r{};
  r.start = start;
  r.height = 16;
  r.ascent = 12;
  r.font = font;
  r.face = face;
  r.size = 12;
  return r;
}

// Gives a field of another card the text "abcdefghij" in the runs given.
void styledtext(Handle data, const std::vector<stylerun>& runs) {
  ASSERT_EQ(setfieldtext(data, runs.data(), u16(runs.size()), "abcdefghij", 10, defaultfieldtail()), noErr);
}

class TextWindowTest : public PropertyTest {
 protected:
  // Runs `change` on the stored text of the field of card "Two" (made when missing).
  void secondcard(const std::vector<stylerun>& runs) {
    objread obj{};
    ASSERT_EQ(readreference("card field 1 of card \"Two\"", &obj), 0);
    styledtext(spotat(obj.objects, obj.objindex).data, runs);
    markowner(obj);
    writeobj(&obj);
  }
  std::string two(std::string_view expr) { return cardvalue(std::string(expr) + " of card field 1 of card \"Two\""); }
};

class TextGetterTest : public TextWindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(withfield());
    ASSERT_EQ(open(), 0);
  }
  // Card "Two" gets a field "Styled" and a scrolling field "Long" of 40 lines (the fixture's
  // project has none there) and the second menu item is bold and italic.
  static testproject::Project withfield();
  // Gives a card object's user property a new value in place of the one it has.
  static void replacecardprop(std::string_view object, std::string_view name, std::string_view value) {
    spot s = cardspot(object);
    Handle props = s.uprops;
    const std::string key = char(name.size()) + std::string(name);
    lowundefineprop(&props, reinterpret_cast<ConstStringPtr>(key.data()));
    s.uprops = props;
    putcardspot(object, s);
    addcardprop(object, name, value);
  }
};

testproject::Project TextGetterTest::withfield() {
  testproject::Project p = PropertyTest::project();
  testproject::Object f;
  f.kind = testproject::Object::field;
  f.name = "Styled";
  f.text = "abcdefghij";
  testproject::Object longer;
  longer.kind = testproject::Object::field;
  longer.name = "Long";
  longer.style = 301;
  longer.rect = Rect{200, 10, 260, 200};
  for (int i = 1; i <= 40; ++i) longer.text += "line " + std::to_string(i) + "\n";
  p.windows[0].cards[1].objects = {f, longer};
  p.menus[0].items[1].flags = (1u << 3) | (1u << 4);
  return p;
}

TEST_F(TextGetterTest, StylesOverChunksOfAFieldNotShown) {
  secondcard({styled(0, kGeneva, 0), styled(5, kTimes, 0)});
  EXPECT_EQ(two("the textFont of char 3 to 8"), "mixed");
  EXPECT_EQ(two("the textFont of char 1 to 5"), "Geneva");
  EXPECT_EQ(two("the textFont of char 7"), "Times");
  EXPECT_EQ(two("the textFont"), "mixed") << "the whole text";
  EXPECT_EQ(two("the textSize of char 2 to 9"), "12");
  EXPECT_EQ(two("the textHeight"), "Auto") << "two runs";
  secondcard({styled(0, kGeneva, 1), styled(5, kGeneva, 3)});
  EXPECT_EQ(two("the textStyle of char 3 to 8"), "mixed") << "bold, then bold italic";
  EXPECT_EQ(two("the textStyle of char 1 to 5"), "bold");
  EXPECT_EQ(two("the textStyle of char 6 to 10"), "bold,italic");
  EXPECT_EQ(two("the strikeThrough of char 1 to 10"), "false");
  secondcard({styled(0, kGeneva, 0)});
  const std::string height = two("the textHeight");
  EXPECT_NE(height, "Auto");
  EXPECT_GT(std::atoi(height.c_str()), 0) << "the first line's height";
  mainglobals().colorWorld = 0;
  EXPECT_EQ(two("the textColor"), "Unknown");
  EXPECT_EQ(two("the textBackgroundColor"), "Unknown");
  EXPECT_EQ(two("the textAlign"), "left") << "the stored text's justification";
}

TEST_F(TextGetterTest, ReadingAShownFieldLeavesItAsItWas) {
  objread obj{};
  ASSERT_EQ(readreference("card field \"Notes\"", &obj), 0);
  const spot before = spotat(obj.objects, obj.objindex);
  const std::vector<u8> stored(deref(before.data), deref(before.data) + GetHandleSize(before.data));
  const WEReference we = borrowedrecord(obj, false);
  writeobj(&obj);
  ASSERT_NE(we, nilid) << "the shown field's live record";
  // Half of "first line" struck through, in the live record only.
  WETextStyle struck{};
  struck.extraFace = 1;
  struck.extraFaceMask = 1;
  ASSERT_EQ(_WESetStyleRange(0, 5, weDoExtraFace | weDoExtraFaceMask, &struck, we), noErr);
  WESetSelection(2, 4, we);
  EXPECT_NE(cardvalue("the textFont of word 2 of card field \"Notes\""), "");
  EXPECT_EQ(cardvalue("the textSize of line 2 of card field \"Notes\""),
            cardvalue("the textSize of card field \"Notes\""));
  EXPECT_EQ(cardvalue("the textStyle of card field \"Notes\""), "plain");
  EXPECT_EQ(cardvalue("the strikeThrough of word 1 of card field \"Notes\""), "true");
  EXPECT_EQ(cardvalue("the strikeThrough of line 1 of card field \"Notes\""), "mixed");
  EXPECT_EQ(cardvalue("the strikeThrough of line 2 of card field \"Notes\""), "false");
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 2);
  EXPECT_EQ(end, 4);
  SetWERecDirtyFlag(we, false);
  const spot after = cardspot("Notes");
  EXPECT_EQ(std::vector<u8>(deref(after.data), deref(after.data) + GetHandleSize(after.data)), stored);
  EXPECT_FALSE(changed(mainglobals().current.cardrecid));
}

TEST_F(TextGetterTest, AFailingAllocationLeavesNothingBehind) {
  // Every allocation of reading styles over a field that is not shown fails in turn: the
  // temporary record, the descriptor and the pen level are given back on every path.
  EXPECT_GT(sweepallocations(
                withfield(), [this] { ASSERT_EQ(open(), 0); },
                [this] {
                  const i16 pen = GetPortPenVisibility(currentportid());
                  const i16 st = doline(
                      "global g\nput the textStyle of char 3 to 8 of card field 1 of card \"Two\" into g");
                  EXPECT_EQ(GetPortPenVisibility(currentportid()), pen);
                  return st;
                },
                [this](i16 st) {
                  // (A `put` into a global can lose its value to a failing allocation and
                  // still answer 0: only a value that arrived is checked.)
                  if (st == 0 && !global("g").empty()) {
                    EXPECT_EQ(global("g"), "plain");
                  }
                }),
            10);
}

TEST_F(TextGetterTest, AFailingAllocationLeavesNoRichTextRecordBehind) {
  EXPECT_GT(sweepallocations(
                withfield(), [this] { ASSERT_EQ(open(), 0); },
                [this] {
                  const i16 pen = GetPortPenVisibility(currentportid());
                  const i16 st = doline("get the rtfText of card field 1 of card \"Two\"");
                  EXPECT_EQ(GetPortPenVisibility(currentportid()), pen);
                  return st;
                }),
            10);
}

TEST_F(TextGetterTest, RulerWordsNeedAFieldOfTheEnginesOwnForm) {
  cardrows({
      {"", "the leftIndent of graphic \"Box\"", "error 210"},
      {"", "the rulerInfo of card button \"Go\"", "error 210"},
      {"", "the textDirection of card field \"Notes\"", "default"},
      {"", "the spaceBefore of line 2 of card field \"Notes\"", "0"},
      {"", "the rulerUnits of card field \"Notes\"", "error 210"},
  });
  objread obj{};
  ASSERT_EQ(readreference("card field \"Notes\"", &obj), 0);
  const WEReference we = borrowedrecord(obj, false);
  writeobj(&obj);
  ASSERT_NE(we, nilid);
  WESetSelection(1, 3, we);
  EXPECT_EQ(cardvalue("the leftIndent of char 30 to 40 of card field \"Notes\""), "0")
      << "a range past the text reads the last paragraph";
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 3);
}

TEST_F(TextGetterTest, ButtonsMenuItemsAndGraphics) {
  // Drawn when the card opened, the button's control took the system font.
  EXPECT_EQ(cardvalue("the textFont of button \"Go\""), "Chicago");
  ASSERT_EQ(doline("set the textFont of button \"Go\" to \"Times\"\nset the textSize of button \"Go\" to 14\n"
                   "set the textStyle of button \"Go\" to bold\nset the textAlign of button \"Go\" to center"),
            0);
  cardrows({
      {"", "the textFont of button \"Go\"", "Times"},
      {"", "the textSize of button \"Go\"", "14"},
      {"", "the textStyle of button \"Go\"", "bold"},
      {"", "the textAlign of button \"Go\"", "center"},
      {"", "the textHeight of button \"Go\"", "0"},
      {"", "the textInk of button \"Go\"", ""},
      {"", "the textStyle of item 2 of menu 1", "bold,italic"},
      {"", "the textStyle of item 1 of menu 1", "plain"},
      {"", "the textSize of item 2 of menu 1", "error 2"},
      {"", "the textFont of graphic \"Box\"", "error 81"},
      {"", "the textFont of card 1", "error 2"},
  });
  // Beside a font number above 1, "__textFont" names the font.
  replacecardprop("Go", "__textFont", "Geneva");
  EXPECT_EQ(cardvalue("the textFont of button \"Go\""), "Geneva") << "the property names the font";
  ASSERT_EQ(setline("set the textFont of button \"Two\" to \"Times\""), 0);
  replacecardprop("Two", "__textFont", "No Such Family Here");
  EXPECT_EQ(cardvalue("the textFont of button \"Two\""), "No Such Family Here") << "a family not installed here";
  EXPECT_EQ(cardvalue("the textFont"), cardvalue("the textFont")) << "the global default";
  EXPECT_NE(cardvalue("the textFont").rfind("error", 0), 0u);
}

TEST_F(TextGetterTest, ScrollsOfFieldsCardsAndWindows) {
  spot notes = cardspot("Notes");
  notes.style = stylefieldscroll;
  setfieldscroll(notes, 24);
  putcardspot("Notes", notes);
  EXPECT_EQ(cardvalue("the scroll of card field \"Notes\""), "24");
  EXPECT_EQ(cardvalue("the maximumScroll of card field \"Notes\""), "0") << "a text shorter than its view";
  EXPECT_EQ(cardvalue("the scroll of bkgnd field \"Title\""), "error 98");
  EXPECT_EQ(cardvalue("the maximumScroll of bkgnd field \"Title\""), "error 98");
  EXPECT_EQ(cardvalue("the scroll of card 1"), "error 2");
  EXPECT_EQ(cardvalue("the maximumScroll of window 1"), "error 2");
  EXPECT_EQ(cardvalue("the scroll of window 1"), "0,0");
  EXPECT_EQ(cardvalue("the scroll of window \"Other\""), "error 61");
  mainglobals().plugin = 1;
  EXPECT_EQ(cardvalue("the scroll of window 1"), "error 177");
  mainglobals().plugin = 0;
}

TEST_F(TextGetterTest, TheMaximumScrollIsHowFarTheScrollCanGo) {
  // Not shown, through a record made for the reading; then shown, through the live record.
  for (const char* shown : {"", "go card 2"}) {
    ASSERT_EQ(doline(shown), 0);
    const std::string field = " of card field \"Long\" of card \"Two\"";
    const std::string most = cardvalue("the maximumScroll" + field);
    EXPECT_GT(std::atoi(most.c_str()), 100) << "40 lines in a view of 60 pixels: " << most;
    ASSERT_EQ(setline("set the scroll" + field + " to 100000"), 0);
    EXPECT_EQ(cardvalue("the scroll" + field), most) << "the scroll stops at the maximum";
    ASSERT_EQ(setline("set the scroll" + field + " to 30"), 0);
    EXPECT_EQ(cardvalue("the maximumScroll" + field), most);
    EXPECT_EQ(cardvalue("the scroll" + field), "30") << "reading the maximum leaves the scroll";
  }
}

TEST_F(TextGetterTest, ColourIndexesSearchOnlyTheEntriesATableHas) {
  // A table that says it has 2 entries but holds 3: the third is never matched.
  Handle clut = NewHandleClear(Size(sizeof(ColorTableHeader) + 3 * sizeof(ColorSpec)));
  ASSERT_NE(clut, nilhandle);
  ColorTableHeader h{};
  h.ctSize = 1;
  storeat(deref(clut), h);
  auto entry = [&](i32 i, RGBColor c) {
    storeat(deref(clut) + sizeof h + i * sizeof(ColorSpec), ColorSpec{i16(i), c});
  };
  entry(0, RGBColor{0xFFFF, 0xFFFF, 0xFFFF});
  entry(1, RGBColor{0x1234, 0x5678, 0x9ABC});
  entry(2, RGBColor{0x4000, 0x4000, 0x4000});
  EXPECT_EQ(colourindex(clut, RGBColor{0x1234, 0x5678, 0x9ABC}), 2);
  EXPECT_EQ(colourindex(clut, RGBColor{0x1200, 0x5640, 0x9A80}), 2) << "equal above the low 6 bits";
  EXPECT_EQ(colourindex(clut, RGBColor{0x4000, 0x4000, 0x4000}), 0) << "past the table's count";
  h.ctSize = 255;  // a count larger than the block: only what the block holds is read
  storeat(deref(clut), h);
  EXPECT_EQ(colourindex(clut, RGBColor{0x4000, 0x4000, 0x4000}), 3);
  EXPECT_EQ(colourindex(clut, RGBColor{1, 2, 3}), 0);
  DisposeHandle(clut);
}

class WindowGetterTest : public TextGetterTest {};

TEST_F(WindowGetterTest, WordsOfTheWindowContext) {
  EXPECT_EQ(cardvalue("the tool"), "browse tool");
  EXPECT_EQ(cardvalue("the tool of window 1"), "browse tool");
  EXPECT_EQ(cardvalue("tool of window \"Nowhere\""), "error 55") << "a bad reference without `the`";
  EXPECT_EQ(cardvalue("the tool of card 1"), "error 2");
  EXPECT_EQ(cardvalue("the editBackground of window 1"), "false");
  EXPECT_EQ(cardvalue("the tool of window \"Other\""), "error 61");
  EXPECT_EQ(cardvalue("the themeBackground of window \"Other\""), "default") << "read from the record";
  windrec w = loadat<windrec>(deref(mainglobals().current.wind));
  w.themeback = 3;
  w.translucency = 20;
  storeat(deref(mainglobals().current.wind), w);
  EXPECT_EQ(cardvalue("the themeBackground of window 1"), "alertWindow");
  EXPECT_EQ(cardvalue("the opacity of window 1"), "80");
  w.themeback = 768;
  storeat(deref(mainglobals().current.wind), w);
  EXPECT_EQ(cardvalue("the themeBackground of window 1"), "3") << "an explicit theme brush";
  w.themeback = 9;
  storeat(deref(mainglobals().current.wind), w);
  EXPECT_EQ(cardvalue("the themeBackground"), "unknown");

  const WindowRef window = mainglobals().current.window;
  EXPECT_EQ(cardvalue("the lockScreen of window 1"), "false");
  {
    SavePort saved;
    SetPort(GetWindowPort(window));
    HidePen();
    EXPECT_EQ(cardvalue("the lockScreen of window 1"), "true");
    ShowPen();
  }
  Rect max{};
  GetMaxRect(window, &max);
  EXPECT_LT(max.top, max.bottom);
  EXPECT_EQ(cardvalue("the maximumRect of window 1"), std::to_string(max.left) + "," + std::to_string(max.top) + "," +
                                                          std::to_string(max.right) + "," + std::to_string(max.bottom));
}

TEST_F(WindowGetterTest, WindowsHiddenForATimeReadVisible) {
  const WindowRef window = mainglobals().current.window;
  EXPECT_EQ(cardvalue("the visible of window 1"), "true");
  HideWindow(window);
  setwindowlatentvis(window, 1);
  EXPECT_EQ(cardvalue("the visible of window 1"), "true") << "the program hid it while behind";
  setwindowlatentvis(window, 0);
  EXPECT_EQ(cardvalue("the visible of window 1"), "false") << "a script hid it";
  EXPECT_EQ(cardvalue("the visible of window \"Other\""), "false");
  const WindowRef invalid = WindowRef(0x0ABCDEF1);
  setwindowlatentvis(invalid, 1);
  EXPECT_EQ(getwindowlatentvis(invalid), 0);
  EXPECT_EQ(getwindowlatentvis(nilid), 0);
  ShowWindow(window);
}

TEST_F(WindowGetterTest, RichText) {
  EXPECT_EQ(cardvalue("the rtfText"), "error 5");
  EXPECT_EQ(cardvalue("the rtfText of graphic \"Box\""), "error 81");
  EXPECT_EQ(cardvalue("the rtfText of card button 1"), "");
  EXPECT_EQ(cardvalue("the rtfText of card 1"), "");
  const std::string rtf = cardvalue("the rtfText of card field \"Notes\"");
  EXPECT_EQ(rtf.substr(0, 10), "{\\rtf1\\mac");
  EXPECT_NE(rtf.find(" first line\\par\nsecond line}}"), std::string::npos) << rtf;
  // A bold word, in a shown field (its live record, whose selection stays) and in one that is
  // not shown (a record made for the reading).
  objread obj{};
  ASSERT_EQ(readreference("card field \"Notes\"", &obj), 0);
  const WEReference we = borrowedrecord(obj, true);
  writeobj(&obj);
  ASSERT_NE(we, nilid);
  ASSERT_EQ(setline("set the textStyle of word 2 of card field \"Notes\" to bold"), 0);
  ASSERT_EQ(setline("set the textStyle of char 2 to 4 of card field 1 of card \"Two\" to bold"), 0);
  WESetSelection(3, 7, we);
  for (const char* field : {"card field \"Notes\"", "card field 1 of card \"Two\""}) {
    const std::string bold = cardvalue(std::string("the rtfText of ") + field);
    EXPECT_EQ(bold.substr(0, 6), "{\\rtf1") << field;
    const std::size_t b = bold.find("\\b");
    ASSERT_NE(b, std::string::npos) << bold;
    const std::string word = std::string(field).find("Notes") != std::string::npos ? "line" : "bcd";
    EXPECT_NE(bold.find(word, b), std::string::npos) << "the bold word follows \\b: " << bold;
    EXPECT_EQ(bold.rfind(word, b), std::string::npos) << "and not before it: " << bold;
  }
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 7);
  // A field's text that cannot be written (an allocation of the writer fails) shows the error
  // and gives empty with no error.
  const i16 pen = GetPortPenVisibility(currentportid());
  bool shown = false;
  for (std::size_t n = 1; n < 400 && !shown; ++n) {
    transcriptclear();
    queueanswer(Answer{"alert", "Cancel", {}});
    failallocationafter(n);
    const std::string value = cardvalue("the rtfText of card field \"Notes\"");
    failallocationafter(0);
    clearanswers();
    for (const std::string& line : transcriptlines())
      if (line.find("Veltrix Error Number 191") != std::string::npos) shown = true;
    if (shown) {
      EXPECT_EQ(value, "");
    }
  }
  EXPECT_TRUE(shown);
  EXPECT_EQ(GetPortPenVisibility(currentportid()), pen) << "drawing is shown again";
}

// A scrolling window whose port is smaller than its card.
class ScrollingWindowTest : public WindowTest {};

TEST_F(ScrollingWindowTest, TheScrollOfAWindowIsWhereItsCardScrollBarsStand) {
  testproject::Project p;
  testproject::Window w;
  w.style = 1;
  w.rect = Rect{100, 100, 250, 300};
  testproject::Background b{"B", "", {}};
  b.width = 300;
  b.height = 200;
  w.backgrounds.push_back(b);
  w.cards.push_back(testproject::Card{});
  p.windows.push_back(w);
  build(p);
  ASSERT_EQ(open(), 0);
  const desk& d = current();
  ASSERT_NE(d.hscroll, nilid);
  SetControl32BitValue(d.hscroll, 40);
  SetControl32BitValue(d.vscroll, 30);
  EXPECT_EQ(cardvalue("the scroll of window 1"), "40,30");
  EXPECT_EQ(cardvalue("the scroll of this window"), "40,30");
}

// A palette hidden by the program while it is behind still reads visible; one a script hid
// does not.
using PaletteWindowTest = WindowTest;

TEST_F(PaletteWindowTest, APaletteHiddenWhileTheProgramIsBehindReadsVisible) {
  testproject::Project p;
  testproject::Window w;
  w.name = "Tools";
  w.style = 6;
  w.backgrounds.push_back(testproject::Background{"B", "", {}});
  w.cards.push_back(testproject::Card{});
  p.windows.push_back(w);
  build(p);
  ASSERT_EQ(open(), 0);
  const WindowRef window = current().window;
  EXPECT_EQ(cardvalue("the visible of window \"Tools\""), "true");
  showHidePalettes(0);
  ASSERT_FALSE(IsWindowVisible(window)) << "hidden while the program is behind";
  EXPECT_EQ(cardvalue("the visible of window \"Tools\""), "true");
  showHidePalettes(1);
  ASSERT_TRUE(IsWindowVisible(window));
  ASSERT_EQ(doline("hide window \"Tools\""), 0);
  EXPECT_EQ(cardvalue("the visible of window \"Tools\""), "false");
}

}  // namespace
}  // namespace kv
