// Small commands: the alert sound, the script error alert, `wait`, `history`, `notify`,
// `setWindow`, `autoSize`, `unmount`, `play`, the inserted-script and movie forms of insert and
// remove, and the built-in ends of messages that do nothing or pass.
#include <algorithm>
#include <string>

#include "commands/commandforms.h"
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/userfiles.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/insertscripts.h"
#include "engine/keywords.h"
#include "engine/lookups.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/status.h"
#include "engine/tokens.h"
#include "media/mediaservice.h"
#include "media/movies.h"
#include "media/sequences.h"
#include "media/sounds.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "core/debugmsg.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/menucommands.h"
#include "shell/objectresize.h"
#include "shell/redraws.h"
#include "core/runservices.h"
#include "shell/volumes.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "system/appleevents.h"

namespace kv {

namespace {

// A waiting command looks after the media and the windows every so many ticks.
constexpr u32 kWaitService = 5;
// The longest wait: a time past it (2^31 ticks) is cut to it.
constexpr i64 kLongestWait = 0x7FFFFFFF;
// notify waits this long for the user when the script gives no time.
constexpr i32 kNotifyTimeout = 108000;

constexpr i16 resultnovolume = 79, resultownvolume = 80;

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tok::endofline || t == tok::endofscript;
}

// A whole number that ends the statement, from atom `at`.
scriptstatus wholenumber(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* n) {
  fred value;
  i32 used = 0;
  i16 st = expression(path, text, atoms, at, variables, nilhandle, &used, &value);
  if (st != 0) return st;
  st = fredtolong(&value, n) != 0 ? i16(err::nointeger) : i16(0);
  disposfred(&value);
  if (st == 0 && !lineends(atoms, at + used)) st = err::stray;
  return st;
}

// A time from atom `i`: a whole number of ticks, of seconds with "seconds"/"second", the word
// "ticks" skipped; it must end the statement. Counted in 64 bits and held to 0..2^31-1 ticks.
scriptstatus timeoperand(hierpath path, Handle text, Handle atoms, i32 i, Handle variables, i64* ticks) {
  fred value;
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, i, variables, nilhandle, &used, &value); st != 0) return st;
  i32 n = 0;
  i16 st = fredtolong(&value, &n) != 0 ? i16(err::nointeger) : i16(0);
  disposfred(&value);
  if (st != 0) return st;
  i += used;
  i64 t = n;
  const u16 word = tokenat(atoms, i);
  if (word == tok::seconds || word == tok::sec) {
    t *= 60;
    ++i;
  } else if (word == tok::ticks) {
    ++i;
  }
  if (!lineends(atoms, i)) return err::stray;
  *ticks = std::clamp<i64>(t, 0, kLongestWait);
  return 0;
}

// The open window a descriptor's window context names: false when it is not open.
bool openwindowof(const objread& obj, desk* open) {
  return haswind(obj.d.store, obj.d.windnum, open) && open->window != nilid && IsValidWindowPtr(open->window);
}

// The open window of a window (with `windowonly`), card or background that the statement names
// from atom `at` and that ends it: 2 for another object, 19 for words left, 61 for a window
// that is not open. *kind is the object's kind.
scriptstatus openwindowobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, bool windowonly,
                              desk* open, u16* kind) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &used, &obj); st != 0) return st;
  *kind = obj.kind;
  const bool fits = obj.kind == objwindow || (!windowonly && (obj.kind == objcard || obj.kind == objbackground));
  i16 st = 0;
  if (!fits) st = err::cantunderstand;
  else if (!lineends(atoms, at + used)) st = err::stray;
  else if (!openwindowof(obj, open)) st = err::nosuchwindow;
  writeobj(&obj);
  return st;
}

}  // namespace

scriptstatus combeep(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (lineends(atoms, at + 1)) {
    KVBeep(1);
    return 0;
  }
  i32 n = 0;
  if (i16 st = wholenumber(path, text, atoms, at + 1, variables, &n); st != 0) return st;
  if (n < 0) return err::outofrange;
  for (i32 i = 0; i < n; ++i) {
    KVBeep(1);
    if (i16 st = isabort(TickCount()); st != 0) return st;
  }
  return 0;
}

