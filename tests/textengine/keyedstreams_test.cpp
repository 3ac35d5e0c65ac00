// Keyed streams: the exact bytes the writer lays down, the growth of its block, and the reader's
// answers on streams whole and damaged.
#include <gtest/gtest.h>

#include <vector>

#include "store/records.h"
#include "tests/support/fixture.h"
#include "textengine/westreams.h"

namespace kv {
namespace {

using KeyedStreamTest = RuntimeTest;

std::vector<u32> words(Handle h) {
  std::vector<u32> w(std::size_t(GetHandleSize(h)) / 4);
  std::memcpy(w.data(), deref(h), w.size() * 4);
  return w;
}

TEST_F(KeyedStreamTest, AnEmptyListIsItsHeaderAlone) {
  Handle h = NewHandle(0);
  WEStream w{};
  ASSERT_EQ(_WEStream_Open(h, &w), noErr);
  ASSERT_EQ(_WEStream_OpenList(&w), noErr);
  ASSERT_EQ(_WEStream_CloseList(&w), noErr);
  ASSERT_EQ(_WEStream_Close(&w), noErr);
  EXPECT_EQ(words(h), (std::vector<u32>{0, 0, 24, fourcc("list"), 0, 0}));
  EXPECT_EQ(w.block, nilhandle);
  WEStream none{};
  EXPECT_EQ(_WEStream_Open(nilhandle, &none), nilHandleErr);
  EXPECT_EQ(_WEStream_Close(&none), nilHandleErr);
  DisposeHandle(h);
}

TEST_F(KeyedStreamTest, ItemsArePaddedAndCountedInTheirRecord) {
  Handle h = NewHandle(0);
  WEStream w{};
  ASSERT_EQ(_WEStream_Open(h, &w), noErr);
  ASSERT_EQ(_WEStream_OpenList(&w), noErr);
  ASSERT_EQ(_WEStream_OpenRecord(&w, fourcc("reco")), noErr);
  const u8 one = 1;
  ASSERT_EQ(_WEStream_WriteKeyDesc(&w, fourcc("bold"), fourcc("bool"), &one, 1), noErr);
  ASSERT_EQ(_WEStream_CloseRecord(&w), noErr);
  ASSERT_EQ(_WEStream_OpenRecord(&w, fourcc("reco")), noErr);  // a record without items
  ASSERT_EQ(_WEStream_CloseRecord(&w), noErr);
  ASSERT_EQ(_WEStream_CloseList(&w), noErr);
  ASSERT_EQ(_WEStream_Close(&w), noErr);
  ASSERT_EQ(GetHandleSize(h), 24 + 16 + 14 + 16);
  const std::vector<u32> v = words(h);
  EXPECT_EQ(v[4], 2u);  // two records in the list
  EXPECT_EQ(v[6], fourcc("reco"));
  EXPECT_EQ(v[7], 8u + 14u);  // the item grew its record by 14
  EXPECT_EQ(v[8], 1u);
  EXPECT_EQ(deref(h)[24 + 16 + 12], 1);  // the value, then the pad byte
  EXPECT_EQ(deref(h)[24 + 16 + 13], 0);

  const WEDataDesc list = _WEWholeStream(h);
  i32 count = -1;
  ASSERT_EQ(_WEDataDesc_CountItems(list, &count), noErr);
  EXPECT_EQ(count, 2);
  OSType key = 77;
  WEDataDesc first{}, second{}, item{};
  ASSERT_EQ(_WEDataDesc_GetNthItem(list, 0, &key, &first), noErr);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(first.type, fourcc("reco"));
  ASSERT_EQ(_WEDataDesc_GetNthItem(list, 1, &key, &second), noErr);
  EXPECT_EQ(_WEDataDesc_GetNthItem(list, 2, &key, &item), -1705);
  ASSERT_EQ(_WEDataDesc_GetKeyItem(first, fourcc("bold"), &item), noErr);
  EXPECT_EQ(item.type, fourcc("bool"));
  i32 size = 0;
  const u8* data = _WEDataDesc_GetData(item, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 1);
  EXPECT_EQ(*data, 1);
  u8 copy[4] = {9, 9, 9, 9};
  _WEDataDesc_CopyData(item, &size, copy, 4);
  EXPECT_EQ(copy[0], 1);
  EXPECT_EQ(copy[1], 9);
  // The empty record: count 0, size 8, no key to find; an item is no container.
  ASSERT_EQ(_WEDataDesc_CountItems(second, &count), noErr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(loadat<u32>(deref(h) + 54 + 4), 8u);
  EXPECT_EQ(_WEDataDesc_GetKeyItem(second, fourcc("bold"), &item), -1705);
  WEDataDesc boolitem{};
  ASSERT_EQ(_WEDataDesc_GetKeyItem(first, fourcc("bold"), &boolitem), noErr);
  EXPECT_EQ(_WEDataDesc_CountItems(boolitem, &count), -1703);
  EXPECT_EQ(_WEDataDesc_GetKeyItem(list, fourcc("bold"), &item), -1703);
  // A reserved word that is not 0.
  storeat<u32>(deref(h) + 20, 1);
  EXPECT_EQ(_WEDataDesc_GetNthItem(list, 0, &key, &item), -1760);
  DisposeHandle(h);
}

TEST_F(KeyedStreamTest, TheBlockGrowsBy256AndIsTrimmedAtClose) {
  Handle h = NewHandle(0);
  WEStream w{};
  ASSERT_EQ(_WEStream_Open(h, &w), noErr);
  ASSERT_EQ(_WEStream_OpenList(&w), noErr);
  EXPECT_EQ(GetHandleSize(h), 256);
  ASSERT_EQ(_WEStream_OpenRecord(&w, fourcc("reco")), noErr);
  std::vector<u8> big(260, 0x5A);
  ASSERT_EQ(_WEStream_WriteKeyDesc(&w, fourcc("data"), fourcc("TEXT"), big.data(), 260), noErr);
  EXPECT_EQ(GetHandleSize(h), 512);
  ASSERT_EQ(_WEStream_Close(&w), noErr);
  EXPECT_EQ(GetHandleSize(h), 312);
  DisposeHandle(h);
}

// Streams that claim more than their block holds are refused, never read past.
TEST_F(KeyedStreamTest, CountsAndSizesAreCheckedAgainstTheBlock) {
  Handle h = NewHandle(0);
  WEStream w{};
  ASSERT_EQ(_WEStream_Open(h, &w), noErr);
  ASSERT_EQ(_WEStream_OpenList(&w), noErr);
  ASSERT_EQ(_WEStream_OpenRecord(&w, fourcc("reco")), noErr);
  const i16 v = 3;
  ASSERT_EQ(_WEStream_WriteKeyDesc(&w, fourcc("fnt#"), fourcc("shor"), &v, 2), noErr);
  ASSERT_EQ(_WEStream_Close(&w), noErr);
  const WEDataDesc list = _WEWholeStream(h);
  WEDataDesc record{}, item{};
  OSType key = 0;
  // The list claims a second record that is not there.
  storeat<u32>(deref(h) + 16, 2);
  EXPECT_EQ(_WEDataDesc_GetNthItem(list, 1, &key, &record), weMalformedScrapErr);
  storeat<u32>(deref(h) + 16, 1);
  ASSERT_EQ(_WEDataDesc_GetNthItem(list, 0, &key, &record), noErr);
  // The record's size runs past the block.
  storeat<u32>(deref(h) + 28, 4000);
  EXPECT_EQ(_WEDataDesc_GetNthItem(list, 0, &key, &record), weMalformedScrapErr);
  storeat<u32>(deref(h) + 28, 8 + 14);
  // The item's data size runs past its record.
  storeat<u32>(deref(h) + 48, 400);
  EXPECT_EQ(_WEDataDesc_GetKeyItem(record, fourcc("fnt#"), &item), weMalformedScrapErr);
  // A block too short for its header.
  SetHandleSize(h, 10);
  i32 count = 0;
  EXPECT_EQ(_WEDataDesc_CountItems(list, &count), weMalformedScrapErr);
  DisposeHandle(h);
}

}  // namespace
}  // namespace kv
