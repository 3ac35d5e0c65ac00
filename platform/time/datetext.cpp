// Date and time texts of the international settings, and the readers of dates and times.
#include <algorithm>
#include <cstdio>

#include "platform/text/pstring.h"
#include "platform/time/datetime.h"

namespace kv {

namespace {

const IntlSettings& settingsor(const IntlSettings* intl) { return intl != nullptr ? *intl : intlsettings(); }

// --- Writing -------------------------------------------------------------------------------

void append(StringPtr out, const void* bytes, std::size_t n) { pstrappend(out, 256, bytes, n); }
void append(StringPtr out, const IntlText& t, std::size_t limit = 255) {
  append(out, t.data() + 1, std::min<std::size_t>(t[0], limit));
}
void appendnumber(StringPtr out, i64 n, int width) {
  char buf[32];
  int len = std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(n));
  append(out, buf, std::size_t(std::max(len, 0)));
}
void appendbyte(StringPtr out, u8 c) { append(out, &c, 1); }

// The short date: day, month and year in the settings' order.
void shortdate(const LongDateRec& d, const IntlSettings& in, StringPtr out) {
  char order[3];
  switch (in.dateorder) {
    case DateOrder::mdy: order[0] = 'm', order[1] = 'd', order[2] = 'y'; break;
    case DateOrder::dmy: order[0] = 'd', order[1] = 'm', order[2] = 'y'; break;
    case DateOrder::ymd: order[0] = 'y', order[1] = 'm', order[2] = 'd'; break;
    case DateOrder::myd: order[0] = 'm', order[1] = 'y', order[2] = 'd'; break;
    case DateOrder::dym: order[0] = 'd', order[1] = 'y', order[2] = 'm'; break;
    case DateOrder::ydm: order[0] = 'y', order[1] = 'd', order[2] = 'm'; break;
  }
  for (int i = 0; i < 3; ++i) {
    if (i > 0) appendbyte(out, in.dateseparator);
    switch (order[i]) {
      case 'm': appendnumber(out, d.month, in.monthleadingzero ? 2 : 1); break;
      case 'd': appendnumber(out, d.day, in.dayleadingzero ? 2 : 1); break;
      default:
        if (in.shortdatecentury) appendnumber(out, d.year, 1);
        else appendnumber(out, ((d.year % 100) + 100) % 100, 2);
        break;
    }
  }
}

// The long date, or the abbreviated one with the names cut short.
void longdate(const LongDateRec& d, const IntlSettings& in, bool abbreviated, StringPtr out) {
  std::size_t cut = abbreviated ? in.abbreviationlength : 255;
  append(out, in.longdateseparators[0]);
  bool first = true;
  for (size_t i = 0; i < in.longdateorder.size(); ++i) {
    LongDatePart part = in.longdateorder[i];
    if (part == LongDatePart::none) continue;
    if (!first) append(out, in.longdateseparators[i]);
    first = false;
    switch (part) {
      case LongDatePart::weekday: append(out, in.weekdays[size_t(d.dayofweek - 1)], cut); break;
      case LongDatePart::month: append(out, in.months[size_t(d.month - 1)], cut); break;
      case LongDatePart::day: appendnumber(out, d.day, in.longdayleadingzero ? 2 : 1); break;
      case LongDatePart::year: appendnumber(out, d.year, 1); break;
      case LongDatePart::none: break;
    }
  }
  append(out, in.longdateseparators[4]);
}

// --- Reading -------------------------------------------------------------------------------

bool isdigit(u8 c) { return c >= '0' && c <= '9'; }
// Letters of words: ASCII letters and the Mac Roman letters above 127.
bool isletter(u8 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80; }
bool isblank(u8 c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
u8 lower(u8 c) { return c >= 'A' && c <= 'Z' ? u8(c + 32) : c; }

// A text being read: the position of the next character.
struct reader {
  const u8* text;
  i32 length;
  i32 pos = 0;
  bool end() const { return pos >= length; }
  u8 peek(i32 ahead = 0) const { return pos + ahead < length ? text[pos + ahead] : u8(0); }
  void skipleading() {
    while (!end() && (isblank(peek()) || peek() == ',')) ++pos;
  }
  bool restblank() const {
    for (i32 i = pos; i < length; ++i)
      if (!isblank(text[i])) return false;
    return true;
  }
};

// The length of the word at the position (0 when no letter stands there).
i32 wordlength(const reader& r) {
  i32 n = 0;
  while (r.pos + n < r.length && isletter(r.text[r.pos + n])) ++n;
  return n;
}

// Whether a word equals the name, or is its beginning of at least `least` letters.
bool namematches(const u8* word, i32 n, const IntlText& name, i32 least) {
  if (n == 0 || n > name[0]) return false;
  if (n < name[0] && n < least) return false;
  for (i32 i = 0; i < n; ++i)
    if (lower(word[i]) != lower(name[size_t(i) + 1])) return false;
  return true;
}

template <size_t N>
i32 whichname(const u8* word, i32 n, const std::array<IntlText, N>& names, i32 least) {
  for (size_t i = 0; i < N; ++i)
    if (namematches(word, n, names[i], least)) return i32(i);
  return -1;
}

// The number at the position (at most nine digits count; more make an overlong number).
struct number {
  i32 value = 0;
  i32 digits = 0;
};
number readnumber(reader& r) {
  number n;
  while (!r.end() && isdigit(r.peek())) {
    if (n.digits < 9) n.value = n.value * 10 + (r.peek() - '0');
    ++n.digits;
    ++r.pos;
  }
  return n;
}

// Whether a number can only be a year: three digits or more, or above 31.
bool yearish(const number& n) { return n.digits >= 3 || n.value > 31; }

// A two-digit year near the cache's year: from 80 years before it to 19 after it.
i32 fullyear(const number& n, const DateCacheRecord& cache) {
  if (n.digits > 2) return n.value;
  i32 century = cache.year - ((cache.year % 100) + 100) % 100;
  i32 y = century + n.value;
  if (y > cache.year + 19) y -= 100;
  if (y <= cache.year - 80) y += 100;
  return y;
}

// Whether month comes before day in the settings' order.
bool monthfirst(DateOrder o) { return o == DateOrder::mdy || o == DateOrder::ymd || o == DateOrder::myd; }

// The positions (0-2) of year, month and day in the settings' order.
void positions(DateOrder o, int* y, int* m, int* d) {
  switch (o) {
    case DateOrder::mdy: *m = 0, *d = 1, *y = 2; break;
    case DateOrder::dmy: *d = 0, *m = 1, *y = 2; break;
    case DateOrder::ymd: *y = 0, *m = 1, *d = 2; break;
    case DateOrder::myd: *m = 0, *y = 1, *d = 2; break;
    case DateOrder::dym: *d = 0, *y = 1, *m = 2; break;
    case DateOrder::ydm: *y = 0, *d = 1, *m = 2; break;
  }
}

bool isdatepunct(u8 c, const IntlSettings& in) { return c == '/' || c == '-' || c == '.' || c == in.dateseparator; }

// The length of a time suffix (morning or evening) at the position, and which it is.
i32 suffixat(const reader& r, const IntlSettings& in, bool* evening) {
  const IntlText* names[4] = {&in.morning, &in.evening, nullptr, nullptr};
  static constexpr IntlText am = intltext("am"), pm = intltext("pm");
  names[2] = &am;
  names[3] = &pm;
  for (int k = 0; k < 4; ++k) {
    const IntlText& t = *names[k];
    i32 n = t[0];
    if (n == 0 || r.pos + n > r.length) continue;
    bool same = true;
    for (i32 i = 0; i < n && same; ++i) same = lower(r.text[r.pos + i]) == lower(t[size_t(i) + 1]);
    if (!same || (r.pos + n < r.length && isletter(r.text[r.pos + n]))) continue;
    *evening = k % 2 == 1;
    return n;
  }
  return 0;
}

}  // namespace

void LongDateString(const LongDateTime* secs, DateForm form, Str255 out, const IntlSettings* intl) {
  const IntlSettings& in = settingsor(intl);
  LongDateRec d;
  LongSecondsToDate(secs, &d);
  out[0] = 0;
  if (form == shortDate) shortdate(d, in, out);
  else longdate(d, in, form == abbrevDate, out);
}

void LongTimeString(const LongDateTime* secs, bool wantseconds, Str255 out, const IntlSettings* intl) {
  const IntlSettings& in = settingsor(intl);
  LongDateRec d;
  LongSecondsToDate(secs, &d);
  out[0] = 0;
  i32 hour = d.hour;
  if (in.twelvehour) hour = hour % 12 == 0 ? 12 : hour % 12;
  appendnumber(out, hour, in.hourleadingzero ? 2 : 1);
  appendbyte(out, in.timeseparator);
  appendnumber(out, d.minute, 2);
  if (wantseconds) {
    appendbyte(out, in.timeseparator);
    appendnumber(out, d.second, 2);
  }
  if (in.twelvehour) {
    const IntlText& suffix = d.hour < 12 ? in.morning : in.evening;
    if (suffix[0] > 0) {
      appendbyte(out, ' ');
      append(out, suffix);
    }
  }
}

OSErr InitDateCache(DateCacheRecord* cache) {
  LongDateTime now = 0;
  GetLongDateTime(&now);
  LongDateRec d;
  LongSecondsToDate(&now, &d);
  *cache = DateCacheRecord{d.year, d.month, d.day};
  return noErr;
}

StringToDateStatus StringToDate(const u8* text, i32 length, const DateCacheRecord* cache, i32* used,
                                LongDateRec* date) {
  const IntlSettings& in = intlsettings();
  reader r{text, std::max(length, 0)};
  *used = 0;
  r.skipleading();
  number nums[3];
  int count = 0;
  i32 month = -1;  // 0-based, when given by name
  bool weekday = false;
  i32 lastend = -1;
  const i32 least = std::max<i32>(3, in.abbreviationlength);
  for (;;) {
    i32 save = r.pos;
    bool punct = false;
    if (lastend >= 0) {
      while (!r.end() && (isblank(r.peek()) || r.peek() == ',' || isdatepunct(r.peek(), in))) {
        punct = punct || isdatepunct(r.peek(), in);
        ++r.pos;
      }
    }
    u8 c = r.peek();
    // A minus sign after another separator ("December 26, -30", "1/2/-30") is a year before 1,
    // which no date is written with; read as a separator it would make the year 2030.
    if (!r.end() && isdigit(c) && r.pos >= 2 && r.text[r.pos - 1] == '-' &&
        (isblank(r.text[r.pos - 2]) || r.text[r.pos - 2] == ',' || isdatepunct(r.text[r.pos - 2], in))) {
      *used = r.pos;
      return dateinvalid;
    }
    if (!r.end() && isletter(c)) {
      i32 n = wordlength(r);
      const u8* word = r.text + r.pos;
      i32 m = month < 0 && count <= 1 ? whichname(word, n, in.months, least) : -1;
      i32 w = month < 0 && count == 0 && !weekday ? whichname(word, n, in.weekdays, least) : -1;
      if (m < 0 && w < 0) {
        r.pos = save;
        break;
      }
      r.pos += n;
      if (r.peek() == '.' && n < (m >= 0 ? in.months[size_t(m)][0] : in.weekdays[size_t(w)][0])) ++r.pos;
      if (m >= 0) month = m;
      else weekday = true;
      lastend = r.pos;
      continue;
    }
    if (!r.end() && isdigit(c)) {
      bool full = count == 3 || (month >= 0 && count == 2);
      bool unjoined = count > 0 && month < 0 && !punct;  // short dates join their numbers
      reader probe = r;
      number n = readnumber(probe);
      bool time = probe.peek() == ':' || probe.peek() == in.timeseparator;
      if (full || unjoined || time) {
        r.pos = save;
        break;
      }
      nums[count++] = n;
      r.pos = probe.pos;
      lastend = r.pos;
      continue;
    }
    r.pos = save;
    break;
  }
  if (month < 0 && count < 2) return datenotfound;

  i32 y = cache->year, m = cache->month, d = cache->day;
  if (month >= 0) {
    m = month + 1;
    if (count == 1) {
      if (yearish(nums[0])) y = fullyear(nums[0], *cache);
      else d = nums[0].value;
    } else if (count == 2) {
      bool yearfirst = yearish(nums[0]);
      y = fullyear(nums[yearfirst ? 0 : 1], *cache);
      d = nums[yearfirst ? 1 : 0].value;
    }
  } else if (count == 2) {
    bool mfirst = monthfirst(in.dateorder);
    m = nums[mfirst ? 0 : 1].value;
    d = nums[mfirst ? 1 : 0].value;
  } else {
    int py = 0, pm = 0, pd = 0;
    if (yearish(nums[0])) py = 0, pm = 1, pd = 2;
    else positions(in.dateorder, &py, &pm, &pd);
    y = fullyear(nums[py], *cache);
    m = nums[pm].value;
    d = nums[pd].value;
  }
  bool overlong = false;
  for (int i = 0; i < count; ++i) overlong = overlong || nums[i].digits > 9;
  *used = lastend;
  r.pos = lastend;
  date->era = 0;
  date->year = y;
  date->month = m;
  date->day = d;
  if (overlong || y < 1 || m < 1 || m > 12 || d < 1 || d > daysinmonth(y, m)) return dateinvalid;
  StringToDateStatus status = 0;
  if (month >= 0) status |= datefoundlong;
  if (!r.restblank()) status |= dateleftover;
  return status;
}

StringToDateStatus StringToTime(const u8* text, i32 length, const DateCacheRecord*, i32* used, LongDateRec* time) {
  const IntlSettings& in = intlsettings();
  reader r{text, std::max(length, 0)};
  *used = 0;
  r.skipleading();
  if (r.end() || !isdigit(r.peek())) return datenotfound;
  number hour = readnumber(r);
  if (hour.digits > 2) return datenotfound;
  number minute, second;
  bool colon = false;
  auto separator = [&] { return (r.peek() == ':' || r.peek() == in.timeseparator) && isdigit(r.peek(1)); };
  if (separator()) {
    ++r.pos;
    minute = readnumber(r);
    colon = true;
    if (separator()) {
      ++r.pos;
      second = readnumber(r);
    }
  }
  i32 lastend = r.pos;
  bool evening = false;
  i32 suffix = 0;
  {
    reader probe = r;
    while (!probe.end() && (probe.peek() == ' ' || probe.peek() == '\t')) ++probe.pos;
    suffix = suffixat(probe, in, &evening);
    if (suffix > 0) lastend = probe.pos + suffix;
  }
  if (!colon && suffix == 0) return datenotfound;
  r.pos = lastend;
  *used = lastend;
  i32 h = hour.value;
  bool valid = minute.digits <= 2 && second.digits <= 2 && minute.value <= 59 && second.value <= 59;
  if (suffix > 0) {
    valid = valid && h >= 1 && h <= 12;
    h = h % 12 + (evening ? 12 : 0);
  } else {
    valid = valid && h <= 23;
  }
  time->hour = h;
  time->minute = minute.value;
  time->second = second.value;
  if (!valid) return dateinvalid;
  return r.restblank() ? StringToDateStatus(0) : StringToDateStatus(dateleftover);
}

}  // namespace kv
