// The date-time service: the clock, fields and seconds, texts by the international settings,
// and reading dates and times.
#include <gtest/gtest.h>

#include <string>

#include "platform/backend/headless.h"
#include "platform/text/pstring.h"
#include "platform/time/datetime.h"
#include "tests/support/fixture.h"

namespace kv {
namespace {

constexpr LongDateTime kMarch5 = 3792495845;  // Tuesday 5 March 2024, 15:04:05

class DateTimeTest : public RuntimeTest {
 protected:
  static std::string date(LongDateTime s, DateForm form) {
    Str255 out;
    LongDateString(&s, form, out);
    return std::string(pstringview(out));
  }
  static std::string time(LongDateTime s, bool seconds) {
    Str255 out;
    LongTimeString(&s, seconds, out);
    return std::string(pstringview(out));
  }
  struct parsed {
    StringToDateStatus status;
    i32 used;
    LongDateRec rec;
  };
  static parsed readdate(std::string_view t) {
    DateCacheRecord cache{2024, 3, 5};
    parsed p{};
    p.status = StringToDate(reinterpret_cast<const u8*>(t.data()), i32(t.size()), &cache, &p.used, &p.rec);
    return p;
  }
  static parsed readtime(std::string_view t) {
    DateCacheRecord cache{2024, 3, 5};
    parsed p{};
    p.status = StringToTime(reinterpret_cast<const u8*>(t.data()), i32(t.size()), &cache, &p.used, &p.rec);
    return p;
  }
  static std::string ymd(const LongDateRec& r) {
    return std::to_string(r.year) + "-" + std::to_string(r.month) + "-" + std::to_string(r.day);
  }
  static std::string hms(const LongDateRec& r) {
    return std::to_string(r.hour) + ":" + std::to_string(r.minute) + ":" + std::to_string(r.second);
  }
};

TEST_F(DateTimeTest, TheVirtualClockMovesWithTheTicksOnly) {
  setdatetime(kMarch5);
  LongDateTime now = 0;
  GetLongDateTime(&now);
  EXPECT_EQ(now, kMarch5);
  GetLongDateTime(&now);
  EXPECT_EQ(now, kMarch5) << "reading the clock does not move it";
  headlessbackend()->advance(59);
  GetLongDateTime(&now);
  EXPECT_EQ(now, kMarch5);
  headlessbackend()->advance(61);
  GetLongDateTime(&now);
  EXPECT_EQ(now, kMarch5 + 2);
  u32 low = 0;
  GetDateTime(&low);
  EXPECT_EQ(low, u32(kMarch5 + 2));
}

TEST_F(DateTimeTest, AnUnsetHeadlessClockStartsNearTheWallClock) {
  LongDateTime now = 0;
  GetLongDateTime(&now);
  EXPECT_GT(now, 3786825600) << "after 2024";
  LongDateTime again = 0;
  GetLongDateTime(&again);
  EXPECT_EQ(again, now);
}

TEST_F(DateTimeTest, SecondsAndFieldsConvertBothWays) {
  LongDateRec r{};
  LongDateTime s = 0;
  LongSecondsToDate(&s, &r);
  EXPECT_EQ(ymd(r), "1904-1-1");
  EXPECT_EQ(r.dayofweek, 6) << "1 January 1904 was a Friday";
  EXPECT_EQ(r.dayofyear, 1);
  LongSecondsToDate(&kMarch5, &r);
  EXPECT_EQ(ymd(r) + " " + hms(r), "2024-3-5 15:4:5");
  EXPECT_EQ(r.dayofweek, 3);
  EXPECT_EQ(r.dayofyear, 65);
  LongDateToSeconds(&r, &s);
  EXPECT_EQ(s, kMarch5);

  s = -126144000;  // 1 January 1900, before the epoch
  LongSecondsToDate(&s, &r);
  EXPECT_EQ(ymd(r) + " " + hms(r), "1900-1-1 0:0:0");
  s = 4294967296;  // past the 32-bit count
  LongSecondsToDate(&s, &r);
  EXPECT_EQ(ymd(r) + " " + hms(r), "2040-2-6 6:28:16");
}

TEST_F(DateTimeTest, FieldsOutOfRangeCarryOver) {
  LongDateRec r{0, 2023, 14, 0, 25, -1, 60, 0, 0};  // month 14, day 0, hour 25, minute -1, second 60
  LongDateTime s = 0;
  LongDateToSeconds(&r, &s);
  LongDateRec back{};
  LongSecondsToDate(&s, &back);
  EXPECT_EQ(ymd(back) + " " + hms(back), "2024-2-1 1:0:0");
  EXPECT_EQ(daysinmonth(2024, 2), 29);
  EXPECT_EQ(daysinmonth(1900, 2), 28);
  EXPECT_EQ(daysinmonth(2000, 2), 29);
  EXPECT_EQ(daysinmonth(2023, 13), 0);
  LongDateRec far{0, 2000000000, 1, 1, 0, 0, 0, 0, 0};
  EXPECT_FALSE(longdateinrange(far));
  LongDateToSeconds(&far, &s);
  EXPECT_EQ(s, kLongDateLimit);
}

TEST_F(DateTimeTest, UsEnglishTexts) {
  EXPECT_EQ(date(kMarch5, shortDate), "3/5/24");
  EXPECT_EQ(date(kMarch5, longDate), "Tuesday, March 5, 2024");
  EXPECT_EQ(date(kMarch5, abbrevDate), "Tue, Mar 5, 2024");
  EXPECT_EQ(time(kMarch5, false), "3:04 PM");
  EXPECT_EQ(time(kMarch5, true), "3:04:05 PM");
  EXPECT_EQ(time(0, false), "12:00 AM");
  EXPECT_EQ(time(12 * 3600, false), "12:00 PM");
  EXPECT_EQ(date(0, shortDate), "1/1/04");
}

TEST_F(DateTimeTest, TextsFollowTheSettings) {
  IntlSettings& in = intlsettings();
  in.dateorder = DateOrder::dmy;
  in.dateseparator = '.';
  in.dayleadingzero = in.monthleadingzero = in.shortdatecentury = true;
  in.twelvehour = false;
  in.hourleadingzero = true;
  in.longdateorder = {LongDatePart::weekday, LongDatePart::day, LongDatePart::month, LongDatePart::year};
  in.longdateseparators = {intltext(""), intltext(", "), intltext(". "), intltext(" "), intltext("")};
  in.months[2] = intltext("M\x8Arz");
  in.weekdays[2] = intltext("Dienstag");
  in.abbreviationlength = 2;
  EXPECT_EQ(date(kMarch5, shortDate), "05.03.2024");
  EXPECT_EQ(date(kMarch5, longDate), "Dienstag, 5. M\x8Arz 2024");
  EXPECT_EQ(date(kMarch5, abbrevDate), "Di, 5. M\x8A 2024");
  EXPECT_EQ(time(kMarch5 - 6 * 3600, true), "09:04:05");
  auto p = readdate("5.3.24");
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(ymd(p.rec), "2024-3-5");
}

TEST_F(DateTimeTest, ReadingShortDates) {
  auto p = readdate("3/5/24");
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(p.used, 6);
  EXPECT_EQ(ymd(p.rec), "2024-3-5");
  EXPECT_EQ(ymd(readdate("12/31/1899").rec), "1899-12-31");
  EXPECT_EQ(ymd(readdate("2024-03-05").rec), "2024-3-5") << "a four-digit year first";
  EXPECT_EQ(ymd(readdate("7/4").rec), "2024-7-4") << "the year of today";
  EXPECT_EQ(ymd(readdate("1/1/44").rec), "2044-1-1");
  EXPECT_EQ(ymd(readdate("1/1/45").rec), "1945-1-1");
  EXPECT_EQ(readdate("2/30/24").status, dateinvalid);
  EXPECT_EQ(readdate("13/1/24").status, dateinvalid);
  EXPECT_EQ(readdate("0/1/24").status, dateinvalid);
  EXPECT_EQ(readdate("1/1/0000").status, dateinvalid);
  EXPECT_EQ(readdate("1/1/1234567890123").status, dateinvalid);
  EXPECT_EQ(readdate("5").status, datenotfound);
  EXPECT_EQ(readdate("hello").status, datenotfound);
  EXPECT_EQ(readdate("").status, datenotfound);
  EXPECT_EQ(readdate("3 5 24").status, datenotfound) << "short dates join their numbers";
  p = readdate("  3/5/24 10:30");
  EXPECT_EQ(p.status, dateleftover);
  EXPECT_EQ(p.used, 8);
}

TEST_F(DateTimeTest, ReadingDatesWithNames) {
  auto p = readdate("Tuesday, March 5, 2024");
  EXPECT_EQ(p.status, datefoundlong);
  EXPECT_EQ(p.used, 22);
  EXPECT_EQ(ymd(p.rec), "2024-3-5");
  EXPECT_EQ(ymd(readdate("Tue, Mar 5, 2024").rec), "2024-3-5");
  EXPECT_EQ(ymd(readdate("5 march 1999").rec), "1999-3-5");
  EXPECT_EQ(ymd(readdate("Sept. 9, 2001").rec), "2001-9-9");
  EXPECT_EQ(ymd(readdate("June 2020").rec), "2020-6-5") << "the day of today";
  EXPECT_EQ(ymd(readdate("june 7").rec), "2024-6-7");
  EXPECT_EQ(readdate("Ma 5, 2024").status, datenotfound) << "names are cut to three letters or more";
  EXPECT_EQ(readdate("February 30, 2024").status, dateinvalid);
  p = readdate("March 5, 2024 3:04 PM");
  EXPECT_EQ(p.status, datefoundlong | dateleftover);
  EXPECT_EQ(p.used, 13);
}

TEST_F(DateTimeTest, ReadingTimes) {
  auto p = readtime("3:04 PM");
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(p.used, 7);
  EXPECT_EQ(hms(p.rec), "15:4:0");
  EXPECT_EQ(hms(readtime("12:00 am").rec), "0:0:0");
  EXPECT_EQ(hms(readtime("12:30:15 PM").rec), "12:30:15");
  EXPECT_EQ(hms(readtime("23:59:59").rec), "23:59:59");
  EXPECT_EQ(hms(readtime("7 pm").rec), "19:0:0");
  EXPECT_EQ(readtime("24:00").status, dateinvalid);
  EXPECT_EQ(readtime("13:00 PM").status, dateinvalid);
  EXPECT_EQ(readtime("0:00 AM").status, dateinvalid);
  EXPECT_EQ(readtime("10:60").status, dateinvalid);
  EXPECT_EQ(readtime("10:123").status, dateinvalid);
  EXPECT_EQ(readtime("3/5/24").status, datenotfound);
  EXPECT_EQ(readtime("2024").status, datenotfound);
  EXPECT_EQ(readtime("7 pmx").status, datenotfound) << "the suffix is a whole word";
  p = readtime("10:30 3/5/24");
  EXPECT_EQ(p.status, dateleftover);
  EXPECT_EQ(p.used, 5);
}

}  // namespace
}  // namespace kv
