// The select command as scripts use it: text selected in fields (whole, chunks, carets) with
// the field opened for typing and scrolled, objects selected with their tools, and the
// selections cleared.
#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

class SelectTest : public WindowTest {
 protected:
  // Background fields "F" ("the cat sat") and "S" (scrolling, 40 lines in a view of a few);
  // on the card button "B" (10,10 to 30,30), an invisible button "H", a rectangle graphic
  // "G", a text graphic "t", an invisible field "HF" and a list field "L".
  static Project project() {
    testproject::Background bg;
    Object s{.kind = Object::field, .name = "S", .rect = {100, 100, 150, 300}, .style = 301};
    for (int i = 1; i <= 40; ++i) s.text += (i > 1 ? "\r" : "") + std::string("line ") + std::to_string(i);
    bg.objects = {Object{.kind = Object::field, .name = "F", .text = "the cat sat", .rect = {40, 100, 80, 300}}, s};
    testproject::Card c;
    const Object hidden{
        .kind = Object::field, .name = "HF", .text = "hidden", .rect = {160, 10, 190, 90}, .clearflags = 1};
    Object list = hidden;
    list.name = "L";
    list.style = 302;
    list.clearflags = 0;
    c.objects = {Object{.name = "B", .rect = {10, 10, 30, 30}},
                 Object{.name = "H", .clearflags = 1},
                 Object{.kind = Object::graphic, .name = "G", .rect = {200, 10, 240, 60}},
                 Object{.kind = Object::graphic, .name = "t", .rect = {200, 100, 240, 200}, .style = 106},
                 hidden,
                 list};
    Project p;
    p.windows.push_back(testproject::Window{.name = "Main", .backgrounds = {bg}, .cards = {c}});
    return p;
  }

  void SetUp() override {
    WindowTest::SetUp();
    build(project());
    ASSERT_EQ(open(), 0);
  }

  // The open field's name and its selection as "name start,end" ("none" with no field open).
  static std::string openfield() {
    const MainGlobals& g = mainglobals();
    if (g.openfield < 0) return "none";
    i32 start = -1, end = -1;
    WEGetSelection(&start, &end, g.openfieldrec);
    return nameof(g.openfieldspots, g.openfield) + " " + std::to_string(start) + "," + std::to_string(end);
  }
  static std::string nameof(Handle list, i16 index) {
    const Handle name = spotat(list, index).name;
    return name == nilhandle ? ""
                             : std::string(reinterpret_cast<const char*>(deref(name)), size_t(GetHandleSize(name)));
  }
};

TEST_F(SelectTest, CaretsAndChunksOpenTheFieldInTheBrowseTool) {
  ASSERT_EQ(doline("set the tool to \"button tool\""), 0);
  ASSERT_EQ(doline("select after text of field 1"), 0);
  EXPECT_EQ(openfield(), "F 11,11");
  EXPECT_EQ(cardvalue("the tool"), "browse tool");
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "") << "objects unhilited";

  cardrows({
      {"select before text of field 1", "", ""},
      {"", "the selectedLoc is empty", "false"},
      {"select word 2 of field 1", "the selectedText", "cat"},
      {"select text of field \"F\"", "the selectedText", "the cat sat"},
      {"select the last word of field 1", "the selectedText", "sat"},
      {"select char 3 to 5 of field 1", "the selectedText", "e c"},
      {"select after word 2 of field 1", "word 1 to 4 of the selectedChunk", "char 8 to 7"},
      {"select before word 3 of field 1", "word 1 to 4 of the selectedChunk", "char 9 to 8"},
      {"select word 9 of field 1", "the selectedText", ""},
  });
  EXPECT_EQ(openfield(), "F 11,11") << "a chunk past the text is a caret at its end";
  ASSERT_EQ(doline("select before text of field 1"), 0);
  EXPECT_EQ(openfield(), "F 0,0");
  ASSERT_EQ(doline("select line 2 of field 2"), 0);
  EXPECT_EQ(openfield(), "S 7,13") << "another field opens in its place";
}

