// The platform utilities: capability tests, modifier keys, console lines and escaped texts,
// rectangles and handles in the preferences, window rectangle limits, point-on-line hit tests
// and the handle and name conveniences.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "engine/textutil.h"
#include "platform/backend/headless.h"
#include "platform/console/console.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/prefs/prefs.h"
#include "platform/testing/temphome.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "store/records.h"
#include "tests/support/veltrix.h"
#include "tests/support/owned.h"
#include "core/debugmsg.h"
#include <string>
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "core/dialogs.h"
#include "tests/support/fixture.h"
#include "platform/runtime/root.h"
#include "tests/support/texts.h"
#include "shell/startup.h"

namespace kv {
namespace {

class PlatformUtilTest : public VeltrixTest {
 protected:
  void SetUp() override {
    home = std::make_unique<TemporaryHome>();
    VeltrixTest::SetUp();
  }
  void TearDown() override {
    setconsolecapture({});
    VeltrixTest::TearDown();
    home.reset();
  }
  // Holds the modifier keys from now on.
  void hold(u16 modifiers) {
    InputEvent in;
    in.kind = InputKind::modifiers;
    in.when = TickCount();
    in.modifiers = modifiers;
    headlessbackend()->schedule(in);
    takedueinputs();
  }
  std::unique_ptr<TemporaryHome> home;
};

TEST_F(PlatformUtilTest, CapabilitiesOfTheEmulatedSystem) {
  EXPECT_EQ(RunningOnCarbonX(), 1);
  EXPECT_EQ(RunningOnCarbonXdothree(), 1);
  EXPECT_EQ(RunningOnCarbonXdotfour(), 1);
  EXPECT_EQ(RunningOnCarbonXdotfive(), 1);
  EXPECT_EQ(RunningOnCarbonXdotsix(), 1);
  EXPECT_EQ(hasControlMgr(), 1);
  EXPECT_EQ(CanUseATSUI(), 1);
  EXPECT_EQ(IsAltiVecAvailable(), 0);
  EXPECT_EQ(RunningInRosetta(), 0);
  EXPECT_EQ(is_pid_native(0), 1);
  EXPECT_EQ(is_pid_native(4242), 1) << "a system without the variable runs only native programs";
  EXPECT_EQ(getenviron(), 0x1068);
  EXPECT_EQ(startupfacts().sysversion, 0x1068);
}

TEST_F(PlatformUtilTest, ModifierKeysAndTheKeyMap) {
  hold(shiftKey | optionKey);
  EXPECT_EQ(shift(), 1);
  EXPECT_EQ(option(), 1);
  EXPECT_EQ(command(), 0);
  EXPECT_EQ(control(), 0);
  EXPECT_EQ(isPressed(kVKShift), 1);
  EXPECT_EQ(isPressed(kVKOption), 1);
  EXPECT_EQ(isPressed(kVKCommand), 0);
  EXPECT_EQ(isPressed(200), 0) << "no key has that code";
  hold(cmdKey | controlKey);
  EXPECT_EQ(command(), 1);
  EXPECT_EQ(control(), 1);
  EXPECT_EQ(shift(), 0);
}

TEST_F(PlatformUtilTest, DelayAndDebugBeepWaitOnTheClock) {
  u32 t = TickCount();
  delay(12);
  EXPECT_EQ(TickCount() - t, 12u);
  u32 beeps = headlessbackend()->beeps();
  DebugBeep(3);
  EXPECT_EQ(headlessbackend()->beeps(), beeps + 1);
  EXPECT_EQ(TickCount() - t, 15u);
}

TEST_F(PlatformUtilTest, LogStringEscapesWhatDoesNotPrint) {
  EXPECT_EQ(LogString("a\tb\xC8"), "a\\tb\\310");
  EXPECT_EQ(LogString("\n\r\x1B\x7F\x01"), "\\n\\r\\e\\177\\001");
  EXPECT_EQ(LogString(std::string("x\0y", 3)), "x\\000y");
  std::string big(2000, '\x01');
  EXPECT_EQ(LogString(big).size(), 8000u) << "no fixed buffer: a long text is escaped whole";
}

TEST_F(PlatformUtilTest, ConsoleLinesCarryATimeStamp) {
  std::string written;
  setconsolecapture([&written](std::string_view s) { written += s; });
  EXPECT_EQ(WriteToConsole("Hello \xA5"), 0);
  EXPECT_TRUE(
      std::regex_match(written,
                       std::regex("[A-Z][a-z]{2} [ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] Hello \xE2\x80\xA2\n")))
      << written;
}

TEST_F(PlatformUtilTest, PointsOnLines) {
  EXPECT_EQ(ptinline(Point{10, 10}, Point{10, 100}, Point{12, 50}, 3), 1) << "a horizontal segment";
  EXPECT_EQ(ptinline(Point{10, 10}, Point{10, 100}, Point{14, 50}, 3), 0);
  EXPECT_EQ(ptinline(Point{10, 10}, Point{90, 10}, Point{50, 8}, 3), 1) << "a vertical segment";
  EXPECT_EQ(ptinline(Point{0, 0}, Point{100, 100}, Point{50, 51}, 2), 1) << "near the diagonal";
  EXPECT_EQ(ptinline(Point{0, 0}, Point{100, 100}, Point{50, 60}, 2), 0);
  EXPECT_EQ(ptinline(Point{0, 0}, Point{100, 100}, Point{120, 120}, 5), 0) << "beyond the ends";
  EXPECT_EQ(ptinline(Point{0, 0}, Point{100, 100}, Point{50, 50}, 0), 0) << "tolerance 0 on a sloped segment";
  EXPECT_EQ(ptinline(Point{-30000, -30000}, Point{30000, 30000}, Point{29000, 29001}, 4), 1) << "no overflow";
}

TEST_F(PlatformUtilTest, LocalPoints) {
  EXPECT_EQ(localpt(Point{10, 10}, Point{10, 10}, 2), 1);
  EXPECT_EQ(localpt(Point{10, 10}, Point{8, 8}, 2), 1);
  EXPECT_EQ(localpt(Point{10, 10}, Point{12, 10}, 2), 0);
  EXPECT_EQ(localpt(Point{10, 10}, Point{10, 13}, 2), 0);
}

// Acceptance: a rectangle preference reads back as written; a malformed one is rejected and
// removed.
TEST_F(PlatformUtilTest, RectanglePreferences) {
  ASSERT_EQ(CFPreferencesSetAppRectValue("where", Rect{1, 2, 3, 4}, kRuntimeDomain), 1);
  Rect r{};
  ASSERT_EQ(CFPreferencesGetAppRectValue("where", kRuntimeDomain, &r), 1);
  EXPECT_EQ(r, (Rect{1, 2, 3, 4}));
  std::ifstream file(home->path() + "/.config/kestrove/kestrove");
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), "where = \"1 2 3 4\"\n");

