#include "engine/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/keywords.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "tests/support/fixture.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

class TokenizerTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(hashtokens(), 0);
  }

  static Handle texthandle(std::string_view s) {
    Handle h = nilhandle;
    EXPECT_EQ(PtrToHand(s.data(), &h, Size(s.size())), noErr);
    return h;
  }

  static std::vector<atom> copyatoms(Handle atoms) {
    const atom* a = HandleAs<atom>(atoms);
    return std::vector<atom>(a, a + HandleCount<atom>(atoms));
  }

  // Tokenises the text with `tokenize`; the atoms, or none on failure (status in *status).
  static std::vector<atom> tokens(std::string_view s, i16* status = nullptr) {
    Handle text = texthandle(s);
    Handle atoms = nilhandle;
    i16 st = tokenize(text, &atoms);
    if (status) *status = st;
    std::vector<atom> out;
    if (atoms != nilhandle) out = copyatoms(atoms);
    DisposeHandle(atoms);
    DisposeHandle(text);
    return out;
  }

  // Tokenises a script as the script cache does: with an entry.
  static std::vector<atom> cached(std::string_view s, hier* entry) {
    Handle text = texthandle(s);
    EXPECT_EQ(appendstop(text), Size(s.size()) + 2);
    Handle atoms = NewHandle(0);
    EXPECT_EQ(atomize(text, atoms, entry), 0);
    std::vector<atom> out = copyatoms(atoms);
    DisposeHandle(atoms);
    DisposeHandle(text);
    return out;
  }

  static std::vector<u16> tokenlist(const std::vector<atom>& atoms) {
    std::vector<u16> t;
    for (const atom& a : atoms) t.push_back(a.token);
    return t;
  }

  static std::vector<u16> tokenlist(std::string_view s) { return tokenlist(tokens(s)); }

  // The index of the nth atom (0-based) with this token.
  static i32 find(const std::vector<atom>& atoms, u16 token, int nth = 0) {
    for (size_t i = 0; i < atoms.size(); ++i)
      if (atoms[i].token == token && nth-- == 0) return i32(i);
    return -1;
  }

  // The index of the word after the nth `on` or `function` that starts a line.
  static i32 nameafter(const std::vector<atom>& atoms, u16 keyword, int nth) {
    for (size_t i = 1; i < atoms.size(); ++i)
      if (atoms[i - 1].token == keyword && (i == 1 || atoms[i - 2].token == tok::endofline) && nth-- == 0)
        return i32(i);
    return -1;
  }

  static bool flag(u16 token) {
    Handle h = mainglobals().handlerflags;
    return h != nilhandle && handlerpresent(token);
  }
};

using V = std::vector<u16>;

TEST_F(TokenizerTest, OperatorsWithoutBlanks) {
  // "a" is itself a keyword (the article, 11002, as "an"); "b" is none.
  std::vector<atom> a = tokens("a<>b");
  EXPECT_EQ(tokenlist(a), (V{11002, 1019, 4, 0, 1}));
  EXPECT_EQ(tokenlist("x<>b"), (V{4, 1019, 4, 0, 1}));
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a[1].length, 2);
  EXPECT_EQ(a[1].offset, 1u);
  EXPECT_EQ(a[2].offset, 3u);
  EXPECT_EQ(a[3].offset, 4u) << "the end of line is the stop marker's return";
  EXPECT_EQ(a[4].offset, 5u);
}

TEST_F(TokenizerTest, EveryOperator) {
  struct op {
    const char* text;
    u16 token;
    u16 length;
  };
  // The two-character operators and their one-byte Mac Roman forms.
  const op ops[] = {{"&&", 1010, 2},   {"<=", 1013, 2}, {"\xB2", 1013, 1}, {">=", 1014, 2},
                    {"\xB3", 1014, 1}, {"<>", 1019, 2}, {"\xAD", 1019, 1}};
  for (const op& o : ops) {
    std::vector<atom> a = tokens(std::string("x") + o.text + "y");
    ASSERT_EQ(a.size(), 5u) << o.text;
    EXPECT_EQ(a[1].token, o.token) << o.text;
    EXPECT_EQ(a[1].length, o.length) << o.text;
  }
  EXPECT_EQ(tokenlist("1 &&& 2"), (V{3, 1010, 1009, 3, 0, 1}));
  EXPECT_EQ(tokenlist("-5"), (V{1001, 3, 0, 1})) << "a minus sign and a number";
}

