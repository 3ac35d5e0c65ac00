// Externals as scripts meet them: code held in a project's records or loaded from files and
// bundles, called by name with their parameters, calling back into the runtime, and refused
// when they cannot load. The externals are the test tree's own (tests/system/externals/).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/keywords.h"
#include "engine/tokenizer.h"
#include "platform/backend/headless.h"
#include "platform/console/console.h"
#include "platform/loader/loader.h"
#include "platform/memory/memory.h"
#include "platform/resources/resourceformat.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/starfile.h"
#include "system/externals.h"
#include "system/xresources.h"
#include "tests/support/windows.h"
#include "tests/system/testexternals.h"

namespace kv {
namespace {

// A length-prefixed copy of a text.
std::vector<u8> pascal(std::string_view text) {
  std::vector<u8> s(1, u8(text.size()));
  s.insert(s.end(), text.begin(), text.end());
  return s;
}

// A card script that drives externals the way a user's script does.
constexpr const char* kCardScript =
    "function setvtest\n  put \"old\" into v\n  setv @v\n  return v & \"|\" & the result\nend setvtest\n"
    "function seventeen\n  put \"x\" into v\n  setv @v,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17\n"
    "  return v & \"|\" & the result\nend seventeen\n"
    "function quietly\n  put \"x\" into v\n  setv @v\n  answers \"none\"\n  return \"[\" & the result & \"]\"\n"
    "end quietly\n"
    "function nosuch\n  setv @nosuch\nend nosuch\n"
    "function reqone\n  xreq 1, \"put 5 into x\"\n  return x & \"|\" & the result\nend reqone\n"
    "on leave\n  exit to Kestrove\nend leave\n"
    "on inner\n  xreq 19, \"gNew\", \"h:8\"\nend inner\n"
    "function unsupported\n  xreq 4502, \"#7\"\n  return the result\nend unsupported";

class ExternalsTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setconsolecapture([this](std::string_view s) { console += s; });
  }
  void TearDown() override {
    setconsolecapture({});
    WindowTest::TearDown();
  }
  // The usual test project whose first card holds the card fields "Out" and "In" ("hello")
  // and the driving script, with these resources; opened.
  void openwith(std::vector<testproject::Resource> resources, u32 headerflags = 0) {
    testproject::Project p = testproject::small();
    testproject::Object out, in;
    out.kind = in.kind = testproject::Object::field;
    out.name = "Out";
    in.name = "In";
    in.text = "hello";
    p.windows[0].cards[0].objects.push_back(out);
    p.windows[0].cards[0].objects.push_back(in);
    p.windows[0].cards[0].script = kCardScript;
    p.resources = std::move(resources);
    p.headerflags = headerflags;
    build(p);
    ASSERT_EQ(open(), 0);
  }
  // Runs a line that is expected to fail, answering its error alert.
  i16 failing(std::string_view line) {
    queueanswer(Answer{"alert", "Cancel", {}});
    i16 st = doline(line);
    clearanswers();
    return st;
  }
  // A request through the xreq external: the text it leaves in `the result`.
  std::string request(std::string_view words) {
    EXPECT_EQ(doline("xreq " + std::string(words)), 0) << words;
    return cardvalue("the result");
  }
  RegistryId project() { return current().store; }
  i16 callxload(std::string_view folder) {
    std::string line = "xload \"" + std::string(folder) + "\"";
    Handle text = nilhandle;
    Handle atoms = tokens(line, &text);
    Handle vars = NewHandle(0);
    hier none = emptyhier();
    i16 st = xload(hierpath(&none, 1), text, atoms, 0, vars);
    DisposeHandle(vars);
    return st;
  }
  // The external-resource records of the current project: type and name, in library order.
  std::vector<std::string> records() {
    std::vector<std::string> out;
    Handle lib = nilhandle;
    EXPECT_EQ(getvir(project(), kResourceLibrary, &lib), 0);
    bookentry b{};
    for (i32 i = 1; getbook(project(), lib, i, &b) == 0; ++i) {
      Str255 name;
      namevir(project(), i32(b.recordid), name);
      char type[5] = {char(b.word12 >> 24), char(b.word12 >> 16), char(b.word12 >> 8), char(b.word12), 0};
      out.push_back(std::string(type) + " " + std::string(pstringview(name)));
    }
    putvir(project(), kResourceLibrary);
    return out;
  }
  std::string console;
};

