#include "engine/numbertext.h"

#include <cmath>
#include <cstring>

#include "engine/fred.h"
#include "engine/fredinternal.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/casefold.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

using fredinternal::settext;

namespace {

bool flagof(const fred* v) { return (v->integer & 0xFFFF) != 0; }

void setshort(fred* v, std::string_view word) {
  setpstring(v->shorttext, word);
  v->type = fredstring;
}

// The text of a number under the number format.
void formattednumber(const fred* v, StringPtr out) {
  if (v->type == fredlong) {
    formatlong(v->integer, out);
  } else {
    formatdouble(v->real, out);
  }
}

// Copies the text of a text value: the short text, or the first 255 bytes of the handle with
// trailing zero bytes dropped. False (out untouched) for a handle text without a handle.
bool copytext(const fred* v, StringPtr out) {
  if (v->type == fredstring) {
    stringtostring(v->shorttext, out);
    return true;
  }
  if (v->type == fredhand && v->text != nilhandle) {
    handtostring(v->text, out);
    return true;
  }
  return false;
}

// The text a text value is parsed from; a handle text without a handle is empty.
void parsetext(const fred* v, StringPtr out) {
  if (!copytext(v, out)) out[0] = 0;
}

}  // namespace

// --- Values to numbers, booleans and text --------------------------------------------------

i16 formatfred(fred* v, i16 type) {
  if (v->type == type) return 0;
  if (type != fredhand && type != fredstring) return 0;
  switch (v->type) {
    case fredbool: setshort(v, flagof(v) ? "true" : "false"); break;
    case fredupdown: setshort(v, flagof(v) ? "down" : "up"); break;
    case fredlong:
    case freddouble: {
      Str255 s;
      formattednumber(v, s);
      // Inline when it fits; otherwise into the value's handle, made when it has none.
      if (i16 st = settext(v, s + 1, s[0], true); st != 0) return st;
      break;
    }
    default: break;
  }
  if (v->type == type) return 0;
  if (type == fredhand) {
    // An object's text stands for text held elsewhere: it never gets a handle of its own.
    if (v->cls == fredobject && v->text == nilhandle) return err::nomemory;
    u8 copy[32];
    std::memcpy(copy, v->shorttext, sizeof copy);
    return settext(v, copy + 1, copy[0], false);
  }
  // A handle text of at most 31 bytes moves inline; its handle stays attached.
  Size n = v->text == nilhandle ? 0 : GetHandleSize(v->text);
  if (n > kFredShortMax) return 0;
  const u8* p = n > 0 ? deref(v->text) : nullptr;
  while (n > 0 && p[n - 1] == 0) --n;
  pstrassign(v->shorttext, sizeof v->shorttext, p, size_t(n));
  v->type = fredstring;
  return 0;
}

void fredtostring(fred* v, StringPtr out) {
  if (formatfred(v, fredstring) != 0) {
    // A long number whose handle could not be had stays a number; its text is still known.
    formattednumber(v, out);
    return;
  }
  copytext(v, out);
}

void fredtotext(const fred* v, StringPtr out) {
  switch (v->type) {
    case fredlong: NumToString(v->integer, out); break;
    case freddouble: doubletostring(v->real, out); break;
    case fredbool: booltostring(flagof(v), out); break;
    case fredupdown: fooltostring(flagof(v), out); break;
    default: parsetext(v, out); break;
  }
}

i16 fredtolong(fred* v, i32* out) {
  switch (v->type) {
    case fredlong: *out = v->integer; return 0;
    case freddouble: {
      // Truncation toward zero; a real that no 32-bit integer holds (or a NaN) is no integer.
      double t = std::trunc(v->real);
      if (!(t >= -2147483648.0 && t <= 2147483647.0)) return err::nointeger;
      *out = i32(t);
      longtofred(*out, v);
      return 0;
    }
    case fredbool:
    case fredupdown: return err::nointeger;
    default: break;
  }
  Str255 s;
  parsetext(v, s);
  i32 n = 0;
  if (i16 st = stringtolong(s, &n); st != 0) return st;
  *out = n;
  longtofred(n, v);
  return 0;
}

i16 fredtodouble(fred* v, double* out) {
  switch (v->type) {
    case freddouble: *out = v->real; return 0;
    case fredlong:
      *out = double(v->integer);
      doubletofred(*out, v);
      return 0;
    case fredbool:
    case fredupdown: *out = 0.0; return err::nonumber;
    default: break;
  }
  Str255 s;
  parsetext(v, s);
  double d = 0.0;
  i16 st = stringtodouble(s, &d);
  *out = d;
  if (st == 0) doubletofred(d, v);
  return st;
}

i16 fredtobool(fred* v, u16* out) {
  if (v->type == fredbool) {
    *out = flagof(v) ? 1 : 0;
    return 0;
  }
  formatfred(v, fredstring);
  if (v->type != fredstring) return err::noboolean;
  return stringtobool(v->shorttext, out);
}

// --- Handles to numbers and booleans ---------------------------------------------------------

namespace {

// A short string returned by value, for the one-line conversions below.
struct ShortText {
  Str255 s;
};

// The text one of the short-string printers makes of a value.
template <class T>
ShortText textof(void (*print)(T, StringPtr), T value) {
  ShortText t;
  print(value, t.s);
  return t;
}

}  // namespace

i16 handtolong(Handle h, i32* out) { return stringtolong(textof(handtostring, h).s, out); }
i16 handtodouble(Handle h, double* out) { return stringtodouble(textof(handtostring, h).s, out); }
i16 handtobool(Handle h, u16* out) { return stringtobool(textof(handtostring, h).s, out); }

i16 equalhand(Handle h, ConstStringPtr s) {
  ShortText t = textof(handtostring, h);
  return t.s[0] == s[0] && equalnocase(t.s + 1, s + 1, t.s[0]) ? 1 : 0;
}

// --- Numbers and flags to handles -------------------------------------------------------------

i16 booltonewh(u16 flag, Handle* out) { return stringtonewh(textof(booltostring, flag).s, out); }
i16 longtonewh(i32 n, Handle* out) { return stringtonewh(textof(NumToString, n).s, out); }
i16 doubletonewh(double d, Handle* out) { return stringtonewh(textof(doubletostring, d).s, out); }

i16 booltohand(u16 flag, Handle h) { return stringtohand(textof(booltostring, flag).s, h); }
i16 longtohand(i32 n, Handle h) { return stringtohand(textof(NumToString, n).s, h); }
i16 doubletohand(double d, Handle h) { return stringtohand(textof(doubletostring, d).s, h); }

// --- The number format ----------------------------------------------------------------------

void initformat() {
  MainGlobals& g = mainglobals();
  Str15 s;
  setpstring(s, defaultnumberformat);
  if (g.numberformat == nilhandle) {
    stringtonewh(s, &g.numberformat);
  } else {
    stringtohand(s, g.numberformat);
  }
  numberformat() = NumberFormat{};
}

void decodeformat() {
  Str255 s;
  handtostring(mainglobals().numberformat, s);
  NumberFormat f;
  if (parseformat(pstringview(s), &f)) {
    numberformat() = f;
    return;
  }
  initformat();
}

}  // namespace kv
