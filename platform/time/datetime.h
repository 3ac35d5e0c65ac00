// The date-time service: the system's date clock, counted in seconds since the start of 1
// January 1904 in local time; the conversion between those seconds and calendar fields; the
// date and time texts of the international settings; and the parsers that read dates and times
// written in those forms.
//
// The clock: with the real clock, the reading is the wall clock in the local time zone (the TZ
// variable decides, as everywhere on the system). Headless, the clock is the virtual clock: the
// reading taken at its first use (or set by `setdatetime`) moves on with the virtual tick count
// only, so a headless run sees time pass as its ticks pass, and a test that sets the date-time
// sees exactly that date.
//
// Seconds are 64-bit: dates before 1904 are negative, and the count does not wrap in 2040.
// Dates are of the Gregorian calendar throughout (also before its introduction).
#pragma once

#include "platform/text/intl.h"
#include "platform/types.h"

namespace kv {

using LongDateTime = i64;

// The farthest a date may lie from 1904 either way: about 31,000 years. Counts and fields
// beyond it are not dates (the readers answer so); the conversions clamp to it.
constexpr LongDateTime kLongDateLimit = 1'000'000'000'000LL;

// Calendar fields. In `LongDateToSeconds` every field may lie outside its range and is carried
// into the next larger one (month 13 is January of the next year, hour -1 the last hour of
// the day before); `dayofweek`, `dayofyear` and `era` are only answered, never read.
struct LongDateRec {
  i32 era;  // 0 for years from 1 on (the only era dates are written in)
  i32 year;
  i32 month;  // 1-12
  i32 day;    // 1-31
  i32 hour;   // 0-23
  i32 minute;
  i32 second;
  i32 dayofweek;  // 1 Sunday .. 7 Saturday
  i32 dayofyear;  // 1-366
};

// --- The clock ---------------------------------------------------------------------------
// The current date-time (local time); the 32-bit form is the count's low 32 bits, as the
// classic clock gave it.
void GetLongDateTime(LongDateTime* secs);
void GetDateTime(u32* secs);
// Sets the clock: the reading is `secs` now and moves on with the tick count from here. Used
// by tests and by headless runs that want a fixed date.
void setdatetime(LongDateTime secs);

// --- Seconds and fields ------------------------------------------------------------------
// A count beyond kLongDateLimit either way is taken at the limit.
void LongSecondsToDate(const LongDateTime* secs, LongDateRec* date);
// Carries out-of-range fields over; a date beyond the limit gives the limit.
void LongDateToSeconds(const LongDateRec* date, LongDateTime* secs);
// Whether the fields, carried over, give a date within the limit.
bool longdateinrange(const LongDateRec& date);
// The number of days of a month (1-12) of a year.
i32 daysinmonth(i32 year, i32 month);

// --- Texts -------------------------------------------------------------------------------
// Short ("3/5/24"), long ("Tuesday, March 5, 2024") and abbreviated ("Tue, Mar 5, 2024")
// dates, and times with or without seconds ("3:04 PM", "3:04:05 PM"), by the settings given
// (the current ones for none).
enum DateForm : u8 { shortDate = 0, longDate = 1, abbrevDate = 2 };
void LongDateString(const LongDateTime* secs, DateForm form, Str255 out, const IntlSettings* intl = nullptr);
void LongTimeString(const LongDateTime* secs, bool wantseconds, Str255 out, const IntlSettings* intl = nullptr);

// --- Reading dates and times -------------------------------------------------------------
// What a parse found: 0 or a set of warnings, or a failure (the high bit set).
using StringToDateStatus = u16;
enum : u16 {
  datefoundlong = 0x0001,  // the month was given by its name
  dateleftover = 0x0002,   // text follows what was read
  datefatal = 0x8000,      // the mask of every failure
  datenotfound = 0x8400,   // the text does not begin with a date (time); nothing was read
  dateinvalid = 0x8800,    // a date (time) was read, and one of its fields is out of range
};

// Today's date, the fields a date leaves out take from it, and the year two-digit years are
// read near (from 80 years before it to 19 years after it).
struct DateCacheRecord {
  i32 year;
  i32 month;
  i32 day;
};
OSErr InitDateCache(DateCacheRecord* cache);

// Reads a date from the start of `text` (blanks and commas before it are passed over): a short
// date in the order of the settings (or year first when the first number has four digits),
// or a month by its name (full, or cut to three letters or more) with the day and year, an
// optional weekday name before it. Fills year, month and day (missing ones from the cache);
// *used is the characters read, the blanks before included (0 when nothing was found).
StringToDateStatus StringToDate(const u8* text, i32 length, const DateCacheRecord* cache, i32* used, LongDateRec* date);
// Reads a time from the start of `text`: hours and minutes joined by the settings' time
// separator (or ':'), optional seconds, and an optional morning or evening suffix (or an hour
// with the suffix alone). Fills hour, minute and second (missing ones 0).
StringToDateStatus StringToTime(const u8* text, i32 length, const DateCacheRecord* cache, i32* used, LongDateRec* time);

}  // namespace kv
