// The engine's shared utilities: splicing blocks, picture names and language codes.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/fixture.h"
#include "textengine/weinternal.h"

namespace kv {
namespace {

using WEUtilitiesTest = RuntimeTest;

std::string bytes(Handle h) {
  return std::string(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
}

TEST_F(WEUtilitiesTest, SpliceInsertsAndRemovesInsideTheBlock) {
  Handle h = nilhandle;
  ASSERT_EQ(PtrToHand("abcdef", &h, 6), noErr);
  EXPECT_EQ(_WESplice(h, "XY", 2, -1), noErr);
  EXPECT_EQ(bytes(h), "abcdefXY");
  EXPECT_EQ(_WESplice(h, "12", 2, 0), noErr);
  EXPECT_EQ(bytes(h), "12abcdefXY");
  EXPECT_EQ(_WESplice(h, nullptr, -3, 2), noErr);
  EXPECT_EQ(bytes(h), "12defXY");
  for (i32 position : {-2, 8}) EXPECT_EQ(_WESplice(h, "Q", 1, position), paramErr) << position;
  EXPECT_EQ(_WESplice(h, nullptr, -3, 5), paramErr) << "only two bytes lie past position 5";
  EXPECT_EQ(_WESplice(h, nullptr, -1, -1), paramErr) << "nothing lies past the end";
  EXPECT_EQ(bytes(h), "12defXY");
  EXPECT_EQ(_WESplice(0, "Q", 1, 0), nilHandleErr);
  DisposeHandle(h);
}

TEST_F(WEUtilitiesTest, NamesAndLanguages) {
  EXPECT_EQ(maketiffname(3), "picture3.tiff");
  u32 code = 99;
  ASSERT_EQ(_WESetLanguage("fr", 2, &code), noErr);
  char name[32] = "junk";
  ASSERT_EQ(_WEGetLanguage(code, name, sizeof name), noErr);
  EXPECT_STREQ(name, "fr");
  EXPECT_EQ(_WEGetLanguage(code, name, 2), weBufferTooSmallErr) << "no room for the terminator";
  ASSERT_EQ(_WESetLanguage("", 0, &code), noErr);
  EXPECT_EQ(code, 0u) << "an empty text gives no language";
  ASSERT_EQ(_WEGetLanguage(0, name, sizeof name), noErr);
  EXPECT_STREQ(name, "");
  const std::string longname(32, 'a');
  code = 5;
  EXPECT_EQ(_WESetLanguage(longname.c_str(), 32, &code), weBufferTooSmallErr);
  EXPECT_EQ(_WESetLanguage("xx_YY", 5, &code), paramErr);
  EXPECT_EQ(code, 5u);
}

}  // namespace
}  // namespace kv
