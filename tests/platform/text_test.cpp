#include <gtest/gtest.h>

#include <string>

#include "platform/text/casefold.h"
#include "platform/text/macroman.h"

namespace kv {
namespace {

TEST(MacRoman, RoundTripsEveryByte) {
  std::string all;
  for (int i = 1; i < 256; ++i) all += char(i);
  bool lossy = true;
  EXPECT_EQ(utf8tomacroman(macromantoutf8(all), '?', &lossy), all);
  EXPECT_FALSE(lossy);
  EXPECT_EQ(macromantoutf8("\xA5"), "\xE2\x80\xA2");  // bullet
  EXPECT_EQ(utf8tomacroman("\xE2\x82\xAC"), "\xDB");  // euro sign
}

TEST(MacRoman, UnrepresentableAndMalformedTextIsMarked) {
  bool lossy = false;
  EXPECT_EQ(utf8tomacroman("a\xE2\x98\x83z", '?', &lossy), "a?z");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(utf8tomacroman("\xC3", '#', &lossy), "#");
  EXPECT_EQ(utf8tomacroman("\xFF\x80", '#', &lossy), "##");
}

TEST(CaseFold, OnlyAToZFold) {
  for (int c = 0; c < 256; ++c) {
    u8 want = (c >= 'A' && c <= 'Z') ? u8(c + 32) : u8(c);
    EXPECT_EQ(lowertable[std::size_t(c)], want) << c;
  }
  EXPECT_TRUE(equalnocase(reinterpret_cast<const u8*>("HeLLo"), reinterpret_cast<const u8*>("hello"), 5));
  EXPECT_FALSE(equalnocase(reinterpret_cast<const u8*>("\x80"), reinterpret_cast<const u8*>("\x8A"), 1));
}

}  // namespace
}  // namespace kv
