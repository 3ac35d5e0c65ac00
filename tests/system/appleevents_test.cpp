// Requests between programs as scripts and other programs see them: a test peer registered in
// a temporary request folder sends requests over the socket while the event loop runs, and
// answers the requests the project's scripts send it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/scripterror.h"
#include "engine/textutil.h"
#include "platform/events/events.h"
#include "platform/ipc/appleevents.h"
#include "platform/ipc/programs.h"
#include "platform/ipc/remote.h"
#include "platform/prefs/prefs.h"
#include "platform/process/exit.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "platform/time/datetime.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "system/appleevents.h"
#include "system/remoteprocs.h"
#include "tests/support/collected.h"
#include "tests/support/eventloop.h"
#include "system/osascripts.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

std::string textparam(const AppleEvent& e, AEKeyword key) {
  for (const auto& [k, d] : e.items)
    if (k == key) return std::string(d.data.begin(), d.data.end());
  return "(none)";
}

bool hasparam(const AppleEvent& e, AEKeyword key) {
  for (const auto& p : e.items)
    if (p.first == key) return true;
  return false;
}

i16 errnof(const AppleEvent& reply) {
  for (const auto& [k, d] : reply.items) {
    if (k == keyErrorNumber && d.data.size() == 2) {
      i16 n;
      std::memcpy(&n, d.data.data(), 2);
      return n;
    }
  }
  return 0;
}

u32 codeattr(const AppleEvent& e, AEKeyword key) {
  for (const auto& [k, d] : e.attributes) {
    if (k == key && d.data.size() == 4) {
      u32 v;
      std::memcpy(&v, d.data.data(), 4);
      return v;
    }
  }
  return 0;
}

// An event as another program makes one (touching no table of this program).
AppleEvent request(const char (&cls)[5], const char (&id)[5], const std::string& direct = {}, bool hasdirect = true) {
  AppleEvent e;
  AEDesc target;
  const ProcessSerialNumber to{0, ownprogramid()};
  AECreateDesc(typeProcessSerialNumber, &to, 8, &target);
  AECreateAppleEvent(fourcc(cls), fourcc(id), target, 0, 0, &e);
  if (hasdirect) AEPutParamPtr(&e, keyDirectObject, typeChar, direct.data(), Size(direct.size()));
  return e;
}

AppleEvent reply() {
  AppleEvent r;
  AEDesc none;
  AECreateAppleEvent(fourcc("aevt"), fourcc("ansr"), none, 0, 0, &r);
  return r;
}

// Another program: its own endpoint in the request folder, served on a thread of its own. It
// keeps what it received; `answer` makes the reply to each request that wants one (none: it
// never answers).
class TestPeer {
 public:
  TestPeer(const std::string& folder, u32 id, const std::string& name) {
    std::string why;
    opened = ep_.open(folder, id, name, u32(::getuid()), &why);
    thread_ = std::thread([this] { serve(); });
  }
  ~TestPeer() {
    stop_ = true;
    thread_.join();
    for (int c : held_) ep_.drop(c);
  }
  void setanswer(std::function<AppleEvent(const AppleEvent&)> f) {
    std::lock_guard<std::mutex> lock(m_);
    answer_ = std::move(f);
  }
  // The requests taken so far (and whether each wanted a reply), once `n` have come.
  std::vector<std::pair<AppleEvent, bool>> received(std::size_t n) { return got_.atleast(n); }
  u32 id() const { return ep_.id(); }
  bool opened = false;

 private:
  void serve() {
    while (!stop_) {
      for (IncomingRequest& in : ep_.take(10)) {
        std::lock_guard<std::mutex> lock(m_);
        got_.add({in.event, in.connection >= 0});
        if (in.connection < 0) continue;
        if (answer_) ep_.answer(in.connection, answer_(in.event));
        else held_.push_back(in.connection);
      }
    }
  }
  ProgramEndpoint ep_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::function<AppleEvent(const AppleEvent&)> answer_;
  Collected<std::pair<AppleEvent, bool>> got_;
  std::vector<int> held_;
};

