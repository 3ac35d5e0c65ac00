// Values converted between numbers, booleans and text, and printed under numberFormat.
#include "engine/numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "engine/fred.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "tests/support/fixture.h"
#include "tests/support/texts.h"
#include "tests/support/owned.h"

namespace kv {
namespace {

using namespace testtexts;

class NumberTextTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ASSERT_EQ(initglobs(), 0);
  }
  // Sets numberFormat as the property does: the new text into the format handle, then parse.
  void setnumberformat(std::string_view f) {
    Str255 s;
    pstrassign(s, 256, f.data(), f.size());
    ASSERT_EQ(stringtohand(s, mainglobals().numberformat), 0);
    decodeformat();
  }
  std::string formatstext() { return hand(mainglobals().numberformat); }
};

std::string astext(fred v) {
  Str255 s;
  fredtostring(&v, s);
  return str(s);
}
std::string real(double d) {
  fred v;
  doubletonewfred(d, &v);
  std::string t = astext(v);
  return t;
}
std::string integer(i32 n) {
  fred v;
  longtonewfred(n, &v);
  return astext(v);
}
fred shorttext(std::string_view t) {
  fred v;
  Str255 s;
  pstrassign(s, 256, t.data(), t.size());
  EXPECT_EQ(stringtonewfred(s, &v), 0);
  return v;
}

TEST_F(NumberTextTest, NumberFormatPrinting) {
  EXPECT_EQ(formatstext(), "0.######");
  EXPECT_EQ(real(2.5), "2.5");
  EXPECT_EQ(real(2.0), "2");
  EXPECT_EQ(real(1.0 / 3.0), "0.333333");
  EXPECT_EQ(real(3.1415926), "3.141593");
  EXPECT_EQ(real(0.1 + 0.2), "0.3");
  EXPECT_EQ(integer(5), "5");

  setnumberformat("0.00");
  EXPECT_EQ(integer(5), "5.00");
  EXPECT_EQ(real(2.346), "2.35");

  setnumberformat("000");
  EXPECT_EQ(integer(7), "007");
  EXPECT_EQ(integer(-7), "-007");

  setnumberformat("0");
  EXPECT_EQ(real(2.7), "3");
  EXPECT_EQ(real(-2.7), "-3");

  setnumberformat(".");
  EXPECT_EQ(real(2.7), "3");

  setnumberformat("abc");
  EXPECT_EQ(formatstext(), "0.######");
  EXPECT_EQ(real(1.0 / 3.0), "0.333333");
  EXPECT_EQ(integer(5), "5");

  setnumberformat("");
  EXPECT_EQ(formatstext(), "0.######");
}

TEST_F(NumberTextTest, HugeNumbers) {
  EXPECT_EQ(real(1e20), "100000000000000000000");
  EXPECT_EQ(real(-1e20), "-100000000000000000000");
  EXPECT_EQ(real(1e300), "Overflow");
  EXPECT_EQ(real(-1e300), "Overflow");
  EXPECT_EQ(real(INFINITY), "INF");
  EXPECT_EQ(real(-INFINITY), "-INF");
}

TEST_F(NumberTextTest, ValuesBecomeTextInPlace) {
  fred v;
  doubletonewfred(2.5, &v);
  EXPECT_EQ(formatfred(&v, fredstring), 0);
  EXPECT_EQ(v.type, fredstring);
  EXPECT_EQ(str(v.shorttext), "2.5");
  EXPECT_EQ(v.text, nilhandle);
  EXPECT_EQ(formatfred(&v, fredhand), 0);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(hand(v.text), "2.5");
  disposfred(&v);

  // A formatted number of 32 characters or more goes into a handle.
  doubletonewfred(1e40, &v);
  EXPECT_EQ(formatfred(&v, fredstring), 0);
  EXPECT_EQ(v.type, fredhand);
  EXPECT_EQ(hand(v.text), "1" + std::string(40, '0'));
  disposfred(&v);
}


TEST_F(NumberTextTest, HandleTextLosesItsTrailingZeroBytes) {
  OwnedHandle h(newhand(std::string("ab\0\0", 4)));
  OwnedFred v;
  ASSERT_EQ(handtonewfred(h, &v), 0);
  EXPECT_EQ(astext(v), "ab");
}

