// Requests between machines over TCP on the loopback address: an endpoint served on a thread
// of its own, as another machine's program serves its port, and senders and raw peers here.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc/remote.h"
#include "platform/net/tcp.h"
#include "tests/support/collected.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

std::string textof(const AEDesc& d) { return std::string(d.data.begin(), d.data.end()); }

std::string attribute(const AppleEvent& e, AEKeyword key, DescType* type = nullptr) {
  for (const auto& [k, d] : e.attributes) {
    if (k == key) {
      if (type) *type = d.descriptorType;
      return textof(d);
    }
  }
  return "(none)";
}

// An event as a sender that claims to be this machine's own program would make it.
AppleEvent posing(const std::string& direct) {
  AppleEvent e;
  const ProcessSerialNumber self{0, kCurrentProcess};
  AEDesc target;
  AECreateDesc(typeProcessSerialNumber, &self, 8, &target);
  AECreateAppleEvent(fourcc("misc"), fourcc("eval"), target, 0, 0, &e);
  AEPutAttributePtr(&e, keyOriginalAddressAttr, typeProcessSerialNumber, &self, 8);
  const i16 direct_call = kAEDirectCall;
  AEPutAttributePtr(&e, keyEventSourceAttr, typeSInt16, &direct_call, 2);
  AEPutParamPtr(&e, keyDirectObject, typeChar, direct.data(), Size(direct.size()));
  return e;
}

// The program "Far" of another machine: its port served on a thread; it keeps what came and
// answers each request that wants a reply with "42" (or holds it unanswered).
class FarProgram {
 public:
  explicit FarProgram(bool answers = true, int deadlinems = 10000) : answers_(answers) {
    ep_.setdeadline(deadlinems);
    std::string why;
    opened = ep_.open("Far", 0, true, nullptr, &why);
    thread_ = std::thread([this] { serve(); });
  }
  ~FarProgram() {
    stop_ = true;
    thread_.join();
  }
  std::string url(const std::string& name = "Far") const {
    return "eppc://127.0.0.1:" + std::to_string(ep_.port()) + "/" + name;
  }
  u16 port() const { return ep_.port(); }
  std::vector<IncomingRequest> received(std::size_t n) { return got_.atleast(n); }
  bool opened = false;

 private:
  void serve() {
    while (!stop_) {
      for (IncomingRequest& in : ep_.take(10)) {
        if (in.connection >= 0 && answers_) {
          AppleEvent r;
          AEDesc none;
          AECreateAppleEvent(fourcc("aevt"), fourcc("ansr"), none, 0, 0, &r);
          AEPutParamPtr(&r, keyDirectObject, typeChar, "42", 2);
          ep_.answer(in.connection, r);
        }
        got_.add(std::move(in));
      }
    }
  }
  RemoteEndpoint ep_;
  bool answers_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  Collected<IncomingRequest> got_;
};

// Whether the endpoint closed a raw connection within a few seconds (the read sees its end).
bool closedbypeer(TcpConnection& c) {
  u8 b[64];
  for (int i = 0; i < 50; ++i) {
    const i64 n = c.read(b, sizeof b, 100);
    if (n == 0) return true;
    if (n < 0 && c.poll(0) != TcpState::open) return true;
  }
  return false;
}

bool connect(TcpConnection& c, u16 port) {
  if (!c.start("127.0.0.1", port)) return false;
  for (int i = 0; i < 50; ++i)
    if (c.poll(100) == TcpState::open) return true;
  return false;
}

