// The memory guard over an injected address-space model: the running total, the check at
// 5,000,000 bytes, purging the records of open projects, and the figures a refusal leaves.
#include <gtest/gtest.h>

#include <vector>

#include "platform/memory/addressspace.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "tests/store/virsupport.h"

namespace kv::virtest {
namespace {

class MemoryGuardTest : public VirTest {
 protected:
  // A model that counts how often it is asked and answers `free` bytes of both figures.
  void model(u64 bytes) {
    free = bytes;
    setaddressspacemodel([this] {
      ++queries;
      return AddressSpace{free, free};
    });
  }
  u64 free = 0;
  int queries = 0;
};

TEST_F(MemoryGuardTest, SmallRequestsCheckExactlyWhenTheTotalReachesFiveMillion) {
  model(0x7FFFFFFF);
  EXPECT_EQ(nomemory(0), 0);
  EXPECT_EQ(memoryguardtotal(), 0u);
  for (int i = 0; i < 4999; ++i) ASSERT_EQ(nomemory(1000), 0);
  EXPECT_EQ(memoryguardtotal(), 4999000u);
  EXPECT_EQ(nomemory(0), 0);
  EXPECT_EQ(memoryguardtotal(), 4999000u) << "0 bytes leave the total alone";
  EXPECT_EQ(queries, 0) << "no check below the total";
  EXPECT_EQ(nomemory(999), 0);
  EXPECT_EQ(queries, 0);
  EXPECT_EQ(memoryguardtotal(), 4999999u);
  EXPECT_EQ(nomemory(1), 0);
  EXPECT_EQ(queries, 1) << "the total reached 5,000,000";
  EXPECT_EQ(memoryguardtotal(), 0u) << "and starts again";

  // One large request checks at once.
  EXPECT_EQ(nomemory(5000000), 0);
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(nomemory(-5), 0);
  EXPECT_EQ(memoryguardtotal(), 0u);
}

TEST_F(MemoryGuardTest, ARefusalLeavesTheRequestAndTheAvailableMemory) {
  model(3000000);
  EXPECT_EQ(nomemory(4000000), 0);
  EXPECT_EQ(nomemory(2000000), 1) << "6,000,000 in total: 8,000,000 needed, 3,000,000 free";
  EXPECT_EQ(mainglobals().lastmemreq, (8000000u + 1023) / 1024);
  EXPECT_EQ(mainglobals().lastmemavail, 3000000u - 60000);
  EXPECT_EQ(memoryguardtotal(), 0u);
  EXPECT_EQ(queries, 3) << "two looks around rounds that freed nothing, and the available memory";

  mainglobals().colorWorld = 1;
  EXPECT_EQ(availmem(), 3000000 - 120000);
  model(50000);
  EXPECT_EQ(nomemory(6000000), 1);
  EXPECT_EQ(mainglobals().lastmemavail, 0u) << "a negative figure is left as 0";
  EXPECT_LT(availmem(), 0);
}

TEST_F(MemoryGuardTest, PurgingEvictsUnheldRecordsUntilThereIsRoom) {
  RegistryId one = openproject("one.kv45");
  RegistryId two = openproject("two.kv45");
  std::vector<i32> ids;
  Handle h;
  for (int i = 0; i < 10; ++i) {
    i32 id = add(one, namedcard("a" + std::to_string(i)));
    ASSERT_EQ(getvir(one, id, &h), 0);
    ids.push_back(id);
  }
  for (int i = 0; i < 6; ++i) ASSERT_EQ(putvir(one, ids[i]), 0);  // four stay held
  for (int i = 0; i < 3; ++i) {
    i32 id = add(two, namedcard("b" + std::to_string(i)));
    ASSERT_EQ(getvir(two, id, &h), 0);
    ASSERT_EQ(putvir(two, id), 0);
  }
  // Room appears once the first project is down to 7 records.
  setaddressspacemodel([&] {
    u64 room = vircount(one) <= 7 ? 0x7FFFFFFF : 0;
    return AddressSpace{room, room};
  });
  EXPECT_EQ(nomemory(5000000), 0);
  EXPECT_EQ(vircount(one), 7) << "each round takes one unheld record from each project";
  EXPECT_EQ(vircount(two), 0);
  for (int i = 0; i < 3; ++i) {
    virentry e{};
    EXPECT_FALSE(findvir(one, ids[i], &e)) << "least recently used first";
  }

  // With nothing left to give, the guard refuses; held records stay.
  setaddressspacemodel([] { return AddressSpace{0, 0}; });
  EXPECT_EQ(nomemory(5000000), 1);
  EXPECT_EQ(vircount(one), 4);
  for (int i = 6; i < 10; ++i) {
    ASSERT_EQ(putvir(one, ids[i]), 0);
  }
}

TEST_F(MemoryGuardTest, PlentifulMemorySkipsTheGuardAndTestsCanForceARefusal) {
  model(0);
  setmemoryguardrefusal(true);
  EXPECT_EQ(nomemory(1), 1);
  EXPECT_EQ(nomemory(0), 0);
  EXPECT_TRUE(memoryrefused(1));
  mainglobals().memplentiful = 1;
  EXPECT_FALSE(memoryrefused(1));
  setmemoryguardrefusal(false);
  mainglobals().memplentiful = 0;
  EXPECT_FALSE(memoryrefused(1));
}

}  // namespace
}  // namespace kv::virtest