// A program of another machine: its port (loopback) served on a thread of its own. It lists
// itself, keeps what it received and answers an evaluation of "1+1" with "2".
class RemotePeer {
 public:
  explicit RemotePeer(const std::string& name) {
    std::string why;
    opened = ep_.open(name, 0, true, answerprocesslist, &why);
    thread_ = std::thread([this] {
      while (!stop_) {
        for (IncomingRequest& in : ep_.take(10)) {
          if (in.connection >= 0) {
            AppleEvent r = reply();
            if (textparam(in.event, keyDirectObject) == "1+1") AEPutParamPtr(&r, keyDirectObject, typeChar, "2", 1);
            ep_.answer(in.connection, r);
          }
          got_.add(std::move(in.event));
        }
      }
    });
  }
  ~RemotePeer() {
    stop_ = true;
    thread_.join();
  }
  std::string url(const std::string& name) const {
    return "eppc://127.0.0.1:" + std::to_string(ep_.port()) + "/" + name;
  }
  std::vector<AppleEvent> received(std::size_t n) { return got_.atleast(n); }
  bool opened = false;

 private:
  RemoteEndpoint ep_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  Collected<AppleEvent> got_;
};

class AppleEventTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    const std::string run = home->path() + "/run";
    ASSERT_EQ(::mkdir(run.c_str(), 0700), 0);
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    oldrun_ = old ? old : "";
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    std::string why;
    ASSERT_TRUE(joinprograms("Kestrove", &why)) << why;
    folder = joinedfolder();
    transcriptclear();
  }
  void TearDown() override {
    peer.reset();
    closeremoterequests();
    leaveprograms();
    if (oldrun_.empty()) unsetenv("XDG_RUNTIME_DIR");
    else setenv("XDG_RUNTIME_DIR", oldrun_.c_str(), 1);
    EventLoopTest::TearDown();
  }

  // One window, one card with field 1; the card logs each "appleEvent" and, by the global
  // `mode`, reads the request ("read"), keeps it from its default handling ("keep") or lets
  // it pass (anything else).
  static testproject::Project project() {
    testproject::Project p;
    testproject::Window w;
    w.name = "Main";
    w.backgrounds = {testproject::Background{"Plain", "", {}}};
    testproject::Card c;
    c.name = "One";
    c.script =
        "on appleEvent cls, eid, who\n"
        "  global log, mode\n"
        "  put cls && eid && who & \",\" after log\n"
        "  if mode is \"read\" then\n"
        "    request appleEvent class\n    put it & \",\" after log\n"
        "    request appleEvent data\n    put it & \",\" after log\n"
        "    request appleEvent sender\n    put it & \",\" after log\n"
        "    exit appleEvent\n"
        "  end if\n"
        "  if mode is \"keep\" then exit appleEvent\n"
        "  pass appleEvent\n"
        "end appleEvent\n"
        "function total a, b\n  return a + b\nend total\n"
        "on askself\n  request \"6*7\" from program \"Kestrove\"\n  put it into field 1\nend askself\n"
        "on quitKestrove\n  global log\n  put \"quitKestrove,\" after log\nend quitKestrove\n";
    testproject::Object f;
    f.kind = testproject::Object::field;
    f.name = "F";
    w.backgrounds[0].objects = {f};
    w.cards = {c};
    p.windows = {w};
    return p;
  }

  void openmain() { ASSERT_EQ(openproject(project()), 0); }
  void setmode(std::string_view mode) {
    ASSERT_EQ(doline("global mode\rput \"" + std::string(mode) + "\" into mode"), 0);
  }

  // Sends a request from a peer (on a thread, as another program would) while the event loop
  // runs here; the reply's error number, the reply in `out`.
  OSErr fromprogram(u32 sender, const AppleEvent& e, AppleEvent* out, bool wait = true) {
    OSErr err = noErr;
    whilelooping([&] { err = sendrequest(folder, ownprogramid(), sender, e, wait, 5000, out, nullptr, nullptr); });
    return err;
  }
  // Runs `send` on a thread (as another program sends) while the event loop runs here.
  void whilelooping(const std::function<void()>& send) {
    std::atomic<bool> done{false};
    std::thread t([&] {
      send();
      done = true;
    });
    try {
      for (int i = 0; i < 2000 && !done; ++i) {
        passes(1);
        std::this_thread::sleep_for(1ms);
      }
      passes(2);
    } catch (...) {
      t.join();
      throw;
    }
    t.join();
  }
  // A request from the peer "Peer"; the reply.
  AppleEvent frompeer(const AppleEvent& e) {
    if (!peer) peer = std::make_unique<TestPeer>(folder, 4242, "Peer");
    AppleEvent out;
    EXPECT_EQ(fromprogram(peer->id(), e, &out), noErr);
    return out;
  }
  // A request from the program "Far" of another machine, over TCP to this program's port
  // (opened on the loopback address, whatever the preference says).
  AppleEvent overtcp(const AppleEvent& e) {
    if (!ownremoteendpoint()) {
      std::string why;
      EXPECT_TRUE(openremoterequests("Kestrove", 0, true, answerprocesslist, &why)) << why;
    }
    const std::string url = "eppc://127.0.0.1:" + std::to_string(ownremoteendpoint()->port()) + "/Kestrove";
    AppleEvent out;
    OSErr err = noErr;
    whilelooping([&] { err = sendremoterequest(url, "Far", e, true, 5000, &out, nullptr, nullptr); });
    EXPECT_EQ(err, noErr);
    return out;
  }
  // A request from a program on another machine, injected as the transport delivers one.
  AppleEvent fromremote(const AppleEvent& e) {
    injectremoteevent(e, "eppc://10.0.0.9/Far");
    passes(2);
    AppleEvent out;
    EXPECT_TRUE(takeinjectedreply(&out));
    return out;
  }
  std::string field() { return cardvalue("field 1"); }
  std::string result() { return cardvalue("the result"); }
  static std::string resulttext(i16 n) {
    const u8* s = resultstr(n);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  // Result text 31 with an error number in it.
  static std::string failedtext(i16 err) {
    std::string t = resulttext(31);
    return t.replace(t.find("%d"), 2, std::to_string(err));
  }

  using Sender = std::function<AppleEvent(const AppleEvent&)>;
  void scriptrequestsrun(const Sender& from);
  void refusedbydefault(const Sender& fromfar, const std::string& sender);

  std::string folder;
  std::unique_ptr<TestPeer> peer;
  std::string oldrun_;
};

