// The scrap: flavours kept in the order they were put, stale scraps refused, text crossing to
// the backend's clipboard, and another program's clipboard taken as the scrap.
#include "platform/scrap/scrap.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/backend/headless.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using ScrapTest = RuntimeTest;

TEST_F(ScrapTest, FlavoursKeepTheirOrderAndTextCrosses) {
  ScrapRef scrap = 0;
  ASSERT_EQ(ClearCurrentScrap(), noErr);
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  ASSERT_EQ(PutScrapFlavor(scrap, fourcc("styl"), 0, 4, "abcd"), noErr);
  ASSERT_EQ(PutScrapFlavor(scrap, fourcc("TEXT"), 0, 5, "hello"), noErr);
  EXPECT_EQ(PutScrapFlavor(scrap, fourcc("TEXT"), 0, 1, "x"), duplicateScrapFlavorErr);
  ScrapFlavorInfo info[4];
  u32 count = 4;
  ASSERT_EQ(GetScrapFlavorInfoList(scrap, &count, info), noErr);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(info[0].flavorType, fourcc("styl"));
  EXPECT_EQ(info[1].flavorType, fourcc("TEXT"));
  char buffer[8] = {};
  Size size = 3;
  ASSERT_EQ(GetScrapFlavorData(scrap, fourcc("TEXT"), &size, buffer), noErr);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(std::string(buffer), "hel");
  EXPECT_EQ(GetScrapFlavorSize(scrap, fourcc("PICT"), &size), noTypeErr);
  const std::vector<ClipFlavor> outside = headlessbackend()->clipboard();
  ASSERT_EQ(outside.size(), 1u) << "the text crosses; a style scrap whose count runs past it does not";
  EXPECT_EQ(std::string(outside[0].bytes.begin(), outside[0].bytes.end()), "hello");
  // Clearing makes the old scrap stale.
  ASSERT_EQ(ClearCurrentScrap(), noErr);
  EXPECT_EQ(PutScrapFlavor(scrap, fourcc("TEXT"), 0, 1, "x"), badScrapRefErr);
  EXPECT_TRUE(headlessbackend()->clipboard().empty());
}

TEST_F(ScrapTest, AnotherProgramsClipboardBecomesTheScrap) {
  ScrapRef scrap = 0;
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  ASSERT_EQ(PutScrapFlavor(scrap, fourcc("styl"), 0, 2, "ab"), noErr);
  const u32 changes = scrapchangecount();
  headlessbackend()->setexternalclipboard({ClipFlavor{fourcc("TEXT"), {'o', 'u', 't'}}});
  ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
  EXPECT_NE(scrapchangecount(), changes);
  Size size = 0;
  EXPECT_EQ(GetScrapFlavorSize(scrap, fourcc("styl"), &size), noTypeErr);
  ASSERT_EQ(GetScrapFlavorSize(scrap, fourcc("TEXT"), &size), noErr);
  EXPECT_EQ(size, 3);
  // Asked again without a change outside, the scrap stays.
  ScrapRef again = 0;
  ASSERT_EQ(GetCurrentScrap(&again), noErr);
  EXPECT_EQ(again, scrap);
}

}  // namespace
}  // namespace kv
