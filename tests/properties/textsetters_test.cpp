// Setters that replace or restyle a whole text: the text of fields (values, RTF, files, the
// clipboard, another field), text styles of fields, buttons, text graphics and menu items,
// paragraph rulers, hilited lines, scripts, contents and the text data of text graphics.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "render/drawroutines.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "engine/fred.h"
#include "engine/textutil.h"
#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "properties/picturedata.h"
#include "properties/picturesettings.h"
#include "properties/propservices.h"
#include "properties/userprops.h"
#include "render/controlvisibility.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "system/proctable.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "platform/controls/controls.h"
#include "platform/lists/lists.h"
#include "platform/menus/menus.h"
#include "shell/menus.h"
#include "textengine/fieldstorage.h"
#include "textengine/weinternal.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

using testproject::Object;

class TextSetterTest : public PropertyTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(textproject());
    ASSERT_EQ(open(), 0);
  }

  // The "__textFont" user property of a card object, or "<none>".
  std::string textfontprop(std::string_view object) {
    Handle name = nilhandle;
    if (prophandutil(cardspot(object).uprops, reinterpret_cast<ConstStringPtr>("\x0A__textFont"), &name) != 0)
      return "<none>";
    return bytes(name);
  }

  // The property tests' project with a second card field "Src", a list field "L" of ten rows
  // "r1" ... "r10", a text graphic "T", a field "my notes" of four paragraphs and a list field
  // "None" without rows on card One, and a list field "Far" on card Two.
  static testproject::Project textproject() {
    testproject::Project p = project();
    auto& one = p.windows[0].cards[0];
    Object src;
    src.kind = Object::field;
    src.name = "Src";
    src.text = "copied text";
    src.rect = Rect{300, 200, 340, 300};
    Object list;
    list.kind = Object::field;
    list.name = "L";
    list.style = 302;
    list.text = "r1\nr2\nr3\nr4\nr5\nr6\nr7\nr8\nr9\nr10";
    list.rect = Rect{300, 320, 380, 420};
    Object none = list;
    none.name = "None";
    none.text = "";
    none.rect = Rect{300, 440, 380, 520};
    Object label;
    label.kind = Object::graphic;
    label.name = "T";
    label.style = 106;
    label.rect = Rect{250, 10, 270, 100};
    Object paras;
    paras.kind = Object::field;
    paras.name = "my notes";
    paras.text = "one\ntwo\nthree\nfour";
    paras.rect = Rect{150, 300, 250, 500};
    one.objects.insert(one.objects.end(), {src, list, label, paras, none});
    Object far;
    far.kind = Object::field;
    far.name = "Far";
    far.style = 302;
    far.text = "x\ny";
    Object away;
    away.kind = Object::field;
    away.name = "Away";
    away.text = "not shown";
    p.windows[0].cards[1].objects = {far, away};
    return p;
  }

  // The characters of a field's or graphic's stored text.
  static std::string storedtext(std::string_view name) {
    Handle data = cardspot(name).data;
    fieldtextlayout l = measurefieldtext(data);
    if (!l.whole) return {};
    return std::string(reinterpret_cast<const char*>(deref(data)) + l.textoffset, size_t(l.textlength));
  }
  // The face of the stored style run that covers character `at`.
  // The face at an offset of a field's text as a text record loaded from it reads it (a field of
  // the text engine's styles keeps its first run in the stored text, the rest in its streams).
  static u8 storedface(std::string_view name, i32 at) {
    const spot f = cardspot(name);
    LongRect dest{}, view{};
    ldestview(f, &dest, &view);
    const WEReference we = createwerec(f, dest, view);
    WEExtRunInfo info;
    _WEGetExtRunInfo(at, &info, we);
    WEDispose(we);
    return info.style.ts.face;
  }
  static std::string bytes(Handle h) {
    return h == nilhandle ? std::string()
                          : std::string(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h)));
  }
  std::string writefile(std::string_view name, std::string_view content) {
    std::string path = home->path() + "/" + std::string(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  static void setclipboard(std::vector<ClipFlavor> flavors) { headlessbackend()->setexternalclipboard(flavors); }
  // The card field of that name taken as the field being edited, its live record as the open
  // record (which it answers); forgetfield lets it go.
  static WEReference editedfield(std::string_view name) {
    const WEReference we = livefield(cardspot(name));
    MainGlobals& g = mainglobals();
    g.openfield = i16(cardindex(name));
    g.openfieldspots = g.current.cardspots;
    g.openfieldwindow = g.current.window;
    g.openfieldrec = we;
    return we;
  }
  static void forgetfield() {
    MainGlobals& g = mainglobals();
    g.openfield = -1;
    g.openfieldspots = nilhandle;
    g.openfieldwindow = nilid;
    g.openfieldrec = nilid;
  }
};

// --- Field text --------------------------------------------------------------------------------

TEST_F(TextSetterTest, PlainValuesReplaceTheWholeText) {
  takeredraws();
  ASSERT_EQ(setline("set the text of card field \"Notes\" to \"abc\""), 0);
  EXPECT_EQ(storedtext("Notes"), "abc");
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));
  EXPECT_FALSE(takeredraws().empty()) << "the field is redrawn";
  ASSERT_EQ(setline("set text of card field \"Notes\" to \"{\\rt\""), 0);
  EXPECT_EQ(storedtext("Notes"), "{\\rt") << "four characters of the header are plain text";
  ASSERT_EQ(setline("set text of card field \"Notes\" to numToChar(255) & numToChar(254) & \"a\""), 0);
  EXPECT_EQ(storedtext("Notes"),
            "\xFF\xFE"
            "a")
      << "an odd length is no UTF-16";
  ASSERT_EQ(setline("set text of card field \"Notes\" to numToChar(255) & numToChar(254) & \"h\" & numToChar(0)"), 0);
  EXPECT_EQ(storedtext("Notes"), "h") << "UTF-16 with its byte-order mark";
  ASSERT_EQ(setline("set text of card field \"Notes\" to numToChar(255) & numToChar(254) & \"h\" & numToChar(0) & "
                    "numToChar(233) & numToChar(0) & numToChar(13) & numToChar(0) & numToChar(10) & numToChar(0) & "
                    "\"x\" & numToChar(0)"),
            0);
  EXPECT_EQ(storedtext("Notes"), "h\x8E\rx") << "Mac Roman, a return-line-feed pair one return";
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));
  ASSERT_EQ(setline("set text of card field \"Notes\" to none"), 0);
  EXPECT_EQ(storedtext("Notes"), "");
}