TEST_F(SelectTest, AFieldOpensWithItsMessages) {
  ASSERT_EQ(doline("set the script of field 1 to \"on openField\" & return & \"global log\" & return & \"put \" & "
                   "quote & \"open,\" & quote & \" after log\" & return & \"end openField\" & return & \"on "
                   "leaveField\" & return & \"global log\" & return & \"put \" & quote & \"leave,\" & quote & \" "
                   "after log\" & return & \"end leaveField\""),
            0);
  ASSERT_EQ(doline("select word 1 of field 1"), 0);
  EXPECT_EQ(global("log"), "open,");
  ASSERT_EQ(doline("select word 2 of field 1"), 0);
  EXPECT_EQ(global("log"), "open,") << "the open field stays open";
  ASSERT_EQ(doline("select empty"), 0);
  EXPECT_EQ(global("log"), "open,leave,");
  EXPECT_EQ(openfield(), "none");
}

TEST_F(SelectTest, AHiddenLineScrollsIntoTheMiddle) {
  ASSERT_EQ(doline("select line 20 of field \"S\""), 0);
  const i32 scroll = std::stoi(cardvalue("the scroll of field \"S\""));
  EXPECT_GT(scroll, 0);
  // The line's start now lies in the view, about its middle.
  LongRect view{};
  WEGetViewRect(&view, mainglobals().openfieldrec);
  LongPoint at{};
  i16 lineheight = 0;
  WEGetPoint(std::stoi(cardvalue("word 2 of the selectedChunk")) - 1, 0, &at, &lineheight, mainglobals().openfieldrec);
  const i32 middle = (view.top + view.bottom) / 2;
  EXPECT_LE(middle - lineheight, at.v);
  EXPECT_LE(at.v, middle);

  // Near the end the scroll stops where the last line shows at the bottom; at the start, at 0.
  ASSERT_EQ(doline("select line 40 of field \"S\""), 0);
  const i32 most = std::stoi(cardvalue("the scroll of field \"S\""));
  EXPECT_EQ(most, WEGetHeight(0, WECountLines(mainglobals().openfieldrec), mainglobals().openfieldrec) -
                      (view.bottom - view.top));
  ASSERT_EQ(doline("select line 1 of field \"S\""), 0);
  EXPECT_EQ(cardvalue("the scroll of field \"S\""), "0");
  // A line already in view scrolls nothing.
  ASSERT_EQ(doline("select line 2 of field \"S\""), 0);
  EXPECT_EQ(cardvalue("the scroll of field \"S\""), "0");
  // wideMargins leaves four more pixels below the last line.
  ASSERT_EQ(doline("select empty\nset the wideMargins of field \"S\" to true\nselect line 40 of field \"S\""), 0);
  WEGetViewRect(&view, mainglobals().openfieldrec);
  EXPECT_EQ(std::stoi(cardvalue("the scroll of field \"S\"")),
            WEGetHeight(0, WECountLines(mainglobals().openfieldrec), mainglobals().openfieldrec) -
                (view.bottom - view.top) + 4);
}

TEST_F(SelectTest, TheWholeTextOfATextGraphicBeingTypedInto) {
  MainGlobals& g = mainglobals();
  const LongRect area{200, 100, 240, 200};
  WEReference we = nilid;
  ASSERT_EQ(WENew(&area, &area, 0, &we), noErr);
  ASSERT_EQ(WEInsert("hello world", 11, nilhandle, nilhandle, we), noErr);
  WESetSelection(3, 3, we);
  g.graphwindow = current().window;
  g.graphspots = current().cardspots;
  g.graphindex = 3;
  g.graphrec = we;
  EXPECT_EQ(doline("select text of graphic \"t\""), 0);
  i32 start = -1, end = -1;
  WEGetSelection(&start, &end, we);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 11);
  // The second graphic of the card's objects (a button and a rectangle come before it).
  EXPECT_EQ(cardvalue("the selectedGraphic"), "card grc 2 of " + cardvalue("the long name of this window"));
  g.graphindex = -1;
  g.graphrec = nilid;
  WEDispose(we);
  EXPECT_EQ(cardvalue("the selectedGraphic"), "");
  // Not being typed into, it keeps what it has; a graphic of another style holds no text.
  EXPECT_EQ(doline("select text of graphic \"t\""), 0);
  EXPECT_EQ(failingline("select text of graphic \"G\""), 10);
}

