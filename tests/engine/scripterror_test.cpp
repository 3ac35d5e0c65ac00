// Script errors: the texts of string list 1002, the first error of a run and where it is
// reported, "scriptError" handlers, and the error alert with its Cancel and Quit buttons.
#include <optional>
#include <string>
#include <vector>

#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "engine/scripterrors.h"
#include "platform/events/eventrecord.h"
#include "platform/memory/memory.h"
#include "platform/prefs/prefs.h"
#include "platform/process/exit.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "platform/text/pstring.h"
#include "platform/time/datetime.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/projectclose.h"
#include "shell/windtable.h"
#include "tests/support/dispatch.h"

namespace kv {
namespace {

using testproject::Project;

std::string errortext(i16 n) {
  Str255 s;
  scripterrortext(n, s);
  return std::string(pstringview(s));
}

class ScriptErrorTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    setexithook([this](int status, const std::string&) { exits.push_back(status); });
  }
  // The transcript lines of one kind ("dialog", "message", ...).
  static std::vector<std::string> lines(std::string_view kind) {
    std::vector<std::string> out;
    std::string prefix = std::string(kind) + ": ";
    for (const std::string& l : transcriptlines())
      if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(prefix.size()));
    return out;
  }
  // A project whose first card has the handlers given (besides the log project's).
  void openwith(const std::string& cardscript, const std::string& card2script = "") {
    Project p = logproject();
    p.windows[0].cards[0].script += "\n" + cardscript;
    p.windows[0].cards[1].script += "\n" + card2script;
    std::string name = "p" + std::to_string(++projects) + ".kv45";
    build(p, name);
    ASSERT_EQ(open(name), 0);
    clearglobals();
    transcriptclear();
  }
  std::vector<int> exits;
  int projects = 0;
};

TEST_F(ScriptErrorTest, EveryErrorNumberHasItsOwnText) {
  for (i16 n = 1; n <= 236; ++n) {
    Str255 s;
    s[0] = 0;
    GetIndString(s, 1002, n);
    EXPECT_GT(s[0], 0) << "entry " << n << " of string list 1002";
  }
  EXPECT_EQ(errortext(45), "Can't put into that.");
  // Entry 118 names the number, for itself and for every number outside 1..236.
  EXPECT_EQ(errortext(118), "Script error 118: this can't be done here.");
  EXPECT_EQ(errortext(237), "Script error 237: this can't be done here.");
  EXPECT_EQ(errortext(0), "Script error 0: this can't be done here.");
  EXPECT_EQ(errortext(-32768), "Script error -32768: this can't be done here.");
}

TEST_F(ScriptErrorTest, EachNameStandsOnItsOwnRow) {
  // The names come from the same rows as the texts: a name moved to another row shows here.
  EXPECT_EQ(errortext(err::nosuchproperty), "No such property.");
  EXPECT_EQ(errortext(err::notbuilt), "Not available on this system.");
  EXPECT_EQ(errortext(err::cantunderstand), "Can't understand this.");
  EXPECT_EQ(errortext(err::stray), "Expected the end of the line here.");
  EXPECT_EQ(errortext(err::externalversion), "The external was written for another version of Kestrove.");
  EXPECT_EQ(err::last, 236);
  EXPECT_EQ(errortext(err::last + 1), "Script error 237: this can't be done here.");
}

TEST_F(ScriptErrorTest, TheAlertNamesTheNumberAndItsText) {
  queueanswer(Answer{"alert", "Cancel", {}});
  mainglobals().notfront = 1;
  EXPECT_EQ(showerrordialog(19), 1);
  EXPECT_EQ(mainglobals().notfront, 0) << "the program came forward for the alert";
  EXPECT_EQ(lines("dialog"),
            (std::vector<std::string>{"alert Veltrix Error Number 19: Expected the end of the line here."}));
  EXPECT_EQ(lines("answer"), (std::vector<std::string>{"alert: Cancel"}));
  transcriptclear();
  mainglobals().lockErrorDialogs = 1;
  EXPECT_EQ(showerrordialog(19), 2);
  EXPECT_TRUE(lines("dialog").empty()) << "nothing shows while lockErrorDialogs is set";
  EXPECT_TRUE(exits.empty());
}

