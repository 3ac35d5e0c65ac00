#include "engine/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "platform/text/intl.h"
#include "engine/scripterrors.h"
#include "core/mainglobals.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

using NumbersTest = RuntimeTest;

struct PStr {
  Str255 s;
  explicit PStr(std::string_view t) {
    s[0] = u8(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) s[i + 1] = u8(t[i]);
  }
  operator ConstStringPtr() const { return s; }
};

std::string text(ConstStringPtr p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

std::string dbl(i16 style, i16 digits, double d) {
  Str255 s;
  dbl2string(s, style, digits, d);
  return text(s);
}

std::string formatted(double d) {
  Str255 s;
  formatdouble(d, s);
  return text(s);
}

std::string formatted(i32 n) {
  Str255 s;
  formatlong(n, s);
  return text(s);
}

void setformat(std::string_view f) {
  NumberFormat parsed;
  if (!parseformat(f, &parsed)) parsed = NumberFormat{};
  numberformat() = parsed;
}

i16 tolong(std::string_view t, i32* n) { return stringtolong(PStr(t), n); }
i16 todouble(std::string_view t, double* d) { return stringtodouble(PStr(t), d); }

TEST_F(NumbersTest, NumberSyntax) {
  EXPECT_EQ(stringisnumber(PStr("42")), integerform);
  EXPECT_EQ(stringisnumber(PStr("  -42  ")), integerform);
  EXPECT_EQ(stringisnumber(PStr("5.")), decimalform);
  EXPECT_EQ(stringisnumber(PStr(".5")), decimalform);
  EXPECT_EQ(stringisnumber(PStr("-.5")), decimalform);
  for (std::string_view bad : {"", " ", "-", ".", "-.", "+5", "1e5", "1,000", "4 2", "1.2.3", "--1", "5-", "\t5"})
    EXPECT_EQ(stringisnumber(PStr(bad)), notnumber) << bad;
}

TEST_F(NumbersTest, StringToLong) {
  i32 n = 99;
  EXPECT_EQ(tolong(" -42 ", &n), 0);
  EXPECT_EQ(n, -42);
  EXPECT_EQ(tolong("", &n), 0);
  EXPECT_EQ(n, 0);
  n = 99;
  EXPECT_EQ(tolong("4 2", &n), err::nointeger);
  EXPECT_EQ(tolong("2147483648", &n), err::nointeger);
  EXPECT_EQ(tolong("-2147483648", &n), err::nointeger);
  EXPECT_EQ(tolong("2.0", &n), err::nointeger);
  EXPECT_EQ(tolong("abc", &n), err::nointeger);
  EXPECT_EQ(tolong("99999999999999999999", &n), err::nointeger);
  EXPECT_EQ(n, 99);  // failures leave the number alone
  EXPECT_EQ(tolong("2147483647", &n), 0);
  EXPECT_EQ(n, 2147483647);
  EXPECT_EQ(tolong("-2147483647", &n), 0);
  EXPECT_EQ(n, -2147483647);
  EXPECT_EQ(tolong("000000000000000000007", &n), 0);
  EXPECT_EQ(n, 7);
}

TEST_F(NumbersTest, StringToDouble) {
  double d = 99;
  EXPECT_EQ(todouble(".5", &d), 0);
  EXPECT_EQ(d, 0.5);
  EXPECT_EQ(todouble(" -2.25 ", &d), 0);
  EXPECT_EQ(d, -2.25);
  EXPECT_EQ(todouble("5.", &d), 0);
  EXPECT_EQ(d, 5.0);
  EXPECT_EQ(todouble("0.1", &d), 0);
  EXPECT_EQ(d, 0.1);  // correctly rounded
  EXPECT_EQ(todouble("", &d), 0);
  EXPECT_EQ(d, 0.0);
  d = 99;
  EXPECT_EQ(todouble("1e5", &d), err::nonumber);
  EXPECT_EQ(d, 0.0);
  // The longest text a short string holds is still within a double's range.
  std::string big = "1" + std::string(254, '0');
  EXPECT_EQ(todouble(big, &d), 0);
  EXPECT_EQ(d, 1e254);
}

TEST_F(NumbersTest, SystemDecimalSeparator) {
  intlsettings().decimalpoint = ',';
  mainglobals().decimalpoint = ',';
  double d = 0;
  EXPECT_EQ(stringisnumber(PStr("1,5")), decimalform);
  EXPECT_EQ(todouble("1,5", &d), 0);
  EXPECT_EQ(d, 1.5);
  EXPECT_EQ(todouble("2.5", &d), 0);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(stringisnumber(PStr("1,5.0")), notnumber);
  i32 n = 0;
  EXPECT_EQ(tolong("1,5", &n), err::nointeger);
}

TEST_F(NumbersTest, StringToBool) {
  u16 flag = 7;
  EXPECT_EQ(stringtobool(PStr("TRUE"), &flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(stringtobool(PStr("fAlSe"), &flag), 0);
  EXPECT_EQ(flag, 0);
  for (std::string_view bad : {" true", "true ", "1", "yes", "", "tru"})
    EXPECT_EQ(stringtobool(PStr(bad), &flag), err::noboolean) << bad;
}

TEST_F(NumbersTest, Scanner) {
  i32 a = 0, b = 0;
  EXPECT_EQ(Sscanf("12, -7", "%d, %ld", {&a, &b}), 2);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, -7);
  EXPECT_EQ(Sscanf("12;7", "%d,%d", {&a, &b}), 1);  // stops at the mismatch
  EXPECT_EQ(Sscanf("x", "%d", {&a}), 0);
  EXPECT_EQ(Sscanf("5", "%s", {&a}), -1);
  EXPECT_EQ(Sscanf("", "%d", {&a}), 0);
  EXPECT_EQ(Sscanf("99999999999", "%d", {&a}), 1);
  EXPECT_EQ(a, 2147483647);
}

TEST_F(NumbersTest, RealTexts) {
  EXPECT_EQ(dbl(floatdecimal, 15, 0.0), "0");
  EXPECT_EQ(dbl(floatdecimal, 15, -0.0), "0");
  EXPECT_EQ(dbl(floatdecimal, 15, 0.1 + 0.2), "0.3");
  EXPECT_EQ(dbl(floatdecimal, 15, 1.0 / 3), "0.333333333333333");
  EXPECT_EQ(dbl(floatdecimal, 15, -1234.5), "-1234.5");
  EXPECT_EQ(dbl(floatdecimal, 15, 1e20), "100000000000000000000");
  EXPECT_EQ(dbl(floatdecimal, 15, 1e-5), "0.00001");
  EXPECT_EQ(dbl(floatdecimal, 3, 123456), "123000");
  EXPECT_EQ(dbl(fixeddecimal, 2, 2.346), "2.35");
  EXPECT_EQ(dbl(fixeddecimal, 0, 2.7), "3");
  EXPECT_EQ(dbl(fixeddecimal, 6, 1e20), "100000000000000000000");
  EXPECT_EQ(dbl(fixeddecimal, 6, 1e30), "?");  // more digits than a decimal record holds
  EXPECT_EQ(dbl(fixeddecimal, 6, -1e30), "-?");
  EXPECT_EQ(dbl(fixeddecimal, 2, 0.001), "0");
  EXPECT_EQ(dbl(floatdecimal, 15, std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(dbl(floatdecimal, 15, -std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(dbl(floatdecimal, 15, std::numeric_limits<double>::quiet_NaN()), "NAN(000)");
  EXPECT_EQ(dbl(floatdecimal, 15, 1e300), "Overflow");
  EXPECT_EQ(dbl(floatdecimal, 15, 1e254), "1" + std::string(254, '0'));
  EXPECT_EQ(dbl(floatdecimal, 15, 1e255), "Overflow");
  EXPECT_EQ(dbl(floatdecimal, 15, 1e-253), "0." + std::string(252, '0') + "1");
}

TEST_F(NumbersTest, RealTextsNeverPassTheirCapacity) {
  // A point position of -251 with 15 digits would be 270 characters: clipped at 255.
  Str255 guard[2];
  std::memset(guard, 0xEE, sizeof guard);
  dbl2string(guard[0], floatdecimal, 15, -1.23456789012345e-252);
  std::string t = text(guard[0]);
  EXPECT_EQ(t.size(), 255u);
  EXPECT_EQ(t.substr(0, 3), "-0.");
  EXPECT_EQ(guard[1][0], 0xEE);
  // The smallest numbers print "Overflow" rather than a text of zeros.
  EXPECT_EQ(dbl(floatdecimal, 15, 1e-300), "Overflow");
  EXPECT_EQ(dbl(floatdecimal, 15, std::numeric_limits<double>::denorm_min()), "Overflow");
  EXPECT_EQ(dbl(floatdecimal, 15, std::numeric_limits<double>::max()), "Overflow");
}

TEST_F(NumbersTest, FormatParsing) {
  NumberFormat f;
  ASSERT_TRUE(parseformat("0.00##", &f));
  for (std::string_view bad : {"", "#,##0.00", "0..0", "0.#0", "abc", "0.0 "}) {
    NumberFormat g{9, 9, 9, 9};
    EXPECT_FALSE(parseformat(bad, &g)) << bad;
    EXPECT_EQ(g.formlead, 9) << bad;
  }
}

TEST_F(NumbersTest, PatternFormats) {
  EXPECT_EQ(formatted(-0.5), "-0.5");
  EXPECT_EQ(formatted(i32(-2147483647 - 1)), "-2147483648");
  setformat("000");
  EXPECT_EQ(formatted(1234.0), "1234");
  setformat(".");
  EXPECT_EQ(formatted(0.2), "0");
  setformat("0.00##");
  EXPECT_EQ(formatted(1.5), "1.50");
  EXPECT_EQ(formatted(1.23456), "1.2346");
  setformat("##0.0");
  EXPECT_EQ(formatted(0.04), "0.0");
  // A real that rounds to zero keeps its sign, as printf's fixed form does.
  setformat("0.00");
  EXPECT_EQ(formatted(-0.001), "-0.00");
}

TEST_F(NumbersTest, LargeNumbers) {
  EXPECT_EQ(formatted(1e20), "100000000000000000000");
  EXPECT_EQ(formatted(1e30), "1000000000000000000000000000000");
  EXPECT_EQ(formatted(1e300), "Overflow");
  EXPECT_EQ(formatted(-1e300), "Overflow");
  setformat("0.00");
  EXPECT_EQ(formatted(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(formatted(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(formatted(1e300), "Overflow");
  // A format wider than a short string is cut at 255 characters.
  setformat(std::string(300, '0'));
  Str255 s;
  formatlong(1, s);
  EXPECT_EQ(s[0], 255);
  EXPECT_EQ(s[255], '0');  // the digit itself falls beyond the cut
}

TEST_F(NumbersTest, DepthWords) {
  Str255 s;
  s[0] = 0;
  modetostring(3, s);
  EXPECT_EQ(s[0], 0);
  const std::pair<i16, std::string_view> words[] = {{1, "bw"},  {2, "4"},          {4, "16"},
                                                    {8, "256"}, {16, "thousands"}, {32, "millions"}};
  for (auto [mode, word] : words) {
    modetostring(mode, s);
    EXPECT_EQ(text(s), word);
    i16 back = 0;
    EXPECT_EQ(stringtomode(s, &back), 0) << word;
    EXPECT_EQ(back, mode) << word;
  }
  i16 m = 0;
  for (std::string_view bad : {"", "1", "8", "32", "true", "colour"})
    EXPECT_EQ(stringtomode(PStr(bad), &m), err::cantunderstand) << bad;
  EXPECT_EQ(stringtomode(PStr("MILLIONS"), &m), 0);
}

}  // namespace
}  // namespace kv