TEST_F(NumberTextTest, FormatfredReportsMemoryFailure) {
  OwnedFred v;
  doubletonewfred(1e40, &v);
  setmemoryguardrefusal(true);
  EXPECT_EQ(formatfred(&v, fredstring), err::nomemory);
  EXPECT_EQ(v.type, freddouble) << "the value keeps its number";
  EXPECT_EQ(v.real, 1e40);
  // fredtostring still answers the text.
  Str255 s;
  fredtostring(&v, s);
  EXPECT_EQ(str(s), "1" + std::string(40, '0'));

  fred w = shorttext("short");
  EXPECT_EQ(formatfred(&w, fredhand), err::nomemory);
  EXPECT_EQ(w.type, fredstring);
  EXPECT_EQ(str(w.shorttext), "short");
  setmemoryguardrefusal(false);

  failallocationafter(1);
  EXPECT_EQ(formatfred(&v, fredhand), err::nomemory);
  EXPECT_EQ(v.type, freddouble);
  failallocationafter(0);
  EXPECT_EQ(formatfred(&v, fredhand), 0);
  EXPECT_EQ(v.type, fredhand);
  disposfred(&w);
}

TEST_F(NumberTextTest, ToLong) {
  fred v;
  i32 n = 0;
  doubletonewfred(2.9, &v);
  EXPECT_EQ(fredtolong(&v, &n), 0);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(v.type, fredlong);
  EXPECT_EQ(v.integer, 2);

  doubletonewfred(-2.9, &v);
  EXPECT_EQ(fredtolong(&v, &n), 0);
  EXPECT_EQ(n, -2);

  // Reals beyond 32 bits are no integers (the value stays as it was).
  for (double d : {1e10, -1e10, double(NAN), double(INFINITY)}) {
    doubletonewfred(d, &v);
    n = 77;
    EXPECT_EQ(fredtolong(&v, &n), err::nointeger) << d;
    EXPECT_EQ(n, 77);
    EXPECT_EQ(v.type, freddouble);
  }

  v = shorttext(" -42 ");
  EXPECT_EQ(fredtolong(&v, &n), 0);
  EXPECT_EQ(n, -42);
  EXPECT_EQ(v.type, fredlong);

  v = shorttext("2.0");
  EXPECT_EQ(fredtolong(&v, &n), err::nointeger);
  EXPECT_EQ(v.type, fredstring);
  v = shorttext("");
  EXPECT_EQ(fredtolong(&v, &n), 0);
  EXPECT_EQ(n, 0);

  booltonewfred(1, &v);
  EXPECT_EQ(fredtolong(&v, &n), err::nointeger);
  fooltonewfred(1, &v);
  EXPECT_EQ(fredtolong(&v, &n), err::nointeger);

  // A handle text keeps its handle when it becomes a number.
  Handle h = newhand(std::string("123\0", 4));
  ASSERT_EQ(handtonewfred(h, &v), 0);
  DisposeHandle(h);
  Handle text = v.text;
  EXPECT_EQ(fredtolong(&v, &n), 0);
  EXPECT_EQ(n, 123);
  EXPECT_EQ(v.type, fredlong);
  EXPECT_EQ(v.text, text);
  disposfred(&v);
}

TEST_F(NumberTextTest, ToDouble) {
  fred v;
  double d = 0;
  longtonewfred(3, &v);
  EXPECT_EQ(fredtodouble(&v, &d), 0);
  EXPECT_EQ(d, 3.0);
  EXPECT_EQ(v.type, freddouble);
  v = shorttext("-.25");
  EXPECT_EQ(fredtodouble(&v, &d), 0);
  EXPECT_EQ(d, -0.25);
  EXPECT_EQ(v.type, freddouble);
  v = shorttext("x");
  EXPECT_EQ(fredtodouble(&v, &d), err::nonumber);
  EXPECT_EQ(v.type, fredstring);
  booltonewfred(0, &v);
  d = 9;
  EXPECT_EQ(fredtodouble(&v, &d), err::nonumber);
  EXPECT_EQ(d, 0.0);
}

