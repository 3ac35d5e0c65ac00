// The picture buffers: keys, lookups, the least-recently-used limit, re-keying and freeing.
#include "render/pictbuffers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/textutil.h"
#include "platform/memory/addressspace.h"
#include "platform/memory/memory.h"
#include "platform/qd/qd.h"
#include "render/pictinfo.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "tests/support/fixture.h"
#include "tests/support/spots.h"
#include "tests/support/texts.h"

namespace kv {
namespace {

using testtexts::hand;
using testtexts::newhand;
using testtexts::str;

class PictBuffersTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    mainglobals().pictCache = 20;
  }
  void TearDown() override {
    for (spot& s : objects_)
      if (s.alt) dumpalt(s.alt);
    RuntimeTest::TearDown();
  }
  // A picture graphic with embedded data (or, with a path, a linked picture).
  spot& picture(u32 id, const std::string& data, bool linked = false) {
    spot s = testspots::newspot(spotgraphic, stylerectangle, id);
    s.flags = s.flags | spotpictinfo;
    EXPECT_EQ(New_PictInfoHandle(s), 1);
    // The picture is stored without being measured: these tests add its buffers themselves.
    EXPECT_EQ(setaltdata(s.alt, newhand(data), altpictdata), noErr);
    SetStorageMode(s.alt, linked ? pictlinked : pictembedded);
    objects_.push_back(s);
    return objects_.back();
  }
  // A buffer of kind 3 holding a small handle, appended for the object.
  i32 add(const spot& s) {
    pictbuffer b;
    b.kind = pictbufferhandle;
    b.image = NewHandle(4);
    const i32 i = addpictbuffer(s, &b);
    if (i < 0) DisposeHandle(b.image);
    return i;
  }
  static std::string keyat(i32 i) {
    pictbuffer b;
    EXPECT_TRUE(pictbufferat(i, &b));
    return hand(b.key);
  }
  static i64 stampat(i32 i) {
    pictbuffer b;
    EXPECT_TRUE(pictbufferat(i, &b));
    return b.stamp;
  }

  std::vector<spot> objects_;
};

TEST_F(PictBuffersTest, KeysNameThePathOrTheDataAndANumber) {
  objects_.reserve(4);
  const spot& linked = picture(7, std::string("/pics/cat.png\0\0", 15), true);
  Str255 key;
  ASSERT_TRUE(get_id_from_spot(linked, 3, key));
  EXPECT_EQ(str(key), "/pics/cat.png") << "trailing zero bytes are dropped";

  const spot& embedded = picture(8, "PICTDATA");
  ASSERT_TRUE(get_id_from_spot(embedded, 8, key));
  const Handle data = GetPictDataHandle(embedded.alt);
  EXPECT_EQ(str(key), "8" + std::to_string(u32(data)) + "8");
  ASSERT_TRUE(get_id_from_spot(embedded, -12, key));
  EXPECT_EQ(str(key), "8" + std::to_string(u32(data)) + "-12");

  const spot& empty = picture(9, "");
  EXPECT_FALSE(get_id_from_spot(empty, 9, key));
  const spot plain = testspots::newspot(spotgraphic, stylerectangle, 10);
  EXPECT_FALSE(get_id_from_spot(plain, 9, key));
}

TEST_F(PictBuffersTest, FindRefreshesTheStampAndComparesKeysWithoutCase) {
  objects_.reserve(4);
  const spot& a = picture(1, "/Pics/A.png", true);
  const spot& b = picture(2, "/pics/a.PNG", true);
  const spot& c = picture(3, "other");
  EXPECT_EQ(findpictbuffer(a, nullptr), -1) << "no list yet";
  ASSERT_EQ(add(a), 0);
  const i64 first = stampat(0);
  EXPECT_EQ(u64(first), mainglobals().usecounter);
  pictbuffer out;
  EXPECT_EQ(findpictbuffer(b, &out), 0) << "the same path in other letter case";
  EXPECT_GT(out.stamp, first);
  EXPECT_EQ(out.kind, pictbufferhandle);
  EXPECT_EQ(findpictbuffer(c, &out), -1);
}

// Acceptance: cleanpicts on stamps 40, 12, 12 frees the second.
TEST_F(PictBuffersTest, CleanpictsFreesTheFirstOfTheLeastRecentlyUsed) {
  Handle& list = mainglobals().pictbuffers;
  list = NewHandle(0);
  for (auto [key, stamp] : std::vector<std::pair<const char*, i64>>{{"one", 40}, {"two", 12}, {"three", 12}}) {
    pictbuffer b;
    b.kind = pictbufferembedded;
    b.key = newhand(key);
    b.stamp = stamp;
    PtrAndHand(&b, list, sizeof b);
  }
  EXPECT_EQ(cleanpicts(), 1);
  ASSERT_EQ(pictbuffercount(), 2);
  EXPECT_EQ(keyat(0), "one");
  EXPECT_EQ(keyat(1), "three");
  EXPECT_EQ(cleanpicts(), 1);
  EXPECT_EQ(keyat(0), "one");
  EXPECT_EQ(cleanpicts(), 1);
  EXPECT_EQ(cleanpicts(), 0) << "nothing left to free";
}

