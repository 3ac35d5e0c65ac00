// The `do` command: its text runs as the running handler's body would, line after line with
// the control structures across them, with the handler's variables and from its object.
#include <gtest/gtest.h>

#include <string>

#include "engine/sendmes.h"
#include "platform/testing/answers.h"
#include "core/mainglobals.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class DoTest : public WindowTest {};

// A text of several lines, joined with returns, as a Veltrix string expression.
std::string textof(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view l : lines) {
    if (!s.empty()) s += " & return & ";
    s += "\"" + std::string(l) + "\"";
  }
  return s;
}

// Edge case: do of a two-line text runs both lines in order, with the handler's variables.
TEST_F(DoTest, EveryLineRunsWithTheHandlersVariables) {
  EXPECT_EQ(fn("put 1 into x\ndo " + textof({"put x + 1 into x", "put x * 10 into x"}) + "\nreturn x"), "20");
  EXPECT_EQ(fn("do " + textof({"", "put 5 into y", "", ""}) + "\nreturn y"), "5") << "empty lines are passed over";
  EXPECT_EQ(fn("do empty\nreturn 1"), "1");
}

TEST_F(DoTest, ControlStructuresSpanTheLines) {
  EXPECT_EQ(fn("do " + textof({"repeat with i = 1 to 3", "put i after s", "end repeat"}) + "\nreturn s"), "123");
  EXPECT_EQ(fn("put 4 into n\ndo " + textof({"if n > 3 then", "put 1 into r", "else", "put 2 into r", "end if"}) +
               "\nreturn r"),
            "1");
  EXPECT_EQ(fn("do " + textof({"repeat 5 times", "put 7 after s", "if s = 77 then exit repeat", "end repeat"}) +
               "\nreturn s"),
            "77");
  EXPECT_EQ(fn("do " + textof({"try", "put 1 into empty", "catch e", "put e into caught", "end try"}) +
               "\nreturn caught"),
            "45");
}

// Edge case: a failing first line stops the second.
TEST_F(DoTest, TheFirstFailureStopsTheText) {
  EXPECT_EQ(run("global a, b\nput empty into a\nput empty into b\ndo " +
                textof({"put 1 into a", "put 1 into empty", "put 1 into b"})),
            45);
  EXPECT_EQ(global("a"), "1");
  EXPECT_EQ(global("b"), "");
  EXPECT_EQ(run("do \"nosuchcommand\""), 1);  // no command of that name
}

TEST_F(DoTest, StatementsAreSentFromTheObjectThatRunsDo) {
  script("on bump\n  global n\n  put n + 1 into n\nend bump\nfunction twice k\n  return 2 * k\nend twice");
  EXPECT_EQ(run("global n\nput 0 into n\ndo " + textof({"bump", "bump"})), 0);
  EXPECT_EQ(global("n"), "2");
  EXPECT_EQ(fn("do \"put twice(21) into r\"\nreturn r"), "42");
}

TEST_F(DoTest, ReturnEndsTheTextAndGivesTheResult) {
  EXPECT_EQ(fn("do " + textof({"put 1 into a", "return 5", "put 2 into a"}) + "\nreturn a & \",\" & the result"),
            "1,5");
  EXPECT_EQ(run("do \"exit to Kestrove\"\nglobal after\nput 1 into after"), -998);
  EXPECT_EQ(global("after"), "(no global after)") << "exit to Kestrove ends every handler";
}

TEST_F(DoTest, LoopWordsThatLeaveTheTextAreErrors) {
  EXPECT_EQ(run("repeat 2 times\ndo \"exit repeat\"\nend repeat"), 31);
  EXPECT_EQ(run("repeat 2 times\ndo \"next repeat\"\nend repeat"), 35);
  EXPECT_EQ(run("do \"pass kvtestrun\""), 30) << "the text has no handler to pass";
  EXPECT_EQ(run("do \"exit kvtestrun\""), 33);
  EXPECT_EQ(mainglobals().repeatindex, -1) << "no loop stays behind";
}

TEST_F(DoTest, ALineOverTwoHundredFiftyFiveCharactersStopsTheText) {
  std::string longline = "put 1 into c -- " + std::string(240, 'a');
  EXPECT_EQ(run("global a, c\nput empty into a\nput empty into c\ndo " +
                textof({"put 1 into a", longline, "put 2 into a"})),
            14);
  EXPECT_EQ(global("a"), "1") << "the lines before it ran";
  EXPECT_EQ(global("c"), "");
  std::string fits = "put 3 into c -- " + std::string(239, 'a');
  EXPECT_EQ(run("global c\ndo " + textof({fits})), 0);
  EXPECT_EQ(global("c"), "3") << "255 characters fit";
}

TEST_F(DoTest, WordsAfterTheTextAreAnError) { EXPECT_EQ(run("do \"put 1 into x\" \"more\""), 19); }

// The error of a line of the text is placed at the `do` statement of the handler.
TEST_F(DoTest, AnErrorInTheTextIsPlacedAtTheDoStatement) {
  testproject::Project p = testproject::small();
  std::string handler = "on fail\n  put 1 into x\n  do \"put 2 into y\" & return & \"put 1 into empty\"\nend fail";
  p.windows[0].cards[0].script = handler;
  build(p);
  ASSERT_EQ(open(), 0);
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(doline("fail"), 45);
  EXPECT_EQ(mainglobals().erroroffset, i32(std::string("on fail\r  put 1 into x\r  ").size()));
}

}  // namespace
}  // namespace kv
