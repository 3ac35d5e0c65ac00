// The checks before a project is written: the disk-full message once per shortage, and a
// project whose file refuses writes.
#include <gtest/gtest.h>

#include "platform/files/files.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "tests/store/virsupport.h"

namespace kv::virtest {
namespace {

using WriteChecksTest = VirTest;

int diskfullmessages() {
  int n = 0;
  for (const std::string& line : transcriptlines()) {
    if (line == "dialog: message The disk holding \"project.kv45\" is full. Make room on it before saving again.") ++n;
  }
  return n;
}

TEST_F(WriteChecksTest, TheDiskFullMessageShowsOncePerShortage) {
  RegistryId st = openproject();
  setunattendedpolicy(UnattendedPolicy::usedefault);
  setfreespacemodel(10000);
  EXPECT_EQ(nodiskspace(st, 500), 0);
  EXPECT_EQ(diskfullmessages(), 0);

  std::string err;
  ASSERT_TRUE(loadanswers("alert: OK\n", &err)) << err;
  EXPECT_EQ(nodiskspace(st, 10000), 1) << "the bytes must be below the free space";
  EXPECT_EQ(diskfullmessages(), 1);
  EXPECT_EQ(answerspending(), 0u) << "the message took the queued answer";
  EXPECT_EQ(nodiskspace(st, 20000), 1);
  EXPECT_EQ(nodiskspace(st, 10001), 1);
  EXPECT_EQ(diskfullmessages(), 1) << "silent for the rest of the shortage";

  EXPECT_EQ(nodiskspace(st, 9999), 0) << "room again";
  EXPECT_EQ(nodiskspace(st, 10000), 1);
  EXPECT_EQ(diskfullmessages(), 2) << "a new shortage shows it again";
  EXPECT_EQ(nodiskspace(nilid, 1), 1);
}

TEST_F(WriteChecksTest, AProjectIsLockedWhenItsFileRefusesAWrite) {
  RegistryId st = openproject();
  EXPECT_EQ(islocked(st), 0);
  Bytes before = startest::readwhole(dir, "project.kv45");
  EXPECT_EQ(startest::readwhole(dir, "project.kv45"), before) << "the write test changes nothing";

  failfilewriteafter(1);
  EXPECT_EQ(islocked(st), 1);
  failfilewriteafter(0);
  EXPECT_EQ(islocked(st), 1) << "once refused, the project stays locked";
  EXPECT_EQ(findprojectstore(st)->locked, 1);
  EXPECT_EQ(islocked(nilid), 1);
}

}  // namespace
}  // namespace kv::virtest
