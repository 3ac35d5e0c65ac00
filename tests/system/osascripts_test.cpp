// The script function as a project's scripts use it: the Lua component listed, opened and
// closed, source run at once, the open field checked and compiled into stored scripts, stored
// scripts run, unloaded, listed and edited, what a script may not reach, and doscript over a
// component a test installs under the name "AppleScript".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/objectutil.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/osa/osa.h"
#include "platform/testing/answers.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "store/starfile.h"
#include "store/starinternal.h"
#include "system/osascripts.h"
#include "textengine/werecord.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Object;
using testproject::Project;

std::vector<u8> bytes(const std::string& s) { return std::vector<u8>(s.begin(), s.end()); }

// A card with field "F", and with `records` stored scripts made by hand: a Lua script, one of
// another component, a binary chunk after the header, and data without the header.
Project project(bool records) {
  testproject::Card c;
  c.objects = {Object{.kind = Object::field, .name = "F", .rect = {10, 10, 200, 300}}};
  Project p;
  p.windows.push_back(testproject::Window{.name = "Main", .backgrounds = {testproject::Background{}}, .cards = {c}});
  if (records)
    p.resources = {
        {.type = kScriptResource, .name = "hand", .data = bytes(osastoreddata(kLuaSubtype, "return 'made by hand'"))},
        {.type = kScriptResource, .name = "apple", .data = bytes(osastoreddata(fourcc("ascr"), "beep"))},
        {.type = kScriptResource,
         .name = "binary",
         .data = bytes(osastoreddata(kLuaSubtype, "\x1bLuaT\x00\x19\x93\r\n\x1a\n"))},
        {.type = kScriptResource, .name = "noise", .data = {0x13, 0x37, 0xFF, 0x00, 0x42, 0x80}},
        {.type = kScriptResource, .name = "oops", .data = bytes(osastoreddata(kLuaSubtype, "\nerror('x')"))},
    };
  return p;
}

class OSAScriptsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(project(records()));
    ASSERT_EQ(open(), 0);
  }
  virtual bool records() const { return true; }
  void TearDown() override {
    setabortcheck({});
    WindowTest::TearDown();
  }
  // Puts the text into field "F" and opens it for typing.
  void openfield(const std::string& text) {
    ASSERT_EQ(doline("put " + text + " into card field \"F\""), 0);
    ASSERT_EQ(doline("select after text of card field \"F\""), 0);
    ASSERT_GE(mainglobals().openfield, 0);
  }
  static std::string fieldtext() {
    const WEReference we = mainglobals().openfieldrec;
    const Handle h = WEGetText(we);
    return std::string(reinterpret_cast<const char*>(deref(h)), size_t(WEGetTextLength(we)));
  }
  static std::string selection() {
    i32 start = -1, end = -1;
    WEGetSelection(&start, &end, mainglobals().openfieldrec);
    return std::to_string(start) + "," + std::to_string(end);
  }
};

TEST_F(OSAScriptsTest, ComponentsAreListedOpenedAndClosedByName) {
  cardrows({
      {"", "script(list open)", ""},
      {"", "script(list)", "Lua"},
      {"", "script(list all)", "Lua"},
      {"", "script(open, \"lua\")", ""},
      {"", "script(list open)", "Lua"},
      {"", "script(open, \"LUA\")", ""},
      {"", "script(list open)", "Lua"},
      {"", "script(open, \"Perl\")", "Error: Error opening component"},
      {"", "script(frobnicate)", "error 2"},
      {"", "script(close, \"NotOpen\")", "error 1"},
      {"", "script(close, \"lua\")", ""},
      {"", "script(list open)", ""},
      {"", "script(close, \"Lua\")", "error 1"},
  });
}

