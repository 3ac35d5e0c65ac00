// The test main: every test runs on the big-stack thread, with TZ pinned to UTC and a
// temporary home folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/runtime/bigstack.h"
#include "platform/testing/temphome.h"

int main(int argc, char** argv) {
  setenv("TZ", "UTC", 1);
  testing::InitGoogleTest(&argc, argv);
  // No test writes into the real home folder (preferences and the like).
  kv::TemporaryHome home;
  return kv::runonbigstack([]() { return RUN_ALL_TESTS(); });
}
