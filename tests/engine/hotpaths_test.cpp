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
  script(
      "function grow\n"
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
  static constexpr u8 ref[] =
      "\x04"
      "test";
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
  script(
      "function many a, b, c, d, e, f, g, h, i, j, k, l\n"
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
  std::vector<i16> statuses = sendwhilememoryrunsout("on take a, b\r  put a & b & the paramCount into msg\rend take",
                                                     "take 1,2,3,4,5,6,7,8,9,10");
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

TEST_F(HotPathTest, ANumberPutIntoAVariableReadsAsTheLongWayWroteIt) {
  // A written number keeps its text; a computed one is turned into text when read, under the
  // numberFormat of that moment.
  EXPECT_EQ(fn("put 1.50 into x\nreturn x"), "1.50");
  EXPECT_EQ(fn("put 1.50 into x\nput x + 1 into x\nreturn x"), "2.5");
  // Over a text held in a handle, a chunk-written text, a boolean, and twice in a row.
  EXPECT_EQ(fn("put \"a text too long to be held inside its value\" into x\nput 2 + 3 into x\nreturn x & length(x)"),
            "51");
  EXPECT_EQ(fn("put \"abc\" into x\nput \"Z\" into char 2 of x\nput 4 * 2 into x\nreturn x"), "8");
  EXPECT_EQ(fn("put 1 < 2 into x\nput x into y\nput 2 < 1 into x\nreturn x && y"), "false true");
  EXPECT_EQ(fn("put 0 into x\nrepeat 5 times\nput x + 1 into x\nend repeat\nput x - 0.5 into x\nreturn x"), "4.5");
  // A global, written here and read by another handler.
  script("function readg\n  global g\n  return g\nend readg");
  EXPECT_EQ(fn("global g\nput 6 * 7 into g\nreturn readg()"), "42");
  // The numberFormat and explicitVars stay set after the handler that set them: these come last.
  EXPECT_EQ(fn("set the numberFormat to \"0.00\"\nput 2 / 3 into x\nset the numberFormat to \"0.#\"\nreturn x"), "0.7");
  EXPECT_EQ(fn("set the numberFormat to \"0.00\"\nput 1 / 3 into x\nput \"a\" after x\nreturn x"), "0.33a");
  // An undeclared variable under explicitVars fails as a text put into it does.
  EXPECT_EQ(fn("set the explicitVars to true\nput 1 + 1 into zz\nreturn zz"),
            fn("set the explicitVars to true\nput \"2\" into zz\nreturn zz"));
}

TEST_F(HotPathTest, AQuotedLiteralPutAfterAVariable) {
  // After a chunk put, after a number, after nothing, and literals the short way does not take.
  EXPECT_EQ(fn("put \"abc\" into y\nput \"X\" into char 2 of y\nput \"d\" after y\nput \"e\" after y\nreturn y"),
            "aXcde");
  EXPECT_EQ(fn("put 5 + 1 into y\nput \",\" after y\nput \",\" after y\nreturn y"), "6,,");
  EXPECT_EQ(fn("put \"a\" after y\nput \"b\" after y\nreturn y"), "ab");
  EXPECT_EQ(
      fn("put \"ab\" into y\nput \"\" after y\nput \"a text of more than thirty-one characters\" after y\nreturn y"),
      "aba text of more than thirty-one characters");
  std::string grown = fn(
      "put empty into y\nrepeat 200 times\nput \"abc,\" after y\nend repeat\nreturn length(y) && item 200 of y");
  EXPECT_EQ(grown, "800 abc");
  EXPECT_EQ(fn("set the explicitVars to true\nput \"a\" after zz\nreturn zz"),
            fn("set the explicitVars to true\nput \"a\" & \"\" after zz\nreturn zz"));
}

TEST_F(HotPathTest, AFunctionCallFindsTheHandlerOfTheScriptThatRunsNow) {
  // The call remembers its handler in its own script; a changed script is read anew, the
  // first of two handlers of a name takes the call, and one that passes sends it on.
  script("function f\n  return g() & g()\nend f\nfunction g\n  return 1\nend g\nfunction g\n  return 9\nend g");
  script("");
  EXPECT_EQ(eval("f()"), "11");
  EXPECT_EQ(eval("f()"), "11");
  setscript(0, "function f\n  return g() & g()\nend f\nfunction g\n  return 2\nend g");
  EXPECT_EQ(eval("f()"), "22");
  setscript(0, "function f\n  return g() & g()\nend f\nfunction g\n  pass g\nend g");
  setscript(1, "function g\n  return 3\nend g");
  EXPECT_EQ(eval("f()"), "33");
  EXPECT_EQ(eval("f()"), "33");
}

TEST_F(HotPathTest, TwoNumbersAndOneOperatorReadAsTheWholeEvaluatorReadsThem) {
  // Each parenthesised pair is two operands and one operator: numbers held by variables take
  // the short way from the second pass on (their atoms are marked by then); texts, booleans
  // and longer expressions do not. Every pass must read alike.
  script(
      "function pairs a, b, fmt\n"
      "  set the numberFormat to fmt\n"
      "  put a + 0 into m\n"
      "  put b + 0 into n\n"
      "  put a into s\n"
      "  put b into t\n"
      "  put m < n into flag\n"
      "  put empty into seen\n"
      "  repeat 3 times\n"
      "    put (m - n) & \",\" & (m / n) & \",\" & (m * n) & \",\" & (m + 1) & \",\" & (2 > n) into r\n"
      "    put r & \"|\" & (m < n) & \",\" & (m >= n) & \",\" & (s < t) & \",\" & (s <= 2) into r\n"
      "    put r & \"|\" & (flag < 1) & \",\" & (m - n * 2) & \",\" & (n - m) & \",\" & (s - t) into r\n"
      "    put r & \";\" after seen\n"
      "  end repeat\n"
      "  return seen\n"
      "end pairs\n"
      "function texts a, b\n"
      "  repeat 2 times\n"
      "    put (a < b) & \",\" & (a > b) & \",\" & (a <= 10) after r\n"
      "  end repeat\n"
      "  return r\n"
      "end texts");
  const auto thrice = [](const std::string& pass) { return pass + ";" + pass + ";" + pass + ";"; };
  EXPECT_EQ(eval("pairs(7, 2, \"0.######\")"), thrice("5,3.5,14,8,false|false,true,false,false|false,3,-5,5"));
  EXPECT_EQ(eval("pairs(1, 3, \"0.00\")"),
            thrice("-2.00,0.33,3.00,2.00,false|true,false,true,true|false,-5.00,2.00,-2.00"));
  EXPECT_EQ(eval("pairs(-1.5, 0, \"0.######\")"),
            thrice("-1.5,-INF,0,-0.5,true|true,false,true,true|false,-1.5,1.5,-1.5"));
  // Texts compare as texts, whatever the operands look like.
  EXPECT_EQ(eval("texts(\"abc\", \"abd\")"), "true,false,falsetrue,false,false");
}

TEST_F(HotPathTest, AFinishedCallsVariablesServeTheNextCallsAsNew) {
  // A call's list, its arguments' values and its parameters' names are kept when it ends and
  // given to the next calls: nothing of an earlier call may show through, whatever its
  // arguments, names or texts were.
  script(
      "function f a, b, c\n"
      "  return a & \"|\" & b & \"|\" & c & \"|\" & the paramCount & \"|\" & param(3) & \"|\" & the params\n"
      "end f\n"
      "function g longername\n"
      "  do \"put longername into shown\"\n"
      "  return shown & \"|\" & the paramCount\n"
      "end g\n"
      "function k a, b\n"
      "  return b & a & b\n"
      "end k\n"
      "function d x, x\n"
      "  put x & \"+\" after x\n"
      "  return x\n"
      "end d");
  const std::vector<std::pair<std::string, std::string>> calls = {
      {"f(1)", "1|||1||f \"1\""}, {"g(5)", "5|1"},     {"f()", "|||0||f "},     {"k(1)", "1"},
      {"d(1)", "11+"},              {"d(4, 5)", "44+"}, {"k(1, 2, 3)", "212"}};
  EXPECT_EQ(eval("f(1, \"a text of more than thirty-one characters\", true)").substr(0, 50),
            "1|a text of more than thirty-one characters|true|3");
  EXPECT_EQ(eval("d(\"a text of more than thirty-one characters\", 2, 3)"),
            "a text of more than thirty-one charactersa text of more than thirty-one characters+");
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& [call, result] : calls) EXPECT_EQ(eval(call), result) << call;
  }
}

