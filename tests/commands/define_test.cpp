// define and undefine of user properties on every kind of object, and the list operations
// under them.
#include <gtest/gtest.h>

#include <string>

#include "commands/define.h"
#include "render/drawroutines.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/testing/answers.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"
#include "tests/support/texts.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class DefineTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = testproject::small();
    p.menus.push_back(testproject::Menu{"File", "", {{"New", ""}, {"Quit", ""}}});
    // A classic button beside "Go": drawing names a control button's font in a user property,
    // and this one's in none.
    testproject::Object plain;
    plain.name = "Plain";
    plain.style = 200;
    plain.rect = Rect{100, 10, 120, 90};
    p.windows[0].cards[0].objects.push_back(plain);
    build(p);
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
  // Runs `fn` on the descriptor of a reference, released afterwards.
  template <class Fn>
  void withobject(std::string_view reference, Fn fn) {
    objread obj{};
    ASSERT_EQ(readreference(reference, &obj), 0);
    fn(obj);
    writeobj(&obj);
  }
  Handle golist(std::string_view button = "Go") {
    Handle list = nilhandle;
    withobject("card button \"" + std::string(button) + "\"",
               [&](objread& o) { list = spotat(o.objects, o.objindex).uprops; });
    return list;
  }
  // Runs a line that fails: the error alert it shows is answered.
  i16 failing(std::string_view line) {
    queueanswer(Answer{"alert", "Cancel", {}});
    i16 st = doline(line);
    clearanswers();
    return st;
  }
};

TEST_F(DefineTest, DefineMakesAnEmptyPropertyThatSetAndGetUse) {
  EXPECT_EQ(doline("define color of card button \"Go\""), 0);
  EXPECT_EQ(cardvalue("the userProperties of card button \"Go\""), "color");
  EXPECT_EQ(cardvalue("the color of card button \"Go\""), "");
  EXPECT_EQ(doline("set the color of card button \"Go\" to \"red\""), 0);
  EXPECT_EQ(doline("define the mood of card button \"Go\""), 0) << "an optional the";
  EXPECT_EQ(cardvalue("the userProperties of card button \"Go\""), "color,mood");
  EXPECT_EQ(cardvalue("the result"), "");
}

TEST_F(DefineTest, DefiningAgainKeepsTheValueAndTellsTheResult) {
  ASSERT_EQ(doline("define color in card button \"Go\""), 0);
  ASSERT_EQ(doline("set the color of card button \"Go\" to \"red\""), 0);
  EXPECT_EQ(cardvalue("the result"), "");
  EXPECT_EQ(doline("define COLOR of card button \"Go\""), 0);
  EXPECT_EQ(cardvalue("the result"), "That property is defined already.") << "names ignore case";
  EXPECT_EQ(cardvalue("the color of card button \"Go\""), "red");
  EXPECT_EQ(cardvalue("the userProperties of card button \"Go\""), "color");
}

TEST_F(DefineTest, NamesAreChecked) {
  EXPECT_EQ(doline("define size_2.x of card 1"), 0);
  EXPECT_EQ(doline("define \"sha\" & \"pe\" of card 1"), 0) << "the name is an expression";
  EXPECT_EQ(cardvalue("the userProperties of card 1"), "size_2.x,shape");
  EXPECT_EQ(failing("define \"2x\" of card 1"), 18);
  EXPECT_EQ(failing("define \"a-b\" of card 1"), 18);
  EXPECT_EQ(failing("define \"a b\" of card 1"), 18);
  EXPECT_EQ(failing("define empty of card 1"), 18);
  EXPECT_EQ(failing("define \"put\" of card 1"), 97);
  EXPECT_EQ(failing("define \"date\" of card 1"), 97);
}

TEST_F(DefineTest, WordsAndObjects) {
  EXPECT_EQ(failing("define color card 1"), 5);
  EXPECT_EQ(failing("define color of card 1 now"), 19);
  EXPECT_EQ(failing("define color of kestrove"), 2);
  EXPECT_EQ(failing("define color of the sharedScript"), 2);
  EXPECT_EQ(failing("define color of card button \"Nothing\""), 11);
  EXPECT_EQ(cardvalue("the userProperties of card 1"), "");
}

TEST_F(DefineTest, EveryKindOfObjectHasAList) {
  const char* references[] = {"card button \"Go\"",
                              "bg field \"Title\"",
                              "card 2",
                              "bg \"Fancy\"",
                              "this window",
                              "menu \"File\"",
                              "item \"Quit\" of menu \"File\""};
  for (const char* r : references) {
    ASSERT_EQ(doline(std::string("define tint of ") + r), 0) << r;
    ASSERT_EQ(doline(std::string("set the tint of ") + r + " to " + "\"blue\""), 0) << r;
    EXPECT_EQ(cardvalue(std::string("the tint of ") + r), "blue") << r;
  }
  EXPECT_EQ(cardvalue("the tint of card 1"), "error 68") << "only the objects named have it";
}

