#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/memory/memory.h"
#include "platform/memory/stored.h"
#include "platform/runtime/root.h"
#include "store/fieldtail.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"
#include "platform/memory/addressspace.h"
#include "platform/memory/badhandles.h"

namespace kv {
namespace {

using HandleTest = RuntimeTest;

TEST_F(HandleTest, IdSurvivesResizeAndBlockMoves) {
  setmemoryhardening(true);
  OwnedHandle h(NewHandle(16));
  ASSERT_NE(h, nilhandle);
  std::memcpy(deref(h), "0123456789abcdef", 16);
  Ptr before = deref(h);
  SetHandleSize(h, 4096);
  ASSERT_EQ(MemError(), noErr);
  EXPECT_NE(deref(h), before) << "hardened builds move every resized block";
  EXPECT_EQ(GetHandleSize(h), 4096);
  EXPECT_EQ(std::memcmp(deref(h), "0123456789abcdef", 16), 0);
  SetHandleSize(h, 3);
  EXPECT_EQ(GetHandleSize(h), 3);
  EXPECT_EQ(std::memcmp(deref(h), "012", 3), 0);
}

TEST_F(HandleTest, DisposedHandlesAreCaughtAndIdsAreNeverSpecialValues) {
  expectbadhandleuses();
  std::set<Handle> seen;
  for (int i = 0; i < 1000; ++i) {
    Handle h = NewHandle(1);  // one block at a time: the same slot would come back at once
    ASSERT_GE(h, 0x81000000u);
    ASSERT_NE(h, 0xFFFFFFFFu);
    seen.insert(h);
    DisposeHandle(h);
  }
  EXPECT_EQ(seen.size(), 1000u) << "a reused slot gets a new generation";
  Handle h = NewHandle(8);
  DisposeHandle(h);
  EXPECT_FALSE(IsValidHandle(h));
  std::size_t bad = memoryfigures().badhandleuses;
  EXPECT_EQ(deref(h), nullptr);
  EXPECT_EQ(GetHandleSize(h), 0);
  EXPECT_EQ(MemError(), nilHandleErr);
  EXPECT_EQ(memoryfigures().badhandleuses, bad + 2);
}

// Asking whether a handle still lives is how owners of a borrowed id find it gone: the question
// is neither counted nor announced as a use, in any build; a real use is both.
TEST_F(HandleTest, AskingAboutAGoneHandleIsNotAUse) {
  expectbadhandleuses();
  setmemoryhardening(true);
  Handle h = NewHandle(4);
  DisposeHandle(h);
  std::size_t ever = badhandleusessincestart();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(IsValidHandle(h));
  EXPECT_EQ(HandleSerial(h), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(badhandleusessincestart(), ever);
  testing::internal::CaptureStderr();
  EXPECT_EQ(GetHandleSize(h), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("kestrove: use of a disposed handle"), std::string::npos);
  EXPECT_EQ(badhandleusessincestart(), ever + 1);
  resetruntime();
  EXPECT_EQ(badhandleusessincestart(), ever + 1) << "a reset does not clear the count the test main reads";
}

TEST_F(HandleTest, FailureHookAndBudget) {
  failallocationafter(2);
  OwnedHandle a(NewHandle(10));
  EXPECT_NE(a, nilhandle);
  Handle b = NewHandle(10);
  EXPECT_EQ(b, nilhandle);
  EXPECT_EQ(MemError(), memFullErr);
  OwnedHandle c(NewHandle(10));
  EXPECT_NE(c, nilhandle);
  setmemorybudget(memoryfigures().livebytes + 100);
  SetHandleSize(c, 200);
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(GetHandleSize(c), 10);
}

TEST_F(HandleTest, CopiesAndAppends) {
  OwnedHandle h;
  ASSERT_EQ(PtrToHand("abc", &h, 3), noErr);
  ASSERT_EQ(PtrAndHand("de", h, 2), noErr);
  ASSERT_EQ(HandAndHand(h, h), noErr);
  ASSERT_EQ(GetHandleSize(h), 10);
  EXPECT_EQ(std::memcmp(deref(h), "abcdeabcde", 10), 0);
  OwnedHandle c(h.get());
  ASSERT_EQ(HandToHand(&c), noErr);
  EXPECT_NE(c, h);
  EXPECT_EQ(Munger(c, 0, "cd", 2, "X", 1), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(deref(c)), size_t(GetHandleSize(c))), "abXeabcde");
}

TEST(RuntimeReset, ReportsLeakedHandles) {
  resetruntime();
  NewHandle(5);
  ResetReport r = resetruntime();
  EXPECT_EQ(r.leakedhandles, 1u);
  EXPECT_EQ(resetruntime().leakedhandles, 0u);
}

struct Counter {
  int value = 7;
};

TEST(RuntimeReset, ModuleStateStartsFresh) {
  state<Counter>().value = 99;
  resetruntime();
  EXPECT_FALSE(hasstate<Counter>());
  EXPECT_EQ(state<Counter>().value, 7);
  resetruntime();
}

TEST(StoredRecord, FieldListGivesLayoutAndSwap) {
  std::vector<std::string> names;
  std::vector<std::size_t> offs;
  storedfields<fieldtail>([&](const char* n, std::size_t off, std::size_t) {
    names.push_back(n);
    offs.push_back(off);
  });
  EXPECT_EQ(names, (std::vector<std::string>{"just", "lineheight", "font", "size", "face", "color"}));
  EXPECT_EQ(offs, (std::vector<std::size_t>{0, 2, 4, 6, 8, 10}));
  fieldtail t{};
  t.just = -2;
  t.font = 0x0102;
  t.color = 0x3FFFFFFF;
  endianswap(t);
  u8 b[14];
  std::memcpy(b, &t, 14);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xFE);
  EXPECT_EQ(b[4], 0x01);
  EXPECT_EQ(b[5], 0x02);
  EXPECT_EQ(b[10], 0x3F);
  EXPECT_EQ(b[13], 0xFF);
  endianswap(t);
  EXPECT_EQ(i16(t.just), -2);
  EXPECT_EQ(u32(t.color), 0x3FFFFFFFu);
}

// The address-space figures: the default model (a budget less the handle table's bytes, no
// more than the kernel's available memory, capped) and an injected one.
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