// Acceptance: never more than pictCache buffers; the least recently used goes first.
TEST_F(PictBuffersTest, TheListKeepsAtMostPictCacheBuffersDroppingTheLeastRecentlyUsed) {
  objects_.reserve(12);
  mainglobals().pictCache = 3;
  std::vector<const spot*> pics;
  for (u32 id = 1; id <= 6; ++id) pics.push_back(&picture(id, "data" + std::to_string(id)));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(add(*pics[size_t(i)]), i);
  EXPECT_EQ(findpictbuffer(*pics[0], nullptr), 0);  // the first becomes the most recent
  EXPECT_EQ(add(*pics[3]), 2);
  EXPECT_EQ(pictbuffercount(), 3);
  EXPECT_EQ(findpictbuffer(*pics[1], nullptr), -1) << "the second was the least recently used";
  EXPECT_GE(findpictbuffer(*pics[0], nullptr), 0);
  EXPECT_GE(findpictbuffer(*pics[2], nullptr), 0);
  for (int i = 4; i < 6; ++i) {
    add(*pics[size_t(i)]);
    EXPECT_LE(pictbuffercount(), 3);
  }
  // A smaller limit takes effect at the next buffer.
  mainglobals().pictCache = 1;
  EXPECT_EQ(add(*pics[1]), 0);
  EXPECT_EQ(pictbuffercount(), 1);
  EXPECT_GE(findpictbuffer(*pics[1], nullptr), 0);
  mainglobals().pictCache = 0;
  EXPECT_EQ(add(*pics[2]), 0) << "the buffer just made is kept";
  EXPECT_EQ(pictbuffercount(), 1);
}

TEST_F(PictBuffersTest, AddingWithoutAKeyOrMemoryLeavesTheListAlone) {
  objects_.reserve(4);
  const spot& nokey = picture(1, "");
  const spot& pic = picture(2, "abc");
  EXPECT_EQ(add(nokey), -1);
  setmemoryguardrefusal(true);
  EXPECT_EQ(add(pic), -1);
  setmemoryguardrefusal(false);
  EXPECT_EQ(pictbuffercount(), 0);
  EXPECT_EQ(add(pic), 0);
}

TEST_F(PictBuffersTest, SwapRekeysOrFreesTheBuffer) {
  objects_.reserve(4);
  const spot& pic = picture(5, "abc");
  ASSERT_EQ(add(pic), 0);
  Str255 key;
  get_id_from_spot(pic, 5, key);
  EXPECT_EQ(swapictbuffer(pic, true, 6, 7, true), -1) << "no buffer under the first number";
  EXPECT_EQ(swapictbuffer(pic, true, 5, 9, false), 0);
  EXPECT_EQ(keyat(0), str(key)) << "without the move flag the key stays";
  const i64 before = stampat(0);
  EXPECT_EQ(swapictbuffer(pic, true, 5, 9, true), 0);
  get_id_from_spot(pic, 9, key);
  EXPECT_EQ(keyat(0), str(key));
  EXPECT_GT(stampat(0), before);
  EXPECT_EQ(swapictbuffer(pic, false, 9, 10, true), 0) << "without a window the buffer is freed";
  EXPECT_EQ(pictbuffercount(), 0);
}

TEST_F(PictBuffersTest, KillPurgeAndWorlds) {
  objects_.reserve(4);
  const spot& a = picture(1, "a");
  const spot& b = picture(2, "b");
  EXPECT_EQ(movepicts(), 0) << "no list";
  pictbuffer w;
  w.kind = pictbufferworld;
  Rect bounds{0, 0, 8, 8};
  ASSERT_EQ(NewGWorld(&w.world, 32, &bounds, 0, 0, 0), noErr);
  ASSERT_EQ(addpictbuffer(a, &w), 0);
  LockPixels(GetGWorldPixMap(w.world));
  EXPECT_EQ(add(b), 1);
  EXPECT_EQ(movepicts(), 1);
  killpictbuffer(a);
  EXPECT_EQ(pictbuffercount(), 1);
  EXPECT_FALSE(IsValidPort(w.world)) << "the world went with its buffer";
  killpictbuffer(a);
  EXPECT_EQ(pictbuffercount(), 1);
  add(a);
  purgepictbuffer();
  EXPECT_EQ(pictbuffercount(), 0);
}

TEST_F(PictBuffersTest, TheMemoryGuardFreesBuffersWhenMemoryRunsShort) {
  objects_.reserve(4);
  for (u32 id = 1; id <= 3; ++id) add(picture(id, "p" + std::to_string(id)));
  ASSERT_EQ(pictbuffercount(), 3);
  // Memory is short until two buffers have gone.
  setaddressspacemodel([] {
    const u64 free = pictbuffercount() <= 1 ? kAddressFigureCap : 0;
    return AddressSpace{free, free};
  });
  EXPECT_EQ(nomemory(6000000), 0);
  EXPECT_EQ(pictbuffercount(), 1);
  EXPECT_EQ(findpictbuffer(objects_[2], nullptr), 0) << "the most recently used stays";
  setaddressspacemodel({});
}

TEST_F(PictBuffersTest, BuffersLeftAtTheEndOfTheRunAreFreed) {
  objects_.reserve(4);
  const spot& a = picture(1, "a");
  pictbuffer w;
  w.kind = pictbufferworld;
  Rect bounds{0, 0, 8, 8};
  ASSERT_EQ(NewGWorld(&w.world, 8, &bounds, 0, 0, 0), noErr);
  ASSERT_EQ(addpictbuffer(a, &w), 0);
  add(picture(2, "b"));
  // The fixture's reset finds any handle left behind.
}

}  // namespace
}  // namespace kv