TEST_F(TokenizerTest, LiteralsWordsAndPunctuation) {
  std::vector<atom> a = tokens("put \"a b\" into x1.5_y -- note\r1.2.3 . ! #");
  EXPECT_EQ(tokenlist(a), (V{2146, 2, 10013, 4, 0, 3, 3, 4, 4, 0, 1}));
  EXPECT_EQ(a[1].length, 5) << "quotes included";
  EXPECT_EQ(a[3].length, 6) << "words hold digits, periods and underscores";
  EXPECT_EQ(a[5].length, 5) << "1.2.3 is one number atom";
  EXPECT_EQ(a[6].length, 1) << "a lone period";
  EXPECT_EQ(a[7].length, 1);

  // An unterminated string stops before the return.
  a = tokens("put \"abc\rx");
  EXPECT_EQ(tokenlist(a), (V{2146, 2, 0, 4, 0, 1}));
  EXPECT_EQ(a[1].length, 4);

  // Words that start with "_" or an accented letter are unknown words; digits start numbers.
  EXPECT_EQ(tokenlist("_if \x8E"
                      "if 2if"),
            (V{4, 4, 3, 10012, 0, 1}));
  // Blanks of every kind are skipped, 0xD9 and above included.
  EXPECT_EQ(tokenlist("\t if\x7F\xDA\xFF x"), (V{10012, 4, 0, 1}));
}

TEST_F(TokenizerTest, CommentsAndBlankLinesLeaveNoAtoms) {
  EXPECT_EQ(tokenlist("\r\r  \r\r"), (V{0, 1})) << "a script of blank lines";
  EXPECT_EQ(tokenlist("put 1\r-- a comment line\r\r-- another\rput 2"), (V{2146, 3, 0, 2146, 3, 0, 1}));
  EXPECT_EQ(tokenlist("put 1--comment"), (V{2146, 3, 0, 1})) << "a comment ends the line";
  EXPECT_EQ(tokenlist("x -- a comment with \"quotes and \xC2"), (V{4, 0, 1}));
}

TEST_F(TokenizerTest, LineContinuation) {
  std::vector<atom> a = tokens("put 1 \xC2 anything here\r + 2\rx");
  EXPECT_EQ(tokenlist(a), (V{2146, 3, 1008, 3, 0, 4, 0, 1}));
  EXPECT_EQ(tokenlist("put 1 \xC2"), (V{2146, 3, 1})) << "continued into the end of the text";
}

TEST_F(TokenizerTest, ThenAtTheStartOfALineContinuesTheIfLine) {
  std::vector<atom> a = tokens("if x\r  then put 1\rend if");
  EXPECT_EQ(tokenlist(a), (V{10012, 4, 10023, 2146, 3, 0, 10008, 10012, 0, 1}));
  EXPECT_EQ(a[2].offset, 7u);
  EXPECT_EQ(tokenlist("if x -- why\r\rthen y"), (V{10012, 4, 10023, 4, 0, 1}));
}

TEST_F(TokenizerTest, ElseInMidLineBeginsALine) {
  std::vector<atom> a = tokens("if x then put 1 else put 2");
  EXPECT_EQ(tokenlist(a), (V{10012, 4, 10023, 2146, 3, 0, 10007, 2146, 3, 0, 1}));
  EXPECT_EQ(a[5].offset, a[4].offset) << "the inserted end of line takes the atom before";
  EXPECT_EQ(a[5].length, a[4].length);
  EXPECT_EQ(tokenlist("x\relse y"), (V{4, 0, 10007, 4, 0, 1})) << "already at a line start";
  EXPECT_EQ(tokenlist("else"), (V{10007, 0, 1}));
}

