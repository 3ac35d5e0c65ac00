// Functions of one parameter, of numbers and of lists, as expressions use them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <set>
#include <string>

#include "platform/qd/random.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

class FunctionsTest : public VeltrixTest {};

TEST_F(FunctionsTest, LengthAndCharacterCodes) {
  EXPECT_EQ(eval("length(\"\")"), "0");
  EXPECT_EQ(eval("the length of 1.50"), "4");  // a number literal is its written text
  EXPECT_EQ(eval("len(\"abc\" & \"de\")"), "5");
  EXPECT_EQ(eval("length of \"ab\" & \"c\""), "2c");  // one factor: (length of "ab") & "c"
  EXPECT_EQ(eval("charToNum(\"A\")"), "65");
  EXPECT_EQ(eval("charToNum(\"\")"), "0");
  EXPECT_EQ(eval("numToChar(66)"), "B");
  EXPECT_EQ(eval("numToChar(321)"), "A");  // the low byte
  EXPECT_EQ(eval("numToChar(1.5)"), "error 13");
  EXPECT_EQ(fn("put \"xyz\" into v\nget length(v)\nreturn v"), "xyz") << "the variable keeps its value";
}

TEST_F(FunctionsTest, Case) {
  EXPECT_EQ(eval("upper(\"abc Def 1\")"), "ABC DEF 1");
  EXPECT_EQ(eval("lower(\"ABC dEf 1\")"), "abc def 1");
  EXPECT_EQ(eval("upper(\"\x8A\")"), "\x8A");  // only the letters a-z change
  EXPECT_EQ(eval("title(\"hELLO wORLD\")"), "Hello World");
  EXPECT_EQ(eval("title(\"ab  cd\")"), "Ab  Cd");
  EXPECT_EQ(eval("title(\"\")"), "");
}

TEST_F(FunctionsTest, Hexadecimal) {
  EXPECT_EQ(eval("stringToHex(\"AZ\")"), "415A");
  EXPECT_EQ(eval("stringToHex(\"\")"), "");
  EXPECT_EQ(eval("hexToString(\"41 5a\")"), "AZ");
  EXPECT_EQ(eval("hexToString(\"415\")"), "A");
  EXPECT_EQ(eval("hexToString(\"4\")"), "");
  EXPECT_EQ(eval("hexToString(\"4G\")"), "error 209");
  EXPECT_EQ(eval("hexToString(stringToHex(\"any text\"))"), "any text");
}

