// Chunk expressions as scripts use them: chunk operands, `offset` and `lineOffset`,
// `contains` and `is in`, chunks of containers written by `put`, and the key messages.
#include <cstring>
#include <string>
#include <tuple>

#include "engine/chunks.h"
#include "engine/container.h"
#include "engine/containerutil.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class ChunkExprTest : public VeltrixTest {
 protected:
  MainGlobals& g() { return mainglobals(); }

  // Resolves a container in a fresh variable list holding v = `value`, and reports its range
  // and delimiter counts as "start end addlines additems delcount".
  std::string resolve(std::string_view container, std::string_view value) {
    Handle vars = NewHandle(0);
    Str255 name;
    setpstring(name, "v");
    varentry e{};
    EXPECT_EQ(lowcreate(name, &e), 0);
    EXPECT_EQ(addvars(vars, e), 0);
    fred v = *HandleAs<fred>(e.value);
    EXPECT_EQ(charstonewfred(value.data(), Size(value.size()), &v), 0);
    v.cls = fredworking;
    v.link = e.value;
    disposfred(&v);  // writes the text into the variable
    Handle text = nilhandle;
    Handle atoms = tokens(container, &text);
    chunkpart dest;
    i32 count = 0;
    i16 st = destination({}, text, atoms, 0, vars, nilhandle, &count, &dest, 1, 0);
    std::string out = st != 0 ? "error " + std::to_string(st)
                              : std::to_string(dest.start) + " " + std::to_string(dest.end) + " " +
                                    std::to_string(dest.addlines) + " " + std::to_string(dest.additems) + " " +
                                    std::to_string(dest.delcount);
    if (st == 0) releasecontainer(&dest);
    dumpvars(vars);
    return out;
  }
};

// --- Reading chunks -------------------------------------------------------------------------------

TEST_F(ChunkExprTest, ItemsOfThreeItems) {
  EXPECT_EQ(eval("item 2 of \"a,b,c\""), "b");
  EXPECT_EQ(eval("item 4 of \"a,b,c\""), "");
  EXPECT_EQ(g().addcount, 1);
  EXPECT_EQ(eval("item 3 of \"a,b,c\""), "c");
  EXPECT_EQ(g().delcount, -1);
  EXPECT_EQ(eval("item 1 of \"a,b,c\""), "a");
  EXPECT_EQ(g().delcount, 1);
  // The same counts come back from a container resolved for writing.
  EXPECT_EQ(resolve("item 4 of v", "a,b,c"), "5 5 0 1 0");
  EXPECT_EQ(resolve("item 3 of v", "a,b,c"), "4 5 0 0 -1");
  EXPECT_EQ(resolve("item 1 of v", "a,b,c"), "0 1 0 0 1");
  EXPECT_EQ(resolve("item 1 of v", "abc"), "0 3 0 0 0");  // all the text: nothing to remove
  EXPECT_EQ(resolve("word 1 of v", "ab  cd"), "0 2 0 0 2");
  EXPECT_EQ(resolve("item 2 of line 3 of v", "a"), "1 1 2 1 0");
}

TEST_F(ChunkExprTest, TrailingDelimitersAndBlanksMakeNoChunk) {
  // "a,b," and "a,b, " hold 2 items, three spaces none, "a" and a return one line.
  EXPECT_EQ(eval("last item of \"a,b,\""), "b");
  EXPECT_EQ(eval("last item of \"a,b, \""), "b");
  EXPECT_EQ(eval("middle item of \"a,b, \""), "b");  // 2 / 2 + 1
  EXPECT_EQ(eval("last item of \"   \""), "");
  EXPECT_EQ(eval("last line of (\"a\" & return)"), "a");
  EXPECT_EQ(fn("put \"a,b,\" into x\nput \"a,b, \" into y\nput \"   \" into z\nput \"a\" & return into w\n"
               "return len(x) && len(y) && len(z) && len(w)"),
            "4 5 3 2");
}


