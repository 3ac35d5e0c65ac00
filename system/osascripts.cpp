// The `script` function: scripting components opened and closed, source run at once, the open
// field's text checked or compiled into a stored script, stored scripts loaded, run, unloaded
// and edited (see osascripts.h).
#include "system/osascripts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "commands/dispatch.h"
#include "commands/functions.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterror.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/text/changecase.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "render/fielddrawing.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "store/namekey.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "system/xresources.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr i16 kNoField = -1;

struct OSAScriptsState {
  Handle components = nilhandle;  // ComponentEntry, in opening order
  ComponentInstance gScriptingComponent = 0;
  i32 gCurrentIndex = -1;
  ~OSAScriptsState() {
    if (components == nilhandle) return;
    const i32 n = i32(GetHandleSize(components) / Size(sizeof(ComponentEntry)));
    for (i32 i = 0; i < n; ++i) DisposeHandle(HandleAs<ComponentEntry>(components)[i].scripts);
    DisposeHandle(components);
  }
};

OSAScriptsState& ss() { return state<OSAScriptsState>(); }

i32 componentcount() {
  const Handle h = ss().components;
  return h == nilhandle ? 0 : i32(GetHandleSize(h) / Size(sizeof(ComponentEntry)));
}

ComponentEntry entryat(i32 index) { return HandleAs<ComponentEntry>(ss().components)[index]; }

i32 loadedcount(Handle list) { return list == nilhandle ? 0 : i32(GetHandleSize(list) / Size(sizeof(LoadedScript))); }

// The loaded-script list of the current component (none when no component is current).
Handle currentscripts() {
  const OSAScriptsState& s = ss();
  return s.gCurrentIndex >= 0 && s.gCurrentIndex < componentcount() ? entryat(s.gCurrentIndex).scripts : nilhandle;
}

void copyname(ConstStringPtr from, u8* to, std::size_t capacity) {
  const std::size_t n = std::min<std::size_t>(from[0], capacity - 1);
  to[0] = u8(n);
  std::memcpy(to + 1, from + 1, n);
}

// Component names compare as the system compares texts: case ignored, diacritics kept.
bool samecomponentname(ConstStringPtr a, ConstStringPtr b) {
  if (a[0] != b[0]) return false;
  for (int i = 1; i <= a[0]; ++i)
    if (macromanupper(a[i]) != macromanupper(b[i])) return false;
  return true;
}

std::string asstring(ConstStringPtr s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }

i16 interruptcheck() { return isabort(0); }

// Whether a name is a number (digits only, below 1,000,000,000), and its value: a script's id
// or resource id.
bool isidnumber(ConstStringPtr name, u32* id) {
  *id = 0;
  for (int i = 1; i <= name[0]; ++i) {
    if (name[i] < '0' || name[i] > '9' || *id >= 100000000) return false;
    *id = *id * 10 + u32(name[i] - '0');
  }
  return name[0] > 0;
}

// Every installed component that can compile, of the subtype (0: any).
ComponentDescription compilers(OSType subtype) {
  return ComponentDescription{kOSAComponentType, subtype, 0, kOSASupportsCompiling, kOSASupportsCompiling};
}

// The component's name; false when it cannot be had.
bool componentname(Component c, Str255 name) {
  Handle h = NewHandle(0);
  if (h == nilhandle) return false;
  const bool ok = GetComponentInfo(c, nullptr, h, nilhandle, nilhandle) == noErr && GetHandleSize(h) >= 1;
  if (ok) copyname(deref(h), name, 256);
  DisposeHandle(h);
  return ok;
}

// --- Reading the call ------------------------------------------------------------------------

struct Call {
  hierpath path;
  Handle text, atoms, variables;
  i32 pos;  // the next atom

