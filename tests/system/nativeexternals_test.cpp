// Native routines ('XRtn') as scripts meet them: called with their parameters as values,
// calling the runtime back through their routines, taking the runtime's events through their
// registrations, posting events, making windows, and unloading. The routines are the test
// tree's own (tests/system/externals/nat.c and nreq.c): nreq's handlers note each call they
// get as "tag:code:data;".
#include <gtest/gtest.h>

#include <string>

#include "platform/loader/loader.h"
#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/transcript.h"
#include "platform/windows/windows.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "system/externalevents.h"
#include "system/externals.h"
#include "tests/support/eventloop.h"
#include "tests/system/testexternals.h"

namespace kv {
namespace {

// Behaviours of nreq's handlers (bits of their registration).
enum : int { kAnother = 1, kRaise = 2, kPost = 4, kGlobal = 16, kMessage = 32 };

class NativeTest : public EventLoopTest {
 protected:
  // The event-logging project with the card field "Out" and the routines nreq and nat.
  void SetUp() override {
    EventLoopTest::SetUp();
    testproject::Project p = project();
    testproject::Object out;
    out.kind = testproject::Object::field;
    out.name = "Out";
    out.rect = Rect{50, 10, 80, 200};
    p.windows[0].cards[0].objects.push_back(out);
    p.resources = {record(kXRtn, "nreq", built("nreq")), record(kXRtn, "nat", built("nat"))};
    ASSERT_EQ(openproject(p), 0);
    settle();
    clearlog();
  }
  // nreq with these parameters (script expressions).
  std::string nreq(const std::string& parameters) { return cardvalue("nreq(" + parameters + ")"); }
  // Registers nreq's handler: the code, the window, its answer, its behaviour and its tag.
  void enrol(i32 code, u32 window, int answer, int behaviour, int tag) {
    EXPECT_EQ(nreq("\"register\"," + std::to_string(code) + "," + std::to_string(window) + "," +
                   std::to_string(answer) + "," + std::to_string(behaviour) + "," + std::to_string(tag)),
              "ok");
  }
  std::string calls() { return nreq("\"log\""); }
  i16 offer(WindowRef window, i32 code) { return sendxrtnevent(window, code, nullptr); }
};

TEST_F(NativeTest, ARoutineGetsItsParametersAsValues) {
  EXPECT_EQ(cardvalue("nat(1+1, \"a\")"), "2:2|a");
  EXPECT_EQ(cardvalue("nat()"), "0:");
  EXPECT_EQ(cardvalue("nat(\"" + std::string(40, 'y') + "\")"), "1:" + std::string(40, 'y'));
  EXPECT_EQ(nreq("\"calls\""), "1");
  EXPECT_EQ(cardvalue("nreq(\"calls\" 2)"), "error 2");
  EXPECT_EQ(nreq("\"calls\""), "2") << "not called when its parameters failed";
}

TEST_F(NativeTest, RoutinesOnTextsGlobalsAndFields) {
  std::string list = "\"a\" & return & \"b\" & return & \"c\"";
  std::string line(300, 'x');
  const std::pair<std::string, std::string> rows[] = {
      {"\"decode\", \"B\", " + list, "1"},
      {"\"decode\", \"d\", " + list, "-1"},
      {"\"decode\", " + list + " & \"x\", " + list, "-1"},
      {"\"length\", 3, \"x\"", "0"},
      {"\"length\", -1, \"x\"", "0"},
      {"\"length\", 2, \"abc\"", "3"},
      {"\"setglobal\", \"gNew\", 7", "0"},
      {"\"getglobal\", \"gNew\"", "0,7"},
      {"\"getglobal\", \"gNone\"", "1,-1"},
      {"\"evallong\", \"6*7\"", "0,42"},
      {"\"setfield\", \"card field \" & quote & \"Out\" & quote, \"hi\"", "0"},
      {"\"setfield\", \"button \" & quote & \"Go\" & quote, \"hi\"", "10"},
      {"\"setfield\", \"nonsense\", \"hi\"", "11"},
      {"\"format\", \"%d-%s\", 5, \"a\"", "5-a"},
      {"\"format\", \"%s\", \"" + line + "\"", line.substr(0, 255)},
      {"\"format\", \"%d%n%d\", 5", "5"},
      {"\"curte\"", "-9987,0"},
      {"\"gaddr\", -1", "2,-1.0000,99"},
      {"\"gaddr\", 2", "0,1.5708,0"},
  };
  for (const auto& [parameters, expected] : rows) EXPECT_EQ(nreq(parameters), expected) << parameters;
  EXPECT_EQ(cardvalue("card field \"Out\""), "hi");
}

TEST_F(NativeTest, TheDialogsOfRoutines) {
  queueanswer(Answer{"answer", "OK", {}});
  transcriptclear();
  EXPECT_EQ(nreq("\"answer\", \"Go on?\", \"OK\", \"\", \"No\""), "1");
  EXPECT_NE(transcripttext().find("answer Go on? buttons: [OK]\n"), std::string::npos) << transcripttext();
  queueanswer(Answer{"ask", "Bob", {}});
  EXPECT_EQ(nreq("\"ask\", \"Name?\", \"abc\""), "1,Bob");
  setunattendedpolicy(UnattendedPolicy::usedefault);
  EXPECT_EQ(nreq("\"ask\", \"Name?\", \"abc\""), "1,abc") << "the default, read to its length";
  setunattendedpolicy(UnattendedPolicy::fail);
  queueanswer(Answer{"alert", "Continue", {}});
  EXPECT_EQ(nreq("\"gaddr\", 7"), "99,-1.0000,99");
  EXPECT_NE(transcripttext().find("The external XRTN  asked"), std::string::npos) << transcripttext();
}

TEST_F(NativeTest, HandlersTakeTheEventsOfTheirCodeAndWindow) {
  enrol(2013, 0, 1, 0, 1);
  enrol(2013, 0, 2, 0, 2);
  EXPECT_EQ(offer(nilid, 2013), 3);
  EXPECT_EQ(calls(), "1:2013:0;2:2013:0;");
  drive::keychar('a');
  settle();
  EXPECT_EQ(log(), "") << "the key was taken";
  EXPECT_EQ(calls(), "1:2013:ev;2:2013:ev;");
  enrol(2000, 12345, 4, 0, 3);
  enrol(2000, 0, 0, 0, 4);
  EXPECT_EQ(offer(12345, 2000), 4);
  EXPECT_EQ(offer(999, 2000), 0);
  EXPECT_EQ(offer(nilid, 2000), 4) << "an event of no window reaches every registration";
  EXPECT_EQ(calls(), "3:2000:0;4:2000:0;4:2000:0;3:2000:0;4:2000:0;");
  EXPECT_EQ(nreq("\"unregister\", 2000, 12345"), "1");
  EXPECT_EQ(nreq("\"unregister\", 2000, 12345"), "0");
  EXPECT_EQ(offer(nilid, 2000), 0);
  EXPECT_EQ(calls(), "4:2000:0;");
}

TEST_F(NativeTest, HandlersMayRegisterAndRaiseEventsWhileTheyAreCalled) {
  enrol(2030, 0, 0, kAnother, 5);
  EXPECT_EQ(offer(nilid, 2030), 0);
  EXPECT_EQ(calls(), "5:2030:0;6:2030:0;") << "a registration made during the event is called in it";
  enrol(2031, 0, 1, kRaise, 8);
  enrol(2031, 0, 2, 0, 9);
  EXPECT_EQ(offer(nilid, 2031), 3);
  EXPECT_EQ(calls(), "8:2031:0;8:2031:0;9:2031:0;[3]9:2031:0;") << "the outer event calls each handler once";
}

TEST_F(NativeTest, PostedEventsWaitForTheNextFetch) {
  enrol(2030, 0, 0, kPost, 20);
  EXPECT_EQ(nreq("\"post\", 2030, 0, 20"), "");
  EXPECT_EQ(calls(), "");
  passes(1);
  std::string delivered;
  for (int i = 0; i < 19; ++i) delivered += "20:2030:" + std::to_string(i) + ";";
  EXPECT_EQ(calls(), delivered) << "the first 19, each once";
  passes(1);
  EXPECT_EQ(calls(), "20:2030:100;20:2030:101;20:2030:102;") << "those posted meanwhile";
  passes(1);
  EXPECT_EQ(calls(), "");
}

TEST_F(NativeTest, AnUnhandledCloseBoxEndsTheWindowsRegistrations) {
  u32 w = u32(std::stoul(nreq("\"newwin\", \"Tools\", 0")));
  ASSERT_TRUE(IsValidWindowPtr(w));
  enrol(2004, w, 0, 0, 10);
  enrol(2000, w, 0, 0, 11);
  enrol(2000, 0, 0, 0, 12);
  Rect box{};
  GetWindowBounds(w, kWindowCloseBoxRgn, &box);
  drive::click(Point{i16((box.top + box.bottom) / 2), i16((box.left + box.right) / 2)});
  settle();
  EXPECT_FALSE(IsValidWindowPtr(w));
  EXPECT_EQ(calls(), "10:2004:ev;");
  EXPECT_EQ(registrationcount(), 1u) << "only the one for every window is left";
}

TEST_F(NativeTest, AQuitHandlerRefusesTheQuit) {
  enrol(2017, 0, 1, 0, 13);
  drive::quitRequest();
  settle();
  EXPECT_TRUE(exits.empty());
  EXPECT_EQ(mainglobals().numwinds, 1);
  EXPECT_EQ(calls(), "13:2017:0;");
}

TEST_F(NativeTest, QuitInTheScriptErrorAlertTellsTheExternalsAndWritesTheProjectBack) {
  enrol(2017, 0, 0, kGlobal | kMessage, 16);
  ASSERT_EQ(doline("put \"kept\" into card field \"Out\""), 0);
  queueanswer(Answer{"alert", "Quit", {}});
  transcriptclear();
  EXPECT_THROW(doline("put 1 into empty"), ProcessExit);
  EXPECT_EQ(exits, (std::vector<int>{0}));
  EXPECT_EQ(mainglobals().numwinds, 0);
  // The external heard of the quit (while its project was open: its routine goes with it);
  // quitting released the globals, so its message tells it. The project opens again (in a
  // fresh global state) with what the script put into it.
  int heard = 0;
  for (const std::string& l : transcriptlines()) heard += l.rfind("message: heard 162017 ", 0) == 0 ? 1 : 0;
  EXPECT_EQ(heard, 1);
  ASSERT_EQ(initglobs(), 0);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(cardvalue("card field \"Out\""), "kept");
}

// A project's last window is offered to the externals (code 2037) even while messages are
// locked; an external that answers keeps it open.
TEST_F(NativeTest, TheClosingOfAProjectsLastWindowReachesExternals) {
  enrol(2037, 0, 1, kGlobal, 3);
  build(testproject::small(), "q.kv45");
  const desk p = current();
  ASSERT_EQ(open("q.kv45"), 0);
  MainGlobals& g = mainglobals();
  g.current = p;
  g.lockMessages = 1;
  transcriptclear();
  EXPECT_EQ(closefirst(), 1) << "the external kept the window";
  EXPECT_EQ(global("heard"), "32037");
  EXPECT_EQ(g.numwinds, 2);
  for (const std::string& l : transcriptlines()) EXPECT_NE(l.rfind("message: ", 0), 0u) << l;
  g.lockMessages = 0;
}

TEST_F(NativeTest, WindowsOfExternals) {
  WindowRef main = current().window;
  u32 tools = u32(std::stoul(nreq("\"newwin\", \"Tools\", 1")));
  ASSERT_TRUE(IsValidWindowPtr(tools));
  EXPECT_EQ(nreq("\"getwin\", \"TOOLS\""), std::to_string(tools));
  EXPECT_EQ(nreq("\"getwin\", \"Main\""), "0") << "only the windows of externals";
  nreq("\"palettes\", 2");
  EXPECT_FALSE(IsWindowVisible(tools));
  std::string info = nreq("\"frontinfo\"");
  std::string front = "0,0,100,100,460,640," + std::to_string(main) + ",1,1,window ID 100 of ";
  EXPECT_EQ(info.substr(0, front.size()), front) << info;
  enrol(2000, tools, 0, 0, 14);
  nreq("\"closewin\", " + std::to_string(main));
  EXPECT_TRUE(IsValidWindowPtr(main)) << "a project window closes through its project";
  nreq("\"closewin\", " + std::to_string(tools));
  EXPECT_FALSE(IsValidWindowPtr(tools));
  EXPECT_EQ(registrationcount(), 0u);
}

TEST_F(NativeTest, ARoutineUnloadedAtItsRequestLoadsAgain) {
  std::size_t before = imagecount();
  EXPECT_EQ(nreq("\"calls\""), "1");
  EXPECT_EQ(imagecount(), before + 1);
  enrol(2000, 0, 0, 0, 15);
  EXPECT_EQ(nreq("\"unload\""), "bye");
  EXPECT_EQ(imagecount(), before);
  EXPECT_EQ(registrationcount(), 0u);
  EXPECT_EQ(offer(nilid, 2000), 0);
  EXPECT_EQ(nreq("\"calls\""), "1") << "loaded afresh";
  enrol(2000, 0, 0, 0, 16);
  closeallwindows();
  EXPECT_EQ(imagecount(), before);
  EXPECT_EQ(registrationcount(), 0u);
}

}  // namespace
}  // namespace kv