scriptstatus comwait(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  i32 i = at + 1;
  u16 t = tokenat(atoms, i);
  if (t == tok::until || t == tok::while_) {
    // The condition is asked again after each tick of waiting until it says to go on.
    for (;;) {
      fred value;
      i32 used = 0;
      if (i16 st = expression(path, text, atoms, i + 1, variables, nilhandle, &used, &value); st != 0) return st;
      u16 yes = 0;
      i16 st = fredtobool(&value, &yes) != 0 ? i16(err::noboolean) : i16(0);
      disposfred(&value);
      if (st == 0 && !lineends(atoms, i + 1 + used)) st = err::stray;
      if (st != 0) return st;
      if (st = isabort(TickCount()); st != 0) return st;
      checksound(TickCount());
      if ((yes != 0) == (t == tok::until)) return 0;
      Delay(1, nullptr);
    }
  }
  if (t == tok::for_) ++i;
  i64 ticks = 0;
  if (i16 st = timeoperand(path, text, atoms, i, variables, &ticks); st != 0) return st;
  const u32 until = TickCount() + u32(ticks);
  for (u32 left = until - TickCount(); i32(left) > 0; left = until - TickCount()) {
    Delay(std::min<u32>(kWaitService, left), nullptr);
    const u32 now = TickCount();
    checksound(now);
    EventRecord none{};
    checkmovies(none);
    if (g.flushwanted != 0) checkflush(now);
    if (i16 st = isabort(now); st != 0) return st;
  }
  return 0;
}

scriptstatus comhistory(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (lineends(atoms, at + 1)) {
    if (historystate().historydisabled == 0) historystate().history = historystate().history != 0 ? 0 : 1;
    return 0;
  }
  Str255 word{};
  i32 used = 0;
  if (i16 st = textoperand(path, text, atoms, at + 1, variables, &used, word); st != 0) return st;
  if (!lineends(atoms, at + 1 + used)) return err::stray;
  switch (stringtotoken(word + 1, word[0])) {
    case tok::disable: historystate().historydisabled = 1; break;
    case tok::enable: historystate().historydisabled = 0; break;
    case tok::on: historystate().history = historystate().historydisabled != 0 ? 0 : 1; break;
    default: historystate().history = 0; break;
  }
  return 0;
}

scriptstatus comnotify(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::wait) ++i;
  i64 ticks = kNotifyTimeout;
  if (!lineends(atoms, i))
    if (i16 st = timeoperand(path, text, atoms, i, variables, &ticks); st != 0) return st;
  notify(i32(ticks));
  return 0;
}

scriptstatus comsetwindow(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  desk open{};
  u16 kind = 0;
  if (i16 st = openwindowobject(path, text, atoms, at + 1, variables, true, &open, &kind); st != 0) return st;
  MainGlobals& g = mainglobals();
  g.current = open;
  ++g.layerchanges;
  return 0;
}

scriptstatus comautosize(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  desk open{};
  u16 kind = 0;
  if (i16 st = openwindowobject(path, text, atoms, at + 1, variables, false, &open, &kind); st != 0) return st;
  // The layers resized (0 both, 1 the background's, 2 the card's), each forced.
  const u16 layers = kind == objwindow ? 0 : kind == objbackground ? 1 : 2;
  const u16 force = kind == objwindow ? 3 : kind == objbackground ? 1 : 2;
  {
    // In the window's context, with its pen hidden while the objects move.
    KeepContext keep;
    mainglobals().current = open;
    SetPortWindowPort(open.window);
    HidePen();
    resizespots(open, layers, 0, force);
    ShowPen();
  }
  getwind(open.window, &open);
  drawedit(open, nullptr);
  return 0;
}