  // The next argument, after the separator in front of it (skipped by position).
  i16 value(fred* v) {
    i32 used = 0;
    if (i16 st = expression(path, text, atoms, pos + 1, variables, nilhandle, &used, v)) return st;
    pos += 1 + used;
    return 0;
  }
  i16 name(Str255 out) {
    fred v{};
    if (i16 st = value(&v)) return st;
    fredtostring(&v, out);
    disposfred(&v);
    return 0;
  }
  i16 longtext(std::string* out) {
    fred v{};
    if (i16 st = value(&v)) return st;
    Handle h = nilhandle;
    const i16 st = fredtonewh(&v, &h);
    disposfred(&v);
    if (st != 0) return st;
    out->assign(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
    DisposeHandle(h);
    return 0;
  }
  // Whether ")" ends the call here (taken when it does).
  bool closes() {
    if (tokenat(atoms, pos) != tok::rightparen) return false;
    ++pos;
    return true;
  }
};

// --- Stored scripts --------------------------------------------------------------------------

struct Found {
  u32 resid = 0;
  Handle data = nilhandle;  // a copy, the caller's
  Str255 name{};
};

// The data of a record, copied (none when it cannot be had).
Handle recorddata(RegistryId project, u32 recordid) {
  Handle rec = nilhandle;
  checkerr(getvir(project, i32(recordid), &rec));
  Handle copy = GetHandleSize(rec) >= Size(sizeof(xresrec)) ? loadat<xresrec>(deref(rec)).data : nilhandle;
  if (copy != nilhandle && HandToHand(&copy) != noErr) copy = nilhandle;
  checkerr(putvir(project, i32(recordid)));
  return copy;
}

// Looks a stored script up in one project: by resource id when the text is a number, else by
// name.
bool lowscript(RegistryId project, ConstStringPtr name, Found* out) {
  if (project == nilid || findprojectstore(project) == nullptr) return false;
  u32 id = 0;
  const bool number = isidnumber(name, &id);
  u32 key = 0;
  getkey(name, &key);
  Handle lib = nilhandle;
  checkerr(getvir(project, kResourceLibrary, &lib));
  bookentry b{};
  bool hit = false;
  for (i32 position = 1; !hit && getbook(project, lib, position, &b) == 0; ++position) {
    if (b.word12 != kScriptResource) continue;
    Str255 recname{};
    if (number) {
      hit = b.word4 == id;
      if (hit) namevir(project, i32(b.recordid), recname);
    } else if (b.word8 == key && namevir(project, i32(b.recordid), recname) == 0 && myequalstring(recname, name)) {
      hit = true;
    }
    if (hit) {
      out->resid = b.word4;
      copyname(recname, out->name, 256);
    }
  }
  checkerr(putvir(project, kResourceLibrary));
  if (hit) out->data = recorddata(project, b.recordid);
  return hit;
}

// The current project first, then the shared project: 0 on a hit, 1 when there is none.
i16 findscript(ConstStringPtr name, Found* out) {
  const MainGlobals& g = mainglobals();
  if (lowscript(g.current.store, name, out)) return 0;
  if (g.sharedstore != nilid && g.sharedstore != g.current.store && lowscript(g.sharedstore, name, out)) return 0;
  return 1;
}

// --- Loaded scripts ----------------------------------------------------------------------------

i32 loadedbyname(Handle list, ConstStringPtr name) {
  for (i32 i = 0; i < loadedcount(list); ++i)
    if (myequalstring(HandleAs<LoadedScript>(list)[i].name, name)) return i;
  return -1;
}

i16 appendloaded(Handle list, OSAID id, ConstStringPtr name) {
  LoadedScript e{};
  e.id = id;
  copyname(name, e.name, sizeof e.name);
  PtrAndHand(&e, list, Size(sizeof e));
  return MemError() == noErr ? 0 : err::nomemory;
}

// The id of a loaded script, loading it from the projects when needed; false with the error
// text in `out` when it cannot be had.
bool ScriptIDFromName(ConstStringPtr name, OSAID* id, std::string* out) {
  Handle list = currentscripts();
  if (list == nilhandle) return false;
  if (i32 at = loadedbyname(list, name); at >= 0) {
    *id = HandleAs<LoadedScript>(list)[at].id;
    return true;
  }
  Found f;
  if (findscript(name, &f) != 0 || f.data == nilhandle || GetHandleSize(f.data) == 0 || f.name[0] == 0) {
    if (f.data != nilhandle) DisposeHandle(f.data);
    *out = "Error: Can't find script resource";
    return false;
  }
  // A script found by its resource id may be loaded under its name already.
  if (i32 at = loadedbyname(list, f.name); at >= 0) {
    DisposeHandle(f.data);
    *id = HandleAs<LoadedScript>(list)[at].id;
    return true;
  }
  AEDesc data;
  AECreateDesc(typeOSAGenericStorage, deref(f.data), GetHandleSize(f.data), &data);
  DisposeHandle(f.data);
  OSAID loaded = kOSANullScript;
  const OSAError e = OSALoad(ss().gScriptingComponent, &data, kOSAModeNull, &loaded, asstring(f.name));
  if (CheckError("OSALoad", e, out) != 0) return false;
  if (appendloaded(list, loaded, f.name) != 0) {
    OSADispose(ss().gScriptingComponent, loaded);
    *out = "Error: Can't find script resource";
    return false;
  }
  *id = loaded;
  return true;
}

// --- The forms ---------------------------------------------------------------------------------

// Evaluates the component argument and makes that component current: 1 with the error text
// when it is neither open nor can be opened.
i16 OpenSpecifiedComponent(Call& c, i16* st, std::string* out) {
  Str255 name{};
  if ((*st = c.name(name)) != 0) return 1;
  OSAScriptsState& s = ss();
  i32 index = -1;
  ComponentInstance ci = GetOpenComponent(name, &index);
  if (ci != 0) {
    s.gScriptingComponent = ci;
    return 0;
  }
  if (GetClosedComponent(name, &index) != 0) return 0;
  *out = "Error: Error opening component";
  return 1;
}

// The result of an execution as the value: the script's error message, the result shown as
// text, or the component status's text.
void executionvalue(ComponentInstance ci, OSAError e, OSAID result, std::string* out) {
  if (e == errOSAScriptError) {
    AEDesc message;
    if (CheckError("OSAScriptError", OSAScriptError(ci, kOSAErrorMessage, typeChar, &message), out) == 0)
      out->assign(message.data.begin(), message.data.end());
  } else if (CheckError("OSAExecute", e, out) == 0) {
    AEDesc shown;
    if (CheckError("OSADisplay", OSADisplay(ci, result, typeChar, kOSAModeNull, &shown), out) == 0)
      out->assign(shown.data.begin(), shown.data.end());
  }
  if (e == noErr) OSADispose(ci, result);
}

// `do`: compile, run, dispose. Answers a status that stopped the script (the user's cancel).
i16 RunUnCompiledScript(const std::string& source, std::string* out) {
  const ComponentInstance ci = ss().gScriptingComponent;
  AEDesc desc;
  if (AECreateDesc(typeChar, source.data(), Size(source.size()), &desc) != noErr) {
    *out = "Error: Error creating AEDescriptor";
    return 0;
  }
  OSAID script = kOSANullScript, result = kOSANullScript;
  if (CheckError("OSACompile", osacompileflagged(ci, desc, kOSAModeNull, &script), out) != 0) return 0;
  const OSAError e = osaexecuteflagged(ci, script, kOSAModeCanInteract, &result);
  OSADispose(ci, script);
  executionvalue(ci, e, result, out);
  return osatakeinterrupt();
}

i16 RunCompiledScript(ConstStringPtr name, std::string* out) {
  OSAID script = kOSANullScript, result = kOSANullScript;
  if (!ScriptIDFromName(name, &script, out)) {
    *out = "Error: Can't find that script";
    return 0;
  }
  // The script may have the program open or close components: the value comes from this one.
  const ComponentInstance ci = ss().gScriptingComponent;
  const OSAError e = osaexecuteflagged(ci, script, kOSAModeCanInteract, &result);
  executionvalue(ci, e, result, out);
  return osatakeinterrupt();
}

// Marks the open field's text changed: written back to its card when the field closes.
void markfieldchanged() {
  MainGlobals& g = mainglobals();
  g.fieldchanged = 1;
  g.openfieldchange = 1;
  SetWERecDirtyFlag(g.openfieldrec, true);
}

bool hasopenfield(std::string* out) {
  const MainGlobals& g = mainglobals();
  if (g.openfield != kNoField && isvalidwerec(g.openfieldrec)) return true;
  *out = "Error: Check and compile operate only on the open field";
  return false;
}

// Puts a script's source, with its styles, into a text record: the insertion point at the end,
// the view's top kept.
i16 weShowScript(WEReference we, OSAID id, std::string* out) {
  AEDesc styled, record, words, styles;
  if (CheckError("OSAGetSource", OSAGetSource(ss().gScriptingComponent, id, typeStyledText, &styled), out) != 0)
    return 0;
  if (CheckError("OSAGetSource", AECoerceDesc(styled, typeAERecord, &record), out) != 0) return 0;
  if (CheckError("OSAGetSource", AEGetParamDesc(record, keyText, typeChar, &words), out) != 0) return 0;
  const bool hasstyles = AEGetParamDesc(record, keyStyle, typeWildCard, &styles) == noErr;
  Handle h = nilhandle, scrap = nilhandle;
  if (PtrToHand(words.data.data(), &h, Size(words.data.size())) != noErr) return err::nomemory;
  if (hasstyles && PtrToHand(styles.data.data(), &scrap, Size(styles.data.size())) != noErr) {
    DisposeHandle(h);
    return err::nomemory;
  }
  LongRect dest{};
  WEGetDestRect(&dest, we);
  const i16 inhibit = WEFeatureFlag(weFInhibitRedraw, 1, we);
  const i32 length = i32(words.data.size());
  OSErr e = WEUseText(h, we);
  if (e != noErr) DisposeHandle(h);
  if (e == noErr && scrap != nilhandle) {
    WESetSelection(0, length, we);
    e = WEUseStyleScrap(scrap, we);
  }
  if (scrap != nilhandle) DisposeHandle(scrap);
  WESetSelection(length, length, we);
  WESetDestRect(&dest, we);
  if (e == noErr) e = WECalText(we);
  WEFeatureFlag(weFInhibitRedraw, inhibit, we);
  if (we == mainglobals().openfieldrec) markfieldchanged();
  drawopenfield();
  return e == noErr ? 0 : err::nomemory;
}

// `check` (no name) and `compile`: the open field's text compiled; a compile error selected in
// the field.
i16 CheckOrCompileField(ConstStringPtr name, std::string* out) {
  if (!hasopenfield(out)) return 0;
  MainGlobals& g = mainglobals();
  const WEReference we = g.openfieldrec;
  markfieldchanged();
  const ComponentInstance ci = ss().gScriptingComponent;
  AEDesc source;
  const Handle words = WEGetText(we);
  AECreateDesc(typeChar, deref(words), WEGetTextLength(we), &source);
  OSAID script = kOSANullScript;
  const OSAError e = osacompileflagged(ci, source, kOSAModeNull, &script);
  if (e != noErr) {
    AEDesc message, range;
    std::string text;
    if (OSAScriptError(ci, kOSAErrorMessage, typeChar, &message) == noErr)
      text.assign(message.data.begin(), message.data.begin() + std::min<std::size_t>(message.data.size(), 255));
    *out = "Error: " + text;
    i32 start = 0, end = 0;
    if (OSAScriptError(ci, kOSAErrorRange, typeAERecord, &range) == noErr) {
      AEGetParamPtr(range, keyOSASourceStart, typeSInt32, nullptr, &start, 4, nullptr);
      AEGetParamPtr(range, keyOSASourceEnd, typeSInt32, nullptr, &end, 4, nullptr);
    }
    {
      SavePort saved;
      SetPortWindowPort(g.openfieldwindow);
      WESetSelection(start, end, we);
    }
    drawopenfield();
    return 0;
  }
  if (i16 st = weShowScript(we, script, out)) {
    OSADispose(ci, script);
    return st;
  }
  const RegistryId project = g.current.store;
  if (name == nullptr || islocked(project) != 0) {
    OSADispose(ci, script);
    return 0;
  }
  i16 st = 0;
  AEDesc stored;
  if (CheckError("OSAStore", OSAStore(ci, script, typeOSAGenericStorage, kOSAModeNull, &stored), out) != 0) {
    OSADispose(ci, script);
    return 0;
  }
  Handle data = nilhandle;
  if (PtrToHand(stored.data.data(), &data, Size(stored.data.size())) != noErr) st = err::nomemory;
  if (st != 0) {
    OSADispose(ci, script);
    return st;
  }
  // The replacement goes in before the old record goes, so that a failed save keeps the old one.
  Found old;
  const bool hadold = lowscript(project, name, &old);
  if (old.data != nilhandle) DisposeHandle(old.data);
  const u32 resid = addres(kScriptResource, name, data, project);
  DisposeHandle(data);
  if (resid == 0) {
    OSADispose(ci, script);
    *out = "Error: Unable to save new script";
    return 0;
  }
  if (hadold) delresid(kScriptResource, old.resid, project);
  *out = std::to_string(resid);
  Handle list = currentscripts();
  if (i32 at = loadedbyname(list, name); at >= 0) {
    OSADispose(ci, HandleAs<LoadedScript>(list)[at].id);
    HandleAs<LoadedScript>(list)[at].id = script;
  } else if (appendloaded(list, script, name) != 0) {
    OSADispose(ci, script);
  }
  return 0;
}

i16 EditScript(ConstStringPtr name, std::string* out) {
  if (!hasopenfield(out)) return 0;
  OSAID script = kOSANullScript;
  if (!ScriptIDFromName(name, &script, out)) {
    *out = "Error: Can't find that script";
    return 0;
  }
  return weShowScript(mainglobals().openfieldrec, script, out);
}

void DisposeScript(ConstStringPtr name, std::string* out) {
  Handle list = currentscripts();
  u32 id = 0;
  const bool number = isidnumber(name, &id);
  i32 at = -1;
  for (i32 i = 0; at < 0 && i < loadedcount(list); ++i) {
    const LoadedScript& e = HandleAs<LoadedScript>(list)[i];
    if (number ? e.id == id : myequalstring(e.name, name)) at = i;
  }
  if (at < 0) {
    *out = "Error: No such script";
    return;
  }
  const OSAID gone = HandleAs<LoadedScript>(list)[at].id;
  Munger(list, at * i32(sizeof(LoadedScript)), nullptr, i32(sizeof(LoadedScript)), "", 0);
  OSADispose(ss().gScriptingComponent, gone);
}

// `close`: 1 when the component is not open.
i16 closecomponent(ConstStringPtr name, std::string* out) {
  OSAScriptsState& s = ss();
  i32 at = -1;
  for (i32 i = 0; at < 0 && i < componentcount(); ++i)
    if (samecomponentname(entryat(i).name, name)) at = i;
  if (at < 0) {
    *out = "Error: Component not found";
    return 1;
  }
  const ComponentEntry e = entryat(at);
  for (i32 i = 0; i < loadedcount(e.scripts); ++i) OSADispose(e.instance, HandleAs<LoadedScript>(e.scripts)[i].id);
  DisposeHandle(e.scripts);
  Munger(s.components, at * i32(sizeof(ComponentEntry)), nullptr, i32(sizeof(ComponentEntry)), "", 0);
  // The current component stays the one it was: none when it was this one, one place lower
  // when it came later.
  if (s.gCurrentIndex == at) {
    s.gCurrentIndex = -1;
    s.gScriptingComponent = 0;
  } else if (s.gCurrentIndex > at) {
    --s.gCurrentIndex;
  }
  CheckError("CloseComponent", CloseComponent(e.instance), out);
  return 0;
}

// `type`: the name of the first component of the stored script's storage type; 1 when the
// script or its type cannot be found.
i16 scripttype(ConstStringPtr name, std::string* out) {
  Found f;
  if (findscript(name, &f) != 0) {
    if (f.data != nilhandle) DisposeHandle(f.data);
    return 1;
  }
  DescType type = 0;
  const OSAError e = OSAGetStorageType(f.data, &type);
  if (f.data != nilhandle) DisposeHandle(f.data);
  if (e != noErr) return 1;
  ComponentDescription want = compilers(type);
  if (Component c = FindNextComponent(0, &want); c != 0) {
    Str255 cname{};
    *out = componentname(c, cname) ? asstring(cname) : "Error: Error getting component info";
    return 0;
  }
  char quoted[8];
  std::snprintf(quoted, sizeof quoted, "'%c%c%c%c'", char(type >> 24), char(type >> 16), char(type >> 8), char(type));
  *out = quoted;
  return 0;
}

// `list` without a component: the installed components that can compile.
i16 listinstalled(std::string* out) {
  const ComponentDescription want = compilers(0);
  std::string names;
  for (Component c = FindNextComponent(0, &want); c != 0; c = FindNextComponent(c, &want)) {
    Str255 name{};
    if (!componentname(c, name)) {
      if (names.empty()) CheckError("GetComponentInfo", invalidComponentID, &names);
      break;
    }
    if (!names.empty()) names += '\r';
    names += asstring(name);
  }
  *out = names;
  return 0;
}

// `list, comp`: the current project's stored scripts of that component's storage type.
void liststored(ConstStringPtr comp, std::string* out) {
  const ComponentDescription want = compilers(0);
  OSType subtype = 0;
  for (Component c = FindNextComponent(0, &want); c != 0 && subtype == 0; c = FindNextComponent(c, &want)) {
    Str255 name{};
    ComponentDescription d{};
    if (componentname(c, name) && myequalstring(name, comp) &&
        GetComponentInfo(c, &d, nilhandle, nilhandle, nilhandle) == noErr)
      subtype = d.componentSubType;
  }
  const RegistryId project = mainglobals().current.store;
  if (subtype == 0 || findprojectstore(project) == nullptr) return;
  Handle lib = nilhandle;
  checkerr(getvir(project, kResourceLibrary, &lib));
  bookentry b{};
  for (i32 position = 1; getbook(project, lib, position, &b) == 0; ++position) {
    if (b.word12 != kScriptResource) continue;
    Handle data = recorddata(project, b.recordid);
    DescType type = 0;
    const bool ofcomponent = data != nilhandle && OSAGetStorageType(data, &type) == noErr && type == subtype;
    if (data != nilhandle) DisposeHandle(data);
    Str255 name{};
    if (!ofcomponent || namevir(project, i32(b.recordid), name) != 0) continue;
    if (!out->empty()) *out += '\r';
    *out += asstring(name);
  }
  checkerr(putvir(project, kResourceLibrary));
}

std::string opennames() {
  std::string names;
  for (i32 i = 0; i < componentcount(); ++i) {
    if (i > 0) names += '\r';
    names += asstring(entryat(i).name);
  }
  return names;
}

std::string loadednames(Handle list) {
  std::string names;
  for (i32 i = 0; i < loadedcount(list); ++i) {
    if (i > 0) names += '\r';
    names += asstring(HandleAs<LoadedScript>(list)[i].name);
  }
  return names;
}

constexpr i16 kNoParen = -1;  // the form's last argument is not followed by ")"

// Runs one form: its status (kNoParen for a missing ")"); its value in `out`.
i16 runform(Call& c, u16 word, std::string* out) {
  i16 st = 0;
  Str255 name{};
  switch (word) {
    case tok::list: {
      const u16 variant = tokenat(c.atoms, c.pos);
      if (variant == tok::all || variant == tok::open) ++c.pos;
      if (c.closes()) {
        if (variant != tok::open) return listinstalled(out);
        *out = opennames();
        return 0;
      }
      if (variant == tok::open) {
        if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
        if (!c.closes()) return kNoParen;
        *out = loadednames(currentscripts());
        return 0;
      }
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      liststored(name, out);
      return 0;
    }
    case tok::open:
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      return c.closes() ? 0 : kNoParen;
    case tok::close:
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      return closecomponent(name, out);
    case tok::do_: {
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      std::string source;
      if ((st = c.longtext(&source)) != 0) return st;
      if (!c.closes()) return kNoParen;
      return RunUnCompiledScript(source, out);
    }
    case tok::check:
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      if (!c.closes()) return kNoParen;
      return CheckOrCompileField(nullptr, out);
    case tok::compile:
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      return CheckOrCompileField(name, out);
    case tok::load: {
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      OSAID id = kOSANullScript;
      ScriptIDFromName(name, &id, out);
      return 0;
    }
    case tok::run:
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      return RunCompiledScript(name, out);
    case tok::unload:
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      DisposeScript(name, out);
      return 0;
    case tok::edit:
      if (OpenSpecifiedComponent(c, &st, out) != 0) return st;
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      return EditScript(name, out);
    case tok::type:
      if ((st = c.name(name)) != 0) return st;
      if (!c.closes()) return kNoParen;
      return scripttype(name, out);
    default: return err::cantunderstand;
  }
}

}  // namespace

