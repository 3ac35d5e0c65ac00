// Reads arbitrary texts as dates and times: the readers stay within the text and answer fields
// in range, and every date-time read comes back unchanged through its seconds and date items
// (and, for four-digit years, through its long date).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "commands/dates.h"
#include "engine/fred.h"
#include "platform/time/datetime.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

// The date-time a text reads as: 0, or 2 when it is not a date.
kv::i16 readback(kv::ConstStringPtr text, kv::LongDateTime* secs) {
  kv::fred v;
  if (kv::stringtonewfred(text, &v) != 0) return -1;
  kv::i16 st = kv::getlongdatetime(&v, secs);
  kv::disposfred(&v);
  return st;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  Str255 text;
  text[0] = u8(size > 255 ? 255 : size);
  if (text[0] > 0) std::memcpy(text + 1, data, text[0]);
  setdatetime(3792495845);  // Tuesday 5 March 2024, 15:04:05

  DateCacheRecord cache{2024, 3, 5};
  LongDateRec rec{};
  i32 used = -1;
  StringToDateStatus ds = StringToDate(text + 1, text[0], &cache, &used, &rec);
  check(used >= 0 && used <= text[0]);
  if ((ds & datefatal) == 0) {
    check(rec.month >= 1 && rec.month <= 12 && rec.year >= 1);
    check(rec.day >= 1 && rec.day <= daysinmonth(rec.year, rec.month));
  }
  rec = LongDateRec{};
  used = -1;
  StringToDateStatus ts = StringToTime(text + 1, text[0], &cache, &used, &rec);
  check(used >= 0 && used <= text[0]);
  if ((ts & datefatal) == 0) check(rec.hour >= 0 && rec.hour <= 23 && rec.minute <= 59 && rec.second <= 59);

  LongDateTime secs = 0;
  i16 st = readback(text, &secs);
  check(st == 0 || st == 2);
  if (st != 0) return 0;
  check(secs >= -kLongDateLimit && secs <= kLongDateLimit);
  Str255 form;
  LongDateTime again = 0;
  datetimetext(secs, dateform::seconds, form);
  check(readback(form, &again) == 0 && again == secs);
  datetimetext(secs, dateform::dateitems, form);
  check(readback(form, &again) == 0 && again == secs);
  LongDateRec d;
  LongSecondsToDate(&secs, &d);
  if (d.year >= 1000 && d.year <= 9999) {
    LongDateTime midnight = secs - (d.hour * 3600 + d.minute * 60 + d.second);
    datetimetext(secs, dateform::longdate, form);
    check(readback(form, &again) == 0 && again == midnight);
    datetimetext(secs, dateform::abbrevdate, form);
    check(readback(form, &again) == 0 && again == midnight);
  }
  return 0;
}

// Dates and times in the forms the readers know, for the replay to mutate.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {
      "3/5/24",
      "Tuesday, March 5, 2024 3:04:05 PM",
      "Tue, Mar 5, 2024",
      "15:04 2024-03-05",
      "2024,3,5,15,4,5,3",
      "5 march 1999",
      "12:00 am",
      "3792495845",
      "Sept. 9, 2001, 7 pm",
  };
  for (const char* s : seeds) out->emplace_back(s, s + std::strlen(s));
  return out->size();
}
