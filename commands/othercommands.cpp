// Small commands: the alert sound, the script error alert, `do`, `wait`, the inserted-script
// forms of insert and remove, and the built-in ends of messages that do nothing or pass.
#include <algorithm>

#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/userfiles.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/insertscripts.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "media/mediaservice.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "shell/debugmsg.h"
#include "shell/eventqueue.h"
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
  tokFor = 11115,
  tokUntil = 11330,
  tokWhile = 11345,
  tokSecondsWord = 3152,
  tokSecondWord = 7002,
  tokTicksWord = 3177,
};

// A waiting command looks after the media and the windows every so many ticks.
constexpr u32 kWaitService = 5;

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

i16 comwait(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  i32 i = at + 1;
  u16 t = tokenat(atoms, i);
  if (t == tokUntil || t == tokWhile) {
    // The condition is asked again after each tick of waiting until it says to go on.
    for (;;) {
      fred value;
      i32 used = 0;
      if (i16 st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &value); st != 0) return st;
      u16 yes = 0;
      i16 st = fredtobool(&value, &yes) != 0 ? i16(statusnotboolean) : i16(0);
      disposfred(&value);
      if (st == 0 && !lineends(atoms, i + 1 + used)) st = statusstray;
      if (st != 0) return st;
      if (st = isabort(TickCount()); st != 0) return st;
      checksound(TickCount());
      if ((yes != 0) == (t == tokUntil)) return 0;
      Delay(1, nullptr);
    }
  }
  if (t == tokFor) ++i;
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &value); st != 0) return st;
  i32 n = 0;
  i16 st = fredtolong(&value, &n) != 0 ? i16(statusnotinteger) : i16(0);
  disposfred(&value);
  if (st != 0) return st;
  i += used;
  i64 ticks = n;
  t = tokenat(atoms, i);
  if (t == tokSecondsWord || t == tokSecondWord) {
    ticks *= 60;
    ++i;
  } else if (t == tokTicksWord) {
    ++i;
  }
  if (!lineends(atoms, i)) return statusstray;
  const u32 until = TickCount() + u32(std::clamp<i64>(ticks, 0, 0x7FFFFFFF));
  for (u32 left = until - TickCount(); i32(left) > 0; left = until - TickCount()) {
    Delay(std::min<u32>(kWaitService, left), nullptr);
    const u32 now = TickCount();
    checksound(now);
    EventRecord none{};
    checkmovies(none);
    if (g.flushwanted != 0) checkflush(now);
    if (st = isabort(now); st != 0) return st;
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
  closealluserfiles();
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
