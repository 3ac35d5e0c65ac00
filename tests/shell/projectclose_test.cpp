// Closing project windows, quitting (the quit dialog, the hand-over to the companion editor)
// and the fatal-error path, driven by script lines in the current card; what was sent and
// shown is read from the transcript.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "commands/navigation.h"
#include "platform/dialogs/choosers.h"
#include "platform/events/events.h"
#include "platform/launch/launch.h"
#include "platform/prefs/prefs.h"
#include "platform/process/process.h"
#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "shell/commandline.h"
#include "shell/engineservices.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "shell/projectclose.h"
#include "shell/startup.h"
#include "store/recordcache.h"
#include "platform/files/files.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "shell/windnav.h"
#include "platform/runtime/root.h"
#include "render/controlvisibility.h"
#include "textengine/werecord.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using testproject::Project;

class ProjectCloseTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    hooks();
  }
  void hooks() {
    setunattendedpolicy(UnattendedPolicy::usedefault);
    setexithook([this](int status, const std::string&) {
      exits.push_back(status);
      exittick = TickCount();
    });
  }
  // The runtime afresh after a run that ended the program.
  void restart() {
    resetruntime();
    usebuiltinmetricsfont(true);
    setfilesyncs(false);
    installweliveparts();
    installcontrolliveparts();
    installengineservices();
    ASSERT_EQ(initglobs(), 0);
    ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
    hooks();
  }
  void TearDown() override {
    setexithook({});
    setlaunchrecorder({});
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  // The project with a second copy of its window, "W2".
  static Project twowindows() {
    Project p = testproject::small();
    p.windows.push_back(p.windows[0]);
    p.windows.back().name = "W2";
    return p;
  }
  void start(const Project& p) {
    build(p);
    ASSERT_EQ(open(), 0);
    transcriptclear();
  }
  // The messages sent since the transcript was cleared (the test's own lines left out).
  static std::string sent() {
    std::string out;
    for (const std::string& l : transcriptlines()) {
      if (l.rfind("message: ", 0) != 0) continue;
      std::string name = l.substr(9, l.find(' ', 9) - 9);
      if (name == "close" || name == "set" || name == "quit" || name == "open") continue;
      out += (out.empty() ? "" : " ") + name;
    }
    return out;
  }
  static int lines(std::string_view prefix) {
    int n = 0;
    for (const std::string& l : transcriptlines()) n += l.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  // Runs `op`, which must end the program; the exit status.
  template <class Op>
  int ending(Op op) {
    try {
      op();
    } catch (const ProcessExit& x) {
      return x.status;
    }
    ADD_FAILURE() << "the program did not end";
    return -1;
  }
  std::vector<int> exits;
  u32 exittick = 0;
};

TEST_F(ProjectCloseTest, ClosingOneOfTwoWindowsSendsNoCloseProject) {
  start(twowindows());
  ASSERT_EQ(doline("open window 2"), 0);
  transcriptclear();
  EXPECT_EQ(doline("close window 2"), 0);
  EXPECT_EQ(sent(), "closeCard closeBackground closeWindow");
  EXPECT_EQ(mainglobals().numwinds, 1);
}

TEST_F(ProjectCloseTest, LockedMessagesCloseWindowsSilently) {
  start(twowindows());
  ASSERT_EQ(doline("open window 2"), 0);
  transcriptclear();
  EXPECT_EQ(doline("set the lockMessages to true\nclose window 2"), 0);
  EXPECT_EQ(mainglobals().numwinds, 1);
  // Called directly: the program ends inside it.
  mainglobals().lockMessages = 1;
  EXPECT_EQ(ending([] { closewindow(); }), 0) << "closing the last window quits";
  EXPECT_EQ(sent(), "");
  EXPECT_EQ(mainglobals().numwinds, 0);
}

TEST_F(ProjectCloseTest, AQuitKestroveHandlerThatExitsToTheTopKeepsTheOnlyWindow) {
  Project p = testproject::small();
  p.script = "on quitKestrove\n  exit to kestrove\nend quitKestrove";
  start(p);
  EXPECT_EQ(doline("close window 1"), 0);
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_TRUE(exits.empty());
  EXPECT_EQ(doline("go card 2"), 0) << "the runtime runs on";
}

TEST_F(ProjectCloseTest, QuittingShowsTheQuitDialogForHalfASecond) {
  start(testproject::small());
  const u32 before = TickCount();
  EXPECT_EQ(ending([] { closewindow(); }), 0);
  EXPECT_EQ(lines("dialog: quit dialog"), 1);
  EXPECT_GE(exittick - before, 30u);
  EXPECT_EQ(mainglobals().numwinds, 0);
}

TEST_F(ProjectCloseTest, QuittingForTheEditorHandsOverAndStartsIt) {
  start(testproject::small());
  ASSERT_EQ(doline("go card 3"), 0);
  for (const char* key : {"trantime", "tranwind", "trancard", "tranfile"}) removepreference(kEditorDomain, key);
  ASSERT_TRUE(synchronizepreferences(kEditorDomain));
  setpreference(kRuntimeDomain, "tranKRapplication", PrefValue::ofdata({'/', 'e', 'd'}));
  std::vector<std::string> launched;
  setlaunchrecorder([&](const std::string& app, const std::vector<std::string>&) {
    launched.push_back(app);
    return noErr;
  });
  mainglobals().fromeditor = 1;
  EXPECT_EQ(ending([&] { shutdown(1); }), 0);
  EXPECT_EQ(lines("dialog: quit dialog"), 0);
  EXPECT_EQ(launched, std::vector<std::string>{"/ed"});
  // The keys reach the editor's file in the order they were written.
  std::ifstream in(preferencesfolder() + "/" + kEditorDomain);
  std::string file((std::istreambuf_iterator<char>(in)), {});
  size_t t = file.find("trantime"), w = file.find("tranwind"), c = file.find("trancard"), f = file.find("tranfile");
  ASSERT_NE(f, std::string::npos) << file;
  EXPECT_LT(t, w);
  EXPECT_LT(w, c);
  EXPECT_LT(c, f);
  auto card = getpreference(kEditorDomain, "trancard");
  ASSERT_TRUE(card.has_value());
  EXPECT_EQ(card->number, 3);
  auto path = getpreference(kEditorDomain, "tranfile");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(std::string(path->data.begin(), path->data.end()), home->path() + "/p.kv45");
}

TEST_F(ProjectCloseTest, FatalErrorsShowTheirTextAndCloseEveryProject) {
  struct row {
    i16 status, entry;
    const char* shows;
  };
  for (const row& r : {row{-108, 7, "not enough memory"}, row{-41, 7, "not enough memory"}, row{1006, 24, "too big"},
                       row{999, 13, "(999)"}}) {
    SCOPED_TRACE(r.status);
    EXPECT_EQ(fataltext(r.status), r.entry);
    const std::string p = "p" + std::to_string(r.entry) + ".kv45", q = "q" + std::to_string(r.entry) + ".kv45";
    if (r.status != -41) {
      build(testproject::small(), p);
      build(testproject::small(), q);
    }
    ASSERT_EQ(open(p), 0);
    ASSERT_EQ(open(q), 0);
    transcriptclear();
    EXPECT_EQ(ending([&] { checkerr(r.status); }), kExitFailure);
    std::string shown;
    for (const std::string& l : transcriptlines())
      if (l.rfind("dialog: ", 0) == 0) shown = l;
    EXPECT_NE(shown.find(r.shows), std::string::npos) << shown;
    EXPECT_EQ(mainglobals().openprojects, nilid) << "every project was closed";
    restart();
  }
}

// A program that cannot start asks for the user's attention from behind other programs,
// shows why and ends with a failure.
TEST_F(ProjectCloseTest, AStartUpErrorAsksForAttentionShowsItsTextAndEnds) {
  setprocessfront(false);
  transcriptclear();
  EXPECT_EQ(ending([] { startuperror(-43); }), kExitFailure);
  EXPECT_TRUE(attentionrequested());
  EXPECT_EQ(lines("dialog: "), 1);
  requestuserattention(false);
}

TEST_F(ProjectCloseTest, TheOpenDialogOpensTheChosenProjectOrEnds) {
  build(testproject::small());
  ASSERT_EQ(testproject::typeasproject(dir, "p.kv45"), noErr);
  queueanswer(Answer{"answer file", home->path() + "/p.kv45", {}});
  EXPECT_EQ(openfile(), 0);
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_EQ(lines("dialog: open dialog: Where is your project?"), 1);
  EXPECT_EQ(lastchooserrequest().types, (std::vector<u32>{kProjectType, fourcc("MDPx")})) << "projects and plug-ins";
  closeallwindows();
  queueanswer(Answer{"answer file", "", {}});
  EXPECT_EQ(ending([] { openfile(); }), 0);
}

// The open dialog lists projects only: a file of another type is not taken, and the program
// ends as when nothing was chosen; a cancelled dialog ends it too.
TEST_F(ProjectCloseTest, TheOpenDialogTakesOnlyProjects) {
  build(testproject::small(), "notes.txt");
  queueanswer(Answer{"answer file", home->path() + "/notes.txt", {}});
  EXPECT_EQ(ending([] { openfile(); }), 0);
  EXPECT_EQ(mainglobals().numwinds, 0);
  restart();
  queueanswer(Answer{"cancel", "", {}});
  EXPECT_EQ(ending([] { openfile(); }), 0);
}

}  // namespace
}  // namespace kv
