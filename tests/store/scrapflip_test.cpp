// The program's own clipboard flavours on the system clipboard: big-endian outside the
// program, back in host order when another program put them, and dropped when their counts
// or sizes do not fit their blocks.
#include "store/scrapflip.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/scrap/scrap.h"
#include "tests/support/windows.h"
#include "tools/objectclipboard.h"

namespace kv {
namespace {

using testproject::Object;

std::vector<u8> be32(std::initializer_list<u32> words) {
  std::vector<u8> out;
  for (u32 w : words)
    for (int s = 24; s >= 0; s -= 8) out.push_back(u8(w >> s));
  return out;
}

class ScrapFlipTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    installscrapflippers();
    testproject::Project p;
    testproject::Window w;
    w.backgrounds.push_back(testproject::Background{"Bg", "", {}});
    testproject::Card c;
    c.objects = {Object{.kind = Object::field, .name = "F", .text = "hello world", .rect = {10, 10, 50, 200}},
                 Object{.kind = Object::field, .name = "E", .text = "x", .rect = {60, 10, 100, 200}}};
    w.cards.push_back(c);
    p.windows.push_back(w);
    build(p);
    ASSERT_EQ(open(), 0);
  }
  void TearDown() override {
    killall();
    WindowTest::TearDown();
  }
  static const ClipFlavor* outside(const std::vector<ClipFlavor>& clip, const char (&type)[5]) {
    for (const ClipFlavor& f : clip)
      if (f.type == fourcc(type)) return &f;
    return nullptr;
  }
};

TEST_F(ScrapFlipTest, RunsLeaveBigEndianAndComeBack) {
  ASSERT_EQ(doline("set the textStyle of char 6 to 11 of card field \"F\" to bold\n"
                   "select text of card field \"F\"\ncopy text"),
            0);
  const std::vector<ClipFlavor> clip = headlessbackend()->clipboard();
  const ClipFlavor* runs = outside(clip, "WEcf");
  ASSERT_NE(runs, nullptr);
  ASSERT_GE(runs->bytes.size(), 16u);
  EXPECT_EQ(std::vector<u8>(runs->bytes.begin(), runs->bytes.begin() + 4), (std::vector<u8>{0, 0, 0, 0}));
  EXPECT_EQ(std::vector<u8>(runs->bytes.begin() + 8, runs->bytes.begin() + 12), (std::vector<u8>{0, 0, 0, 5}));
  const ClipFlavor* styl = outside(clip, "styl");
  ASSERT_NE(styl, nullptr);
  EXPECT_EQ(styl->bytes[0], 0) << "the element count is big-endian";
  EXPECT_EQ(styl->bytes[1], 2);
  // The same flavours put by another program come back in host order and paste both runs.
  headlessbackend()->setexternalclipboard(clip);
  cardrows({{"select text of card field \"E\"\npaste", "card field \"E\"", "hello world"},
            {"", "the textStyle of char 3 of card field \"E\"", "plain"},
            {"", "the textStyle of char 8 of card field \"E\"", "bold"}});
}

TEST_F(ScrapFlipTest, BlocksWhoseSizesRunPastThemAreDropped) {
  // A style stream whose one record claims an item longer than the block, and a soup element
  // whose data size runs past it.
  std::vector<u8> stream = be32(
      {0, 0, 0, fourcc("list"), 1, 0, fourcc("reco"), 0, 1, 0, fourcc("fnt "), fourcc("shor"), 4000});
  stream.insert(stream.end(), {0, 12});
  std::vector<u8> soup = be32({0, fourcc("PICT"), 0, 100});
  soup.insert(soup.end(), 8 + 10, 0);
  headlessbackend()->setexternalclipboard({ClipFlavor{fourcc("TEXT"), {'o', 'k'}}, ClipFlavor{fourcc("WEst"), stream},
                                           ClipFlavor{fourcc("SOUP"), soup}, ClipFlavor{fourcc("styl"), {0, 9, 0, 0}}});
  cardrows({{"", "the scrapFlavors", "TEXT"}, {"select text of card field \"E\"\npaste", "card field \"E\"", "ok"}});
}

TEST(ScrapFlipFormats, FontTablesAndSoupsSwapEachFieldByItsWidth) {
  // A font table of one entry and its name, and a soup of one element with 2 bytes of data.
  std::vector<u8> fish = be32({fourcc("FISH"), 0x01018000, 1, 0});
  fish.insert(fish.end(), {0x00, 0x03, 0x00, 0x04, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 16, 'A', 'b'});
  std::vector<u8> big = fish;
  ASSERT_EQ(flipourscrapformats(0, fourcc("FISH"), 0, fish.data(), i64(fish.size()), false, nullptr), noErr);
  EXPECT_EQ(fish[8], 1) << "the count in host order";
  EXPECT_EQ(fish[16], 3) << "the first u16 of the entry";
  EXPECT_EQ(fish[20], 1) << "the u32 after it";
  EXPECT_EQ(fish[32], 'A') << "names untouched";
  ASSERT_EQ(flipourscrapformats(0, fourcc("FISH"), 0, fish.data(), i64(fish.size()), true, nullptr), noErr);
  EXPECT_EQ(fish, big);
  // A count past the block leaves the block as it was.
  std::vector<u8> bad = big;
  bad[11] = 2;
  const std::vector<u8> badcopy = bad;
  EXPECT_NE(flipourscrapformats(0, fourcc("FISH"), 0, bad.data(), i64(bad.size()), false, nullptr), noErr);
  EXPECT_EQ(bad, badcopy);
  std::vector<u8> soup = be32({7, fourcc("PICT"), 0, 2});
  soup.insert(soup.end(), {0, 20, 0, 30, 0, 15, 0, 0, 0xAB, 0xCD});
  ASSERT_EQ(flipourscrapformats(0, fourcc("SOUP"), 0, soup.data(), i64(soup.size()), false, nullptr), noErr);
  EXPECT_EQ(soup[0], 7);
  EXPECT_EQ(soup[16], 20);
  EXPECT_EQ(soup[24], 0xAB) << "the data untouched";
}

}  // namespace
}  // namespace kv