scriptstatus funscript(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  if (!mainglobals().lockCursor) SetThemeCursor(kThemeWatchCursor);
  if (tokenat(atoms, at + 1) != tok::leftparen) return err::noparens;
  setosainterruptcheck(&interruptcheck);
  const u16 word = tokenat(atoms, at + 2);
  Call c{path, text, atoms, variables, at + 3};
  std::string out;
  i16 st = runform(c, word, &out);
  if (st == kNoParen) {
    showerrordialog(err::noparen);
    if (word == tok::type) return 1;
    if (word == tok::close) return err::stray;
    out.clear();
    st = 0;
  }
  if (st != 0) return st;
  if (i16 e = charstonewfred(out.data(), Size(out.size()), value)) return e;
  *count = c.pos - at;
  return 0;
}

ComponentInstance GetOpenComponent(ConstStringPtr name, i32* index) {
  OSAScriptsState& s = ss();
  s.gCurrentIndex = -1;
  for (i32 i = 0; i < componentcount(); ++i) {
    const ComponentEntry e = entryat(i);
    if (samecomponentname(e.name, name)) {
      s.gCurrentIndex = i;
      *index = i;
      return e.instance;
    }
  }
  *index = -1;
  return 0;
}

ComponentInstance GetClosedComponent(ConstStringPtr name, i32* index) {
  OSAScriptsState& s = ss();
  const ComponentDescription want = compilers(0);
  for (Component c = FindNextComponent(0, &want); c != 0; c = FindNextComponent(c, &want)) {
    Str255 cname{};
    if (!componentname(c, cname) || !samecomponentname(cname, name)) continue;
    const ComponentInstance ci = OpenComponent(c);
    if (ci == 0) break;
    ComponentEntry e{};
    e.instance = ci;
    e.scripts = NewHandle(0);
    copyname(cname, e.name, sizeof e.name);
    if (s.components == nilhandle) s.components = NewHandle(0);
    if (e.scripts == nilhandle || s.components == nilhandle) {
      if (e.scripts != nilhandle) DisposeHandle(e.scripts);
      CloseComponent(ci);
      break;
    }
    PtrAndHand(&e, s.components, Size(sizeof e));
    if (MemError() != noErr) {
      DisposeHandle(e.scripts);
      CloseComponent(ci);
      break;
    }
    s.gCurrentIndex = componentcount() - 1;
    s.gScriptingComponent = ci;
    *index = s.gCurrentIndex;
    return ci;
  }
  s.gCurrentIndex = -1;
  s.gScriptingComponent = 0;
  *index = -1;
  return 0;
}

