// The start-up sequence: the settings record and its loading rules, the stack budget, the
// system check, the offscreen world's depth fallback, the message box, the desktop's launch
// requests, the standalone's own project, and the launch arguments sent to the current card.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "platform/files/files.h"
#include "platform/events/handlers.h"
#include "platform/memory/memory.h"
#include "platform/prefs/bundle.h"
#include "platform/process/exit.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/testing/temphome.h"
#include "platform/testing/transcript.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "render/offscreen.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "core/settings.h"
#include "shell/startup.h"
#include "store/records.h"
#include "system/proctable.h"
#include "system/windowkind.h"
#include "tests/support/eventloop.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

// The 18 words of a settings record, big-endian, cut to `size` bytes.
std::vector<u8> settingsbytes(std::initializer_list<u16> words, size_t size) {
  std::vector<u8> b;
  for (u16 w : words) {
    b.push_back(u8(w >> 8));
    b.push_back(u8(w));
  }
  b.resize(size);
  return b;
}

std::vector<u16> wordsof(const settingsrec& s) {
  std::vector<u16> out;
  const u8* p = reinterpret_cast<const u8*>(&s);
  for (size_t i = 0; i < 18; ++i) out.push_back(loadat<u16>(p + 2 * i));
  return out;
}

const std::initializer_list<u16> kAllSet = {1, 2, 3, 4, 5, 6, 7, 8, 16, 640, 480, 1, 1, 1, 14, 11, 17, 18};

// 36 bytes are taken whole; the older 22-byte form gives words 0 to 10 and the rest their
// defaults; any other size, or none, gives the defaults.
TEST(SettingsRecord, TheFormsBySize) {
  std::vector<u16> defaults{0, 0, 4, 9, 2, 4, 3, 22, 0, 0, 0, 0, 0, 0, 256, 9, 0, 0};
  std::vector<u16> older(kAllSet.begin(), kAllSet.begin() + 11);
  older.insert(older.end(), defaults.begin() + 11, defaults.end());
  for (auto [size, want] : {std::pair{36, std::vector<u16>(kAllSet)}, {22, older}, {30, defaults}}) {
    std::vector<u8> b = settingsbytes(kAllSet, size_t(size));
    EXPECT_EQ(wordsof(settingsfrombytes(b.data(), size)), want) << size;
  }
  EXPECT_EQ(wordsof(settingsfrombytes(nullptr, 36)), defaults);
}


class SettingsLoadTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    home = std::make_unique<TemporaryHome>();
    // A folder of our own with no information file: the program is no standalone.
    setapplicationfolder(home->path());
  }
  void TearDown() override {
    if (refnum > 0) CloseResFile(refnum);
    home.reset();
    RuntimeTest::TearDown();
  }
  // Puts a settings resource of these bytes in front of the program's own.
  void resource(const std::vector<u8>& bytes) {
    std::vector<u8> file;
    std::string error;
    ASSERT_TRUE(buildresourcefile({ResourceItem{kSettingsType, kSettingsId, 0, "", bytes}}, &file, &error)) << error;
    refnum = openresourcebytes(file, "settings");
    ASSERT_GT(refnum, 0);
  }
  void info(const std::string& text) { std::ofstream(home->path() + "/Info") << text; }
  settingsrec load() {
    EXPECT_EQ(loadsettings(), 0);
    return currentsettings();
  }
  std::unique_ptr<TemporaryHome> home;
  i16 refnum = 0;
};

TEST_F(SettingsLoadTest, TheProgramsOwnRecordAndWhatFollowsFromIt) {
  settingsrec s = load();
  EXPECT_EQ(wordsof(s), wordsof(defaultsettings()));
  EXPECT_EQ(mainglobals().scriptfont, 4);
  EXPECT_EQ(mainglobals().scriptsize, 9);
  EXPECT_EQ(GetHandleSize(mainglobals().settings), 36);
}