TEST_F(TokenizerTest, CardWindowMeansThisWindow) {
  EXPECT_EQ(tokenlist("the rect of card window"), (V{10020, 4219, 10016, 11313, 11348, 0, 1}));
  EXPECT_EQ(tokenlist("cd wd"), (V{11313, 11348, 0, 1}));
  EXPECT_EQ(tokenlist("card 1 window"), (V{11034, 3, 11348, 0, 1}));
}

TEST_F(TokenizerTest, HandlerLinesInACachedScript) {
  hier entry;
  std::vector<atom> a = cached(
      "on mouseUp\r  beep\rend mouseUp\r"
      "function double x\r  return x*2\rend double\r"
      "on foo\rend foo\r"
      "function abs\rend abs",
      &entry);
  i32 mouseup = nameafter(a, tok::on, 0), foo = nameafter(a, tok::on, 1);
  i32 dbl = nameafter(a, tok::function, 0), absname = nameafter(a, tok::function, 1);
  ASSERT_TRUE(mouseup >= 0 && foo >= 0 && dbl >= 0 && absname >= 0);
  EXPECT_EQ(a[size_t(mouseup)].token, 2108);
  EXPECT_EQ(a[size_t(absname)].token, 3001);

  EXPECT_EQ(entry.firsthandler, mouseup);
  EXPECT_EQ(a[size_t(mouseup)].link, foo);
  EXPECT_EQ(a[size_t(foo)].link, -1);
  EXPECT_EQ(entry.firstfunction, dbl);
  EXPECT_EQ(a[size_t(dbl)].link, absname);
  EXPECT_EQ(a[size_t(absname)].link, -1);

  EXPECT_TRUE(flag(2108)) << "on mouseUp: a built-in command has a handler";
  EXPECT_TRUE(flag(3001)) << "function abs";
  EXPECT_FALSE(flag(2009)) << "beep is only called";
  EXPECT_FALSE(flag(3075));
  int set = 0;
  const u8* bytes = deref(mainglobals().handlerflags);
  for (Size i = 0; i < GetHandleSize(mainglobals().handlerflags); ++i) set += bytes[i] != 0;
  EXPECT_EQ(set, 2) << "on foo sets no byte";
  EXPECT_TRUE(handlerpresent(4)) << "other messages are always searched";
}

TEST_F(TokenizerTest, OnInMidLineOrWithoutAnEntryIsNoHandler) {
  hier entry;
  std::vector<atom> a = cached("put 1 on mouseDown\rx function abs", &entry);
  EXPECT_EQ(entry.firsthandler, -1);
  EXPECT_EQ(entry.firstfunction, -1);
  EXPECT_FALSE(flag(2100));
  EXPECT_FALSE(flag(3001));
  for (const atom& x : a) EXPECT_EQ(x.link, -1);

  // Without an entry (text run or evaluated) nothing is flagged.
  EXPECT_EQ(tokenlist("on mouseDown"), (V{11205, 2100, 0, 1}));
  EXPECT_FALSE(flag(2100));
}

TEST_F(TokenizerTest, HandlerBytesAreNeverCleared) {
  hier first;
  cached("on closeCard\rend closeCard", &first);
  EXPECT_TRUE(flag(2022));
  hier second;
  cached("on openCard\rend openCard", &second);
  EXPECT_TRUE(flag(2022)) << "a later script without the handler leaves the byte set";
  EXPECT_TRUE(flag(2130));
}

TEST_F(TokenizerTest, OpenChainsAtTheEndOfText) {
  std::vector<atom> a = tokens("switch x\rcase 1\rcase 2\r");
  i32 sw = find(a, tok::switch_), c1 = find(a, tok::case_), c2 = find(a, tok::case_, 1);
  EXPECT_EQ(a[size_t(c2)].link, -1) << "the last member of an open switch chain";
  EXPECT_EQ(a[size_t(c1)].link, sw);
  EXPECT_EQ(a[size_t(sw)].link, -1);
  a = tokens("try\rcatch\r");
  EXPECT_EQ(a[size_t(find(a, tok::try_))].link, -1) << "an unclosed try has no partner";
  EXPECT_EQ(tokenlist("end try"), (V{10008, 10022, 0, 1})) << "end try with nothing open";
}