TEST_F(ChunkExprTest, CharactersWordsAndTheMiddle) {
  EXPECT_EQ(eval("char 0 of \"abcd\""), "");
  EXPECT_EQ(eval("char 3 to 1 of \"abcd\""), "c");
  EXPECT_EQ(eval("char 9 of \"abc\""), "");
  EXPECT_EQ(eval("word 1 of word 2 of \"a b c\""), "b");
  EXPECT_EQ(eval("middle item of \"1,2,3,4\""), "3");
  EXPECT_EQ(eval("mid item of \"1,2,3,4,5\""), "3");
  EXPECT_EQ(eval("the middle item of \"1,2,3,4,5\""), "3");
  EXPECT_EQ(fn("put \"a,b,c\" into v\nput \"x\" into the last item of v\nreturn v"), "a,b,x");
  EXPECT_EQ(eval("second word of \"a b c\""), "b");
  EXPECT_EQ(eval("tenth char of \"abcdefghijk\""), "j");
  EXPECT_EQ(eval("last char of \"abc\""), "c");
  EXPECT_EQ(eval("char 2 to 3 of \"abcd\""), "bc");
  EXPECT_EQ(eval("item 1 + 1 of \"a,b,c\""), "b");
}

TEST_F(ChunkExprTest, LinesBeforeCharactersWhateverTheOrder) {
  EXPECT_EQ(fn("put \"ab\" & return & \"cd\" into x\nreturn (char 1 of line 2 of x) & (line 2 of char 1 of x)"), "cc");
  EXPECT_EQ(fn("put \"a,b\" & return & \"c,d\" into x\nreturn item 2 of line 2 of x"), "d");
  EXPECT_EQ(fn("put \"a,b\" & return & \"c,d\" into x\nreturn line 2 of item 2 of x"), "d");
}

TEST_F(ChunkExprTest, TheContainerIsOneOperand) {
  EXPECT_EQ(fn("put \"ab cd\" into x\nput \"!\" into y\nreturn word 1 of x & y"), "ab!");
  EXPECT_EQ(eval("word 2 of (\"a\" && \"b\")"), "b");
  // A number is taken as its text.
  EXPECT_EQ(eval("char 2 of 12345"), "2");
  EXPECT_EQ(eval("char 2 to 4 of (1/4)"), ".25");
  // Reading a chunk of a variable that holds a number leaves the number as it was.
  EXPECT_EQ(fn("put 1/3 into x\nget char 1 to 4 of x\nreturn it && x * 3"), "0.33 1");
}

TEST_F(ChunkExprTest, QuotedWordsKeepTheirQuotes) {
  EXPECT_EQ(fn("put \"one  \" & quote & \"two three\" & quote & \" four\" into x\nreturn word 2 of x"),
            "\"two three\"");
  EXPECT_EQ(fn("put \"one  \" & quote & \"two three\" & quote & \" four\" into x\nreturn word 3 of x"), "four");
}

TEST_F(ChunkExprTest, ChunkNumbersAreComputedEachTime) {
  // The same literal read once through the full path and then from its atom's cache.
  EXPECT_EQ(fn("put empty into s\nrepeat with i = 1 to 3\nput item 2 of \"a,b,c\" after s\nend repeat\nreturn s"),
            "bbb");
  EXPECT_EQ(fn("put empty into s\nrepeat with i = 1 to 3\nput item i of \"a,b,c\" after s\nend repeat\nreturn s"),
            "abc");
  EXPECT_EQ(fn("put 2 into n\nreturn char n to n + 1 of \"abcd\""), "bc");
}

TEST_F(ChunkExprTest, MalformedChunksGiveTheirErrors) {
  EXPECT_EQ(fn("return first char \"abc\""), "error 5");  // `of` missing
  EXPECT_EQ(fn("return char -1 of \"abc\""), "error 6");
  EXPECT_EQ(fn("return char 1 to -2 of \"abc\""), "error 6");
  EXPECT_EQ(fn("return char 1 \"abc\""), "error 7");
  EXPECT_EQ(fn("return char 1 to 2 \"abc\""), "error 5");
  EXPECT_EQ(fn("return char \"x\" of \"abc\""), "error 13");
  EXPECT_EQ(fn("put empty into line 1 of 5"), "error 18");  // a number names no variable
  // An ordinal without its chunk type.
  Handle text = nilhandle;
  Handle atoms = tokens("first of x", &text);
  i32 count = 0;
  u16 type = 0;
  chunkspec spec;
  EXPECT_EQ(buildchunk({}, text, atoms, 0, nilhandle, nilhandle, &count, &type, &spec), 4);
  chunkslots slots;
  EXPECT_EQ(readchunks({}, text, atoms, 1, nilhandle, nilhandle, &count, &slots), 4);
}

// --- Searching -----------------------------------------------------------------------------------

