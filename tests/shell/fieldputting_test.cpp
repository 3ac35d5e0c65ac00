// Fields opened for typing by a click, typed into through the card window and put down again:
// the messages they get, the card record their change marks, the text that survives closing
// and reopening the project, and the keys an open field turns into messages.
#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory.h"
#include "platform/testing/driver.h"
#include "shell/cardwindow.h"
#include "shell/commandline.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "textengine/werecord.h"
#include "tests/support/eventloop.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

constexpr Rect kBack{40, 100, 80, 300}, kCard{100, 100, 140, 300}, kList{150, 100, 200, 300};

class FieldPuttingTest : public EventLoopTest {
 protected:
  // A background field "B", a card field "C" and a list field "L", each logging its field
  // messages; the card logs the keys that reach it.
  static Project fields() {
    Project p = project();
    auto messages = [](std::string_view who) {
      return logs(who,
                  {"openField", "closeField", "leaveField", "keyInField", "tabKey", "returnInField", "enterInField"});
    };
    testproject::Background& bg = p.windows[0].backgrounds[0];
    bg.objects = {Object{.kind = Object::field, .name = "B", .script = messages("B"), .text = "bg", .rect = kBack}};
    Object c{.kind = Object::field, .name = "C", .script = messages("C"), .text = "card", .rect = kCard};
    Object l{
        .kind = Object::field, .name = "L", .script = messages("L"), .text = "one\rtwo", .rect = kList, .style = 302};
    p.windows[0].cards[0].objects = {c, l};
    return p;
  }
  void SetUp() override {
    EventLoopTest::SetUp();
    ASSERT_EQ(openproject(fields()), 0);
    settle();
    clearlog();
  }
  static Point middle(const Rect& r) { return Point{i16((r.top + r.bottom) / 2), i16((r.left + r.right) / 2)}; }
  void clickon(const Rect& r) {
    const Point p = middle(r);
    drive::click(at(p.h, p.v));
    settle();
  }
  static bool cardchanged() {
    const desk& d = mainglobals().current;
    u16 flag = 0;
    EXPECT_EQ(testvir(d.store, i32(d.cardrecid), &flag), 0);
    return flag != 0;
  }
  static std::string openname() {
    const MainGlobals& g = mainglobals();
    if (g.openfield < 0) return "none";
    const Handle name = spotat(g.openfieldspots, g.openfield).name;
    return std::string(reinterpret_cast<const char*>(deref(name)), size_t(GetHandleSize(name)));
  }
};

// Acceptance: leaving without typing, typing into a card and a background field, and the
// typed text after the project closed and opened again.
TEST_F(FieldPuttingTest, LeavingWithAndWithoutTyping) {
  clickon(kCard);
  EXPECT_EQ(openname(), "C");
  EXPECT_EQ(logged(), "C openField,");
  ASSERT_EQ(putdownfield(), 0);
  EXPECT_EQ(logged(), "C leaveField,");
  EXPECT_FALSE(cardchanged());

  clickon(kCard);
  mainglobals().textArrows = 1;
  charcase(29);
  mainglobals().textArrows = 0;
  ASSERT_EQ(putdownfield(), 0);
  EXPECT_EQ(logged(), "C openField,C leaveField,") << "an arrow key changes no text";
  clickon(kCard);
  drive::type("x");
  settle();
  clickon(kBack);
  EXPECT_EQ(logged(), "C openField,C closeField,B openField,");
  EXPECT_TRUE(cardchanged());
  drive::type("y");
  settle();
  ASSERT_EQ(putdownfield(), 0);
  EXPECT_EQ(logged(), "B closeField,");
  EXPECT_EQ(openname(), "none");
  const std::string card = cardvalue("card field \"C\""), back = cardvalue("field \"B\"");
  EXPECT_NE(card.find('x'), std::string::npos) << card;
  EXPECT_NE(back.find('y'), std::string::npos) << back;

  closeallwindows();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("card field \"C\""), card);
  EXPECT_EQ(cardvalue("field \"B\""), back) << "a background field's text is the card's";
}

