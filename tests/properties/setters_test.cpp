// `set` statements as scripts run them: the dispatcher's routing and refusals, the front
// parser's errors, the geometry setter on objects, windows, the message box and the cursor, and
// the redraws it asks for.
#include <gtest/gtest.h>

#include "engine/fred.h"
#include "properties/properties.h"
#include "core/mainglobals.h"
#include "shell/redraws.h"
#include "engine/objectutil.h"
#include "platform/testing/driver.h"
#include "platform/tsm/tsm.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/werecord.h"
#include "tests/properties/proptest.h"

namespace kv {
namespace {

class SetterTest : public PropertyTest {};

TEST_F(SetterTest, RectOfAButton) {
  takeredraws();
  ASSERT_EQ(setline("set the rect of card button 1 to 20,30,120,60"), 0);
  EXPECT_EQ(cardvalue("the rect of card button 1"), "20,30,120,60");
  EXPECT_TRUE(changed(mainglobals().current.cardrecid)) << "the card that holds the button";
  // The union of the old and new drawing bounds is redrawn in the window: those of a push
  // button drawn by its control take in the control's frame (5 above, 6 left and right, 5
  // below).
  auto redraws = takeredraws();
  ASSERT_EQ(redraws.size(), 1u);
  EXPECT_EQ(redraws[0].window, mainglobals().current.window);
  EXPECT_EQ(redraws[0].area.top, 5);
  EXPECT_EQ(redraws[0].area.left, 4);
  EXPECT_EQ(redraws[0].area.bottom, 65);
  EXPECT_EQ(redraws[0].area.right, 126);
  // Without `the`, and through a variable holding the rectangle.
  ASSERT_EQ(setline("set rect of card button 1 to the rect of card button 2"), 0);
  EXPECT_EQ(cardvalue("the rect of card button 1"), "20,50,120,80");
}

TEST_F(SetterTest, PointsAndNumbers) {
  ASSERT_EQ(setline("set the loc of button 1 to 100,200"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "50,185,150,215") << "size kept, centred on the point";
  ASSERT_EQ(setline("set the loc of button 1 to the loc of button 2"), 0);
  EXPECT_EQ(cardvalue("the loc of button 1"), cardvalue("the loc of button 2"));
  ASSERT_EQ(setline("set the topLeft of button 1 to 0,0"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "0,0,100,30");
  ASSERT_EQ(setline("set the botRight of button 1 to 200,100"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "100,70,200,100");
  ASSERT_EQ(setline("set the left of button 1 to 5"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "5,70,105,100");
  ASSERT_EQ(setline("set the bottom of button 1 to 40"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "5,10,105,40");
  ASSERT_EQ(setline("set the rect of button 1 to 10,10,60,30"), 0);
  ASSERT_EQ(setline("set the width of button 1 to 100"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "-15,10,85,30") << "the horizontal centre 35 stays";
  ASSERT_EQ(setline("set the height of button 1 to 41"), 0);
  EXPECT_EQ(cardvalue("the rect of button 1"), "-15,0,85,41");
}

// The pixels of a window within a rectangle that differ from the window's ground (taken at a
// point nothing covers).
int inked(WindowRef window, const Rect& r) {
  const Frame f = drive::windowpixels(window);
  const u32 ground = drive::pixelat(f, 500, 20) & 0xFFFFFF;
  int n = 0;
  for (i16 v = r.top; v < r.bottom; ++v)
    for (i16 h = r.left; h < r.right; ++h) n += (drive::pixelat(f, h, v) & 0xFFFFFF) != ground;
  return n;
}

// A field open for typing is put down when it moves, with what was typed; the window shows
// it at its new place and nothing of it at the old one.
TEST_F(SetterTest, MovingTheOpenFieldPutsItDown) {
  const WindowRef window = current().window;
  ASSERT_EQ(setline("set the rect of card field \"Notes\" to 20,200,160,260"), 0);
  ASSERT_EQ(doline("click at 60,230"), 0);
  ASSERT_EQ(mainglobals().openfield, cardindex("Notes")) << "open for typing";
  ASSERT_EQ(doline("type \"typed\""), 0);
  const Rect old{200, 20, 260, 160}, moved{300, 220, 360, 360};
  ASSERT_GT(inked(window, old), 0) << "the text shows";
  ASSERT_EQ(inked(window, moved), 0);
  ASSERT_EQ(setline("set the loc of card field \"Notes\" to 290,330"), 0);
  EXPECT_EQ(mainglobals().openfield, -1) << "put down";
  EXPECT_EQ(cardvalue("the rect of card field \"Notes\""), "220,300,360,360");
  EXPECT_NE(cardvalue("card field \"Notes\"").find("typed"), std::string::npos) << "its text kept";
  EXPECT_EQ(inked(window, old), 0) << "the old place redrawn";
  EXPECT_GT(inked(window, moved), 0) << "the new place drawn";
}

TEST_F(SetterTest, EmptyRectangles) {
  EXPECT_EQ(setline("set the height of graphic \"Box\" to 0"), 66);
  EXPECT_EQ(cardvalue("the rect of graphic \"Box\""), "30,100,90,140") << "nothing changed";
  EXPECT_EQ(setline("set the height of graphic \"Line\" to 0"), 0) << "a line takes any rectangle";
  EXPECT_EQ(cardvalue("the height of graphic \"Line\""), "0");
  EXPECT_EQ(setline("set the rect of card button 1 to 50,10,10,10"), 66);
}

TEST_F(SetterTest, InvisibleObjectsRedrawNothing) {
  spot s = cardspot("Go");
  s.flags = s.flags & ~1u;
  putcardspot("Go", s);
  takeredraws();
  ASSERT_EQ(setline("set the loc of card button 1 to 300,300"), 0);
  EXPECT_TRUE(takeredraws().empty());
  EXPECT_EQ(cardvalue("the loc of card button 1"), "300,300");
}

TEST_F(SetterTest, WindowsAreLimitedToTheirCard) {
  ASSERT_EQ(setline("set the dontLimitWindows to false"), 0);
  ASSERT_EQ(setline("set the width of window 1 to 5000"), 0);
  EXPECT_EQ(cardvalue("the rect of window 1"), "100,100,640,460") << "the card's width, centred on the old centre";
  ASSERT_EQ(setline("set the width of window 1 to 400"), 0);
  EXPECT_EQ(cardvalue("the rect of window 1"), "170,100,570,460");
  ASSERT_EQ(setline("set the topLeft of window 1 to 50,60"), 0);
  EXPECT_EQ(cardvalue("the rect of window 1"), "50,60,450,420");
  mainglobals().plugin = 1;
  EXPECT_EQ(setline("set the rect of window 1 to 0,0,100,100"), 177);
  mainglobals().plugin = 0;
  EXPECT_EQ(setline("set the rect of card 1 to 0,0,100,100"), 2);
  // Not limited to the card, a window is limited to the largest window size.
  ASSERT_EQ(setline("set the dontLimitWindows to true"), 0);
  ASSERT_EQ(setline("set the windowLimit to 600,500"), 0);
  ASSERT_EQ(setline("set the rect of window 1 to 0,0,2000,2000"), 0);
  EXPECT_EQ(cardvalue("the rect of window 1"), "0,0,600,500");
}

TEST_F(SetterTest, MessageBoxAndCursor) {
  EXPECT_EQ(setline("set the loc of the cursor to 100,100"), 0);
  EXPECT_EQ(setline("set the top of the cursor to 100"), 65);
  EXPECT_EQ(setline("set the loc of the message box to 100,100"), 66) << "no message box window: empty";
  EXPECT_EQ(setline("set the loc of the cursor 100,100"), 7);
}

TEST_F(SetterTest, ValueParserErrors) {
  EXPECT_EQ(setline("set the rect of button 1 to 1,2,3"), 39) << "three numbers";
  EXPECT_EQ(setline("set the rect of button 1 to \"1,2,3\""), 39) << "three numbers in one value";
  EXPECT_EQ(setline("set the loc of button 1 to 10"), 39);
  EXPECT_NE(setline("set the rect of button 1 to \"a\",2,3,4"), 0);
  EXPECT_EQ(setline("set the width of button 1 to 1.5"), 13);
  EXPECT_EQ(setline("set the width of button 1 to 10 20"), 19) << "words left after the value";
  EXPECT_EQ(cardvalue("the rect of button 1"), "10,10,110,40") << "no failure changed anything";
}

TEST_F(SetterTest, TheFrontParser) {
  EXPECT_EQ(setline("set the rect to 1,2,3,4"), 5) << "an object property needs `of`";
  EXPECT_EQ(setline("set the rect of button 1 1,2,3,4"), 7) << "`to` missing";
  EXPECT_EQ(setline("set the rect of button 99 to 1,2,3,4"), 11);
  EXPECT_EQ(setline("set the rect of line 1 of card field \"Notes\" to 1,2,30,40"), 0) << "a chunk's field";
  EXPECT_EQ(cardvalue("the rect of card field \"Notes\""), "1,2,30,40");
}

TEST_F(SetterTest, ReadOnlyAndUnknownProperties) {
  EXPECT_EQ(setline("set the number of card 1 to 3"), 65);
  EXPECT_EQ(setline("set the short to 1"), 65) << "the name forms are read-only";
  EXPECT_EQ(setline("set the freeSize of this card to 1"), 65);
  EXPECT_EQ(setline("set the hasDragManager to true"), 65);
  EXPECT_EQ(setline("set the props of button 1 to x"), 43);
  EXPECT_EQ(setline("set the address to 1"), 43);
  EXPECT_EQ(setline("set the colorWorld to false"), 65);
  EXPECT_EQ(setline("set the language to French"), 65);
  // The flags and name families take their words.
  EXPECT_EQ(setline("set the visible of button 1 to false"), 0);
  EXPECT_EQ(setline("set the name of button 1 to \"x\""), 0);
}

TEST_F(SetterTest, PluginModeRefusesMenuKeys) {
  mainglobals().plugin = 1;
  EXPECT_EQ(setline("set the commandChar of item 1 of menu 1 to \"x\""), 177);
  EXPECT_EQ(setline("set the cmdModifiers of item 1 of menu 1 to shiftKey"), 177);
  mainglobals().plugin = 0;
}

TEST_F(SetterTest, FunctionWordsAreRouted) {
  // `offset` and the print settings are function words; the print settings reach the global
  // setter, and `offset` reaches its own (which takes only a background).
  EXPECT_EQ(setline("set the offset of window 1 to 0,0"), 2);
  EXPECT_EQ(setline("set the printCopies to 2"), 0);
  EXPECT_EQ(setline("set the bogus to 2"), 5) << "an unknown word is a user property";
}

TEST_F(SetterTest, TabSizeReachesTheRecordsOfTextFields) {
  // Live records for the card's field and the background's.
  installweliveparts();
  std::vector<std::pair<Handle, i32>> fields{{mainglobals().current.cardspots, cardindex("Notes")},
                                             {mainglobals().current.backspots, backindex("Title")}};
  std::vector<WEReference> records;
  for (const auto& [list, index] : fields) {
    spot s = HandleAs<spot>(list)[index];
    ASSERT_TRUE(usesenginetwo(&s));
    WEReference we = livefield(s);
    if (!isvalidwerec(we)) {
      ASSERT_EQ(WENew(nullptr, nullptr, 0x1000, &we), noErr);
      setlivefield(s, we);
      HandleAs<spot>(list)[index] = s;
    }
    records.push_back(we);
  }
  ASSERT_EQ(setline("set the tabSize to 48"), 0);
  for (WEReference we : records) EXPECT_EQ(WEGetTabSize(we), 48);
  mainglobals().pasteinprogress = 1;
  ASSERT_EQ(setline("set the tabSize to 20"), 0);
  for (WEReference we : records) EXPECT_EQ(WEGetTabSize(we), 48) << "not while a paste runs";
  mainglobals().pasteinprogress = 0;
  for (const auto& [list, index] : fields) releaselivefield(HandleAs<spot>(list)[index]);
}

// Switches whose setting acts at once (menus rebuilt, windows redrawn, the open field closed)
// keep their new state, either way.
TEST_F(SetterTest, SwitchesThatActAtOnceKeepTheirState) {
  for (std::string_view name : {"allowInlineInput", "allowInterrupts", "allowModal", "wysiwygFontMenu",
                                "allowMouseMessages", "idleControls", "quartzPicts", "showGroups"}) {
    std::string of = "the " + std::string(name);
    setrows({{"set " + of + " to true", of, "true"}, {"set " + of + " to false", of, "false"}});
  }
  setrows({{"", "the dragFlavors", ""},
           {"", "the language", "English"},
           {"", "the quartzText", "false"},
           {"", "the recogPhrases", ""},
           {"", "the dockMenu", ""},
           {"", "the foreground", "true"},
           {"set the fgScriptTime to 7", "the fgScriptTime", "7"}});
}

// The input method's requests reach text records only while text services are on.
TEST_F(SetterTest, TextServicesSwitchTheInputMethodHandlers) {
  ASSERT_EQ(setline("set the allowTextServices to false"), 0);
  TSMRecord gtxt{kTextServiceClass, kGetSelectedText, {}};
  EXPECT_EQ(SendTSMEvent(gtxt, nullptr), errAEEventNotHandled);
  ASSERT_EQ(setline("set the allowTextServices to true"), 0);
  EXPECT_EQ(SendTSMEvent(gtxt, nullptr), paramErr) << "a handler answers: no record named";
  ASSERT_EQ(setline("set the allowTextServices to true"), 0);
  ASSERT_EQ(setline("set the allowTextServices to false"), 0);
  EXPECT_EQ(SendTSMEvent(gtxt, nullptr), errAEEventNotHandled);
  EXPECT_EQ(WERemoveTSMHandlers(), errAEHandlerNotFound);
}

}  // namespace
}  // namespace kv
