// Dates and times: the date and time functions with their modifiers, the convert command, and
// reading a value as a date-time.
#include "commands/dates.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/functions.h"
#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr i16 resultnotadate = 8;  // "That is not a date."

void appendtext(StringPtr out, const char* s) { pstrappend(out, 256, s, std::strlen(s)); }

// --- Reading a value as a date-time ----------------------------------------------------------

// A number as the seconds: whole seconds toward zero, within the limit of dates.
i16 numberseconds(ConstStringPtr s, LongDateTime* secs) {
  double d = 0;
  if (stringtodouble(s, &d) != 0 || !std::isfinite(d)) return err::cantunderstand;
  d = std::trunc(d);
  if (d > double(kLongDateLimit) || d < -double(kLongDateLimit)) return err::cantunderstand;
  *secs = LongDateTime(d);
  return 0;
}

// Seven integers joined by commas: 1 when the text has that form (*status then tells whether
// they make a date), 0 when it is another text.
bool dateitems(ConstStringPtr s, LongDateTime* secs, i16* status) {
  char text[256];
  std::memcpy(text, s + 1, s[0]);
  text[s[0]] = 0;
  i32 f[7] = {};
  if (Sscanf(text, "%ld,%ld,%ld,%ld,%ld,%ld,%ld", {&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6]}) != 7) return false;
  *status = err::cantunderstand;
  if (f[0] < 1 || f[1] < 1 || f[2] < 1 || f[6] < 1) return true;
  LongDateRec r{0, f[0], f[1], f[2], f[3], f[4], f[5], 0, 0};
  if (!longdateinrange(r)) return true;
  LongDateToSeconds(&r, secs);
  *status = 0;
  return true;
}

// A date and a time in either order; fields they leave out are today's date and midnight.
i16 parseddate(ConstStringPtr s, LongDateTime* secs) {
  const u8* text = s + 1;
  const i32 length = s[0];
  DateCacheRecord cache;
  InitDateCache(&cache);
  LongDateRec date{0, cache.year, cache.month, cache.day, 0, 0, 0, 0, 0};
  LongDateRec time{};
  i32 dateused = 0, timeused = 0;
  StringToDateStatus ds = StringToDate(text, length, &cache, &dateused, &date);
  StringToDateStatus ts = StringToTime(text, length, &cache, &timeused, &time);
  // The one that found less reads again behind what the other read.
  if ((ds & datefatal) != 0 && (ts & datefatal) == 0) {
    ds = StringToDate(text + timeused, length - timeused, &cache, &dateused, &date);
  } else {
    time = LongDateRec{};
    ts = StringToTime(text + dateused, length - dateused, &cache, &timeused, &time);
  }
  if ((ds & dateinvalid) == dateinvalid || (ts & dateinvalid) == dateinvalid) return err::cantunderstand;
  if ((ds & datefatal) != 0) date = LongDateRec{0, cache.year, cache.month, cache.day, 0, 0, 0, 0, 0};
  if ((ts & datefatal) != 0) time = LongDateRec{};
  if (dateused + timeused != length) return err::cantunderstand;
  LongDateRec r{0, date.year, date.month, date.day, time.hour, time.minute, time.second, 0, 0};
  if (!longdateinrange(r)) return err::cantunderstand;
  LongDateToSeconds(&r, secs);
  return 0;
}

}  // namespace

namespace {

// Dates are written with years 1 to 9999 only: the texts and date items have no sign for the
// years before 1 and no room for a fifth digit, so a count outside them would not read back.
bool writableyear(LongDateTime secs) {
  LongDateRec r;
  LongSecondsToDate(&secs, &r);
  return r.year >= 1 && r.year <= 9999;
}

i16 readdatetime(fred* value, LongDateTime* secs) {
  Str255 s;
  fred look = *value;  // read without converting the caller's value
  fredtotext(&look, s);
  if (stringisnumber(s) != notnumber) return numberseconds(s, secs);
  while (s[0] > 0 && (s[s[0]] == ' ' || s[s[0]] == '\r')) --s[0];
  i16 status = 0;
  if (dateitems(s, secs, &status)) return status;
  return parseddate(s, secs);
}

}  // namespace

i16 getlongdatetime(fred* value, LongDateTime* secs) {
  LongDateTime read = 0;
  if (i16 st = readdatetime(value, &read)) return st;
  if (!writableyear(read)) return err::cantunderstand;
  *secs = read;
  return 0;
}

void datetimetext(LongDateTime secs, dateform form, Str255 out) {
  out[0] = 0;
  switch (form) {
    case dateform::seconds: {
      char buf[32];
      int n = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(secs));
      pstrassign(out, 256, buf, std::size_t(n > 0 ? n : 0));
      break;
    }
    case dateform::dateitems: {
      LongDateRec r;
      LongSecondsToDate(&secs, &r);
      char buf[96];
      int n = std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%d,%d,%d", r.year, r.month, r.day, r.hour, r.minute, r.second,
                            r.dayofweek);
      pstrassign(out, 256, buf, std::size_t(n > 0 ? n : 0));
      break;
    }
    case dateform::shortdate: LongDateString(&secs, shortDate, out); break;
    case dateform::longdate: LongDateString(&secs, longDate, out); break;
    case dateform::abbrevdate: LongDateString(&secs, abbrevDate, out); break;
    case dateform::time: LongTimeString(&secs, false, out); break;
    case dateform::longtime: LongTimeString(&secs, true, out); break;
  }
}