TEST_F(TextSetterTest, RtfValuesAreRead) {
  ASSERT_EQ(setline("set text of card field \"Notes\" to \"{\\rtf1 a{\\b x}}\""), 0);
  EXPECT_EQ(storedtext("Notes"), "ax");
  EXPECT_EQ(storedface("Notes", 0) & 1, 0);
  EXPECT_EQ(storedface("Notes", 1) & 1, 1) << "x is bold";
  ASSERT_EQ(setline("set text of card field \"Notes\" to rtf data \"{\\rtf1 {\\i y}}\""), 0);
  EXPECT_EQ(storedtext("Notes"), "y");
  EXPECT_EQ(storedface("Notes", 0) & 2, 2);
}

TEST_F(TextSetterTest, BackgroundFieldMarksCardAndBackground) {
  ASSERT_EQ(setline("set text of bkgnd field \"Title\" to \"new title\""), 0);
  EXPECT_EQ(cardvalue("bkgnd field \"Title\""), "new title");
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));
  EXPECT_TRUE(changed(mainglobals().current.backrecid));
}

TEST_F(TextSetterTest, CopyFormTakesStylesAndObjects) {
  spot src = cardspot("Src");
  Handle alt = NewHandle(0);
  Handle payload = NewHandle(4);
  ASSERT_EQ(setaltdata(alt, payload, 2001), noErr);
  src.alt = alt;
  putcardspot("Src", src);
  ASSERT_EQ(setline("set text of card field \"Notes\" to the text of card field \"Src\""), 0);
  spot notes = cardspot("Notes");
  EXPECT_EQ(storedtext("Notes"), "copied text");
  EXPECT_EQ(bytes(notes.data), bytes(cardspot("Src").data)) << "the whole stored form";
  EXPECT_NE(notes.alt, nilhandle);
  EXPECT_NE(notes.alt, cardspot("Src").alt) << "a copy of the alternate data";
  EXPECT_TRUE(notes.flags & (1u << 26)) << "allowObjects";
}

TEST_F(TextSetterTest, RefusedSourcesAndTargets) {
  const std::string before = storedtext("Notes");
  setrows({{"set text of card field \"Notes\" to text of card field \"Src\"", "", "error 73"},
           {"set text of card field \"Notes\" to rtf \"x\"", "", "error 73"},
           {"set text of card field \"Notes\" to utxt \"x\"", "", "error 73"},
           {"set text of card field \"Notes\" to the clipBoard", "", "error 181"},
           {"set text of card field \"Notes\" to the text of button 1", "", "error 162"},
           {"set text of card field \"Notes\" to the text of card 1", "", "error 11"},
           {"set text of card field \"L\" to \"x\"", "", "error 162"},
           {"set text of button 1 to \"x\"", "", "error 45"},
           {"set text of card field \"Notes\" \"x\"", "", "error 7"},
           {"set text card field \"Notes\" to \"x\"", "", "error 5"}});
  EXPECT_EQ(storedtext("Notes"), before);
  ASSERT_EQ(doline("global v\nput 1 into v"), 0);
  EXPECT_EQ(setline("global v\nset text of v to \"x\""), 45);
  EXPECT_EQ(cardvalue("v"), "1");
}

TEST_F(TextSetterTest, ClipboardText) {
  setclipboard({ClipFlavor{fourcc("TEXT"), {'h', 'i'}}});
  ASSERT_EQ(setline("set text of card field \"Notes\" to clipBoard"), 0);
  EXPECT_EQ(storedtext("Notes"), "hi");
  setclipboard({});
  ASSERT_EQ(setline("set text of card field \"Notes\" to clipBoard"), 0);
  EXPECT_EQ(storedtext("Notes"), "hi") << "no text leaves the field";
  EXPECT_EQ(cardvalue("the result"), pstringview(resultstr(51)));
}