TEST_F(FunctionsTest, Base64AndDigest) {
  EXPECT_EQ(eval("encode(\"Hello\")"), "SGVsbG8=");
  EXPECT_EQ(eval("decode(\"SGVsbG8=\")"), "Hello");
  EXPECT_EQ(eval("decode(encode(\"ab\"))"), "ab");
  EXPECT_EQ(eval("encode(\"\")"), "");
  EXPECT_EQ(eval("digest(\"\")"), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(eval("digest(\"abc\")"), "900150983cd24fb0d6963f7d28e17f72");
  std::string body =
      "put \"aaaaaaaaaa\" into x\nrepeat 7000 times\nput x after y\nend repeat\n"
      "return digest(y) & \",\" & length(y)";
  EXPECT_EQ(fn(body), "0b21388e04a856f824a29c58d71c8d40,70000");
}

TEST_F(FunctionsTest, URLEscapes) {
  EXPECT_EQ(eval("urlEncode(\"a b/c?d=1&e#f\")"), "a%20b/c?d=1&e#f");
  EXPECT_EQ(eval("urlEncode(\"\x8E%\")"), "%8E%25");
  EXPECT_EQ(eval("urlDecode(\"a%20b%2Fc\")"), "a b/c");
  EXPECT_EQ(eval("urlDecode(\"a+b\")"), "a+b");
  EXPECT_EQ(result(), "");
  EXPECT_EQ(eval("urlDecode(\"100%\")"), "100%");
  EXPECT_EQ(result(), "The text holds a percent escape that cannot be decoded.");
  EXPECT_EQ(eval("urlDecode(\"%zz\")"), "%zz");
  // At most 255 characters go in and come out.
  std::string body = "repeat 100 times\nput \" \" after x\nend repeat\nreturn length(urlEncode(x))";
  EXPECT_EQ(fn(body), "255");
}

TEST_F(FunctionsTest, Tests) {
  EXPECT_EQ(eval("isNumber(\"12.5\")"), "true");
  EXPECT_EQ(eval("isNumber(\" -3 \")"), "true");
  EXPECT_EQ(eval("isNumber(\"\")"), "false");
  EXPECT_EQ(eval("isNumber(\"1e5\")"), "false");
  EXPECT_EQ(eval("isReservedWord(\"put\")"), "true");
  EXPECT_EQ(eval("isReservedWord(\"1abc\")"), "true");
  EXPECT_EQ(eval("isReservedWord(\"fred\")"), "false");
  EXPECT_EQ(eval("isReservedWord(\"\")"), "false");
}

TEST_F(FunctionsTest, ValueEvaluatesText) {
  EXPECT_EQ(eval("value(\"1 + 2\")"), "3");
  EXPECT_EQ(eval("value(\"1 + 2 x\")"), "1 + 2 x");
  EXPECT_EQ(eval("value(\"\")"), "");
  EXPECT_EQ(fn("put 4 into n\nreturn value(\"n * 2\")"), "8");
  EXPECT_EQ(eval("value(\"1 +\")"), "error 3");
  // A text that evaluates itself ends with an error, not with the stack.
  for (const char* form : {"value(x)", "the value of x"}) {
    std::string body = std::string("global x\nput \"") + form + "\" into x\nreturn " + form;
    std::string r = fn(body);
    EXPECT_TRUE(r == "error 50" || r == "error 111") << form << ": " << r;
  }
}

TEST_F(FunctionsTest, Parameters) {
  EXPECT_EQ(fn("return param(0)", "1, \"x\""), "kvtestfn");
  EXPECT_EQ(fn("return param(2)", "1, \"x\""), "x");
  EXPECT_EQ(fn("return param(5)", "1, \"x\""), "");
  EXPECT_EQ(fn("return param(-1)"), "error 2");
}

TEST_F(FunctionsTest, Random) {
  setrandseed(12345);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(eval("random(1)"), "1");
  EXPECT_EQ(eval("random(0)"), "1");
  EXPECT_EQ(eval("random(-1)"), "error 2");
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    std::string r = eval("random(4)");
    ASSERT_TRUE(r == "1" || r == "2" || r == "3" || r == "4") << r;
    seen.insert(r);
  }
  EXPECT_EQ(seen.size(), 4u);
  std::string big = eval("random(2000000000)");
  EXPECT_EQ(big.find('-'), std::string::npos) << big;
}

TEST_F(FunctionsTest, MidiNames) {
  EXPECT_EQ(eval("midiNameToNum(\"Violin\")"), "41");
  EXPECT_EQ(eval("midiNameToNum(\"acoustic grand piano\")"), "1");
  EXPECT_EQ(eval("midiNameToNum(\"Standard Kit\")"), "16385");
  EXPECT_EQ(eval("midiNameToNum(\"Orchestra Kit\")"), "16433");
  EXPECT_EQ(eval("midiNameToNum(\"Kazoo\")"), "0");
  EXPECT_EQ(eval("audioTrackInfo(1)"), "error 124");
}