// --- The date and time functions ------------------------------------------------------------

namespace {

// "the [modifier] date", "date()": the form of the answer by the modifier word.
dateform formof(u16 modifier, bool date) {
  switch (modifier) {
    case tok::long_: return date ? dateform::longdate : dateform::longtime;
    case tok::abbr: return date ? dateform::abbrevdate : dateform::time;
    default: return date ? dateform::shortdate : dateform::time;
  }
}

// Both routines: `word` is the token they answer (date or time).
i16 datetimefunction(Handle atoms, i32 at, u16 word, i32* count, fred* value) {
  *count = 0;
  i32 i = at;
  u16 modifier = 0;
  i32 used = 0;
  if (tokenat(atoms, i) == tok::the) {
    ++i;
    u16 t = tokenat(atoms, i);
    if (t == tok::short_ || t == tok::long_ || t == tok::abbr) {
      modifier = t;
      ++i;
    }
    if (tokenat(atoms, i) != word) return err::nosuchfunction;
    used = i + 1 - at;
  } else {
    if (tokenat(atoms, i) != word) return err::nosuchfunction;
    if (tokenat(atoms, i + 1) != tok::leftparen) return err::noparens;
    if (tokenat(atoms, i + 2) != tok::rightparen) return err::noparen;
    used = i + 3 - at;
  }
  LongDateTime now = 0;
  GetLongDateTime(&now);
  Str255 s;
  datetimetext(now, formof(modifier, word == tok::date), s);
  if (i16 st = stringtonewfred(s, value); st != 0) return st;
  *count = used;
  return 0;
}

}  // namespace

scriptstatus fundate(hierpath, Handle, Handle atoms, i32 at, Handle, i32* count, fred* value) {
  return datetimefunction(atoms, at, tok::date, count, value);
}

scriptstatus funtime(hierpath, Handle, Handle atoms, i32 at, Handle, i32* count, fred* value) {
  return datetimefunction(atoms, at, tok::time, count, value);
}

scriptstatus funcase(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  if (tokenat(atoms, at) == tok::the) {
    u16 word = tokenat(atoms, at + 2);
    if (word == tok::date) return fundate(path, text, atoms, at, variables, count, value);
    if (word == tok::time) return funtime(path, text, atoms, at, variables, count, value);
  }
  return neverfunproc(path, text, atoms, at, variables, count, value);
}

// --- convert ------------------------------------------------------------------------------------

namespace {

// The target forms: the first word, the second word or 0, and the form.
struct cvrow {
  u16 first;
  u16 second;
  dateform form;
};
constexpr cvrow cvtable[] = {
    {tok::seconds, 0, dateform::seconds},
    {tok::date, 0, dateform::shortdate},
    {tok::time, 0, dateform::time},
    {tok::dateitems, 0, dateform::dateitems},
    {tok::long_, tok::date, dateform::longdate},
    {tok::long_, tok::time, dateform::longtime},
    {tok::short_, tok::date, dateform::shortdate},
    {tok::short_, tok::time, dateform::time},
    {tok::abbr, tok::date, dateform::abbrevdate},
    {tok::abbr, tok::time, dateform::time},
};

// The form named at the atoms: its atom count (0 when none matches).
i32 matchform(Handle atoms, i32 i, dateform* form) {
  for (const cvrow& row : cvtable) {
    if (tokenat(atoms, i) != row.first) continue;
    if (row.second != 0 && tokenat(atoms, i + 1) != row.second) continue;
    *form = row.form;
    return row.second != 0 ? 2 : 1;
  }
  return 0;
}

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

void notadate() {
  MainGlobals& g = mainglobals();
  if (g.result != nilhandle) stringtohand(resultstr(resultnotadate), g.result);
}

}  // namespace

scriptstatus comconvert(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  if (i16 st = anyfact(path, text, atoms, at + 1, variables, nilhandle, &used, &value); st != 0) return st;
  bool empty = getfredsize(&value) == 0;
  LongDateTime secs = 0;
  i16 parsed = empty ? err::cantunderstand : getlongdatetime(&value, &secs);
  disposfred(&value);
  if (empty) {
    notadate();
    return 0;
  }
  i32 i = at + 1 + used;
  if (tokenat(atoms, i) != tok::to) return err::notoorof;
  dateform forms[2];
  i32 n = matchform(atoms, i + 1, &forms[0]);
  if (n == 0) return err::cantunderstand;
  i += 1 + n;
  bool second = false;
  if (tokenat(atoms, i) == tok::and_) {
    n = matchform(atoms, i + 1, &forms[1]);
    if (n == 0) return err::cantunderstand;
    i += 1 + n;
    second = true;
  }
  if (!lineends(atoms, i)) return err::cantunderstand;
  if (parsed != 0) {
    notadate();
    return 0;
  }
  Str255 out, part;
  datetimetext(secs, forms[0], out);
  if (second) {
    datetimetext(secs, forms[1], part);
    appendtext(out, " ");
    pstrappend(out, 256, part + 1, part[0]);
  }
  chunkpart dest;
  if (i16 st = destination(path, text, atoms, at + 1, variables, nilhandle, &used, &dest, 1, 0); st != 0) return st;
  fred converted;
  if (i16 st = stringtonewfred(out, &converted); st != 0) {
    releasecontainer(&dest);
    return st;
  }
  return pututil(&dest, &converted, tok::into);
}

}  // namespace kv