// With no window open, the launch request's open documents runs its default handling at once:
// the project opens and no "appleEvent" is sent.
TEST_F(AppleEventTest, TheLaunchRequestOpensWithoutTheMessage) {
  build(project(), "p.kv45");
  postlaunchrequest({home->path() + "/p.kv45"});
  passes(2);
  ASSERT_EQ(mainglobals().numwinds, 1);
  EXPECT_EQ(transcribed({"openCard", "appleEvent"}), "openCard,");
  EXPECT_EQ(log(), "");
}

// With a window open, a request becomes "appleEvent" with its class, id and sender; the
// handler reads it, and keeping it from the default handling keeps the document closed.
TEST_F(AppleEventTest, OpenDocumentsComesAsTheMessageAndTheHandlerDecides) {
  openmain();
  build(project(), "q.kv45");
  const std::string path = home->path() + "/q.kv45";
  AppleEvent odoc = request("aevt", "odoc", {}, false);
  AEDesc list;
  AECreateList(false, &list);
  AEPutPtr(&list, 0, typeFileURL, path.data(), Size(path.size()));
  AEPutParamDesc(&odoc, keyDirectObject, list);

  setmode("read");
  frompeer(odoc);
  EXPECT_EQ(log(), "aevt odoc Peer,aevt," + path + ",Peer,");
  EXPECT_EQ(mainglobals().numwinds, 1) << "a handler that does not pass keeps the document closed";
  clearlog();
  setmode("pass");
  frompeer(odoc);
  EXPECT_EQ(log(), "aevt odoc Peer,");
  EXPECT_EQ(mainglobals().numwinds, 2);

  // A quote in the sender's name would end its parameter: it is dropped.
  TestPeer quoted(folder, 4243, "Pe\"er");
  clearlog();
  setmode("keep");
  AppleEvent out;
  EXPECT_EQ(fromprogram(quoted.id(), request("misc", "dosc", "beep"), &out), noErr);
  EXPECT_EQ(log(), "misc dosc Peer,");
}