// Mend: Cancel stops the script and never quits, also when no error position was recorded.
TEST_F(ScriptErrorTest, CancelNeverQuits) {
  ASSERT_EQ(mainglobals().erroroffset, -1);
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(errordialog(600, 45, 0), 1);
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(errordialog(600, 45, 1), 1);
  EXPECT_TRUE(exits.empty());
  EXPECT_EQ(mainglobals().quitting, 0);
}

TEST_F(ScriptErrorTest, QuitClosesTheWindowsAndEndsTheProgram) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  queueanswer(Answer{"alert", "Quit", {}});
  EXPECT_THROW(errordialog(600, 45, 1), ProcessExit);
  EXPECT_EQ(exits, (std::vector<int>{kExitOK}));
  EXPECT_EQ(mainglobals().numwinds, 0);
  EXPECT_EQ(mainglobals().quitting, 1);
  EXPECT_EQ(mainglobals().lockMessages, 1) << "nothing is told of the closing";
  EXPECT_FALSE(getpreference(kEditorDomain, "trantime")) << "no editor started the program";
  mainglobals().lockMessages = 0;
}

TEST_F(ScriptErrorTest, QuitHandsTheCardBackToTheEditorThatStartedTheProgram) {
  build(logproject());
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(doline("go to card 2"), 0);
  mainglobals().fromeditor = 1;
  u32 before = 0;
  GetDateTime(&before);
  queueanswer(Answer{"alert", "Quit", {}});
  EXPECT_THROW(errordialog(600, 45, 1), ProcessExit);
  mainglobals().lockMessages = 0;
  std::optional<PrefValue> time = getpreference(kEditorDomain, "trantime");
  ASSERT_TRUE(time);
  EXPECT_GE(time->number, i64(before));
  EXPECT_LE(time->number, i64(before) + 5);
  EXPECT_EQ(getpreference(kEditorDomain, "tranwind"), PrefValue::ofnumber(1));
  EXPECT_EQ(getpreference(kEditorDomain, "trancard"), PrefValue::ofnumber(2));
  std::string path = home->path() + "/p.kv45";
  EXPECT_EQ(getpreference(kEditorDomain, "tranfile"), PrefValue::ofdata(std::vector<u8>(path.begin(), path.end())));
}

// Mend: a window that does not close ends the closing instead of being tried for ever.
TEST_F(ScriptErrorTest, QuitStopsAtAWindowThatWillNotClose) {
  desk stray{};
  stray.window = nilid;  // an entry no project stands behind: it cannot be closed
  stray.serial = 1;
  ASSERT_EQ(addwind(stray), 0);
  queueanswer(Answer{"alert", "Quit", {}});
  EXPECT_THROW(errordialog(600, 45, 1), ProcessExit);
  EXPECT_EQ(exits, (std::vector<int>{kExitOK}));
  EXPECT_EQ(mainglobals().numwinds, 1);
  dumpwind(nilid);
  mainglobals().lockMessages = 0;
}

TEST_F(ScriptErrorTest, AHandlersErrorIsReportedToTheCardAndShown) {
  openwith("on fail\n  global x\n  put 1 into x\n  put 1 into empty\n  put 2 into x\nend fail");
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("fail"), 45);
  EXPECT_EQ(global("x"), "1") << "the run stops at the error";
  std::vector<std::string> sent = lines("message");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].rfind("scriptError 45 to card ID ", 0), 0u) << sent[1];
  EXPECT_EQ(lines("dialog"), (std::vector<std::string>{"alert Veltrix Error Number 45: Can't put into that."}));
  // The position is in the card's script, at the failing statement.
  std::string script = testproject::scripttext(logproject().windows[0].cards[0].script + "\n");
  i32 at = mainglobals().erroroffset;
  ASSERT_GE(at, 0);
  EXPECT_EQ(i32(script.size()) + i32(std::string("on fail\r  global x\r  put 1 into x\r  ").size()), at);
}

// Acceptance: a card handler for scriptError that does not pass suppresses the alert; with
// lockErrorDialogs no alert shows and the run still stops.
TEST_F(ScriptErrorTest, AScriptErrorHandlerOrLockErrorDialogsKeepsTheAlertAway) {
  openwith(
      "on fail\n  global x\n  put 1 into x\n  put 1 into empty\n  put 2 into x\nend fail\n"
      "on scriptError n\n  global got\n  put n into got\nend scriptError");
  EXPECT_EQ(doline("fail"), 45);
  EXPECT_EQ(global("got"), "45");
  EXPECT_TRUE(lines("dialog").empty());
  closeallwindows();

  openwith("on fail\n  global x\n  put 1 into x\n  put 1 into empty\n  put 2 into x\nend fail");
  mainglobals().lockErrorDialogs = 1;
  EXPECT_EQ(doline("fail"), 45);
  EXPECT_EQ(global("x"), "1");
  EXPECT_TRUE(lines("dialog").empty());
}

