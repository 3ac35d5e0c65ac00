// Functions that compute numbers: functions of one number, functions over a list of numbers
// (average, max, min, sum), annuity and compound, and text replacement.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands/functions.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

// A value as a double: 12 when it is no number.
i16 number(fred* v, double* d) { return fredtodouble(v, d) == err::nonumber ? i16(err::nonumber) : i16(0); }

// The math library's verdict on the last computation.
bool matherror() { return errno == EDOM || errno == ERANGE; }

// log2, rounded to 15 decimals when it has a fractional part.
double roundedlog2(double x) {
  double r = std::log2(x);
  if (!std::isfinite(r) || r == std::floor(r)) return r;
  char text[400];
  std::snprintf(text, sizeof text, "%15.15f", r);
  Str255 s;
  s[0] = u8(std::min<size_t>(std::strlen(text), 255));
  std::memcpy(s + 1, text, s[0]);
  double back = r;
  stringtodouble(s, &back);
  return back;
}

double apply(u16 fn, double x) {
  switch (fn) {
    case tok::abs: return std::fabs(x);
    case tok::atan: return std::atan(x);
    case tok::cos: return std::cos(x);
    case tok::sin: return std::sin(x);
    case tok::tan: return std::tan(x);
    case tok::exp: return std::exp(x);
    case tok::sqrt: return std::sqrt(x);
    case tok::exp1: return std::expm1(x);
    case tok::exp2: return std::exp2(x);
    case tok::ln: return std::log(x);
    case tok::ln1: return std::log1p(x);
    case tok::log2: return roundedlog2(x);
    case tok::round: return std::floor(x + 0.49999999999999);  // an exact half goes down
    case tok::trunc: return x >= 0 ? std::floor(x) : -std::floor(-x);
    default: return x;
  }
}

// Evaluates the comma-separated expressions from `at` to the end of the atoms or the atom the
// caller stops at, keeping the minimum, maximum and sum from the first value on.
struct listfigures {
  double min = 0, max = 0, sum = 0;
  i32 n = 0;
};
scriptstatus lowlist(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, listfigures* f) {
  i32 i = at;
  for (;;) {
    fred v;
    i32 n = 0;
    i16 st = expression(path, text, atoms, i, variables, nilhandle, &n, &v);
    if (st != 0) return st;
    double d = 0;
    st = number(&v, &d);
    disposfred(&v);
    if (st != 0) return st;
    f->min = f->n == 0 ? d : std::min(f->min, d);
    f->max = f->n == 0 ? d : std::max(f->max, d);
    f->sum += d;
    ++f->n;
    i += n;
    if (tokenat(atoms, i) != tok::comma) break;
    ++i;
  }
  *used = i - at;
  return 0;
}

// A parenthesised operand whose value holds the list: its text tokenised and read.
scriptstatus listinvalue(hierpath path, Handle text, Handle atoms, i32 paren, Handle variables, i32* used,
                         listfigures* f) {
  fred v;
  i32 n = 0;
  if (factor(path, text, atoms, paren, variables, nilhandle, &n, &v) != 0) return -1;
  Handle listtext = nilhandle, listatoms = nilhandle;
  i16 st = fredtonewh(&v, &listtext);
  disposfred(&v);
  if (st == 0) st = tokenize(listtext, &listatoms);
  i32 listused = 0;
  if (st == 0) st = lowlist(path, listtext, listatoms, 0, variables, &listused, f);
  if (listatoms != nilhandle) DisposeHandle(listatoms);
  if (listtext != nilhandle) DisposeHandle(listtext);
  *used = n;
  return st;
}

// The parameters of a call that takes between `least` and `most` of them: fewer give 39, more
// 88.
scriptstatus params(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, size_t least, size_t most,
                    i32* count, funparams* p) {
  funhead h = readhead(atoms, at);
  if (h.the || tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
  i32 used = 0;
  if (i16 st = readparams(path, text, atoms, h.word + 1, variables, &used, p); st != 0) return st;
  if (p->values.size() < least) return err::nocomma;
  if (p->values.size() > most) return err::noparen;
  *count = h.word + 1 + used - at;
  return 0;
}

}  // namespace

