// The global properties read and set as scripts do: start values, clamps, words, conversion
// errors, plug-in refusals and the settings that act at once.
#include <gtest/gtest.h>

#include <string>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "shell/mainglobals.h"
#include "store/records.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class GlobalTest : public VeltrixTest {};

TEST_F(GlobalTest, StartValues) {
  EXPECT_EQ(eval("the userLevel"), "5");
  EXPECT_EQ(eval("the itemDelimiter"), ",");
  EXPECT_EQ(eval("the fileType"), "ttxtTEXT");
  EXPECT_EQ(eval("the brush"), "1") << "kept zero-based, shown one-based";
  EXPECT_EQ(eval("the penPat"), "12");
  EXPECT_EQ(eval("the fillBack"), "256");
  EXPECT_EQ(eval("the penFore"), "256");
  EXPECT_EQ(eval("the scriptCache"), "31");
  EXPECT_EQ(eval("the bgSleepTime"), "50");
  EXPECT_EQ(eval("the backgroundScriptTime"), "5");
  EXPECT_EQ(eval("the translucentDragOpacity"), "normal");
  EXPECT_EQ(eval("the appleEventTimeout"), "default");
  EXPECT_EQ(eval("the allowDragExport"), "true");
  EXPECT_EQ(eval("the allowObjectCursors"), "false");
  EXPECT_EQ(eval("the serialControl"), "38400,8,none,stop10,true,modem");
  EXPECT_EQ(eval("the paletteOpacity"), "100");
  EXPECT_EQ(eval("the language"), "English");
  EXPECT_EQ(eval("the defaultFolder"), "none");
  EXPECT_EQ(eval("the printLabel"), "");
  EXPECT_EQ(eval("the backDrop"), "none");
  EXPECT_EQ(eval("the soundVolume"), "256");
  EXPECT_EQ(eval("the helpBalloons"), "false");
  EXPECT_EQ(eval("the lineSize"), "1");
  EXPECT_EQ(eval("the textHeight"), eval("the textHeight"));
  EXPECT_EQ(eval("the launchArguments"), "") << "no arguments";
}

TEST_F(GlobalTest, ClampedIntegers) {
  EXPECT_EQ(run("set the scriptCache to 100"), 0);
  EXPECT_EQ(eval("the scriptCache"), "31");
  EXPECT_EQ(run("set the scriptCache to 2"), 0);
  EXPECT_EQ(eval("the scriptCache"), "8");
  EXPECT_EQ(run("set the polySides to 1"), 0);
  EXPECT_EQ(eval("the polySides"), "3");
  EXPECT_EQ(run("set the userLevel to 999"), 0);
  EXPECT_EQ(eval("the userLevel"), "999");
  EXPECT_EQ(run("set the userLevel to 0"), 0);
  EXPECT_EQ(eval("the userLevel"), "1");
  EXPECT_EQ(run("set the brush to 99"), 0);
  EXPECT_EQ(eval("the brush"), "40");
  EXPECT_EQ(mainglobals().brush, 39);
  EXPECT_EQ(run("set the pattern to 0"), 0);
  EXPECT_EQ(eval("the fillPat"), "1");
  EXPECT_EQ(run("set the fillFore to 300"), 0);
  EXPECT_EQ(eval("the fillFore"), "44") << "the number minus one, low 8 bits";
  EXPECT_EQ(run("set the paletteOpacity to 150"), 0);
  EXPECT_EQ(eval("the paletteOpacity"), "100");
  EXPECT_EQ(run("set the paletteOpacity to 30"), 0);
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
  EXPECT_EQ(run("set the penWidth to 3"), 0);
  EXPECT_EQ(run("set the penHeight to 2"), 0);
  EXPECT_EQ(eval("the lineSize"), "2") << "the mean, truncated";
  EXPECT_EQ(run("set the lineSize to 2000"), 0);
  EXPECT_EQ(eval("the penWidth"), "1000");
  EXPECT_EQ(eval("the penHeight"), "1000");
  EXPECT_EQ(run("set the penWidth to 0"), 0);
  EXPECT_EQ(eval("the penWidth"), "1");
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
  EXPECT_EQ(run("set the appleEventTimeout to forever"), 0);
  EXPECT_EQ(eval("the appleEventTimeout"), "forever");
  EXPECT_EQ(run("set the appleEventTimeout to 600"), 0);
  EXPECT_EQ(eval("the aeTimeout"), "600");
  EXPECT_EQ(run("set the appleEventTimeout to default"), 0);
  EXPECT_EQ(eval("the appleEventTimeout"), "default");
  EXPECT_EQ(run("set the translucentDragOpacity to \"maximum please\""), 0);
  EXPECT_EQ(eval("the translucentDragOpacity"), "maximum");
  EXPECT_EQ(run("set the translucentDragOpacity to medium"), 0);
  EXPECT_EQ(eval("the translucentDragOpacity"), "normal");
  EXPECT_EQ(run("set the translucentDragOpacity to huge"), 146);
  EXPECT_EQ(run("set the bufferMode to millions"), 0);
  EXPECT_EQ(eval("the bufferMode"), "millions");
  EXPECT_EQ(run("set the bufferMode to lots"), 2);
  EXPECT_EQ(eval("the bufferMode"), "millions");
}

