// The Component Manager of scripting components and the Lua component through the scripting
// calls: components found by subtype and flags, the stored form byte for byte, compile errors
// with their line's bounds, values shown as text, and ids and instances checked.
#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory.h"
#include "platform/osa/osa.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class OSATest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    const ComponentDescription lua{kOSAComponentType, kLuaSubtype, 0, kOSASupportsCompiling, kOSASupportsCompiling};
    ci = OpenComponent(FindNextComponent(0, &lua));
    ASSERT_NE(ci, 0u);
  }
  void TearDown() override {
    EXPECT_EQ(CloseComponent(ci), noErr);
    RuntimeTest::TearDown();
  }
  OSAError compile(const std::string& source, OSAID* id) {
    AEDesc d;
    AECreateDesc(typeChar, source.data(), Size(source.size()), &d);
    return OSACompile(ci, &d, kOSAModeNull, id);
  }
  // The text of a run's value, or "error: " and the script's message.
  std::string run(const std::string& source) {
    OSAID id = 0, result = 0;
    if (compile(source, &id) != noErr) return "compile: " + text(kOSAErrorMessage);
    const OSAError e = OSAExecute(ci, id, kOSANullScript, kOSAModeCanInteract, &result);
    OSADispose(ci, id);
    if (e != noErr) return "error: " + text(kOSAErrorMessage);
    AEDesc shown;
    const OSAError shownerror = OSADisplay(ci, result, typeChar, kOSAModeNull, &shown);
    OSADispose(ci, result);
    if (shownerror != noErr) return "display: " + text(kOSAErrorMessage);
    return std::string(shown.data.begin(), shown.data.end());
  }
  std::string text(OSType selector) {
    AEDesc d;
    if (OSAScriptError(ci, selector, typeChar, &d) != noErr) return "(none)";
    return std::string(d.data.begin(), d.data.end());
  }
  std::string range() {
    AEDesc r;
    i32 start = -1, end = -1;
    EXPECT_EQ(OSAScriptError(ci, kOSAErrorRange, typeAERecord, &r), noErr);
    AEGetParamPtr(r, keyOSASourceStart, typeSInt32, nullptr, &start, 4, nullptr);
    AEGetParamPtr(r, keyOSASourceEnd, typeSInt32, nullptr, &end, 4, nullptr);
    return std::to_string(start) + "," + std::to_string(end);
  }
  ComponentInstance ci = 0;
};

TEST_F(OSATest, ComponentsAreFoundByTypeSubtypeAndFlags) {
  const ComponentDescription any{kOSAComponentType, 0, 0, kOSASupportsCompiling, kOSASupportsCompiling};
  const Component lua = FindNextComponent(0, &any);
  ASSERT_NE(lua, 0u);
  EXPECT_EQ(FindNextComponent(lua, &any), 0u) << "Lua is the only one installed";
  const ComponentDescription grip{fourcc("grip"), 0, 0, 0, 0};
  EXPECT_EQ(FindNextComponent(0, &grip), 0u);

  const Component mine = registercomponent({kOSAComponentType, fourcc("test"), 0, 0, 0}, "Mine",
                                           [] { return nullptr; });
  EXPECT_EQ(FindNextComponent(lua, &any), 0u) << "it cannot compile";
  const ComponentDescription plain{kOSAComponentType, fourcc("test"), 0, 0, 0};
  EXPECT_EQ(FindNextComponent(0, &plain), mine);
  EXPECT_EQ(OpenComponent(mine), 0u) << "an instance that does not open";
  Handle name = NewHandle(0);
  ComponentDescription d{};
  EXPECT_EQ(GetComponentInfo(lua, &d, name, nilhandle, nilhandle), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(name)), size_t(GetHandleSize(name))), "\x03Lua");
  EXPECT_EQ(d.componentSubType, kLuaSubtype);
  unregistercomponent(mine);
  EXPECT_EQ(GetComponentInfo(mine, &d, name, nilhandle, nilhandle), invalidComponentID);
  DisposeHandle(name);
}

