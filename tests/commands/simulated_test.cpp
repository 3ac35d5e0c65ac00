// Clicking, dragging and typing as a script does it, and the built-in ends of the field keys.
#include <gtest/gtest.h>

#include "core/mainglobals.h"
#include "textengine/werecord.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class SimulatedTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(project());
    ASSERT_EQ(open(), 0);
    clearglobals();
  }

  // Window "Main", card One with button "Go" (10,10 to 50,30) that logs its mouse messages
  // with the state of the command and shift keys; the card logs the keys typed, and fails on
  // the key "!".
  static testproject::Project project() {
    using namespace testproject;
    Project p;
    Window main;
    main.name = "Main";
    main.backgrounds = {Background{"Plain", "", {}}};
    Card one;
    one.name = "One";
    one.script =
        "on keyStroke k\nglobal log\nif k is \"!\" then scriptError \"stop\"\nput \"key \" & k & \";\" after log\n"
        "end keyStroke\n"
        "on keyDown k\nglobal log\nif k is \"!\" then scriptError \"stop\"\nput \"key \" & k & \";\" after log\n"
        "end keyDown";
    Object go;
    go.name = "Go";
    go.rect = Rect{10, 10, 30, 50};
    go.script =
        "on mouseDown\nglobal log\nput \"down \" & the commandKey & \" \" & the shiftKey & \";\" after log\n"
        "end mouseDown\n"
        "on mouseUp\nglobal log\nput \"up;\" after log\nif the optionKey is down then scriptError \"no\"\n"
        "end mouseUp";
    one.objects = {go};
    main.cards = {one};
    p.windows = {main};
    Menu tools;
    tools.name = "Tools";
    MenuItem x;
    x.name = "Cross";
    x.key = 'X';
    x.script = "on itemSelect\nglobal log\nput \"item;\" after log\nend itemSelect";
    tools.items = {x};
    p.menus = {tools};
    return p;
  }

  i16 line(std::string_view text) { return failingline(text); }
};

TEST_F(SimulatedTest, ClickSendsTheMouseMessagesWithTheKeys) {
  ASSERT_EQ(line("click at 30,20"), 0);
  EXPECT_EQ(global("log"), "down up up;up;") << "plain click: the keys are up";
  clearglobals();
  ASSERT_EQ(line("click at 30,20 with commandKey, shiftKey"), 0);
  EXPECT_EQ(global("log"), "down down down;up;");
  EXPECT_EQ(mainglobals().simulatedclick, 0) << "the flag goes back";
  clearglobals();
  ASSERT_EQ(line("click at 300,200"), 0) << "nothing there";
  EXPECT_EQ(global("log"), "(no global log)");
}

TEST_F(SimulatedTest, AFailingHandlerLeavesNoSimulatedMouseBehind) {
  EXPECT_NE(line("click at 30,20 with optionKey"), 0);
  EXPECT_EQ(mainglobals().simulatedclick, 0);
  EXPECT_NE(line("drag from 30,20 to 35,25 with optionKey"), 0);
  EXPECT_EQ(mainglobals().simulatedclick, 0);
}

TEST_F(SimulatedTest, MouseErrors) {
  EXPECT_EQ(line("click 10,10"), 76);
  EXPECT_EQ(line("click at 1,1 with controlKey"), 2);
  EXPECT_EQ(line("click at 1,1 with commandKey,"), 2);
  EXPECT_EQ(line("click at 1,1 foo"), 19);
  EXPECT_EQ(line("click at 1"), 39);
  EXPECT_EQ(line("drag to 5,5"), 46);
  EXPECT_EQ(line("drag from 1,1 5,5"), 7);
  EXPECT_EQ(line("drag from 1,1 to 5,5 now"), 19);
  EXPECT_EQ(global("log"), "(no global log)") << "no failing statement clicked";
}

TEST_F(SimulatedTest, TypeSendsOneKeyAtATime) {
  ASSERT_EQ(line("type \"ab\""), 0);
  EXPECT_EQ(global("log"), "key a;key b;");
  clearglobals();
  EXPECT_NE(line("type \"a!b\""), 0) << "the failing key stops the rest";
  EXPECT_EQ(global("log"), "key a;");
  EXPECT_EQ(line("type \"a\" with banana"), 2);
  EXPECT_EQ(line("type \"a\" now"), 19);
}

