// The functions without parameters that read the state of the program, run in a project
// window: the mouse, keys and clicks, the clock, memory, windows, menus and projects, the
// screen, the program's place, the error's place, the selection and printing.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/memory/addressspace.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/prefs/bundle.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/time/datetime.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "textengine/werecord.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class FunZeroTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    testproject::Project p = testproject::small();
    p.windows[0].cards[0].script = "on boom\n  put 1 into x\n  put x + abs(\"q\") into y\nend boom";
    p.menus.push_back(testproject::Menu{"File", "", {{"New", ""}}});
    p.menus.push_back(testproject::Menu{"Help", "", {{"About", ""}}});
    p.menus.push_back(testproject::Menu{"Edit", "", {{"Undo", ""}}});
    build(p);
    ASSERT_EQ(open(), 0);
    clearglobals();
  }
  // A global point as "h,v" in the card window's coordinates.
  std::string local(i16 h, i16 v) {
    return cardvalue("localLoc(\"" + std::to_string(h) + "," + std::to_string(v) + "\")");
  }
};

TEST_F(FunZeroTest, TheMouseAndTheKeys) {
  EXPECT_EQ(cardvalue("the mouse"), "up");
  drive::mouseDown(Point{150, 250});
  EXPECT_EQ(cardvalue("the mouse"), "down");
  drive::mouseUp();
  EXPECT_EQ(cardvalue("mouse()"), "up");
  drive::moveTo(Point{200, 300});
  EXPECT_EQ(cardvalue("the mouseLoc"), local(300, 200));
  std::string loc = local(300, 200);
  EXPECT_EQ(cardvalue("the mouseH") + "," + cardvalue("the mouseV"), loc);
  EXPECT_EQ(cardvalue("the shiftKey"), "up");
  EXPECT_EQ(cardvalue("the optionKey"), "up");
  EXPECT_EQ(cardvalue("the commandKey"), "up");
  EXPECT_EQ(cardvalue("controlKey()"), "up");
  drive::key(0x00, optionKey);  // the modifier is held while the key goes down
  EXPECT_EQ(cardvalue("the optionKey"), "down");
  EXPECT_EQ(cardvalue("the dblClickTime"), "30");
  EXPECT_EQ(cardvalue("the doubleClickTime"), "30");
}

// A click the event loop has not handled yet: clickH takes it, and mouseClick then answers
// true without waiting for another click.
TEST_F(FunZeroTest, AClickNotYetHandled) {
  drive::click(Point{180, 260});
  EXPECT_EQ(cardvalue("the clickLoc"), local(260, 180));
  EXPECT_EQ(cardvalue("the clickH") + "," + cardvalue("clickV()"), local(260, 180));
  EXPECT_EQ(cardvalue("the mouseClick"), "true");
  EXPECT_EQ(cardvalue("the mouseClick"), "false");
  EXPECT_EQ(cardvalue("the clickLoc"), local(260, 180)) << "the last click stays";
  drive::click(Point{130, 140});
  EXPECT_EQ(cardvalue("the mouseClick"), "true");
  EXPECT_EQ(cardvalue("the clickLoc"), local(140, 130));
  EXPECT_EQ(cardvalue("the clickLine"), "");
  EXPECT_EQ(cardvalue("the clickText"), "");
  EXPECT_EQ(cardvalue("the clickChunk"), "");
}

TEST_F(FunZeroTest, InterruptAnswersOnce) {
  EXPECT_EQ(cardvalue("the interrupt"), "false");
  mainglobals().abortkey = 1;
  EXPECT_EQ(cardvalue("the interrupt"), "true");
  EXPECT_EQ(cardvalue("the interrupt"), "false");
}

TEST_F(FunZeroTest, SecondsAndMemory) {
  setdatetime(3792495845);
  EXPECT_EQ(cardvalue("the seconds"), "3792495845");
  EXPECT_EQ(cardvalue("the secs"), "3792495845");
  setdatetime(4294967396);
  EXPECT_EQ(cardvalue("seconds()"), "4294967396") << "past the 32-bit count";
  setaddressspacemodel([] { return AddressSpace{u64(1) << 30, 1000000}; });
  mainglobals().colorWorld = 1;
  EXPECT_EQ(cardvalue("the heapSpace"), "880000");
  mainglobals().colorWorld = 0;
  EXPECT_EQ(cardvalue("the heapSpace"), "940000");
  setaddressspacemodel([] { return AddressSpace{u64(1) << 30, 50000}; });
  EXPECT_EQ(cardvalue("the heapSpace"), "0");
  setaddressspacemodel(nullptr);
  EXPECT_GT(std::stol(cardvalue("the stackSpace")), 1000000);
}

