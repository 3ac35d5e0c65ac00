// System information: version texts from the capability table, the voices, the sound input
// devices, the companion editor's name in the preferences, and the functions over them.
#include "system/sysinfo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/memory/memory.h"
#include "platform/prefs/prefs.h"
#include "platform/process/gestalt.h"
#include "platform/sound/soundmanager.h"
#include "platform/speech/voices.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "tests/support/veltrix.h"
#include "platform/windows/windows.h"
#include "system/windowkind.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

std::string str(ConstStringPtr s) { return std::string(pstringview(s)); }
std::string text(Handle h) { return std::string(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h))); }

class SysInfoTest : public VeltrixTest {};

TEST_F(SysInfoTest, VersionTextsTakeEitherFormByTheHighByte) {
  Str255 s;
  setgestaltanswer(fourcc("test"), 0x0A39);
  getverstring(fourcc("test"), 0, s);
  EXPECT_EQ(str(s), "10.39");
  setgestaltanswer(fourcc("test"), 0x1039);
  getverstring(fourcc("test"), 0, s);
  EXPECT_EQ(str(s), "10.39");
  setgestaltanswer(fourcc("test"), 0x07610000);
  getverstring(fourcc("test"), 1, s);
  EXPECT_EQ(str(s), "7.61") << "the high word when asked";
  getsystemverstring(s);
  EXPECT_EQ(str(s), "10.6.8");
  soundmgrverstr(s);
  EXPECT_EQ(str(s), "3.80");

  EXPECT_EQ(eval("the systemVersion"), "10.68");
  EXPECT_EQ(eval("systemVersion(long)"), "10.6.8");
  EXPECT_EQ(eval("the quickTimeVersion"), "7.68");
  EXPECT_EQ(eval("carbonVersion()"), "1.70");
  EXPECT_EQ(evalerror("the carbonVersion"), 43) << "as a property word it has no getter";
  EXPECT_EQ(eval("the soundMgrVersion"), "3.80");
  EXPECT_EQ(evalerror("systemVersion(short)"), 88);
}

TEST_F(SysInfoTest, FeatureTests) {
  mainglobals().quicktimepresent = 1;
  EXPECT_EQ(quicktimeversion(), 0x07688000);
  mainglobals().quicktimepresent = 0;
  EXPECT_EQ(quicktimeversion(), 0);
  EXPECT_EQ(hasfileplay(), 1);
  EXPECT_EQ(soundinfostate().soundmgrversion, SndSoundManagerVersion());
  setgestaltanswer(fourcc("snd "), std::nullopt);
  EXPECT_EQ(hasfileplay(), 0) << "a failing selector answers 0";
  u16 a = 9, b = 9;
  hasoundinput(&a, &b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(has32bitaddr(), 1);
  EXPECT_EQ(hasppc(), 1);
  Point p;
  rectoloc(Rect{-5, -5, 0, 0}, &p);
  EXPECT_EQ(p.h, -3) << "-5 + 5 / 2, truncated towards zero";
  EXPECT_EQ(p.v, -3);
  rectoloc(Rect{10, 20, 31, 41}, &p);
  EXPECT_EQ(p.h, 30);
  EXPECT_EQ(p.v, 20);
}

TEST_F(SysInfoTest, SoundInputDevicesOrNone) {
  EXPECT_EQ(eval("the soundDevices"), "none") << "no sound input";
  setgestaltanswer(fourcc("snd "), 0x0428);
  setsoundinputdevices({"Built-in Microphone", "Line In"});
  EXPECT_EQ(eval("the soundDevices"), "Built-in Microphone\rLine In");
}

TEST_F(SysInfoTest, VoicesAreListedUntilTheFirstFailure) {
  setvoicesmodel({"Alex", "Vicki", "Fred"});
  EXPECT_EQ(eval("the voices"), "Alex\rVicki\rFred");
  setvoicesmodel({"Alex", "Vicki", "Fred"}, 3);
  Handle h = NewHandle(0);
  EXPECT_EQ(buildvoices(h), voiceNotFound);
  EXPECT_EQ(text(h), "Alex\rVicki");
  DisposeHandle(h);
  mainglobals().plugin = 1;
  EXPECT_EQ(evalerror("the voices"), 176);
  mainglobals().plugin = 0;
}

TEST_F(SysInfoTest, TheEditorNameLivesInThePreferences) {
  Str255 s;
  geteditorname(s);
  EXPECT_EQ(str(s), "") << "no preference and no string resource 128";
  EXPECT_EQ(run("set the editorName to \"Kestrove Editor\""), 0);
  EXPECT_EQ(eval("the editorName"), "Kestrove Editor");
  // Kept in the runtime's preference file.
  std::ifstream in(preferencesfolder() + "/" + kRuntimeDomain);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(all.find("Runtime Editor Name = \"Kestrove Editor\""), std::string::npos) << all;
}

// The window-kind questions.
class WindowKindTest : public RuntimeTest {
 protected:
  void TearDown() override {
    for (WindowRef w : windowlist()) DisposeWindow(w);
    RuntimeTest::TearDown();
  }
  WindowRef make(i16 kind) {
    Rect r{50, 50, 100, 100};
    WindowRef w = nilid;
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &r, &w), noErr);
    SetWindowKind(w, kind);
    return w;
  }
};

TEST_F(WindowKindTest, QueriesAnswerByKind) {
  struct Case {
    i16 kind;
    u16 query;
    i16 yes;
  };
  const Case cases[] = {{114, 100, 1}, {116, 100, 0}, {117, 103, 1},   {115, 106, 0},  {8, 108, 1},
                        {113, 108, 0}, {125, 121, 1}, {20001, 133, 1}, {20002, 133, 0}};
  for (const Case& c : cases) EXPECT_EQ(windowkind(make(c.kind), c.query), c.yes) << c.kind << " " << c.query;
}

TEST_F(WindowKindTest, NoWindowOrAQueryOutsideTheRangeAnswersNo) {
  WindowRef w = make(114);
  EXPECT_EQ(windowkind(nilid, 101), 0);
  EXPECT_EQ(windowkind(w, 99), 0);
  EXPECT_EQ(windowkind(w, 134), 0);
  DisposeWindow(w);
  EXPECT_EQ(windowkind(w, 101), 0) << "a disposed window";
}

TEST_F(WindowKindTest, ScriptedDialogsCarryTheKindProperty) {
  WindowRef w = make(8);
  EXPECT_EQ(windowkind(w, 120), 0);
  u32 mark = 124;
  ASSERT_EQ(SetWindowProperty(w, fourcc("VIZu"), fourcc("kind"), sizeof mark, &mark), noErr);
  EXPECT_EQ(windowkind(w, 120), 1);
  mark = 125;
  ASSERT_EQ(SetWindowProperty(w, fourcc("VIZu"), fourcc("kind"), sizeof mark, &mark), noErr);
  EXPECT_EQ(windowkind(w, 120), 0);
}

}  // namespace
}  // namespace kv
