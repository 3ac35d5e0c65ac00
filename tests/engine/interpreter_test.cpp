// The statement interpreter and message sending, driven as scripts run: handlers on a
// message path, sent messages and function calls.
#include <initializer_list>
#include <string>
#include <utility>

#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/sendmes.h"
#include "engine/variables.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "engine/tokenizer.h"
#include "platform/testing/answers.h"
#include "platform/testing/transcript.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class InterpreterTest : public VeltrixTest {};

TEST_F(InterpreterTest, CountingLoops) {
  EXPECT_EQ(fn("put empty into s\nrepeat with i = 3 down to 1\nput i after s\nend repeat\nreturn s"), "321");
  EXPECT_EQ(fn("put \"x\" into s\nrepeat with i = 1 to 0\nput i after s\nend repeat\nreturn s"), "x");
  EXPECT_EQ(fn("put \"x\" into s\nrepeat 0 times\nput 1 after s\nend repeat\nreturn s"), "x");
  EXPECT_EQ(fn("put 0 into n\nrepeat for 4 times\nput n + 1 into n\nend repeat\nreturn n"), "4");
  // Changing the loop variable does not change the count.
  EXPECT_EQ(fn("put 0 into n\nrepeat with i = 1 to 3\nput 10 into i\nput n + 1 into n\nend repeat\nreturn n"), "3");
}

TEST_F(InterpreterTest, ConditionalLoops) {
  EXPECT_EQ(fn("put 0 into n\nrepeat while n < 5\nput n + 1 into n\nend repeat\nreturn n"), "5");
  EXPECT_EQ(fn("put 0 into n\nrepeat until n >= 3\nput n + 1 into n\nend repeat\nreturn n"), "3");
  EXPECT_EQ(fn("put 0 into n\nrepeat\nput n + 1 into n\nif n = 4 then exit repeat\nend repeat\nreturn n"), "4");
  EXPECT_EQ(fn("put 0 into n\nrepeat forever\nput n + 1 into n\nif n > 2 then exit repeat\nend repeat\nreturn n"), "3");
}

TEST_F(InterpreterTest, ForEach) {
  EXPECT_EQ(fn("put \"a  b\" into v\nput empty into s\nrepeat for each word w in v\nput w & \"/\" after s\n"
               "end repeat\nreturn s"),
            "a/b/");
  EXPECT_EQ(fn("put \"a,b,\" into v\nput empty into s\nrepeat for each item w in v\nput w & \"/\" after s\n"
               "end repeat\nreturn s"),
            "a/b/");
  EXPECT_EQ(fn("put \"ab\" into v\nput empty into s\nrepeat for each char c in v\nput c & \".\" after s\n"
               "end repeat\nreturn s"),
            "a.b.");
  EXPECT_EQ(fn("put \"l1\" & return & \"l2\" into v\nput empty into s\nrepeat each line w in v\nput w after s\n"
               "end repeat\nreturn s"),
            "l1l2");
  EXPECT_EQ(fn("put \"   \" into v\nput 0 into n\nrepeat for each word w in v\nput 1 into n\nend repeat\nreturn n"),
            "0");
}

TEST_F(InterpreterTest, ForEachWalksItsOwnCopyOfTheText) {
  // The body empties and then refills the container with a longer text: the loop goes on
  // over the text it started with.
  EXPECT_EQ(fn("put \"a,b,c\" into v\nput empty into s\nrepeat for each item w in v\nput empty into v\n"
               "put w after s\nput \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\" into v\nend repeat\nreturn s"),
            "abc");
}

TEST_F(InterpreterTest, NextAndExitRepeat) {
  EXPECT_EQ(fn("put empty into s\nrepeat with i = 1 to 5\nif i mod 2 = 0 then next repeat\nput i after s\n"
               "end repeat\nreturn s"),
            "135");
  EXPECT_EQ(fn("put empty into s\nrepeat with i = 1 to 3\nrepeat with j = 1 to 3\nif j = 2 then exit repeat\n"
               "put i & j after s\nend repeat\nend repeat\nreturn s"),
            "112131");
}