TEST_F(TextSetterTest, FilesAndPackages) {
  writefile("a.txt", "from a file");
  ASSERT_EQ(setline("set text of card field \"Notes\" to file \"a.txt\""), 0);
  EXPECT_EQ(storedtext("Notes"), "from a file");
  writefile("a.rtf", "{\\rtf1 one\\'0atwo\\par three}");
  ASSERT_EQ(setline("set text of card field \"Notes\" to file \"a.rtf\""), 0);
  EXPECT_EQ(storedtext("Notes"), "one\rtwo\rthree") << "line feeds become returns";
  writefile("b.rtfd/TXT.rtf", "{\\rtf1 packaged}");
  ASSERT_EQ(setline("set text of card field \"Notes\" to rtfd file \"b.rtfd\""), 0);
  EXPECT_EQ(storedtext("Notes"), "packaged");
  // A path longer than a short string.
  std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e') + "/long.txt";
  std::string full = writefile(deep, "deep text");
  ASSERT_GT(full.size(), 255u);
  ASSERT_EQ(setline("set text of card field \"Notes\" to file \"" + full + "\""), 0);
  EXPECT_EQ(storedtext("Notes"), "deep text");
  writefile("empty.txt", "");
  setrows({{"set text of card field \"Notes\" to file \"nosuch.txt\"", "the result", pstringview(resultstr(56))},
           {"set text of card field \"Notes\" to file \"\"", "the result", pstringview(resultstr(56))},
           {"set text of card field \"Notes\" to file \"empty.txt\"", "the result", pstringview(resultstr(14))},
           {"set text of card field \"Notes\" to rtf file \"nosuch.rtf\"", "", "error 186"}});
  EXPECT_EQ(storedtext("Notes"), "deep text");
}

// --- Text styles ---------------------------------------------------------------------------------

TEST_F(TextSetterTest, StyleOfAChunk) {
  ASSERT_EQ(setline("set the textStyle of word 2 of card field \"Notes\" to bold"), 0);
  EXPECT_EQ(storedtext("Notes"), "first line\rsecond line");
  EXPECT_EQ(storedface("Notes", 0) & 1, 0);
  EXPECT_EQ(storedface("Notes", 6) & 1, 1) << "\"line\" is bold";
  EXPECT_EQ(storedface("Notes", 11) & 1, 0);
  const std::string before = bytes(cardspot("Notes").data);
  EXPECT_EQ(setline("set the textStyle of card field \"Notes\" to bold,nosuch"), 83);
  EXPECT_EQ(setline("set the textHeight of card field \"Notes\" to 20"), 65);
  EXPECT_EQ(setline("set the textInk of card field \"Notes\" to blend"), 2);
  mainglobals().colorWorld = 0;
  EXPECT_EQ(setline("set the textColor of card field \"Notes\" to 3"), 0);
  EXPECT_EQ(bytes(cardspot("Notes").data), before) << "nothing changed";
  EXPECT_EQ(setline("set the textStyle of card field \"Notes\" to bold"), 0);
  EXPECT_EQ(storedface("Notes", 0) & 1, 1);
}