TEST_F(ExternalsTest, AFunctionInARecordLoadsOnceAndGoesWithItsProject) {
  openwith({record(kXFcn, "twice", built("twice"))});
  std::size_t before = imagecount();
  EXPECT_EQ(cardvalue("twice(21)"), "42");
  EXPECT_EQ(imagecount(), before + 1);
  EXPECT_EQ(cardvalue("twice(twice(2))"), "8");
  EXPECT_EQ(imagecount(), before + 1) << "loaded once";
  EXPECT_NE(failing("twice 3"), 0) << "a function is not found by a command";
  closeallwindows();
  EXPECT_EQ(imagecount(), before);
}

TEST_F(ExternalsTest, ParametersResultsAndFailuresBeforeTheCall) {
  std::vector<u8> answers = built("answers");
  openwith({record(kXCmd, "setv", built("setv")), record(kXCmd, "answers", answers), record(kXFcn, "answers", answers),
            record(kXFcn, "twice", built("twice"))});
  EXPECT_EQ(cardvalue("setvtest()"), "new|1") << "by reference, the zero byte gone again";
  EXPECT_EQ(cardvalue("seventeen()"), "new|16");
  EXPECT_EQ(cardvalue("quietly()"), "[]");
  EXPECT_EQ(cardvalue("answers(\"none\")"), "");
  EXPECT_EQ(cardvalue("answers(\"whole\")"), "whole");
  EXPECT_EQ(cardvalue("twice(1 2)"), "error 2");
  EXPECT_EQ(cardvalue("nosuch()"), "error 2");
}

TEST_F(ExternalsTest, AnExternalThatPassesLetsTheBuiltInRun) {
  openwith({record(kXCmd, "beep", built("answers"))});
  u32 beeps = headlessbackend()->beeps();
  transcriptclear();
  EXPECT_EQ(doline("beep"), 0);
  EXPECT_EQ(cardvalue("card field \"Out\""), "passed") << "the external ran first";
  EXPECT_EQ(headlessbackend()->beeps(), beeps + 1);
  bool beeped = false;
  for (const std::string& line : transcriptlines()) beeped = beeped || line.starts_with("beep");
  EXPECT_TRUE(beeped);
}

TEST_F(ExternalsTest, CallbacksReadAndWriteFieldsAndUserProperties) {
  openwith({record(kXCmd, "shout", built("shout")), record(kXCmd, "xreq", built("xreq"))});
  EXPECT_EQ(doline("shout"), 0);
  EXPECT_EQ(cardvalue("card field \"Out\""), "HELLO");
  EXPECT_EQ(cardvalue("the uSeen of this card"), "yes");
  EXPECT_EQ(cardvalue("the result"), "yes");
  EXPECT_EQ(request("20, \"#1\", \"Nope\""), "1,0") << "no field: refused, no stale word";
  EXPECT_EQ(request("21, \"#1\", \"#1\""), "0,HELLO") << "card field 1 by number";
}

TEST_F(ExternalsTest, RequestsAnswerTheirRefusalsInTheBlock) {
  openwith({record(kXCmd, "xreq", built("xreq"))});
  EXPECT_EQ(doline("define uFirst of this card"), 0);
  EXPECT_EQ(request("5021, \"this card\", \"uNone\", \"&i\""), "1,99,-1");
  EXPECT_EQ(request("5021, \"this card\", \"uFirst\", \"&i\""), "0,99,0");
  EXPECT_EQ(request("5022, \"this card\", \"#0\", \"&s\""), "0,99,uFirst");
  EXPECT_EQ(request("5022, \"this card\", \"#1\", \"&s\""), "1,99,") << "at the property count";
  EXPECT_EQ(request("5016, \"card 9\", \"uFirst\", \"&h\""), "1,99,") << "no such object";
  EXPECT_EQ(request("4500, \"this card\", \"&d\", \"#-1\""), "0,3,0");
  EXPECT_EQ(request("4600"), "2,99");
  queueanswer(Answer{"alert", "Continue", {}});
  transcriptclear();
  EXPECT_EQ(request("4500, \"this card\", \"&d\", \"#7\""), "3,99,0") << "an unsupported selector";
  clearanswers();
  ASSERT_FALSE(transcriptlines().empty());
  EXPECT_NE(transcripttext().find("The external XCMD  asked"), std::string::npos) << "no handler runs";
  EXPECT_EQ(request("30"), "2,99");
  // A descriptor held for the external is released once, by its id; a second release of the
  // same bytes changes nothing.
  std::string held = request("4500, \"this card\", \"&d\", \"#3\"");
  ASSERT_TRUE(held.starts_with("0,99,")) << held;
  std::string id = held.substr(5);
  EXPECT_NE(id, "0");
  EXPECT_EQ(request("4501, \"*d\", \"#3\""), "0,99," + id);
  EXPECT_EQ(request("4501, \"*d\", \"#3\""), "1,99," + id);
  // Adding an external's record rebuilds the registry of the running external itself: its
  // code stays until it returns, and loads again on its next call.
  std::size_t loaded = imagecount();
  EXPECT_EQ(request("5003, \"t:XCmd\", \"other\", \"h:x\""), "0,101");
  EXPECT_EQ(imagecount(), loaded - 1);
  EXPECT_EQ(request("4600"), "2,99");
}