TEST_F(InterpreterTest, Switch) {
  std::string both =
      "put empty into s\nswitch 1\ncase 1\nput \"a\" after s\ncase 1\nput \"b\" after s\nend switch\nreturn s";
  EXPECT_EQ(fn(both), "ab");
  std::string first =
      "put empty into s\nswitch 1\ncase 1\nput \"a\" after s\nexit switch\ncase 1\nput \"b\" after s\n"
      "end switch\nreturn s";
  EXPECT_EQ(fn(first), "a");
  EXPECT_EQ(
      fn("put empty into s\nswitch 3\ncase 1\nput 1 into s\ncase 2\nput 2 into s\nend switch\nreturn s & \"none\""),
      "none");
  // Without an expression the cases are conditions.
  EXPECT_EQ(fn("put 5 into x\nswitch\ncase x < 3\nreturn \"small\"\ncase x < 10\nreturn \"medium\"\nend switch\n"
               "return \"large\""),
            "medium");
  // A try inside a case, and a switch inside a case, end where their own ends are.
  EXPECT_EQ(fn("switch 1\ncase 1\ntry\nthrow 3\ncatch e\nput e into s\nend try\ncase 2\nput 9 after s\nend switch\n"
               "return s"),
            "39");
  EXPECT_EQ(fn("switch 1\ncase 1\nswitch 2\ncase 2\nput 2 into s\nexit switch\nend switch\nput 1 after s\ncase 3\n"
               "put 3 after s\nend switch\nreturn s"),
            "213");
  // exit switch from inside an if inside the switch.
  EXPECT_EQ(fn("put empty into s\nswitch 2\ncase 2\nif true then\nexit switch\nend if\nput 9 into s\nend switch\n"
               "return s & \"out\""),
            "out");
}

TEST_F(InterpreterTest, TryCatchThrow) {
  EXPECT_EQ(fn("try\nput 1 + nosuch into x\ncatch e\nreturn \"caught \" & e\nend try\nreturn \"no\""), "caught 16");
  EXPECT_EQ(mainglobals().erroroffset, -1);  // nothing was recorded
  EXPECT_EQ(mainglobals().trydepth, 0);
  EXPECT_EQ(fn("try\nput 1 into x\ncatch e\nreturn \"caught\"\nend try\nreturn e"), "0");
  EXPECT_EQ(fn("throw 0\nreturn \"went on\""), "went on");
  EXPECT_EQ(fn("try\nthrow 42\ncatch e\nreturn e\nend try"), "42");
  EXPECT_EQ(fn("throw 42"), "error 42");
  EXPECT_EQ(run("exit to kestrove x"), 19);
  EXPECT_EQ(run("exit to kestrove"), -998);
  // Nested try statements each lower the depth once.
  EXPECT_EQ(fn("try\ntry\nthrow 5\ncatch e\nend try\nput 1 + nosuch into y\ncatch f\nreturn e & f\nend try"), "516");
  EXPECT_EQ(mainglobals().trydepth, 0);
}

TEST_F(InterpreterTest, StatementsInsideTryLeaveIt) {
  EXPECT_EQ(fn("try\nreturn 5\ncatch e\nend try\nreturn 7"), "5");
  EXPECT_EQ(fn("put 0 into n\nrepeat\ntry\nput n + 1 into n\nexit repeat\ncatch e\nend try\nend repeat\nreturn n"),
            "1");
  EXPECT_EQ(run("try\nexit to kestrove\ncatch e\nend try\nput 1 into msg"), -998);
  script("on greet\nglobal seen\nput \"passed\" into seen\nend greet");
  EXPECT_EQ(run("try\npass kvtestrun\ncatch e\nend try\nput 1 into msg"), 1);  // passed on: no such command
  script("on kvtestrun\nglobal seen\nput \"took the pass\" into seen\nend kvtestrun");
  EXPECT_EQ(run("try\npass kvtestrun\ncatch e\nend try\nglobal seen\nput \"not passed\" into seen"), 0);
  EXPECT_EQ(global("seen"), "took the pass");
  EXPECT_EQ(mainglobals().trydepth, 0);
}

// Malformed structures and statements: each gives its own error.
TEST_F(InterpreterTest, DocumentedErrors) {
  for (auto [body, error] : std::initializer_list<std::pair<const char*, const char*>>{
           {"exit repeat", "error 31"},
           {"next repeat", "error 35"},
           {"next x", "error 34"},
           {"exit elsewhere", "error 33"},
           {"pass elsewhere", "error 30"},
           {"end if", "error 29"},
           {"end repeat", "error 29"},
           {"else", "error 28"},
           {"if true\nput 1 into x", "error 25"},
           {"if true then\nput 1 into x", "error 26"},
           {"repeat 0 times\nput 1 into x", "error 21"},
           {"repeat 2 times\nput 1 into x", "error 36"},
           {"switch 1\ncase 2", "error 142"},
           {"catch e", "error 143"},
           {"try\nput 1 into x", "error 143"},
           {"exit switch", "error 214"},
           {"repeat with i 1 to 2\nend repeat", "error 22"},
           {"repeat with i = 1 2\nend repeat", "error 7"},
           {"global a b", "error 39"},
           {"repeat -1 times\nend repeat", "error 24"},
           {"repeat while 1\nend repeat", "error 15"},
           {"repeat for each blob w in v\nend repeat", "error 4"},
           {"repeat for each word w of nosuch\nend repeat", "error 16"},
           {"if true then\nput 1 into n\nend if x", "error 19"}})
    EXPECT_EQ(fn(body), error) << body;
}

