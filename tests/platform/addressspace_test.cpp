// The address-space figures: the default model (a budget less the handle table's bytes, no
// more than the kernel's available memory, capped) and an injected one.
#include <gtest/gtest.h>

#include "platform/memory/addressspace.h"
#include "platform/memory/memory.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using AddressSpaceTest = RuntimeTest;

TEST_F(AddressSpaceTest, TheDefaultModelFollowsTheBudgetAndTheHandleTable) {
  EXPECT_LE(FreeVMem(), 0x7FFFFFFFu);
  EXPECT_LE(MaxVBlock(), 0x7FFFFFFFu);
  setaddressspacebudget(4000000);
  u32 before = FreeVMem();
  EXPECT_LE(before, 4000000u);
  Handle h = NewHandle(1000000);
  u32 after = FreeVMem();
  EXPECT_LE(after + 1000000, before + 64) << "the handle's bytes are in use";
  setaddressspacebudget(100);
  EXPECT_EQ(FreeVMem(), 0u) << "more in use than the budget";
  setaddressspacebudget(4000000);
  DisposeHandle(h);
  EXPECT_EQ(FreeVMem(), before);
}

TEST_F(AddressSpaceTest, AnInjectedModelIsCapped) {
  setaddressspacemodel([] { return AddressSpace{u64(1) << 40, 12345}; });
  EXPECT_EQ(FreeVMem(), 0x7FFFFFFFu);
  EXPECT_EQ(MaxVBlock(), 12345u);
  setaddressspacemodel(nullptr);
  EXPECT_LE(FreeVMem(), 0x7FFFFFFFu);
}

}  // namespace
}  // namespace kv
