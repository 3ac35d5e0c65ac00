// The engine test harness: runs Veltrix snippets as handlers and evaluates expressions, the
// way a user's script would run them.
//
//   class MyTest : public VeltrixTest {};
//   TEST_F(MyTest, Loops) {
//     EXPECT_EQ(fn("put 0 into n\nrepeat 3 times\nadd 1 to n\nend repeat\nreturn n"), "3");
//     EXPECT_EQ(eval("2^3^2"), "512");
//     EXPECT_EQ(evalerror("f(1"), 8);
//     script("on mouseUp\nput 1 into msg\nend mouseUp");   // a script on the message path
//     EXPECT_EQ(send("mouseUp"), 0);
//     EXPECT_EQ(msg(), "1");
//   }
//
// Scripts given to script() form the message path in the order given (the first is the
// target, then each level outwards), ended by the shared-project entry. Every send builds
// the path through the script cache and releases it afterwards, as a dispatcher does.
#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/hier.h"
#include "tests/support/fixture.h"

namespace kv {

// What a snippet gave: its status (0, a script error, or an internal status) and its value.
struct outcome {
  i16 status = 0;
  std::string value;
  bool operator==(const outcome&) const = default;
};
std::ostream& operator<<(std::ostream& os, const outcome& o);
inline outcome ok(std::string_view value) { return outcome{0, std::string(value)}; }
inline outcome error(i16 status) { return outcome{status, ""}; }

class VeltrixTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds a script as the next level of the message path.
  void script(std::string_view text);
  // Replaces the script of level `index` (0 = the target); the cache drops the old one.
  void setscript(size_t index, std::string_view text);

  // Evaluates an expression in the path's context: its value and status (value empty on
  // failure). The whole text must be one expression.
  outcome evaluate(std::string_view expr);
  // The value of an expression, or "error N" when it fails.
  std::string eval(std::string_view expr);
  // The status of an expression that is expected to fail (0 when it succeeded).
  i16 evalerror(std::string_view expr);

  // Sends a message line (a command with its arguments) along the path; its status.
  i16 send(std::string_view message);
  // Runs statements as the body of a function handler put in front of the path and called
  // with `arguments`; its return value, or "error N".
  std::string fn(std::string_view body, std::string_view arguments = "");
  outcome runfn(std::string_view body, std::string_view arguments = "");
  // Runs statements as the body of a message handler; the status.
  i16 run(std::string_view body);

  // The text of `the result`, of the message box, and of a global variable.
  std::string result();
  std::string msg();
  std::string global(std::string_view name);

  // Cases of one rule, one row each: `line` runs (when not empty), then `expr` is read (when
  // not empty); `expected` is the value read, or "error N" when the line fails with N.
  //   rows({{"set the scriptCache to 100", "the scriptCache", "31"},
  //         {"set the grid true", "", "error 7"}});
  struct row {
    std::string_view line, expr, expected;
  };
  void rows(std::initializer_list<row> cases) { checkrows(cases, &VeltrixTest::run, &VeltrixTest::eval); }
  // The rows with lines and values of a fixture of its own.
  template <class T>
  void checkrows(std::initializer_list<row> cases, i16 (T::*line)(std::string_view),
                 std::string (T::*value)(std::string_view)) {
    T& self = static_cast<T&>(*this);
    for (const row& r : cases) {
      SCOPED_TRACE(testing::Message() << "row {" << r.line << " | " << r.expr << "}");
      std::string got;
      i16 status = r.line.empty() ? 0 : (self.*line)(r.line);
      if (status != 0) got = "error " + std::to_string(status);
      else if (!r.expr.empty()) got = (self.*value)(r.expr);
      EXPECT_EQ(got, r.expected);
    }
  }
  // Atoms of a text tokenised for direct calls of engine routines (owned by the test).
  Handle tokens(std::string_view text, Handle* textout);

 private:
  struct level {
    std::string text;
    std::string reference;
  };
  // Builds the path into `path` (27 entries); status of the cache.
  i16 buildpath(std::vector<hier>& path);
  // Evaluates a text on a built path; with `whole`, the text must be one expression.
  outcome evaluatetext(std::vector<hier>& path, std::string_view expr, bool whole);
  std::vector<level> levels_;
  std::vector<Handle> owned_;
  int serial_ = 0;
};

}  // namespace kv