TEST_F(ExternalsTest, ResourceRecordsTakeIdsInOrderAndActOnTheFirstOfAName) {
  openwith({});
  ASSERT_EQ(loadxcmd(project(), builtpath("xreq"), pascal("xreq").data(), kXCmd), 0);
  EXPECT_EQ(request("5003, \"t:TEXT\", \"a\", \"h:one\""), "0,100");
  EXPECT_EQ(request("5006, \"t:TEXT\", \"a\""), "0,99");
  EXPECT_EQ(request("5003, \"t:TEXT\", \"a\", \"h:first\""), "0,101") << "an id is not given again";
  EXPECT_EQ(request("5003, \"t:TEXT\", \"A\", \"h:second\""), "0,102");
  EXPECT_EQ(request("5004, \"t:TEXT\", \"a\""), "0,first");
  EXPECT_EQ(request("5008, \"t:TEXT\", \"a\", \"h:altered\""), "0,99");
  EXPECT_EQ(request("5005, \"t:TEXT\", \"#101\""), "0,altered");
  EXPECT_EQ(request("5006, \"t:TEXT\", \"a\""), "0,99");
  EXPECT_EQ(request("5004, \"t:TEXT\", \"a\""), "0,second");
  EXPECT_EQ(request("5003, \"t:snd \", \"tone\", \"h:sound bytes\""), "0,103");
  EXPECT_EQ(request("5004, \"t:snd \", \"tone\""), "0,sound bytes");
  EXPECT_EQ(request("5004, \"t:TEXT\", \"none\""), "1,99");
  EXPECT_EQ(records(), (std::vector<std::string>{"TEXT A", "snd  tone"}));
}

TEST_F(ExternalsTest, AnExternalsRecordIsKeptWhileHeldAndFoundByItsNewName) {
  openwith({record(kXFcn, "twice", built("twice"))});
  ASSERT_EQ(loadxcmd(project(), builtpath("xreq"), pascal("xreq").data(), kXCmd), 0);
  std::size_t loaded = imagecount();
  EXPECT_EQ(cardvalue("twice(2)"), "4");
  Handle lib = nilhandle, rec = nilhandle;
  ASSERT_EQ(getvir(project(), kResourceLibrary, &lib), 0);
  bookentry b{};
  ASSERT_EQ(getbook(project(), lib, 1, &b), 0);
  putvir(project(), kResourceLibrary);
  ASSERT_EQ(getvir(project(), i32(b.recordid), &rec), 0);
  EXPECT_EQ(request("5007, \"t:XFcn\", \"#100\""), "1,99") << "the record is held";
  putvir(project(), i32(b.recordid));
  EXPECT_EQ(cardvalue("twice(2)"), "4");
  EXPECT_EQ(request("5023, \"t:XFcn\", \"#100\", \"thrice\""), "0,99");
  EXPECT_EQ(imagecount(), loaded) << "unloaded as its registry was built again";
  EXPECT_EQ(cardvalue("thrice(2)"), "4");
  EXPECT_EQ(cardvalue("twice(2)"), "error 41");
  EXPECT_EQ(request("5007, \"t:XFcn\", \"#100\""), "0,99");
  EXPECT_EQ(imagecount(), loaded);
  EXPECT_EQ(cardvalue("thrice(2)"), "error 41");
}

