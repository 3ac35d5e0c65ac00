// One kestrove per user and display: a later instance hands its projects to the running one
// through the link to its request socket in the user's runtime folder, where they come as an
// open-documents request; the socket is the user's alone and a peer of another user is refused.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/ipc/appleevents.h"
#include "platform/ipc/instance.h"
#include "platform/ipc/programs.h"
#include "platform/testing/temphome.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

// Sets an environment variable while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (old) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

// The paths of an open-documents request.
std::vector<std::string> pathsof(const HighLevelRequest& r) {
  std::vector<std::string> out;
  if (!r.event) return out;
  AEDesc list;
  i32 n = 0;
  if (AEGetParamDesc(*r.event, keyDirectObject, typeAEList, &list) != noErr || AECountItems(list, &n) != noErr)
    return out;
  for (i32 i = 1; i <= n; ++i) {
    AEDesc item;
    if (AEGetNthDesc(list, i, typeFileURL, nullptr, &item) == noErr)
      out.emplace_back(item.data.begin(), item.data.end());
  }
  return out;
}

class InstanceTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    runtime_ = home_.path() + "/run";
    ASSERT_EQ(::mkdir(runtime_.c_str(), 0700), 0);
    std::string why;
    ASSERT_TRUE(joinprograms("Kestrove", &why)) << why;
  }
  void TearDown() override {
    stoplisteningforinstances();
    leaveprograms();
    RuntimeTest::TearDown();
  }

  // Takes the open-documents requests that came in (answering each), as the event loop does.
  void serve(std::vector<std::vector<std::string>>* taken) {
    takeincomingrequests();
    EventRecord e{};
    while (WaitNextEvent(highLevelEventMask, &e, 0)) {
      HighLevelRequest r;
      if (!takehighlevelrequest(&r)) continue;
      if (r.eventid == fourcc("odoc")) taken->push_back(pathsof(r));
      if (ProgramEndpoint* ep = ownendpoint()) ep->answer(r.connection, AppleEvent{typeAppleEvent, {}, {}, {}});
    }
  }

  // Hands paths over from another thread (as another process would) while this one serves
  // the socket; the requests taken meanwhile, and whether the later instance was answered yes.
  bool handover(const std::vector<std::string>& paths, std::vector<std::vector<std::string>>* taken) {
    std::atomic<bool> done{false};
    bool ok = false;
    std::thread later([&] {
      std::string why;
      ok = handtorunninginstance(paths, &why);
      done = true;
    });
    for (int i = 0; i < 1000 && !done; ++i) {
      serve(taken);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    later.join();
    serve(taken);
    return ok;
  }

  TemporaryHome home_;
  std::string runtime_;
  ScopedEnv display_{"DISPLAY", ":57"};
  ScopedEnv run_{"XDG_RUNTIME_DIR", home_.path() + "/run"};
};

TEST_F(InstanceTest, ALaterInstanceHandsItsProjectsToTheRunningOne) {
  std::string why;
  EXPECT_FALSE(handtorunninginstance({"a.kv45"}, &why)) << "nobody listens yet";
  ASSERT_TRUE(listenforinstances(&why)) << why;
  const std::string path = instancesocketpath();
  EXPECT_EQ(path, runtime_ + "/kestrove/instance-_57.socket");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((runtime_ + "/kestrove").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  std::vector<std::vector<std::string>> taken;
  ASSERT_TRUE(handover({"b.kv45", "/p/c d.kv45"}, &taken));
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0], (std::vector<std::string>{std::string(cwd) + "/b.kv45", "/p/c d.kv45"}))
      << "relative paths are made absolute by the later instance";

  // Through the event loop the paths come as the desktop's open-documents request.
  std::thread later([] {
    std::string w;
    handtorunninginstance({"/p/e.kv45"}, &w);
  });
  EventRecord e{};
  bool got = false;
  for (int i = 0; i < 200 && !got; ++i) {
    got = WaitNextEvent(highLevelEventMask, &e, 1);
    if (!got) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  HighLevelRequest r;
  const bool held = got && takehighlevelrequest(&r);
  if (held) ownendpoint()->answer(r.connection, AppleEvent{typeAppleEvent, {}, {}, {}});
  later.join();
  ASSERT_TRUE(got);
  ASSERT_TRUE(held);
  EXPECT_EQ(r.eventid, fourcc("odoc"));
  EXPECT_EQ(pathsof(r), (std::vector<std::string>{"/p/e.kv45"}));

  stoplisteningforinstances();
  EXPECT_NE(::stat(path.c_str(), &st), 0) << "the socket goes with the instance";
  EXPECT_FALSE(handtorunninginstance({"a.kv45"}, &why));
}

TEST_F(InstanceTest, APeerOfAnotherUserIsRefused) {
  std::string why;
  ASSERT_TRUE(listenforinstances(&why)) << why;
  setinstanceowneruid(u32(::getuid()) + 1);
  std::vector<std::vector<std::string>> taken;
  EXPECT_FALSE(handover({"/p/x.kv45"}, &taken));
  EXPECT_TRUE(taken.empty());
  setinstanceowneruid(u32(::getuid()));
  EXPECT_TRUE(handover({"/p/x.kv45"}, &taken));
  EXPECT_EQ(taken.size(), 1u);
}

TEST_F(InstanceTest, ASocketLeftByAGoneInstanceIsReplacedAndTheFolderMadePrivate) {
  std::string why;
  ASSERT_TRUE(listenforinstances(&why)) << why;
  const std::string path = instancesocketpath();
  stoplisteningforinstances();
  // A killed instance leaves its socket file, bound and closed, with nobody listening.
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof a.sun_path);
  std::memcpy(a.sun_path, path.data(), path.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ::close(fd);
  EXPECT_FALSE(handtorunninginstance({"/p/a.kv45"}, &why));
  ASSERT_TRUE(listenforinstances(&why)) << why;
  std::vector<std::vector<std::string>> taken;
  EXPECT_TRUE(handover({"/p/a.kv45"}, &taken));
  stoplisteningforinstances();

  // A runtime folder others may enter is refused, and left as it is.
  ASSERT_EQ(::chmod((runtime_ + "/kestrove").c_str(), 0755), 0);
  ASSERT_FALSE(listenforinstances(&why));
  struct stat st {};
  ASSERT_EQ(::stat((runtime_ + "/kestrove").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
}

}  // namespace
}  // namespace kv
