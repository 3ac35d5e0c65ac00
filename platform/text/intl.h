// The international settings the system reads: the forms of numbers, dates and times, and the
// names of months and weekdays. They come from this record, never from the C library's locale;
// the start values are US English, and tests (or a user's settings) may change them.
#pragma once

#include <array>
#include <string_view>

#include "platform/types.h"

namespace kv {

// A short Mac Roman text: a length byte and at most 15 characters.
using IntlText = std::array<u8, 16>;
constexpr IntlText intltext(std::string_view s) {
  IntlText t{};
  std::size_t n = s.size() < 15 ? s.size() : 15;
  t[0] = u8(n);
  for (std::size_t i = 0; i < n; ++i) t[i + 1] = u8(s[i]);
  return t;
}

// The order of day, month and year in short dates.
enum class DateOrder : u8 { mdy, dmy, ymd, myd, dym, ydm };

// The parts of a long date, in the order the long form shows them.
enum class LongDatePart : u8 { none, weekday, month, day, year };

struct IntlSettings {
  // --- Numbers ---
  u8 decimalpoint = '.';  // the decimal separator of numbers
  bool metric = false;    // measures in centimetres rather than inches

  // --- Short dates ("3/5/24") ---
  DateOrder dateorder = DateOrder::mdy;
  u8 dateseparator = '/';
  bool dayleadingzero = false;  // "03" rather than "3"
  bool monthleadingzero = false;
  bool shortdatecentury = false;  // a four-digit year rather than two digits

  // --- Long and abbreviated dates ("Tuesday, March 5, 2024", "Tue, Mar 5, 2024") ---
  // The parts in their order, and the texts before the first, between each two and after the
  // last (separators[0] before the first part, separators[4] after the last).
  std::array<LongDatePart, 4> longdateorder{LongDatePart::weekday, LongDatePart::month, LongDatePart::day,
                                            LongDatePart::year};
  std::array<IntlText, 5> longdateseparators{intltext(""), intltext(", "), intltext(" "), intltext(", "), intltext("")};
  bool longdayleadingzero = false;
  u8 abbreviationlength = 3;  // the names of the abbreviated form are cut to this length

  // --- Times ("3:04 PM", "3:04:05 PM") ---
  bool twelvehour = true;
  u8 timeseparator = ':';
  bool hourleadingzero = false;
  IntlText morning = intltext("AM");  // the suffixes of the 12-hour clock, after a space
  IntlText evening = intltext("PM");

  // --- Names ---
  std::array<IntlText, 12> months{intltext("January"), intltext("February"), intltext("March"),
                                  intltext("April"),   intltext("May"),      intltext("June"),
                                  intltext("July"),    intltext("August"),   intltext("September"),
                                  intltext("October"), intltext("November"), intltext("December")};
  std::array<IntlText, 7> weekdays{intltext("Sunday"),   intltext("Monday"), intltext("Tuesday"), intltext("Wednesday"),
                                   intltext("Thursday"), intltext("Friday"), intltext("Saturday")};
};

// The settings of this run (reset with the runtime).
IntlSettings& intlsettings();

}  // namespace kv