TEST_F(OSATest, ScriptsAreStoredAsTheirSourceAndLoadedByCompilingIt) {
  OSAID id = 0;
  ASSERT_EQ(compile("return 'a'", &id), noErr);
  AEDesc stored;
  ASSERT_EQ(OSAStore(ci, id, typeOSAGenericStorage, kOSAModeNull, &stored), noErr);
  EXPECT_EQ(stored.descriptorType, typeOSAGenericStorage);
  EXPECT_EQ(std::string(stored.data.begin(), stored.data.end()), std::string("OSA1Lua return 'a'"));
  Handle h = nilhandle;
  ASSERT_EQ(PtrToHand(stored.data.data(), &h, Size(stored.data.size())), noErr);
  DescType type = 0;
  EXPECT_EQ(OSAGetStorageType(h, &type), noErr);
  EXPECT_EQ(type, kLuaSubtype);
  SetHandleSize(h, 7);
  EXPECT_EQ(OSAGetStorageType(h, &type), errOSABadStorageType);
  DisposeHandle(h);

  OSAID loaded = 0;
  ASSERT_EQ(OSALoad(ci, &stored, kOSAModeNull, &loaded), noErr);
  EXPECT_NE(loaded, id);
  AEDesc styled, record, words;
  ASSERT_EQ(OSAGetSource(ci, loaded, typeStyledText, &styled), noErr);
  ASSERT_EQ(AECoerceDesc(styled, typeAERecord, &record), noErr);
  ASSERT_EQ(AEGetParamDesc(record, keyText, typeChar, &words), noErr);
  EXPECT_EQ(std::string(words.data.begin(), words.data.end()), "return 'a'");

  // Another component's data, and a load error named after the stored script.
  AEDesc other;
  const std::string ascr = osastoreddata(fourcc("ascr"), "beep");
  AECreateDesc(typeOSAGenericStorage, ascr.data(), Size(ascr.size()), &other);
  EXPECT_EQ(OSALoad(ci, &other, kOSAModeNull, &loaded), errOSABadStorageType);
  const std::string bad = osastoreddata(kLuaSubtype, "x =");
  AEDesc broken;
  AECreateDesc(typeOSAGenericStorage, bad.data(), Size(bad.size()), &broken);
  EXPECT_EQ(OSALoad(ci, &broken, kOSAModeNull, &loaded, "greet"), errOSAScriptError);
  EXPECT_EQ(text(kOSAErrorMessage), "greet:1: unexpected symbol near <eof>");
  OSADispose(ci, id);
}

TEST_F(OSATest, CompileErrorsNameTheTextAsGivenAndItsLine) {
  OSAID id = 0;
  EXPECT_EQ(compile("a = 1\r\nb = = 2\n", &id), errOSAScriptError);
  EXPECT_EQ(text(kOSAErrorMessage), "script:2: unexpected symbol near '='");
  EXPECT_EQ(range(), "7,14") << "a CR LF pair ends one line";
  EXPECT_EQ(compile("1 +", &id), errOSAScriptError);
  EXPECT_EQ(text(kOSAErrorMessage), "script:1: unexpected symbol near '1'") << "not the error of 'return 1 +'";
  EXPECT_EQ(range(), "0,3");
  EXPECT_EQ(compile("f(\n\n", &id), errOSAScriptError);
  EXPECT_EQ(range(), "4,4") << "the end of the text, on line 3";
}

TEST_F(OSATest, ValuesAreShownThroughTostring) {
  EXPECT_EQ(run("return 1 + 1"), "2");
  EXPECT_EQ(run("return 7 / 2"), "3.5");
  EXPECT_EQ(run("return 'a', 'b'"), "a") << "the first value";
  EXPECT_EQ(run("local x = 1"), "") << "no value";
  EXPECT_EQ(run("return setmetatable({}, {__tostring = function() return 'mine' end})"), "mine");
  EXPECT_EQ(run("return setmetatable({}, {__tostring = function() error('no') end})"), "display: script:1: no");
  EXPECT_EQ(run("return coroutine.wrap(function() coroutine.yield(utf8.char(72, 105)) end)()"), "Hi");
  EXPECT_EQ(run("return table.concat({math.max(1, 5), string.upper('x')}, '-')"), "5-X");
  EXPECT_EQ(run("error({})"), "error: (error object is a table value)");
  EXPECT_EQ(run("return load('return 1', 'c', 'b', nil)()"), "1") << "text chunks load whatever the mode asked";
  EXPECT_EQ(run("return load('return x', 'c', 't', {x = 4})()"), "4");
}

TEST_F(OSATest, InstancesAreCheckedAndValuesOutliveTheirScripts) {
  OSAID id = 0, result = 0;
  ASSERT_EQ(compile("return {}", &id), noErr);
  ASSERT_EQ(OSAExecute(ci, id, kOSANullScript, kOSAModeNull, &result), noErr);
  EXPECT_EQ(OSADispose(ci, id), noErr);
  EXPECT_EQ(OSADispose(ci, id), errOSAInvalidID);
  AEDesc shown;
  EXPECT_EQ(OSADisplay(ci, result, typeChar, kOSAModeNull, &shown), noErr);
  EXPECT_EQ(std::string(shown.data.begin(), shown.data.begin() + 7), "table: ");
  EXPECT_EQ(OSAStore(ci, result, typeOSAGenericStorage, kOSAModeNull, &shown), errOSASourceNotAvailable);
  EXPECT_EQ(OSAExecute(ci, 999, kOSANullScript, kOSAModeNull, &result), errOSAInvalidID);
  EXPECT_EQ(OSACompile(0x7F000001u, &shown, kOSAModeNull, &id), badComponentInstance);
  const ComponentInstance second = OpenComponent(FindNextComponent(0, nullptr));
  ASSERT_NE(second, 0u);
  EXPECT_EQ(CloseComponent(second), noErr);
  EXPECT_EQ(CloseComponent(second), badComponentInstance);
}

}  // namespace
}  // namespace kv
