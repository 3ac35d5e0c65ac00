// The date and time functions and the convert command, run as a script runs them, on the
// virtual clock set to Tuesday 5 March 2024, 15:04:05 (TZ=UTC).
#include <gtest/gtest.h>

#include <string>

#include "platform/time/datetime.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

constexpr LongDateTime kNow = 3792495845;
const std::string kNowText = "3792495845";
const std::string kMidnight = "3792441600";  // 5 March 2024, 0:00

class DatesTest : public VeltrixTest {
 protected:
  void SetUp() override {
    VeltrixTest::SetUp();
    setdatetime(kNow);
  }
  // Converts a value to the form(s) and answers what the variable then holds, or "error N".
  std::string convert(const std::string& value, const std::string& forms) {
    return fn("put " + value + " into x\nconvert x to " + forms + "\nreturn x");
  }
  std::string seconds(const std::string& value) { return convert(value, "seconds"); }
  std::string quoted(const std::string& text) { return "\"" + text + "\""; }
};

TEST_F(DatesTest, DateAndTimeFunctions) {
  EXPECT_EQ(eval("the date"), "3/5/24");
  EXPECT_EQ(eval("the short date"), "3/5/24");
  EXPECT_EQ(eval("date()"), "3/5/24");
  EXPECT_EQ(eval("the long date"), "Tuesday, March 5, 2024");
  EXPECT_EQ(eval("the abbreviated date"), "Tue, Mar 5, 2024");
  EXPECT_EQ(eval("the abbr date"), "Tue, Mar 5, 2024");
  EXPECT_EQ(eval("the abbrev date"), "Tue, Mar 5, 2024");
  EXPECT_EQ(eval("the time"), "3:04 PM");
  EXPECT_EQ(eval("the short time"), "3:04 PM");
  EXPECT_EQ(eval("the abbreviated time"), "3:04 PM") << "no seconds";
  EXPECT_EQ(eval("time()"), "3:04 PM");
  EXPECT_EQ(eval("the long time"), "3:04:05 PM");
  EXPECT_EQ(eval("the long date && the long time"), "Tuesday, March 5, 2024 3:04:05 PM");
}

TEST_F(DatesTest, DateFunctionForms) {
  EXPECT_EQ(evalerror("date(1)"), 88);
  EXPECT_EQ(evalerror("time(\"x\")"), 88);
  EXPECT_EQ(evalerror("date of 1"), 49);
}

TEST_F(DatesTest, TheClockMovesWithTheVirtualTicks) {
  setdatetime(kNow + 55);
  EXPECT_EQ(eval("the time"), "3:05 PM");
  EXPECT_EQ(eval("the long time"), "3:05:00 PM");
  setdatetime(kNow - 15 * 3600 - 4 * 60 - 5);
  EXPECT_EQ(eval("the long time"), "12:00:00 AM");
}

TEST_F(DatesTest, ConvertBetweenEveryForm) {
  // Every form of the moment read back as seconds: the date forms keep the day, the time forms
  // the time of today.
  const std::string forms[] = {"seconds",    "dateItems",        "date",      "short date",
                               "long date",  "abbreviated date", "abbr date", "time",
                               "short time", "abbreviated time", "long time"};
  const std::string texts[] = {kNowText,           "2024,3,5,15,4,5,3", "3/5/24",  "3/5/24",  "Tuesday, March 5, 2024",
                               "Tue, Mar 5, 2024", "Tue, Mar 5, 2024",  "3:04 PM", "3:04 PM", "3:04 PM",
                               "3:04:05 PM"};
  const std::string backs[] = {kNowText,  kNowText,     kMidnight,    kMidnight,    kMidnight, kMidnight,
                               kMidnight, "3792495840", "3792495840", "3792495840", kNowText};
  for (size_t i = 0; i < std::size(forms); ++i) {
    EXPECT_EQ(convert(kNowText, forms[i]), texts[i]) << forms[i];
    for (size_t j = 0; j < std::size(forms); ++j)
      EXPECT_EQ(convert(quoted(texts[i]), forms[j]), convert(backs[i], forms[j])) << forms[i] << " to " << forms[j];
    EXPECT_EQ(seconds(quoted(texts[i])), backs[i]) << forms[i];
  }
}

TEST_F(DatesTest, ConvertTwoForms) {
  EXPECT_EQ(convert(kNowText, "date and time"), "3/5/24 3:04 PM");
  EXPECT_EQ(convert(kNowText, "long date and long time"), "Tuesday, March 5, 2024 3:04:05 PM");
  EXPECT_EQ(convert(kNowText, "seconds and dateItems"), kNowText + " 2024,3,5,15,4,5,3");
  EXPECT_EQ(seconds(quoted("3/5/24 3:04:05 PM")), kNowText);
  EXPECT_EQ(seconds(quoted("3:04:05 PM 3/5/24")), kNowText) << "the time first";
  EXPECT_EQ(seconds(quoted("Tuesday, March 5, 2024 15:04:05")), kNowText);
  EXPECT_EQ(seconds(quoted("Tuesday, March 5, 2024, 3:04:05 pm")), kNowText);
}

TEST_F(DatesTest, ConvertNumbersAsSeconds) {
  EXPECT_EQ(convert("0", "dateItems"), "1904,1,1,0,0,0,6");
  EXPECT_EQ(convert("0", "long date"), "Friday, January 1, 1904");
  EXPECT_EQ(convert("4294967296", "long date"), "Monday, February 6, 2040") << "past the 32-bit count";
  EXPECT_EQ(convert("-126144000", "dateItems"), "1900,1,1,0,0,0,2") << "before 1904";
  EXPECT_EQ(convert("86400.75", "dateItems"), "1904,1,2,0,0,0,7");
  EXPECT_EQ(convert("100000000000000", "date"), "100000000000000") << "too far to be a date";
  EXPECT_EQ(result(), "That is not a date.");
}

