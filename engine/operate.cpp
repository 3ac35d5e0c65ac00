// The two-operand operators and the equality of values.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/chunks.h"
#include "engine/evalinternal.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/text/casefold.h"
#include "platform/text/intlcompare.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

constexpr double equaltolerance = 1e-13;

bool istext(const fred* v) { return v->type == fredhand || v->type == fredstring; }

bool isemptytext(const fred* v) {
  if (v->type == fredstring) return v->shorttext[0] == 0;
  if (v->type == fredhand) return v->text == nilhandle || GetHandleSize(v->text) == 0;
  return false;
}

// The number a value reads as, without changing it; false when it is none.
bool peeknumber(const fred* v, double* out) {
  switch (v->type) {
    case fredlong: *out = v->integer; return true;
    case freddouble: *out = v->real; return true;
    case fredbool:
    case fredupdown: return false;
    default: {
      if (isemptytext(v)) return false;
      Str255 s;
      peektext(v, s);
      return stringtodouble(s, out) == 0;
    }
  }
}

// Stores an arithmetic result. A result with a fraction is rounded to 15 decimal places by
// printing and reading it back, so that 0.1 + 0.2 is 0.3. The buffer holds the longest fixed
// form (a finite double prints at most 309 integer digits).
void storereal(double d, fred* v) {
  if (std::isfinite(d) && d != std::trunc(d)) {
    char buf[400];
    auto printed = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, 15);
    if (printed.ec == std::errc()) std::from_chars(buf, printed.ptr, d, std::chars_format::fixed);
  }
  doubletofred(d, v);
}

// Case-insensitive comparison of two texts of at most 255 characters: negative, 0 or positive.
int comparetexts(ConstStringPtr a, ConstStringPtr b) {
  int n = std::min(a[0], b[0]);
  for (int i = 1; i <= n; ++i) {
    int ca = lowertable[a[i]], cb = lowertable[b[i]];
    if (ca != cb) return ca - cb;
  }
  return int(a[0]) - int(b[0]);
}

// The number of an operand: the one its number literal already gave (a literal's text is
// never empty and reads as that number), else the one its value reads as.
bool operandnumber(const fred* v, const double* known, double* out) {
  if (known == nullptr) return peeknumber(v, out);
  *out = *known;
  return true;
}

i16 compare(fred* l, const double* lnum, u16 op, fred* r, const double* rnum) {
  double a = 0, b = 0;
  int order = 0;
  if (!isemptytext(l) && !isemptytext(r) && operandnumber(l, lnum, &a) && operandnumber(r, rnum, &b)) {
    order = a < b ? -1 : a > b ? 1 : 0;
  } else {
    Str255 ta, tb;
    peektext(l, ta);
    peektext(r, tb);
    order = mainglobals().intlCompare != 0 ? intlcompare(pstringview(ta), pstringview(tb)) : comparetexts(ta, tb);
  }
  bool result = op == tok::less        ? order < 0
                : op == tok::greater   ? order > 0
                : op == tok::lessequal ? order <= 0
                                       : order >= 0;
  booltofred(result ? 1 : 0, l);
  return 0;
}

// Reads "n n" (want 2) or "n n n n" (want 4) from a value's text, its commas read as blanks.
bool readnumbers(const fred* v, i32* out, int want) {
  Str255 s;
  peektext(v, s);
  char text[257];
  for (int i = 0; i < s[0]; ++i) text[i] = s[i + 1] == ',' ? ' ' : char(s[i + 1]);
  text[s[0]] = 0;
  if (want == 2) return Sscanf(text, "%ld%ld", {out, out + 1}) == 2;
  return Sscanf(text, "%ld%ld%ld%ld", {out, out + 1, out + 2, out + 3}) == 4;
}

i16 within(fred* l, u16 op, fred* r) {
  i32 pt[2], rc[4];
  if (!readnumbers(l, pt, 2) || !readnumbers(r, rc, 4)) return 3;
  // left, top, right, bottom; the top and left edges are inside, bottom and right outside.
  bool inside = pt[0] >= rc[0] && pt[0] < rc[2] && pt[1] >= rc[1] && pt[1] < rc[3];
  booltofred((op == tok::iswithin) == inside ? 1 : 0, l);
  return 0;
}