TEST_F(ChunkExprTest, OffsetAndLineOffset) {
  EXPECT_EQ(eval("offset(\"\", \"abc\")"), "1");
  EXPECT_EQ(eval("offset(\"C\", \"abc\")"), "3");
  EXPECT_EQ(eval("offset(\"b\", \"abcb\", 2)"), "2");
  EXPECT_EQ(eval("offset(\"z\", \"abcb\")"), "0");
  EXPECT_EQ(eval("lineOffset(\"b\", \"a\" & return & \"b\" & return & \"c\")"), "2");
  EXPECT_EQ(eval("lineOffset(\"c\", \"a\" & return & \"b\" & return & \"c\", 1)"), "2");
  EXPECT_EQ(eval("offset(\"b\", \"abcb\") + 1"), "3");
}

TEST_F(ChunkExprTest, OffsetSkipsAreClampedToTheText) {
  EXPECT_EQ(eval("offset(\"b\", \"abcb\", -5)"), "2");
  EXPECT_EQ(eval("offset(\"b\", \"abcb\", 4)"), "0");
  EXPECT_EQ(eval("offset(\"b\", \"abcb\", 99999)"), "0");
  EXPECT_EQ(eval("offset(\"\", \"abcb\", 99999)"), "0");
  EXPECT_EQ(eval("lineOffset(\"a\", \"a\", 3)"), "0");
  EXPECT_EQ(eval("lineOffset(\"a\", \"a\", -3)"), "1");
}

TEST_F(ChunkExprTest, OffsetArgumentForms) {
  EXPECT_EQ(fn("return the offset"), "error 49");
  EXPECT_EQ(fn("return offset(\"a\")"), "error 39");
  EXPECT_EQ(fn("return offset(\"a\" \"b\")"), "error 39");
  EXPECT_EQ(fn("return the offset(\"a\", \"b\""), "error 88");
  EXPECT_EQ(fn("return offset(\"a\", \"b\""), "error 8");  // a call without its ")"
  EXPECT_EQ(fn("return offset(\"a\", \"b\", 1, 2)"), "error 88");
  EXPECT_EQ(fn("return offset(\"a\", \"b\", \"x\")"), "error 13");
}

TEST_F(ChunkExprTest, ContainsAndIsIn) {
  EXPECT_EQ(eval("\"abc\" contains \"B\""), "true");
  EXPECT_EQ(eval("\"B\" is in \"abc\""), "true");
  EXPECT_EQ(eval("\"x\" is not in \"abc\""), "true");
  EXPECT_EQ(eval("\"abc\" contains empty"), "true");
  EXPECT_EQ(eval("empty contains \"a\""), "false");
  EXPECT_EQ(eval("12345 contains 34"), "true");
  EXPECT_EQ(eval("\"b\" is in item 2 of \"a,b,c\""), "true");
  EXPECT_EQ(eval("\"abc\" contains \"abcd\""), "false");
}

// --- Writing chunks --------------------------------------------------------------------------------

TEST_F(ChunkExprTest, PutAddsMissingDelimiters) {
  EXPECT_EQ(fn("put \"a,b\" into v\nput \"x\" into item 4 of v\nreturn v"), "a,b,,x");
  EXPECT_EQ(fn("put empty into v\nput \"x\" into line 3 of v\nreturn v"), "\r\rx");
  EXPECT_EQ(fn("put \"a\" into v\nput \"x\" into item 2 of line 3 of v\nreturn v"), "a\r\r,x");
  EXPECT_EQ(fn("put \"a,b\" & return & \"c\" into v\nput \"x\" into item 4 of line 1 of v\nreturn v"), "a,b,,x\rc");
  EXPECT_EQ(fn("put \"a,b,c\" into v\nput \"x\" into item 2 of v\nreturn v"), "a,x,c");
  EXPECT_EQ(fn("put \"a,b,c\" into v\nput \"x\" before item 2 of v\nreturn v"), "a,xb,c");
  EXPECT_EQ(fn("put \"a,b,c\" into v\nput \"x\" after item 2 of v\nreturn v"), "a,bx,c");
  EXPECT_EQ(fn("put \"a b c\" into v\nput \"x\" into word 2 of v\nreturn v"), "a x c");
  EXPECT_EQ(fn("put \"abc\" into v\nput \"xy\" into char 2 of v\nreturn v"), "axyc");
  EXPECT_EQ(fn("put \"a b\" into v\nput \"x\" into word 5 of v\nreturn v"), "a bx");
  EXPECT_EQ(fn("put \"x\" into item 2 of v\nreturn v"), ",x");  // a new variable
}

