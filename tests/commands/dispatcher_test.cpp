// The command and function dispatchers as scripts reach them: which routine a word reaches,
// the plug-in refusals, the emptying of `the result`, the shared function errors, and where
// an error is posted.
#include <gtest/gtest.h>

#include <string>

#include "commands/dispatch.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/process/shellcommand.h"
#include "platform/testing/transcript.h"
#include "platform/time/datetime.h"
#include "core/mainglobals.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class DispatcherTest : public VeltrixTest {
 protected:
  void setresult(std::string_view s) {
    Handle r = mainglobals().result;
    SetHandleSize(r, Size(s.size()));
    if (!s.empty()) std::memcpy(deref(r), s.data(), s.size());
  }
  // Runs a statement straight through the command dispatcher (`function`: calls the function
  // at the start of an expression through the function dispatcher), on a path whose first
  // entry holds the text as its script, so that an error the dispatcher posts is recorded.
  i16 command(std::string_view statement) { return direct(statement, false); }
  i16 function(std::string_view expr) { return direct(expr, true); }
  i16 direct(std::string_view line, bool function) {
    Handle text = nilhandle;
    Handle atoms = tokens(line, &text);
    Handle vars = NewHandle(0);
    hier entry;
    entry.level = hierobject;
    entry.script = text;
    entry.atoms = atoms;
    hierpath path(&entry, 1);
    i32 count = 0;
    fred v;
    i16 st = function ? sysfun(path, text, atoms, 0, vars, &count, &v) : syscom(path, text, atoms, 0, vars);
    if (function && st == 0) disposfred(&v);
    DisposeHandle(vars);
    return st;
  }
  // The byte offset of the first occurrence of `word` in the handler text run() builds.
  static i32 offsetinrun(std::string_view body, std::string_view word) {
    std::string handler = "on kvtestrun\n" + std::string(body);
    return i32(handler.find(word));
  }
};

TEST_F(DispatcherTest, WordsThatAreNoCommandsAndMessagesThatNoHandlerTook) {
  EXPECT_EQ(command(""), 0);      // an empty statement
  EXPECT_EQ(send("mouseUp"), 0);  // a message word: nothing happens
  EXPECT_EQ(send("openCard"), 0);
  EXPECT_EQ(send("zoomWindow"), 0);
  EXPECT_EQ(send("frobnicate"), 1);      // no command of that name
  EXPECT_EQ(send("the"), 1);             // a keyword that is no command
  EXPECT_EQ(send("mouseWheel"), -1000);  // passed on to the system
  EXPECT_EQ(send("returnKey"), 0);
  EXPECT_EQ(send("enterKey"), 0);
  EXPECT_EQ(send("spin"), 0);
  EXPECT_EQ(send("debug"), 0);
  EXPECT_EQ(send("trace"), 0);
  EXPECT_EQ(send("load"), 0);
}

TEST_F(DispatcherTest, EveryCommandWordReachesARoutineWithoutOperands) {
  // Each command word alone: whatever its routine says, it says it cleanly.
  for (const keywordletter& letter : keywordindex()) {
    for (u16 i = 0; letter.rows != nullptr && i < letter.count; ++i) {
      const keywordrow& row = letter.rows[i];
      if (row.token < firstcommand || row.token > lastcommand) continue;
      std::string word(reinterpret_cast<const char*>(row.text + 1), row.text[0]);
      if (word == "quit" || word == "new") continue;  // their routines act on the whole program
      i16 st = command(word);
      EXPECT_NE(st, 1) << word << " is a command or a message";
      EXPECT_EQ(mainglobals().calllevel, -1) << word;
    }
  }
}

TEST_F(DispatcherTest, EditIsRefusedInEveryModeAndTheDispatcherPostsNothing) {
  EXPECT_EQ(command("edit the script of me"), 175);
  EXPECT_EQ(mainglobals().erroroffset, -1);
  mainglobals().plugin = 1;
  EXPECT_EQ(command("edit"), 175);
  EXPECT_EQ(mainglobals().erroroffset, -1);
  EXPECT_EQ(run("edit"), 175);  // the line that ran it reports it
}

TEST_F(DispatcherTest, PluginModeRefusesItsCommandsBeforeTheResultIsEmptied) {
  mainglobals().plugin = 1;
  setresult("kept");
  for (const char* line : {"quit", "dial 5", "export card", "help", "import clut from clipboard", "launch x", "menuKey",
                           "notify", "read from file x", "record", "reply x", "request x", "say x", "setDialogItem",
                           "setWindow x", "start listening", "stop listening", "write x"}) {
    EXPECT_EQ(command(line), 175) << line;
    EXPECT_EQ(result(), "kept") << line;
  }
  EXPECT_EQ(mainglobals().erroroffset, -1) << "the dispatcher posts no refusal";
  EXPECT_EQ(command("add 1 to nosuch"), 45);
  EXPECT_EQ(mainglobals().erroroffset, 0) << "but does post a routine's error";
  // set is no plug-in command: it empties the result and runs.
  EXPECT_EQ(run("set the scriptCache to 20"), 0);
  EXPECT_EQ(result(), "");
  EXPECT_EQ(eval("the scriptCache"), "20");
}

