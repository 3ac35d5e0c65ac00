// INTERIM: see conversions_interim.h.
#include "engine/conversions_interim.h"

#include <charconv>
#include <cstring>

#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "platform/text/casefold.h"

namespace kv {

namespace {

// Blanks around, one leading '-', digits with at most one '.'.
bool parsenumber(ConstStringPtr s, double* out, bool* integral) {
  const char* p = reinterpret_cast<const char*>(s + 1);
  const char* e = p + s[0];
  while (p < e && *p == ' ') ++p;
  while (e > p && e[-1] == ' ') --e;
  if (p == e) return false;
  const char* q = p;
  if (*q == '-') ++q;
  int digits = 0, points = 0;
  for (const char* c = q; c < e; ++c) {
    if (*c == '.') {
      ++points;
    } else if (*c >= '0' && *c <= '9') {
      ++digits;
    } else {
      return false;
    }
  }
  if (digits == 0 || points > 1) return false;
  *integral = points == 0;
  double d = 0;
  auto r = std::from_chars(q, e, d, std::chars_format::fixed);
  if (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) return false;
  *out = *p == '-' ? -d : d;
  return true;
}

}  // namespace

i16 stringtodouble(ConstStringPtr s, double* out) {
  *out = 0;
  if (s[0] == 0) return 0;
  bool integral = false;
  return parsenumber(s, out, &integral) ? 0 : 12;
}

i16 fredtodouble(fred* v, double* out) {
  switch (v->type) {
    case freddouble: *out = v->real; return 0;
    case fredlong: *out = v->integer; break;
    case fredbool:
    case fredupdown: *out = 0; return 12;
    default: {
      Str255 s;
      fredtostring(v, s);
      if (i16 st = stringtodouble(s, out); st != 0) return st;
    }
  }
  doubletofred(*out, v);
  return 0;
}

i16 fredtolong(fred* v, i32* out) {
  switch (v->type) {
    case fredlong: *out = v->integer; return 0;
    case freddouble: *out = i32(v->real); break;
    case fredbool:
    case fredupdown: return 13;
    default: {
      Str255 s;
      fredtostring(v, s);
      double d = 0;
      bool integral = false;
      if (s[0] == 0) {
        *out = 0;
      } else if (!parsenumber(s, &d, &integral) || !integral || d > 2147483647.0 || d < -2147483647.0) {
        return 13;
      } else {
        *out = i32(d);
      }
    }
  }
  longtofred(*out, v);
  return 0;
}

i16 fredtobool(fred* v, u16* out) {
  if (v->type == fredbool) {
    *out = (v->integer & 0xFFFF) != 0 ? 1 : 0;
    return 0;
  }
  Str255 s;
  fredtostring(v, s);
  if (s[0] == 4 && equalnocase(s + 1, reinterpret_cast<const u8*>("true"), 4)) {
    *out = 1;
    return 0;
  }
  if (s[0] == 5 && equalnocase(s + 1, reinterpret_cast<const u8*>("false"), 5)) {
    *out = 0;
    return 0;
  }
  return 15;
}

}  // namespace kv
