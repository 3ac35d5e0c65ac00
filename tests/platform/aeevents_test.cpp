// The event layer between programs: the wire form byte for byte and its refusals, the
// coercions scripts read through, and the registry of running programs on the user's sockets.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ipc/aewire.h"
#include "platform/ipc/appleevents.h"
#include "platform/ipc/programs.h"
#include "platform/testing/temphome.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

AppleEvent event(const char (&cls)[5], const char (&id)[5]) {
  AppleEvent e;
  const ProcessSerialNumber self{0, kCurrentProcess};
  AEDesc target;
  AECreateDesc(typeProcessSerialNumber, &self, 8, &target);
  AECreateAppleEvent(fourcc(cls), fourcc(id), target, 0, 0, &e);
  return e;
}

std::vector<u8> encoded(const AppleEvent& e) {
  std::vector<u8> out;
  encodeevent(e, &out);
  return out;
}

std::string text(const AEDesc& d) { return std::string(d.data.begin(), d.data.end()); }

TEST(AEWire, NumbersAreBigEndianAndEveryFormRoundTrips) {
  AppleEvent e;
  e.descriptorType = typeAppleEvent;
  const u32 cls = fourcc("misc"), id = fourcc("eval");
  AEPutAttributePtr(&e, keyEventClassAttr, typeType, &cls, 4);
  AEPutAttributePtr(&e, keyEventIDAttr, typeType, &id, 4);
  const i16 n = -2;
  AEPutParamPtr(&e, keyErrorNumber, typeSInt16, &n, 2);
  const std::vector<u8> bytes = encoded(e);
  const std::vector<u8> want = {'m', 'i', 's', 'c', 'e', 'v', 'a', 'l',  // class, id
                                0,   0,   0,   2,                        // two attributes
                                'e', 'v', 'c', 'l', 't', 'y', 'p', 'e', 0,   0,   0, 0, 4, 'm',  'i',
                                's', 'c', 'e', 'v', 'i', 'd', 't', 'y', 'p', 'e', 0, 0, 0, 0,    4,
                                'e', 'v', 'a', 'l', 0,   0,   0,   1,  // one parameter
                                'e', 'r', 'r', 'n', 's', 'h', 'o', 'r', 0,   0,   0, 0, 2, 0xFF, 0xFE};
  EXPECT_EQ(bytes, want);

  // Lists inside records inside the event, texts with every byte value.
  AEDesc list, record;
  AECreateList(false, &list);
  AECreateList(true, &record);
  std::string all;
  for (int c = 0; c < 256; ++c) all += char(c);
  AEPutPtr(&list, 0, typeChar, all.data(), Size(all.size()));
  AEPutPtr(&list, 0, typeFileURL, "/p/a b.kv45", 11);
  record.items.emplace_back(fourcc("abcd"), list);
  AEPutParamDesc(&e, keyDirectObject, record);
  AppleEvent back;
  const std::vector<u8> whole = encoded(e);
  ASSERT_TRUE(decodeevent(whole.data(), whole.size(), &back));
  EXPECT_EQ(back, e);
}

TEST(AEWire, DamagedBlocksAreRefused) {
  AppleEvent e = event("aevt", "odoc");
  AEPutParamPtr(&e, keyDirectObject, typeChar, "hello", 5);
  const std::vector<u8> good = encoded(e);
  AppleEvent out;
  // Every cut short of the whole block, and one byte too many.
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(decodeevent(good.data(), n, &out)) << n;
  std::vector<u8> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(decodeevent(longer.data(), longer.size(), &out));
  // A length that runs past the block, a count larger than the block can hold.
  std::vector<u8> badlen = good;
  badlen[badlen.size() - 6] = 0x7F;
  EXPECT_FALSE(decodeevent(badlen.data(), badlen.size(), &out));
  std::vector<u8> badcount = {'a', 'e', 'v', 't', 'o', 'd', 'o', 'c', 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_FALSE(decodeevent(badcount.data(), badcount.size(), &out));

  // Lists 32 deep are read; 33 deep are not.
  auto nested = [](int depth) {
    AEDesc d;
    AECreateDesc(typeChar, "x", 1, &d);
    for (int i = 0; i < depth; ++i) {
      AEDesc l;
      AECreateList(false, &l);
      l.items.emplace_back(0, d);
      d = l;
    }
    AppleEvent n = event("misc", "dosc");
    AEPutParamDesc(&n, keyDirectObject, d);
    return encoded(n);
  };
  const std::vector<u8> ok = nested(kAEWireMaxDepth), deep = nested(kAEWireMaxDepth + 1);
  EXPECT_TRUE(decodeevent(ok.data(), ok.size(), &out));
  EXPECT_FALSE(decodeevent(deep.data(), deep.size(), &out));
}

class AECoercionTest : public RuntimeTest {};

TEST_F(AECoercionTest, TheCoercionsScriptsReadThrough) {
  AEDesc d;
  // Text and numbers both ways; a text that is no number does not coerce.
  ASSERT_EQ(AECoercePtr(typeChar, " -42 ", 5, typeSInt16, &d), noErr);
  i16 n = 0;
  std::memcpy(&n, d.data.data(), 2);
  EXPECT_EQ(n, -42);
  EXPECT_EQ(AECoercePtr(typeChar, "4x", 2, typeSInt16, &d), errAECoercionFail);
  EXPECT_EQ(AECoercePtr(typeChar, "40000", 5, typeSInt16, &d), errAECoercionFail);
  const i32 big = 123456;
  ASSERT_EQ(AECoercePtr(typeSInt32, &big, 4, typeChar, &d), noErr);
  EXPECT_EQ(text(d), "123456");
  // A code reads in reading order.
  const u32 code = fourcc("odoc");
  ASSERT_EQ(AECoercePtr(typeType, &code, 4, typeChar, &d), noErr);
  EXPECT_EQ(text(d), "odoc");
  // A path crosses into Mac Roman (é is 0x8E), and back.
  const std::string path = "/p/\xC3\xA9.kv45";
  ASSERT_EQ(AECoercePtr(typeFileURL, path.data(), Size(path.size()), typeChar, &d), noErr);
  EXPECT_EQ(text(d), "/p/\x8E.kv45");
  ASSERT_EQ(AECoerceDesc(d, typeFileURL, &d), noErr);
  EXPECT_EQ(text(d), path);
  // A list of one item reads as that item; a single descriptor reads as a list of one.
  AEDesc list;
  AECreateList(false, &list);
  AEPutPtr(&list, 0, typeChar, "one", 3);
  ASSERT_EQ(AECoerceDesc(list, typeChar, &d), noErr);
  EXPECT_EQ(text(d), "one");
  ASSERT_EQ(AECoercePtr(typeChar, "two", 3, typeAEList, &d), noErr);
  i32 count = 0;
  EXPECT_EQ(AECountItems(d, &count), noErr);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(AEGetNthDesc(d, 2, typeChar, nullptr, &d), errAEIllegalIndex);
}

// A test's own request folder under $XDG_RUNTIME_DIR.
class RegistryTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    run_ = home_.path() + "/run";
    ASSERT_EQ(::mkdir(run_.c_str(), 0700), 0);
    old_ = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", run_.c_str(), 1);
  }
  void TearDown() override {
    leaveprograms();
    if (old_.empty()) unsetenv("XDG_RUNTIME_DIR");
    else setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    RuntimeTest::TearDown();
  }
  TemporaryHome home_;
  std::string run_, old_;
};