TEST_F(SimulatedTest, TypeWithTheCommandKeyCarriesOutAMenuShortcut) {
  ASSERT_EQ(line("type \"x\" with commandKey"), 0);
  EXPECT_EQ(global("log"), "key x;") << "no menu in the bar: the key is typed";
  clearglobals();
  mainglobals().lockMenus = 0;  // the program is running in front: the bar is built
  ASSERT_EQ(line("insert menu \"Tools\""), 0);
  ASSERT_EQ(line("type \"x\" with commandKey"), 0);
  EXPECT_EQ(global("log"), "item;") << "the item is chosen and nothing typed";
  clearglobals();
  ASSERT_EQ(line("type \"x\""), 0);
  EXPECT_EQ(global("log"), "key x;") << "without the command key the key is typed";
  clearglobals();
  ASSERT_EQ(line("type \"xy\" with commandKey"), 0);
  EXPECT_EQ(global("log"), "key x;key y;") << "two characters are no shortcut";
  clearglobals();
  ASSERT_EQ(line("type \"q\" with commandKey"), 0);
  EXPECT_EQ(global("log"), "key q;") << "a key no item has is typed";
}

TEST_F(SimulatedTest, FieldKeysWithoutAnOpenField) {
  EXPECT_EQ(line("tabKey"), 0) << "no eligible field: nothing";
  EXPECT_EQ(mainglobals().openfield, -1);
  EXPECT_EQ(line("tabKey now"), 19);
  EXPECT_EQ(line("keyInField \"xyz\""), 0);
  EXPECT_EQ(mainglobals().fieldchanged, 0) << "no open field, nothing typed";
  EXPECT_EQ(line("enterInField"), 0);
  EXPECT_EQ(line("enterInField now"), 19);
  const u16 before = mainglobals().clickobjectack;
  ASSERT_EQ(line("doubleClickFieldObject"), 0);
  EXPECT_EQ(mainglobals().clickobjectack, u16(before + 1));
  ASSERT_EQ(line("clickFieldObject"), 0);
  EXPECT_EQ(mainglobals().clickobjectack, 0);
}

// The field keys with a field open for editing: background field "A", card fields "B" and
// "C" (C locked); each field logs the messages that close it.
class FieldKeysTest : public SimulatedTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    using namespace testproject;
    Project p;
    Window main;
    main.name = "Main";
    const std::string closing =
        "on closeField\nglobal log\nput \"close \" & the short name of me & \";\" after log\nend closeField\n"
        "on leaveField\nglobal log\nput \"leave \" & the short name of me & \";\" after log\nend leaveField";
    Object a;
    a.kind = Object::field;
    a.name = "A";
    a.rect = Rect{10, 10, 40, 200};
    a.script = closing;
    main.backgrounds = {Background{"Plain", "", {a}}};
    Object b = a, c = a;
    b.name = "B";
    b.rect = Rect{60, 10, 90, 200};
    c.name = "C";
    c.rect = Rect{110, 10, 140, 200};
    c.setflags = 1u << 3;  // lockText
    // Auto-tab fields: "Short" shows one line of its two, "Tall" has room for many more.
    Object shortfield = a, tall = a;
    shortfield.name = "Short";
    shortfield.text = "one\rtwo";
    shortfield.rect = Rect{160, 10, 175, 200};
    shortfield.setflags = 1u << 8;
    shortfield.script = closing + "\non tabKey\nglobal log\nput \"tab;\" after log\nend tabKey";
    tall = shortfield;
    tall.name = "Tall";
    tall.rect = Rect{180, 10, 380, 200};
    Card one;
    one.name = "One";
    one.objects = {b, c, shortfield, tall};
    main.cards = {one};
    p.windows = {main};
    build(p);
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
  // Opens a card field for editing with the text tool, by a click at (h, v).
  void openat(int h, int v) {
    ASSERT_EQ(line("choose text tool"), 0);
    ASSERT_EQ(line("click at " + std::to_string(h) + "," + std::to_string(v)), 0);
    ASSERT_GE(mainglobals().openfield, 0) << "the click opened the field";
    mainglobals().fieldchanged = 0;
  }
  void openb() { openat(100, 75); }
};

