#include "shell/debugmsg.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

TEST(DebugMsgTest, WritesTheTextAsUtf8LineToStandardError) {
  testing::internal::CaptureStderr();
  KVDebugMsg(reinterpret_cast<ConstStringPtr>("\x08" "caf\x8E ok!"));
  KVDebugMsg(reinterpret_cast<ConstStringPtr>("\x00"));
  KVDebugMsg(nullptr);
  std::string out = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "caf\xC3\xA9 ok!\n\n") << "Mac Roman 0x8E is e-acute; only the length byte counts";
}

}  // namespace
}  // namespace kv
