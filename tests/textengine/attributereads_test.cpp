// Reading attributes by tag: one value at an offset and matching over a range.
#include <gtest/gtest.h>

#include "tests/textengine/wetest.h"

namespace kv {
namespace {

class AttributeReadTest : public WETest {};

TEST_F(AttributeReadTest, StrikeThroughOverPartOfARange) {
  const WEReference we = maketext("abcdefgh");
  WETextStyle struck{};
  struck.extraFace = 1;
  struck.extraFaceMask = 1;
  ASSERT_EQ(_WESetStyleRange(4, 8, weDoExtraFace | weDoExtraFaceMask, &struck, we), noErr);
  const u8 on = 1;
  u8 found = 0;
  bool continuous = false;
  ASSERT_EQ(WEMatchAttributes(2, 6, fourcc("strk"), 1, 1, &on, &found, &continuous, we), noErr);
  EXPECT_EQ(found, 1);
  EXPECT_FALSE(continuous) << "half the range";
  ASSERT_EQ(WEMatchAttributes(4, 8, fourcc("strk"), 1, 1, &on, &found, &continuous, we), noErr);
  EXPECT_EQ(found, 1);
  EXPECT_TRUE(continuous);
  ASSERT_EQ(WEMatchAttributes(0, 4, fourcc("strk"), 1, 1, &on, &found, &continuous, we), noErr);
  EXPECT_EQ(found, 0);
  u8 value = 0;
  ASSERT_EQ(WEGetOneAttribute(5, fourcc("strk"), &value, 1, we), noErr);
  EXPECT_EQ(value, 1);
  ASSERT_EQ(WEGetOneAttribute(1, fourcc("strk"), &value, 1, we), noErr);
  EXPECT_EQ(value, 0);
}

TEST_F(AttributeReadTest, ShiftModeAndBackgroundColour) {
  const WEReference we = maketext("abcdefgh");
  WETextStyle ts{};
  ts.vShift = 3;
  ts.transferMode = 2;
  ts.backColor = RGBColor{0xFFFF, 0, 0};
  ASSERT_EQ(_WESetStyleRange(0, 8, weDoShift | weDoTransferMode | weDoBackColor, &ts, we), noErr);
  Fixed shift = 0;
  ASSERT_EQ(WEGetOneAttribute(2, fourcc("xshf"), &shift, 4, we), noErr);
  EXPECT_EQ(shift, 3 * 65536);
  i16 mode = 0;
  ASSERT_EQ(WEGetOneAttribute(2, fourcc("pptm"), &mode, 2, we), noErr);
  EXPECT_EQ(mode, 2);
  RGBColor back{};
  ASSERT_EQ(WEGetOneAttribute(2, fourcc("pbcl"), &back, 6, we), noErr);
  EXPECT_EQ(back.red, 0xFFFF);
  bool continuous = false;
  ASSERT_EQ(WEMatchAttributes(0, 8, fourcc("xshf"), 4, 0, nullptr, nullptr, &continuous, we), noErr);
  EXPECT_TRUE(continuous);
  ts.vShift = -2;
  ASSERT_EQ(_WESetStyleRange(6, 8, weDoShift, &ts, we), noErr);
  ASSERT_EQ(WEMatchAttributes(0, 8, fourcc("xshf"), 4, 0, nullptr, nullptr, &continuous, we), noErr);
  EXPECT_FALSE(continuous);
}

TEST_F(AttributeReadTest, AlignmentOfParagraphsAndRefusals) {
  const WEReference we = maketext("one\rtwo");
  OSType tag = 0;
  ASSERT_EQ(WEGetOneAttribute(0, fourcc("pjst"), &tag, 4, we), noErr);
  EXPECT_EQ(tag, fourcc("deft"));
  bool continuous = false;
  ASSERT_EQ(WEMatchAttributes(0, 7, fourcc("pjst"), 4, 0, nullptr, nullptr, &continuous, we), noErr);
  EXPECT_TRUE(continuous);
  EXPECT_NE(WEGetOneAttribute(0, fourcc("nope"), &tag, 4, we), noErr);
  EXPECT_NE(WEGetOneAttribute(0, fourcc("pjst"), &tag, 2, we), noErr) << "a size not the tag's";
  EXPECT_EQ(WEMatchAttributes(5, 2, fourcc("pjst"), 4, 0, nullptr, nullptr, &continuous, we), -50);
}

}  // namespace
}  // namespace kv