TEST_F(FunctionsTest, OneNumber) {
  EXPECT_EQ(eval("round(2.5)"), "2");
  EXPECT_EQ(eval("round(2.6)"), "3");
  EXPECT_EQ(eval("round(-2.5)"), "-3");
  EXPECT_EQ(eval("trunc(-2.7)"), "-2");
  EXPECT_EQ(eval("trunc(2.7)"), "2");
  EXPECT_EQ(eval("abs(-4)"), "4");
  EXPECT_EQ(eval("the abs of -4"), "4");
  EXPECT_EQ(eval("sqrt(16)"), "4");
  EXPECT_EQ(eval("log2(8)"), "3");
  EXPECT_EQ(eval("exp2(10)"), "1024");
  EXPECT_EQ(eval("ln(1)"), "0");
  EXPECT_EQ(eval("exp1(0)"), "0");
  EXPECT_EQ(eval("ln1(0)"), "0");
  EXPECT_EQ(eval("sin(0) + cos(0) + tan(0) + atan(0)"), "1");
  EXPECT_EQ(eval("exp(0)"), "1");
  EXPECT_EQ(eval("sqrt(-1)"), "error 56");
  EXPECT_EQ(eval("ln(0)"), "error 56");
  EXPECT_EQ(eval("exp(100000)"), "error 56");
  EXPECT_EQ(eval("abs(\"x\")"), "error 12");
  EXPECT_EQ(eval("the sqrt 4"), "error 5");
}

TEST_F(FunctionsTest, Log2KeepsFifteenDecimals) {
  EXPECT_EQ(run("set the numberFormat to \"0.##################\""), 0);
  std::string v = eval("log2(10)");
  EXPECT_EQ(v.substr(0, 17), "3.321928094887362") << v;
}

TEST_F(FunctionsTest, Lists) {
  EXPECT_EQ(eval("average(2,4)"), "3");
  EXPECT_EQ(eval("avg(1)"), "1");
  EXPECT_EQ(eval("max(1, 5, 3)"), "5");
  EXPECT_EQ(eval("min(3, -1, 7)"), "-1");
  EXPECT_EQ(eval("sum(1, 2, 3.5)"), "6.5");
  EXPECT_EQ(fn("put \"1,2,3\" into x\nreturn sum(x)"), "6");  // a variable that holds the list
  EXPECT_EQ(fn("put \"4,8\" into x\nreturn average(x) + max(x)"), "14");
  EXPECT_EQ(eval("sum()").rfind("error ", 0), 0u) << "an empty list fails as its expression does";
  EXPECT_EQ(eval("sum(1, \"a\")"), "error 12");
}

TEST_F(FunctionsTest, AnnuityAndCompound) {
  EXPECT_EQ(eval("compound(0.1, 2)"), "1.21");
  EXPECT_EQ(eval("round(annuity(0.1, 2) * 10000)"), "17355");
  EXPECT_EQ(eval("annuity(0, 5)"), "5");
  EXPECT_EQ(eval("compound(1)"), "error 39");
  EXPECT_EQ(eval("compound(1, 2, 3)"), "error 88");
}

TEST_F(FunctionsTest, Replace) {
  EXPECT_EQ(eval("replace(\"aaa\", \"a\", \"b\")"), "bbb");
  EXPECT_EQ(eval("replace(\"aaa\", \"a\", \"b\", 0, 1)"), "baa");
  EXPECT_EQ(eval("replace(\"aaa\", \"a\", \"b\", 1)"), "abb");
  EXPECT_EQ(eval("replace(\"aaa\", \"\", \"b\")"), "aaa");
  EXPECT_EQ(eval("replace(\"abc\", \"b\", \"bb\")"), "abbc");    // the replacement is not searched again
  EXPECT_EQ(eval("replace(\"aAa\", \"a\", \"x\")"), "xAx");      // letters match in their own case
  EXPECT_EQ(eval("replace(\"abab\", \"ab\", \"\", 0, 0)"), "");  // a count that never comes down to 0
  EXPECT_EQ(eval("replace(\"\", \"a\", \"b\")"), "");
  EXPECT_EQ(eval("replace(\"aaa\", \"a\", \"b\", 99)"), "aab");  // the start stays inside the text
  EXPECT_EQ(eval("replace(\"a\", \"b\")"), "error 39");
  EXPECT_EQ(eval("replace(\"a\", \"b\", \"c\", \"x\")"), "error 13");
}

