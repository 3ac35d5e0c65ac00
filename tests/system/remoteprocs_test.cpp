// The remote process list: the byte stuffing of its frames, the request record, and whole
// exchanges with a small peer on the loopback address.
#include "system/remoteprocs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc/remote.h"
#include "platform/net/tcp.h"
#include "platform/prefs/prefs.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "system/cobs.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

std::vector<u8> stuff(const std::vector<u8>& in) {
  std::vector<u8> out(cobsencodedmax(in.size()));
  u8* e = out.data();
  COBSEncode(in.data(), in.size(), &e);
  out.resize(std::size_t(e - out.data()));
  return out;
}

std::vector<u8> unstuff(std::vector<u8> frame, bool* ended = nullptr) {
  std::vector<u8> out(frame.size() * 16 + 16);
  const u8* in = frame.data();
  u8* o = out.data();
  u16 st = 0;
  bool done = COBSDecode(&in, frame.size(), &o, out.size(), &st);
  if (ended) *ended = done;
  out.resize(std::size_t(o - out.data()));
  return out;
}

TEST(CobsTest, ZeroRunsAndPairsAreStuffedAsTheFormatSays) {
  std::vector<u8> zeros(300, 0);
  std::vector<u8> s = stuff(zeros);
  ASSERT_EQ(s.size(), 21u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(s[i], 0xDF);
  EXPECT_EQ(s[20], 0x01) << "the last code stands for the appended zero";
  EXPECT_EQ(stuff({'a', 'b', 0, 0}), (std::vector<u8>{0xE2, 'a', 'b', 0x01}));
  EXPECT_EQ(stuff({'a', 'b'}), (std::vector<u8>{0x03, 'a', 'b'}));
  EXPECT_EQ(stuff({}), (std::vector<u8>{0x01}));
  EXPECT_EQ(stuff({0, 0, 0}), (std::vector<u8>{0xD3, 0x01}));
  std::vector<u8> longrun(207, 'x');
  std::vector<u8> ls = stuff(longrun);
  EXPECT_EQ(ls.front(), 0xD0);
  EXPECT_EQ(ls.size(), 209u);
}

TEST(CobsTest, DecodingDropsTheZeroBeforeTheFrameEndAndRoundTrips) {
  bool ended = false;
  EXPECT_EQ(unstuff({0xE2, 'a', 'b', 0x01, 0x00}, &ended), (std::vector<u8>{'a', 'b', 0, 0}));
  EXPECT_TRUE(ended);
  std::vector<u8> in;
  for (int i = 0; i < 1000; ++i) in.push_back(u8(i % 7 == 0 || (i / 50) % 3 == 0 ? 0 : i));
  std::vector<u8> frame = stuff(in);
  for (u8 b : frame) ASSERT_NE(b, 0);
  frame.push_back(0);
  EXPECT_EQ(unstuff(frame), in);

  // One byte at a time, as the reader takes them, gives the same.
  std::vector<u8> out(in.size());
  u8* o = out.data();
  u16 st = 0;
  bool done = false;
  for (std::size_t i = 0; i < frame.size() && !done; ++i) {
    const u8* p = &frame[i];
    done = COBSDecode(&p, 1, &o, out.size() - std::size_t(o - out.data()), &st);
    ASSERT_NE(p, nullptr);
  }
  EXPECT_TRUE(done);
  EXPECT_EQ(out, in);
}

TEST(CobsTest, InvalidCodesAndShortRoomStopDecoding) {
  for (u8 bad : {u8(0xD1), u8(0xD2), u8(0xFF)}) {
    std::vector<u8> f{0x02, 'a', bad, 0x00};
    const u8* in = f.data();
    u8 out[8];
    u8* o = out;
    EXPECT_FALSE(COBSDecode(&in, f.size(), &o, sizeof out, nullptr));
    EXPECT_EQ(in, nullptr);
  }
  std::vector<u8> datazero{0x05, 'a', 0x00};
  const u8* in = datazero.data();
  u8 out[8];
  u8* o = out;
  EXPECT_FALSE(COBSDecode(&in, datazero.size(), &o, sizeof out, nullptr));
  EXPECT_EQ(in, nullptr) << "a zero inside a block's data";

  std::vector<u8> f{0xD5, 0x01, 0x00};
  in = f.data();
  o = out;
  u16 st = 0;
  EXPECT_FALSE(COBSDecode(&in, f.size(), &o, 3, &st)) << "the room runs out in the run";
  EXPECT_EQ(o - out, 3);
  EXPECT_TRUE(COBSDecode(&in, std::size_t(f.data() + f.size() - in), &o, 5, &st)) << "and goes on with more room";
  EXPECT_EQ(o - out, 5);
}

TEST(RemoteRequestTest, TheRequestRecord) {
  u8 r[kProcessRequestSize];
  buildprocessrequest(512, r);
  EXPECT_EQ(std::memcmp(r, "LPRT\0\0\x02\0\0\0\x01=", 12), 0);
  EXPECT_EQ(r[44], 0);
  EXPECT_EQ(r[45], 2);
  EXPECT_EQ(r[46], 1);
  EXPECT_EQ(r[47], '=');
  EXPECT_EQ(r[113], 0);
  EXPECT_EQ(programurl("eppc://host/", "Mail"), "eppc://host/Mail");
  EXPECT_EQ(programurl("eppc://host:4000", "Two Words"), "eppc://host:4000/Two%20Words");
  EXPECT_EQ(programurl("eppc://h/x/y", "\x8A"), "eppc://h/x/%C3%A4") << "Mac Roman a-umlaut as UTF-8";
}

// The peer: echoes the greeting, then answers each request with `records[i]` records.
struct PeerScript {
  std::vector<int> records;     // records to answer per request
  std::vector<u16> capacities;  // capacities asked
  std::vector<u8> greeting;     // what it answers to the greeting (empty: echo)
};

void serve(int s, void* context) {
  auto* ps = static_cast<PeerScript*>(context);
  u8 hello[12];
  if (!TcpTestPeer::readall(s, hello, 12)) return;
  if (ps->greeting.empty()) TcpTestPeer::writeall(s, hello, 12);
  else TcpTestPeer::writeall(s, ps->greeting.data(), ps->greeting.size());
  for (int count : ps->records) {
    std::vector<u8> frame;
    for (int b; (b = TcpTestPeer::readbyte(s)) > 0;) frame.push_back(u8(b));
    frame.push_back(0);
    std::vector<u8> req(kProcessRequestSize + 16);
    const u8* in = frame.data();
    u8* o = req.data();
    if (!COBSDecode(&in, frame.size(), &o, req.size(), nullptr)) return;
    ps->capacities.push_back(u16(req[6] << 8 | req[7]));
    std::vector<u8> recs(std::size_t(count) * kProcessRecordSize, 0);
    for (int i = 0; i < count; ++i) {
      std::string name = "App " + std::to_string(i + 1);
      recs[std::size_t(i) * kProcessRecordSize + 4] = u8(name.size());
      std::memcpy(&recs[std::size_t(i) * kProcessRecordSize + 5], name.data(), name.size());
    }
    std::vector<u8> out = stuff(recs);
    out.push_back(0);
    TcpTestPeer::writeall(s, out.data(), out.size());
  }
}

class RemoteProcessesTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    remoterequeststate().remoterequests = 1;
  }
};

