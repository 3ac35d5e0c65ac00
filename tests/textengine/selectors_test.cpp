// A record's fields by selector and its keyed attachments: properties and user info.
#include <gtest/gtest.h>

#include "engine/indent.h"
#include "store/records.h"
#include "tests/textengine/wetest.h"

namespace kv {
namespace {

using WESelectorsTest = WETest;

bool stoplinebreak() { return false; }

TEST_F(WESelectorsTest, SelectorsReachTheirFieldsAtTheirOwnWidth) {
  const WEReference we = make();
  const u32 refcon = 0x00040000;
  ASSERT_EQ(WESetInfo(fourcc("refc"), &refcon, we), noErr);
  u32 back = 0;
  ASSERT_EQ(WEGetInfo(fourcc("refc"), &back, we), noErr);
  EXPECT_EQ(back, refcon);
  EXPECT_TRUE(WEGetAutoIndentFlag(we)) << "bit 18 of the reference value";

  // A hook keeps the procedure's whole width.
  const WEProcPtr hook = reinterpret_cast<WEProcPtr>(&stoplinebreak);
  ASSERT_EQ(WESetInfo(fourcc("lbrk"), &hook, we), noErr);
  WEProcPtr got = nullptr;
  ASSERT_EQ(WEGetInfo(fourcc("lbrk"), &got, we), noErr);
  EXPECT_EQ(got, hook);

  Handle h = nilhandle;
  ASSERT_EQ(WEGetInfo(fourcc("text"), &h, we), noErr);
  EXPECT_EQ(h, WEGetText(we));

  const WERec before = rec(we);
  u32 value = 0xAAAAAAAA;
  for (OSType refused : {fourcc("port"), fourcc("zzzz"), OSType(0)}) {
    EXPECT_EQ(WESetInfo(refused, &value, we), paramErr);
    EXPECT_EQ(WEGetInfo(refused, &value, we), paramErr);
  }
  EXPECT_EQ(value, 0xAAAAAAAAu);
  EXPECT_TRUE(_WEBlockCmp(&before, &rec(we), sizeof before)) << "a refused selector changes nothing";
}

TEST_F(WESelectorsTest, UserInfoPairsEndWithTagZero) {
  const WEReference we = make();
  auto pairs = [&] { return GetHandleSize(rec(we).hUserInfo) / 8; };
  ASSERT_EQ(WESetUserInfo(fourcc("TSIZ"), 4, we), noErr);
  ASSERT_EQ(WESetUserInfo(fourcc("EMSP"), 6, we), noErr);
  ASSERT_EQ(WESetUserInfo(fourcc("TSIZ"), 8, we), noErr);
  EXPECT_EQ(pairs(), 3) << "two pairs and the ending pair";
  i32 v = 0;
  ASSERT_EQ(WEGetUserInfo(fourcc("TSIZ"), &v, we), noErr);
  EXPECT_EQ(v, 8);
  ASSERT_EQ(WERemoveUserInfo(fourcc("TSIZ"), we), noErr);
  ASSERT_EQ(WERemoveUserInfo(fourcc("EMSP"), we), noErr);
  EXPECT_EQ(pairs(), 1) << "only the ending pair";

  v = 77;
  EXPECT_EQ(WEGetUserInfo(fourcc("TSIZ"), &v, we), paramErr);
  EXPECT_EQ(v, 77) << "an absent tag leaves the value alone";
  EXPECT_EQ(WERemoveUserInfo(fourcc("TSIZ"), we), paramErr);
  EXPECT_EQ(WESetUserInfo(0, 1, we), paramErr) << "tag 0 would hide every later pair";
  EXPECT_EQ(WEGetUserInfo(0, &v, we), paramErr);
  EXPECT_EQ(pairs(), 1);
}

TEST_F(WESelectorsTest, PropertiesAreKeyedByCreatorAndTag) {
  const WEReference we = make();
  const OSType vizu = fourcc("VIZU"), marg = fourcc("marg");
  i32 size = -1;
  EXPECT_EQ(WEGetProperty(vizu, marg, 0, &size, nullptr, we), weNoPropertyErr) << "no collection yet";
  EXPECT_EQ(WERemoveProperty(vizu, marg, we), weNoPropertyErr);
  EXPECT_EQ(size, -1);

  const u8 wide[8] = {1, 2, 3, 4, 5, 6, 7, 8}, narrow[2] = {9, 10};
  ASSERT_EQ(WESetProperty(vizu, marg, sizeof wide, wide, we), noErr);
  ASSERT_EQ(WESetProperty(fourcc("Info"), marg, sizeof wide, wide, we), noErr);
  ASSERT_EQ(WESetProperty(vizu, marg, sizeof narrow, narrow, we), noErr);
  u8 got[8] = {};
  ASSERT_EQ(WEGetProperty(vizu, marg, sizeof got, &size, got, we), noErr);
  EXPECT_EQ(size, 2) << "one item of the newer size";
  EXPECT_EQ(got[1], 10);
  EXPECT_EQ(got[2], 0);
  ASSERT_EQ(WEGetProperty(fourcc("Info"), marg, 4, &size, got, we), noErr);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(got[3], 4);
  EXPECT_EQ(got[4], 0) << "no more than the size given is copied";

  ASSERT_EQ(WERemoveProperty(vizu, marg, we), noErr);
  EXPECT_EQ(WEGetProperty(vizu, marg, 0, &size, nullptr, we), weNoPropertyErr);
  EXPECT_EQ(WERemoveProperty(vizu, marg, we), weNoPropertyErr);
}

}  // namespace
}  // namespace kv