TEST_F(DispatcherTest, TheResultIsEmptiedBeforeTheCommandsThatSetIt) {
  setresult("old");
  EXPECT_EQ(run("get 1"), 0);
  EXPECT_EQ(result(), "old") << "get leaves the result alone";
  EXPECT_EQ(run("delete char 1 of x"), 45);
  EXPECT_EQ(result(), "") << "delete empties it first";
  setresult("old");
  EXPECT_EQ(run("send \"mouseUp\""), 0);
  EXPECT_EQ(result(), "");
}

TEST_F(DispatcherTest, ReturnInFieldWithNoOpenFieldDoesNothing) {
  ASSERT_LT(mainglobals().openfield, 0);
  transcriptclear();
  EXPECT_EQ(run("returnInField"), 0);
  EXPECT_TRUE(transcriptlines().empty());
}

TEST_F(DispatcherTest, InsertAndRemoveReachTheInsertedScriptsOnlyForTheirScriptForms) {
  EXPECT_EQ(run("insert script of me into sideways"), 2);
  EXPECT_EQ(run("remove the script of me from sideways"), 2);
  EXPECT_EQ(run("remove all scripts from back"), 0);
  EXPECT_EQ(run("remove all scripts front"), 46);
  // Other forms are the menu, movie and filter commands: `all` is no menu reference, and
  // `remove all` is only followed by `menus`.
  EXPECT_EQ(run("insert all"), 16);
  EXPECT_EQ(run("remove all things from front"), 2);
  EXPECT_EQ(run("remove movies"), 0) << "no window, no movies";
  EXPECT_EQ(run("remove the filters of graphic 1"), 11) << "no such graphic";
}

TEST_F(DispatcherTest, ACommandErrorIsPostedAtItsStatement) {
  std::string body = "put 1 into x\nadd true to x";
  EXPECT_EQ(run(body), 12);
  EXPECT_EQ(mainglobals().erroroffset, offsetinrun(body, "add"));
}

TEST_F(DispatcherTest, NotBuiltRoutinesAnswerOneStatus) {
  EXPECT_EQ(comnotbuilt(hierpath(), nilhandle, nilhandle, 0, nilhandle), err::notbuilt);
  i32 count = 7;
  fred v;
  EXPECT_EQ(funnotbuilt(hierpath(), nilhandle, nilhandle, 0, nilhandle, &count, &v), err::notbuilt);
  EXPECT_EQ(count, 0);
}

// --- Functions ------------------------------------------------------------------------------

TEST_F(DispatcherTest, TheThreeFormsOfAFunctionAgreeAndOnlyTheCallFormTravels) {
  EXPECT_EQ(eval("the length of \"abc\""), "3");
  EXPECT_EQ(eval("length of \"abc\""), "3");
  EXPECT_EQ(eval("length(\"abc\")"), "3");
  script("function length s\nreturn 99\nend length");
  EXPECT_EQ(eval("length(\"abc\")"), "99");
  EXPECT_EQ(eval("the length of \"abc\""), "3");
  EXPECT_EQ(eval("length of \"abc\""), "3");
}

TEST_F(DispatcherTest, WordsWithoutAFunctionRoutineGive41) {
  for (const char* call : {"scaleQuad(1)", "xfcn(1)", "xrtn(1)", "instrument(1)"})
    EXPECT_EQ(eval(call), "error 41") << call;
  // Every other function word reaches a routine (which may refuse the operand).
  for (const keywordletter& letter : keywordindex()) {
    for (u16 i = 0; letter.rows != nullptr && i < letter.count; ++i) {
      const keywordrow& row = letter.rows[i];
      if (row.token < firstfunction || row.token > lastfunction) continue;
      std::string word(reinterpret_cast<const char*>(row.text + 1), row.text[0]);
      if (word == "scalequad" || word == "xfcn" || word == "xrtn" || word == "instrument") continue;
      EXPECT_NE(eval(word + "(1)"), "error 41") << word;
    }
  }
}

