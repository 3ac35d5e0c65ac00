// merge, doAsMsg and errorText as scripts use them, and the card-list and field descriptions.
#include <gtest/gtest.h>

#include <string>

#include "commands/textfunctions.h"
#include "engine/fred.h"
#include "platform/backend/headless.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class TextFunctionsTest : public VeltrixTest {
 protected:
  std::string merged(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\" & quote & \"") : std::string(1, c);
    return eval("merge(" + quoted + "\")");
  }
};

TEST_F(TextFunctionsTest, MergeReplacesBracketedExpressions) {
  EXPECT_EQ(merged("a[[1+1]]b"), "a2b");
  EXPECT_EQ(merged("[[1+1]] and [[2*3]]"), "2 and 6");
  EXPECT_EQ(merged("x[[1+]]y"), "x[?1+?]y") << "a failing expression keeps its text";
  EXPECT_EQ(merged("[[1 2]]"), "[?1 2?]") << "words left over";
  EXPECT_EQ(merged("[[]]"), "[??]");
  EXPECT_EQ(merged("a[[1+1"), "a[[1+1") << "no closing brackets";
  EXPECT_EQ(merged("[a] [x]]"), "[a] [x]]") << "single brackets stay";
  EXPECT_EQ(merged("[[ [[1+1]] * 3 ]]"), "6") << "the inner part first";
  EXPECT_EQ(merged("say `hi`"), "say \"hi\"");
  EXPECT_EQ(merged("[[`a` & `b`]]"), "ab");
  EXPECT_EQ(merged(""), "");
  EXPECT_EQ(fn("put 5 into n\nreturn merge(\"n=[[n]], [[n*n]]\")"), "n=5, 25");
  EXPECT_EQ(eval("the merge of \"[[3-1]]\""), "2");
}

TEST_F(TextFunctionsTest, MergeOfDeepNestingEnds) {
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "[[";
  deep += "1";
  for (int i = 0; i < 300; ++i) deep += "]]";
  std::string out = merged(deep);
  EXPECT_FALSE(out.empty());
  EXPECT_EQ(out.rfind("error", 0), std::string::npos) << out.substr(0, 40);
}

TEST_F(TextFunctionsTest, DoAsMsgEvaluatesOrRuns) {
  EXPECT_EQ(fn("put \"x\" into it\nreturn doAsMsg(\"1+2\") & \"|\" & the result"), "3|");
  EXPECT_EQ(eval("doAsMsg(\"length(\" & quote & \"abc\" & quote & \")\")"), "3");
  u32 beeps = headlessbackend()->beeps();
  EXPECT_EQ(eval("doAsMsg(\"beep\")"), "");
  EXPECT_EQ(headlessbackend()->beeps(), beeps + 1) << "the command ran";
  EXPECT_EQ(result(), "");
  EXPECT_EQ(eval("doAsMsg(\"put 7 into msg\")"), "");
  EXPECT_EQ(msg(), "7");
  EXPECT_EQ(eval("doAsMsg(\"frobnicate\")"), "");
  EXPECT_EQ(result(), "2") << "a single word that is no variable is no expression";
  EXPECT_EQ(eval("doAsMsg(\"frob nicate\")"), "");
  EXPECT_EQ(result(), "19");
  EXPECT_EQ(eval("doAsMsg(\"beep -1\")"), "");
  EXPECT_EQ(result(), "38") << "the command's own error";
}

TEST_F(TextFunctionsTest, ErrorText) {
  EXPECT_EQ(eval("errorText(0)"), "");
  EXPECT_EQ(eval("errorText(2)"), "Can't understand this.");
  EXPECT_EQ(eval("the errorText of 5"), "Expected \"of\" or \"in\" here.");
  EXPECT_EQ(eval("errorText(\"x\")"), "") << "not a number: no error";
  EXPECT_EQ(eval("errorText(99999)"), "");
  ParamText(reinterpret_cast<ConstStringPtr>("\x03"
                                             "777"),
            nullptr, nullptr, nullptr);
  EXPECT_EQ(eval("errorText(118)"), "Script error 777: this can't be done here.");
}

TEST_F(TextFunctionsTest, CardListsAsLines) {
  Handle list = NewHandle(0);
  ASSERT_EQ(PtrAndHand("\x03"
                       "abc"
                       "\x02"
                       "de",
                       list, 7),
            noErr);
  fred v;
  ASSERT_EQ(stacktofred(list, &v), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(fredaddr(&v)), size_t(getfredsize(&v))), "abc\rde\r");
  disposfred(&v);
  ASSERT_EQ(PtrAndHand("\x09"
                       "xy",
                       list, 3),
            noErr);  // an entry longer than what is left
  ASSERT_EQ(stacktofred(list, &v), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(fredaddr(&v)), size_t(getfredsize(&v))), "abc\rde\r");
  disposfred(&v);
  DisposeHandle(list);
  ASSERT_EQ(stacktofred(nilhandle, &v), 0);
  EXPECT_EQ(getfredsize(&v), 0);
  disposfred(&v);
}

TEST_F(TextFunctionsTest, NoOpenFieldIsFieldZero) {
  Str255 s;
  getfieldstring(s);
  EXPECT_EQ(std::string(pstringview(s)), "bkgnd field 0 of ");
}

}  // namespace
}  // namespace kv
