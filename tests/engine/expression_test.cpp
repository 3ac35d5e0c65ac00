// The expression evaluator, driven through `expression` on tokenised text.
#include <cstring>
#include <string>

#include "engine/atom.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class ExpressionTest : public VeltrixTest {};

TEST_F(ExpressionTest, PrecedenceAndIntegerDivision) {
  EXPECT_EQ(eval("2^3^2"), "512");
  EXPECT_EQ(eval("2*3^2"), "18");
  EXPECT_EQ(eval("-2^2"), "4");
  EXPECT_EQ(eval("1+2*3"), "7");
  EXPECT_EQ(eval("7 div 2"), "3");
  EXPECT_EQ(eval("-7 div 2"), "-3");
  EXPECT_EQ(eval("-7 mod 2"), "-1");
  EXPECT_EQ(eval("(1+2)*3"), "9");
  EXPECT_EQ(eval("10 - 4 - 3"), "3");  // left to right
  EXPECT_EQ(eval("1/4"), "0.25");
  EXPECT_EQ(eval("1/0 > 10^300"), "true");  // division by zero is infinity, no error
}

TEST_F(ExpressionTest, Comparisons) {
  EXPECT_EQ(eval("0.1 + 0.2 = 0.3"), "true");
  EXPECT_EQ(eval("\"abc\" = \"ABC\""), "true");
  EXPECT_EQ(eval("\"10\" = \"10.0\""), "true");
  EXPECT_EQ(eval("empty = 0"), "false");
  EXPECT_EQ(eval("\"b\" > \"A\""), "true");
  EXPECT_EQ(eval("\"10\" < \"9\""), "false");
  EXPECT_EQ(eval("2 <> 3"), "true");
  EXPECT_EQ(eval("2 is not 2"), "false");
  EXPECT_EQ(eval("3 >= 3 and 2 <= 1"), "false");
  EXPECT_EQ(eval("not true or true"), "true");
  EXPECT_EQ(eval("\"abc\" contains \"B\""), "true");
  EXPECT_EQ(eval("\"x\" is in \"abc\""), "false");
  EXPECT_EQ(eval("\"x\" is not in \"abc\""), "true");
  EXPECT_EQ(evalerror("1 and 2"), 15);
  EXPECT_EQ(evalerror("\"a\" + 1"), 12);
}

TEST_F(ExpressionTest, Within) {
  EXPECT_EQ(eval("\"1,1\" is within \"0,0,2,2\""), "true");
  EXPECT_EQ(eval("\"2,2\" is within \"0,0,2,2\""), "false");
  EXPECT_EQ(eval("\"2,2\" is not within \"0,0,2,2\""), "true");
  EXPECT_EQ(evalerror("\"1\" is within \"0,0,2,2\""), 3);
}

TEST_F(ExpressionTest, ConcatenationAndConstants) {
  EXPECT_EQ(eval("\"a\" & \"b\" && \"c\""), "ab c");
  EXPECT_EQ(eval("1 + 2 & 3"), "33");
  EXPECT_EQ(eval("quote & empty & comma & space & colon"), "\", :");
  EXPECT_EQ(eval("ten - zero"), "10");
  EXPECT_EQ(eval("true"), "true");
  EXPECT_EQ(eval("down"), "down");
  EXPECT_EQ(eval("pi"), "3.14159265358979323846");
  EXPECT_EQ(eval("pi * 2"), "6.283185");
  std::string longtext(40, 'x');
  EXPECT_EQ(eval("\"" + longtext + "\" & \"y\""), longtext + "y");
}

TEST_F(ExpressionTest, BareWordsAreTheirOwnTextOnlyAlone) {
  i32 before = mainglobals().unquotedliterals;
  EXPECT_EQ(eval("hello"), "hello");
  EXPECT_EQ(mainglobals().unquotedliterals, before + 1);
  EXPECT_EQ(evalerror("1 + hello"), 16);
  EXPECT_EQ(mainglobals().unquotedliterals, before + 1);
  EXPECT_EQ(evalerror("-hello"), 12);  // the word is read as its text, which is no number
}

// Builds "1 + 1 + ... + 1" with n operators.
std::string chain(int n) {
  std::string s = "1";
  for (int i = 0; i < n; ++i) s += " + 1";
  return s;
}

