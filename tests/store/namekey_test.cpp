#include "store/namekey.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kv {
namespace {

u32 key(std::string_view name) {
  Str255 s;
  s[0] = u8(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) s[i + 1] = u8(name[i]);
  u32 k = 0xDEADBEEF;
  getkey(s, &k);
  return k;
}

TEST(NameKey, FoldsCaseAccentsAndPunctuation) {
  EXPECT_EQ(key("Total"), key("TOTAL"));
  EXPECT_EQ(key("Total"), key("total"));
  EXPECT_EQ(key("\x86" "ber"), key("uber"));  // capital U with diaeresis
  EXPECT_EQ(key("\x86" "ber"), key("Uber"));
  EXPECT_EQ(key("a-b"), key("a.b"));
  EXPECT_EQ(key("a5"), key("aq"));
  EXPECT_EQ(key(""), 0u);
}

TEST(NameKey, TellsDifferentNamesApart) {
  EXPECT_NE(key("total"), key("totals"));
  EXPECT_NE(key("ab"), key("ba"));
  EXPECT_NE(key("a"), key("b"));
  // The length takes part: a name and the same name with a blank added differ.
  EXPECT_NE(key("a"), key("a "));
}

TEST(NameKey, FollowsTheRotatingFold) {
  // k = rotl(n, 7); then for each byte k = rotl(k ^ class, 5).
  auto rotl = [](u32 v, int r) { return (v << r) | (v >> (32 - r)); };
  u32 k = rotl(3, 7);
  for (u8 c : {u8(1), u8(2), u8(3)}) k = rotl(k ^ c, 5);
  EXPECT_EQ(key("abc"), k);
  // A long name wraps the rotation without losing bits to a shift.
  std::string longname(255, 'z');
  u32 k2 = rotl(255, 7);
  for (int i = 0; i < 255; ++i) k2 = rotl(k2 ^ 26u, 5);
  EXPECT_EQ(key(longname), k2);
}

TEST(NameKey, HashClearsTheSearchHint) {
  u8 hint[34];
  for (u8& b : hint) b = 0xAB;
  hash(hint + 1);
  EXPECT_EQ(hint[0], 0xAB);
  for (int i = 1; i <= 32; ++i) EXPECT_EQ(hint[i], 0) << i;
  EXPECT_EQ(hint[33], 0xAB);
}

}  // namespace
}  // namespace kv