TEST_F(RemoteProcessesTest, URLsAreCheckedBeforeAnyConnection) {
  std::vector<std::string> list;
  std::string error;
  EXPECT_FALSE(AEListProcessesOnRemoteMachine("", &list, &error));
  EXPECT_EQ(error, "Null URL");
  EXPECT_FALSE(AEListProcessesOnRemoteMachine("no scheme here", &list, &error));
  EXPECT_EQ(error, "Invalid CFURLRef");
  EXPECT_FALSE(AEListProcessesOnRemoteMachine("eppc:///path", &list, &error));
  EXPECT_EQ(error, "Invalid CFURLRef") << "no host";
  EXPECT_FALSE(AEListProcessesOnRemoteMachine("EPPC://127.0.0.1/", &list, &error));
  EXPECT_EQ(error, "Bad scheme in URL - only eppc:// allowed") << "the scheme test is case-sensitive";
  remoterequeststate().remoterequests = 0;
  EXPECT_FALSE(AEListProcessesOnRemoteMachine("eppc://127.0.0.1/", &list, &error));
  EXPECT_EQ(error, "Requests to other machines are not allowed");
}

TEST_F(RemoteProcessesTest, TheUserAllowsRemoteRequestsInThePreferences) {
  EXPECT_FALSE(remoterequestsallowed());
  setpreference(kRuntimeDomain, kRemoteRequestsKey, PrefValue::ofstring("Yes"));
  EXPECT_TRUE(remoterequestsallowed());
  setpreference(kRuntimeDomain, kRemoteRequestsKey, PrefValue::ofnumber(0));
  EXPECT_FALSE(remoterequestsallowed());
}

