// Ids of new objects.
#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>

#include "commands/objectids.h"
#include "platform/memory/memory.h"
#include "store/objects.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class ObjectIdsTest : public RuntimeTest {
 protected:
  Handle list(std::initializer_list<u32> ids) {
    Handle h = NewHandle(0);
    for (u32 id : ids) {
      spot s{};
      s.id = id;
      PtrAndHand(&s, h, Size(sizeof s));
    }
    lists.push_back(h);
    return h;
  }
  void TearDown() override {
    for (Handle h : lists) DisposeHandle(h);
    RuntimeTest::TearDown();
  }
  std::vector<Handle> lists;
};

TEST_F(ObjectIdsTest, TheNextIdIsOneMoreThanTheLargestAndNeverBelow100) {
  EXPECT_EQ(uniqueid(list({5, 7}), 0), 100u);
  EXPECT_EQ(uniqueid(list({100, 250}), 0), 251u);
  EXPECT_EQ(uniqueid(list({250, 100}), 180), 180u) << "a free wanted id is kept";
  EXPECT_EQ(uniqueid(list({100, 250}), 250), 251u) << "a taken one is not";
  EXPECT_EQ(uniqueid(list({}), 0), 100u);
  EXPECT_EQ(uniqueid(nilhandle, 0), 100u);
  EXPECT_EQ(uniqueid(list({}), 7), 7u);
  EXPECT_EQ(uniqueid(list({0xFFFFFFFFu}), 0), 100u) << "ids compare as signed numbers";
}

TEST_F(ObjectIdsTest, AtTheLargestIdTheLowestFreeIdIsTaken) {
  EXPECT_EQ(uniqueid(list({u32(INT32_MAX), 100, 101, 103}), 0), 102u);
  EXPECT_EQ(uniqueid(list({u32(INT32_MAX), 5}), 0), 100u);
}

}  // namespace
}  // namespace kv