TEST_F(DispatcherTest, PropertyAndModifierWordsReachTheirFunctionRoutines) {
  EXPECT_EQ(eval("number(lines of \"a\" & return & \"b\")"), "2");
  EXPECT_EQ(eval("the number of lines of \"\""), "0");
  EXPECT_EQ(eval("the number of words of \"a b c\""), "3");
  EXPECT_EQ(eval("number of items of \"a,b\""), "2");
  // When the function form fails, `number` is read as the property of an object: the
  // property's error is the one reported.
  EXPECT_EQ(eval("the number of frogs"), "error 16");
  EXPECT_EQ(eval("the number(lines of \"a\")"), "error 5");
  EXPECT_EQ(eval("number(lines of \"a\" & \"b\" \"c\")"), "error 88");
  EXPECT_EQ(eval("the number of lines \"a\""), "error 16");
  // The modifiers of date and time reach the date routine; version is routed to its routine,
  // which takes no number.
  setdatetime(0);
  EXPECT_EQ(eval("the long date"), "Friday, January 1, 1904");
  EXPECT_EQ(eval("version(1)"), "error 2");
}

TEST_F(DispatcherTest, SharedFunctionErrors) {
  EXPECT_EQ(eval("the length \"abc\""), "error 5");  // "the" and no "of"
  EXPECT_EQ(eval("the sum of 1"), "error 49");       // no "(" for a function of a list
  EXPECT_EQ(eval("the replace of 1"), "error 49");
  EXPECT_EQ(eval("annuity(0.1 2)"), "error 39");  // no comma between parameters
  EXPECT_EQ(eval("replace(\"a\", \"b\" \"c\")"), "error 39");
  EXPECT_EQ(eval("length(\"a\" \"b\")"), "error 88");  // no ")" after the operand
  EXPECT_EQ(eval("sum(1, 2 3)"), "error 88");
  EXPECT_EQ(eval("result(x)"), "error 88");  // a word that is no modifier
  EXPECT_EQ(eval("windows(name)"), "error 88");
  EXPECT_EQ(eval("xwindows(id)"), "error 88");
}

TEST_F(DispatcherTest, PluginModeRefusesCurrentWindowCurrentMenuAndDialogWithoutPosting) {
  mainglobals().plugin = 1;
  EXPECT_EQ(eval("the currentWindow of 1"), "error 176");
  EXPECT_EQ(eval("currentMenu(1)"), "error 176");
  EXPECT_EQ(eval("dialog(1)"), "error 176");
  EXPECT_EQ(eval("the windows"), "error 176");
  EXPECT_EQ(function("the currentWindow of 1"), 176);
  EXPECT_EQ(function("dialog(1)"), 176);
  EXPECT_EQ(mainglobals().erroroffset, -1);
  EXPECT_EQ(function("x + scaleQuad(1)"), 41);  // an unknown word: no function at all
  EXPECT_EQ(mainglobals().erroroffset, 0) << "a routine's error is posted at the call";
  mainglobals().plugin = 0;
  EXPECT_EQ(eval("the currentWindow of 1"), "error 2");  // routed to its routine: no window is open
}

TEST_F(DispatcherTest, AFunctionErrorIsPostedAtTheCall) {
  std::string body = "put 1 into x\nput x + abs(\"q\") into y";
  EXPECT_EQ(run(body), 12);
  EXPECT_EQ(mainglobals().erroroffset, offsetinrun(body, "abs"));
}

TEST_F(DispatcherTest, ParameterlessFunctions) {
  EXPECT_EQ(fn("return the paramCount", "1, \"x\""), "2");
  EXPECT_EQ(fn("return the params", "1, \"x\""), "kvtestfn \"1\",\"x\"");
  EXPECT_EQ(fn("return the params"), "kvtestfn ");
  EXPECT_EQ(fn("return params()", "5"), "kvtestfn \"5\"");
  EXPECT_EQ(eval("the platform"), "Macintosh");
  EXPECT_EQ(eval("projectFileType()"), "MDOx");
  EXPECT_EQ(eval("the projectFileCreator"), "VIZu");
  EXPECT_EQ(eval("the projectFileExtension"), ".kv45");
  EXPECT_EQ(eval("the audioStatus"), "error 124");
  EXPECT_EQ(eval("the errorObject"), "");
  EXPECT_EQ(run("return \"done\""), 0);
  EXPECT_EQ(eval("the result"), "done");
  EXPECT_EQ(run("global a, b"), 0);
  EXPECT_EQ(eval("the globals"), "a,b");
  machinefacts model;
  model.product = "Model 7";
  setmachinemodel(model);
  EXPECT_EQ(eval("machine(full)"), "Model 7");  // the modifier is taken
  setmachinemodel(std::nullopt);
  EXPECT_EQ(eval("the stackSpace") != "0", true);
}

}  // namespace
}  // namespace kv