OSAError osacompileflagged(ComponentInstance ci, const AEDesc& source, i32 mode, OSAID* id) {
  setosainterruptcheck(&interruptcheck);
  const u16 was = osarunstate().compilingosa;
  osarunstate().compilingosa = 1;
  const OSAError e = OSACompile(ci, &source, mode, id);
  osarunstate().compilingosa = was;
  return e;
}

OSAError osaexecuteflagged(ComponentInstance ci, OSAID script, i32 mode, OSAID* result) {
  setosainterruptcheck(&interruptcheck);
  const u16 was = osarunstate().runningosa;
  osarunstate().runningosa = 1;
  osatakeinterrupt();  // a stop noted for an earlier run that nobody read
  const OSAError e = OSAExecute(ci, script, kOSANullScript, mode, result);
  osarunstate().runningosa = was;
  return e;
}

i16 CheckError(const char* routine, OSErr status, std::string* out) {
  if (status == noErr) return 0;
  const char* known = nullptr;
  switch (status) {
    case errAECoercionFail: known = "Data can't be coerced to requested type"; break;
    case errAEEventNotHandled: known = "Event type not supported by selected component"; break;
    case errOSASystemError: known = "General scripting system error"; break;
    case errOSAInvalidID: known = "Requested script unavailable"; break;
    case errOSABadStorageType: known = "Requested type not supported by this script component"; break;
    case errOSAScriptError: known = "Syntax or execution error"; break;
    case invalidComponentID: known = "Requested script component unavailable"; break;
    case badComponentInstance: known = "Invalid scripting component instance"; break;
    default: break;
  }
  if (known != nullptr) {
    *out = std::string("Error: ") + known;
  } else {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s: Unknown error = %ld", routine, long(status));
    *out = std::string("Error: ") + buf;
  }
  return 1;
}

ComponentInstance currentcomponent(i32* index) {
  *index = ss().gCurrentIndex;
  return ss().gScriptingComponent;
}

}  // namespace kv
