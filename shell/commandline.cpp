#include "shell/commandline.h"

#include <vector>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "shell/mainglobals.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/forms.h"

namespace kv {

namespace {

constexpr i16 statusstray = 19, statusbareword = 2, statusnomemory = 37;

// The message path of a request: the current card's, or with no window open the empty
// context's (the shared-project entry alone).
struct requestpath {
  std::vector<hier> path = std::vector<hier>(pathentries);
  i16 status = 0;
  requestpath() {
    const desk& d = mainglobals().current;
    if (d.window != nilid) {
      status = cardpath(d, path);
      return;
    }
    static constexpr u8 none[] = "\x00";
    status = makehier(nilhandle, hiershared, none, &path[0]);
  }
  ~requestpath() { dumphier(path); }
};

// A tokenised copy of a text; both handles released with it.
struct tokens {
  Handle text = nilhandle;
  Handle atoms = nilhandle;
  i16 status = 0;
  explicit tokens(std::string_view s) {
    if (PtrToHand(s.data(), &text, Size(s.size())) != noErr) {
      status = statusnomemory;
      return;
    }
    status = tokenize(text, &atoms);
  }
  ~tokens() {
    if (atoms != nilhandle) DisposeHandle(atoms);
    if (text != nilhandle) DisposeHandle(text);
  }
};

}  // namespace

std::string failuretext(i16 status) {
  Str255 text;
  scripterrortext(status, text);
  return "Veltrix Error Number " + std::to_string(status) + ": " + macromantoutf8(pstringview(text)) + "\n";
}

i16 evaluatetext(std::string_view text, std::string* value) {
  value->clear();
  requestpath p;
  if (p.status != 0) return p.status;
  tokens t(text);
  if (t.status != 0) return t.status;
  if (tokenat(t.atoms, 0) == tokEndOfLine || tokenat(t.atoms, 0) == tokEndOfScript) return 0;
  MainGlobals& g = mainglobals();
  i32 literals = g.unquotedliterals;
  fred v;
  i32 used = 0;
  i16 st = expression(p.path, t.text, t.atoms, 0, g.globalvars, nilhandle, &used, &v);
  if (st != 0) return st;
  u16 after = tokenat(t.atoms, used);
  if (after != tokEndOfLine && after != tokEndOfScript) st = statusstray;
  if (st == 0 && g.unquotedliterals != literals) st = statusbareword;
  if (st == 0) {
    Size n = getfredsize(&v);
    value->assign(reinterpret_cast<const char*>(fredaddr(&v)), size_t(n));
  }
  disposfred(&v);
  return st;
}

i16 doscripttext(std::string_view text) {
  requestpath p;
  if (p.status != 0) return p.status;
  Handle vars = NewHandle(0);
  if (vars == nilhandle) return statusnomemory;
  i16 st = 0;
  size_t start = 0;
  while (st == 0 && start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    tokens t(text.substr(start, end - start));
    st = t.status;
    if (st == 0 && tokenat(t.atoms, 0) != tokEndOfLine && tokenat(t.atoms, 0) != tokEndOfScript)
      st = sendmes(p.path, t.text, t.atoms, 0, vars, nullptr, sendmescommand);
    start = end + 1;
  }
  dumpvars(vars);
  // Internal statuses (exit to kestrove, return) end the script without failing.
  return st < 0 ? i16(0) : st;
}

i16 openprojectpath(std::string_view path) {
  std::string name = utf8tomacroman(path);
  if (name.size() > 255) return 14;
  form f{};
  f.wind.selector = selnumber;
  f.wind.value = 1;
  pstrassign(f.proj.name, 256, name.data(), name.size());
  i16 st = openwindow(f, 0, 0);
  return st == kCardChanged ? i16(0) : st;
}

void closeallwindows() {
  MainGlobals& g = mainglobals();
  while (g.numwinds > 0 && g.winds != nilhandle) {
    g.current = HandleAs<desk>(g.winds)[0];
    dumpcurrent();
  }
}

int runrequests(const std::vector<clirequest>& requests, std::string* out, std::string* err) {
  for (const clirequest& r : requests) {
    std::string text = utf8tomacroman(r.text);
    i16 st = 0;
    if (r.evaluate) {
      std::string value;
      st = evaluatetext(text, &value);
      if (st == 0) *out += macromantoutf8(value) + "\n";
    } else {
      st = doscripttext(text);
    }
    if (st > 0) {
      *err += failuretext(st);
      return 1;
    }
  }
  return 0;
}

}  // namespace kv