TEST_F(SettingsLoadTest, WordFifteenIsKeptWithinNineToThirteen) {
  resource(settingsbytes({0, 0, 4, 9, 2, 4, 3, 22, 0, 0, 0, 0, 0, 0, 256, 20, 0, 0}, 36));
  EXPECT_EQ(load().word15, 13);
  CloseResFile(refnum);
  resource(settingsbytes({0, 0, 4, 9, 2, 4, 3, 22, 0, 0, 0, 0, 0, 0, 256, 0, 0, 0}, 36));
  EXPECT_EQ(load().word15, 9);
}

TEST_F(SettingsLoadTest, TheTwoByteWordSetsTwoByteText) {
  resource(settingsbytes({0, 1, 21, 10, 0}, 22));
  settingsrec s = load();
  EXPECT_EQ(mainglobals().twobyte, 1);
  EXPECT_EQ(mainglobals().scriptfont, 21);
  EXPECT_EQ(s.word14, 256) << "the older form leaves word 14 at its default";
}

// The bundle's key decides word 0: exactly "Yes" makes a standalone; any other value clears it
// even when the resource set it; without the key the resource's word stays.
TEST_F(SettingsLoadTest, TheStandaloneKeyDecidesWordZero) {
  resource(settingsbytes({256}, 36));
  EXPECT_EQ(load().standalone, kStandaloneWord) << "no information file";
  info("IsKestroveStandalone = yes\n");
  EXPECT_EQ(load().standalone, 0);
  info("IsKestroveStandalone = \"Yes\"\n");
  EXPECT_EQ(load().standalone, kStandaloneWord);
  CloseResFile(refnum);
  refnum = 0;
  info("# a standalone\nIsKestroveStandalone = Yes\n");
  EXPECT_EQ(load().standalone, kStandaloneWord) << "the program's own record says 0";
  info("IsKestroveStandalone = 1\n");
  EXPECT_EQ(load().standalone, 0);
  info("IsKestroveStandalone = \"Yes\\x00more\"\n");
  EXPECT_EQ(load().standalone, kStandaloneWord) << "the value ends at its first zero byte";
}

TEST(StartupRules, StackBudget) {
  i64 raised = 0;
  EXPECT_EQ(stackbudgetfor(8 << 20, 16 << 20, &raised), 8323072u);
  EXPECT_EQ(raised, 8 << 20) << "a quarter of the hard limit is less than the soft limit";
  EXPECT_EQ(stackbudgetfor(256 << 10, 256 << 10, &raised), 262144u) << "the floor";
  EXPECT_EQ(stackbudgetfor(1 << 20, 64 << 20, &raised), u32((16 << 20) - 65536));
  EXPECT_EQ(raised, 16 << 20);
  EXPECT_EQ(stackbudgetfor(-1, -1, &raised), u32(0x7FFFFFFF - 65536)) << "unlimited";
  EXPECT_EQ(stackbudgetfor(i64(5) << 32, -1, &raised), u32(0x7FFFFFFF - 65536)) << "no wrap above 2 GB";
}

TEST(StartupRules, SystemCheck) {
  EXPECT_EQ(systemrefusal(0x0850, 0), 1);
  EXPECT_EQ(systemrefusal(0x0860, 0x0150), 22);
  EXPECT_EQ(systemrefusal(0x0920, 0x0160), 0);
  EXPECT_EQ(systemrefusal(0x1000, 0x0170), 1);
  EXPECT_EQ(systemrefusal(0x101F, 0x0170), 1);
  EXPECT_EQ(systemrefusal(0x1020, 0), 0);
  EXPECT_EQ(systemrefusal(0x1068, 0x0170), 0) << "the emulated system";
}

// The depths a creation was asked for, and the ones that fail.
struct Depths {
  std::vector<i16> asked;
  std::vector<i16> failing;
};
Depths* depths = nullptr;
i16 fakecreate(i16 depth) {
  depths->asked.push_back(depth);
  return std::find(depths->failing.begin(), depths->failing.end(), depth) == depths->failing.end() ? 1 : 0;
}