TEST_F(ExternalsTest, ClassesAndLibraryOrderChooseTheExternal) {
  std::vector<u8> twice = built("twice");
  openwith({record(kXRtn, "foo", built("nat")), record(kXCmd, "bar", twice), record(kXFcn, "dup", twice),
            record(kXFcn, "dup", built("setv"))});
  EXPECT_EQ(failing("foo"), failing("nosuchcommand")) << "a native routine is not a command";
  EXPECT_EQ(cardvalue("bar()"), "error 41") << "a command is not a function";
  EXPECT_EQ(cardvalue("dup(4)"), "8");
  EXPECT_EQ(cardvalue("foo(1)"), "1:1");
}

TEST_F(ExternalsTest, RequestsOnTextsAndNumbers) {
  openwith({record(kXCmd, "xreq", built("xreq"))});
  for (const char* code : {"0", "29", "38", "40", "54", "4499", "4505", "4999", "5024", "65535"})
    EXPECT_EQ(request(code), "2,99") << code;
  std::string line(300, 'x');
  const std::pair<std::string, std::string> rows[] = {
      {"12", "0,99"},
      {"17", "0,99"},
      {"9, \"p:123\"", "0,123"},
      {"9, \"p:1 2\"", "0,12"},
      {"9, \"p:\"", "0,0"},
      {"9, \"p:-1\"", "13,99"},
      {"9, \"p:4294967296\"", "13,99"},
      {"9, \"p:4294967295\"", "0,4294967295"},
      {"9, \"p:1.5\"", "13,99"},
      {"9, \"p:1e3\"", "13,99"},
      {"10, \"p:-42\"", "0,-42"},
      {"11, \"TRUE\"", "0,-1"},
      {"11, \"yes\"", "1,0"},
      {"15, \"#4779\", \"#4\", \"&s\"", "0,99,12AB"},
      {"15, \"#255\", \"#8\", \"&s\"", "0,99,000000FF"},
      {"15, \"#255\", \"#9\", \"&s\"", "1,99,"},
      {"14, \"#-5\", \"&s\"", "0,99,-5"},
      {"16, \"#1\", \"&s\"", "0,99,true"},
      {"3, \"z:hello\"", "0,5"},
      {"4, \"p:CD\", \"z:abcdef\"", "0,@2"},
      {"4, \"p:cx\", \"z:abcdef\"", "0,0"},
      {"7, \"hi\"", "0,hi"},
      {"26, \"abc\", \"ABC\"", "0,-1"},
      {"27, \"z:abc\" & return & \"def\", \"&s\"", "0,99,abc"},
      {"27, \"z:" + line + "\", \"&s\"", "0,99," + line.substr(0, 255)},
      {"8, \"z:ab\" & return & \"c\", \"&s\"", "0,99,ab\rc"},
      {"28, \"c:ab\" & return & \"cd\"", "0,99,2"},
      {"28, \"c:abcd\"", "0,99,4"},
      {"39, \"c:ab\" & return & \"cd\"", "0,99,5"},
  };
  for (const auto& [words, expected] : rows) EXPECT_EQ(request(words), expected) << words;
}

TEST_F(ExternalsTest, RequestsRunScriptInTheCallersContext) {
  openwith({record(kXCmd, "xreq", built("xreq"))});
  EXPECT_EQ(request("2, \"6*7\""), "0,42");
  EXPECT_EQ(request("2, \"nosuch\""), "1,0") << "an unknown word is not its own text here";
  EXPECT_EQ(cardvalue("reqone()"), "5|0,99") << "the caller's variable";
  EXPECT_EQ(request("1, \"leave\""), "0,99") << "leaving every handler is done";
  EXPECT_EQ(request("1, \"nosuchcommand\""), "1,99");
  u32 beeps = headlessbackend()->beeps();
  EXPECT_EQ(request("5, \"beep\""), "0,99");
  EXPECT_EQ(headlessbackend()->beeps(), beeps + 1);
  EXPECT_EQ(request("19, \"gNew\", \"h:7\""), "0,99");
  EXPECT_EQ(request("18, \"gNew\""), "0,7");
  EXPECT_EQ(request("18, \"gNone\""), "0,") << "the zero byte alone";
  // Externals started from a request reuse the block: the outer one finds its own again.
  EXPECT_EQ(request("1, \"inner\""), "0,99");
  EXPECT_EQ(request("5, \"xreq 17\""), "0,99");
  EXPECT_EQ(request("18, \"gNew\""), "0,8");
  EXPECT_EQ(failing("xreq 5012, \"#25\""), 25) << "the error word is the call's status";
}

