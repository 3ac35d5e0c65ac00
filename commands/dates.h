// Dates and times in scripts: the forms a date-time is written in, and reading any value as a
// date-time (`getlongdatetime`), shared by convert, the date and time functions and sort.
#pragma once

#include "platform/time/datetime.h"
#include "platform/types.h"

namespace kv {

struct fred;

// The forms of a date-time: its seconds, its date items, the short, long and abbreviated
// dates, and the time without and with seconds.
enum class dateform : u8 { seconds, dateitems, shortdate, longdate, abbrevdate, time, longtime };

// The text of a date-time in a form.
void datetimetext(LongDateTime secs, dateform form, Str255 out);

// A value as a date-time: a number is the seconds; seven integers joined by commas are date
// items (year, month, day, hour, minute, second, day of week; year, month, day and day of
// week at least 1, the others carried over); anything else is read as a date and a time in
// either order (fields it leaves out are today's date and midnight). 0, or 2 when the value is
// not a date.
i16 getlongdatetime(fred* value, LongDateTime* secs);

}  // namespace kv
