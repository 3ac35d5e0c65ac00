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

TEST(NameKey, ClassTable) {
  EXPECT_EQ(transformtable['A'], 1);
  EXPECT_EQ(transformtable['z'], 26);
  const u8 digits[10] = {27, 28, 29, 30, 31, 17, 24, 26, 10, 22};
  for (int d = 0; d < 10; ++d) EXPECT_EQ(transformtable[std::size_t('0' + d)], digits[d]) << d;
  for (int c : {128, 129, 135, 140, 174, 187, 190, 203, 204}) EXPECT_EQ(transformtable[std::size_t(c)], 1) << c;
  for (int c : {130, 141}) EXPECT_EQ(transformtable[std::size_t(c)], 3) << c;
  for (int c : {131, 142, 145}) EXPECT_EQ(transformtable[std::size_t(c)], 5) << c;
  for (int c : {146, 149}) EXPECT_EQ(transformtable[std::size_t(c)], 9) << c;
  for (int c : {132, 150}) EXPECT_EQ(transformtable[std::size_t(c)], 14) << c;
  for (int c : {133, 151, 155, 175, 188, 191, 205, 206, 207}) EXPECT_EQ(transformtable[std::size_t(c)], 15) << c;
  for (int c : {134, 156, 159}) EXPECT_EQ(transformtable[std::size_t(c)], 21) << c;
  for (int c : {0, 13, int(' '), int('-'), int('.'), int('_'), 160, 173, 176, 186, 189, 192, 202, 208, 255})
    EXPECT_EQ(transformtable[std::size_t(c)], 0) << c;
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