TEST_F(TextSetterTest, SizesBelowAutomaticAndListStylesOfShownLists) {
  // -5 is handed to the text engine as -1, which keeps no size below 1.
  ASSERT_EQ(setline("set the textSize of word 1 of card field \"Notes\" to -5"), 0);
  EXPECT_EQ(cardvalue("the textSize of word 1 of card field \"Notes\""), "1");
  EXPECT_EQ(cardvalue("the textSize of word 2 of card field \"Notes\""), "12") << "only the word";
  // A shown list: its word and the live list's selection flags.
  ASSERT_EQ(setline("set the listStyle of card field \"L\" to selOne, selFlip"), 0);
  EXPECT_EQ(cardvalue("the listStyle of card field \"L\""), "selOne,selFlip");
  const ListHandle list = fieldlisthandle(cardspot("L"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(LGetSelFlags(list), 128 | 4);
  ASSERT_EQ(setline("set the listStyle of card field \"L\" to selReset"), 0);
  EXPECT_EQ(LGetSelFlags(list), 0);
  EXPECT_EQ(setline("set the listStyle of card field \"L\" to nosuch"), 83);
}

TEST_F(TextSetterTest, StyleOfAFieldThatIsNotShown) {
  ASSERT_EQ(setline("set the textStyle of word 2 of card field \"Away\" of card 2 to underline"), 0);
  ASSERT_EQ(setline("go card 2"), 0);
  EXPECT_EQ(storedtext("Away"), "not shown");
  EXPECT_EQ(storedface("Away", 0) & 4, 0);
  EXPECT_EQ(storedface("Away", 4) & 4, 4) << "through a record over its stored text";
}

TEST_F(TextSetterTest, TheOpenFieldKeepsItsInsertionPoint) {
  const WEReference we = editedfield("Notes");
  ASSERT_TRUE(isvalidwerec(we));
  WESetSelection(3, 3, we);
  ASSERT_EQ(setline("set the textStyle of word 2 of card field \"Notes\" to italic"), 0);
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 3);
  EXPECT_TRUE(GetWERecDirtyFlag(we)) << "the edit is the open field's, not yet stored";
  WERunInfo info{};
  WEGetRunInfo(7, &info, we);
  EXPECT_EQ(info.face & 2, 2);
  forgetfield();
}

TEST_F(TextSetterTest, TheOpenFieldScrollsTheChangeIntoView) {
  // A scrolling field whose text is longer than its view, opened for typing with the insertion
  // point in its last line, then scrolled back to the top: a change scrolls the insertion point
  // into view again.
  ASSERT_EQ(setline("set the style of card field \"Notes\" to scrolling"), 0);
  ASSERT_EQ(doline("global t\nput empty into t"), 0);
  for (int i = 0; i < 40; ++i) ASSERT_EQ(doline("global t\nput \"line\" & return after t"), 0);
  ASSERT_EQ(setline("global t\nset the text of card field \"Notes\" to t"), 0);
  ASSERT_EQ(doline("select after char 199 of card field \"Notes\""), 0);
  const WEReference we = mainglobals().openfieldrec;
  ASSERT_TRUE(isvalidwerec(we)) << "the field is open";
  LongRect view{}, dest{};
  WEGetViewRect(&view, we);
  WEGetDestRect(&dest, we);
  WEScroll(0, view.top - dest.top, we);
  WEGetDestRect(&dest, we);
  ASSERT_GE(dest.top, view.top - 4) << "the top of the text in view";
  ASSERT_EQ(setline("set the textStyle of line 1 of card field \"Notes\" to bold"), 0);
  WEGetDestRect(&dest, we);
  EXPECT_LT(dest.top, view.top - 100) << "scrolled down to the insertion point";
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 199);
  // The chunk of the field being edited is read in its record.
  WERunInfo info{};
  WEGetRunInfo(2, &info, we);
  EXPECT_EQ(info.face & 1, 1) << "line 1 bold";
  WEGetRunInfo(7, &info, we);
  EXPECT_EQ(info.face & 1, 0) << "line 2 not";
  ASSERT_EQ(setline("set the textStyle of word 3 of card field \"Notes\" to italic"), 0);
  WEGetRunInfo(11, &info, we);
  EXPECT_EQ(info.face & 2, 2) << "word 3 italic";
  WEGetRunInfo(7, &info, we);
  EXPECT_EQ(info.face & 2, 0) << "word 2 not";
}

TEST_F(TextSetterTest, BackgroundColourOfALine) {
  spot notes = cardspot("Notes");
  ASSERT_TRUE(isvalidwerec(livefield(notes))) << "the shown field has its record";
  auto transfer = [&](i32 offset) {
    WEReference we = livefield(cardspot("Notes"));
    WEExtRunInfo info{};
    _WEGetIndStyle(WEOffsetToRun(offset, we), &info, we);
    return info.style.ts;
  };
  const RGBColor line2 = transfer(13).backColor;
  // Colour number 1 is entry 0, white: transparent text.
  ASSERT_EQ(setline("set the textBackgroundColor of line 1 of card field \"Notes\" to 1"), 0);
  EXPECT_EQ(transfer(0).transferMode, 1);
  EXPECT_EQ(transfer(0).backColor.red, 0xFFFF);
  // Colour number 0 is entry 255, black.
  ASSERT_EQ(setline("set the textBackgroundColor of line 1 of card field \"Notes\" to 0"), 0);
  EXPECT_EQ(transfer(0).transferMode, 0);
  EXPECT_EQ(transfer(0).backColor.red, 0);
  EXPECT_EQ(transfer(13).backColor.red, line2.red) << "line 2 untouched";
  EXPECT_EQ(transfer(13).backColor.green, line2.green);
  EXPECT_EQ(setline("set the strikeThrough of card field \"L\" to true"), 43);
}

TEST_F(TextSetterTest, ButtonText) {
  // Drawn when the card opened, the button's control took the system font, which the drawing
  // names in "__textFont".
  EXPECT_EQ(textfontprop("Go"), "Chicago");
  // Hidden, the button is not drawn again: the setter alone stores the application font as 1
  // and leaves "__textFont" as it was.
  ASSERT_EQ(setline("set the visible of button 1 to false"), 0);
  ASSERT_EQ(setline("set the textFont of button 1 to \"Geneva\""), 0);
  EXPECT_EQ(getbuttontail(cardspot("Go")).words.v[0], 1) << "the application font";
  EXPECT_EQ(textfontprop("Go"), "Chicago") << "left alone";
  // Shown, it is drawn in the application font, which "__textFont" now names.
  ASSERT_EQ(setline("set the visible of button 1 to true"), 0);
  EXPECT_EQ(textfontprop("Go"), "Geneva");
  ASSERT_EQ(setline("set the textFont of button 1 to \"Courier\""), 0);
  EXPECT_EQ(getbuttontail(cardspot("Go")).words.v[0], 22);
  EXPECT_EQ(textfontprop("Go"), "Courier");
  EXPECT_EQ(cardvalue("the textFont of button 1"), "Courier");
  ASSERT_EQ(setline("set the textSize of button 1 to -5"), 0);
  EXPECT_EQ(i16(getbuttontail(cardspot("Go")).words.v[1]), -1);
  ASSERT_EQ(setline("set the textStyle of button 1 to bold,italic"), 0);
  EXPECT_EQ(getbuttontail(cardspot("Go")).words.v[2], 3);
  EXPECT_EQ(setline("set the textColor of button 1 to 3"), 188);
}