class GeometryFunctionsTest : public VeltrixTest {};

TEST_F(GeometryFunctionsTest, Rectangles) {
  EXPECT_EQ(eval("insetRect(0,0,100,100, 10,20)"), "10,20,90,80");
  EXPECT_EQ(fn("put \"0,0,100,100\" into r\nreturn insetRect(r, 10, 20)"), "10,20,90,80");
  EXPECT_EQ(fn("put \"0,0,100,100\" into r\nreturn insetRect(r, \"-5,-5\")"), "-5,-5,105,105");
  EXPECT_EQ(eval("offsetRect(\"1,2,3,4\", 10, 20)"), "11,22,13,24");
  EXPECT_EQ(eval("pinRect(0,0,100,100, 150,-5)"), "99,0");
  EXPECT_EQ(eval("pinRect(0,0,100,100, 50,50)"), "50,50");
  EXPECT_EQ(eval("scaleRect(0,0,100,100, 0.5)"), "25,25,75,75");
  EXPECT_EQ(eval("scaleRect(0,0,100,100, 0)"), "error 2");
  EXPECT_EQ(eval("scaleRect(0,0,100,100, -1)"), "error 2");
  EXPECT_EQ(eval("rectQuad(0,0,10,20)"), "0,0,10,0,10,20,0,20");
  EXPECT_EQ(eval("the rectQuad of \"0,0,10,20\""), "0,0,10,0,10,20,0,20");
  EXPECT_EQ(fn("put \"1,1,2,2\" into r\nreturn the rectQuad of r & \"!\""), "1,1,2,1,2,2,1,2!");
}

TEST_F(GeometryFunctionsTest, RectangleErrors) {
  EXPECT_EQ(eval("the insetRect of \"0,0,1,1\""), "error 49");  // only three take "the"
  EXPECT_EQ(eval("the rectQuad \"0,0,1,1\""), "error 5");
  EXPECT_EQ(eval("insetRect(0,0,100 100, 1,1)"), "error 39");
  EXPECT_EQ(eval("insetRect(0,0,100,100 1,1)"), "error 39");
  EXPECT_EQ(eval("insetRect(0,0,100,100, 1,1, 7)"), "error 88");
  EXPECT_EQ(eval("insetRect(\"0,0,1\", 1,1)"), "error 39");
  EXPECT_EQ(eval("insetRect(\"0,0,1,1,1\", 1,1)"), "error 19");
  EXPECT_EQ(eval("offsetRect(a,0,1,1, 1,1)"), "error 13");
}

TEST_F(GeometryFunctionsTest, Quads) {
  std::string q = "\"0,0,10,0,10,20,0,20\"";
  EXPECT_EQ(eval("quadRect(\"5,1,9,2,7,8,0,3\")"), "0,1,9,8");
  EXPECT_EQ(eval("the quadRect of " + q), "0,0,10,20");
  EXPECT_EQ(eval("offsetQuad(" + q + ", 5, 6)"), "5,6,15,6,15,26,5,26");
  EXPECT_EQ(eval("insetQuad(" + q + ", \"1,2\")"), "1,2,9,2,9,18,1,18");
  EXPECT_EQ(eval("rotateQuad(" + q + ", 0,0,10,20, 360)"), "0,0,10,0,10,20,0,20");
  EXPECT_EQ(eval("rotateQuad(" + q + ", 0,0,10,20, 180)"), "10,20,0,20,0,0,10,0");
  EXPECT_EQ(eval("rotateQuad(" + q + ", 0,0,20,20, 90)"), "20,0,20,10,0,10,0,0");
  // Turned a quarter (20 wide, 10 high) and fitted into the 10 by 20 box: half the size,
  // centred from top 8.
  EXPECT_EQ(eval("rotateQuad(" + q + ", 0,0,10,20, 90, true)"), "10,8,10,13,0,13,0,8");
  EXPECT_EQ(eval("skewQuad(" + q + ", 0,0,10,20, 500,0, 0,0)"), "0,0,10,0,20,20,10,20");
  EXPECT_EQ(eval("quadRect(\"1,2,3,4\")"), "error 219");
  EXPECT_EQ(eval("quadRect(\"1,2,3\")"), "error 2");
  EXPECT_EQ(eval("quadRect(\"0,0,1,0,1,1,0,99999\")"), "error 209");
  EXPECT_EQ(eval("offsetQuad(" + q + ")"), "error 39");
}