TEST_F(OSAScriptsTest, SourceRunsAtOnceAndAsksTheProgramThroughRequests) {
  cardrows({
      {"", "script(do, \"Lua\", \"return 1+1\")", "2"},
      {"", "script(do, \"Lua\", \"1+1\")", "2"},
      {"", "script(do, \"Lua\", \"x = 1\")", ""},
      {"", "script(do, \"Lua\", \"return nil\")", "nil"},
      {"", "script(do, \"Lua\", \"error('bad')\")", "script:1: bad"},
      {"", "script(do, \"Lua\", \"x = = 1\")", "Error: Syntax or execution error"},
      {"", "script(do, \"Lua\", \"return kestrove.send('misceval', '6*7')\")", "42"},
      {"", "script(do, \"Lua\", \"return kestrove.send('misceval', 'item 2 of `a,b`')\")", "b"},
  });
  EXPECT_EQ(cardvalue("script(do, \"Lua\", \"return kestrove.send('misceval', 'the number of cards')\")"), "1");
  // While a script runs, requests it sends to the program itself pass the gate only when they
  // run script.
  const std::string refused = cardvalue("script(do, \"Lua\", \"return kestrove.send('miscactv', '')\")");
  EXPECT_NE(refused.find("-1708"), std::string::npos) << refused;
  const std::string failed = cardvalue("script(do, \"Lua\", \"return kestrove.send('misceval', 'nosuchfunction(')\")");
  EXPECT_FALSE(failed.empty());
  EXPECT_NE(cardvalue("script(do, \"Lua\", \"return kestrove.send('misc')\")").find("bad argument #1"),
            std::string::npos);
  EXPECT_EQ(osarunstate().runningosa, 0);
  EXPECT_EQ(osarunstate().compilingosa, 0);
}

class OSAFreshProjectTest : public OSAScriptsTest {
 protected:
  bool records() const override { return false; }
};

TEST_F(OSAFreshProjectTest, CheckSelectsTheErrorAndCompileStoresTheScript) {
  openfield("\"x = 1\" & return & \"y = = 2\"");
  EXPECT_EQ(cardvalue("script(check, \"Lua\")"), "Error: script:2: unexpected symbol near '='");
  EXPECT_EQ(selection(), "6,13") << "chars 7 to 13, the second line";
  EXPECT_EQ(fieldtext(), "x = 1\ry = = 2");

  openfield("\"return 6*7\"");
  EXPECT_EQ(cardvalue("script(check, \"Lua\")"), "");
  EXPECT_EQ(fieldtext(), "return 6*7");
  EXPECT_NE(mainglobals().openfieldchange, 0) << "the field's text is marked changed";
  EXPECT_EQ(cardvalue("script(compile, \"Lua\", \"s1\")"), "100");
  EXPECT_EQ(cardvalue("script(run, \"Lua\", \"s1\")"), "42");
  openfield("\"return 7\"");
  EXPECT_EQ(cardvalue("script(compile, \"Lua\", \"s1\")"), "101");
  EXPECT_EQ(cardvalue("script(list, \"Lua\")"), "s1") << "one record s1";
  EXPECT_EQ(cardvalue("script(list open, \"Lua\")"), "s1");
  EXPECT_EQ(cardvalue("script(run, \"Lua\", \"s1\")"), "7") << "the loaded entry is the newest script";
  EXPECT_EQ(cardvalue("script(run, \"Lua\", \"101\")"), "7");

  // A failed save keeps the script stored before.
  openfield("\"return 8\"");
  setfreespacemodel(0);
  setunattendedpolicy(UnattendedPolicy::usedefault);  // the disk-full message
  EXPECT_EQ(cardvalue("script(compile, \"Lua\", \"s1\")"), "Error: Unable to save new script");
  setunattendedpolicy(UnattendedPolicy::fail);
  setfreespacemodel(std::nullopt);
  EXPECT_EQ(cardvalue("script(list, \"Lua\")"), "s1");
  EXPECT_EQ(cardvalue("script(unload, \"Lua\", \"s1\")"), "");
  EXPECT_EQ(cardvalue("script(run, \"Lua\", \"s1\")"), "7") << "loaded again from the store";

  // A project that cannot be written: compile checks only.
  findprojectstore(mainglobals().current.store)->locked = 1;
  EXPECT_EQ(cardvalue("script(compile, \"Lua\", \"s2\")"), "");
  EXPECT_EQ(cardvalue("script(list, \"Lua\")"), "s1");
}

