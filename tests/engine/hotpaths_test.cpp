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

// Sends `line` to an object whose script is `handler` while each allocation of the call fails
// in turn (the first 60): the statuses, the last with memory enough. Whatever was made for a
// failed call is released (the fixture fails the test on a leaked handle).
std::vector<i16> sendwhilememoryrunsout(const std::string& handler, const std::string& line) {
  static constexpr u8 ref[] = "\x04" "test";
  static constexpr u8 none[] = "\x00";
  std::vector<hier> path(pathentries);
  Handle script = nilhandle, text = nilhandle, atoms = nilhandle;
  EXPECT_EQ(PtrToHand(handler.data(), &script, Size(handler.size())), noErr);
  EXPECT_EQ(makehier(script, hierobject, ref, &path[0]), 0);
  EXPECT_EQ(makehier(nilhandle, hiershared, none, &path[1]), 0);
  EXPECT_EQ(PtrToHand(line.data(), &text, Size(line.size())), noErr);
  EXPECT_EQ(tokenize(text, &atoms), 0);
  std::vector<i16> statuses;
  for (std::size_t n = 1; n <= 60; ++n) {
    Handle vars = NewHandle(0);
    failallocationafter(n);
    statuses.push_back(sendmes(path, text, atoms, 0, vars, nullptr, sendmescommand));
    failallocationafter(0);
    dumpvars(vars);
  }
  DisposeHandle(atoms);
  DisposeHandle(text);
  DisposeHandle(script);
  dumphier(path);
  return statuses;
}

TEST_F(HotPathTest, ParametersBoundWhileMemoryRunsOutLeaveNothingBehind) {
  // More parameters than arguments: the extra ones are made while the handler's variables
  // grow.
  std::vector<i16> statuses = sendwhilememoryrunsout("on take a, b, c\r  put a & b & c into msg\rend take", "take 1");
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), 37), statuses.end());
  EXPECT_EQ(statuses.back(), 0) << "with memory enough the call runs";
  EXPECT_EQ(msg(), "1");
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
  // Ten arguments: some are held, some already in the handler's list when an allocation fails.
  std::vector<i16> statuses =
      sendwhilememoryrunsout("on take a, b\r  put a & b & the paramCount into msg\rend take", "take 1,2,3,4,5,6,7,8,9,10");
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), 37), statuses.end());
  EXPECT_EQ(statuses.back(), 0) << "with memory enough the call runs";
  EXPECT_EQ(msg(), "1210");
}

TEST_F(HotPathTest, AddAndSubtractWithANumberLiteral) {
  // The literal's number is parsed once and kept in its atom; the second pass of a loop reads
  // it from there.
  EXPECT_EQ(fn("put 5 into n\nadd 1 to n\nreturn n"), "6");
  EXPECT_EQ(fn("put 5 into n\nsubtract 2.5 from n\nreturn n"), "2.5");
  EXPECT_EQ(fn("put 1 into n\nadd 007 to n\nreturn n"), "8");
  EXPECT_EQ(fn("put 0 into n\nrepeat 3 times\nadd 2 to n\nsubtract 0.5 from n\nend repeat\nreturn n"), "4.5");
  EXPECT_EQ(fn("put 1 into n\nadd 1 + 2 to n\nreturn n"), "4");
  EXPECT_EQ(fn("put \"1,2,3\" into v\nadd 5 to item 2 of v\nreturn v"), "1,7,3");
  // What is no plain literal amount, or no container after it, fails as before.
  EXPECT_EQ(fn("put \"x\" into n\nadd 1 to n\nreturn n"), fn("put \"x\" into n\nadd 1 + 0 to n\nreturn n"));
  EXPECT_NE(fn("put \"x\" into n\nadd 1 to n\nreturn n").rfind("error ", 0), std::string::npos);
  EXPECT_EQ(fn("put 1 into n\nadd 1 to n n\nreturn n"), "error 19");
  EXPECT_EQ(fn("put 1 into n\nadd 1 n\nreturn n"), "error 7");
  EXPECT_EQ(fn("add 1 to\nreturn 0"), fn("add 1 + 0 to\nreturn 0"));
}

}  // namespace
}  // namespace kv