TEST_F(ExpressionTest, TableDepth) {
  EXPECT_EQ(eval(chain(49)), "50");
  EXPECT_EQ(evalerror(chain(50)), 111);
  // The table is given back after a failure: the next expression still has all of it.
  EXPECT_EQ(eval(chain(49)), "50");
  // Nested expressions share the table: each level holds two entries while the next one
  // runs, and one that starts with more than 98 taken fails at once.
  auto nested = [](int levels) {
    std::string s;
    for (int i = 0; i < levels; ++i) s += "1 + (";
    return s + "1" + std::string(size_t(levels), ')');
  };
  EXPECT_EQ(eval(nested(49)), "50");
  EXPECT_EQ(evalerror(nested(50)), 111);
}

TEST_F(ExpressionTest, Parentheses) {
  EXPECT_EQ(evalerror("f(1"), 8);
  EXPECT_EQ(evalerror("(1+2"), 88);
  EXPECT_EQ(evalerror(""), 3);
  EXPECT_EQ(evalerror("1 +"), 3);
}

TEST_F(ExpressionTest, NumberLiteralsKeepTheirTextAndCacheTheirNumber) {
  Handle text = nilhandle;
  Handle atoms = tokens("1.50", &text);
  for (int pass = 0; pass < 3; ++pass) {
    fred v;
    i32 count = 0;
    ASSERT_EQ(expression({}, text, atoms, 0, nilhandle, nilhandle, &count, &v), 0);
    EXPECT_EQ(v.type, fredstring);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(v.shorttext + 1), v.shorttext[0]), "1.50");
    disposfred(&v);
  }
  atom a = HandleAs<atom>(atoms)[0];
  EXPECT_EQ(a.numstate, numcached);
  double d = 0;
  std::memcpy(&d, a.value, sizeof d);
  EXPECT_EQ(d, 1.5);
  // A literal that is no number is remembered as such.
  Handle t2 = nilhandle;
  Handle a2 = tokens("1.2.3", &t2);
  fred v;
  i32 count = 0;
  ASSERT_EQ(expression({}, t2, a2, 0, nilhandle, nilhandle, &count, &v), 0);
  disposfred(&v);
  EXPECT_EQ(HandleAs<atom>(a2)[0].numstate, numnotnumber);
}

TEST_F(ExpressionTest, HugeResultsPrintWithoutOverflow) {
  // A result near the largest double is rounded through a buffer that holds its fixed form.
  EXPECT_EQ(evalerror("1.5 * 1" + std::string(300, '0')), 0);
  EXPECT_EQ(eval("0.5 * 3"), "1.5");
}

// Atoms of "x * 2", "3 + y", "x & 2" with x and y variables of a list.
class MiniExpressionTest : public VeltrixTest {
 protected:
  Handle vars = nilhandle;
  void SetUp() override {
    VeltrixTest::SetUp();
    vars = NewHandle(0);
  }
  void TearDown() override {
    dumpvars(vars);
    VeltrixTest::TearDown();
  }
  void define(Handle text, Handle atoms, i32 at, i32 value) {
    varentry e;
    ASSERT_EQ(createvars(&HandleAs<atom>(atoms)[at], text, vars, &e), 0);
    fred v = *HandleAs<fred>(e.value);
    longtofred(value, &v);
    disposfred(&v);
    ASSERT_EQ(findvars(&HandleAs<atom>(atoms)[at], text, vars, &e), 0);  // marks the atom
  }
  outcome mini(Handle text, Handle atoms) {
    fred v;
    i32 count = 0;
    i16 st = miniexpression({}, text, atoms, 0, vars, nilhandle, &count, &v);
    if (st != 0) return error(st);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(v.type, freddouble);
    outcome o{0, std::to_string(v.real)};
    disposfred(&v);
    return o;
  }
};

TEST_F(MiniExpressionTest, TakesVariablesOnEitherSide) {
  Handle t1 = nilhandle, t2 = nilhandle, t3 = nilhandle;
  Handle a1 = tokens("x * 2", &t1), a2 = tokens("3 + y", &t2), a3 = tokens("x & 2", &t3);
  // Fresh atoms: the words are not yet known as variables.
  EXPECT_EQ(mini(t1, a1), error(1));
  EXPECT_EQ(mini(t2, a2), error(1));
  define(t1, a1, 0, 4);
  define(t2, a2, 2, 5);
  define(t3, a3, 0, 4);
  EXPECT_EQ(HandleAs<atom>(a1)[0].token, tok::variable);
  EXPECT_EQ(mini(t1, a1), ok(std::to_string(8.0)));
  EXPECT_EQ(mini(t2, a2), ok(std::to_string(8.0)));
  EXPECT_EQ(mini(t3, a3), error(1));
}

}  // namespace
}  // namespace kv