TEST_F(OSAScriptsTest, StoredScriptsRunUnloadAndEdit) {
  cardrows({
      {"", "script(run, \"Lua\", \"hand\")", "made by hand"},
      {"", "script(run, \"Lua\", \"100\")", "made by hand"},
      {"", "script(run, \"Lua\", \"nope\")", "Error: Can't find that script"},
      {"", "script(run, \"Lua\", \"oops\")", "oops:2: x"},
      {"", "script(load, \"Lua\", \"HAND\")", ""},
      {"", "script(list open, \"Lua\")", "hand\roops"},
      {"", "script(unload, \"Lua\", \"zz\")", "Error: No such script"},
      {"", "script(unload, \"Lua\", \"hand\")", ""},
      {"", "script(list open, \"Lua\")", "oops"},
      {"", "script(edit, \"Lua\", \"hand\")", "Error: Check and compile operate only on the open field"},
      {"", "script(check, \"Lua\")", "Error: Check and compile operate only on the open field"},
  });
  // Unloading by id takes the script of that id, wherever it stands in the list.
  openfield("\"return 1\"");
  ASSERT_EQ(cardvalue("script(compile, \"Lua\", \"one\")"), "105");
  openfield("\"return 2\"");
  ASSERT_EQ(cardvalue("script(compile, \"Lua\", \"two\")"), "106");
  ASSERT_EQ(cardvalue("script(load, \"Lua\", \"hand\")"), "");
  ASSERT_EQ(cardvalue("script(list open, \"Lua\")"), "oops\rone\rtwo\rhand");
  // Ids count up from 1 in a new instance (runs and their values take ids too): oops, one, two
  // and hand hold 4, 5, 6 and 7.
  EXPECT_EQ(cardvalue("script(unload, \"Lua\", 2)"), "Error: No such script") << "not the second entry";
  EXPECT_EQ(cardvalue("script(unload, \"Lua\", 6)"), "");
  EXPECT_EQ(cardvalue("script(list open, \"Lua\")"), "oops\rone\rhand");

  openfield("\"\"");
  EXPECT_EQ(cardvalue("script(edit, \"Lua\", \"hand\")"), "");
  EXPECT_EQ(fieldtext(), "return 'made by hand'");
  EXPECT_EQ(selection(), "21,21");
  ASSERT_EQ(putdownfield(), 0);
  EXPECT_EQ(cardvalue("card field \"F\""), "return 'made by hand'") << "kept when the field closes";
}

TEST_F(OSAScriptsTest, ScriptTypesAndScriptsOfOtherComponents) {
  cardrows({
      {"", "script(type, \"hand\")", "Lua"},
      {"", "script(type, \"apple\")", "'ascr'"},
      {"", "script(run, \"Lua\", \"apple\")", "Error: Can't find that script"},
      {"", "script(type, \"noise\")", "error 1"},
      {"", "script(type, \"missing\")", "error 1"},
  });
}

TEST_F(OSAScriptsTest, ScriptsReachNeitherTheMachineNorCompiledCode) {
  cardrows({
      {"", "script(run, \"Lua\", \"binary\")", "Error: Can't find that script"},
      {"", "script(run, \"Lua\", \"noise\")", "Error: Can't find that script"},
      {"", "script(do, \"Lua\", \"return io\")", "nil"},
      {"", "script(do, \"Lua\", \"return require\")", "nil"},
      {"", "script(do, \"Lua\", \"return os\")", "nil"},
      {"", "script(do, \"Lua\", \"return debug\")", "nil"},
      {"", "script(do, \"Lua\", \"return dofile or loadfile or package\")", "nil"},
      {"", "script(do, \"Lua\", \"return load(string.dump(function() return 1 end))\")",
       "script:1: attempt to load a binary chunk"},
      {"", "script(do, \"Lua\", \"return load('return 3')()\")", "3"},
      {"", "script(do, \"Lua\", \"return #string.rep('x', 100000000)\")", "not enough memory"},
      {"", "script(do, \"Lua\", \"return #string.rep('x', 1000000)\")", "1000000"},
  });
  // The clock moves as the script runs, and the user's cancel stops it.
  const std::string before = cardvalue("the ticks");
  EXPECT_EQ(cardvalue("script(do, \"Lua\", \"for i = 1, 1000000 do end\")"), "");
  EXPECT_GE(std::stol(cardvalue("the ticks")) - std::stol(before), 1000) << "a tick for every 1,000 instructions";
  int polls = 0;
  setabortcheck([&polls](u32) -> i16 { return ++polls > 20 ? 48 : 0; });
  EXPECT_EQ(cardvalue("script(do, \"Lua\", \"while true do end\")"), "error 48");
  setabortcheck({});
  EXPECT_GT(polls, 20);
  EXPECT_EQ(cardvalue("script(do, \"Lua\", \"return 'still here'\")"), "still here");
}

// A component that records the request gate's flags as it compiles and runs.
struct Recorder {
  std::vector<std::string> seen;
};

