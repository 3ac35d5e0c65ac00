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
#include "shell/menusets.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/forms.h"

namespace kv {

namespace {

constexpr i16 statusnomemory = 37;

// Whether a line holds a statement.
bool blankline(std::string_view line) {
  for (char c : line)
    if (c != ' ' && c != '\t') return false;
  return true;
}

}  // namespace

std::string failuretext(i16 status) {
  Str255 text;
  scripterrortext(status, text);
  return "Veltrix Error Number " + std::to_string(status) + ": " + macromantoutf8(pstringview(text)) + "\n";
}

i16 evaluatetext(std::string_view text, std::string* value) {
  value->clear();
  fred v;
  i16 st = evalsend(text, &v);
  if (st == 0) value->assign(reinterpret_cast<const char*>(fredaddr(&v)), size_t(getfredsize(&v)));
  disposfred(&v);
  return st;
}

i16 doscripttext(std::string_view text) {
  Handle vars = NewHandle(0);
  if (vars == nilhandle) return statusnomemory;
  i16 st = 0;
  size_t start = 0;
  while (st == 0 && start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (blankline(line)) continue;
    // With a window open each line goes to its current card, which reports an error (the
    // request runs whatever lockMessages says, as it would after the main loop cleared it);
    // on the empty context the lines share one set of variables.
    WindowRef w = mainglobals().current.window;
    st = w != nilid ? cardsend(line, sendforced, w) : xcomsend(line, vars, sendmescommand);
  }
  dumpvars(vars);
  // Internal statuses (exit to kestrove, return) end the script without failing.
  return st < 0 ? i16(0) : st;
}

i16 openprojectpath(std::string_view path, u16 shared) {
  std::string name = utf8tomacroman(path);
  if (name.size() > 255) return 14;
  form f{};
  f.wind.selector = selnumber;
  f.wind.value = 1;
  pstrassign(f.proj.name, 256, name.data(), name.size());
  i16 st = openwindow(f, shared, 0);
  return st == kCardChanged ? i16(0) : st;
}

void closeallwindows() {
  MainGlobals& g = mainglobals();
  while (g.numwinds > 0 && g.winds != nilhandle) {
    g.current = HandleAs<desk>(g.winds)[0];
    dumpcurrent();
  }
  // The menus placed by the projects let go of their records last.
  releasemenusets();
}

std::string messageboxtext() {
  Handle box = mainglobals().msgpending;
  if (box == nilhandle) return {};
  std::string text(reinterpret_cast<const char*>(deref(box)), size_t(GetHandleSize(box)));
  for (char& c : text)
    if (c == '\r') c = '\n';
  return macromantoutf8(text);
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
