// The global properties read and set as scripts do: start values, clamps, words, conversion
// errors, plug-in refusals and the settings that act at once.
#include <gtest/gtest.h>

#include <string>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class GlobalTest : public VeltrixTest {};

TEST_F(GlobalTest, ClampedIntegers) {
  rows({{"set the scriptCache to 100", "the scriptCache", "31"},
        {"set the scriptCache to 2", "the scriptCache", "8"},
        {"set the polySides to 1", "the polySides", "3"},
        {"set the userLevel to 999", "the userLevel", "999"},
        {"set the userLevel to 0", "the userLevel", "1"},
        {"set the brush to 99", "the brush", "40"}});
  EXPECT_EQ(mainglobals().brush, 39);
  rows({{"set the pattern to 0", "the fillPat", "1"},
        {"set the fillFore to 300", "the fillFore", "44"},  // the number minus one, low 8 bits
        {"set the paletteOpacity to 150", "the paletteOpacity", "100"},
        {"set the paletteOpacity to 30", "", ""}});
  EXPECT_EQ(mainglobals().paletteOpacity, 70);
  EXPECT_EQ(run("set the cardScrollStep to 0"), 0);
  EXPECT_EQ(eval("the cardScrollStep"), "1");
  EXPECT_EQ(run("set the pictCache to 50"), 0);
  EXPECT_EQ(eval("the pictureCache"), "20");
}

TEST_F(GlobalTest, IdleTicksMoveTheNextIdle) {
  u32 now = TickCount();
  EXPECT_EQ(run("set the idleTicks to 30"), 0);
  EXPECT_EQ(eval("the idleTicks"), "30");
  EXPECT_GE(mainglobals().nextidle, now + 30);
  EXPECT_LE(mainglobals().nextidle, TickCount() + 30);
}

TEST_F(GlobalTest, PenSizes) {
  rows({{"set the penWidth to 3", "", ""},
        {"set the penHeight to 2", "the lineSize", "2"},  // the mean, truncated
        {"set the lineSize to 2000", "the penWidth", "1000"},
        {"", "the penHeight", "1000"},
        {"set the penWidth to 0", "the penWidth", "1"}});
}

TEST_F(GlobalTest, ConversionErrorsChangeNothing) {
  EXPECT_EQ(run("set the cardScrollStep to \"x\""), 13);
  EXPECT_EQ(eval("the cardScrollStep"), "20");
  EXPECT_EQ(run("set the lockMessages to 7"), 15);
  EXPECT_EQ(eval("the lockMessages"), "false");
  EXPECT_EQ(run("set the grid to true"), 0);
  EXPECT_EQ(eval("the grid"), "true");
  EXPECT_EQ(run("set the grid to false 1"), 19);
  EXPECT_EQ(run("set the grid true"), 7);
}

TEST_F(GlobalTest, WordsOfTheSettings) {
  rows({{"set the appleEventTimeout to forever", "the appleEventTimeout", "forever"},
        {"set the appleEventTimeout to 600", "the aeTimeout", "600"},
        {"set the appleEventTimeout to default", "the appleEventTimeout", "default"},
        {"set the translucentDragOpacity to \"maximum please\"", "the translucentDragOpacity", "maximum"},
        {"set the translucentDragOpacity to medium", "the translucentDragOpacity", "normal"},
        {"set the translucentDragOpacity to huge", "", "error 146"},
        {"set the bufferMode to millions", "the bufferMode", "millions"},
        {"set the bufferMode to lots", "", "error 2"},
        {"", "the bufferMode", "millions"}});
}

TEST_F(GlobalTest, MenuSets) {
  EXPECT_EQ(run("set the menuSet to editSelection"), 0);
  EXPECT_EQ(mainglobals().menuSet, 16);
  rows({{"", "the menuSet", "x7"},
        {"set the menuSet to \"editor1\"", "the menuSet", "x1"},
        {"set the menuSet to 10", "the menuSet", "10"},
        {"set the menuSet to 40", "the menuSet", "10"},
        {"set the menuSet to 0", "the menuSet", "1"}});
}

TEST_F(GlobalTest, Delimiters) {
  // With localDelimiters on, a handler's delimiters are its own.
  EXPECT_EQ(fn("set the itemDelimiter to \";\"\nreturn the itemDelimiter & item 2 of \"a;b\""), ";b");
  EXPECT_EQ(eval("the itemDelimiter"), ",");
  EXPECT_EQ(run("set the localDelimiters to false"), 0);
  EXPECT_EQ(run("set the itemDelimiter to \"ab\""), 0);
  EXPECT_EQ(eval("the itemDelimiter"), "a") << "the first character";
  EXPECT_EQ(run("set the itemDelimiter to empty"), 2);
  EXPECT_EQ(run("set the lineDelimiter to numToChar(10)"), 0);
  EXPECT_EQ(eval("the lineDelimiter"), "\n");
}

TEST_F(GlobalTest, SerialControl) {
  // only baud rate and stop bits change
  rows({{"set the serialControl to \"9600\",,,\"stop20\"", "the serialControl", "9600,8,none,stop20,true,modem"},
        {"set the serialControl to \"300,7,even,stop15,false\"", "the serialControl", "300,7,even,stop15,false,modem"},
        // a word matches a row that begins with it
        {"set the serialControl to \"1\"", "the serialControl", "1200,7,even,stop15,false,modem"},
        // a word longer than every row matches none
        {"set the serialControl to \"123456\"", "the serialControl", "1200,7,even,stop15,false,modem"}});
  mainglobals().serialControl = 0x14C01 & ~0xC000u;
  EXPECT_EQ(eval("the serialControl"), "38400,8,none,,true,modem") << "a stop-bit field of 0 has no word";
  mainglobals().plugin = 1;
  EXPECT_EQ(run("set the serialControl to \"9600\""), 177);
  EXPECT_EQ(evalerror("the serialControl"), 177);
  mainglobals().plugin = 0;
}

