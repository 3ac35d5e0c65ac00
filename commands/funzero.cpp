// Functions without parameters: "the f" or "f()" (with a modifier word inside the parentheses
// for the few that take one).
//
// The members answered from the script engine, the versions and the lists of the system are
// here; those that read the state of the program are in funzerostate.cpp. A member is added by giving its token a case in `answer` or in
// `funzerostate`.
#include <algorithm>
#include <cstring>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "commands/funzerostate.h"
#include "commands/globals.h"
#include "commands/systemqueries.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "tools/objectclipboard.h"
#include "engine/insertscripts.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/textutil.h"
#include "engine/variables.h"
#include "media/moviesounds.h"
#include "media/sounds.h"
#include "media/speech.h"
#include "media/speechrecog.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/runtime/bigstack.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "system/applications.h"
#include "system/programtargets.h"
#include "system/sysinfo.h"

namespace kv {

namespace {

// The functions refused in plug-in mode.
bool pluginrefused(u16 fn) {
  switch (fn) {
    case tok::menus:
    case tok::projects:
    case tok::sharedfile:
    case tok::speechbusy:
    case tok::topwindow:
    case tok::userwindows:
    case tok::voices:
    case tok::wds:
    case tok::xwindows: return true;
    default: return false;
  }
}

// Whether a word may stand between the parentheses of the function.
bool modifierallowed(u16 fn, Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  switch (fn) {
    case tok::wds:
    case tok::menus: return t == tok::id;
    case tok::systemversion: return t == tok::long_;
    case tok::machine: return t == tok::long_ || t == tok::text || t == tok::full || t == tok::short_ || t == tok::abbr;
    case tok::papersize:
    case tok::papersizes: return t == tok::inches || t == tok::name;
    default: return false;
  }
}

// `the params`: the message name and a space, then each parameter in double quotes followed by
// a comma, the last comma dropped; at most 255 characters.
i16 params(Handle variables, fred* value) {
  Str255 s;
  s[0] = 0;
  Size n = variables == nilhandle ? 0 : HandleCount<varentry>(variables);
  for (i16 state = 0;; ++state) {
    const varentry* e = nullptr;
    for (Size i = 0; i < n && e == nullptr; ++i)
      if (HandleAs<varentry>(variables)[i].state == state) e = HandleAs<varentry>(variables) + i;
    if (e == nullptr) break;
    fred look = *HandleAs<fred>(e->value);
    Str255 v;
    fredtotext(&look, v);
    if (state > 0) appendchar('"', s);
    appendstring(v, s);
    if (state > 0) appendchar('"', s);
    appendchar(state == 0 ? ' ' : ',', s);
  }
  if (s[0] > 0 && s[s[0]] == ',') --s[0];
  return stringtonewfred(s, value);
}

i16 paramcount(Handle variables, fred* value) {
  i32 n = 0;
  for (Size i = 0; variables != nilhandle && i < HandleCount<varentry>(variables); ++i)
    if (HandleAs<varentry>(variables)[i].state > 0) ++n;
  longtonewfred(n, value);
  return 0;
}

// A handle of the global state as text; none is the empty text.
i16 handletext(Handle h, fred* value) {
  return h == nilhandle ? newfred(value, fredtemp, fredstring, 0) : handtonewfred(h, value);
}

// A list built into a new handle by one of the system's list builders.
i16 listvalue(i16 (*build)(Handle), fred* value) {
  Handle h = NewHandle(0);
  if (h == nilhandle) return err::nomemory;
  i16 st = build(h);
  if (st == 0) st = handtonewfred(h, value);
  DisposeHandle(h);
  return st;
}

i16 answer(u16 fn, Handle variables, fred* value, u16 modifier) {
  const bool longform = modifier == tok::long_;
  MainGlobals& g = mainglobals();
  switch (fn) {
    case tok::clipboard: return clipname(value);
    case tok::scrapflavors: return clipflavors(value);
    case tok::result: return handletext(g.result, value);
    case tok::target: return handletext(g.target, value);
    case tok::msgtext: return handletext(g.msgpending, value);
    case tok::errorobject: return handletext(g.erroroffset == -1 ? nilhandle : g.faildescriptor, value);
    case tok::paramcount: return paramcount(variables, value);
    case tok::params: return params(variables, value);
    case tok::frontscripts:
    case tok::backscripts: return hiertofred(fn == tok::frontscripts ? 1 : 0, value);
    case tok::globals: return globaltofred(value);
    case tok::ticks: longtonewfred(i32(TickCount()), value); return 0;
    case tok::stackspace: {
      std::size_t left = stackremaining();
      longtonewfred(i32(std::min<std::size_t>(left > 65536 ? left - 65536 : 0, 0x7FFFFFFF)), value);
      return 0;
    }
    case tok::platform: return textonewfred("Macintosh", value);
    case tok::projectfiletype: return textonewfred("MDOx", value);
    case tok::projectfilecreator: return textonewfred("VIZu", value);
    case tok::projectfileextension: return textonewfred(".kv45", value);
    case tok::systemversion:
    case tok::quicktimeversion:
    case tok::carbonversion:
    case tok::soundmgrversion: {
      Str255 s;
      if (fn == tok::systemversion && longform) getsystemverstring(s);
      else if (fn == tok::systemversion) getverstring(fourcc("sysv"), 0, s);
      else if (fn == tok::quicktimeversion) getverstring(fourcc("qtim"), 1, s);
      else if (fn == tok::carbonversion) getverstring(fourcc("cbon"), 0, s);
      else soundmgrverstr(s);
      return stringtonewfred(s, value);
    }
    case tok::sounddevices: return listvalue(buildevices, value);
    case tok::applications: {
      Handle h = nilhandle;
      if (i16 st = listapplications(&h)) return st;
      i16 st = handtonewfred(h, value);
      DisposeHandle(h);
      return st;
    }
    case tok::programs: {
      Handle h = NewHandle(0);
      if (h == nilhandle) return err::nomemory;
      buildprograms(h);
      i16 st = handtonewfred(h, value);
      DisposeHandle(h);
      return st;
    }
    case tok::voices: {
      // Speech is always there; a failure to list the voices is no script error.
      Handle h = NewHandle(0);
      if (h == nilhandle) return err::nomemory;
      buildvoices(h);
      i16 st = handtonewfred(h, value);
      DisposeHandle(h);
      return st;
    }
    case tok::sound: return soundname(value);
    case tok::speechbusy:
      checkspeech();
      longtonewfred(speechitems(), value);
      return 0;
    case tok::recogstate: {
      Str255 s;
      getrecogstate(s);
      return stringtonewfred(s, value);
    }
    case tok::fileplaytime:
    case tok::qtfileplaytime: {
      Str255 s;
      getmoovfileplaytime(s);
      return stringtonewfred(s, value);
    }
    case tok::machine:
    case tok::machinebusspeed:
    case tok::machineromversion:
    case tok::machineserialnumber:
    case tok::processor:
    case tok::processorcount:
    case tok::processorspeed:
    case tok::physicalmemory: {
      const bool longmachine = fn == tok::machine &&
                               (modifier == tok::long_ || modifier == tok::text || modifier == tok::full);
      const i16 selector = fn == tok::machine             ? (longmachine ? 3 : 4)
                           : fn == tok::processor         ? 6
                           : fn == tok::processorcount    ? 7
                           : fn == tok::processorspeed    ? 8
                           : fn == tok::physicalmemory    ? 9
                           : fn == tok::machinebusspeed   ? 10
                           : fn == tok::machineromversion ? 11
                                                          : 12;
      Str255 s;
      setpstring(s, fn == tok::processorcount ? "1" : fn == tok::machineserialnumber ? "N/A" : "Unknown");
      i16 st = hardware_profiler(selector, s);
      if (st != 0 && fn == tok::processor) return st;
      return stringtonewfred(s, value);
    }
    case tok::audiodriververs:
    case tok::audioplaymode:
    case tok::audiostatus:
    case tok::audiotrackcount: return err::notbuilt;
    default: return funzerostate(fn, modifier, value);
  }
}

}  // namespace

scriptstatus funzero(hierpath, Handle, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  i32 used = 0;
  if (h.the) {
    used = 2;
  } else {
    if (tokenat(atoms, h.word + 1) != tok::leftparen) return err::noparens;
    i32 i = h.word + 2;
    if (tokenat(atoms, i) != tok::rightparen) {
      if (!modifierallowed(h.token, atoms, i)) return err::noparen;
      ++i;
      if (tokenat(atoms, i) != tok::rightparen) return err::noparen;
    }
    used = i + 1 - at;
  }
  if (pluginrefused(h.token) && mainglobals().plugin != 0) return err::pluginfunction;
  u16 modifier = h.the ? u16(0) : tokenat(atoms, h.word + 2);
  if (modifier == tok::rightparen) modifier = 0;
  i16 st = answer(h.token, variables, value, modifier);
  if (st == 0) *count = used;
  return st;
}

}  // namespace kv