class RecordingInstance final : public ScriptingInstance {
 public:
  explicit RecordingInstance(Recorder* r) : r_(r) {}
  OSAError compile(const AEDesc& source, i32, OSAID* id) override {
    note("compile");
    if (std::string(source.data.begin(), source.data.end()) == "bad") return errOSAScriptError;
    *id = 1;
    return noErr;
  }
  OSAError execute(OSAID, OSAID, i32 mode, OSAID* result) override {
    note("execute mode " + std::to_string(mode));
    *result = 2;
    return noErr;
  }
  OSAError display(OSAID, DescType, i32, AEDesc*) override { return errOSABadSelector; }
  OSAError scripterror(OSType, DescType, AEDesc*) override { return errOSABadSelector; }
  OSAError dispose(OSAID id) override {
    r_->seen.push_back("dispose " + std::to_string(id));
    return noErr;
  }
  OSAError store(OSAID, DescType, i32, AEDesc*) override { return errOSABadSelector; }
  OSAError load(const AEDesc&, i32, std::string_view, OSAID*) override { return errOSABadSelector; }
  OSAError getsource(OSAID, DescType, AEDesc*) override { return errOSABadSelector; }

 private:
  void note(const std::string& what) {
    r_->seen.push_back(what + " compiling " + std::to_string(osarunstate().compilingosa) + " running " +
                       std::to_string(osarunstate().runningosa));
  }
  Recorder* r_;
};

TEST_F(OSAScriptsTest, DoscriptRunsTextInTheComponentNamedAppleScript) {
  EXPECT_EQ(doscript("display dialog \"hi\""), 1) << "no such component";
  Recorder r;
  const Component c = registercomponent({kOSAComponentType, fourcc("ascr"), 0, kOSASupportsCompiling, 0}, "AppleScript",
                                        [&r] { return std::make_unique<RecordingInstance>(&r); });
  EXPECT_EQ(doscript("beep"), 0);
  EXPECT_EQ(doscript("bad"), 0) << "a text that does not compile";
  EXPECT_EQ(r.seen, (std::vector<std::string>{"compile compiling 1 running 0", "execute mode 32 compiling 0 running 1",
                                              "dispose 2", "dispose 1", "compile compiling 1 running 0"}));
  EXPECT_EQ(cardvalue("script(list open)"), "AppleScript") << "opened once, then found open";
  EXPECT_EQ(cardvalue("script(type, \"apple\")"), "AppleScript");
  EXPECT_EQ(osarunstate().compilingosa, 0);
  EXPECT_EQ(osarunstate().runningosa, 0);
  EXPECT_EQ(cardvalue("script(close, \"applescript\")"), "");
  unregistercomponent(c);
}

TEST_F(OSAScriptsTest, ClosingAComponentKeepsTheCurrentOneCurrent) {
  Recorder r;
  const Component c = registercomponent({kOSAComponentType, fourcc("ascr"), 0, kOSASupportsCompiling, 0}, "AppleScript",
                                        [&r] { return std::make_unique<RecordingInstance>(&r); });
  ASSERT_EQ(cardvalue("script(open, \"Lua\")"), "");
  ASSERT_EQ(cardvalue("script(open, \"AppleScript\")"), "");
  i32 index = -1;
  const ComponentInstance apple = currentcomponent(&index);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(cardvalue("script(close, \"Lua\")"), "");
  EXPECT_EQ(currentcomponent(&index), apple);
  EXPECT_EQ(index, 0) << "one place lower";
  EXPECT_EQ(cardvalue("script(close, \"AppleScript\")"), "");
  EXPECT_EQ(currentcomponent(&index), 0u);
  EXPECT_EQ(index, -1);
  unregistercomponent(c);
}

TEST_F(OSAScriptsTest, AScriptThatClosesItsOwnComponentEndsFirst) {
  EXPECT_EQ(cardvalue("script(do, \"Lua\", \"local r = kestrove.send('misceval', "
                      "'script(close, `Lua`)'); return 'after ' .. r\")"),
            "Error: Invalid scripting component instance")
      << "the value cannot be shown once its component is gone";
  EXPECT_EQ(cardvalue("script(list open)"), "");
  EXPECT_EQ(cardvalue("script(do, \"Lua\", \"return 1\")"), "1");
}

}  // namespace
}  // namespace kv