// The forms of `request appleEvent` and `reply`, outside a request and inside one.
TEST_F(AppleEventTest, ReadingAndAnsweringTheCurrentRequest) {
  openmain();
  EXPECT_EQ(doline("reply \"x\""), 0);
  EXPECT_EQ(result(), resulttext(28));
  EXPECT_EQ(doline("request appleEvent class"), 0);
  EXPECT_EQ(result(), resulttext(28));

  AppleEvent e = request("misc", "dosc", "the data");
  AppleEvent answer = reply();
  CurrentRequest& c = currentrequest();
  c.gotit = &e;
  c.sendit = &answer;
  c.currentclass = fourcc("misc");
  c.currentid = fourcc("dosc");
  failrows({{"request appleEvent foo", "", "error 2"},
            {"request appleEvent data of x", "", "error 128"},
            {"request appleEvent class with", "", "error 19"},
            {"request appleEvent return", "", "error 2"},
            {"reply \"x\" with keyword \"ab\"", "", "error 129"}});
  cardrows({{"request appleEvent id\rput it into field 1", "field 1", "dosc"},
            {"request appleEvent data\rput it into field 1", "field 1", "the data"},
            {"request appleEvent data with keyword \"zzzz\"\rput it into field 1", "field 1", ""},
            {"", "the result", resulttext(9)},
            {"request appleEvent data with keyword \"evcl\"\rput it into field 1", "field 1", "misc"},
            {"reply \"fine\"", "", ""},
            {"reply error \"bad\" with keyword \"errs\"", "", ""}});
  EXPECT_EQ(textparam(answer, keyDirectObject), "fine");
  EXPECT_EQ(textparam(answer, keyErrorString), "bad");
  c = CurrentRequest{};
}

// With remote requests allowed, evaluate, do script and subroutine calls run whole, from a
// program here and from one on another machine.
void AppleEventTest::scriptrequestsrun(const Sender& from) {
  openmain();
  remoterequeststate().remoterequests = 1;
  setmode("pass");
  EXPECT_EQ(textparam(from(request("misc", "eval", "6*7")), keyDirectObject), "42");
  EXPECT_EQ(textparam(from(request("misc", "eval", "`a` & `b`")), keyDirectObject), "ab");
  const std::string longer = "`" + std::string(290, 'x') + "` & `yz`";
  EXPECT_EQ(textparam(from(request("misc", "eval", longer)), keyDirectObject), std::string(290, 'x') + "yz")
      << "an expression past 255 characters is evaluated whole";
  AppleEvent failed = from(request("misc", "eval", "1 +"));
  const i16 n = errnof(failed);
  ASSERT_GT(n, 0);
  Str255 s{};
  scripterrortext(n, s);
  EXPECT_EQ(textparam(failed, keyErrorString), std::string(reinterpret_cast<const char*>(s + 1), s[0]));

  from(request("misc", "dosc", "put `a` into field 1"));
  from(request("misc", "dosc", "put `b` after field 1"));
  EXPECT_EQ(field(), "ab");
  AppleEvent toolong = from(
      request("misc", "dosc",
              "put 1 into field 1\rput \"" + std::string(290, 'x') + "\" into field 1\rput 3 into field 1"));
  EXPECT_EQ(errnof(toolong), 14);
  EXPECT_EQ(field(), "1") << "the lines before it ran, those after did not";

  AppleEvent call = request("ascr", "psbr", {}, false);
  AEPutParamPtr(&call, fourcc("snam"), typeChar, "docommand", 9);
  AEDesc words;
  AECreateList(false, &words);
  for (const char* w : {"put", "7", "into", "field", "1"}) AEPutPtr(&words, 0, typeChar, w, Size(std::strlen(w)));
  AEPutParamDesc(&call, keyDirectObject, words);
  from(call);
  EXPECT_EQ(field(), "7");
  AEPutParamPtr(&call, fourcc("snam"), typeChar, "total", 5);
  AEDesc numbers;
  AECreateList(false, &numbers);
  AEPutPtr(&numbers, 0, typeChar, "1", 1);
  AEPutPtr(&numbers, 0, typeChar, "2", 1);
  AEPutParamDesc(&call, keyDirectObject, numbers);
  EXPECT_EQ(textparam(from(call), keyDirectObject), "3");
}

TEST_F(AppleEventTest, ScriptRequestsRunAndAnswer) {
  scriptrequestsrun([this](const AppleEvent& e) { return frompeer(e); });
}
TEST_F(AppleEventTest, ScriptRequestsOverTcpRunAndAnswerWhenAllowed) {
  scriptrequestsrun([this](const AppleEvent& e) { return overtcp(e); });
}

