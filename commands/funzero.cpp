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

enum : u16 {
  fnAudioDriverVers = 3007,
  fnAudioPlayMode = 3008,
  fnAudioStatus = 3009,
  fnAudioTrackCount = 3010,
  fnBackScripts = 3014,
  fnErrorObject = 3045,
  fnFilePlayTime = 3052,
  fnFrontScripts = 3059,
  fnGlobals = 3062,
  fnMachine = 3082,
  fnMachineBusSpeed = 3083,
  fnMachineROMVersion = 3084,
  fnMachineSerialNumber = 3085,
  fnPhysicalMemory = 3113,
  fnProcessor = 3126,
  fnProcessorCount = 3127,
  fnProcessorSpeed = 3128,
  fnMenus = 3087,
  fnMsgText = 3089,
  fnPaperSize = 3108,
  fnPaperSizes = 3109,
  fnParamCount = 3111,
  fnParams = 3112,
  fnPlatform = 3115,
  fnQtFilePlayTime = 3137,
  fnQuickTimeVersion = 3138,
  fnRecogState = 3140,
  fnSound = 3164,
  fnSoundDevices = 3165,
  fnApplications = 3004,
  fnPrograms = 3129,
  fnSoundMgrVersion = 3166,
  fnProjects = 3130,
  fnProjectFileType = 3132,
  fnProjectFileCreator = 3133,
  fnProjectFileExtension = 3134,
  fnResult = 3143,
  fnSharedFile = 3159,
  fnSpeechBusy = 3167,
  fnStackSpace = 3169,
  fnSystemVersion = 3173,
  fnTarget = 3175,
  fnTicks = 3177,
  fnTopWindow = 3180,
  fnUserWindows = 3185,
  fnVoices = 3188,
  fnWindows = 3189,
  fnXWindows = 3193,
  fnCarbonVersion = 4059,
  fnClipBoard = 3024,
  fnScrapFlavors = 3149,
};

// Modifier words allowed inside the parentheses.
enum : u16 {
  tokId = 4137,
  tokName = 4183,
  tokFull = 11121,
  tokInches = 11136,
  tokShort = 9001,
  tokLong = 9002,
  tokAbbreviated = 9003,
  tokText = 11311,
};

constexpr i16 statusnotavailable = 124, statuspluginfunction = 176;

// The functions refused in plug-in mode.
bool pluginrefused(u16 fn) {
  switch (fn) {
    case fnMenus: case fnProjects: case fnSharedFile: case fnSpeechBusy: case fnTopWindow:
    case fnUserWindows: case fnVoices: case fnWindows: case fnXWindows:
      return true;
    default: return false;
  }
}