TEST_F(NumberTextTest, ToBool) {
  fred v = shorttext("TRUE");
  u16 flag = 9;
  EXPECT_EQ(fredtobool(&v, &flag), 0);
  EXPECT_EQ(flag, 1);
  v = shorttext(" true");
  EXPECT_EQ(fredtobool(&v, &flag), err::noboolean);
  longtonewfred(1, &v);
  EXPECT_EQ(fredtobool(&v, &flag), err::noboolean);
  EXPECT_EQ(v.type, fredstring) << "the number was turned into text";
  fooltonewfred(1, &v);
  EXPECT_EQ(fredtobool(&v, &flag), err::noboolean);
  booltonewfred(1, &v);
  v.integer = 0x10000;  // only the low 16 bits count
  EXPECT_EQ(fredtobool(&v, &flag), 0);
  EXPECT_EQ(flag, 0);
  OwnedHandle h(newhand("False"));
  ASSERT_EQ(handtonewfred(h, &v), 0);
  EXPECT_EQ(fredtobool(&v, &flag), 0);
  EXPECT_EQ(flag, 0);
  disposfred(&v);
  EXPECT_EQ(handtobool(h, &flag), 0);
}

TEST_F(NumberTextTest, TextWithoutTheFormat) {
  setnumberformat("0.00");
  Str255 s;
  fred v;
  doubletonewfred(1.0 / 3.0, &v);
  fredtotext(&v, s);
  EXPECT_EQ(str(s), "0.333333333333333");
  EXPECT_EQ(v.type, freddouble);
  longtonewfred(-12, &v);
  fredtotext(&v, s);
  EXPECT_EQ(str(s), "-12");
  booltonewfred(0, &v);
  fredtotext(&v, s);
  EXPECT_EQ(str(s), "false");
  fooltonewfred(1, &v);
  fredtotext(&v, s);
  EXPECT_EQ(str(s), "down");
  v = shorttext("hello");
  fredtotext(&v, s);
  EXPECT_EQ(str(s), "hello");
  // A handle text without a handle is the empty text.
  newfred(&v, fredworking, fredhand, 0);
  setpstring(s, "old");
  fredtotext(&v, s);
  EXPECT_EQ(str(s), "");
  EXPECT_EQ(v.type, fredhand);
  setpstring(s, "old");
  fredtostring(&v, s);
  EXPECT_EQ(str(s), "");
  EXPECT_EQ(v.type, fredstring);
}

TEST_F(NumberTextTest, HandleConversions) {
  Handle h = newhand(std::string(" 17 \0\0", 6));
  i32 n = 0;
  EXPECT_EQ(handtolong(h, &n), 0);
  EXPECT_EQ(n, 17);
  double d = 0;
  EXPECT_EQ(handtodouble(h, &d), 0);
  EXPECT_EQ(d, 17.0);
  EXPECT_EQ(handtolong(nilhandle, &n), 0);
  EXPECT_EQ(n, 0);
  Str255 s;
  setpstring(s, " 17 ");
  EXPECT_EQ(equalhand(h, s), 1);
  setpstring(s, "17");
  EXPECT_EQ(equalhand(h, s), 0);
  DisposeHandle(h);
  h = newhand("HeLLo");
  setpstring(s, "hello");
  EXPECT_EQ(equalhand(h, s), 1);

  EXPECT_EQ(longtohand(-5, h), 0);
  EXPECT_EQ(hand(h), "-5");
  EXPECT_EQ(booltohand(1, h), 0);
  EXPECT_EQ(hand(h), "true");
  EXPECT_EQ(doubletohand(0.1, h), 0);
  EXPECT_EQ(hand(h), "0.1");
  EXPECT_EQ(longtohand(1, nilhandle), err::wentwrong);
  DisposeHandle(h);

  Handle out = nilhandle;
  EXPECT_EQ(doubletonewh(2.5, &out), 0);
  EXPECT_EQ(hand(out), "2.5");
  DisposeHandle(out);
  EXPECT_EQ(booltonewh(0, &out), 0);
  EXPECT_EQ(hand(out), "false");
  DisposeHandle(out);
  setmemoryguardrefusal(true);
  out = 12345;
  EXPECT_EQ(longtonewh(1234567, &out), err::nomemory);
  EXPECT_EQ(out, nilhandle);
  setmemoryguardrefusal(false);
}

TEST_F(NumberTextTest, InitformatKeepsTheTextWhenMemoryIsRefused) {
  setnumberformat("0.00");
  setmemoryguardrefusal(true);
  initformat();
  setmemoryguardrefusal(false);
  EXPECT_EQ(formatstext(), "0.00");
  EXPECT_EQ(real(2.5), "2.5") << "the settings are the defaults all the same";
}

}  // namespace
}  // namespace kv