  for (const char* bad : {"1 2 3 4x", "1 2 3", "1 2 3 4 5", "1 2 3 99999", "", "a b c d"}) {
    setpreference(kRuntimeDomain, "bad", PrefValue::ofstring(bad));
    EXPECT_EQ(CFPreferencesGetAppRectValue("bad", kRuntimeDomain, &r), 0) << bad;
    EXPECT_FALSE(getpreference(kRuntimeDomain, "bad").has_value()) << "removed: " << bad;
  }
  setpreference(kRuntimeDomain, "spaced", PrefValue::ofstring("  -5   6 7\t8"));
  ASSERT_EQ(CFPreferencesGetAppRectValue("spaced", kRuntimeDomain, &r), 1);
  EXPECT_EQ(r.top, -5);
  EXPECT_EQ(r.right, 8);
  setpreference(kRuntimeDomain, "number", PrefValue::ofnumber(5));
  EXPECT_EQ(CFPreferencesGetAppRectValue("number", kRuntimeDomain, &r), 0);
  EXPECT_FALSE(getpreference(kRuntimeDomain, "number").has_value());
  EXPECT_EQ(CFPreferencesGetAppRectValue("missing", kRuntimeDomain, &r), 0);
}

TEST_F(PlatformUtilTest, HandlePreferences) {
  Handle h = nilhandle;
  ASSERT_EQ(PtrToHand("\x00\x01\xFE", &h, 3), noErr);
  EXPECT_EQ(CFPreferencesSetAppHandleValue("alias", h, kRuntimeDomain), 1);
  DisposeHandle(h);
  Handle back = CFPreferencesGetAppHandleValue("alias", kRuntimeDomain);
  ASSERT_NE(back, nilhandle);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(back)), size_t(GetHandleSize(back))),
            std::string("\x00\x01\xFE", 3));
  DisposeHandle(back);
  setpreference(kRuntimeDomain, "text", PrefValue::ofstring("not data"));
  EXPECT_EQ(CFPreferencesGetAppHandleValue("text", kRuntimeDomain), nilhandle);
  EXPECT_FALSE(getpreference(kRuntimeDomain, "text").has_value());
}

// Acceptance: a style 1 window of a 512 x 342 background is limited to 527 x 357.
TEST_F(PlatformUtilTest, WindowRectanglesAreLimitedToTheBackground) {
  windrec w{};
  w.word2 = 1;
  backrec b{};
  b.width = 512;
  b.height = 342;
  desk d{};
  ASSERT_EQ(PtrToHand(&w, &d.wind, Size(sizeof w)), noErr);
  ASSERT_EQ(PtrToHand(&b, &d.back, Size(sizeof b)), noErr);
  MainGlobals& g = mainglobals();
  g.dontLimitWindows = 0;
  Rect r{10, 20, 900, 1000};
  limitrectoback(&r, d);
  EXPECT_EQ(r, (Rect{10, 20, 367, 547}));

  g.dontLimitWindows = 1;
  r = Rect{10, 20, 900, 1000};
  limitrectoback(&r, d);
  EXPECT_EQ(r.right, 1000) << "windows are not limited";
  w.flags = 1u << 14;
  storeat<windrec>(deref(d.wind), w);
  limitrectoback(&r, d);
  EXPECT_EQ(r.right - r.left, 527) << "unless the window asks for it";
  w.word2 = 0;
  storeat<windrec>(deref(d.wind), w);
  r = Rect{0, 0, 100, 600};
  limitrectoback(&r, d);
  EXPECT_EQ(r.right, 512);
  EXPECT_EQ(r.bottom, 100);
  DisposeHandle(d.wind);
  DisposeHandle(d.back);
}