// Whether a word may stand between the parentheses of the function.
bool modifierallowed(u16 fn, Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  switch (fn) {
    case fnWindows:
    case fnMenus: return t == tokId;
    case fnSystemVersion: return t == tokLong;
    case fnMachine: return t == tokLong || t == tokText || t == tokFull || t == tokShort || t == tokAbbreviated;
    case fnPaperSize:
    case fnPaperSizes: return t == tokInches || t == tokName;
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
  if (h == nilhandle) return statusnomemory;
  i16 st = build(h);
  if (st == 0) st = handtonewfred(h, value);
  DisposeHandle(h);
  return st;
}

i16 answer(u16 fn, Handle variables, fred* value, u16 modifier) {
  const bool longform = modifier == tokLong;
  MainGlobals& g = mainglobals();
  switch (fn) {
    case fnClipBoard: return clipname(value);
    case fnScrapFlavors: return clipflavors(value);
    case fnResult: return handletext(g.result, value);
    case fnTarget: return handletext(g.target, value);
    case fnMsgText: return handletext(g.msgpending, value);
    case fnErrorObject: return handletext(g.erroroffset == -1 ? nilhandle : g.faildescriptor, value);
    case fnParamCount: return paramcount(variables, value);
    case fnParams: return params(variables, value);
    case fnFrontScripts:
    case fnBackScripts: return hiertofred(fn == fnFrontScripts ? 1 : 0, value);
    case fnGlobals: return globaltofred(value);
    case fnTicks:
      longtonewfred(i32(TickCount()), value);
      return 0;
    case fnStackSpace: {
      std::size_t left = stackremaining();
      longtonewfred(i32(std::min<std::size_t>(left > 65536 ? left - 65536 : 0, 0x7FFFFFFF)), value);
      return 0;
    }
    case fnPlatform: return textonewfred("Macintosh", value);
    case fnProjectFileType: return textonewfred("MDOx", value);
    case fnProjectFileCreator: return textonewfred("VIZu", value);
    case fnProjectFileExtension: return textonewfred(".kv45", value);
    case fnSystemVersion:
    case fnQuickTimeVersion:
    case fnCarbonVersion:
    case fnSoundMgrVersion: {
      Str255 s;
      if (fn == fnSystemVersion && longform) getsystemverstring(s);
      else if (fn == fnSystemVersion) getverstring(fourcc("sysv"), 0, s);
      else if (fn == fnQuickTimeVersion) getverstring(fourcc("qtim"), 1, s);
      else if (fn == fnCarbonVersion) getverstring(fourcc("cbon"), 0, s);
      else soundmgrverstr(s);
      return stringtonewfred(s, value);
    }
    case fnSoundDevices: return listvalue(buildevices, value);
    case fnApplications: {
      Handle h = nilhandle;
      if (i16 st = listapplications(&h)) return st;
      i16 st = handtonewfred(h, value);
      DisposeHandle(h);
      return st;
    }
    case fnPrograms: {
      Handle h = NewHandle(0);
      if (h == nilhandle) return statusnomemory;
      buildprograms(h);
      i16 st = handtonewfred(h, value);
      DisposeHandle(h);
      return st;
    }
    case fnVoices: {
      // Speech is always there; a failure to list the voices is no script error.
      Handle h = NewHandle(0);
      if (h == nilhandle) return statusnomemory;
      buildvoices(h);
      i16 st = handtonewfred(h, value);
      DisposeHandle(h);
      return st;
    }
    case fnSound: return soundname(value);
    case fnSpeechBusy:
      checkspeech();
      longtonewfred(speechitems(), value);
      return 0;
    case fnRecogState: {
      Str255 s;
      getrecogstate(s);
      return stringtonewfred(s, value);
    }
    case fnFilePlayTime:
    case fnQtFilePlayTime: {
      Str255 s;
      getmoovfileplaytime(s);
      return stringtonewfred(s, value);
    }
    case fnMachine:
    case fnMachineBusSpeed:
    case fnMachineROMVersion:
    case fnMachineSerialNumber:
    case fnProcessor:
    case fnProcessorCount:
    case fnProcessorSpeed:
    case fnPhysicalMemory: {
      const bool longmachine = fn == fnMachine && (modifier == tokLong || modifier == tokText || modifier == tokFull);
      const i16 selector = fn == fnMachine ? (longmachine ? 3 : 4)
                           : fn == fnProcessor ? 6
                           : fn == fnProcessorCount ? 7
                           : fn == fnProcessorSpeed ? 8
                           : fn == fnPhysicalMemory ? 9
                           : fn == fnMachineBusSpeed ? 10
                           : fn == fnMachineROMVersion ? 11
                                                       : 12;
      Str255 s;
      setpstring(s, fn == fnProcessorCount ? "1" : fn == fnMachineSerialNumber ? "N/A" : "Unknown");
      i16 st = hardware_profiler(selector, s);
      if (st != 0 && fn == fnProcessor) return st;
      return stringtonewfred(s, value);
    }
    case fnAudioDriverVers:
    case fnAudioPlayMode:
    case fnAudioStatus:
    case fnAudioTrackCount: return statusnotavailable;
    default: return funzerostate(fn, modifier, value);
  }
}

}  // namespace

i16 funzero(hierpath, Handle, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  i32 used = 0;
  if (h.the) {
    used = 2;
  } else {
    if (tokenat(atoms, h.word + 1) != tokLeftParen) return statusfunctionparen;
    i32 i = h.word + 2;
    if (tokenat(atoms, i) != tokRightParen) {
      if (!modifierallowed(h.token, atoms, i)) return statusfunctionclose;
      ++i;
      if (tokenat(atoms, i) != tokRightParen) return statusfunctionclose;
    }
    used = i + 1 - at;
  }
  if (pluginrefused(h.token) && mainglobals().plugin != 0) return statuspluginfunction;
  u16 modifier = h.the ? u16(0) : tokenat(atoms, h.word + 2);
  if (modifier == tokRightParen) modifier = 0;
  i16 st = answer(h.token, variables, value, modifier);
  if (st == 0) *count = used;
  return st;
}

}  // namespace kv