TEST_F(FunZeroTest, WindowsProjectsAndMenus) {
  std::string id = cardvalue("the long id of this window");
  EXPECT_EQ(cardvalue("the topWindow"), id);
  EXPECT_EQ(cardvalue("the userWindows"), id);
  EXPECT_EQ(cardvalue("windows(id)"), id);
  EXPECT_EQ(cardvalue("the windows"), cardvalue("the long name of this window"));
  EXPECT_EQ(cardvalue("the xwindows"), "") << "no external has a window";
  EXPECT_EQ(cardvalue("windows(name)"), "error 88");
  std::string projects = cardvalue("the projects");
  EXPECT_NE(projects.find("p.kv45"), std::string::npos) << projects;
  EXPECT_EQ(projects.find('\r'), std::string::npos) << "one project is open";
  EXPECT_EQ(cardvalue("the sharedFile"), "");
  EXPECT_EQ(cardvalue("the menus"), "") << "no menu is in the menu bar";

  // File, Help (as the Help menu) and Edit placed in the menu bar: Help comes last.
  const char* names[] = {"File", "Help", "Edit"};
  objread objs[3] = {};
  MainGlobals& g = mainglobals();
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(readreference("menu \"" + std::string(names[i]) + "\"", &objs[i]), 0);
    menuline line = objs[i].menu;
    line.placement = i == 1 ? 6 : 5;
    ASSERT_EQ(PtrAndHand(&line, g.menusets[g.menuSet].lines, sizeof line), noErr);
  }
  g.menusets[g.menuSet].count = 3;
  std::string menus = cardvalue("the menus");
  EXPECT_EQ(menus.find("menu \"File\""), 0u) << menus;
  EXPECT_LT(menus.find("Edit"), menus.find("Help")) << menus;
  std::string ids = cardvalue("menus(id)");
  EXPECT_NE(ids.find("menu ID 100"), std::string::npos) << ids;
  EXPECT_EQ(cardvalue("menus(name)"), "error 88");
  SetHandleSize(g.menusets[g.menuSet].lines, 0);
  g.menusets[g.menuSet].count = 0;
  for (objread& o : objs) writeobj(&o);

  g.plugin = 1;
  for (const char* f : {"the menus", "the projects", "the sharedFile", "the topWindow", "the userWindows",
                        "the windows", "the xwindows"})
    EXPECT_EQ(cardvalue(f), "error 176") << f;
  g.plugin = 0;
}

TEST_F(FunZeroTest, TheProgramsOwnProjectsAreNotTheUsers) {
  // A second project in the folder "Kestrove Tools" of the program's folder is the program's
  // own; so is one in "Kestrove Extras" beside that folder.
  std::string id = cardvalue("the long id of this window");
  u32 tools = 0, extras = 0;
  ASSERT_EQ(DirCreate(kBootVolume, dir, reinterpret_cast<ConstStringPtr>("\x0EKestrove Tools"), &tools), noErr);
  ASSERT_EQ(DirCreate(kBootVolume, dir, reinterpret_cast<ConstStringPtr>("\x0FKestrove Extras"), &extras), noErr);
  testproject::Project other = testproject::small();
  ASSERT_EQ(testproject::build(tools, "t.kv45", other), 0);
  ASSERT_EQ(testproject::build(extras, "x.kv45", other), 0);
  ASSERT_EQ(open("Kestrove Tools/t.kv45"), 0);
  std::string toolsid = cardvalue("the long id of this window");
  ASSERT_EQ(open("Kestrove Extras/x.kv45"), 0);
  std::string extrasid = cardvalue("the long id of this window");
  auto has = [](const std::string& list, const std::string& line) {
    return ("\r" + list + "\r").find("\r" + line + "\r") != std::string::npos;
  };
  setapplicationfolder(home->path());
  std::string user = cardvalue("the userWindows");
  EXPECT_TRUE(has(user, id)) << user;
  EXPECT_FALSE(has(user, toolsid)) << user;
  EXPECT_TRUE(has(user, extrasid)) << "Kestrove Extras counts one folder up";
  setapplicationfolder(home->path() + "/app");
  user = cardvalue("the userWindows");
  EXPECT_TRUE(has(user, id));
  EXPECT_TRUE(has(user, toolsid));
  EXPECT_FALSE(has(user, extrasid));
  setapplicationfolder("");
}