TEST_F(SelectTest, WordsAndFieldsItRefusesOrLeaves) {
  failrows({
      {"select text of button 1", "", "error 10"},
      {"select text field 1", "", "error 5"},
      {"select text of field 1 foo", "", "error 19"},
      {"select word 2 of field 1 foo", "", "error 19"},
      {"select text of card 1", "", "error 2"},
      {"select empty x", "", "error 19"},
      {"select button 1 foo", "", "error 19"},
  });
  failrows({
      {"select text of card field \"HF\"", "", ""},
      {"select word 1 of card field \"HF\"", "", ""},
      {"select text of card field \"L\"", "", ""},
      {"select after line 1 of card field \"L\"", "", ""},
  });
  EXPECT_EQ(openfield(), "none") << "an invisible field and a list are left alone";
}

TEST_F(SelectTest, AVariableHoldingAChunkOrAnObject) {
  ASSERT_EQ(doline("put \"word 2 of field 1\" into x\nselect x"), 0);
  EXPECT_EQ(cardvalue("the selectedText"), "cat");
  ASSERT_EQ(doline("put \"after text of field 1\" into x\nselect x"), 0);
  EXPECT_EQ(openfield(), "F 11,11");
  ASSERT_EQ(doline("put \"button 1\" into y\nselect y"), 0);
  EXPECT_EQ(cardvalue("the tool"), "button tool");
  EXPECT_EQ(failingline("put \"button 9\" into z\nselect z"), failingline("select button 9"));
}

TEST_F(SelectTest, ObjectsAreSelectedAloneWithTheirTools) {
  ASSERT_EQ(doline("select word 1 of field 1"), 0);
  const std::string id = cardvalue("the id of button 1");
  ASSERT_EQ(doline("select button 1"), 0);
  EXPECT_EQ(cardvalue("the tool"), "button tool");
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "cd btn ID " + id);
  EXPECT_EQ(cardvalue("getSelected(bg 1)"), "");
  EXPECT_EQ(openfield(), "none") << "the open field is closed";

  cardrows({
      {"select field 1", "the tool", "field tool"},
      {"", "getSelected(bg 1)", "bg fld ID " + cardvalue("the id of field 1")},
      {"", "getSelected(card 1)", ""},
      {"select graphic \"G\"", "the tool", "graphic tool"},
      {"", "getSelected(card 1)", "cd grc ID " + cardvalue("the id of graphic \"G\"")},
  });

  // An invisible object is left alone until the window shows invisible objects.
  ASSERT_EQ(doline("select button \"H\""), 0);
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "cd grc ID " + cardvalue("the id of graphic \"G\""));
  ASSERT_EQ(doline("set the showInvisibles of this window to true\nselect button \"H\""), 0);
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "cd btn ID " + cardvalue("the id of button \"H\""));
}

TEST_F(SelectTest, EmptyClearsEverySelection) {
  ASSERT_EQ(doline("select button 1\nset the tool to \"pointer tool\""), 0);
  ASSERT_NE(cardvalue("getSelected(card 1)"), "");
  ASSERT_EQ(doline("select empty"), 0);
  EXPECT_EQ(cardvalue("getSelected(card 1)"), "");
  EXPECT_EQ(cardvalue("getSelected(bg 1)"), "");
  EXPECT_EQ(cardvalue("the tool"), "pointer tool");

  ASSERT_EQ(doline("select word 2 of field 1"), 0);
  ASSERT_EQ(openfield(), "F 4,7");
  ASSERT_EQ(doline("select empty"), 0);
  EXPECT_EQ(openfield(), "none");
}

// Every allocation failing in turn: a failure leaves nothing behind; a success selected the
// chunk in the open field.
TEST_F(SelectTest, SelectingWhenMemoryRunsOut) {
  const auto open1 = [this] { ASSERT_EQ(open(), 0); };
  EXPECT_GT(sweepallocations(
                project(), open1, [this] { return failingline("select line 20 of field \"S\""); },
                [](i16 st) {
                  if (st == 0 && mainglobals().openfield >= 0) {
                    EXPECT_EQ(openfield(), "S 143,150");
                  }
                }),
            1);
  EXPECT_GT(sweepallocations(project(), open1, [this] { return failingline("put \"button 1\" into y\nselect y"); }), 1);
}

}  // namespace
}  // namespace kv
