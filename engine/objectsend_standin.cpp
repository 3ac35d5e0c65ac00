// A stand-in for the object dispatch until it exists: the path holds the card's own levels and
// the shared project, without the inserted-script slots, and the cache keys are the long id
// texts of the objects.
#include <string>

#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "shell/mainglobals.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "store/records.h"
#include "store/reftexts.h"
#include "store/starfile.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNoStore = 104;
constexpr Size kScriptTail = 24;

std::string projecttext(RegistryId store) {
  desk d{};
  d.store = store;
  return longidtext(d, hierproject);
}

// The script text of a record's script handle, without its tail (none when absent).
Handle scripttextof(Handle script) {
  if (script == nilhandle || GetHandleSize(script) <= kScriptTail) return nilhandle;
  Handle h = nilhandle;
  PtrToHand(deref(script), &h, GetHandleSize(script) - kScriptTail);
  return h;
}

i16 level(Handle script, u16 lvl, const std::string& reference, hier* out) {
  Str255 ref{};
  setpstring(ref, std::string_view(reference).substr(0, 255));
  Handle text = scripttextof(script);
  i16 st = makehier(text, lvl, ref, out);
  if (text != nilhandle) DisposeHandle(text);
  return st;
}

template <class R>
Handle scriptof(Handle record) {
  return record == nilhandle ? nilhandle : Handle(loadat<R>(deref(record)).script);
}

// Sends a message along a path (when `st`, the status of building it, is 0) and releases the
// path.
i16 sendalong(std::vector<hier>& path, i16 st, std::string_view message) {
  Handle text = nilhandle, atoms = nilhandle, vars = NewHandle(0);
  if (st == 0 && (vars == nilhandle || PtrToHand(message.data(), &text, Size(message.size())) != noErr)) st = kNoMemory;
  if (st == 0) st = tokenize(text, &atoms);
  if (st == 0) st = sendmes(path, text, atoms, 0, vars, nullptr, sendmescommand);
  if (vars != nilhandle) dumpvars(vars);
  if (atoms != nilhandle) DisposeHandle(atoms);
  if (text != nilhandle) DisposeHandle(text);
  dumphier(path);
  return st;
}

}  // namespace

std::string longidtext(const desk& d, u16 lvl) {
  objread obj{};
  obj.d = d;
  switch (lvl) {
    case hiercard: obj.kind = objcard; break;
    case hierbackground: obj.kind = objbackground; break;
    case hierwindow: obj.kind = objwindow; break;
    default: obj.kind = objproject; break;
  }
  Str255 text{};
  buildreadback(obj, text);
  return std::string(pstringview(text));
}

i16 cardpath(const desk& d, std::vector<hier>& path) {
  path.assign(pathentries, hier{});
  i16 st = 0;
  auto add = [&](size_t at, Handle script, u16 lvl, const std::string& ref) {
    if (i16 e = level(script, lvl, ref, &path[at])) st = e;
  };
  add(0, scriptof<cardrec>(d.card), hiercard, longidtext(d, hiercard));
  add(1, scriptof<backrec>(d.back), hierbackground, longidtext(d, hierbackground));
  add(2, scriptof<windrec>(d.wind), hierwindow, longidtext(d, hierwindow));
  add(3, scriptof<headrec>(d.head), hierproject, longidtext(d, hierproject));
  const MainGlobals& g = mainglobals();
  if (g.sharedstore != nilid && g.sharedstore != d.store)
    add(4, scriptof<headrec>(g.sharedhead), hiershared, projecttext(g.sharedstore));
  else
    add(4, nilhandle, hiershared, "");
  return st;
}

i16 cardsend(std::string_view message, u16 mode, WindowRef window) {
  MainGlobals& g = mainglobals();
  if (g.lockMessages && mode != sendforced) return 0;
  desk d = g.current;
  if (window != nilid && window != d.window && !getwind(window, &d)) return kNoStore;
  if (findprojectstore(d.store) == nullptr) return kNoStore;
  u64 serial = g.current.serial;
  std::vector<hier> path;
  i16 st = cardpath(d, path);
  st = sendalong(path, st, message);
  // The window the message left current becomes current again.
  getflip(serial, &g.current);
  return st;
}

i16 sharesend(std::string_view message) {
  const MainGlobals& g = mainglobals();
  if (g.sharedstore == nilid) return 0;
  std::vector<hier> path(pathentries);
  i16 st = level(scriptof<headrec>(g.sharedhead), hiershared, projecttext(g.sharedstore), &path[0]);
  return sendalong(path, st, message);
}

}  // namespace kv