TEST_F(InterpreterTest, IfForms) {
  EXPECT_EQ(fn("if 1 < 2 then return \"yes\"\nreturn \"no\""), "yes");
  EXPECT_EQ(fn("if 1 > 2 then return \"yes\"\nelse return \"no\""), "no");
  EXPECT_EQ(fn("if 1 > 2 then return \"yes\" else return \"no\""), "no");
  EXPECT_EQ(fn("if 1 > 2 then\nreturn 1\nelse if 2 > 3 then\nreturn 2\nelse\nreturn 3\nend if"), "3");
  EXPECT_EQ(fn("if true\nthen return 1"), "1");
  EXPECT_EQ(fn("put 0 into n\nif true then\nif false then\nput 1 into n\nelse\nput 2 into n\nend if\nend if\n"
               "return n"),
            "2");
  // The measured extents are cached: a loop runs the same if many times.
  EXPECT_EQ(fn("put 0 into n\nrepeat 10 times\nif n < 5 then\nput n + 1 into n\nelse\nput n + 2 into n\nend if\n"
               "end repeat\nreturn n"),
            "15");
}

TEST_F(InterpreterTest, GlobalsAndLocals) {
  EXPECT_EQ(run("global g\nput 5 into g"), 0);
  EXPECT_EQ(global("g"), "5");
  EXPECT_EQ(fn("global g\nreturn g + 1"), "6");
  EXPECT_EQ(fn("put 1 into g\nglobal g"), "error 40");
  EXPECT_EQ(fn("globals\nreturn g"), "5");
  EXPECT_EQ(fn("enum red, green, blue = 7, pink\nreturn red & green & blue & pink"), "1278");
  EXPECT_EQ(fn("global g\nlocal g"), "error 2");
  EXPECT_EQ(fn("local q = 4\nreturn q"), "4");
}

TEST_F(InterpreterTest, HandlersAndParameters) {
  script(
      "function f a, b\nreturn a & \"|\" & b & \"|\" & param(3) & \"|\" & the paramCount\nend f\n"
      "function f\nreturn \"second\"\nend f");
  EXPECT_EQ(eval("f(1, 2, 3)"), "1|2|3|3");  // the first of two handlers wins
  EXPECT_EQ(eval("f(1)"), "1|||1");
  EXPECT_EQ(evalerror("f(1 2)"), 2);
  // Calling sendmes for a function without "(".
  Handle text = nilhandle;
  Handle atoms = tokens("f 1", &text);
  std::vector<hier> path(pathentries);
  static constexpr u8 shared[] = "\x00";
  Handle s = nilhandle;
  PtrToHand("function f\nreturn 1\nend f", &s, 24);
  for (char* p = reinterpret_cast<char*>(deref(s)); p < reinterpret_cast<char*>(deref(s)) + 24; ++p)
    if (*p == '\n') *p = '\r';
  static constexpr u8 ref[] =
      "\x06"
      "direct";
  ASSERT_EQ(makehier(s, hierobject, ref, &path[0]), 0);
  ASSERT_EQ(makehier(nilhandle, hiershared, shared, &path[1]), 0);
  DisposeHandle(s);
  fred result;
  newfred(&result, fredtemp, fredstring, 0);
  Handle vars = NewHandle(0);
  EXPECT_EQ(sendmes(path, text, atoms, 0, vars, &result, 0), 49);
  disposfred(&result);
  dumpvars(vars);
  dumphier(path);
}

TEST_F(InterpreterTest, MessagesAndPass) {
  script("on greet who\nglobal seen\nput \"object \" & who after seen\npass greet\nend greet");
  script("on greet who\nglobal seen\nput \"/card \" & who after seen\nend greet");
  EXPECT_EQ(send("greet \"Ann\""), 0);
  EXPECT_EQ(global("seen"), "object Ann/card Ann");
  // The message box takes a put whole, whatever the preposition.
  EXPECT_EQ(run("put \"a\" into msg\nput \"b\" after msg"), 0);
  EXPECT_EQ(msg(), "b");
  EXPECT_EQ(send("nosuchmessage"), 1);  // no handler, no external, no built-in
  EXPECT_EQ(run("return 5"), 0);
  EXPECT_EQ(result(), "5");
}

