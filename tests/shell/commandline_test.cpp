// The command line's --eval and --do requests.
#include "shell/commandline.h"

#include "platform/memory/memory.h"
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

TEST_F(CommandLineTest, DoSendsEachLineAsAMessage) {
  EXPECT_EQ(runs({{false, "put 6 * 7 into x\nput x into msg"}}), 0);
  ASSERT_NE(mainglobals().msgpending, nilhandle);
  EXPECT_EQ(GetHandleSize(mainglobals().msgpending), 2);
  // Lines are messages: a control structure is no command.
  EXPECT_EQ(runs({{false, "global g"}}), 1);
  EXPECT_EQ(runs({{false, "frobnicate"}}), 1);
  EXPECT_EQ(err, "Veltrix Error Number 1: Something went wrong.\n");
  EXPECT_EQ(runs({{true, "\xC3\xA9t\xC3\xA9\" & \"!"}}), 1);  // the UTF-8 crosses as Mac Roman
}

}  // namespace
}  // namespace kv