TEST(StartupRules, TheOffscreenDepthFallsBack) {
  Depths d;
  depths = &d;
  d.failing = {32, 16};
  EXPECT_EQ(createoffscreenat(32, fakecreate), 8);
  EXPECT_EQ(d.asked, (std::vector<i16>{32, 16, 8}));
  d.asked.clear();
  EXPECT_EQ(createoffscreenat(16, fakecreate), 8);
  EXPECT_EQ(d.asked, (std::vector<i16>{16, 8}));
  d.asked.clear();
  d.failing = {32, 16, 8, 1, 24};
  EXPECT_EQ(createoffscreenat(32, fakecreate), 0);
  EXPECT_EQ(d.asked, (std::vector<i16>{32, 16, 8, 1}));
  d.asked.clear();
  d.failing = {24, 32};
  EXPECT_EQ(createoffscreenat(24, fakecreate), 16) << "another depth that fails starts the fallback at 32";
  EXPECT_EQ(d.asked, (std::vector<i16>{24, 32, 16}));
  depths = nullptr;
}

// The whole sequence, as the program runs it.
class StartupTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    home = std::make_unique<TemporaryHome>();
    setapplicationfolder(home->path());
    ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
    setexithook([this](int status, const std::string&) { exits.push_back(status); });
    setunattendedpolicy(UnattendedPolicy::usedefault);
    transcriptclear();
  }
  void TearDown() override {
    closeallwindows();
    for (WindowRef w : windowlist()) DisposeWindow(w);
    setexithook({});
    dumpglobs(0);
    home.reset();
    RuntimeTest::TearDown();
  }
  std::string build(const testproject::Project& p, const std::string& name = "p.kv45") {
    EXPECT_EQ(testproject::build(dir, name, p), 0);
    return home->path() + "/" + name;
  }
  int run(StartupOptions o) {
    try {
      return startup(o);
    } catch (const ProcessExit& x) {
      return 1000 + x.status;
    }
  }
  std::string transcript() { return transcripttext(); }
  bool transcripthas(const std::string& line) {
    for (const std::string& l : transcriptlines())
      if (l.rfind(line, 0) == 0) return true;
    return false;
  }
  // The global `log` of the scripts.
  std::string log() {
    std::string value;
    evaluatetext("log", &value);
    return value == "log" ? "" : value;
  }
  std::unique_ptr<TemporaryHome> home;
  u32 dir = 0;
  std::vector<int> exits;
};

testproject::Project logging() {
  testproject::Project p = EventLoopTest::project();
  p.script = "on shareInit\n  global log\n  put \"shareInit,\" after log\nend shareInit";
  return p;
}

// Acceptance: the projects named open as the desktop's open-documents request opens them,
// with "startUp"; then each launch argument goes to the current card as a message.
TEST_F(StartupTest, TheProjectsNamedOpenAndTheArgumentsFollow) {
  std::string path = build(logging());
  StartupOptions o;
  o.arguments = {"kestrove", "-psn_0_42", "ping", "", "ping again"};
  o.documents = {path};
  ASSERT_EQ(run(o), 0);
  MainGlobals& g = mainglobals();
  EXPECT_EQ(g.numwinds, 1);
  EXPECT_EQ(g.startupword, 0);
  std::string value;
  evaluatetext("log", &value);
  EXPECT_EQ(value, "startUp,openCard,ping,ping again,");
  EXPECT_TRUE(exits.empty());
  EXPECT_EQ(evaluatetext("the launchArguments", &value), 0);
  EXPECT_EQ(value, "-psn_0_42\rping\r\rping again");
}

