// The command line's --eval and --do requests.
#include "shell/commandline.h"

#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "shell/mainglobals.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class CommandLineTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
  }
  // The message box's variables and text start afresh.
  void resetvariables() {
    MainGlobals& g = mainglobals();
    dumpglobalvars(g.globalvars);
    g.globalvars = NewHandle(0);
    if (g.msgpending != nilhandle) SetHandleSize(g.msgpending, 0);
  }
  static int transcriptcount(std::string_view prefix) {
    int n = 0;
    for (const std::string& l : transcriptlines()) n += l.starts_with(prefix) ? 1 : 0;
    return n;
  }
  int runs(std::vector<clirequest> r) {
    out.clear();
    err.clear();
    return runrequests(r, &out, &err);
  }
  std::string out, err;
};

TEST_F(CommandLineTest, EvalPrintsTheValue) {
  EXPECT_EQ(runs({{true, "2^3^2"}}), 0);
  EXPECT_EQ(out, "512\n");
  EXPECT_EQ(err, "");
}

TEST_F(CommandLineTest, AFailurePrintsTheErrorAndEndsTheRun) {
  EXPECT_EQ(runs({{true, "1+1"}, {true, "f(1"}, {true, "3"}}), 1);
  EXPECT_EQ(out, "2\n");
  EXPECT_EQ(err, "Veltrix Error Number 8: A function call is missing its closing parenthesis.\n");
}

TEST_F(CommandLineTest, EvaluateRules) {
  std::string v;
  EXPECT_EQ(evaluatetext("1 2", &v), 19);
  EXPECT_EQ(evaluatetext("hello", &v), 2);
  EXPECT_EQ(evaluatetext("", &v), 0);
  EXPECT_EQ(v, "");
}

// Each --do line runs as a line typed into the message box runs; what the last --do left in
// the box is printed unless an --eval came after it.
TEST_F(CommandLineTest, DoRunsEachLineAsTheMessageBoxRunsIt) {
  struct Case {
    std::vector<clirequest> requests;
    const char* out;
  } cases[] = {
      {{{false, "if 2 > 1 then put \"yes\""}}, "yes\n"},
      {{{false, "if 1 > 2 then put \"yes\" else put \"no\""}}, "no\n"},
      {{{false, "put 6*7"}}, "42\n"},
      {{{false, "6*7"}}, "42\n"},
      {{{false, "put 1 into x"}, {false, "put x + 1"}}, "2\n"},
      {{{false, "global g"}, {false, "put 5 into g\nput g * 2"}}, "10\n"},
      {{{false, "put 1"}, {true, "2"}}, "2\n"},
      {{{false, "put \"a\" & return & \"b\""}}, "a\nb\n"},
  };
  for (const Case& c : cases) {
    resetvariables();
    EXPECT_EQ(runs(c.requests), 0) << c.requests.back().text << err;
    EXPECT_EQ(out, c.out) << c.requests.back().text;
  }
}

TEST_F(CommandLineTest, ALineNobodyTakesShowsTheExpressionsComplaintOnce) {
  setunattendedpolicy(UnattendedPolicy::usedefault);
  EXPECT_EQ(runs({{false, "frobnicate"}, {false, "put 1"}}), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "") << "the error alert reported it";
  EXPECT_EQ(transcriptcount("dialog: alert Veltrix Error Number 2:"), 1);
}

TEST_F(CommandLineTest, EvalPrintsALineForEveryLineInMacRoman) {
  EXPECT_EQ(runs({{true, "line 1 to 2 of (\"a\" & return & \"b\")"}, {true, "numToChar(142)"},
                  {true, "\"\xC3\xA9t\xC3\xA9\" & charToNum(\"\xC3\xA9\")"}}),
            0);
  EXPECT_EQ(out, "a\nb\n\xC3\xA9\n\xC3\xA9t\xC3\xA9" "142\n");
}

}  // namespace
}  // namespace kv