TEST_F(TokenizerTest, AFailedGrowthOfTheAtomsLeavesWholeSteps) {
  // A failed step (of 400 atoms) leaves the atoms written so far, a whole number of steps.
  std::string s;
  for (int i = 0; i < 1000; ++i) s += "x ";
  Handle text = texthandle(s);
  appendstop(text);
  Handle atoms = NewHandle(0);
  failallocationafter(3);
  EXPECT_EQ(atomize(text, atoms, nullptr), tokenizefailed);
  EXPECT_EQ(GetHandleSize(atoms), Size(800 * sizeof(atom)));
  for (const atom& x : copyatoms(atoms)) EXPECT_EQ(x.token, 4);
  DisposeHandle(atoms);
  DisposeHandle(text);
}

TEST_F(TokenizerTest, AStopMarkerThatCannotBeAppendedMeansNoScan) {
  OwnedHandle text(texthandle("put 1"));
  failallocationafter(1);
  EXPECT_EQ(appendstop(text), 5) << "the old size, nothing written";
  EXPECT_EQ(GetHandleSize(text), 5);
  failallocationafter(1);
  Handle atoms = 12345;
  EXPECT_EQ(tokenize(text, &atoms), 37);
  EXPECT_EQ(atoms, nilhandle);
  EXPECT_EQ(GetHandleSize(text), 5);

  // atomize itself refuses a text that does not end with the stop marker's 0.
  atoms = NewHandle(0);
  EXPECT_EQ(atomize(text, atoms, nullptr), 37);
  OwnedHandle empty(NewHandle(0));
  EXPECT_EQ(atomize(empty, atoms, nullptr), 37);
  DisposeHandle(atoms);
}

TEST_F(TokenizerTest, NoMemoryForTheAtomsHandle) {
  OwnedHandle text(texthandle("put 1"));
  failallocationafter(2);  // the stop marker fits, the atoms handle does not
  Handle atoms = 12345;
  EXPECT_EQ(tokenize(text, &atoms), 37);
  EXPECT_EQ(atoms, nilhandle);
  failallocationafter(3);  // the atoms handle is made but cannot be sized
  EXPECT_EQ(tokenize(text, &atoms), 37);
  EXPECT_EQ(atoms, nilhandle);
}

TEST_F(TokenizerTest, ATokenLongerThanAnAtomCanMeasureFails) {
  i16 status = 0;
  std::vector<atom> a = tokens("put \"" + std::string(65533, 'a') + "\"", &status);
  ASSERT_EQ(status, 0) << "65,535 characters fit";
  EXPECT_EQ(a[1].length, 65535);

  EXPECT_TRUE(tokens("put \"" + std::string(70000, 'a') + "\"", &status).empty());
  EXPECT_EQ(status, 37) << "a long string";
  EXPECT_TRUE(tokens("put " + std::string(70000, 'b'), &status).empty());
  EXPECT_EQ(status, 37) << "a long word";
  EXPECT_TRUE(tokens("put " + std::string(70000, '7'), &status).empty());
  EXPECT_EQ(status, 37) << "a long number";

  // Long lines without long tokens are fine, and so is a long comment.
  std::string line;
  for (int i = 0; i < 20000; ++i) line += "ab ";
  EXPECT_EQ(tokens(line + "-- " + std::string(70000, 'c'), &status).size(), 20002u);
  EXPECT_EQ(status, 0);
}

TEST_F(TokenizerTest, AZeroByteEndsTheText) {
  std::vector<atom> a = tokens(std::string_view("put 1\0put 2", 11));
  EXPECT_EQ(tokenlist(a), (V{2146, 3, 1}));
  EXPECT_EQ(a[2].offset, 5u);
  a = tokens(std::string_view("put \"ab\0cd\"\rx", 13));
  EXPECT_EQ(tokenlist(a), (V{2146, 2, 1})) << "a string stops at the end of the text";
  EXPECT_EQ(a[1].length, 3);
}

}  // namespace
}  // namespace kv