// A failing argument (a process serial number after the first argument is a message nobody
// takes; an argument over 255 bytes is error 14) is reported and stops the rest.
TEST_F(StartupTest, AFailingArgumentIsReportedAndStopsTheRest) {
  std::string path = build(logging());
  for (std::string bad : {std::string("-psn_0_42"), std::string(256, 'x')}) {
    transcriptclear();
    StartupOptions o;
    o.arguments = {"kestrove", "ping", bad, "ping again"};
    o.documents = {path};
    ASSERT_EQ(run(o), 0);
    EXPECT_TRUE(transcripthas(bad.size() > 255 ? "dialog: alert Veltrix Error Number 14"
                                               : "dialog: alert Veltrix Error Number "))
        << transcript();
    EXPECT_EQ(log(), "startUp,openCard,ping,");
    closeallwindows();  // and the start begins afresh
    for (WindowRef w : windowlist()) DisposeWindow(w);
    dumpglobs(0);
  }
}



TEST_F(StartupTest, AProjectThatCannotOpenEndsTheStart) {
  StartupOptions o;
  o.documents = {home->path() + "/none.kv45"};
  EXPECT_EQ(run(o), 1000 + kExitFailure);
  EXPECT_TRUE(transcripthas("dialog: message Kestrove cannot start")) << transcript();
}

// With no project named, the open-application request asks for one.
TEST_F(StartupTest, OpenApplicationTakesTheProjectChosen) {
  std::string path = build(logging());
  ASSERT_EQ(testproject::typeasproject(dir, "p.kv45"), noErr);
  queueanswer(Answer{"answer file", path, {}});
  ASSERT_EQ(run(StartupOptions{}), 0);
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_EQ(log(), "startUp,openCard,");
}

TEST_F(StartupTest, OpenApplicationCancelledEndsTheProgram) {
  queueanswer(Answer{"answer file", "", {}});
  EXPECT_EQ(run(StartupOptions{}), 1000 + kExitOK);
  EXPECT_EQ(mainglobals().numwinds, 0);
}

TEST_F(StartupTest, RequestsOnAnEmptyContextDoNotWait) {
  StartupOptions o;
  o.launchrequest = false;
  o.waitforwindow = false;
  o.arguments = {"kestrove", "set itemDelimiter to \";\""};
  ASSERT_EQ(run(o), 0);
  MainGlobals& g = mainglobals();
  EXPECT_EQ(g.numwinds, 0);
  EXPECT_EQ(g.itemDelimiter, ';') << "the argument ran on the empty context";
  EXPECT_EQ(g.startupword, 0);
}

// The state the start leaves: the global properties, the platform facts, the message box and
// the offscreen world.
TEST_F(StartupTest, WhatTheStartSetsUp) {
  ASSERT_EQ(::mkdir((home->path() + "/Documents").c_str(), 0700), 0);
  StartupOptions o;
  o.launchrequest = false;
  o.waitforwindow = false;
  ASSERT_EQ(run(o), 0);
  MainGlobals& g = mainglobals();
  EXPECT_EQ(g.dontLimitWindows, 1) << "settings word 12 is 0";
  EXPECT_EQ(g.textFont, 3) << "settings word 6";
  Rect screen = screenbounds(0);
  EXPECT_EQ(startupfacts().screenrect.top, screen.top + startupfacts().menubarheight);
  EXPECT_EQ(startupfacts().defaultwindowrect.top, 20);
  EXPECT_EQ(startupfacts().defaultwindowrect.left, 20);
  EXPECT_EQ(startupfacts().defaultwindowrect.right, screen.right - 4);
  EXPECT_NE(g.documentsfolder, 0u);
  std::string docs;
  ASSERT_EQ(pathoffolder(g.documentsfolder, &docs), noErr);
  EXPECT_EQ(docs.substr(docs.size() - 10), "/Documents");
  // The message box: hidden, 550 by 37, centred, its bottom 7 pixels above the screen's.
  WindowRef box = g.msgwindow;
  ASSERT_NE(box, nilid);
  EXPECT_EQ(windowkind(box, kindquerymessagebox), 1);
  EXPECT_FALSE(IsWindowVisible(box));
  Rect r{};
  GetWindowBounds(box, kWindowContentRgn, &r);
  Rect avail{};
  GetAvailableWindowPositioningBounds(0, &avail);
  EXPECT_EQ(r.right - r.left, 550);
  EXPECT_EQ(r.bottom - r.top, 37);
  EXPECT_EQ(r.bottom, avail.bottom - 7);
  EXPECT_EQ(r.left, avail.left + ((avail.right - avail.left) - 550) / 2);
  // The offscreen world: the screen's depth and size.
  EXPECT_NE(GetOffScreenWorld(), nilid);
  EXPECT_EQ(g.bufferMode, screendepth(0));
  Rect off = GetOffScreenBounds();
  EXPECT_EQ(off.right - off.left, screen.right - screen.left);
  // The dock menu's and the disk events' handlers: the routines of their procedure-table slots.
  using Procs = std::vector<EventHandlerProc>;
  ASSERT_NE(getproc<350>(), nullptr);
  ASSERT_NE(getproc<451>(), nullptr);
  EXPECT_EQ(installedhandlers(nilid, kEventClassCommand, kEventProcessCommand), Procs{getproc<350>()});
  EXPECT_EQ(installedhandlers(nilid, kEventClassVolume, kEventVolumeMounted), Procs{getproc<451>()});
  EXPECT_EQ(installedhandlers(nilid, kEventClassVolume, kEventVolumeUnmounted), Procs{getproc<451>()});
}