TEST_F(FunZeroTest, TheScreenAndTheProgram) {
  EXPECT_EQ(cardvalue("the screenRect"), "0,0,1024,768");
  EXPECT_EQ(cardvalue("the screenLoc"), "512,384");
  setapplicationfolder("/opt/kestrove");
  EXPECT_EQ(cardvalue("the application"), "/opt/kestrove");
  EXPECT_EQ(cardvalue("the applPath"), "/opt/");
  EXPECT_EQ(cardvalue("the applicationPath"), "/opt/");
  setapplicationfolder("");
  EXPECT_EQ(cardvalue("the environment"), "Kestrove");
  EXPECT_EQ(cardvalue("the rosetta"), "false");
}

TEST_F(FunZeroTest, TheCardsVisited) {
  EXPECT_EQ(doline("go card 2"), 0);
  EXPECT_EQ(doline("go card 3"), 0);
  std::string back = cardvalue("the backList");
  EXPECT_EQ(back.substr(0, back.find('\r')), cardvalue("the long id of card 3"));
  EXPECT_EQ(back.back(), '\r');
  EXPECT_NE(back.find(cardvalue("the long id of card 2")), std::string::npos);
  EXPECT_EQ(cardvalue("the forthList"), "");
  // Going back puts the card left on the forward list; going forth takes it off again.
  const std::string three = cardvalue("the long id of card 3");
  EXPECT_EQ(doline("go back"), 0);
  EXPECT_EQ(cardvalue("the forthList"), three + "\r");
  EXPECT_EQ(doline("go forth"), 0);
  EXPECT_EQ(cardvalue("the forthList"), "");
  EXPECT_EQ(cardvalue("the pushList"), "");
  EXPECT_EQ(doline("push card 1"), 0);
  EXPECT_EQ(doline("push this card"), 0);
  EXPECT_EQ(cardvalue("the pushList"), three + "\r" + cardvalue("the long id of card 1") + "\r");
}

// The open field's undo history: nothing after opening, an action after typing, the action to
// do again once it was taken back; nothing with no field open.
TEST_F(FunZeroTest, UndoAndRedoOfTheOpenField) {
  ASSERT_EQ(doline("select after text of field \"Title\""), 0);
  ASSERT_GE(mainglobals().openfield, 0);
  EXPECT_EQ(cardvalue("the canUndo & the canRedo"), "falsefalse");
  ASSERT_EQ(doline("type \"x\""), 0);
  EXPECT_EQ(cardvalue("the canUndo & the canRedo"), "truefalse");
  ASSERT_EQ(WEUndo(mainglobals().openfieldrec), noErr);
  EXPECT_EQ(cardvalue("the canUndo & the canRedo"), "falsetrue");
  EXPECT_EQ(cardvalue("field \"Title\""), "First");
  ASSERT_EQ(doline("select empty"), 0);
  EXPECT_EQ(cardvalue("the canUndo & the canRedo"), "falsefalse");
}

TEST_F(FunZeroTest, ThePlaceOfTheError) {
  EXPECT_EQ(cardvalue("the errorOffset"), "");
  EXPECT_EQ(cardvalue("the errorObject"), "");
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("boom"), 12);
  clearanswers();
  std::string script = testproject::scripttext("on boom\n  put 1 into x\n  put x + abs(\"q\") into y\nend boom");
  size_t line3 = script.find("  put x");
  size_t at = script.find("abs");
  EXPECT_EQ(cardvalue("the errorOffset"), "3," + std::to_string(line3 + 1) + "," + std::to_string(at + 1));
  EXPECT_NE(cardvalue("the errorObject"), "");
}

