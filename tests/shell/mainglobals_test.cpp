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


TEST_F(MainGlobalsTest, StartValues) {
  ASSERT_EQ(initglobs(), 0);
  const MainGlobals& g = mainglobals();
  EXPECT_EQ(g.itemDelimiter, 44);
  EXPECT_EQ(g.wordDelimiter, 32);
  EXPECT_EQ(g.lineDelimiter, 13);
  EXPECT_EQ(g.scriptCache, 31);
  EXPECT_EQ(g.objectCache, 40);
  EXPECT_EQ(g.pictCache, 20);
  EXPECT_EQ(g.userLevel, 5);
  EXPECT_EQ(g.brush + 1, 1);
  EXPECT_EQ(g.penPat + 1, 12);
  EXPECT_EQ(g.fgSleepTime, 2);
  EXPECT_EQ(g.bgSleepTime, 50);
  EXPECT_EQ(g.fieldScrollStep, 10);
  EXPECT_EQ(g.cardScrollStep, 20);
  EXPECT_EQ(g.tabSize, 36);
  EXPECT_EQ(g.translucentDragLimit, 1048576);
  EXPECT_EQ(g.appleEventTimeout, -1);
  EXPECT_EQ(g.streamBuffer, 8192);
  EXPECT_EQ(g.calllevel, -1);
  EXPECT_EQ(g.erroroffset, -1);
  EXPECT_EQ(g.openfield, -1);
  EXPECT_EQ(g.mouseobject, -1);
  EXPECT_EQ(g.menubarmaybedrawn, 1);
  EXPECT_EQ(g.runningosx, 1);
  EXPECT_EQ(hand(g.fileType), "ttxtTEXT");
  EXPECT_EQ(hand(g.numberformat), "0.######");
  EXPECT_EQ(GetHandleSize(g.repeatque), 8192);
  EXPECT_EQ(GetHandleSize(g.switchque), 1024);
  EXPECT_EQ(GetHandleSize(g.result), 0);
  EXPECT_NE(g.tokenhash, nilhandle) << "the keyword hash table is built at start";
  // The fixture's reset releases everything the record owns: no handle leaks.
}

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
