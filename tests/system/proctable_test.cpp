// The procedure table, the service table of externals and the library's formatted calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "store/recordcache.h"
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

TEST_F(ProcTableTest, TheRowsAreTheSlotsTheTableNames) {
  // The slots the table leaves empty; every other slot has a row.
  const std::pair<i16, i16> empty[] = {{0, 8},     {15, 18},   {31, 31},   {35, 35},   {38, 38},   {45, 46},
                                       {49, 55},   {59, 60},   {79, 79},   {117, 117}, {212, 212}, {232, 232},
                                       {262, 262}, {268, 269}, {271, 273}, {276, 276}, {284, 284}, {287, 287},
                                       {317, 319}, {337, 337}, {346, 348}, {371, 382}, {387, 387}, {389, 390},
                                       {432, 435}, {452, 452}};
  std::vector<bool> isempty(kProcSlots, false);
  for (auto [first, last] : empty)
    for (i16 n = first; n <= last; ++n) isempty[std::size_t(n)] = true;
  for (i16 n = 0; n < kProcSlots; ++n) EXPECT_EQ(procrow(n) == nullptr, isempty[std::size_t(n)]) << n;
  for (const ProcRow& r : procrows()) EXPECT_EQ(procrow(r.slot), &r);

  // The first and last slot of each run of the table.
  const std::pair<i16, const char*> ends[] = {
      {9, "PdialogRTviewproc"}, {14, "PdialogMPstdialog"}, {19, "PscrapRTgathertext"}, {29, "PscrapRTgrabits"},
      {30, "PmainRTdrawgrouproc"}, {34, "PfindRTmyhook"}, {36, "PpaintRTmatchproc"}, {37, "PpaintRTgathercom"},
      {39, "Psys7RTwildwild"}, {44, "Psys7RTeventproc"}, {47, "PsndRTcallproc"}, {48, "PsndRTbackproc"},
      {56, "PcomaRTlistdlog"}, {58, "PtoolsRTfalseproc"}, {61, "PfileRTcopyrightproc"},
      {68, "PdialogRTdrawGrayLineBox"}, {69, "PpdataRTstdbitsproc"}, {70, "PmovieRTmoovcallback"}, {71, "addvir"},
      {78, "nomemory"}, {80, "imagedit"}, {92, "createdrawtext"}, {93, "openvir"}, {100, "nodiskspace"},
      {101, "createstar"}, {113, "delstar"}, {114, "destview"}, {122, "dumpspot"}, {123, "mysprintf"},
      {124, "malloc"}, {135, "mysscanf"}, {136, "acos"}, {168, "strftime"}, {169, "PdialogRTfiltericon"},
      {173, "PdialogRTautotext"}, {174, "dumpfield"}, {183, "wepacktext"}, {184, "WENew"}, {223, "WEIsActive"},
      {224, "myvsprintf"}, {225, "myvsscanf"}, {226, "xanswer"}, {264, "redrawbehind"}, {265, "PdialogRTstdialog"},
      {267, "Pfindbehindcolor"}, {270, "PtuneRTcallproc"}, {274, "spincursor"}, {277, "WEGetInfo"}, {283, "getsize"},
      {285, "bwmatchproc"}, {291, "DetachSuiteMembers"}, {292, "naveventproc"}, {299, "speechdone"},
      {300, "TPPaneDrawProc"}, {312, "MySendSpotDataProc"}, {313, "_WEHandleUpdateActiveInputArea"},
      {316, "_WEHandleGetSelectedText"}, {320, "GetSegmentDirection"}, {336, "PeditRTRedrawScrollbarsAfterExpand"},
      {338, "ldestview"}, {345, "lowgetinterior"}, {349, "PeditRThandlemousewheelproc"},
      {357, "PcopyRThandleservicepasteproc"}, {358, "HandleNewPicture"}, {370, "HandleClickIota"},
      {383, "_WETabDrawText"}, {386, "_WETabLineBreak"}, {388, "PeditRTRedrawForLiveResize"},
      {391, "PcomaRTasklistmousewheelproc"}, {395, "PappRTExpandCollapseWindowProc"}, {396, "westupidertext"},
      {431, "WEGetObjectByIndex"}, {436, "PdrawRTsetidlerBGproc"}, {441, "strtok"}, {450, "strpbrk"},
      {451, "PeditRTHandleDiskEvent"}, {453, "WEInsertFormattedText"}};
  for (auto [slot, name] : ends) {
    const ProcRow* r = procrow(slot);
    ASSERT_NE(r, nullptr) << slot;
    EXPECT_STREQ(r->name, name) << slot;
  }

  // A fetch gets the routine itself, typed as its slot declares.
  EXPECT_NEAR(getproc<136>()(0.0), 1.5707963267948966, 1e-12);
  EXPECT_EQ(getproc<71>(), &addvir);
  EXPECT_EQ(getproc<146>()(0.0), 1.0) << "exp";
  EXPECT_EQ(getproc<442>()("four"), 4u) << "strlen";
}

TEST_F(ProcTableTest, TheServiceTableOfExternals) {
  for (i16 i = 0; i < kCarbonProcsSlots; ++i) EXPECT_EQ(carbonprocs()[i], 0u) << "before the fill " << i;
  const u64* table = fillcarbonprocs();
  ASSERT_EQ(table, carbonprocs());
  EXPECT_EQ(table[0], getproc(123));
  EXPECT_EQ(table[0], u64(reinterpret_cast<std::uintptr_t>(&mysprintf)));
  EXPECT_EQ(table[65], getproc(136));
  for (i16 i = 1; i <= 8; ++i) EXPECT_EQ(table[i], getproc(i16(70 + i))) << i;
  EXPECT_NE(table[1], 0u);
  EXPECT_EQ(table[275], getproc(453));
  for (i16 i : {9, 47, 98, 99, 100, 101, 102, 138, 142, 153, 162, 194, 224, 260, 261, 262})
    EXPECT_EQ(table[i], 0u) << i;
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