TEST_F(FunZeroTest, NothingFoundNothingSelectedNoPrinter) {
  for (const char* f :
       {"the foundText", "the foundField", "the foundLine", "the foundChunk", "the foundWindow", "the selectedText",
        "the selectedField", "the selectedLine", "the selectedChunk", "the selectedLoc", "the selectedGraphic"})
    EXPECT_EQ(cardvalue(f), "") << f;
  EXPECT_EQ(cardvalue("the canUndo"), "false");
  EXPECT_EQ(cardvalue("the canRedo"), "false");
  // Without a printer the papers are the program's own: US Letter first.
  EXPECT_EQ(cardvalue("the paperSize"), "612x792");
  EXPECT_EQ(cardvalue("paperSize(inches)"), "8.50x11.00");
  EXPECT_EQ(cardvalue("the printers"), "");
  EXPECT_EQ(cardvalue("printers(inches)"), "error 88");
}

// Every function without parameters answers: a value, or 124 for the audio members (no audio
// driver to ask).
TEST_F(FunZeroTest, EveryMemberAnswers) {
  const std::set<std::string> unserved = {"audioDriverVers", "audioPlayMode", "audioStatus", "audioTrackCount"};
  for (const char* f : {"application",
                        "applications",
                        "applPath",
                        "audioDriverVers",
                        "audioPlayMode",
                        "audioStatus",
                        "audioTrackCount",
                        "backList",
                        "backScripts",
                        "canUndo",
                        "canRedo",
                        "clickChunk",
                        "clickH",
                        "clickLine",
                        "clickLoc",
                        "clickText",
                        "clickV",
                        "clipBoard",
                        "cmdKey",
                        "dblClickTime",
                        "environment",
                        "errorObject",
                        "errorOffset",
                        "filePlayTime",
                        "forthList",
                        "foundChunk",
                        "foundField",
                        "foundLine",
                        "foundText",
                        "foundWindow",
                        "frontScripts",
                        "globals",
                        "heapSpace",
                        "interrupt",
                        "machine",
                        "machineBusSpeed",
                        "machineROMVersion",
                        "machineSerialNumber",
                        "menus",
                        "msgText",
                        "mouse",
                        "mouseChar",
                        "mouseChunk",
                        "mouseClick",
                        "mouseH",
                        "mouseLoc",
                        "mouseObject",
                        "mouseText",
                        "mouseV",
                        "optionKey",
                        "paperSize",
                        "paperSizes",
                        "paramCount",
                        "params",
                        "physicalMemory",
                        "platform",
                        "printableRect",
                        "printer",
                        "printerDriver",
                        "printerModel",
                        "printers",
                        "printCopies",
                        "printOrientation",
                        "printRange",
                        "processor",
                        "processorCount",
                        "processorSpeed",
                        "programs",
                        "projects",
                        "projectFileType",
                        "projectFileCreator",
                        "projectFileExtension",
                        "pushList",
                        "qtFilePlayTime",
                        "quickTimeVersion",
                        "recogState",
                        "result",
                        "rosetta",
                        "scrapFlavors",
                        "screenLoc",
                        "screenRect",
                        "seconds",
                        "selectedChunk",
                        "selectedField",
                        "selectedGraphic",
                        "selectedLine",
                        "selectedLoc",
                        "selectedText",
                        "sharedFile",
                        "shiftKey",
                        "sound",
                        "soundDevices",
                        "soundMgrVersion",
                        "speechBusy",
                        "stackSpace",
                        "systemVersion",
                        "target",
                        "ticks",
                        "topWindow",
                        "userWindows",
                        "voices",
                        "windows",
                        "xwindows"}) {
    const std::string got = cardvalue(std::string("the ") + f);
    if (unserved.count(f) != 0) {
      EXPECT_EQ(got, "error 124") << f;
    } else {
      EXPECT_NE(got.rfind("error", 0), 0u) << f << ": " << got;
    }
  }
  EXPECT_EQ(cardvalue("controlKey()"), "up");
  EXPECT_EQ(cardvalue("carbonVersion()"), "1.70");
  EXPECT_EQ(cardvalue("the dblClickTime"), cardvalue("the doubleClickTime"));
}

}  // namespace
}  // namespace kv
