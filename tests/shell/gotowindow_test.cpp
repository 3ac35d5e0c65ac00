// Going to a window of the project that is not open: a target that cannot be shown leaves the
// current window, card and desk as they were.
#include <gtest/gtest.h>

#include "platform/memory/addressspace.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "store/deskrecords.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class GoToWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);
    testproject::Project p = testproject::small();
    p.windows.push_back(p.windows[0]);
    p.windows.back().name = "W2";
    build(p);
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(doline("go card 2"), 0);
    before = current();
  }
  void TearDown() override {
    setaddressspacemodel({});
    setunattendedpolicy(UnattendedPolicy::fail);
    WindowTest::TearDown();
  }
  // Window 1 is still open and current at card 2, with the same desk.
  void unchanged() {
    const desk& d = current();
    EXPECT_EQ(mainglobals().numwinds, 1);
    EXPECT_EQ(d.window, before.window);
    EXPECT_TRUE(IsValidWindowPtr(d.window));
    EXPECT_EQ(d.windnum, 1u);
    EXPECT_EQ(d.cardnum, 2u);
    EXPECT_EQ(d.card, before.card);
    EXPECT_EQ(d.serial, before.serial);
    EXPECT_EQ(cardvalue("the short name of this card"), "Two") << "the card still runs script";
  }
  // Changes the entry of card 1 of window 2 (not open); its packed size before.
  template <class Change>
  u32 target(Change change) {
    const desk d = current();
    bookentry b{};
    EXPECT_EQ(getbook(d.store, d.windlib, 2, &b), 0);
    Handle wind = holdvir(d.store, b.recordid);
    wordentry e{};
    EXPECT_EQ(getword(d.store, wind, 1, &e), 0);
    const u32 packed = e.packedsize;
    change(&e);
    EXPECT_EQ(putword(d.store, wind, 1, e), 0);
    releasevir(d.store, b.recordid);
    return packed;
  }
  desk before{};
};

TEST_F(GoToWindowTest, ARefusedMemoryCheckKeepsTheCurrentWindow) {
  // The target card seems to need 300 MB, and 10 MB are free.
  const u32 packed = target([](wordentry* e) { e->packedsize = 100000000; });
  setaddressspacemodel([] { return AddressSpace{10000000, 10000000}; });
  EXPECT_EQ(doline("go card 1 of window 2"), 37);
  unchanged();
  setaddressspacemodel({});
  target([packed](wordentry* e) { e->packedsize = packed; });
  EXPECT_EQ(doline("go card 1 of window 2"), 0) << "with memory the window comes up";
  EXPECT_EQ(current().windnum, 2u);
}

TEST_F(GoToWindowTest, ADamagedTargetEntryKeepsTheCurrentWindow) {
  target([](wordentry* e) { e->cardrecord = e->backrecord; });  // a background where the card should be
  EXPECT_EQ(doline("go card 1 of window 2"), 70);
  unchanged();
}

}  // namespace
}  // namespace kv
