// Base fixture for tests that touch the runtime: it starts from a reset runtime with the
// built-in metrics font in use, and fails the test when a handle leaks or a disposed handle is
// used.
#pragma once

#include <gtest/gtest.h>

namespace kv {

class RuntimeTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A test that uses disposed handles on purpose says so here.
  void expectbadhandleuses() { allowbadhandleuses_ = true; }

 private:
  bool allowbadhandleuses_ = false;
};

}  // namespace kv
