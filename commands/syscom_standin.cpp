// A stand-in command dispatcher until the built-in commands exist: it routes the commands the
// script engine itself needs (put, putMessage, get, set of the engine's global properties,
// send, do, scriptError), a first `go`, `compact` and `new`. The opening, closing and creation messages
// of windows, cards and objects that no handler took are done; any other command is a word the
// system does not understand.
#include <algorithm>

#include "commands/dispatch.h"
#include "commands/docommand.h"
#include "commands/navigation.h"
#include "commands/newcommand.h"
#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/insertscripts.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "properties/properties.h"
#include "store/namekey.h"

namespace kv {

namespace {

enum : u16 {
  tokCompact = 2028,
  tokDo = 2047,
  tokGo = 2075,
  tokGet = 2073,
  tokNew = 2116,
  tokInsert = 2084,
  tokRemove = 2155,
  tokPut = 2146,
  tokPutMessage = 2147,
  tokScriptError = 2172,
  tokSend = 2179,
  tokSet = 2181,
  tokThe = 10020,
};

constexpr i16 statusstray = 19, statusnotto = 7, statusnoobject = 2;

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tokEndOfLine || t == tokEndOfScript;
}

// The value of `get` and `put`: the fast path for the commonest arithmetic first.
i16 source(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, fred* value) {
  i16 st = miniexpression(path, text, atoms, at, variables, nilhandle, used, value);
  if (st == 1) st = expression(path, text, atoms, at, variables, nilhandle, used, value);
  return st;
}

i16 put(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  i16 st = source(path, text, atoms, at + 1, variables, &used, &value);
  if (st != 0) return st;
  i32 i = at + 1 + used;
  chunkpart dest;
  if (lineends(atoms, i)) {
    if ((st = messagedestination(&dest)) != 0) {
      disposfred(&value);
      return st;
    }
    return pututil(&dest, &value, prepinto);
  }
  u16 prep = tokenat(atoms, i);
  if (prep != prepinto && prep != prepbefore && prep != prepafter) {
    disposfred(&value);
    return statusnotunderstood;
  }
  st = destination(path, text, atoms, i + 1, variables, nilhandle, &used, &dest, 1, 0);
  if (st == 0 && !lineends(atoms, i + 1 + used)) {
    releasecontainer(&dest);
    st = statusstray;
  }
  if (st != 0) {
    disposfred(&value);
    return st;
  }
  return pututil(&dest, &value, prep);
}

i16 get(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  i16 st = source(path, text, atoms, at + 1, variables, &used, &value);
  if (st != 0) return st;
  if (!lineends(atoms, at + 1 + used)) {
    disposfred(&value);
    return statusstray;
  }
  varentry it;
  if ((st = getitvars(variables, &it)) != 0) {
    disposfred(&value);
    return st;
  }
  fred stored = *HandleAs<fred>(it.value);
  st = fredtofred(&value, &stored);
  disposfred(&stored);
  disposfred(&value);
  return st;
}

i16 set(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokThe) ++i;
  u16 prop = tokenat(atoms, i);
  if (prop < firstproperty || prop > lastproperty) return statusnotunderstood;
  if (tokenat(atoms, i + 1) == tokOf) return statusnoobject;
  if (tokenat(atoms, i + 1) != tokTo) return statusnotto;
  fred value;
  i32 used = 0;
  i16 st = expression(path, text, atoms, i + 2, variables, nilhandle, &used, &value);
  if (st != 0) return st;
  if (!lineends(atoms, i + 2 + used)) {
    disposfred(&value);
    return statusstray;
  }
  return setglobal(prop, &value);
}

i16 scripterror(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &value);
  if (st != 0) return st;
  i32 n = 0;
  st = fredtolong(&value, &n) != 0 ? i16(statusnotinteger) : i16(0);
  disposfred(&value);
  if (st != 0) return st;
  if (!lineends(atoms, at + 1 + used)) return statusstray;
  showerrordialog(i16(std::clamp<i32>(n, -32768, 32767)));
  return 0;
}

// The messages that opening, going, closing and creating send.
bool windowmessage(u16 t) {
  switch (t) {
    case 2117: case 2118: case 2119: case 2120:  // newBackground, newButton, newCard, newField
    case 2122: case 2124: case 2125: case 2126:  // newGraphic, newMenu, newProject, newWindow
    case 2021: case 2022: case 2025: case 2026:  // closeBackground, closeCard, closeProject, closeWindow
    case 2129: case 2130: case 2133: case 2135:  // openBackground, openCard, openProject, openWindow
    case 2184: case 2193:                        // shareInit, startUp
      return true;
    default: return false;
  }
}

}  // namespace

i16 syscom(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  switch (tokenat(atoms, at)) {
    case tokPut: return put(path, text, atoms, at, variables);
    case tokGet: return get(path, text, atoms, at, variables);
    case tokSet: return set(path, text, atoms, at, variables);
    case tokSend: return comsend(path, text, atoms, at, variables);
    case tokDo: return comdo(path, text, atoms, at, variables);
    case tokScriptError: return scripterror(path, text, atoms, at, variables);
    case tokGo: return comgo(path, text, atoms, at, variables);
    case tokCompact: return compact(path, text, atoms, at, variables);
    case tokNew: return comnew(path, text, atoms, at, variables);
    case tokInsert: return cominsert(path, text, atoms, at, variables);
    case tokRemove: return comremove(path, text, atoms, at, variables);
    // The built-in action of "putMessage" shows the message box with its text; until the
    // message box window exists the text only waits there.
    case tokPutMessage: return 0;
    default: return windowmessage(tokenat(atoms, at)) ? i16(0) : statusnotunderstood;
  }
}

}  // namespace kv