TEST_F(RemoteProcessesTest, TheProgramsOfAPeerComeBackAsURLs) {
  PeerScript ps{{3}, {}, {}};
  TcpTestPeer peer(serve, &ps);
  ASSERT_NE(peer.port(), 0);
  std::vector<std::string> list;
  std::string error;
  std::string url = "eppc://127.0.0.1:" + std::to_string(peer.port()) + "/";
  ASSERT_TRUE(AEListProcessesOnRemoteMachine(url, &list, &error)) << error;
  peer.join();
  EXPECT_EQ(list, (std::vector<std::string>{url + "App%201", url + "App%202", url + "App%203"}));
  EXPECT_EQ(ps.capacities, (std::vector<u16>{512}));
}

TEST_F(RemoteProcessesTest, AFullAnswerAsksAgainWithTwiceTheRoom) {
  PeerScript ps{{512, 600}, {}, {}};
  TcpTestPeer peer(serve, &ps);
  std::vector<std::string> list;
  std::string error;
  ASSERT_TRUE(AEListProcessesOnRemoteMachine("eppc://127.0.0.1:" + std::to_string(peer.port()), &list, &error))
      << error;
  peer.join();
  EXPECT_EQ(ps.capacities, (std::vector<u16>{512, 1024}));
  EXPECT_EQ(list.size(), 600u);
}

TEST_F(RemoteProcessesTest, FailuresGiveTheirTexts) {
  std::vector<std::string> list;
  std::string error;
  {
    PeerScript ps{{}, {}, {'T', 'C', 'P', 'X', 0, 0, 0, 0, 0, 0, 0, 0}};
    TcpTestPeer peer(serve, &ps);
    EXPECT_FALSE(AEListProcessesOnRemoteMachine("eppc://127.0.0.1:" + std::to_string(peer.port()), &list, &error));
    EXPECT_EQ(error, "Can't negotiate protocol with remote host");
  }
  {
    PeerScript ps{{0}, {}, {}};
    TcpTestPeer peer(serve, &ps);
    EXPECT_FALSE(AEListProcessesOnRemoteMachine("eppc://127.0.0.1:" + std::to_string(peer.port()), &list, &error));
    EXPECT_EQ(error, "No processes available on host");
  }
  EXPECT_FALSE(AEListProcessesOnRemoteMachine("eppc://no-such-host.invalid/", &list, &error));
  EXPECT_EQ(error, "Can't open connection to host");
}

// A program's own port answers the exchange with the program that listens there; a frame
// that is no request gets no answer.
TEST_F(RemoteProcessesTest, AProgramsPortListsTheProgramThatListens) {
  RemoteEndpoint port;
  std::string why;
  ASSERT_TRUE(port.open("Kestrove Two", 0, true, answerprocesslist, &why)) << why;
  std::atomic<bool> stop{false};
  std::thread served([&] {
    while (!stop) port.take(10);
  });
  const std::string url = "eppc://127.0.0.1:" + std::to_string(port.port()) + "/";
  std::vector<std::string> list;
  std::string error;
  const bool listed = AEListProcessesOnRemoteMachine(url, &list, &error);
  stop = true;
  served.join();
  ASSERT_TRUE(listed) << error;
  EXPECT_EQ(list, (std::vector<std::string>{url + "Kestrove%20Two"}));

  std::vector<u8> answer;
  const std::vector<u8> other = [] {
    std::vector<u8> f = stuff({'L', 'I', 'S', 'T', 0, 0, 2, 0});
    f.push_back(0);
    return f;
  }();
  EXPECT_FALSE(answerprocesslist(other.data(), other.size(), "K", &answer));
  const u8 invalid[] = {0x02, 'a', 0xFF, 0x00};
  EXPECT_FALSE(answerprocesslist(invalid, sizeof invalid, "K", &answer));
}

}  // namespace
}  // namespace kv
