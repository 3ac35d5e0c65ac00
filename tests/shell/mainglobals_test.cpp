#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "shell/mainglobals.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"

namespace kv {
namespace {

using namespace testtexts;

using MainGlobalsTest = RuntimeTest;


TEST_F(MainGlobalsTest, DumpglobsReleasesWhatTheRecordOwns) {
  std::size_t before = memoryfigures().livehandles;
  ASSERT_EQ(initglobs(), 0);
  EXPECT_GT(memoryfigures().livehandles, before);
  dumpglobs(0);
  EXPECT_EQ(memoryfigures().livehandles, before);
  EXPECT_EQ(mainglobals().fileType, nilhandle);
}

TEST_F(MainGlobalsTest, StartFailsCleanlyWhenMemoryRunsOut) {
  failallocationafter(3);
  EXPECT_EQ(initglobs(), 37);
  failallocationafter(0);
  // What was made before the failure is released by the reset (the fixture checks).
}

}  // namespace
}  // namespace kv
