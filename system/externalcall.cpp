// Finding the external a message names and calling it: the parameters evaluated into the
// parameter block, the callback entry set, the code run, its return value turned into `the
// result` or the function's value. Also the memory services every external gets.
#include <algorithm>
#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/loader/loader.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "store/starfile.h"
#include "system/externals.h"
#include "system/externalstate.h"
#include "system/nativecall.h"
#include "system/proctable.h"
#include "system/xservices.h"

namespace kv {

namespace {

constexpr i16 kCallbackSlot = 440;

// --- The memory services -----------------------------------------------------------------------

kv_handle svcnewhandle(i32 size) {
  Handle h = NewHandle(size);
  xstate().memerror = MemError();
  return h;
}

void svcdisposehandle(kv_handle h) {
  ExternalState& x = xstate();
  x.locked.erase(h);
  DisposeHandle(h);
  x.memerror = MemError();
}

i32 svcgethandlesize(kv_handle h) {
  i32 n = i32(GetHandleSize(h));
  xstate().memerror = MemError();
  return n;
}

void svcsethandlesize(kv_handle h, i32 size) {
  ExternalState& x = xstate();
  // A locked handle keeps its bytes where they are, so it keeps its size.
  if (x.locked.contains(h) && IsValidHandle(h) && GetHandleSize(h) != size) {
    x.memerror = memLockedErr;
    return;
  }
  SetHandleSize(h, size);
  x.memerror = MemError();
}

void* svchlock(kv_handle h) {
  ExternalState& x = xstate();
  if (!IsValidHandle(h)) {
    x.memerror = nilHandleErr;
    return nullptr;
  }
  HLock(h);
  x.locked.insert(h);
  x.memerror = noErr;
  return deref(h);
}

void svchunlock(kv_handle h) {
  ExternalState& x = xstate();
  x.locked.erase(h);
  HUnlock(h);
  x.memerror = IsValidHandle(h) ? noErr : nilHandleErr;
}

i16 svcmemerror() { return xstate().memerror; }

constexpr kv_services kServices = {KV_INTERFACE_VERSION, sizeof(kv_services), svcnewhandle, svcdisposehandle,
                                   svcgethandlesize,     svcsethandlesize,    svchlock,     svchunlock,
                                   svcmemerror};

// --- Lookup --------------------------------------------------------------------------------------

bool hasexternals(RegistryId project) {
  const projectstore* st = findprojectstore(project);
  return st != nullptr && (st->externalscount > 0 || st->fileexternalscount > 0);
}

// The first loaded entry of a project's file-loaded list with that key, class and name.
bool findfileentry(RegistryId project, ConstStringPtr name, u32 key, u8 lookupclass, xentry* out) {
  const projectstore* st = findprojectstore(project);
  if (st == nullptr || st->fileexternals == nilhandle) return false;
  std::size_t n = std::min<std::size_t>(std::size_t(std::max(st->fileexternalscount, 0)),
                                        std::size_t(HandleCount<xfileentry>(st->fileexternals)));
  const xfileentry* list = HandleAs<xfileentry>(st->fileexternals);
  for (std::size_t i = 0; i < n; ++i) {
    const xentry& e = list[i].entry;
    if (e.namekey == key && e.lookupclass == lookupclass && e.code != 0 && e.inuse != 0 &&
        myequalstring(list[i].name, name)) {
      *out = e;
      return true;
    }
  }
  return false;
}

// The project's registry, then its file-loaded list.
bool findin(RegistryId project, ConstStringPtr name, u32 key, u8 lookupclass, xentry* out, i16* failure) {
  if (!hasexternals(project)) return false;
  return lowfind(name, key, project, lookupclass, out, failure) != 0 ||
         findfileentry(project, name, key, lookupclass, out);
}

bool firstbyte(Handle atoms, Handle text, i32 at, u8 c) {
  const atom& a = HandleAs<atom>(atoms)[at];
  return a.length >= 1 && Size(a.offset) < GetHandleSize(text) && deref(text)[a.offset] == c;
}

// The text handle of the variable named at atom `at`, its value made text in place; none when
// there is no such variable.
Handle variabletext(Handle atoms, i32 at, Handle text, Handle variables) {
  if (at >= i32(HandleCount<atom>(atoms))) return nilhandle;
  atom a = HandleAs<atom>(atoms)[at];
  varentry e;
  if (variables == nilhandle || findvars(&a, text, variables, &e) != 0) return nilhandle;
  HandleAs<atom>(atoms)[at] = a;
  fred w = *HandleAs<fred>(e.value);
  i16 st = formatfred(&w, fredhand);
  disposfred(&w);
  return st == 0 ? HandleAs<fred>(e.value)->text : nilhandle;
}

// Evaluates the parameter expression at `at` into a new text handle: 0, or its error.
scriptstatus parametertext(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, Handle* out) {
  fred v{};
  i16 st;
  {
    savedxcall keep;
    st = expression(path, text, atoms, at, variables, nilhandle, used, &v);
  }
  if (st != 0) return st;
  return valuetext(&v, out);
}

// Fills the block's parameters from the atoms after the name (`pos` the first of them). 0 with
// the count set, or the failure (the parameters made so far released).
scriptstatus makeparameters(hierpath path, Handle text, Handle atoms, i32 pos, Handle variables, bool function) {
  ExternalState& x = xstate();
  i16 count = 0;
  for (i16 i = 0; i < 16; ++i) {
    x.context.varlist[i] = 0;
    u16 t = tokenat(atoms, pos);
    if (function ? t == tok::rightparen : (t == tok::endofline || t == tok::endofscript)) break;
    if (i > 0) {
      if (function) {
        if (t != tok::comma) {
          dumpargs(count, x.context.varlist);
          return err::cantunderstand;
        }
        if (tokenat(atoms, ++pos) == tok::rightparen) break;
      } else if (t == tok::comma) {
        ++pos;
      }
    }
    Handle param = nilhandle;
    if (tokenat(atoms, pos) == tok::unknown && firstbyte(atoms, text, pos, '@')) {
      param = variabletext(atoms, pos + 1, text, variables);
      if (param == nilhandle) {
        dumpargs(count, x.context.varlist);
        return err::cantunderstand;
      }
      x.context.varlist[i] = 1;
      pos += 2;
    } else {
      i32 used = 0;
      if (i16 st = parametertext(path, text, atoms, pos, variables, &used, &param)) {
        dumpargs(count, x.context.varlist);
        return st;
      }
      pos += used;
    }
    x.xcmd.params[i] = param;
    count = i16(i + 1);
    x.xcmd.paramcount = count;
    if (appendcharhand(param, 0) != 0) {
      dumpargs(count, x.context.varlist);
      return err::nomemory;
    }
  }
  x.xcmd.paramcount = count;
  return 0;
}

// The external's return value: the function's value, or the text of `the result`.
void takereturnvalue(fred* result) {
  ExternalState& x = xstate();
  Handle returned = x.xcmd.returnvalue;
  if (returned == nilhandle) {
    if (result != nullptr) {
      disposfred(result);
      newfred(result, fredtemp, fredstring, 0);
    } else if (mainglobals().result != nilhandle) {
      SetHandleSize(mainglobals().result, 0);
    }
    return;
  }
  Handle copy = nilhandle;
  makezerohand(returned, &copy);
  if (result != nullptr) {
    disposfred(result);
    if (handtonewfred(copy, result) != 0) newfred(result, fredtemp, fredstring, 0);
  } else if (mainglobals().result != nilhandle) {
    handtohand(copy, mainglobals().result);
  }
  DisposeHandle(copy);
  if (IsValidHandle(returned)) DisposeHandle(returned);
}

// The classic call of a command or function external (kinds 3 and 4).
i16 classiccall(const xentry& e, hierpath path, Handle text, Handle atoms, i32 at, Handle variables, fred* result,
                i16* found) {
  ExternalState& x = xstate();
  bool function = result != nullptr;
  x.context.atoms = atoms;
  x.context.name = at;
  i32 pos = at + 1;
  if (function) {
    if (tokenat(atoms, pos) != tok::leftparen) return err::noparens;
    ++pos;
  }
  x.xcmd = kv_paramblock{};
  if (i16 st = makeparameters(path, text, atoms, pos, variables, function)) return st;
  u64 callback = getproc(kCallbackSlot);
  if (callback == 0) {
    dumpargs(x.xcmd.paramcount, x.context.varlist);
    return err::wentwrong;
  }
  x.xcmd.entrypoint = callback;
  x.xcmd.returnvalue = 0;
  x.xcmd.passflag = 0;
  x.context.hier = path;
  x.context.text = text;
  x.context.vars = variables;
  x.context.type = function ? xclassfunction : xclasscommand;
  if (memoryrefused(0)) {
    dumpargs(x.xcmd.paramcount, x.context.varlist);
    return err::nomemory;
  }
  x.context.codehand = e.namekey;
  *found = 1;
  WindowRef window = mainglobals().current.window;
  if (window != nilid) SetPortWindowPort(window);
  // The code may have gone while the parameters were evaluated (an external they ran rebuilt
  // the registry): the call is then skipped as for code that is not loaded.
  if (e.code != 0 && imageofcode(e.project, e.code, e.image) != nilid) callentry(e.image, e.entrypoint, &x.xcmd);
  if (window != nilid) SetPortWindowPort(window);
  takereturnvalue(result);
  i16 st = x.xcmd.passflag != 0 ? i16(-1000) : i16(x.errorcode);
  u16 flags[16];
  std::memcpy(flags, x.context.varlist, sizeof flags);
  dumpargs(x.xcmd.paramcount, flags);
  return st;
}

}  // namespace

ExternalState& xstate() { return state<ExternalState>(); }

savedxcall::savedxcall() : block_(xstate().xcmd), context_(xstate().context) {}

savedxcall::~savedxcall() {
  ExternalState& x = xstate();
  x.xcmd = block_;
  x.context = context_;
}

const kv_services* externalservices() { return &kServices; }

tokenised::tokenised(const void* bytes, Size n) {
  if (PtrToHand(bytes, &text, n) != noErr) status = err::nomemory;
  else status = tokenize(text, &atoms);
}

tokenised::~tokenised() {
  if (atoms != nilhandle) DisposeHandle(atoms);
  if (text != nilhandle) DisposeHandle(text);
}

runningimage::runningimage(RegistryId image) : image_(image) { xstate().running.push_back(image); }

runningimage::~runningimage() {
  ExternalState& x = xstate();
  auto at = std::find(x.running.rbegin(), x.running.rend(), image_);
  if (at != x.running.rend()) x.running.erase(std::next(at).base());
  // An external that had its own code unloaded while it ran is let go now.
  auto retired = std::find(x.retired.begin(), x.retired.end(), image_);
  if (retired != x.retired.end() && std::find(x.running.begin(), x.running.end(), image_) == x.running.end()) {
    x.retired.erase(retired);
    unlinkimage(image_);
    destroyimage(image_);
  }
}

void callentry(RegistryId image, u64 entrypoint, void* block) {
  runningimage running(image);
  reinterpret_cast<void (*)(void*, const kv_services*)>(static_cast<std::uintptr_t>(entrypoint))(block, &kServices);
}

void releasereferences(RegistryId project) {
  ExternalState& x = xstate();
  std::vector<RegistryId> ids;
  x.references.each([&](RegistryId id, const objread& obj) {
    if (project == nilid || obj.d.store == project) ids.push_back(id);
  });
  for (RegistryId id : ids) {
    std::unique_ptr<objread> obj = xstate().references.remove(id);
    if (obj) writeobj(obj.get());
  }
}

namespace {

// The look-up and call once some project lists an external; kept out of xlookup so that the
// common check sets up none of its frame.
[[gnu::noinline]] i16 findandcall(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i16* found,
                                  fred* result) {
  const MainGlobals& g = mainglobals();
  RegistryId current = g.current.store, shared = g.sharedstore == current ? nilid : g.sharedstore;
  // Most messages meet no external: nothing is named or hashed then.
  if (!hasexternals(current) && (shared == nilid || !hasexternals(shared))) return 0;
  u8 lookupclass = result != nullptr ? xclassfunction : xclasscommand;
  Str255 name;
  atomtostring(HandleAs<atom>(atoms)[at], text, name);
  u32 key = 0;
  getkey(name, &key);
  xentry e{};
  i16 failure = 0;
  if (!findin(current, name, key, lookupclass, &e, &failure) && !findin(shared, name, key, lookupclass, &e, &failure))
    return failure;
  if (e.kind == xkindnative) {
    *found = 1;
    return callxtn(e, path, atoms, at, text, variables, result);
  }
  i16 st = classiccall(e, path, text, atoms, at, variables, result, found);
  return st;
}

}  // namespace

scriptstatus xlookup(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i16* found, fred* result,
                     i16) {
  *found = 0;
  // Most runs list no external at all: the check is one count then.
  if (!hasstate<ExternalState>()) return 0;
  ExternalState& x = xstate();
  x.errorcode = 0;
  if (x.listed <= 0) return 0;
  return findandcall(path, text, atoms, at, variables, found, result);
}

void dumpargs(i16 count, const u16* flags) {
  ExternalState& x = xstate();
  for (i16 i = 0; i < std::min<i16>(count, 16); ++i) {
    Handle h = x.xcmd.params[i];
    x.xcmd.params[i] = 0;
    if (!IsValidHandle(h)) continue;
    if (flags[i] != 0) {
      // A variable's own text keeps its handle: only the zero byte added for the call goes.
      Size n = GetHandleSize(h);
      if (n > 0 && deref(h)[n - 1] == 0) SetHandleSize(h, n - 1);
    } else {
      DisposeHandle(h);
    }
  }
}

void makezerohand(Handle h, Handle* out) {
  Size n = IsValidHandle(h) ? GetHandleSize(h) : 0;
  const u8* p = n > 0 ? reinterpret_cast<const u8*>(deref(h)) : nullptr;
  const u8* zero = p != nullptr ? static_cast<const u8*>(std::memchr(p, 0, std::size_t(n))) : nullptr;
  Size keep = zero != nullptr ? Size(zero - p) : n;
  *out = nilhandle;
  if (PtrToHand(p, out, keep) != noErr) {
    *out = NewHandle(0);
    xstate().xcmd.result = 1;
  }
}

void initxcmdinfo() {
  ExternalState& x = xstate();
  const void* parts[7] = {&x.xcmd,      &x.context.hier, &x.context.atoms, &x.context.vars, &x.context.codehand,
                          &x.errorcode, &x.context.type};
  for (int i = 0; i < 7; ++i) x.xinfo[i] = u64(reinterpret_cast<std::uintptr_t>(parts[i]));
}

}  // namespace kv
