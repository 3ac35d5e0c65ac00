// The test main: every test runs on the big-stack thread, with TZ pinned to UTC.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/runtime/bigstack.h"

int main(int argc, char** argv) {
  setenv("TZ", "UTC", 1);
  testing::InitGoogleTest(&argc, argv);
  return kv::runonbigstack([]() { return RUN_ALL_TESTS(); });
}