TEST_F(GlobalTest, MenuSets) {
  EXPECT_EQ(run("set the menuSet to editSelection"), 0);
  EXPECT_EQ(mainglobals().menuSet, 16);
  EXPECT_EQ(eval("the menuSet"), "x7");
  EXPECT_EQ(run("set the menuSet to \"editor1\""), 0);
  EXPECT_EQ(eval("the menuSet"), "x1");
  EXPECT_EQ(run("set the menuSet to 10"), 0);
  EXPECT_EQ(eval("the menuSet"), "10");
  EXPECT_EQ(run("set the menuSet to 40"), 0);
  EXPECT_EQ(eval("the menuSet"), "10");
  EXPECT_EQ(run("set the menuSet to 0"), 0);
  EXPECT_EQ(eval("the menuSet"), "1");
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
  EXPECT_EQ(run("set the serialControl to \"9600\",,,\"stop20\""), 0);
  EXPECT_EQ(eval("the serialControl"), "9600,8,none,stop20,true,modem") << "only baud rate and stop bits change";
  EXPECT_EQ(run("set the serialControl to \"300,7,even,stop15,false\""), 0);
  EXPECT_EQ(eval("the serialControl"), "300,7,even,stop15,false,modem");
  EXPECT_EQ(run("set the serialControl to \"1\""), 0);
  EXPECT_EQ(eval("the serialControl"), "1200,7,even,stop15,false,modem") << "a word matches a row that begins with it";
  EXPECT_EQ(run("set the serialControl to \"123456\""), 0) << "a word longer than every row matches none";
  EXPECT_EQ(eval("the serialControl"), "1200,7,even,stop15,false,modem");
  mainglobals().serialControl = 0x14C01 & ~0xC000u;
  EXPECT_EQ(eval("the serialControl"), "38400,8,none,,true,modem") << "a stop-bit field of 0 has no word";
  mainglobals().plugin = 1;
  EXPECT_EQ(run("set the serialControl to \"9600\""), 177);
  EXPECT_EQ(evalerror("the serialControl"), 177);
  mainglobals().plugin = 0;
}

TEST_F(GlobalTest, SoundVolume) {
  EXPECT_EQ(run("set the soundVolume to 300"), 0);
  EXPECT_EQ(eval("the soundVolume"), "256") << "both channels, clamped";
  EXPECT_EQ(run("set the soundVolume to 100,200"), 0);
  EXPECT_EQ(eval("the soundVolume"), "100,200") << "left, right";
  EXPECT_EQ(run("set the soundVolume to -5"), 0);
  EXPECT_EQ(eval("the soundVolume"), "0");
}

TEST_F(GlobalTest, TextsOfTheSettings) {
  EXPECT_EQ(run("set the fileType to \"abcdefghijklm\""), 0);
  EXPECT_EQ(eval("the fileType"), "abcdefgh") << "the first 8 characters";
  EXPECT_EQ(run("set the fileType to \"ab\""), 0);
  EXPECT_EQ(eval("the fileType"), "ab??????");
  EXPECT_EQ(run("set the printLabel to \"Draft\""), 0);
  EXPECT_EQ(eval("the printLabel"), "Draft");
  EXPECT_EQ(run("set the printLabel to empty"), 0);
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
  EXPECT_EQ(eval("the textStyle"), "bold,italic");
  EXPECT_EQ(run("set the textStyle to plain"), 0);
  EXPECT_EQ(eval("the textStyle"), "plain");
  EXPECT_EQ(run("set the textStyle to bold,heavy"), 83);
  EXPECT_EQ(eval("the textStyle"), "plain");
  EXPECT_EQ(run("set the textHeight to auto"), 0);
  EXPECT_EQ(eval("the textHeight"), "auto");
  EXPECT_EQ(run("set the textHeight to 300"), 0);
  EXPECT_EQ(eval("the textHeight"), "200");
  EXPECT_EQ(run("set the textHeight to 2"), 0);
  EXPECT_EQ(eval("the textHeight"), "5");
  EXPECT_EQ(run("set the textSize to -5"), 0);
  EXPECT_EQ(eval("the textSize"), "-1");
  EXPECT_EQ(run("set the textAlign to center"), 0);
  EXPECT_EQ(eval("the textAlign"), "center");
  EXPECT_EQ(run("set the textAlign to middle"), 2);
  EXPECT_EQ(run("set the textColor to 3"), 65) << "not a global default";
  EXPECT_EQ(evalerror("the textFont"), 0) << "the paint text font's name";
}

TEST_F(GlobalTest, SwitchesThatAct) {
  EXPECT_EQ(run("set the plugin to true"), 0);
  EXPECT_EQ(eval("the plugin"), "true");
  EXPECT_EQ(run("set the editMenus to false"), 177) << "refused in plug-in mode";
  EXPECT_EQ(evalerror("the windowLimit"), 177);
  EXPECT_EQ(run("set the plugin to false"), 0);
  EXPECT_EQ(run("set the allowRecog to true"), 0);
  EXPECT_EQ(eval("the allowRecog"), "false") << "no recognizer started";
  EXPECT_EQ(run("set the quartzText to true"), 124);
  EXPECT_EQ(run("set the audioVolume to 1,1"), 124);
  EXPECT_EQ(evalerror("the audioVolume"), 124);
  EXPECT_EQ(run("set the backColor to 1"), 173);
  EXPECT_EQ(evalerror("the backColor"), 173);
  EXPECT_EQ(evalerror("the defaultCursor"), 54);
  EXPECT_EQ(evalerror("the cursor"), 54);
  EXPECT_EQ(run("set the multiEffect to true"), 0);
  EXPECT_EQ(eval("the multiEffect"), "false") << "evaluated, not stored";
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