// `&` and `&&`: appends (a space and) the right text to the left one.
i16 concat(fred* l, u16 op, fred* r) {
  Size rsize = getfredsize(r);
  Size lsize = getfredsize(l);
  Size space = op == tok::concatspace ? 1 : 0;
  if (i16 st = setfredsize(l, lsize + space + rsize); st != 0) return st;
  u8* p = fredaddr(l);
  if (space != 0) p[lsize] = ' ';
  if (rsize > 0) std::memcpy(p + lsize + space, fredaddr(r), size_t(rsize));
  return 0;
}

// `contains`, `is in`, `is not in`: one text in the other, ignoring case.
i16 containment(fred* l, u16 op, fred* r) {
  fred* hay = op == tok::contains ? l : r;
  fred* needle = op == tok::contains ? r : l;
  Size hn = getfredsize(hay), nn = getfredsize(needle);
  bool found = stringoff(fredaddr(hay), hn, fredaddr(needle), nn) > 0;
  booltofred((op == tok::isnotin) ? !found : found, l);
  return 0;
}

}  // namespace

void peektext(const fred* v, StringPtr out) {
  out[0] = 0;
  fred copy = *v;
  copy.cls = fredtemp;
  copy.link = nilhandle;
  fredtostring(&copy, out);
  // A number printed into a new handle leaves that handle to the copy alone.
  if (copy.text != nilhandle && copy.text != v->text) DisposeHandle(copy.text);
}

i16 fredisfred(const fred* a, const fred* b) {
  if (a->type == b->type && !istext(a)) {
    if (a->type == freddouble) return std::fabs(a->real - b->real) <= equaltolerance ? 1 : 0;
    return a->integer == b->integer ? 1 : 0;
  }
  double x = 0, y = 0;
  if (!isemptytext(a) && !isemptytext(b) && peeknumber(a, &x) && peeknumber(b, &y))
    return std::fabs(x - y) <= equaltolerance ? 1 : 0;
  // Texts of any length: equal when of one length with the same characters, A-Z matching a-z.
  fred ca = *a, cb = *b;
  ca.cls = cb.cls = fredtemp;
  ca.link = cb.link = nilhandle;
  Handle ownedtext[2] = {a->text, b->text};
  Size na = getfredsize(&ca), nb = getfredsize(&cb);
  i16 equal = na == nb && equalchars(fredaddr(&ca), fredaddr(&cb), na) ? 1 : 0;
  if (ca.text != nilhandle && ca.text != ownedtext[0]) DisposeHandle(ca.text);
  if (cb.text != nilhandle && cb.text != ownedtext[1]) DisposeHandle(cb.text);
  return equal;
}

i16 operatewith(fred* left, const double* lnum, u16 op, fred* right, const double* rnum) {
  switch (op) {
    case tok::plus:
    case tok::minus:
    case tok::mult:
    case tok::slash:
    case tok::power:
    case tok::div:
    case tok::mod: {
      double a = 0, b = 0;
      if (lnum != nullptr) {
        a = *lnum;
      } else if (i16 st = fredtodouble(left, &a); st != 0) {
        return 12;
      }
      if (rnum != nullptr) {
        b = *rnum;
      } else if (i16 st = fredtodouble(right, &b); st != 0) {
        return 12;
      }
      double r = 0;
      switch (op) {
        case tok::plus: r = a + b; break;
        case tok::minus: r = a - b; break;
        case tok::mult: r = a * b; break;
        case tok::slash: r = a / b; break;
        case tok::power: r = std::pow(a, b); break;
        case tok::div: r = std::trunc(a / b); break;
        default: r = std::fmod(a, b); break;
      }
      storereal(r, left);
      return 0;
    }
    case tok::concat:
    case tok::concatspace: return concat(left, op, right);
    case tok::less:
    case tok::greater:
    case tok::lessequal:
    case tok::greaterequal: return compare(left, lnum, op, right, rnum);
    case tok::contains:
    case tok::isin:
    case tok::isnotin: return containment(left, op, right);
    case tok::is:
    case tok::aint: {
      i16 eq = fredisfred(left, right);
      booltofred(op == tok::is ? eq : !eq, left);
      return 0;
    }
    case tok::and_:
    case tok::or_: {
      u16 a = 0, b = 0;
      if (fredtobool(left, &a) != 0 || fredtobool(right, &b) != 0) return 15;
      booltofred(op == tok::and_ ? (a && b) : (a || b), left);
      return 0;
    }
    case tok::iswithin:
    case tok::notwithin: return within(left, op, right);
    default: return 0;
  }
}

i16 operate(fred* left, u16 op, fred* right) { return operatewith(left, nullptr, op, right, nullptr); }

}  // namespace kv