TEST_F(PlatformUtilTest, SwappingHandlesKeepsTheirIdentity) {
  OwnedHandle a, b;
  ASSERT_EQ(PtrToHand("first", &a, 5), noErr);
  ASSERT_EQ(PtrToHand("second!", &b, 7), noErr);
  ASSERT_TRUE(swaphandle(a, b));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(a)), size_t(GetHandleSize(a))), "second!");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(b)), size_t(GetHandleSize(b))), "first");
  failallocationafter(1);
  EXPECT_FALSE(swaphandle(a, b));
  failallocationafter(0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(a)), size_t(GetHandleSize(a))), "second!");
}

TEST_F(PlatformUtilTest, NamesAndStatuses) {
  Str255 name{};
  checkname(name);
  EXPECT_EQ(pstringview(name), "Untitled");
  setpstring(name, "Mine");
  checkname(name);
  EXPECT_EQ(pstringview(name), "Mine");
  EXPECT_EQ(maskBadOSVersionErr(-30873), 0);
  EXPECT_EQ(result(), "Not available on this system.");
  EXPECT_EQ(maskBadOSVersionErr(124), 0);
  EXPECT_EQ(maskBadOSVersionErr(5), 5);
  EXPECT_EQ(maskBadOSVersionErr(-43), -43);
  Rect r{1, 1, 1, 1};
  GetWindowRect(nilid, &r, kWindowContentRgn);
  EXPECT_EQ(r.right, 0);
}

TEST_F(PlatformUtilTest, HandlesDumpedAsText) {
  ASSERT_EQ(::mkdir((home->path() + "/Documents").c_str(), 0700), 0);
  u32 docs = 0;
  ASSERT_EQ(folderidofpath(home->path() + "/Documents", &docs), noErr);
  mainglobals().documentsfolder = docs;
  Handle h = NewHandle(17);
  for (int i = 0; i < 17; ++i) deref(h)[i] = u8(i);
  Str255 name{};
  setpstring(name, "table");
  ASSERT_EQ(dumphandtofile(h, name), noErr);
  ASSERT_EQ(dumphandtofile(h, name), noErr) << "an older file of the name is replaced";
  DisposeHandle(h);
  std::ifstream file(home->path() + "/Documents/table.txt");
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(
      text.str(),
      "char\ttrantabl[] = {\r\t0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, "
      "0x0e, 0x0f,\r\t0x10\r};");
  FInfo info{};
  ASSERT_EQ(HGetFInfo(kBootVolume, docs, reinterpret_cast<ConstStringPtr>("\x09table.txt"), &info), noErr);
  EXPECT_EQ(u32(info.fdType), fourcc("TEXT"));
}

TEST(DebugMsgTest, WritesTheTextAsUtf8LineToStandardError) {
  testing::internal::CaptureStderr();
  KVDebugMsg(
      reinterpret_cast<ConstStringPtr>("\x08"
                                       "caf\x8E ok!"));
  KVDebugMsg(reinterpret_cast<ConstStringPtr>("\x00"));
  KVDebugMsg(nullptr);
  std::string out = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "caf\xC3\xA9 ok!\n\n") << "Mac Roman 0x8E is e-acute; only the length byte counts";
}

// The headless dialogs: a message of the program's string lists with ParamText's texts.
using DialogsTest = RuntimeTest;

TEST_F(DialogsTest, AMessageShowsTheParamTextTexts) {
  setunattendedpolicy(UnattendedPolicy::usedefault);
  const u8 name[] =
      "\x0A"
      "Notes.kv45";
  ParamText(name, nullptr, nullptr, nullptr);
  domessage(1000, 11, notealert);
  ParamText(nullptr, nullptr, nullptr, nullptr);
  domessage(1000, 11, notealert);
  std::string t = transcripttext();
  EXPECT_NE(t.find("dialog: message The disk holding \"Notes.kv45\" is full."), std::string::npos) << t;
  EXPECT_NE(t.find("dialog: message The disk holding \"\" is full."), std::string::npos) << t;
}

using namespace testtexts;

using MainGlobalsTest = RuntimeTest;


TEST_F(MainGlobalsTest, DumpglobsReleasesWhatTheRecordOwns) {
  std::size_t before = memoryfigures().livehandles;
  ASSERT_EQ(initglobs(), 0);
  EXPECT_GT(memoryfigures().livehandles, before);
  dumpglobs(0);
  EXPECT_EQ(memoryfigures().livehandles, before);
  EXPECT_EQ(mainglobals().fileType, nilhandle);
}

TEST_F(MainGlobalsTest, StartFailsCleanlyWhenMemoryRunsOut) {
  failallocationafter(3);
  EXPECT_EQ(initglobs(), 37);
  failallocationafter(0);
  // What was made before the failure is released by the reset (the fixture checks).
}

}  // namespace
}  // namespace kv
