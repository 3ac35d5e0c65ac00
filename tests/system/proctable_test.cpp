// The procedure table, the service table of externals and the library's formatted calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "render/pictbuffers.h"
#include "render/fielddrawing.h"
#include "render/picturecache.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "textengine/werecord.h"
#include "system/proctable.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using ProcTableTest = RuntimeTest;

TEST_F(ProcTableTest, EmptySlotsAndNumbersOutsideTheTableAreNone) {
  for (i16 n : {0, 31, 452, -1, 454, 32767}) {
    EXPECT_EQ(getproc(n), 0u) << n;
    EXPECT_EQ(procrow(n), nullptr) << n;
  }
  // One callback in two slots.
  ASSERT_NE(procrow(275), nullptr);
  ASSERT_NE(procrow(440), nullptr);
  EXPECT_STREQ(procrow(275)->name, "PxcmdRTcallback");
  EXPECT_STREQ(procrow(440)->name, "PxcmdRTcallback");
  EXPECT_EQ(getproc(275), getproc(440));
}

TEST_F(ProcTableTest, EveryRowIsFoundAtItsSlot) {
  for (const ProcRow& r : procrows()) EXPECT_EQ(procrow(r.slot), &r);
  // A fetch gets the routine itself, typed as its slot declares.
  EXPECT_NEAR(getproc<136>()(0.0), 1.5707963267948966, 1e-12);
  EXPECT_EQ(getproc<71>(), &addvir);
  EXPECT_EQ(getproc<146>()(0.0), 1.0) << "exp";
  EXPECT_EQ(getproc<442>()("four"), 4u) << "strlen";
  // The field test, the font-table services and the picture cache are there for externals.
  EXPECT_EQ(getproc<119>(), &readisfield);
  EXPECT_EQ(getproc<214>(), &WEBuildFontTable);
  EXPECT_EQ(getproc<215>(), &WEUpdateFontTable);
  EXPECT_EQ(getproc<216>()(nilhandle, nilhandle), noErr) << "nothing to renumber";
  pictbuffer out{};
  spot none{};
  EXPECT_EQ(getproc<234>()(none, &out), 0) << "no picture in an empty object";
}

TEST_F(ProcTableTest, TheServiceTableOfExternals) {
  for (i16 i = 0; i < kCarbonProcsSlots; ++i) EXPECT_EQ(carbonprocs()[i], 0u) << "before the fill " << i;
  const u64* table = fillcarbonprocs();
  ASSERT_EQ(table, carbonprocs());
  EXPECT_EQ(table[0], u64(reinterpret_cast<std::uintptr_t>(&mysprintf))) << "the routines themselves";
  std::vector<u64> before(table, table + kCarbonProcsSlots);
  EXPECT_EQ(fillcarbonprocs(), table);
  EXPECT_EQ(std::vector<u64>(table, table + kCarbonProcsSlots), before) << "a second fill changes nothing";
  for (i16 i = 0; i < kCarbonProcsSlots; ++i) EXPECT_EQ(cfmprocs()[i], 0u) << i;
}

TEST_F(ProcTableTest, FormattedPrintingAndReadingGoToTheLibrary) {
  char out[16] = {};
  EXPECT_EQ(getproc<123>()(out, "%d-%s", 5, "a"), 3);
  EXPECT_STREQ(out, "5-a");
  int n = 0;
  char word[8] = {};
  EXPECT_EQ(getproc<135>()("12 ab", "%d %s", &n, word), 2);
  EXPECT_EQ(n, 12);
  EXPECT_STREQ(word, "ab");
}

}  // namespace
}  // namespace kv
