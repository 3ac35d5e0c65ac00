// The command line's --eval and --do requests (tests/cli/surface.sh runs them through the
// program as a person does).
#include "shell/commandline.h"

#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "core/mainglobals.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

class CommandLineTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
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

TEST_F(CommandLineTest, EvaluateRules) {
  std::string v;
  EXPECT_EQ(evaluatetext("1 2", &v), 19);
  EXPECT_EQ(evaluatetext("hello", &v), 2);
  EXPECT_EQ(evaluatetext("", &v), 0);
  EXPECT_EQ(v, "");
}

TEST_F(CommandLineTest, ALineNobodyTakesShowsTheExpressionsComplaintOnce) {
  setunattendedpolicy(UnattendedPolicy::usedefault);
  EXPECT_EQ(runs({{false, "frobnicate"}, {false, "put 1"}}), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "") << "the error alert reported it";
  EXPECT_EQ(transcriptcount("dialog: alert Veltrix Error Number 2:"), 1);
}

}  // namespace
}  // namespace kv