scriptstatus comunmount(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::volume) ++i;
  Str255 name{};
  i32 used = 0;
  if (i16 st = textoperand(path, text, atoms, i, variables, &used, name); st != 0) return st;
  if (!lineends(atoms, i + used)) return err::stray;
  // A volume's name ends at its first colon; a name without one gets one.
  std::string volume(pstringview(name));
  const std::size_t colon = volume.find(':');
  if (colon == std::string::npos) volume.resize(std::min<std::size_t>(volume.size(), 254));
  else volume.resize(colon);
  i16 ref = 0;
  if (volumebyname(volume, &ref) == noErr && ref == mainglobals().programvolume) return setresulttext(resultownvolume);
  volume += ':';
  pstrassign(name, 256, volume.data(), volume.size());
  const OSErr e = UnmountAndEject(name, 0);
  if (e == nsvErr) return setresulttext(resultnovolume);
  // A refused unmount is no success: the file system's error goes into the result.
  if (e != noErr) return resultfilesystemerr(e);
  return 0;
}

scriptstatus complay(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  const MainGlobals& g = mainglobals();
  switch (tokenat(atoms, at + 1)) {
    case tok::pics:
      return g.plugin != 0 ? scriptstatus(err::plugincommand) : playpics(path, text, atoms, at + 1, variables);
    case tok::step: return g.plugin != 0 ? err::plugincommand : i16(0);
    case tok::movie: return playmovie(path, text, atoms, at + 1, variables);
    case tok::film: return playfilm(path, text, atoms, at + 1, variables);
    case tok::audio:
      if (g.runningosx != 0) return err::notbuilt;
      [[fallthrough]];
    default: return playsound(path, text, atoms, at + 1, variables);
  }
}

scriptstatus comkeystroke(hierpath, Handle, Handle, i32, Handle) {
  KVBeep(1);
  return 0;
}

scriptstatus comcontextclick(hierpath, Handle, Handle, i32, Handle) {
  mainglobals().contextualclick = 0;
  return 0;
}

scriptstatus comclickfieldobject(hierpath, Handle, Handle, i32, Handle) {
  mainglobals().clickobjectack = 0;
  return 0;
}

scriptstatus comerror(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  closealluserfiles();
  i32 n = 0;
  if (i16 st = wholenumber(path, text, atoms, at + 1, variables, &n); st != 0) return st;
  showerrordialog(i16(std::clamp<i32>(n, -32768, 32767)));
  return 0;
}

scriptstatus cominsertcommand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tok::the) ++i;
  if (tokenat(atoms, i) == tok::script) return cominsert(path, text, atoms, at, variables);
  return insertmenu(path, text, atoms, at, variables);
}

namespace {

// `remove movies [from window]` from atom `at` (after "movies").
scriptstatus removemovies(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  WindowRef window = mainglobals().current.window;
  i32 i = at;
  if (tokenat(atoms, i) == tok::from) {
    objread obj{};
    i32 used = 0;
    if (i16 st = scanobj(path, text, atoms, i + 1, variables, &used, &obj); st != 0) return st;
    desk open{};
    i16 st = obj.kind != objwindow ? err::cantunderstand : !lineends(atoms, i + 1 + used) ? err::stray : i16(0);
    window = st == 0 && openwindowof(obj, &open) ? open.window : nilid;
    writeobj(&obj);
    if (st != 0) return st;
  } else if (!lineends(atoms, i)) {
    return err::stray;
  }
  // No window: nothing to remove (a window of 0 would name every movie).
  if (window != nilid) dumpmoovs(window, true);
  return 0;
}

}  // namespace

scriptstatus comremovecommand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  u16 t = tokenat(atoms, i);
  if (t == tok::movies) return removemovies(path, text, atoms, i + 1, variables);
  if (t == tok::the) t = tokenat(atoms, ++i);
  if (t == tok::script || (t == tok::all && tokenat(atoms, i + 1) == tok::scripts))
    return comremove(path, text, atoms, at, variables);
  if (t == tok::filter || t == tok::filters) return enablefilters(path, text, atoms, at, variables);
  return removemenu(path, text, atoms, at, variables);
}

scriptstatus comousewheel(hierpath, Handle, Handle, i32, Handle) { return statuspass; }

scriptstatus comspin(hierpath, Handle, Handle, i32, Handle) { return 0; }
scriptstatus comreturn(hierpath, Handle, Handle, i32, Handle) { return 0; }
scriptstatus comentermsg(hierpath, Handle, Handle, i32, Handle) { return 0; }
scriptstatus comtrace(hierpath, Handle, Handle, i32, Handle) { return 0; }

}  // namespace kv