TEST_F(TextSetterTest, PopupTakesItsBestWidth) {
  spot popup = cardspot("Two");
  popup.style = 206;
  popup.flags |= (1u << 21) | (1u << 10);
  popup.rect = Rect{50, 20, 70, 30};
  putcardspot("Two", popup);
  // With the window's pen hidden the popup is not drawn again (a drawn popup keeps no control).
  const CGrafPtr port = GetWindowPort(mainglobals().current.window);
  SetPortPenVisibility(port, i16(GetPortPenVisibility(port) - 1));
  ASSERT_EQ(setline("set the textSize of card button \"Two\" to 24"), 0);
  SetPortPenVisibility(port, i16(GetPortPenVisibility(port) + 1));
  const spot after = cardspot("Two");
  EXPECT_EQ(i16(getbuttontail(after).words.v[1]), 24);
  EXPECT_GE(after.rect.right - after.rect.left, 24) << "autoWidth: at least 24 wide";
  EXPECT_NE(getcontrolpart(after).control, 0u) << "its control built again";
}

TEST_F(TextSetterTest, MenuItemsGraphicsAndLists) {
  // The project's menu in a menu bar that is built.
  mainglobals().lockMenus = 0;
  ASSERT_EQ(doline("insert menu \"File\""), 0);
  buildmenubar();
  ASSERT_EQ(setline("set the textStyle of item 1 of menu \"File\" to bold"), 0);
  objread item{};
  ASSERT_EQ(readreference("item 1 of menu \"File\"", &item), 0);
  EXPECT_EQ((HandleAs<menuitem>(item.menu.items)[item.itemindex].flags >> 3) & 0x1F, 1u) << "bits 3-7";
  writeobj(&item);
  // The menu bar is built again: its "File" menu shows the item bold.
  MenuRef file = nilid;
  for (MenuRef m : menubarmenus()) {
    Str255 title{};
    GetMenuTitle(m, title);
    if (pstringview(title) == "File") file = m;
  }
  ASSERT_NE(file, nilid) << "the project's menu is in the bar";
  u8 style = 0;
  GetItemStyle(file, 1, &style);
  EXPECT_EQ(style, 1);
  EXPECT_EQ(setline("set the textStyle of item 1 of menu \"File\" to condense"), 43);
  EXPECT_EQ(setline("set the textSize of item 1 of menu \"File\" to 9"), 43);
  ASSERT_EQ(setline("set the textData of graphic \"T\" to \"label\""), 0);
  ASSERT_EQ(setline("set the textStyle of graphic \"T\" to italic"), 0);
  EXPECT_EQ(storedface("T", 0) & 2, 2);
  EXPECT_EQ(setline("set the textStyle of graphic \"Box\" to bold"), 81);
  EXPECT_EQ(setline("set the textColor of graphic \"Box\" to 2"), 188);
  EXPECT_EQ(setline("set the listStyle of card field \"Far\" of card 2 to selOne"), 43) << "its list is not loaded";
  EXPECT_EQ(setline("set the textStyle of card 1 to bold"), 2);
}

// --- Rulers --------------------------------------------------------------------------------------

TEST_F(TextSetterTest, Rulers) {
  ASSERT_TRUE(isvalidwerec(livefield(cardspot("my notes"))));
  // The ruler of paragraph n of "one", "two", "three", "four".
  auto para = [&](i32 n) {
    static constexpr i32 starts[] = {0, 4, 8, 14};
    WEParaInfo info{};
    WEGetParaInfo(starts[n], &info, livefield(cardspot("my notes")));
    return info.ruler;
  };
  ASSERT_EQ(setline("set the leftIndent of line 2 to 3 of card field \"my notes\" to 20"), 0);
  EXPECT_EQ(para(0).leftIndent, 0);
  EXPECT_EQ(para(1).leftIndent, 20 << 16);
  EXPECT_EQ(para(2).leftIndent, 20 << 16);
  EXPECT_EQ(para(3).leftIndent, 0);
  ASSERT_EQ(setline("set lineSpacing of card field \"my notes\" to 0.5"), 0);
  EXPECT_EQ(para(0).lineSpacing, 0) << "single spacing";
  ASSERT_EQ(setline(
                "set the rulerInfo of card field \"my notes\" to \"textAlign center\" & return & \"spaceBefore 6\""),
            0);
  EXPECT_EQ(para(3).alignment, 1);
  EXPECT_EQ(para(3).spaceBefore, 6 << 16);
  EXPECT_EQ(para(3).leftIndent, 0) << "entries not given stay";
  ASSERT_EQ(setline("set the rulerInfo of card field \"my notes\" to rightIndent = 4 borderStyle thin"), 0);
  EXPECT_EQ(para(0).rightIndent, 4 << 16);
  EXPECT_EQ(para(0).borderStyle, 1);
  setrows({{"set the textDirection of card field \"my notes\" to up", "", "error 2"},
           {"set the rulerInfo of card field \"my notes\" to \"nosuch 3\"", "", "error 2"},
           {"set the leftIndent of card field \"L\" to 3", "", "error 162"},
           {"set the leftIndent of card 1 to 3", "", "error 11"},
           {"set the leftIndent of card field \"my notes\" 3", "", "error 7"}});
  EXPECT_EQ(para(0).rightIndent, 4 << 16) << "a refused change leaves the rulers";
}

