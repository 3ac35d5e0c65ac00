// A stand-in for number formatting until the number conversions exist: integers in decimal,
// reals with at most six fraction digits (the default number format), booleans and up/down
// as their words, and the moves of text between the value and its handle.
#include <cstdio>
#include <cstring>

#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "store/memoryguard.h"

namespace kv {

namespace {

void setshort(fred* v, const char* s) {
  pstrassign(v->shorttext, sizeof v->shorttext, s, std::strlen(s));
  v->type = fredstring;
}

void formatreal(double d, StringPtr out) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.6f", d);
  std::size_t n = std::strlen(buf);
  if (std::strchr(buf, '.') != nullptr) {
    while (n > 0 && buf[n - 1] == '0') --n;
    if (n > 0 && buf[n - 1] == '.') --n;
  }
  if (n == 2 && buf[0] == '-' && buf[1] == '0') {
    buf[0] = '0';
    n = 1;
  }
  pstrassign(out, 256, buf, n);
}

// Puts a formatted number into the value: inline when short, else into its handle.
void putnumbertext(fred* v, ConstStringPtr s) {
  if (s[0] <= kFredShortMax) {
    stringtostring(s, v->shorttext);
    v->type = fredstring;
    return;
  }
  if (v->text == nilhandle) {
    if (stringtonewh(s, &v->text) != 0) return;
  } else if (stringtohand(s, v->text) != 0) {
    return;
  }
  v->type = fredhand;
}

}  // namespace

void doubletostring(double d, StringPtr out) {
  char buf[64];
  if (d == 0) {
    std::snprintf(buf, sizeof buf, "0");
  } else {
    std::snprintf(buf, sizeof buf, "%.15g", d);
  }
  pstrassign(out, 256, buf, std::strlen(buf));
}

i16 formatfred(fred* v, i16 type) {
  if (v->type == type) return 0;
  Str255 s;
  switch (v->type) {
    case fredbool: setshort(v, (v->integer & 0xFFFF) ? "true" : "false"); break;
    case fredupdown: setshort(v, (v->integer & 0xFFFF) ? "down" : "up"); break;
    case fredlong:
      NumToString(v->integer, s);
      putnumbertext(v, s);
      break;
    case freddouble:
      formatreal(v->real, s);
      putnumbertext(v, s);
      break;
    default: break;
  }
  if (v->type == type) return 0;
  if (type == fredhand && v->type == fredstring) {
    Size n = v->shorttext[0];
    if (v->text == nilhandle) {
      if (memoryrefused(n)) return 0;
      v->text = NewHandle(n);
      if (v->text == nilhandle) return 0;
    } else {
      if (memoryrefused(n)) return 0;
      SetHandleSize(v->text, n);
      if (MemError() != noErr) return 0;
    }
    std::memcpy(deref(v->text), v->shorttext + 1, size_t(n));
    v->type = fredhand;
  } else if (type == fredstring && v->type == fredhand) {
    Size n = v->text == nilhandle ? 0 : GetHandleSize(v->text);
    if (n > kFredShortMax) return 0;
    const u8* p = n > 0 ? deref(v->text) : nullptr;
    while (n > 0 && p[n - 1] == 0) --n;
    pstrassign(v->shorttext, sizeof v->shorttext, p, size_t(n));
    v->type = fredstring;
  }
  return 0;
}

void fredtostring(fred* v, StringPtr out) {
  formatfred(v, fredstring);
  if (v->type == fredstring) {
    stringtostring(v->shorttext, out);
  } else if (v->type == fredhand && v->text != nilhandle) {
    handtostring(v->text, out);
  }
}

}  // namespace kv