TEST_F(GeometryFunctionsTest, PointsWithoutAWindowStayAsTheyAre) {
  EXPECT_EQ(eval("localLoc(10,20)"), "10,20");
  EXPECT_EQ(eval("the globalLoc of \"3,4\""), "3,4");
}

TEST_F(FunctionsTest, PathFormsAndVolumes) {
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  ASSERT_FALSE(home.empty());
  std::string colon = home.substr(1) + "/a";
  for (char& c : colon) c = c == '/' ? ':' : c;
  EXPECT_EQ(eval("posixToHFS(\"~/a\")"), colon);
  EXPECT_EQ(eval("hfsToPosix(posixToHFS(\"~/a\"))"), home + "/a");
  EXPECT_EQ(eval("hfsToPosix(\"" + colon + "\")"), home + "/a");
  EXPECT_EQ(eval("posixToHFS(\"/Volumes/Disk/x/y\")"), "Disk:x:y");
  EXPECT_EQ(eval("hfsToPosix(\"\")"), "");
  EXPECT_EQ(eval("supportsExclusiveFileAccess(\"\")"), "error 186");
  EXPECT_EQ(eval("supportsExclusiveFileAccess(\"/tmp\")"), "true");
  EXPECT_EQ(eval("supportsExclusiveFileAccess(\"~\")"), "true");
  EXPECT_EQ(eval("supportsExclusiveFileAccess(\"/no/such/place\")"), "error 186");
  EXPECT_EQ(eval("supportsExclusiveFileAccess(\"nosuchvolume\")"), "error 186");
  EXPECT_EQ(eval("midiNumToName(1)"), "Acoustic Grand Piano");
}

// The international comparison of texts: base letters (ligatures spelt out), then accents, then
// case; numbers still compare as numbers.
TEST_F(FunctionsTest, IntlCompareOrdersTextsAsWords) {
  const std::string e = "numToChar(142)";  // e acute
  const std::string resume = "\"r\" & " + e + " & \"sum\" & " + e;
  const std::string cases[] = {e + " < \"f\"",
                               resume + " < \"resumes\"",
                               "\"10\" < \"9\"",
                               "\"abc\" <= \"ABC\"",
                               "\"e\" < " + e,
                               "numToChar(174) > \"ad\"",  // AE ligature after "ad"
                               "numToChar(174) < \"af\"",
                               "numToChar(167) < \"st\"",  // sharp s as "ss"
                               "\"b\" > \"A\"",
                               "\"Zebra\" > \"apple\""};
  const char* without[] = {"false", "false", "false", "true", "true", "true", "false", "false", "true", "true"};
  const char* with[] = {"true", "true", "false", "true", "true", "true", "true", "true", "true", "true"};
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(eval(cases[i]), without[i]) << cases[i];
  ASSERT_EQ(run("set the intlCompare to true"), 0);
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(eval(cases[i]), with[i]) << "intl: " << cases[i];
  EXPECT_EQ(eval("\"ABC\" <= \"abc\""), "false") << "small letters before capitals";
  EXPECT_EQ(eval("\"a\" & " + e + " = \"ae\""), "false") << "equality is not the order";
  ASSERT_EQ(run("set the intlCompare to false"), 0);
}

}  // namespace
}  // namespace kv