TEST_F(ChunkExprTest, PutIntoAChunkOfANumberWritesIntoItsText) {
  EXPECT_EQ(fn("put 5 into v\nput \"x\" before v\nreturn v"), "x5");
  EXPECT_EQ(fn("put 12345 into v\nput \"x\" into char 2 of v\nreturn v"), "1x345");
  EXPECT_EQ(fn("put 1.5 into v\nput 9 into last char of v\nreturn v + 1"), "2.9");
  EXPECT_EQ(fn("put true into v\nput \"x\" after char 2 of v\nreturn v"), "trxue");
}

TEST_F(ChunkExprTest, PutIntoAConstantFails) {
  EXPECT_EQ(fn("put 1 into empty"), "error 45");
  EXPECT_EQ(fn("put 1 into line 2 of empty"), "error 45");
  EXPECT_EQ(fn("put 1 into the last item of empty"), "error 45");
}

TEST_F(ChunkExprTest, ExplicitVarsKeepsPutsOutOfMissingVariables) {
  g().explicitVars = 1;
  EXPECT_EQ(fn("put 1 into item 2 of nosuch"), "error 45");
  g().explicitVars = 0;
}

TEST_F(ChunkExprTest, HugeChunkNumbersFailWithoutMemoryNotWithACrash) {
  setmemorybudget(64 << 20);
  EXPECT_EQ(fn("put \"x\" into line 2000000000 of v\nreturn v"), "error 37");
  EXPECT_EQ(fn("put \"x\" into item 2000000000 of line 2000000000 of v\nreturn v"), "error 37");
  EXPECT_EQ(fn("put \"abc\" into v\nget char 2000000000 to 2147483647 of v\nreturn it & v"), "abc");
  setmemorybudget(0);
}

// --- Two-byte text ---------------------------------------------------------------------------------

class TwoByteChunkExprTest : public ChunkExprTest {
 protected:
  void SetUp() override {
    ChunkExprTest::SetUp();
    mainglobals().twobyte = 1;
  }
};

TEST_F(TwoByteChunkExprTest, CharactersOffsetsAndLengths) {
  // numToChar(130) & numToChar(160) is one character.
  EXPECT_EQ(fn("put numToChar(130) & numToChar(160) into k\nput \"a\" & k & \"b\" into x\n"
               "return len(x) && (char 2 of x is k) && offset(\"b\", x) && (x contains numToChar(160))"),
            "3 true 3 false");
  EXPECT_EQ(fn("put numToChar(131) & \"A\" into k\nreturn offset(\"A\", k & \"A\") && (k contains \"a\")"), "2 false");
}

TEST_F(TwoByteChunkExprTest, TwoByteDelimitersAreAddedWhole) {
  g().localDelimiters = 0;  // handlers keep the delimiters set here
  g().itemDelimiter = 0x82A0;
  EXPECT_EQ(fn("put \"a\" into v\nput \"x\" into item 3 of v\nreturn v"), "a\x82\xA0\x82\xA0x");
  EXPECT_EQ(fn("put \"p\" & numToChar(130) & numToChar(160) & \"q\" into v\nreturn item 2 of v"), "q");
}

// --- Key messages ----------------------------------------------------------------------------------

// Sends the key messages typing the bytes produces, as the key handling does, to a handler that
// appends each key it gets, with a slash, to the global `keys`.
class KeyMessageTest : public ChunkExprTest {
 protected:
  void SetUp() override {
    ChunkExprTest::SetUp();
    script(
        "on keyStroke k\nglobal keys\nput k & \"/\" after keys\nend keyStroke\n"
        "on keyInField k\nglobal keys\nput \"f\" & k & \"/\" after keys\nend keyInField");
  }
  void type(std::initializer_list<u8> bytes, bool infield = false) {
    for (u8 c : bytes) {
      Str255 s;
      infield ? keyinfieldstr(s, c) : keystrokestr(s, c);
      if (s[0] > 0) {
        EXPECT_EQ(send(std::string(pstringview(s))), 0);
      }
    }
  }
};

TEST_F(KeyMessageTest, TwoBytesTypedInTurnMakeOneKeyStroke) {
  g().twobyte = 1;
  type({0x82, 0xA0});
  EXPECT_EQ(global("keys"), "\x82\xA0/");
}

TEST_F(KeyMessageTest, EveryKeyReachesTheHandlerAsItsCharacter) {
  type({'a', '"', '\r', 0, ' ', '\\'});
  type({'"'}, true);
  EXPECT_EQ(global("keys"), std::string("a/\"/\r/") + '\0' + "/ /\\/f\"/");
}

}  // namespace
}  // namespace kv
