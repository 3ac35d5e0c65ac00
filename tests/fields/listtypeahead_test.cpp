// Typing ahead in a list: which keys gather, when the buffer starts again, and the match.
#include "fields/listtypeahead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

std::string text(const typeahead& t) { return std::string(reinterpret_cast<const char*>(t.text), size_t(t.length)); }

i32 search(const typeahead& t, const std::vector<std::string>& rows) {
  return typeaheadsearch(t, i32(rows.size()), [&rows](i32 row, u8* buffer, i32 limit) {
    const std::string& s = rows[size_t(row)];
    const i32 n = std::min<i32>(limit, i32(s.size()));
    std::copy_n(s.begin(), n, buffer);
    return n;
  });
}

TEST(TypeAheadTest, KeysWithinNinetyTicksGatherAndALaterOneStartsAgain) {
  typeahead t;
  ASSERT_TRUE(typeaheadadd(t, 7, 'b', 1000));
  ASSERT_TRUE(typeaheadadd(t, 7, 'e', 1090));
  EXPECT_EQ(text(t), "be") << "90 ticks later still counts";
  ASSERT_TRUE(typeaheadadd(t, 7, 'c', 1181));
  EXPECT_EQ(text(t), "c") << "91 ticks later starts again";
  ASSERT_TRUE(typeaheadadd(t, 7, 8, 1182));
  EXPECT_EQ(text(t), "");
  ASSERT_TRUE(typeaheadadd(t, 7, 8, 1183)) << "backspace on nothing stays at nothing";
  EXPECT_EQ(t.length, 0);
  ASSERT_TRUE(typeaheadadd(t, 7, 'x', 1184));
  ASSERT_TRUE(typeaheadadd(t, 8, 'y', 1185));
  EXPECT_EQ(text(t), "y") << "another list has a buffer of its own";
  typeahead wrapped;
  wrapped.last = 0xFFFFFFF0u;
  wrapped.list = 1;
  wrapped.text[0] = 'a';
  wrapped.length = 1;
  ASSERT_TRUE(typeaheadadd(wrapped, 1, 'b', 5));
  EXPECT_EQ(text(wrapped), "ab") << "the tick count wrapping round is a short pause";
}

TEST(TypeAheadTest, AFullBufferIsEmptiedAndNotSearched) {
  typeahead t;
  for (i32 i = 0; i < kTypeAheadLimit; ++i) ASSERT_TRUE(typeaheadadd(t, 1, 'a', u32(i)));
  EXPECT_EQ(t.length, kTypeAheadLimit);
  EXPECT_FALSE(typeaheadadd(t, 1, 'a', 300));
  EXPECT_EQ(t.length, 0);
  EXPECT_TRUE(typeaheadadd(t, 1, 'q', 301));
  EXPECT_EQ(text(t), "q");
}

TEST(TypeAheadTest, OnlyPrintableKeysAndBackspaceTypeAhead) {
  for (u8 key : {u8('a'), u8('Z'), u8('5'), u8(' '), u8('.'), u8(8), u8(0x8E) /* é */}) EXPECT_TRUE(typeaheadkey(key)) << int(key);
  for (u8 key : {u8(1), u8(4), u8(9), u8(13), u8(28), u8(31), u8(127)}) EXPECT_FALSE(typeaheadkey(key)) << int(key);
}

TEST(TypeAheadTest, TheFirstRowStartingWithTheKeysIsFoundWhateverTheCase) {
  const std::vector<std::string> rows{"apple", "banana", "Berry", "cherry", "b"};
  typeahead t;
  typeaheadadd(t, 1, 'B', 0);
  EXPECT_EQ(search(t, rows), 1);
  typeaheadadd(t, 1, 'e', 1);
  EXPECT_EQ(search(t, rows), 2) << "case-blind";
  typeaheadadd(t, 1, 'r', 2);
  typeaheadadd(t, 1, 'r', 3);
  typeaheadadd(t, 1, 'y', 4);
  typeaheadadd(t, 1, 's', 5);
  EXPECT_EQ(search(t, rows), -1) << "longer than every row";
  typeahead z;
  typeaheadadd(z, 1, 'z', 0);
  EXPECT_EQ(search(z, rows), -1);
  EXPECT_EQ(search(z, {}), -1);
  const u8 accented[] = {0x8E};  // é
  const u8 upper[] = {0x83};     // É
  EXPECT_TRUE(listcellmatches(accented, 1, upper, 1));
}

}  // namespace
}  // namespace kv