// Acceptance: a list field reloads its rows when put down.
TEST_F(FieldPuttingTest, AListFieldIsPutDownWithItsRows) {
  Handle list = current().cardspots;
  ASSERT_EQ(putupfield(current().window, list, 1), 0);
  EXPECT_EQ(openname(), "L");
  ASSERT_EQ(putdownfield(), 0);
  EXPECT_EQ(logged(), "L openField,L leaveField,");
  EXPECT_EQ(cardvalue("line 2 of card field \"L\""), "two");
}

// Acceptance: a second put-up changes nothing; a handler that puts its field down finds it
// open again unless it left the card.
TEST_F(FieldPuttingTest, OpenFieldHandlersThatPutTheFieldDown) {
  const WindowRef w = current().window;
  Handle list = current().cardspots;
  ASSERT_EQ(putupfield(w, list, 0), 0);
  EXPECT_EQ(putupfield(w, list, 1), 0);
  EXPECT_EQ(openname(), "C") << "the open field stays";
  putdownfieldutil();
  clearlog();

  ASSERT_EQ(doline(
                "set the script of card field \"C\" to \"on openField\" & return & \"select empty\" & return & \"end "
                "openField\""),
            0);
  ASSERT_EQ(putupfield(w, list, 0), 0);
  EXPECT_EQ(openname(), "C");
}

// An "openField" handler that deletes an object before its field: the field's index then names
// nothing, and nothing is put up by it.
TEST_F(FieldPuttingTest, AnOpenFieldHandlerThatDeletesAnEarlierObject) {
  ASSERT_EQ(doline("set the script of card field \"L\" to \"on openField\" & return & \"select empty\" & return & "
                   "\"delete card field \" & quote & \"C\" & quote & return & \"end openField\""),
            0);
  const WindowRef w = current().window;
  Handle list = current().cardspots;
  EXPECT_EQ(putupfield(w, list, 1), 0);
  EXPECT_EQ(openname(), "none");
  EXPECT_EQ(cardvalue("the number of card fields"), "1");
  EXPECT_EQ(cardvalue("the short name of card field 1"), "L");
}

TEST_F(FieldPuttingTest, AnOpenFieldHandlerThatLeavesTheCard) {
  ASSERT_EQ(doline("new card"), 0);
  ASSERT_EQ(doline("go card 1"), 0);
  ASSERT_EQ(
      doline("set the script of card field \"C\" to \"on openField\" & return & \"select empty\" & return & \"go next "
             "card\" & return & \"end openField\""),
      0);
  clickon(kCard);
  EXPECT_EQ(openname(), "none");
  EXPECT_EQ(cardvalue("the number of this card"), "2");
}

// Acceptance: keys through the card window into an open field.
TEST_F(FieldPuttingTest, KeysIntoAnOpenField) {
  MainGlobals& g = mainglobals();
  clickon(kCard);
  clearlog();
  g.allowKeyInField = 1;
  drive::type("a\"");
  settle();
  EXPECT_EQ(logged(), "C keyInField a,C keyInField \",");
  g.allowKeyInField = 0;
  const i32 before = WEGetTextLength(g.openfieldrec);
  drive::type("z");
  settle();
  EXPECT_EQ(log(), "") << "no keyStroke";
  EXPECT_EQ(WEGetTextLength(g.openfieldrec), before + 1);
  struct Case {
    u8 ch;
    const char* expected;
  } cases[] = {{13, "C returnInField,"}, {3, "C enterInField,"}, {9, "C tabKey,"}};
  for (const Case& c : cases) {
    clearlog();
    charcase(c.ch);
    EXPECT_EQ(log(), c.expected) << int(c.ch);
  }
}

TEST_F(FieldPuttingTest, TabsInAFieldThatAllowsThem) {
  ASSERT_EQ(doline("set the allowTabs of card field \"C\" to true"), 0);
  clickon(kCard);
  clearlog();
  const WEReference we = mainglobals().openfieldrec;
  const i32 before = WEGetTextLength(we);
  charcase(9);
  EXPECT_EQ(log(), "");
  EXPECT_EQ(WEGetTextLength(we), before + 1) << "the tab is typed";
  WESetSelection(0, WEGetTextLength(we), we);
  charcase(9);
  EXPECT_EQ(log(), "C tabKey,") << "the whole text selected";
}

