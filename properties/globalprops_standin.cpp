// The language's constants, and a stand-in for the property getters and setters until the
// property dispatchers exist: only the global properties the engine owns (numberFormat, the
// delimiters, scriptCache, lockMessages, refreshInsertedScripts, lockErrorDialogs) are known,
// and `the number of ...` goes to the functions; every other property answers 43 and properties of objects answer 2 (no objects yet).
// The set command sets only those global properties.
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "commands/dispatch.h"
#include "properties/properties.h"
#include "shell/mainglobals.h"

namespace kv {

namespace {

enum : u16 {
  tokItemDelimiter = 4144,
  tokLineDelimiter = 4151,
  tokLockErrorDialogs = 4163,
  tokLockMessages = 4165,
  tokNumberWord = 4184,
  tokNumberFormat = 4185,
  tokRefreshInsertedScripts = 4220,
  tokScriptCache = 4234,
  tokWordDelimiter = 4303,
  tokThe = 10020,
};

constexpr i16 statusnoproperty = 43, statusnoobject = 2, statusnotto = 7, statusstray = 19;

i16* flagof(u16 token) {
  MainGlobals& g = mainglobals();
  switch (token) {
    case tokLockMessages: return &g.lockMessages;
    case tokRefreshInsertedScripts: return &g.refreshInsertedScripts;
    case tokLockErrorDialogs: return &g.lockErrorDialogs;
    default: return nullptr;
  }
}

u16* delimiterof(u16 token) {
  MainGlobals& g = mainglobals();
  switch (token) {
    case tokItemDelimiter: return &g.itemDelimiter;
    case tokWordDelimiter: return &g.wordDelimiter;
    case tokLineDelimiter: return &g.lineDelimiter;
    default: return nullptr;
  }
}

}  // namespace

i16 lowglobal(u16 t, fred* value) {
  if (t == tokNumberFormat) return handtonewfred(mainglobals().numberformat, value);
  if (t == tokScriptCache) {
    longtonewfred(getscriptcache(), value);
    return 0;
  }
  if (i16* flag = flagof(t); flag != nullptr) {
    booltonewfred(*flag != 0 ? 1 : 0, value);
    return 0;
  }
  if (u16* delim = delimiterof(t); delim != nullptr) {
    u8 s[2] = {1, u8(*delim)};
    return stringtonewfred(s, value);
  }
  return statusnoproperty;
}

i16 property(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, Handle, i32* count, fred* value) {
  *count = 0;
  i32 i = at;
  if (tokenat(atoms, i) == tokThe) ++i;
  u16 t = tokenat(atoms, i);
  // `the number of ...` is a function.
  if (t == tokNumberWord) return sysfun(path, text, atoms, at, variables, count, value);
  if (t >= firstnameform && t <= lastnameform) return statusnoobject;
  if (tokenat(atoms, i + 1) == tokOf) return statusnoobject;
  i16 st = lowglobal(t, value);
  if (st == 0) *count = i - at + 1;
  return st;
}

i16 userprop(hierpath, Handle, Handle, i32, Handle, Handle, i32* count, fred*) {
  *count = 0;
  return statusnoobject;
}

i16 setglobal(u16 token, fred* value) {
  i16 st = 0;
  if (token == tokNumberFormat) {
    st = fredtohand(value, mainglobals().numberformat);
    if (st == 0) decodeformat();
  } else if (token == tokScriptCache) {
    i32 n = 0;
    if (fredtolong(value, &n) != 0) {
      st = statusnotinteger;
    } else {
      setscriptcache(n);
    }
  } else if (i16* flag = flagof(token); flag != nullptr) {
    u16 b = 0;
    if (fredtobool(value, &b) != 0) {
      st = statusnotboolean;
    } else {
      *flag = i16(b);
    }
  } else if (u16* delim = delimiterof(token); delim != nullptr) {
    if (getfredsize(value) > 0) *delim = fredaddr(value)[0];
  } else {
    st = statusnoproperty;
  }
  disposfred(value);
  return st;
}

i16 comset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokThe) ++i;
  u16 prop = tokenat(atoms, i);
  if (prop < firstproperty || prop > lastproperty) return statusnoobject;
  if (tokenat(atoms, i + 1) == tokOf) return statusnoobject;
  if (tokenat(atoms, i + 1) != tokTo) return statusnotto;
  fred value;
  i32 used = 0;
  i16 st = expression(path, text, atoms, i + 2, variables, nilhandle, &used, &value);
  if (st != 0) return st;
  u16 after = tokenat(atoms, i + 2 + used);
  if (after != tokEndOfLine && after != tokEndOfScript) {
    disposfred(&value);
    return statusstray;
  }
  return setglobal(prop, &value);
}

i16 constant(Handle atoms, i32 at, i32* count, fred* value) {
  *count = 0;
  u16 t = tokenat(atoms, at);
  static constexpr char chars[] = {'"', 13, ' ', 9, 12, 10};  // quote .. lineFeed (5006-5011)
  switch (t) {
    case 5001:
    case 5002: booltonewfred(t == 5001 ? 1 : 0, value); break;
    case 5003:
    case 5004: fooltonewfred(t == 5004 ? 1 : 0, value); break;
    case 5005: newfred(value, fredtemp, fredstring, 0); break;
    case 5012: doubletonewfred(3.14159265358979323846, value); break;
    case 5024:
    case 5025:
    case 5026: {
      u8 s[2] = {1, u8(t == 5024 ? ',' : t == 5025 ? ':' : 0)};
      stringtonewfred(s, value);
      break;
    }
    default:
      if (t >= 5006 && t <= 5011) {
        u8 s[2] = {1, u8(chars[t - 5006])};
        stringtonewfred(s, value);
      } else if (t >= 5013 && t <= 5023) {
        longtonewfred(t - 5013, value);
      } else {
        return statusnoproperty;
      }
  }
  *count = 1;
  return 0;
}

}  // namespace kv