TEST_F(RegistryTest, TheFolderAndSocketAreTheUsersAlone) {
  std::string why;
  ASSERT_TRUE(joinprograms("Kestrove", &why)) << why;
  const std::string folder = joinedfolder();
  EXPECT_EQ(folder, run_ + "/kestrove");
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat((folder + "/" + std::to_string(::getpid()) + ".socket").c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A peer joins through the same calls and is listed; one that went away is not.
  ProgramEndpoint peer;
  ASSERT_TRUE(peer.open(folder, 7, "Peer", u32(::getuid()), &why)) << why;
  std::vector<ProgramEntry> list = listprograms(folder);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, 7u);
  EXPECT_EQ(list[0].name, "Peer");
  peer.close();
  EXPECT_EQ(listprograms(folder).size(), 1u);
  // One that was killed leaves its files behind, with nobody listening: they go.
  ProgramEndpoint killed;
  ASSERT_TRUE(killed.open(folder, 8, "Gone", u32(::getuid()), &why)) << why;
  const std::string sock = folder + "/8.socket", name = folder + "/8.name";
  ASSERT_EQ(::rename(sock.c_str(), (sock + ".kept").c_str()), 0);
  ASSERT_EQ(::rename(name.c_str(), (name + ".kept").c_str()), 0);
  killed.close();
  ASSERT_EQ(::rename((sock + ".kept").c_str(), sock.c_str()), 0);
  ASSERT_EQ(::rename((name + ".kept").c_str(), name.c_str()), 0);
  EXPECT_EQ(listprograms(folder).size(), 1u);
  struct stat gone {};
  EXPECT_NE(::stat(name.c_str(), &gone), 0);
  EXPECT_EQ(sendrequest(folder, 7, 1, event("misc", "dosc"), false, 0, nullptr, nullptr, nullptr), procNotFoundErr);
  leaveprograms();

  // A folder others may enter is refused, and nothing joins.
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
  EXPECT_FALSE(joinprograms("Kestrove", &why));
  EXPECT_TRUE(requestfolder(&why).empty());
  EXPECT_NE(why.find("open to other users"), std::string::npos) << why;
}

TEST_F(RegistryTest, APeerOfAnotherUserIsRefused) {
  std::string why;
  const std::string folder = requestfolder(&why);
  ASSERT_FALSE(folder.empty()) << why;
  ProgramEndpoint peer;
  ASSERT_TRUE(peer.open(folder, 9, "Peer", u32(::getuid()), &why)) << why;
  peer.setcredentialreader([](int, u32* uid) {
    *uid = u32(::getuid()) + 1;
    return true;
  });
  EXPECT_EQ(sendrequest(folder, 9, 1, event("misc", "dosc"), false, 0, nullptr, nullptr, nullptr), noErr);
  EXPECT_TRUE(peer.take(200).empty()) << "a request from another user is dropped";
  peer.setcredentialreader(nullptr);
  EXPECT_EQ(sendrequest(folder, 9, 1, event("misc", "dosc"), false, 0, nullptr, nullptr, nullptr), noErr);
  std::vector<IncomingRequest> got = peer.take(200);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].connection, -1) << "no reply was asked for";
}

}  // namespace
}  // namespace kv
