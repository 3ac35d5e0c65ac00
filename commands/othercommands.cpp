// Small commands: the alert sound, the script error alert, `do`, the inserted-script forms of
// insert and remove, and the built-in ends of messages that do nothing or pass.
#include <algorithm>

#include "commands/commands.h"
#include "commands/dispatch.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/insertscripts.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "shell/debugmsg.h"
#include "shell/mainglobals.h"
#include "shell/menucommands.h"
#include "shell/runservices.h"

namespace kv {

namespace {

enum : u16 {
  tokFilter = 4114,
  tokFilters = 4115,
  tokScript = 4233,
  tokScripts = 4235,
  tokAll = 10002,
  tokThe = 10020,
  tokMovies = 11191,
};

constexpr i16 statusstray = 19, statusnegative = 38;

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tokEndOfLine || t == tokEndOfScript;
}

// A whole number that ends the statement, from atom `at`.
i16 wholenumber(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* n) {
  fred value;
  i32 used = 0;
  i16 st = expression(path, text, atoms, at, variables, nilhandle, &used, &value);
  if (st != 0) return st;
  st = fredtolong(&value, n) != 0 ? i16(statusnotinteger) : i16(0);
  disposfred(&value);
  if (st == 0 && !lineends(atoms, at + used)) st = statusstray;
  return st;
}

}  // namespace

i16 combeep(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (lineends(atoms, at + 1)) {
    KVBeep(1);
    return 0;
  }
  i32 n = 0;
  if (i16 st = wholenumber(path, text, atoms, at + 1, variables, &n); st != 0) return st;
  if (n < 0) return statusnegative;
  for (i32 i = 0; i < n; ++i) {
    KVBeep(1);
    if (i16 st = isabort(TickCount()); st != 0) return st;
  }
  return 0;
}

i16 comkeystroke(hierpath, Handle, Handle, i32, Handle) {
  KVBeep(1);
  return 0;
}

i16 comcontextclick(hierpath, Handle, Handle, i32, Handle) {
  mainglobals().contextualclick = 0;
  return 0;
}

i16 comclickfieldobject(hierpath, Handle, Handle, i32, Handle) {
  mainglobals().clickobjectack = 0;
  return 0;
}

i16 comerror(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 n = 0;
  if (i16 st = wholenumber(path, text, atoms, at + 1, variables, &n); st != 0) return st;
  showerrordialog(i16(std::clamp<i32>(n, -32768, 32767)));
  return 0;
}

i16 cominsertcommand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokThe) ++i;
  if (tokenat(atoms, i) == tokScript) return cominsert(path, text, atoms, at, variables);
  return insertmenu(path, text, atoms, at, variables);
}

i16 comremovecommand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  u16 t = tokenat(atoms, i);
  if (t == tokMovies) return comnotbuilt(path, text, atoms, at, variables);  // the movies of a window
  if (t == tokThe) t = tokenat(atoms, ++i);
  if (t == tokScript || (t == tokAll && tokenat(atoms, i + 1) == tokScripts))
    return comremove(path, text, atoms, at, variables);
  if (t == tokFilter || t == tokFilters)
    return comnotbuilt(path, text, atoms, at, variables);  // picture filters: enablefilters
  return removemenu(path, text, atoms, at, variables);
}

i16 comousewheel(hierpath, Handle, Handle, i32, Handle) { return statuspass; }

i16 comspin(hierpath, Handle, Handle, i32, Handle) { return 0; }
i16 comreturn(hierpath, Handle, Handle, i32, Handle) { return 0; }
i16 comentermsg(hierpath, Handle, Handle, i32, Handle) { return 0; }
i16 comtrace(hierpath, Handle, Handle, i32, Handle) { return 0; }

}  // namespace kv