TEST_F(StartupTest, TheSettingsRecordCanSetTheOffscreenWorld) {
  std::vector<u8> file;
  std::string error;
  std::vector<u8> words = settingsbytes({0, 0, 4, 9, 2, 4, 3, 22, 16, 300, 200}, 22);
  ASSERT_TRUE(buildresourcefile({ResourceItem{kSettingsType, kSettingsId, 0, "", words}}, &file, &error));
  i16 refnum = openresourcebytes(file, "settings");
  StartupOptions o;
  o.launchrequest = false;
  o.waitforwindow = false;
  ASSERT_EQ(run(o), 0);
  MainGlobals& g = mainglobals();
  EXPECT_EQ(g.bufferMode, 16);
  EXPECT_EQ(GetOffScreenDepth(), 16);
  Rect off = GetOffScreenBounds();
  EXPECT_EQ(off.right - off.left, 300);
  EXPECT_EQ(off.bottom - off.top, 200);
  EXPECT_EQ(startupfacts().offwidth, 300);
  EXPECT_EQ(startupfacts().offheight, 200);
  CloseResFile(refnum);
}

// Acceptance: a standalone opens Resources/main.kv45 of its own folder as the shared project,
// with editScripts and allowInterrupts false.
TEST_F(StartupTest, AStandaloneOpensItsOwnProject) {
  ASSERT_EQ(::mkdir((home->path() + "/Resources").c_str(), 0700), 0);
  build(logging(), "Resources/main.kv45");
  std::ofstream(home->path() + "/Info") << "IsKestroveStandalone = Yes\n";
  StartupOptions o;
  o.arguments = {"kestrove", "ping"};
  ASSERT_EQ(run(o), 0);  // the open-application request opens nothing more
  MainGlobals& g = mainglobals();
  EXPECT_EQ(currentsettings().standalone, kStandaloneWord);
  EXPECT_EQ(g.numwinds, 1);
  EXPECT_EQ(g.editScripts, 0);
  EXPECT_EQ(g.allowInterrupts, 0);
  EXPECT_EQ(g.sharedstore, g.current.store);
  EXPECT_EQ(log(), "shareInit,startUp,openCard,ping,");
}

TEST_F(StartupTest, AStandaloneWithoutItsProjectCannotStart) {
  std::ofstream(home->path() + "/Info") << "IsKestroveStandalone = Yes\n";
  EXPECT_EQ(run(StartupOptions{}), 1000 + kExitFailure);
  EXPECT_TRUE(transcripthas("dialog: message Kestrove cannot start")) << transcript();
}

}  // namespace
}  // namespace kv