TEST_F(InterpreterTest, BuiltinsGoStraightToTheDispatcherWhenNoScriptHandlesThem) {
  // With no tokenised script holding "on mouseUp", the path is not searched at all: a handler
  // in a path built afterwards would be found only by the search.
  script("on mouseDown\nend mouseDown\non other\nend other");
  EXPECT_FALSE(handlerpresent(2108));
  u64 before = pathsearches();
  EXPECT_EQ(send("mouseUp"), 0);  // a message that no handler took does nothing
  EXPECT_EQ(pathsearches(), before);
  EXPECT_EQ(send("other"), 0);  // a user message is always searched for
  EXPECT_EQ(pathsearches(), before + 1);
  script("on mouseUp\nput \"handled\" into msg\nend mouseUp");
  EXPECT_EQ(send("mouseUp"), 0);
  EXPECT_EQ(pathsearches(), before + 2);
  EXPECT_TRUE(handlerpresent(2108));
  EXPECT_EQ(msg(), "handled");
}

TEST_F(InterpreterTest, UnboundedRecursionEndsWith50) {
  script(
      "on deeper\ndeeper\nend deeper\nfunction deep n\nreturn deep(n + 1)\nend deep\n"
      "function deepsum n\nreturn 1 + deepsum(n + 1)\nend deepsum");
  EXPECT_EQ(send("deeper"), 50);
  EXPECT_EQ(mainglobals().calllevel, -1);
  EXPECT_EQ(mainglobals().repeatindex, -1);
  EXPECT_EQ(eval("deep(1)"), "error 50");
  // Each call of deepsum holds two table entries while the next runs: the table fills first.
  EXPECT_EQ(eval("deepsum(1)"), "error 111");
}

TEST_F(InterpreterTest, PropertyWordsWithoutThe) {
  rows({{"set scriptCache to 2", "the scriptCache", "8"},
        {"set the colour to 1", "", "error 5"}});  // no property word: a user property needs `of`
}

TEST_F(InterpreterTest, NumberFormatTakesEffectWhenSet) {
  rows({{"set the numberFormat to \"0.00\"", "the numberFormat", "0.00"}});
  EXPECT_EQ(fn("put 1/3 into x\nreturn x"), "0.33");
  EXPECT_EQ(run("set the numberFormat to \"0.######\""), 0);
  EXPECT_EQ(fn("put 1/3 into x\nreturn x"), "0.333333");
}

TEST_F(InterpreterTest, PutIntoBeforeAndAfterVariables) {
  EXPECT_EQ(fn("put 5 into x\nput \"a\" before x\nput \"b\" after x\nreturn x"), "a5b");
  EXPECT_EQ(fn("put 1 into empty"), "error 45");
  EXPECT_EQ(fn("get 3 * 4\nreturn it"), "12");
  EXPECT_EQ(run("put \"hello\""), 0);
  EXPECT_EQ(msg(), "hello");
  EXPECT_EQ(fn("put 2 into x\nput x + 1.5 into y\nreturn y"), "3.5");
  EXPECT_EQ(fn("put 1.50 into r\nreturn r"), "1.50");
  EXPECT_EQ(fn("put empty into r\nrepeat 2 times\nput 1.50 after r\nend repeat\nreturn r"), "1.501.50");
}

TEST_F(InterpreterTest, SendAndDo) {
  EXPECT_EQ(run("do \"put 7 into msg\""), 0);
  EXPECT_EQ(msg(), "7");
  // The message text of send keeps its whole length.
  std::string longword(300, 'a');
  EXPECT_EQ(run("put \"" + longword + "\" into w\nsend \"put w into msg\""), 0);
  EXPECT_EQ(msg(), longword);
}

TEST_F(InterpreterTest, StatementsMoveTheHeadlessClock) {
  u32 before = TickCount();
  EXPECT_EQ(run("repeat 3000 times\nput 1 into x\nend repeat"), 0);  // 6,000 statements
  EXPECT_GE(TickCount() - before, 5u);
}

TEST_F(InterpreterTest, AbortAndScriptError) {
  setabortcheck([](u32) -> i16 { return 77; });
  EXPECT_EQ(run("put 1 into x\nput 2 into x"), 77);
  setabortcheck({});
  transcriptclear();
  queueanswer(Answer{"alert", "Cancel", {}});
  EXPECT_EQ(run("scriptError 16"), 0);
  ASSERT_EQ(transcriptlines().size(), 2u);
  EXPECT_EQ(transcriptlines()[0], "dialog: alert Veltrix Error Number 16: No such variable.");
  // With lockErrorDialogs set, nothing is shown.
  EXPECT_EQ(run("set the lockErrorDialogs to true\nscriptError 16"), 0);
  EXPECT_EQ(transcriptlines().size(), 2u);
}

}  // namespace
}  // namespace kv
