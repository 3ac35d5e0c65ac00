// Typing ahead in a list: when the buffer starts again, a full buffer, and the match. (The
// timing of keys and the search through rows are driven through listKey in its own tests.)
#include "fields/listtypeahead.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

std::string text(const typeahead& t) { return std::string(reinterpret_cast<const char*>(t.text), size_t(t.length)); }

TEST(TypeAheadTest, BackspaceAnotherListAndTheClockWrappingRound) {
  typeahead t;
  typeaheadadd(t, 7, 'x', 1000);
  typeaheadadd(t, 7, 8, 1001);
  typeaheadadd(t, 7, 8, 1002);
  EXPECT_EQ(t.length, 0) << "backspace on nothing stays at nothing";
  typeaheadadd(t, 7, 'x', 1003);
  typeaheadadd(t, 8, 'y', 1004);
  EXPECT_EQ(text(t), "y") << "another list has a buffer of its own";
  t.last = 0xFFFFFFF0u;
  typeaheadadd(t, 8, 'z', 5);
  EXPECT_EQ(text(t), "yz") << "the tick count wrapping round is a short pause";
}

TEST(TypeAheadTest, AFullBufferIsEmptiedAndNotSearched) {
  typeahead t;
  for (i32 i = 0; i < kTypeAheadLimit; ++i) ASSERT_TRUE(typeaheadadd(t, 1, 'a', u32(i)));
  EXPECT_FALSE(typeaheadadd(t, 1, 'a', 300));
  EXPECT_EQ(t.length, 0);
  EXPECT_TRUE(typeaheadadd(t, 1, 'q', 301));
  EXPECT_EQ(text(t), "q");
}

TEST(TypeAheadTest, KeysAndMatches) {
  for (u8 key : {u8(' '), u8('.'), u8(8), u8(0x8E)}) EXPECT_TRUE(typeaheadkey(key)) << int(key);
  for (u8 key : {u8(1), u8(9), u8(13), u8(31), u8(127)}) EXPECT_FALSE(typeaheadkey(key)) << int(key);
  const u8 typed[] = {'b', 0x8E};      // bé
  const u8 cell[] = {'B', 0x83, 'e'};  // BÉe
  EXPECT_TRUE(listcellmatches(typed, 2, cell, 3)) << "case-blind, accented letters too";
  EXPECT_FALSE(listcellmatches(typed, 2, cell, 1)) << "a cell shorter than the keys";
}

}  // namespace
}  // namespace kv
