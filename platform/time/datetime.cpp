// The date clock and the conversion between seconds since 1904 and calendar fields.
#include "platform/time/datetime.h"

#include <time.h>

#include <algorithm>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

// Seconds from 1 January 1904 to 1 January 1970, and the days between them.
constexpr i64 kUnixOffset = 2082844800;
constexpr i64 kEpochDays = kUnixOffset / 86400;

struct ClockState {
  bool anchored = false;
  LongDateTime base = 0;  // the reading at `baseticks`
  u32 baseticks = 0;
};

i64 floordiv(i64 a, i64 b) { return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0); }
i64 floormod(i64 a, i64 b) { return a - floordiv(a, b) * b; }

// Days from 1 January 1970 to a date of the Gregorian calendar (month 1-12, any day).
i64 daysfromcivil(i64 y, i64 m, i64 d) {
  y -= m <= 2 ? 1 : 0;
  i64 era = floordiv(y, 400);
  i64 yoe = y - era * 400;
  i64 mp = (m + 9) % 12;
  i64 doy = (153 * mp + 2) / 5 + d - 1;
  i64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// The date of a day counted from 1 January 1970.
void civilfromdays(i64 z, i64* y, i64* m, i64* d) {
  z += 719468;
  i64 era = floordiv(z, 146097);
  i64 doe = z - era * 146097;
  i64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  i64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  i64 mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

// The seconds of the fields, carried over, without the limit.
i64 unclampedseconds(const LongDateRec& r) {
  i64 months = i64(r.year) * 12 + (i64(r.month) - 1);
  i64 y = floordiv(months, 12);
  i64 m = floormod(months, 12) + 1;
  i64 days = daysfromcivil(y, m, 1) + (i64(r.day) - 1) + kEpochDays;
  return days * 86400 + i64(r.hour) * 3600 + i64(r.minute) * 60 + i64(r.second);
}

// The wall clock now, in local seconds since 1904.
LongDateTime wallclock() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  time_t t = ts.tv_sec;
  tzset();
  tm local{};
  i64 offset = localtime_r(&t, &local) != nullptr ? i64(local.tm_gmtoff) : 0;
  return i64(t) + offset + kUnixOffset;
}

}  // namespace

void GetLongDateTime(LongDateTime* secs) {
  ClockState& c = state<ClockState>();
  Backend& b = backend();
  if (!c.anchored && !b.headless()) {
    *secs = wallclock();
    return;
  }
  if (!c.anchored) {
    c.base = wallclock();
    c.baseticks = b.ticks();
    c.anchored = true;
  }
  *secs = c.base + i64(u32(b.ticks() - c.baseticks) / 60);
}

void GetDateTime(u32* secs) {
  LongDateTime now = 0;
  GetLongDateTime(&now);
  *secs = u32(u64(now));
}

void setdatetime(LongDateTime secs) {
  ClockState& c = state<ClockState>();
  c.base = std::clamp(secs, -kLongDateLimit, kLongDateLimit);
  c.baseticks = backend().ticks();
  c.anchored = true;
}

i32 daysinmonth(i32 year, i32 month) {
  static constexpr i32 days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

void LongSecondsToDate(const LongDateTime* secs, LongDateRec* date) {
  i64 s = std::clamp(*secs, -kLongDateLimit, kLongDateLimit);
  i64 days = floordiv(s, 86400);
  i64 rest = s - days * 86400;
  i64 unixdays = days - kEpochDays;
  i64 y = 0, m = 0, d = 0;
  civilfromdays(unixdays, &y, &m, &d);
  *date = LongDateRec{};
  date->era = 0;
  date->year = i32(y);
  date->month = i32(m);
  date->day = i32(d);
  date->hour = i32(rest / 3600);
  date->minute = i32(rest % 3600 / 60);
  date->second = i32(rest % 60);
  date->dayofweek = i32(floormod(unixdays + 4, 7)) + 1;  // 1 January 1970 was a Thursday
  date->dayofyear = i32(unixdays - daysfromcivil(y, 1, 1)) + 1;
}

void LongDateToSeconds(const LongDateRec* date, LongDateTime* secs) {
  *secs = std::clamp(unclampedseconds(*date), -kLongDateLimit, kLongDateLimit);
}

bool longdateinrange(const LongDateRec& date) {
  i64 s = unclampedseconds(date);
  return s >= -kLongDateLimit && s <= kLongDateLimit;
}

}  // namespace kv