// Unless the user allows it, requests that run script are refused when they come from another
// machine (injected, or over TCP); the same user's programs here are served.
void AppleEventTest::refusedbydefault(const Sender& fromfar, const std::string& sender) {
  openmain();
  setmode("pass");
  ASSERT_EQ(remoterequeststate().remoterequests, 0);
  AppleEvent call = request("ascr", "psbr", {}, false);
  AEPutParamPtr(&call, fourcc("snam"), typeChar, "docommand", 9);
  AEDesc words;
  AECreateList(false, &words);
  for (const char* w : {"put", "9", "into", "field", "1"}) AEPutPtr(&words, 0, typeChar, w, Size(std::strlen(w)));
  AEPutParamDesc(&call, keyDirectObject, words);
  for (const AppleEvent& e : {request("misc", "dosc", "put 5 into field 1"), request("misc", "eval", "6*7"), call,
                              request("ANSR", "QUIL", "ping\ranswer")}) {
    clearlog();
    AppleEvent out = fromfar(e);
    EXPECT_EQ(errnof(out), errAEEventNotHandled);
    EXPECT_EQ(textparam(out, keyErrorString), resulttext(114));
    EXPECT_FALSE(hasparam(out, keyDirectObject));
    EXPECT_NE(log().find(" " + sender + ","), std::string::npos) << "the handler sees every request: " << log();
  }
  EXPECT_EQ(field(), "") << "nothing ran";

  // The same requests from a program of this user here run.
  frompeer(request("misc", "dosc", "put 5 into field 1"));
  EXPECT_EQ(field(), "5");
  // Its open-documents request still opens.
  build(project(), "r.kv45");
  const std::string path = home->path() + "/r.kv45";
  AppleEvent odoc = request("aevt", "odoc", path);
  fromfar(odoc);
  EXPECT_EQ(mainglobals().numwinds, 2);
  // The command line's evaluation is the program's own.
  std::string value;
  EXPECT_EQ(kv::evaluatetext("6*7", &value), 0);
  EXPECT_EQ(value, "42");
}

TEST_F(AppleEventTest, ScriptRequestsFromAnotherMachineAreRefusedByDefault) {
  refusedbydefault([this](const AppleEvent& e) { return fromremote(e); }, "eppc://10.0.0.9/Far");
}
TEST_F(AppleEventTest, ScriptRequestsOverTcpAreRefusedByDefault) {
  refusedbydefault([this](const AppleEvent& e) { return overtcp(e); }, "eppc://127.0.0.1/Far");
}

// Terminology requests are refused without a message; a wheel request of the wrong size is
// taken and does nothing; a quit while the shell is busy is refused.
TEST_F(AppleEventTest, RefusedAndIgnoredRequestsAndQuitting) {
  openmain();
  setmode("pass");
  EXPECT_EQ(errnof(frompeer(request("ascr", "gdte", ""))), errAEEventNotHandled);
  EXPECT_EQ(log(), "") << "no appleEvent for a terminology request";
  AppleEvent wheel = request("MDOX", "mwhl", {}, false);
  const std::string fifteen(15, '\0');
  AEPutParamPtr(&wheel, keyDirectObject, typeEventRecord, fifteen.data(), 15);
  EXPECT_EQ(errnof(frompeer(wheel)), 0);
  EXPECT_EQ(log(), "");

  aerequeststate().busyref[1] = 7;
  transcriptclear();
  EXPECT_EQ(errnof(frompeer(request("aevt", "quit", {}, false))), 1);
  EXPECT_EQ(mainglobals().numwinds, 1) << "nothing closes";
  EXPECT_NE(transcripttext().find("beep"), std::string::npos) << transcripttext();
  aerequeststate().busyref[1] = 0;

  // Without it the program quits as its quit command does.
  if (!peer) peer = std::make_unique<TestPeer>(folder, 4242, "Peer");
  int ended = -1;
  try {
    fromprogram(peer->id(), request("aevt", "quit", {}, false), nullptr, false);
    passes(5);
  } catch (const ProcessExit& x) {
    ended = x.status;
  }
  EXPECT_EQ(ended, 0);
  EXPECT_NE(transcribed({"quitKestrove"}).find("quitKestrove"), std::string::npos);
}