// Acceptance: a locked field put up in the browse tool is put down by a key, which goes on to
// the card.
TEST_F(FieldPuttingTest, ALockedFieldGivesItsKeyToTheCard) {
  ASSERT_EQ(doline("set the lockText of card field \"C\" to true"), 0);
  ASSERT_EQ(putupfield(current().window, current().cardspots, 0), 0);
  clearlog();
  charcase('k');
  EXPECT_EQ(log(), "C leaveField,keyStroke k,");
  EXPECT_EQ(openname(), "none");
}

// A put into the selection replaces it in the open field, which then closes as changed; with no
// field open there is no selection.
TEST_F(FieldPuttingTest, PuttingIntoTheSelection) {
  ASSERT_EQ(doline("put \"the cat sat\" into card field \"C\""), 0);
  ASSERT_EQ(failingline("put \"x\" into the selection"), 52);
  ASSERT_EQ(doline("select word 2 of card field \"C\""), 0);
  clearlog();
  ASSERT_EQ(doline("put \"dog\" into the selection"), 0);
  ASSERT_EQ(doline("select word 2 of card field \"C\""), 0);
  ASSERT_EQ(doline("put \"big \" before the selection"), 0);
  clearlog();
  ASSERT_EQ(putdownfield(), 0);
  EXPECT_EQ(log(), "C closeField,");
  EXPECT_EQ(cardvalue("card field \"C\""), "the big dog sat");
}

// A put into the open field, whole or a chunk of it, closes the field as changed; a put into
// another field leaves the open one alone.
TEST_F(FieldPuttingTest, PuttingIntoTheOpenFieldClosesIt) {
  clickon(kCard);
  clearlog();
  ASSERT_EQ(doline("put \"X\" into char 2 of card field \"C\""), 0);
  EXPECT_EQ(logged(), "C closeField,");
  EXPECT_EQ(openname(), "none");
  EXPECT_TRUE(cardchanged());
  EXPECT_EQ(cardvalue("card field \"C\""), "cXrd");

  clickon(kCard);
  clearlog();
  ASSERT_EQ(doline("put \"bg2\" into field \"B\""), 0);
  EXPECT_EQ(openname(), "C");
  settle();
  clearlog();
  ASSERT_EQ(doline("put \"new\" after card field \"C\""), 0);
  EXPECT_EQ(logged(), "C closeField,");
  EXPECT_EQ(cardvalue("card field \"C\" & field \"B\""), "cXrdnewbg2");
}

// Revert right after typing: the field is closed first ("closeField"), then the stored text
// comes back.
TEST_F(FieldPuttingTest, RevertAfterTypingClosesTheFieldFirst) {
  clickon(kCard);
  drive::type("xy");
  settle();
  clearlog();
  ASSERT_EQ(doline("revert"), 0);
  EXPECT_EQ(logged(), "C closeField,");
  EXPECT_EQ(openname(), "none");
  EXPECT_EQ(cardvalue("card field \"C\""), "card");
  EXPECT_FALSE(cardchanged());
}

// A "keyInField" that no handler keeps types its character into the open field.
TEST_F(FieldPuttingTest, APassedKeyInFieldTypesTheKey) {
  ASSERT_EQ(doline(
                "set the script of card field \"C\" to \"on keyInField k\" & return & \"pass keyInField\" & return & "
                "\"end keyInField\""),
            0);
  mainglobals().allowKeyInField = 1;
  clickon(kCard);
  WESetSelection(0, 0, mainglobals().openfieldrec);
  drive::type("ab");
  settle();
  mainglobals().allowKeyInField = 0;
  ASSERT_EQ(putdownfield(), 0);
  EXPECT_TRUE(cardchanged()) << "closed as changed";
  EXPECT_EQ(cardvalue("card field \"C\""), "abcard");
}

}  // namespace
}  // namespace kv