TEST_F(TextSetterTest, RulersKeepTheOpenFieldsUnsavedEdits) {
  const WEReference we = editedfield("my notes");
  ASSERT_TRUE(isvalidwerec(we));
  WESetSelection(0, 0, we);
  ASSERT_EQ(WEInsert("new ", 4, nilhandle, nilhandle, we), noErr);
  SetWERecDirtyFlag(we, true);
  ASSERT_EQ(storedtext("my notes"), "one\rtwo\rthree\rfour") << "the edit is the record's alone";
  ASSERT_EQ(setline("set the leftIndent of line 2 of card field \"my notes\" to 12"), 0);
  EXPECT_EQ(storedtext("my notes"), "new one\rtwo\rthree\rfour") << "packed before the change";
  Handle text = WEGetText(we);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(text)), size_t(WEGetTextLength(we))),
            "new one\rtwo\rthree\rfour")
      << "and kept in the record";
  WEParaInfo info{};
  WEGetParaInfo(8, &info, we);
  EXPECT_EQ(info.ruler.leftIndent, 12 << 16) << "the second paragraph";
  WEGetParaInfo(0, &info, we);
  EXPECT_EQ(info.ruler.leftIndent, 0);
  forgetfield();
}

// --- Hilited lines -------------------------------------------------------------------------------

TEST_F(TextSetterTest, HilitedLinesSelectExactlyTheRowsNamed) {
  setrows({{"set the hilitedLines of card field \"L\" to \"2,5\"", "the hilitedLines of card field \"L\"", "2,5"},
           {"set the hilitedLines of card field \"L\" to 4", "the hilitedLines of card field \"L\"", "4"},
           {"set the hilitedLines of card field \"L\" to \"\"", "the hilitedLines of card field \"L\"", ""},
           {"set the hilitedLines of card field \"L\" to 0", "the hilitedLines of card field \"L\"", "1"},
           {"set the hilitedLines of card field \"L\" to 99", "the hilitedLines of card field \"L\"", "10"},
           {"set hilitedLines of card field \"L\" to -3, 2 + 1", "the hilitedLines of card field \"L\"", "1,3"},
           {"set the hilitedLines of card field \"L\" to \"2,5 x\"", "", "error 2"},
           {"", "the hilitedLines of card field \"L\"", "2"},
           {"", "the hilitedText of card field \"L\"", "r2"},
           {"set the hilitedLines of card field \"None\" to 1", "the hilitedLines of card field \"None\"", ""},
           {"set the hilitedLines of card field \"L\" to 3 x", "", "error 19"}});
  EXPECT_EQ(cardvalue("the hilitedLines of card field \"L\""), "3") << "selected before the stray word";
  ASSERT_EQ(setline("set the hilitedLines of card field \"L\" to 4,2"), 0);
  EXPECT_EQ(cardvalue("the hilitedText of card field \"L\""), "r2\rr4") << "in row order, one return between";
}

TEST_F(TextSetterTest, HilitedLinesRefusals) {
  EXPECT_EQ(setline("set the hilitedLines of card field \"Notes\" to 1"), 43);
  EXPECT_EQ(setline("set the hilitedLines of card field \"Far\" of card 2 to 1"), 132);
  EXPECT_EQ(setline("set the hilitedLines of card 1 to 1"), 11);
}

// --- Scripts, contents and text data --------------------------------------------------------------

TEST_F(TextSetterTest, Scripts) {
  ASSERT_EQ(setline("set the script of button 1 to empty"), 0);
  EXPECT_EQ(cardspot("Go").script, nilhandle);
  ASSERT_EQ(
      setline("set the script of this card to \"function readvar\" & return & \"return 1\" & return & \"end readvar\""),
      0);
  EXPECT_EQ(cardvalue("readvar()"), "1") << "the card's script runs and is cached";
  ASSERT_EQ(
      setline(
          "set the script of this card to \"function readvar\" & return & \"return 42\" & return & \"end readvar\""),
      0);
  EXPECT_EQ(cardvalue("readvar()"), "42") << "the cached script is stale";
  EXPECT_TRUE(changed(mainglobals().current.cardrecid));
  Handle script = loadat<cardrec>(deref(mainglobals().current.card)).script;
  ASSERT_NE(script, nilhandle);
  EXPECT_EQ(GetHandleSize(script), Size(std::strlen("function readvar\rreturn 42\rend readvar") + 24))
      << "the tail stays";
  ASSERT_EQ(setline(
                "set the script of this project to \"function pfoo\" & return & \"return 7\" & return & \"end pfoo\""),
            0);
  EXPECT_EQ(cardvalue("pfoo()"), "7") << "the project's new script answers at once";
  ASSERT_EQ(setline(
                "set the script of this project to \"function pfoo\" & return & \"return 8\" & return & \"end pfoo\""),
            0);
  EXPECT_EQ(cardvalue("pfoo()"), "8");
  EXPECT_EQ(setline("set the script of sharedScript to \"x\""), 2) << "no shared project";
  EXPECT_EQ(setline("set the script of kestrove to \"x\""), 2);
  // The next mouseUp runs a new handler of the card.
  ASSERT_EQ(setline("set the script of this card to \"on mouseUp\" & return & \"global hit\" & return & "
                    "\"put 5 into hit\" & return & \"end mouseUp\""),
            0);
  ASSERT_EQ(doline("send mouseUp to this card"), 0);
  EXPECT_EQ(global("hit"), "5");
}