TEST_F(FieldKeysTest, KeysIntoTheOpenFieldMarkItChanged) {
  openb();
  MainGlobals& g = mainglobals();
  ASSERT_EQ(line("keyInField \"xyz\""), 0);
  EXPECT_EQ(g.fieldchanged, 1);
  g.fieldchanged = 0;
  ASSERT_EQ(line("keyInField empty"), 0);
  EXPECT_EQ(g.fieldchanged, 0) << "no key, no change";
  EXPECT_EQ(line("keyInField \"x\" now"), 19);
  EXPECT_EQ(g.fieldchanged, 0);
  g.typingblock = 1;
  ASSERT_EQ(line("returnInField"), 0);
  EXPECT_EQ(g.fieldchanged, 0) << "typing is blocked";
  g.typingblock = 0;
  ASSERT_EQ(line("returnInField"), 0);
  EXPECT_EQ(g.fieldchanged, 1) << "a return typed";
  EXPECT_EQ(line("returnInField now"), 19);
  EXPECT_GE(g.openfield, 0) << "the field stays open";
}

TEST_F(FieldKeysTest, EnterInFieldPutsTheOpenFieldDown) {
  openb();
  ASSERT_EQ(line("enterInField"), 0);
  EXPECT_EQ(mainglobals().openfield, -1);
  EXPECT_EQ(global("log"), "leave B;");
}

TEST_F(FieldKeysTest, TabKeyGoesRoundTheUnlockedVisibleFields) {
  MainGlobals& g = mainglobals();
  ASSERT_EQ(line("hide card field \"Short\"\nhide card field \"Tall\""), 0);
  // Which field is open: "bg 0", "card 0", or "none".
  const auto open = [&g]() -> std::string {
    if (g.openfield < 0) return "none";
    return std::string(g.openfieldspots == g.current.backspots ? "bg " : "card ") + std::to_string(g.openfield);
  };
  ASSERT_EQ(line("tabKey"), 0);
  EXPECT_EQ(open(), "bg 0") << "the background's fields come first";
  ASSERT_EQ(line("tabKey"), 0);
  EXPECT_EQ(open(), "card 0") << "then the card's; the locked field is passed over";
  ASSERT_EQ(line("tabKey"), 0);
  EXPECT_EQ(open(), "bg 0") << "and round again";
  EXPECT_EQ(global("log"), "leave A;leave B;");
  g.event.modifiers = 0x0200;  // shift
  ASSERT_EQ(line("tabKey"), 0);
  EXPECT_EQ(open(), "card 0") << "backwards from A: the card's last field";
  g.event.modifiers = 0;
  ASSERT_EQ(line("enterInField"), 0);
  ASSERT_EQ(line("choose text tool"), 0);
  ASSERT_EQ(line("tabKey"), 0);
  EXPECT_EQ(open(), "none") << "with no field open only the browse tool tabs";
  ASSERT_EQ(line("choose browse tool"), 0);
  ASSERT_EQ(line("hide background field \"A\"\nhide card field \"B\""), 0);
  clearglobals();
  ASSERT_EQ(line("tabKey"), 0) << "only the locked field is left: nothing";
  EXPECT_EQ(open(), "none");
  EXPECT_EQ(global("log"), "(no global log)");
}

TEST_F(FieldKeysTest, ReturnInAnAutoTabFieldTabsAtItsBottom) {
  MainGlobals& g = mainglobals();
  openat(100, 167);
  WEReference we = g.openfieldrec;
  ASSERT_NE(we, nilid);
  WESetSelection(0, WEGetTextLength(we), we);
  ASSERT_EQ(line("returnInField"), 0);
  EXPECT_EQ(global("log"), "tab;") << "the whole text selected";
  EXPECT_EQ(g.fieldchanged, 0) << "nothing typed";
  clearglobals();
  WESetSelection(WEGetTextLength(we), WEGetTextLength(we), we);
  ASSERT_EQ(line("returnInField"), 0);
  EXPECT_EQ(global("log"), "tab;") << "a new line would fall below the field";
  ASSERT_EQ(line("choose browse tool"), 0);
  openat(100, 250);
  clearglobals();
  we = g.openfieldrec;
  WESetSelection(3, 3, we);
  ASSERT_EQ(line("returnInField"), 0);
  EXPECT_EQ(global("log"), "(no global log)") << "room below: the return is typed";
  EXPECT_EQ(g.fieldchanged, 1);
}

}  // namespace
}  // namespace kv