TEST_F(HotPathTest, AKeptListIsANewListToWhatRememberedTheOldOne) {
  // The two local names differ but share their name key (the characters 32 apart swapped); a
  // list kept from the first call serves the second, which makes them in the other order. What
  // an atom remembered of the first call's list must not find the other variable.
  const std::string a = "p" + std::string(31, 'x') + "q";
  const std::string b = "q" + std::string(31, 'x') + "p";
  script("function ordered ahead\n  if ahead then\n    put 1 into " + a + "\n    put 2 into " + b +
         "\n  else\n    put 2 into " + b + "\n    put 1 into " + a + "\n  end if\n  return " + a + " & " + b +
         "\nend ordered");
  EXPECT_EQ(eval("ordered(true)"), "12");
  EXPECT_EQ(eval("ordered(false)"), "12");
  EXPECT_EQ(eval("ordered(true)"), "12");
}

TEST_F(HotPathTest, CallsWithinACallWhileItsVariablesAreInUse) {
  // Recursion, `do` and nested calls each take a list while the outer one is in use;
  // the outer call's arguments and locals stay its own.
  script(
      "function outer a, b\n"
      "  put \"mine\" into kept\n"
      "  do \"put inner(a + 1) into c\"\n"
      "  do \"bump 6\"\n"
      "  put sumdown(b + 3) into e\n"
      "  return a & \",\" & b & \",\" & c & \",\" & e & \",\" & kept & \",\" & the paramCount\n"
      "end outer\n"
      "function inner x\n  return x * 10\nend inner\n"
      "on bump n\n  put inner(n) & the paramCount & outerless() into msg\nend bump\n"
      "function outerless\n  return the paramCount\nend outerless\n"
      "function sumdown n\n  if n < 1 then return 0\n  return n + sumdown(n - 1)\nend sumdown");
  EXPECT_EQ(eval("outer(1, 2)"), "1,2,20,15,mine,2");
  EXPECT_EQ(msg(), "6010");
  EXPECT_EQ(eval("outer(3, 0) & outer(1, 2)"), "3,0,40,6,mine,21,2,20,15,mine,2");
}

}  // namespace
}  // namespace kv