TEST_F(TextSetterTest, ScriptOfTheSharedProject) {
  openshared(project());
  ASSERT_EQ(setline("set the script of sharedScript to \"function sfoo\" & return & \"return 5\" & return & "
                    "\"end sfoo\""),
            0);
  EXPECT_EQ(cardvalue("sfoo()"), "5") << "the shared script answers at once";
  ASSERT_EQ(setline("set the script of sharedScript to \"function sfoo\" & return & \"return 6\" & return & "
                    "\"end sfoo\""),
            0);
  EXPECT_EQ(cardvalue("sfoo()"), "6") << "the cached script is stale";
  // The shared project named as a project: its use as the shared script follows.
  ASSERT_EQ(setline("set the script of project \"" + home->path() +
                    "/shared.kv45\" to \"function sfoo\" & return & "
                    "\"return 7\" & return & \"end sfoo\""),
            0);
  EXPECT_EQ(cardvalue("sfoo()"), "7");
}

TEST_F(TextSetterTest, ScriptOfARecordWithoutAProperHandle) {
  Handle card = mainglobals().current.card;
  cardrec r = loadat<cardrec>(deref(card));
  Handle old = r.script;
  r.script = NewHandle(3);
  storeat<cardrec>(deref(card), r);
  if (old != nilhandle) DisposeHandle(old);
  ASSERT_EQ(setline("set the script of this card to \"on x\" & return & \"end x\""), 0);
  Handle script = loadat<cardrec>(deref(card)).script;
  EXPECT_EQ(GetHandleSize(script), Size(std::strlen("on x\rend x") + 24));
  EXPECT_EQ(cardvalue("the script of this card"), "on x\rend x");
}

TEST_F(TextSetterTest, ContentsAndTextData) {
  ASSERT_EQ(setline("set the contents of card 1 to \"kept\""), 0);
  EXPECT_EQ(cardvalue("the contents of card 1"), "kept");
  ASSERT_EQ(setline("set the contents of card 1 to empty"), 0);
  EXPECT_EQ(loadat<cardrec>(deref(mainglobals().current.card)).contents, nilhandle);
  EXPECT_EQ(setline("set the contents of sharedScript to \"x\""), 2);
  ASSERT_EQ(setline("set the textStyle of word 1 of card field \"Src\" to bold"), 0);
  ASSERT_EQ(setline("set the textData of graphic \"T\" to card field \"Src\""), 0);
  EXPECT_EQ(storedtext("T"), "copied text");
  EXPECT_EQ(storedface("T", 0) & 1, 1) << "with its styles";
  ASSERT_EQ(setline("set the textStyle of word 2 of card field \"Src\" to italic"), 0);
  ASSERT_EQ(setline("set the textData of graphic \"T\" to card field \"Src\""), 0);
  EXPECT_EQ(storedface("T", 0), 1) << "word 1 bold";
  EXPECT_EQ(storedface("T", 8), 2) << "word 2 italic";
  ASSERT_EQ(setline("set the textData of graphic \"T\" to \"plain\""), 0);
  EXPECT_EQ(storedtext("T"), "plain");
  EXPECT_EQ(storedface("T", 0) & 1, 1) << "the old style kept for the new text";
  ASSERT_EQ(setline("set the textStyle of word 2 of card field \"Away\" of card 2 to underline"), 0);
  ASSERT_EQ(setline("set the textData of graphic \"T\" to card field \"Away\" of card 2"), 0);
  EXPECT_EQ(storedtext("T"), "not shown");
  EXPECT_EQ(storedface("T", 5), 4) << "the styles of a field that is not shown";
  setrows({{"set the textData of graphic \"Box\" to \"x\"", "", "error 187"},
           {"set the textData of card 1 to \"x\"", "", "error 11"},
           {"set the textData of graphic \"T\" to card field \"Src\" x", "", "error 19"}});
}

// --- Memory ------------------------------------------------------------------------------------