scriptstatus funmath(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 fn = readhead(atoms, at).token;
  fred v;
  i32 used = 0;
  if (i16 st = singleoperand(path, text, atoms, at, variables, &used, &v); st != 0) return st;
  double x = 0;
  i16 st = number(&v, &x);
  disposfred(&v);
  if (st != 0) return st;
  errno = 0;
  double r = apply(fn, x);
  if (matherror()) return err::noanswer;
  doubletonewfred(r, value);
  *count = used;
  return 0;
}

scriptstatus funlist(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  i32 paren = h.word + 1;
  if (h.the || tokenat(atoms, paren) != tok::leftparen) return err::noparens;
  listfigures f;
  i32 used = 0;
  i16 st = listinvalue(path, text, atoms, paren, variables, &used, &f);
  if (st == -1) {
    // Not one operand: the list stands in the parentheses themselves.
    f = listfigures{};
    if ((st = lowlist(path, text, atoms, paren + 1, variables, &used, &f)) != 0) return st;
    if (tokenat(atoms, paren + 1 + used) != tok::rightparen) return err::noparen;
    used += 2;
  }
  if (st != 0) return st;
  errno = 0;
  double r = h.token == tok::average ? f.sum / f.n : h.token == tok::max ? f.max : h.token == tok::min ? f.min : f.sum;
  if (matherror()) return err::noanswer;
  doubletonewfred(r, value);
  *count = paren + used - at;
  return 0;
}

scriptstatus fundual(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funparams p;
  i32 used = 0;
  if (i16 st = params(path, text, atoms, at, variables, 2, 2, &used, &p); st != 0) return st;
  double rate = 0, periods = 0;
  if (i16 st = number(&p.values[0], &rate); st != 0) return st;
  if (i16 st = number(&p.values[1], &periods); st != 0) return st;
  errno = 0;
  double r = 0;
  if (readhead(atoms, at).token == tok::compound) {
    r = std::pow(1 + rate, periods);
  } else {
    // Without interest an annuity is worth its periods (the formula's limit, not 0 / 0).
    r = rate == 0 ? periods : (1 - std::pow(1 + rate, -periods)) / rate;
  }
  if (matherror()) return err::noanswer;
  doubletonewfred(r, value);
  *count = used;
  return 0;
}

scriptstatus funreplace(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funparams p;
  i32 used = 0;
  if (i16 st = params(path, text, atoms, at, variables, 3, 5, &used, &p); st != 0) return st;
  i32 start = 0, limit = -1;
  if (p.values.size() > 3 && fredtolong(&p.values[3], &start) != 0) return err::nointeger;
  if (p.values.size() > 4 && fredtolong(&p.values[4], &limit) != 0) return err::nointeger;
  fred& source = p.values[0];
  const Size n = getfredsize(&source), patsize = getfredsize(&p.values[1]), repsize = getfredsize(&p.values[2]);
  const u8* src = fredaddr(&source);
  const u8* pat = fredaddr(&p.values[1]);
  const u8* rep = fredaddr(&p.values[2]);
  std::vector<u8> out;
  Size copied = 0;
  if (patsize > 0) {
    start = std::min(start, n - 1);
    // Each search starts just after the previous replacement; a count that never comes down
    // to 0 (-1, 0 or below) replaces every occurrence.
    for (i32 done = 0, at2 = start; at2 >= 0 && at2 + patsize <= n;) {
      const u8* hit = std::search(src + at2, src + n, pat, pat + patsize);
      if (hit == src + n) break;
      Size pos = Size(hit - src);
      if (memoryrefused(Size(out.size()) + (pos - copied) + repsize)) return err::nomemory;
      out.insert(out.end(), src + copied, src + pos);
      out.insert(out.end(), rep, rep + repsize);
      copied = pos + patsize;
      at2 = copied;
      if (++done == limit) break;
    }
  }
  if (memoryrefused(Size(out.size()) + (n - copied))) return err::nomemory;
  out.insert(out.end(), src + copied, src + n);
  i16 st = charstonewfred(out.data(), Size(out.size()), value);
  if (st == 0) *count = used;
  return st;
}

}  // namespace kv