TEST_F(DatesTest, DateItemsCarryOver) {
  std::string items = convert(quoted("3/5/24"), "dateItems");
  EXPECT_EQ(items, "2024,3,5,0,0,0,3");
  EXPECT_EQ(seconds(quoted(items)), seconds(quoted("3/5/24"))) << "the same seconds either way";
  EXPECT_EQ(convert(quoted("2024,2,30,0,0,0,1"), "date"), "3/1/24");
  EXPECT_EQ(convert(quoted("2024,12,31,24,0,0,1"), "dateItems"), "2025,1,1,0,0,0,4");
  EXPECT_EQ(convert(quoted("2024,3,5,-1,0,0,1"), "long time"), "11:00:00 PM");
  EXPECT_EQ(convert(quoted("2024,0,5,0,0,0,1"), "date"), "2024,0,5,0,0,0,1") << "month below 1";
  EXPECT_EQ(result(), "That is not a date.");
  EXPECT_EQ(convert(quoted("2024,1,5,0,0,0,0"), "date"), "2024,1,5,0,0,0,0") << "day of week below 1";
  EXPECT_EQ(convert(quoted("2147483647,1,1,0,0,0,1"), "date"), "2147483647,1,1,0,0,0,1") << "too far";
}

TEST_F(DatesTest, DateParsingEdges) {
  EXPECT_EQ(seconds(quoted("3/5/24   ") + " & return"), kMidnight) << "trailing blanks and returns";
  EXPECT_EQ(seconds(quoted("   3/5/24")), kMidnight) << "leading blanks";
  EXPECT_EQ(seconds(quoted("3/5/24 junk")), "3/5/24 junk");
  EXPECT_EQ(result(), "That is not a date.");
  EXPECT_EQ(seconds(quoted("2/30/24")), "2/30/24");
  EXPECT_EQ(seconds(quoted("25:00")), "25:00");
  EXPECT_EQ(seconds(quoted("hello")), "hello");
  EXPECT_EQ(seconds(quoted("3/5/24 3:04 PM 4:00 PM")), "3/5/24 3:04 PM 4:00 PM");
  EXPECT_EQ(seconds(quoted("2024-03-05")), kMidnight);
  EXPECT_EQ(seconds(quoted("March 5")), kMidnight);
  EXPECT_EQ(convert(quoted("12/31/99"), "long date"), "Friday, December 31, 1999");
  EXPECT_EQ(convert(quoted("1/1/30"), "long date"), "Tuesday, January 1, 2030");
  EXPECT_EQ(convert(quoted("2/29/2023"), "date"), "2/29/2023") << "no 29 February in 2023";
}

// Only years 1 to 9999 are written as dates: whatever converts to a date converts back.
TEST_F(DatesTest, YearsOutsideOneToNineThousandNineHundredAndNinetyNineAreNotDates) {
  for (const std::string& value :
       {std::string("-63200000000"), quoted("10000,1,1,0,0,0,1"), quoted("December 26, -30"), quoted("1/2/-30")}) {
    EXPECT_EQ(convert(value, "dateItems"), fn("return " + value)) << value;
    EXPECT_EQ(result(), "That is not a date.") << value;
  }
  const std::string first = convert(quoted("1,1,1,0,0,0,1"), "seconds");
  EXPECT_EQ(convert(first, "dateItems"), "1,1,1,0,0,0,2") << "1 January of year 1 reads back";
  EXPECT_EQ(convert(quoted("9999,12,31,0,0,0,1"), "dateItems"), "9999,12,31,0,0,0,6");
  EXPECT_EQ(convert(quoted("December 26, 2030"), "dateItems"), "2030,12,26,0,0,0,5");
}

TEST_F(DatesTest, ConvertEmptyAndFailures) {
  EXPECT_EQ(fn("put empty into x\nconvert x to seconds\nreturn x & \"|\" & the result"), "|That is not a date.");
  EXPECT_EQ(fn("put empty into x\nconvert x\nreturn the result"), "That is not a date.")
      << "an empty value ends the command before its words are read";
  EXPECT_EQ(fn("put 0 into x\nconvert x seconds"), "error 7");
  EXPECT_EQ(fn("put 0 into x\nconvert x to fortnights"), "error 2");
  EXPECT_EQ(fn("put 0 into x\nconvert x to date and time and seconds"), "error 2");
  EXPECT_EQ(fn("put 0 into x\nconvert x to date or time"), "error 2");
  EXPECT_EQ(fn("put 0 into x\nconvert x to long"), "error 2");
  EXPECT_EQ(fn("put 0 into x\nconvert x to date\nreturn the result"), "") << "the result is emptied";
}

TEST_F(DatesTest, ConvertChunksOfAContainer) {
  EXPECT_EQ(fn("put \"a,3/5/24,b\" into x\nconvert item 2 of x to seconds\nreturn x"), "a," + kMidnight + ",b");
  EXPECT_EQ(fn("put \"0\" & return & \"86400\" into x\nconvert line 2 of x to date\nreturn x"), "0\r1/2/04");
}

TEST_F(DatesTest, TheInternationalSettingsDecide) {
  IntlSettings& in = intlsettings();
  in.dateorder = DateOrder::dmy;
  in.dateseparator = '.';
  in.twelvehour = false;
  EXPECT_EQ(eval("the date"), "5.3.24");
  EXPECT_EQ(eval("the time"), "15:04");
  EXPECT_EQ(seconds(quoted("5.3.24 15:04:05")), kNowText);
}

}  // namespace
}  // namespace kv