// What another machine says of itself is not believed: the receiver names the sender by the
// connection's address and the name it gave; the reply comes back on the connection.
TEST(RemoteRequests, TheReceiverStampsTheSenderAndTheReplyComesBack) {
  FarProgram far;
  ASSERT_TRUE(far.opened);
  AppleEvent reply;
  ASSERT_EQ(sendremoterequest(far.url("far"), "Near Side", posing("6*7"), true, 5000, &reply, nullptr, nullptr), noErr)
      << "the program's name is matched ignoring case";
  EXPECT_EQ(textof(reply.items.at(0).second), "42");
  std::vector<IncomingRequest> got = far.received(1);
  ASSERT_EQ(got.size(), 1u);
  DescType type = 0;
  EXPECT_EQ(attribute(got[0].event, keyAddressAttr, &type), "eppc://127.0.0.1/Near%20Side");
  EXPECT_EQ(type, typeApplicationURL);
  EXPECT_EQ(attribute(got[0].event, keyOriginalAddressAttr, &type), "eppc://127.0.0.1/Near%20Side");
  EXPECT_EQ(type, typeApplicationURL);
  i16 source = 0;
  ASSERT_EQ(AEGetAttributePtr(got[0].event, keyEventSourceAttr, typeSInt16, nullptr, &source, 2, nullptr), noErr);
  EXPECT_EQ(source, kAERemoteProcess);
  EXPECT_EQ(got[0].sendername, "Near Side");
  EXPECT_EQ(textof(got[0].event.items.at(0).second), "6*7");

  // Sent without waiting: it arrives with nowhere to answer.
  EXPECT_EQ(sendremoterequest(far.url(), "Near", posing("beep"), false, 5000, nullptr, nullptr, nullptr), noErr);
  got = far.received(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].connection, -1);

  // A request for a program that does not listen there is closed unanswered.
  EXPECT_EQ(sendremoterequest(far.url("Other"), "Near", posing("1"), true, 5000, &reply, nullptr, nullptr),
            connectionInvalid);
  EXPECT_EQ(far.received(0).size(), 2u) << "the refusal came after the endpoint had seen it";
  EXPECT_EQ(sendremoterequest("http://127.0.0.1/Far", "Near", posing("1"), true, 5000, &reply, nullptr, nullptr),
            procNotFoundErr);
}

// A peer that sends too much, something else, or too slowly is cut off, and holds no other
// request up meanwhile.
TEST(RemoteRequests, OversizedStrangeAndSlowPeersAreCutOff) {
  FarProgram far(true, 400);
  ASSERT_TRUE(far.opened);
  TcpConnection slow, big, strange;
  ASSERT_TRUE(connect(slow, far.port()));
  ASSERT_TRUE(connect(big, far.port()));
  ASSERT_TRUE(connect(strange, far.port()));
  const u8 half[10] = {0, 0, 0, 100, 'K', 'V', 'R', 'R', 0, 0};  // 100 bytes announced, 6 come
  ASSERT_EQ(slow.write(half, sizeof half), i64(sizeof half));
  const u8 huge[8] = {0x7F, 0xFF, 0xFF, 0xFF, 'K', 'V', 'R', 'R'};
  ASSERT_EQ(big.write(huge, sizeof huge), 8);
  const u8 other[8] = {0, 0, 0, 20, 'H', 'T', 'T', 'P'};
  ASSERT_EQ(strange.write(other, sizeof other), 8);

  AppleEvent reply;
  EXPECT_EQ(sendremoterequest(far.url(), "Near", posing("1"), true, 5000, &reply, nullptr, nullptr), noErr)
      << "answered while the slow peer still holds its connection";
  EXPECT_TRUE(closedbypeer(big));
  EXPECT_TRUE(closedbypeer(strange));
  EXPECT_TRUE(closedbypeer(slow)) << "closed at its deadline";
  EXPECT_EQ(far.received(1).size(), 1u);
}

// No program on the port, one that never answers, and a wait the user cancels.
TEST(RemoteRequests, NoListenerTimeOutAndCancel) {
  u16 port = 0;
  {
    RemoteEndpoint gone;
    std::string why;
    ASSERT_TRUE(gone.open("Gone", 0, true, nullptr, &why)) << why;
    port = gone.port();
  }
  AppleEvent reply;
  EXPECT_EQ(sendremoterequest("eppc://127.0.0.1:" + std::to_string(port) + "/Gone", "Near", posing("1"), true, 5000,
                              &reply, nullptr, nullptr),
            noResponseErr);

  FarProgram silent(false);
  ASSERT_TRUE(silent.opened);
  EXPECT_EQ(sendremoterequest(silent.url(), "Near", posing("1"), true, 300, &reply, nullptr, nullptr), errAETimeout);
  int asked = 0;
  auto cancel = [](void* c) { return ++*static_cast<int*>(c) >= 3; };
  EXPECT_EQ(sendremoterequest(silent.url(), "Near", posing("1"), true, -1, &reply, cancel, &asked), errAEWaitCanceled);
  EXPECT_EQ(asked, 3);
}

}  // namespace
}  // namespace kv