TEST_F(ScriptErrorTest, AScriptErrorHandlerThatFailsShowsItsOwnError) {
  openwith("on fail\n  put 1 into empty\nend fail\non scriptError n\n  put 1 into\nend scriptError");
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("fail"), 45);
  std::vector<std::string> shown = lines("dialog");
  ASSERT_EQ(shown.size(), 1u) << "reported once: the handler's own error is not reported again";
  EXPECT_EQ(shown[0].rfind("alert Veltrix Error Number ", 0), 0u);
  EXPECT_EQ(shown[0].find("Number 45:"), std::string::npos) << shown[0];
}

// Acceptance: an error in a handler reached by a nested send is reported once, after the
// outermost send, and its position is in the inner script.
TEST_F(ScriptErrorTest, ANestedSendsErrorIsReportedOnceWithItsPlaceInTheInnerScript) {
  openwith("on hello\n  go card 2\nend hello", "on openCard\n  put 1 into empty\nend openCard");
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("hello"), 45);
  EXPECT_EQ(lines("dialog").size(), 1u);
  std::vector<std::string> sent = lines("message");
  size_t reports = 0;
  for (const std::string& m : sent) reports += m.rfind("scriptError", 0) == 0 ? 1 : 0;
  EXPECT_EQ(reports, 1u);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().rfind("scriptError 45", 0), 0u) << "reported after the sends that ran";
  // The failing object is the second card, and the position lies in its script.
  Handle failing = mainglobals().faildescriptor;
  ASSERT_NE(failing, nilhandle);
  std::string text(reinterpret_cast<const char*>(deref(failing)), size_t(GetHandleSize(failing)));
  EXPECT_EQ(text.rfind("card ID 102 ", 0), 0u) << text;
  std::string card2 = testproject::scripttext(logproject().windows[0].cards[1].script + "\n");
  EXPECT_EQ(mainglobals().erroroffset, i32(card2.size() + std::string("on openCard\r  ").size()));
}

TEST_F(ScriptErrorTest, TheFailingObjectHearsOfItsErrorWhenItsWindowIsOpen) {
  Project p = logproject();
  p.windows[0].cards[0].script += "\non hello\n  send \"fail\" to card button \"T\"\nend hello";
  p.windows[0].cards[0].objects[0].script +=
      "on fail\n  put 1 into empty\nend fail\non scriptError n\n  global got\n  put \"T:\" & n into got\nend scriptError";
  build(p);
  ASSERT_EQ(open(), 0);
  transcriptclear();
  EXPECT_EQ(doline("hello"), 45);
  EXPECT_EQ(global("got"), "T:45");
  EXPECT_TRUE(lines("dialog").empty());
  Handle failing = mainglobals().faildescriptor;
  ASSERT_NE(failing, nilhandle);
  std::string text(reinterpret_cast<const char*>(deref(failing)), size_t(GetHandleSize(failing)));
  EXPECT_EQ(text.rfind("card button ID ", 0), 0u) << "the position is in the inner script: " << text;
  std::vector<std::string> sent = lines("message");
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().rfind("scriptError 45 to card button ID ", 0), 0u) << sent.back();
}

TEST_F(ScriptErrorTest, NothingIsReportedForInternalStatusesAndForError62WithoutTheOptionKey) {
  openwith("");
  doerror(0);
  doerror(-991);
  doerror(62);
  EXPECT_TRUE(transcriptlines().empty()) << transcripttext();
  drive::mouseDown(Point{5, 5}, optionKey);
  queueanswer(Answer{"alert", "Cancel", {}});
  doerror(62);
  EXPECT_EQ(lines("dialog").size(), 1u);
  drive::mouseUp();
}

TEST_F(ScriptErrorTest, WithNoWindowTheAlertShowsTheErrorItself) {
  queueanswer(Answer{"alert", "Cancel", {}});
  doerror(45);
  EXPECT_TRUE(lines("message").empty());
  EXPECT_EQ(lines("dialog"), (std::vector<std::string>{"alert Veltrix Error Number 45: Can't put into that."}));
}

}  // namespace
}  // namespace kv