TEST_F(ExternalsTest, RequestsOnTheServiceTableAndTheResourceLibrary) {
  openwith({record(kXCmd, "xreq", built("xreq")), record(fourcc("TEXT"), "notes", {'n'})});
  EXPECT_EQ(request("4502, \"#-1\""), "0,1");
  EXPECT_EQ(request("4502, \"#2\""), "0,0,acos=1.5708") << "the service table; no global record";
  queueanswer(Answer{"alert", "Continue", {}});
  transcriptclear();
  EXPECT_EQ(cardvalue("unsupported()"), "3,99");
  EXPECT_NE(transcripttext().find("The external XCMD unsupported asked"), std::string::npos) << transcripttext();
  EXPECT_EQ(request("5010"), "0,2");
  EXPECT_EQ(request("5011, \"#0\", \"#0\""), "0,100/1/xreq");
  EXPECT_EQ(request("5011, \"#0\", \"t:TEXT\""), "0,101/2/notes");
  EXPECT_EQ(request("5011, \"#3\""), "1,99");
  EXPECT_EQ(request("5013, \"t:TEXT\", \"#101\", \"#101\""), "1,99") << "the new id is taken";
  EXPECT_EQ(request("5013, \"t:TEXT\", \"#102\", \"#200\""), "1,99") << "no such resource";
  EXPECT_EQ(request("5013, \"t:TEXT\", \"#101\", \"#200\""), "0,99");
  EXPECT_EQ(request("5011, \"#2\", \"t:TEXT\""), "0,200/2/notes");
  EXPECT_EQ(request("5003, \"t:TEXT\", \"more\", \"h:m\""), "0,201") << "ids go on after the new one";
  EXPECT_EQ(doline("define uFirst of this card\ndefine uSecond of this card"), 0);
  EXPECT_EQ(request("5018, \"this card\", \"&i\""), "0,99,2");
  EXPECT_EQ(request("5018, \"card 9\", \"&i\""), "1,99,0");
}

// A project file of an older kind keeps classic externals in its resource file.
class ResourceForkTest : public ExternalsTest {
 protected:
  void writefork(bool withlist) {
    std::vector<ResourceItem> items;
    if (withlist) {
      std::vector<u8> list = {0, 2, 9};
      for (char c : std::string("XFcnTwice")) list.push_back(u8(c));
      list.push_back(4);
      for (char c : std::string("XFcn")) list.push_back(u8(c));
      items.push_back(ResourceItem{fourcc("STR#"), 998, 0, "", list});
      items.push_back(ResourceItem{kXFcn, 128, 0, "Twice", built("twice")});
    }
    items.push_back(ResourceItem{fourcc("TEXT"), 128, 0, "kept", {'k'}});
    ASSERT_EQ(writeresourcefile(forkpath(), items), noErr);
  }
  std::string forkpath() { return home->path() + "/p.kv45.rsrc"; }
  std::vector<ResourceRef> forkmap() {
    std::ifstream f(forkpath(), std::ios::binary);
    std::vector<u8> data(std::istreambuf_iterator<char>(f), {});
    std::vector<ResourceRef> refs;
    EXPECT_EQ(parseresourcefile(data.data(), data.size(), &refs), noErr);
    return refs;
  }
  u32 headerflags() {
    std::ifstream f(home->path() + "/p.kv45", std::ios::binary);
    u8 b[40] = {};
    f.read(reinterpret_cast<char*>(b), sizeof b);
    return u32(b[36]) << 24 | u32(b[37]) << 16 | u32(b[38]) << 8 | b[39];
  }
};

TEST_F(ResourceForkTest, ClassicExternalsMoveIntoTheProjectOnce) {
  writefork(true);
  openwith({record(kXFcn, "Twice", {'o', 'l', 'd'}), record(kXCmd, "setv", built("setv"))}, kStarUnsearchedFork);
  EXPECT_EQ(records(), (std::vector<std::string>{"XCmd setv", "XFcn Twice"}));
  std::vector<ResourceRef> refs = forkmap();
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].type, fourcc("TEXT"));
  EXPECT_EQ(findprojectstore(project())->header.flags & kStarUnsearchedFork, 0u);
  EXPECT_EQ(headerflags(), 0u) << "the header went to the file";
  EXPECT_EQ(cardvalue("Twice(2)"), "4");
}