// Scripts send requests to another program and read its replies.
TEST_F(AppleEventTest, SendingToAnotherProgram) {
  openmain();
  peer = std::make_unique<TestPeer>(folder, 4242, "Peer");
  peer->setanswer([](const AppleEvent& e) {
    AppleEvent r = reply();
    const std::string text = textparam(e, keyDirectObject);
    if (text == "1+1") AEPutParamPtr(&r, keyDirectObject, typeChar, "2", 1);
    if (text == "fail") {
      const i16 n = 5;
      AEPutParamPtr(&r, keyErrorNumber, typeSInt16, &n, 2);
      AEPutParamPtr(&r, keyErrorString, typeChar, "boom", 4);
    }
    return r;
  });
  ASSERT_EQ(doline("send \"beep\" to program \"Peer\" without reply"), 0);
  ASSERT_EQ(doline("send empty to program \"*::Peer\" with \"aevtquit\""), 0);
  auto got = peer->received(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(codeattr(got[0].first, keyEventClassAttr), fourcc("misc"));
  EXPECT_EQ(codeattr(got[0].first, keyEventIDAttr), fourcc("dosc"));
  EXPECT_EQ(textparam(got[0].first, keyDirectObject), "beep");
  EXPECT_FALSE(got[0].second) << "sent without waiting";
  EXPECT_EQ(codeattr(got[1].first, keyEventClassAttr), fourcc("aevt"));
  EXPECT_EQ(codeattr(got[1].first, keyEventIDAttr), fourcc("quit"));
  EXPECT_FALSE(hasparam(got[1].first, keyDirectObject));

  failrows({{"request \"1\" from \"Peer\"", "", "error 127"},
            {"send \"x\" to program \"Peer\" with \"misc\" queue reply", "", "error 19"}});
  cardrows({{"send \"fail\" to program \"Peer\"", "the result", "boom"},
            {"request \"1+1\" from program \"Peer\"\rput it into field 1", "field 1", "2"},
            {"send \"x\" to program \"NoSuchProgram\"", "the result", resulttext(35)},
            {"request \"1\" from program \"EPPC://10.0.0.9/Far\"", "the result", failedtext(noResponseErr)},
            {"", "the programs", "Kestrove\rPeer"}});

  // A program that never answers: the wait ends at the time-out.
  peer->setanswer(nullptr);
  cardrows({{"set the appleEventTimeout to 30\rsend \"x\" to program \"Peer\"", "the result", resulttext(30)}});
}

// Requests to this program never touch its socket: one waited for runs at once, one not
// waited for arrives with the next event fetch; while a script of another language runs, the
// program's own activate request is refused.
TEST_F(AppleEventTest, RequestsToItself) {
  openmain();
  setmode("pass");
  ASSERT_EQ(doline("askself"), 0);
  EXPECT_EQ(field(), "42");
  EXPECT_EQ(log(), "misc eval Kestrove,");

  build(project(), "s.kv45");
  clearlog();
  ASSERT_EQ(doline("send \"" + home->path() + "/s.kv45\" to program \"Kestrove\" with \"aevtodoc\" without reply"), 0);
  EXPECT_EQ(log(), "");
  EXPECT_EQ(mainglobals().numwinds, 1);
  passes(3);
  EXPECT_EQ(log(), "aevt odoc Kestrove,");
  EXPECT_EQ(mainglobals().numwinds, 2);

  osarunstate().runningosa = 1;
  clearlog();
  cardrows({{"send empty to program \"Kestrove\" with \"miscactv\"", "the result",
             "Got error number -1708 from Apple\xA8 event"}});
  EXPECT_EQ(log(), "");
  ASSERT_EQ(doline("send empty to program \"Kestrove\" with \"aevtoapp\""), 0);
  EXPECT_EQ(log(), "aevt oapp Kestrove,");
  osarunstate().runningosa = 0;
}

// The companion editor's hand-over: fresh (at most 5 seconds old) it opens its window at its
// card; otherwise it opens nothing. Either way the keys are reset.
TEST_F(AppleEventTest, TheEditorsHandOverIsReadOnce) {
  testproject::Project two = project();
  two.windows[0].cards.push_back(testproject::Card{"Two", "", 0, {}, {}});
  build(two, "h.kv45");
  const std::string path = home->path() + "/h.kv45";
  ASSERT_EQ(open("h.kv45"), 0);
  ASSERT_EQ(doline("go to card 2"), 0);
  // The last word of "window id N" and "card id N".
  auto lastnumber = [](const std::string& t) { return std::stoll(t.substr(t.find_last_not_of("0123456789") + 1)); };
  const std::string wtext = cardvalue("the id of this window"), ctext = cardvalue("the id of this card");
  ASSERT_TRUE(!wtext.empty() && std::isdigit(u8(wtext.back())) && !ctext.empty() && std::isdigit(u8(ctext.back())));
  const i64 windid = lastnumber(wtext), cardid = lastnumber(ctext);
  closeallwindows();
  setdatetime(3'000'000'000);
  for (auto [age, opens] : {std::pair{i64(5), true}, {6, false}, {-1, false}, {i64(3'000'000'000), false}}) {
    SCOPED_TRACE(age);
    mainglobals().fromeditor = 0;
    setpreference(kRuntimeDomain, "trantime", PrefValue::ofnumber(3'000'000'000 - age));
    setpreference(kRuntimeDomain, "tranfile", PrefValue::ofdata(std::vector<u8>(path.begin(), path.end())));
    setpreference(kRuntimeDomain, "tranwind", PrefValue::ofnumber(windid));
    setpreference(kRuntimeDomain, "trancard", PrefValue::ofnumber(cardid));
    AppleEvent oapp = request("aevt", "oapp", {}, false);
    CurrentRequest& c = currentrequest();
    c.gotit = &oapp;
    c.currentclass = fourcc("aevt");
    c.currentid = fourcc("oapp");
    // No window is open: a stale hand-over leaves the choice to the user, who cancels.
    int ended = -1;
    try {
      if (!opens) queueanswer(Answer{"answer file", "", {}});
      (void)comappleevent({}, nilhandle, nilhandle, 0, nilhandle);  // the quit ends it
    } catch (const ProcessExit& x) {
      ended = x.status;
    }
    c = CurrentRequest{};
    EXPECT_EQ(mainglobals().numwinds, opens ? 1 : 0);
    if (opens) {
      EXPECT_EQ(cardvalue("the short name of this card"), "Two") << "at the card handed over";
    }
    EXPECT_EQ(ended, opens ? -1 : 0);
    EXPECT_EQ(getpreference(kRuntimeDomain, "trantime")->number, 0);
    EXPECT_EQ(getpreference(kRuntimeDomain, "tranwind")->number, 0);
    EXPECT_EQ(getpreference(kRuntimeDomain, "trancard")->number, 0);
    EXPECT_FALSE(getpreference(kRuntimeDomain, "tranfile").has_value());
    closeallwindows();
  }
}

// Scripts reach a program of another machine over TCP while the user allows it; without
// that nothing leaves the machine (-906), and the program does not listen either.
TEST_F(AppleEventTest, SendingToAProgramOfAnotherMachine) {
  openmain();
  RemotePeer far("Peer");
  ASSERT_TRUE(far.opened);
  std::string why;
  ASSERT_TRUE(listenforremoterequests(&why)) << why;
  EXPECT_EQ(ownremoteendpoint(), nullptr) << "nothing listens while remote requests are off";
  cardrows({{"request \"1+1\" from program \"" + far.url("Peer") + "\"", "the result", failedtext(noResponseErr)}});
  EXPECT_TRUE(far.received(0).empty());

  remoterequeststate().remoterequests = 1;
  cardrows({{"request \"1+1\" from program \"" + far.url("Peer") + "\"\rput it into field 1", "field 1", "2"},
            {"send \"x\" to program \"" + far.url("Nobody") + "\"", "the result", resulttext(35)}});
  ASSERT_EQ(doline("send \"beep\" to program \"" + far.url("peer") + "\" without reply"), 0);
  const std::vector<AppleEvent> got = far.received(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(textparam(got[1], keyDirectObject), "beep");
  EXPECT_EQ(codeattr(got[1], keyEventIDAttr), fourcc("dosc"));
  AEDesc from;
  ASSERT_EQ(AEGetAttributeDesc(got[1], keyAddressAttr, typeWildCard, &from), noErr);
  EXPECT_EQ(std::string(from.data.begin(), from.data.end()), "eppc://127.0.0.1/Kestrove") << "named as it joined";
}

// A request that comes while a file dialog is up waits until the dialog has gone, then runs
// and is answered as if it had just come; every one that came is kept, in order.
TEST_F(AppleEventTest, RequestsWhileAFileDialogIsUpRunWhenItHasGone) {
  openmain();
  setmode("pass");
  build(project(), "d.kv45");
  const std::string path = home->path() + "/d.kv45";
  peer = std::make_unique<TestPeer>(folder, 4242, "Peer");
  std::atomic<bool> done{false};
  AppleEvent answer;
  OSErr err = 1;
  std::thread t([&] {
    err = sendrequest(folder, ownprogramid(), peer->id(), request("misc", "eval", "6*7"), true, 20000, &answer, nullptr,
                      nullptr);
    done = true;
  });
  struct Joined {
    std::thread& t;
    ~Joined() { t.join(); }
  } joined{t};
  EventRecord e{};
  for (int i = 0; i < 2000 && !EventAvail(highLevelEventMask, &e); ++i) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(e.what, kHighLevelEvent) << "the peer's request is waiting";
  injectremoteevent(request("aevt", "odoc", path), "eppc://10.0.0.9/Far");

  queueanswer(Answer{"answer file", path, {}});
  ASSERT_EQ(doline("answer file \"Which?\"\rput it into field 1\r"
                   "request \"6*7\" from program \"Kestrove\"\rput it after field 1"),
            0);
  EXPECT_EQ(field(), path + "42") << "the script's own request runs once the dialog has gone";
  EXPECT_EQ(log(), "misc eval Kestrove,") << "the others did not run while the dialog was up";
  EXPECT_NE(aerequeststate().aependingevent, 0u);
  EXPECT_FALSE(done);
  AppleEvent out;
  EXPECT_FALSE(takeinjectedreply(&out)) << "not answered yet";

  for (int i = 0; i < 2000 && !done; ++i) {
    passes(1);
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_TRUE(done);
  EXPECT_EQ(err, noErr);
  EXPECT_EQ(textparam(answer, keyDirectObject), "42");
  EXPECT_EQ(log(), "misc eval Kestrove,misc eval Peer,aevt odoc eppc://10.0.0.9/Far,");
  EXPECT_TRUE(takeinjectedreply(&out));
  EXPECT_EQ(errnof(out), 0);
  EXPECT_EQ(mainglobals().numwinds, 2) << "the document opened";
  EXPECT_EQ(aerequeststate().aependingevent, 0u);
}

// A second kestrove on this machine, with remote requests allowed in the user's preferences,
// asks this program over TCP: its evaluation and do script are refused while this program does
// not allow remote requests, and are answered and run once it does.
TEST_F(AppleEventTest, ASecondKestroveAsksOverTcp) {
  openmain();
  setmode("pass");
  setpreference(kRuntimeDomain, kRemoteRequestsKey, PrefValue::ofstring("Yes"));
  synchronizepreferences(kRuntimeDomain);
  std::string why;
  ASSERT_TRUE(openremoterequests("Kestrove", 0, true, answerprocesslist, &why)) << why;
  const std::string url = "eppc://127.0.0.1:" + std::to_string(ownremoteendpoint()->port()) + "/Kestrove";
  // Runs the other kestrove with a --do line and then --eval EXPR; what it printed.
  auto other = [&](const std::string& line, const std::string& expr) {
    const std::string out = home->path() + "/other.txt";
    std::vector<std::string> args{KV_TEST_KESTROVE, "--headless", "--do", line, "--eval", expr};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, KV_TEST_KESTROVE, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    if (spawned != 0) return std::string("(not started)");
    int status = -1;
    for (int i = 0; i < 60000 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) {
      passes(1);
      std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  const std::string ask = "request \"6*7\" from program \"" + url + "\"";
  const std::string put = "send \"put 5 into field 1\" to program \"" + url + "\"";
  EXPECT_EQ(other(ask, "it & \"|\" & the result"), "|" + resulttext(114) + "\n");
  EXPECT_EQ(other(put, "the result"), resulttext(114) + "\n");
  EXPECT_EQ(log(), "misc eval eppc://127.0.0.1/Kestrove,misc dosc eppc://127.0.0.1/Kestrove,");
  EXPECT_EQ(field(), "") << "refused: this program does not allow remote requests";
  remoterequeststate().remoterequests = 1;
  EXPECT_EQ(other(ask, "it & \"|\" & the result"), "42|\n");
  EXPECT_EQ(other(put, "the result"), "\n");
  EXPECT_EQ(field(), "5");
}

}  // namespace
}  // namespace kv