TEST_F(DefineTest, UndefiningTheLastPropertyLeavesNoList) {
  ASSERT_EQ(doline("define a of card button \"Plain\"\ndefine b of card button \"Plain\""), 0);
  ASSERT_NE(golist("Plain"), nilhandle);
  EXPECT_EQ(doline("undefine a of card button \"Plain\""), 0);
  EXPECT_EQ(cardvalue("the userProperties of card button \"Plain\""), "b");
  EXPECT_EQ(doline("undefine B of card button \"Plain\""), 0);
  EXPECT_EQ(golist("Plain"), nilhandle) << "an emptied list is freed";
  EXPECT_EQ(doline("undefine b of card button \"Plain\""), 0);
  EXPECT_EQ(cardvalue("the result"), "There is no property of that name.");
  EXPECT_EQ(golist("Plain"), nilhandle);
  // The drawn control button keeps the property its drawing gave it.
  ASSERT_EQ(doline("define a of card button \"Go\"\nundefine a of card button \"Go\""), 0);
  EXPECT_EQ(cardvalue("the userProperties of card button \"Go\""), "");
  ASSERT_NE(golist(), nilhandle);
  EXPECT_EQ(HandleCount<uprop>(golist()), 1) << "\"__textFont\"";
}

TEST_F(DefineTest, TheDataPropertyOfATabButtonResetsItsValues) {
  withobject("card button \"Go\"", [](objread& o) {
    spot s = spotat(o.objects, o.objindex);
    s.style = 210;
    s.flags = u32(s.flags) | spotplatformcontrol;
    controlpart c = getcontrolpart(s);
    c.currentvalue = 3;
    c.minimumvalue = 2;
    c.maximumvalue = 5;
    setcontrolpart(s, c);
    putspot(o.objects, o.objindex, s);
  });
  ASSERT_EQ(doline("define tint of card button \"Go\""), 0);
  withobject("card button \"Go\"", [](objread& o) {
    controlpart c = getcontrolpart(spotat(o.objects, o.objindex));
    EXPECT_EQ(i32(c.currentvalue), 3) << "another name changes nothing";
  });
  // With the window's pen hidden the flushed controls are not drawn again at once (which would
  // build the tabs from the values).
  const CGrafPtr port = GetWindowPort(current().window);
  SetPortPenVisibility(port, i16(GetPortPenVisibility(port) - 1));
  ASSERT_EQ(doline("define TabData of card button \"Go\""), 0);
  SetPortPenVisibility(port, i16(GetPortPenVisibility(port) + 1));
  withobject("card button \"Go\"", [](objread& o) {
    controlpart c = getcontrolpart(spotat(o.objects, o.objindex));
    EXPECT_EQ(i32(c.currentvalue), 1);
    EXPECT_EQ(i32(c.minimumvalue), 0);
    EXPECT_EQ(i32(c.maximumvalue), 1);
  });
}

TEST_F(DefineTest, TheListOperations) {
  Handle slot = nilhandle;
  Handle result = mainglobals().result;
  stringtohand(reinterpret_cast<ConstStringPtr>("\x04kept"), result);
  EXPECT_EQ(lowdefineprop(&slot, reinterpret_cast<ConstStringPtr>("\x01x")), 0);
  ASSERT_NE(slot, nilhandle);
  EXPECT_EQ(lowdefineprop(&slot, reinterpret_cast<ConstStringPtr>("\x01X")), 0);
  EXPECT_EQ(HandleCount<uprop>(slot), 1);
  EXPECT_EQ(testtexts::hand(result), "kept") << "the result stays";
  EXPECT_EQ(lowundefineprop(&slot, reinterpret_cast<ConstStringPtr>("\x01y")), 0);
  EXPECT_EQ(testtexts::hand(result), "kept");
  EXPECT_EQ(lowundefineprop(&slot, reinterpret_cast<ConstStringPtr>("\x01x")), 0);
  EXPECT_EQ(slot, nilhandle);

  Handle list = nilhandle;
  i16 changed = 0;
  EXPECT_EQ(comodproperty(nilhandle, &list, &changed, tok::undefine, reinterpret_cast<ConstStringPtr>("\x01x")), 0);
  EXPECT_EQ(list, nilhandle);
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(testtexts::hand(result), "There is no property of that name.");
  failallocationafter(1);
  EXPECT_EQ(comodproperty(nilhandle, &list, &changed, tok::define, reinterpret_cast<ConstStringPtr>("\x01x")), 215);
  failallocationafter(0);
  EXPECT_EQ(list, nilhandle);
  // An entry that cannot be added leaves the list as it was.
  Handle old = NewHandle(0);
  ASSERT_EQ(comodproperty(old, &list, &changed, tok::define, reinterpret_cast<ConstStringPtr>("\x01q")), 0);
  ASSERT_EQ(list, old);
  failallocationafter(1);
  EXPECT_EQ(comodproperty(list, &list, &changed, tok::define, reinterpret_cast<ConstStringPtr>("\x01r")), 37);
  failallocationafter(0);
  EXPECT_EQ(HandleCount<uprop>(list), 1);
  dumprop(list);
}

}  // namespace
}  // namespace kv