TEST_F(ResourceForkTest, AForkWithoutTheListIsSearchedOnceAllTheSame) {
  writefork(false);
  openwith({}, kStarUnsearchedFork);
  EXPECT_EQ(headerflags(), 0u);
  EXPECT_EQ(forkmap().size(), 1u);
}

TEST_F(ExternalsTest, CodeThatCannotLoadIsRefusedWithItsReason) {
  std::vector<u8> twice = built("twice");
  std::vector<u8> noise(4096);
  u32 seed = 12345;
  for (u8& byte : noise) byte = u8((seed = seed * 1103515245 + 12345) >> 16);
  std::vector<u8> half(twice.begin(), twice.begin() + std::ptrdiff_t(twice.size() / 2));
  std::vector<u8> macho = {0xCF, 0xFA, 0xED, 0xFE, 7, 0, 0, 1, 3, 0, 0, 0, 2, 0, 0, 0};
  macho.resize(4096);
  std::vector<u8> fatcount = {0xCA, 0xFE, 0xBA, 0xBE, 0x10, 0, 0, 0};
  fatcount.resize(4096);
  u32 cpu = localcputype();
  std::vector<u8> fatslice = {0xCA,         0xFE,    0xBA, 0xBE, 0, 0, 0, 1, u8(cpu >> 24), u8(cpu >> 16),
                              u8(cpu >> 8), u8(cpu), 0,    0,    0, 3, 0, 0, 0x10,          0,
                              0xFF,         0xFF,    0xFF, 0xF0, 0, 0, 0, 12};
  fatslice.resize(8192);
  openwith({record(kXFcn, "noise", noise), record(kXFcn, "half", half), record(kXFcn, "macho", macho),
            record(kXFcn, "fatcount", fatcount), record(kXFcn, "fatslice", fatslice),
            record(kXFcn, "twice2", built("twice2")), record(kXFcn, "noentry", built("noentry")),
            record(kXFcn, "length", noise)});
  const std::pair<const char*, i16> rows[] = {{"noise", 231},    {"half", 231},   {"macho", 231},  {"fatcount", 231},
                                              {"fatslice", 231}, {"twice2", 236}, {"noentry", 233}};
  for (auto [name, status] : rows) {
    console.clear();
    EXPECT_EQ(cardvalue(std::string(name) + "(1)"), "error " + std::to_string(status)) << name;
    EXPECT_NE(console.find("\"" + std::string(name) + "\" can't be loaded: "), std::string::npos) << console;
  }
  EXPECT_EQ(cardvalue("length(\"abc\")"), "3") << "the built-in of the name runs";
}

TEST_F(ExternalsTest, FilesAndBundlesLoadIntoTheProject) {
  openwith({});
  EXPECT_EQ(loadxcmd(project(), builtpath("twice"), pascal("twice").data(), kXFcn), 0);
  EXPECT_EQ(cardvalue("the result"), "twice\rXFcn");
  EXPECT_EQ(loadxcmd(project(), builtpath("twice"), pascal("twice").data(), kXFcn), 0);
  EXPECT_EQ(cardvalue("the result"),
            "That external is already loaded! You must quit KV first before you can debug a new version.");
  EXPECT_EQ(loadxcmd(project(), builtpath("twice"), pascal("twice").data(), fourcc("TEXT")), 230);
  EXPECT_EQ(loadxcmd(project(), builtpath("twice"), pascal("abcdefghijklmnopqrstuvwxyz012345").data(), kXFcn), 14);
  EXPECT_EQ(cardvalue("twice(5)"), "10");
  std::filesystem::path bundle = home->path() + "/Setv.bundle";
  std::filesystem::create_directory(bundle);
  std::filesystem::copy_file(builtpath("setv"), bundle / "setv");
  std::ofstream(bundle / "Info") << "Executable = setv\n";
  EXPECT_EQ(callxload(bundle.string()), 230) << "no external type";
  std::ofstream(bundle / "Info") << "KVExternalType = XCmd\nExecutable = setv\n";
  EXPECT_EQ(callxload(bundle.string()), 0);
  EXPECT_EQ(cardvalue("the result"), "setv\rXCmd");
  EXPECT_EQ(cardvalue("setvtest()"), "new|1");
}

}  // namespace
}  // namespace kv