// Every allocation of the setters failing in turn: a failure leaves no handle behind and the
// project whole; a success did the whole change.
TEST_F(TextSetterTest, SettersWhenMemoryRunsOut) {
  const testproject::Project p = project();
  const auto open1 = [this] { ASSERT_EQ(open(), 0); };
  EXPECT_GT(sweepallocations(
                p, open1, [this] { return setline("set the textStyle of word 2 of card field \"Notes\" to bold"); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(storedface("Notes", 6) & 1, 1);
                  }
                }),
            1);
  EXPECT_GT(sweepallocations(
                p, open1, [this] { return setline("set the text of card field \"Notes\" to \"{\\rtf1 {\\b x}}\""); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(storedtext("Notes"), "x");
                  }
                }),
            1);
  EXPECT_GT(sweepallocations(p, open1, [this] { return setline("set the script of card button 1 to \"on x\""); }), 1);
  EXPECT_GT(sweepallocations(p, open1, [this] { return setline("set the leftIndent of card field \"Notes\" to 9"); }),
            1);
  EXPECT_GT(sweepallocations(p, open1, [this] { return i16(cardvalue("the properties of card button 1").empty()); }),
            1);
  const testproject::Project more = textproject();
  EXPECT_GT(sweepallocations(
                more, open1,
                [this] { return setline("set text of card field \"Notes\" to the text of card field \"Src\""); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(storedtext("Notes"), "copied text");
                  }
                }),
            1);
  EXPECT_GT(sweepallocations(more, open1,
                             [this] {
                               return setline("set the textData of card graphic \"T\" to card field \"Src\"");
                             }),
            1);
  EXPECT_GT(sweepallocations(more, open1, [this] { return i16(cardvalue("commonProps(window 1)").empty()); }), 1);
}

// --- Services ----------------------------------------------------------------------------------

TEST_F(TextSetterTest, PropertyServices) {
  Handle list = nilhandle;
  addprop(&list, "Colour", "red");
  addprop(&list, "size", "3");
  fred v;
  ASSERT_EQ(stringtonewfred(reinterpret_cast<ConstStringPtr>("\x04"
                                                             "blue"),
                            &v),
            0);
  EXPECT_EQ(modproperty(list,
                        reinterpret_cast<ConstStringPtr>("\x06"
                                                         "COLOUR"),
                        &v),
            0)
      << "the name ignores case";
  Handle value = nilhandle;
  ASSERT_EQ(prophandutil(list,
                         reinterpret_cast<ConstStringPtr>("\x06"
                                                          "colour"),
                         &value),
            0);
  EXPECT_EQ(bytes(value), "blue");
  EXPECT_EQ(modproperty(list,
                        reinterpret_cast<ConstStringPtr>("\x04"
                                                         "none"),
                        &v),
            68);
  EXPECT_EQ(modpropertyidx(list, 2, &v), 68) << "an index equal to the count";
  EXPECT_EQ(modpropertyidx(list, 1, &v), 0);
  EXPECT_EQ(modpropertyidx(nilhandle, 0, &v), 68);
  Handle slot = NewHandle(3);
  EXPECT_EQ(contentutil(&v, &slot), 0);
  EXPECT_EQ(bytes(slot), "blue");
  disposfred(&v);
  ASSERT_EQ(newfred(&v, fredtemp, fredstring, 0), 0);
  EXPECT_EQ(contentutil(&v, &slot), 0);
  EXPECT_EQ(slot, nilhandle) << "an empty value frees the old handle and leaves none";
  disposfred(&v);
  dumprop(list);
}

TEST_F(TextSetterTest, MovingUserProperties) {
  addcardprop("Go", "colour", "red");
  const Handle moved = cardspot("Go").uprops;
  objread card{};
  ASSERT_EQ(readreference("this card", &card), 0);
  ASSERT_EQ(shuffleuprops(&card, cardindex("Go"), cardindex("Two")), 0);
  EXPECT_EQ(cardspot("Go").uprops, nilhandle) << "the source keeps none";
  EXPECT_EQ(cardspot("Two").uprops, moved);
  EXPECT_EQ(cardvalue("the colour of card button \"Two\""), "red");
  // A bevel button that is a platform control starts its values again.
  spot bevel = cardspot("Two");
  bevel.style = 205;
  bevel.flags |= 1u << 21;
  controlpart cp = getcontrolpart(bevel);
  cp.currentvalue = 4;
  cp.maximumvalue = 99;
  setcontrolpart(bevel, cp);
  putcardspot("Two", bevel);
  Handle list = nilhandle;
  addprop(&list, "note", "one");
  objread button{};
  ASSERT_EQ(readreference("card button \"Two\"", &button), 0);
  ASSERT_EQ(lowmoveuprops(&button, list), 0);
  EXPECT_EQ(cardspot("Two").uprops, list);
  EXPECT_EQ(getcontrolpart(cardspot("Two")).maximumvalue, 10);
  EXPECT_EQ(getcontrolpart(cardspot("Two")).currentvalue, 0);
  const ControlRef rebuilt = livecontrol(cardspot("Two"));
  ASSERT_NE(rebuilt, nilid) << "its control built again";
  EXPECT_EQ(GetControl32BitMaximum(rebuilt), 10);
  EXPECT_EQ(getproc<247>(), &modproperty) << "offered to externals";
  EXPECT_EQ(getproc<251>(), &shuffleuprops);
  EXPECT_EQ(getproc<249>(), &lowmovepicturedata);
  EXPECT_EQ(getproc<250>(), &shufflepicture);
}

}  // namespace
}  // namespace kv
