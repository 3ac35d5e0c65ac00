// The interpreter's fast paths read atoms, variable lists and values in place between
// allocations. In test builds every resize moves its block and freed blocks are poisoned, so
// an address kept across an allocation shows up here (the fixture also fails on any use of a
// disposed handle).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/hier.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class HotPathTest : public VeltrixTest {
 protected:
  void SetUp() override {
    VeltrixTest::SetUp();
    setmemoryhardening(true);
  }
};

TEST_F(HotPathTest, AHandlerThatGrowsATextInALoopReadsItsAtomsAndValues) {
  // Every append moves the text's block; the loop reads its own atoms, a number beside the
  // text, a quoted literal and a chunk of the moving text on every pass.
  script("function grow\n"
         "  put empty into t\n"
         "  put 0 into n\n"
         "  repeat with i = 1 to 300\n"
         "    put \"ab\" after t\n"
         "    put n + i into n\n"
         "    if char 2 * i - 1 of t is not \"a\" then return \"lost at\" && i\n"
         "  end repeat\n"
         "  return the number of chars in t && n && char 599 to 600 of t\n"
         "end grow\n"
         "function fib k\n"
         "  if k < 2 then return k\n"
         "  return fib(k - 1) + fib(k - 2)\n"
         "end fib");
  EXPECT_EQ(eval("grow()"), "600 45150 ab");
  EXPECT_EQ(eval("grow()"), "600 45150 ab") << "a second run reads what the first one remembered";
  EXPECT_EQ(eval("fib(12)"), "144");
  EXPECT_EQ(eval("fib(12) + fib(3)"), "146");
}

TEST_F(HotPathTest, ParametersBoundWhileMemoryRunsOutLeaveNothingBehind) {
  // More parameters than arguments: the extra ones are made while the handler's variables
  // grow. Each allocation of the call fails in turn; whatever was made for a failed call is
  // released (the fixture fails the test on a leaked handle).
  static constexpr u8 ref[] = "\x04" "test";
  static constexpr u8 none[] = "\x00";
  std::vector<hier> path(pathentries);
  Handle script = nilhandle, text = nilhandle, atoms = nilhandle;
  const std::string handler = "on take a, b, c\r  put a & b & c into msg\rend take";
  ASSERT_EQ(PtrToHand(handler.data(), &script, Size(handler.size())), noErr);
  ASSERT_EQ(makehier(script, hierobject, ref, &path[0]), 0);
  ASSERT_EQ(makehier(nilhandle, hiershared, none, &path[1]), 0);
  ASSERT_EQ(PtrToHand("take 1", &text, 6), noErr);
  ASSERT_EQ(tokenize(text, &atoms), 0);
  std::vector<i16> statuses;
  for (std::size_t n = 1; n <= 40; ++n) {
    Handle vars = NewHandle(0);
    failallocationafter(n);
    statuses.push_back(sendmes(path, text, atoms, 0, vars, nullptr, sendmescommand));
    failallocationafter(0);
    dumpvars(vars);
  }
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), 37), statuses.end());
  EXPECT_EQ(statuses.back(), 0) << "with memory enough the call runs";
  EXPECT_EQ(msg(), "1");
  DisposeHandle(atoms);
  DisposeHandle(text);
  DisposeHandle(script);
  dumphier(path);
}

TEST_F(HotPathTest, ACallWithMoreArgumentsThanAreHeldAtOnceBindsThemAll) {
  // The arguments reach the handler's list in groups; twelve of them need more than one.
  script("function many a, b, c, d, e, f, g, h, i, j, k, l\n"
         "  return a & b & c & d & e & f & g & h & i & j & k & l && the paramCount && param(12) && param(0)\n"
         "end many\n"
         "on take a, b, c\n  put a & b & c & the paramCount into msg\nend take");
  EXPECT_EQ(eval("many(1, 2, 3, 4, 5, 6, 7, 8, 9, \"x\", \"y\", \"z\")"), "123456789xyz 12 z many");
  EXPECT_EQ(eval("many(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14)"), "123456789101112 14 12 many");
  EXPECT_EQ(send("take 1, 2, 3, 4, 5, 6, 7, 8, 9"), 0);
  EXPECT_EQ(msg(), "1239");
  EXPECT_EQ(evalerror("many(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, nosuchthing(1))"), 41) << "a failing argument";
}

TEST_F(HotPathTest, ManyArgumentsBoundWhileMemoryRunsOutLeaveNothingBehind) {
  // Each allocation of a call with ten arguments fails in turn; the arguments made so far,
  // held or already in the list, are released (the fixture fails the test on a leaked handle).
  script("on take a, b\n  put a & b & the paramCount into msg\nend take");
  std::vector<i16> statuses;
  for (std::size_t n = 1; n <= 60; ++n) {
    failallocationafter(n);
    statuses.push_back(send("take 1, 2, 3, 4, 5, 6, 7, 8, 9, 10"));
    failallocationafter(0);
  }
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), 37), statuses.end());
  EXPECT_EQ(statuses.back(), 0) << "with memory enough the call runs";
  EXPECT_EQ(msg(), "1210");
}

TEST_F(HotPathTest, AddAndSubtractWithANumberLiteral) {
  rows({{"put 5 into n\nadd 1 to n", "n", "6"},
        {"put 5 into n\nsubtract 2.5 from n", "n", "2.5"},
        {"put 1 into n\nadd 1e2 to n", "n", "101"},
        {"put 1 into n\nadd 007 to n", "n", "8"},
        {"put 0 into n\nrepeat 3 times\nadd 2 to n\nend repeat", "n", "6"},
        {"put 1 into n\nadd 1 + 2 to n", "n", "4"},
        {"put \"1,2,3\" into v\nadd 5 to item 2 of v", "v", "1,7,3"},
        {"put \"x\" into n\nadd 1 to n", "", "error 12"},
        {"put 1 into n\nadd 1 to n n", "", "error 19"},
        {"put 1 into n\nadd 1 n", "", "error 7"}});
}

}  // namespace
}  // namespace kv
