// A stand-in function dispatcher until the built-in functions exist: the handful that
// handlers and their tests need (arithmetic, length, offset and lineOffset, the parameters,
// the result, value) and `the number of cards` of the current window. Any other function is
// not understood.
#include <algorithm>
#include <cmath>
#include <vector>

#include "commands/dispatch.h"
#include "engine/chunks.h"
#include "engine/containerutil.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/insertscripts.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "shell/mainglobals.h"
#include "store/records.h"

namespace kv {

namespace {

enum : u16 {
  fnAbs = 3001,
  fnBackScripts = 3014,
  fnFrontScripts = 3059,
  fnCharToNum = 3017,
  fnIsNumber = 3073,
  fnLength = 3075,
  fnMax = 3086,
  fnMin = 3092,
  fnNumToChar = 3103,
  fnParam = 3110,
  fnParamCount = 3111,
  fnResult = 3143,
  fnRound = 3146,
  fnSqrt = 3168,
  fnTarget = 3175,
  fnTrunc = 3181,
  fnValue = 3186,
  fnNumber = 4184,
  tokCards = 11035,
  tokThe = 10020,
};

constexpr i16 statusstray = 19;

// The arguments of a call, owned until the call ends.
struct arguments {
  std::vector<fred> values;
  ~arguments() {
    for (fred& v : values) disposfred(&v);
  }
};

// Reads the argument forms after the function's name at `i`: "(a, b, ...)", "of x", or none.
i16 readarguments(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, arguments* args) {
  u16 t = tokenat(atoms, *i);
  i32 used = 0;
  if (t == tokOf) {
    fred v;
    i16 st = factor(path, text, atoms, *i + 1, variables, nilhandle, &used, &v);
    if (st == 16) st = anyfact(path, text, atoms, *i + 1, variables, nilhandle, &used, &v);
    if (st != 0) return st;
    copyfred(&v);
    args->values.push_back(v);
    *i += 1 + used;
    return 0;
  }
  if (t != tokLeftParen) return 0;
  ++*i;
  if (tokenat(atoms, *i) == tokRightParen) {
    ++*i;
    return 0;
  }
  for (;;) {
    fred v;
    i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v);
    if (st != 0) return st;
    args->values.push_back(v);
    *i += used;
    t = tokenat(atoms, *i);
    ++*i;
    if (t == tokRightParen) return 0;
    if (t != tokComma) return statusnotunderstood;
  }
}

i16 number(fred* v, double* d) { return fredtodouble(v, d) != 0 ? i16(statusnotnumber) : i16(0); }

// The variable of a handler's list that holds argument n, or null.
const varentry* argument(Handle variables, i32 n) {
  if (variables == nilhandle) return nullptr;
  for (Size i = 0; i < HandleCount<varentry>(variables); ++i)
    if (HandleAs<varentry>(variables)[i].state == n) return HandleAs<varentry>(variables) + i;
  return nullptr;
}

// value(text): the text evaluated as an expression.
i16 valueof(hierpath path, Handle variables, fred* arg, fred* out) {
  Handle text = nilhandle, atoms = nilhandle;
  i16 st = fredtonewh(arg, &text);
  if (st == 0) st = tokenize(text, &atoms);
  i32 used = 0;
  if (st == 0 && tokenat(atoms, 0) == tokEndOfLine) {
    newfred(out, fredtemp, fredstring, 0);
  } else if (st == 0) {
    st = expression(path, text, atoms, 0, variables, nilhandle, &used, out);
    if (st == 0 && tokenat(atoms, used) != tokEndOfLine) {
      disposfred(out);
      st = statusstray;
    }
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  if (text != nilhandle) DisposeHandle(text);
  return st;
}

i16 call(hierpath path, u16 fn, Handle variables, arguments& args, fred* value) {
  std::vector<fred>& a = args.values;
  double d = 0;
  switch (fn) {
    case fnAbs:
    case fnSqrt:
    case fnTrunc:
    case fnRound: {
      if (a.size() != 1) return statusnotunderstood;
      if (i16 st = number(&a[0], &d); st != 0) return st;
      d = fn == fnAbs ? std::fabs(d) : fn == fnSqrt ? std::sqrt(d) : fn == fnTrunc ? std::trunc(d) : std::round(d);
      doubletonewfred(d, value);
      return 0;
    }
    case fnMax:
    case fnMin: {
      if (a.empty()) return statusnotunderstood;
      double best = 0;
      for (size_t i = 0; i < a.size(); ++i) {
        if (i16 st = number(&a[i], &d); st != 0) return st;
        best = i == 0 ? d : fn == fnMax ? std::max(best, d) : std::min(best, d);
      }
      doubletonewfred(best, value);
      return 0;
    }
    case fnLength:
      if (a.size() != 1) return statusnotunderstood;
      readlength(&a[0]);
      longtonewfred(a[0].integer, value);
      return 0;
    case fnIsNumber: {
      if (a.size() != 1) return statusnotunderstood;
      Str255 s;
      fredtostring(&a[0], s);
      booltonewfred(s[0] != 0 && stringtodouble(s, &d) == 0 ? 1 : 0, value);
      return 0;
    }
    case fnNumToChar: {
      i32 n = 0;
      if (a.size() != 1 || fredtolong(&a[0], &n) != 0) return 13;
      u8 s[2] = {1, u8(n)};
      return stringtonewfred(s, value);
    }
    case fnCharToNum:
      if (a.size() != 1) return statusnotunderstood;
      longtonewfred(getfredsize(&a[0]) > 0 ? fredaddr(&a[0])[0] : 0, value);
      return 0;
    case fnParam: {
      i32 n = 0;
      if (a.size() != 1 || fredtolong(&a[0], &n) != 0) return 13;
      const varentry* e = argument(variables, n);
      if (e == nullptr) {
        newfred(value, fredtemp, fredstring, 0);
        return 0;
      }
      *value = *HandleAs<fred>(e->value);
      return copyfred(value);
    }
    case fnParamCount: {
      i32 n = 0;
      for (Size i = 0; variables != nilhandle && i < HandleCount<varentry>(variables); ++i)
        if (HandleAs<varentry>(variables)[i].state >= 1) ++n;
      longtonewfred(n, value);
      return 0;
    }
    case fnResult: return handtonewfred(mainglobals().result, value);
    case fnTarget:
      if (mainglobals().target == nilhandle) return newfred(value, fredtemp, fredstring, 0);
      return handtonewfred(mainglobals().target, value);
    case fnFrontScripts:
    case fnBackScripts: return hiertofred(fn == fnFrontScripts ? 1 : 0, value);
    case fnValue:
      if (a.size() != 1) return statusnotunderstood;
      return valueof(path, variables, &a[0], value);
    default: return statusnotunderstood;
  }
}

// `number of cards` from the atom after `number`: the card count of the current window.
i16 numberof(Handle atoms, i32 i, i32* next, fred* value) {
  if (tokenat(atoms, i) != tokOf) return 5;
  if (tokenat(atoms, i + 1) != tokCards) return 4;
  if (tokenat(atoms, i + 2) == tokOf) return statusnotunderstood;
  Handle wind = mainglobals().current.wind;
  longtonewfred(wind == nilhandle ? 0 : i32(loadat<windrec>(deref(wind)).cardcount), value);
  *next = i + 2;
  return 0;
}

}  // namespace

i16 sysfun(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  i32 i = at;
  if (tokenat(atoms, i) == tokThe) ++i;
  u16 fn = tokenat(atoms, i);
  if (fn == tokOffset || fn == tokLineOffset) {
    i32 used = 0;
    i16 st = funoffs(path, text, atoms, i, variables, nilhandle, &used, value);
    if (st == 0) *count = i - at + used;
    return st;
  }
  ++i;
  if (fn == fnNumber) {
    i16 st = numberof(atoms, i, &i, value);
    if (st == 0) *count = i - at;
    return st;
  }
  arguments args;
  if (i16 st = readarguments(path, text, atoms, &i, variables, &args); st != 0) return st;
  fred result;
  i16 st = call(path, fn, variables, args, &result);
  if (st != 0) return st;
  *value = result;
  *count = i - at;
  return 0;
}

}  // namespace kv