TEST_F(GlobalTest, SoundVolume) {
  rows({{"set the soundVolume to 300", "the soundVolume", "256"},          // both channels, clamped
        {"set the soundVolume to 100,200", "the soundVolume", "100,200"},  // left, right
        {"set the soundVolume to -5", "the soundVolume", "0"}});
}

TEST_F(GlobalTest, TextsOfTheSettings) {
  rows({{"set the fileType to \"abcdefghijklm\"", "the fileType", "abcdefgh"},  // the first 8 characters
        {"set the fileType to \"ab\"", "the fileType", "ab??????"},
        {"set the printLabel to \"Draft\"", "the printLabel", "Draft"},
        {"set the printLabel to empty", "", ""}});
  EXPECT_EQ(mainglobals().printLabel, nilhandle);
  EXPECT_EQ(run("set the numberFormat to \"0.00\""), 0);
  EXPECT_EQ(fn("return 1/3"), "0.33");
  EXPECT_EQ(run("set the editorName to \"Editor\""), 0);
  EXPECT_EQ(eval("the editorName"), "Editor");
  MainGlobals& g = mainglobals();
  if (g.settings == nilhandle) g.settings = NewHandleClear(36);
  u16 was = loadat<u16>(deref(g.settings));
  storeat<u16>(deref(g.settings), 1);
  EXPECT_EQ(eval("the editorName"), "") << "a standalone has no editor";
  storeat<u16>(deref(g.settings), was);
  EXPECT_EQ(run("set the defaultFolder to \"/no/such/folder\""), 186);
  EXPECT_EQ(run("set the defaultFolder to \"/\""), 0);
  EXPECT_EQ(eval("the defaultFolder"), "/");
  EXPECT_EQ(run("set the defaultFolder to none"), 0);
  EXPECT_EQ(eval("the defaultFolder"), "none");
}

TEST_F(GlobalTest, TextDefaults) {
  EXPECT_EQ(run("set the textStyle to bold, italic"), 0);
  EXPECT_EQ(mainglobals().textStyle, 3);
  rows({{"", "the textStyle", "bold,italic"},
        {"set the textStyle to plain", "the textStyle", "plain"},
        {"set the textStyle to bold,heavy", "", "error 83"},
        {"", "the textStyle", "plain"},
        {"set the textHeight to auto", "the textHeight", "auto"},
        {"set the textHeight to 300", "the textHeight", "200"},
        {"set the textHeight to 2", "the textHeight", "5"},
        {"set the textSize to -5", "the textSize", "-1"},
        {"set the textAlign to center", "the textAlign", "center"},
        {"set the textAlign to middle", "", "error 2"},
        {"set the textColor to 3", "", "error 65"}});  // not a global default
  EXPECT_EQ(evalerror("the textFont"), 0) << "the paint text font's name";
}

TEST_F(GlobalTest, SwitchesThatAct) {
  rows({{"set the plugin to true", "the plugin", "true"},
        {"set the editMenus to false", "", "error 177"},  // refused in plug-in mode
        {"", "the windowLimit", "error 177"},
        {"set the plugin to false", "", ""},
        {"set the quartzText to true", "", "error 124"},
        {"set the audioVolume to 1,1", "", "error 124"},
        {"", "the audioVolume", "error 124"},
        {"set the backColor to 1", "", "error 173"},
        {"", "the backColor", "error 173"},
        {"", "the defaultCursor", "error 54"},
        {"", "the cursor", "error 54"},
        {"set the multiEffect to true", "the multiEffect", "false"}});  // evaluated, not stored
}

TEST_F(GlobalTest, Backdrop) {
  EXPECT_EQ(run("set the backDrop to black"), 0);
  EXPECT_EQ(eval("the backDrop"), "black");
  ASSERT_NE(mainglobals().backdrop, nilid);
  EXPECT_TRUE(IsWindowVisible(mainglobals().backdrop));
  EXPECT_EQ(run("set the backDrop to \"WHITE\""), 0);
  EXPECT_EQ(eval("the backDrop"), "white");
  EXPECT_EQ(run("set the backDrop to grey"), 2);
  EXPECT_EQ(run("set the backDrop to none"), 0);
  EXPECT_EQ(mainglobals().backdrop, nilid);
  EXPECT_EQ(eval("the backDrop"), "none");
}

TEST_F(GlobalTest, MonitorsAndArguments) {
  EXPECT_EQ(evalerror("the colorMode of monitor 1"), 0) << "the main screen";
  EXPECT_EQ(eval("the colorMode of monitor 1"), eval("the colorMode 1")) << "`of` and `monitor` are optional";
  EXPECT_EQ(evalerror("the colorMode of monitor 99"), 2);
  EXPECT_EQ(evalerror("the colorMode of monitor \"x\""), 13);
  ASSERT_EQ(PtrToHand("one\rtwo", &mainglobals().launchArguments, 7), noErr);
  EXPECT_EQ(eval("the number of lines of the launchArguments"), "2");
  EXPECT_EQ(eval("launchArguments"), "launchArguments") << "a bare word is its own text";
}

TEST_F(GlobalTest, PointsOfTheSettings) {
  EXPECT_EQ(run("set the transitionLoc to 30,40"), 0);
  EXPECT_EQ(eval("the transitionLoc"), "30,40");
  EXPECT_EQ(run("set the windowLimit to 5,5"), 0);
  EXPECT_EQ(eval("the windowLimit"), "20,20") << "at least the smallest window";
  EXPECT_EQ(run("set the windowLimit to 5"), 39);
}

}  // namespace
}  // namespace kv
