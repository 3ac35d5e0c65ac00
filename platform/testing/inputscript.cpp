#include "platform/testing/inputscript.h"

#include <cctype>
#include <functional>
#include <vector>

#include <strings.h>

#include "platform/events/eventrecord.h"
#include "platform/events/keycodes.h"
#include "platform/testing/driver.h"
#include "platform/testing/quoted.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

// Splits a line into words; a quoted word keeps its blanks ("" inside is one quote).
bool words(std::string_view line, std::vector<std::string>* out, std::vector<bool>* quoted) {
  std::size_t i = 0;
  while (i < line.size()) {
    if (std::isspace(u8(line[i]))) {
      ++i;
      continue;
    }
    std::string w;
    if (line[i] == '"') {
      if (!readquoted(line, i, &w)) return false;
      out->push_back(w);
      quoted->push_back(true);
      continue;
    }
    while (i < line.size() && !std::isspace(u8(line[i]))) w += line[i++];
    out->push_back(w);
    quoted->push_back(false);
  }
  return true;
}

bool number(const std::string& s, i32* v) {
  if (s.empty() || s.size() > 7) return false;
  std::size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (i == s.size()) return false;
  i32 n = 0;
  for (; i < s.size(); ++i) {
    if (!std::isdigit(u8(s[i]))) return false;
    n = n * 10 + (s[i] - '0');
  }
  *v = s[0] == '-' ? -n : n;
  return true;
}

bool point(const std::string& s, Point* p) {
  std::size_t comma = s.find(',');
  i32 x = 0, y = 0;
  if (comma == std::string::npos || !number(s.substr(0, comma), &x) || !number(s.substr(comma + 1), &y)) return false;
  if (x < -32767 || x > 32767 || y < -32767 || y > 32767) return false;
  *p = Point{i16(y), i16(x)};
  return true;
}

bool modifier(const std::string& s, u16* mods) {
  struct M {
    const char* name;
    u16 bit;
  };
  static constexpr M kMods[] = {{"cmd", cmdKey},       {"command", cmdKey},    {"shift", shiftKey},
                                {"option", optionKey}, {"alt", optionKey},     {"control", controlKey},
                                {"ctrl", controlKey},  {"capslock", alphaLock}};
  for (const M& m : kMods) {
    if (strcasecmp(s.c_str(), m.name) == 0) {
      *mods = u16(*mods | m.bit);
      return true;
    }
  }
  return false;
}

bool is(const std::string& w, const char* name) { return strcasecmp(w.c_str(), name) == 0; }

// One parsed line, ready to schedule.
using Action = std::function<void()>;

bool parse(const std::vector<std::string>& w, const std::vector<bool>& q, Action* act) {
  const std::string& verb = w[0];
  std::size_t n = w.size();
  u16 mods = 0;
  auto modsfrom = [&](std::size_t first) {
    for (std::size_t i = first; i < n; ++i)
      if (q[i] || !modifier(w[i], &mods)) return false;
    return true;
  };
  Point a{0, 0}, b{0, 0};
  i32 v = 0;
  if (is(verb, "click") || is(verb, "doubleClick") || is(verb, "mouseDown")) {
    if (n < 2 || !point(w[1], &a) || !modsfrom(2)) return false;
    if (is(verb, "click")) *act = [a, mods] { drive::click(a, mods); };
    else if (is(verb, "doubleClick")) *act = [a, mods] { drive::doubleClick(a, mods); };
    else *act = [a, mods] { drive::mouseDown(a, mods); };
    return true;
  }
  if (is(verb, "moveTo")) {
    if (n != 2 || !point(w[1], &a)) return false;
    *act = [a] { drive::moveTo(a); };
    return true;
  }
  if (is(verb, "mouseUp") || is(verb, "suspend") || is(verb, "resume") || is(verb, "quitRequest")) {
    if (n != 1) return false;
    if (is(verb, "mouseUp")) *act = [] { drive::mouseUp(); };
    else if (is(verb, "suspend")) *act = [] { drive::suspend(); };
    else if (is(verb, "resume")) *act = [] { drive::resume(); };
    else *act = [] { drive::quitRequest(); };
    return true;
  }
  if (is(verb, "drag")) {
    if (n < 3 || !point(w[1], &a) || !point(w[2], &b)) return false;
    i32 ticks = 10;
    std::size_t next = 3;
    if (n > 3 && number(w[3], &ticks)) next = 4;
    if (ticks < 1 || ticks > 36000 || !modsfrom(next)) return false;
    *act = [a, b, ticks, mods] { drive::drag(a, b, u32(ticks), mods); };
    return true;
  }
  if (is(verb, "key")) {
    if (n < 2 || !modsfrom(2)) return false;
    u8 code = 0xFF;
    if (q[1]) {
      std::string mr = utf8tomacroman(w[1]);
      if (mr.size() != 1) return false;
      u8 ch = u8(mr[0]);
      *act = [ch, mods] { drive::keychar(ch, mods); };
      return true;
    }
    if (number(w[1], &v) && w[1].size() > 1) {
      if (v < 0 || v > 127) return false;
      code = u8(v);
    } else {
      code = keycodenamed(w[1].c_str());
    }
    if (code == 0xFF) return false;
    *act = [code, mods] { drive::key(code, mods); };
    return true;
  }
  if (is(verb, "type")) {
    if (n != 2 || !q[1]) return false;
    std::string mr = utf8tomacroman(w[1]);
    *act = [mr] { drive::type(mr); };
    return true;
  }
  if (is(verb, "compose")) {
    if (n != 3 || !q[1] || !number(w[2], &v) || v < 0) return false;
    const std::string text = w[1];
    *act = [text, v] { drive::compose(text, i32(v)); };
    return true;
  }
  if (is(verb, "commit")) {
    if (n != 2 || !q[1]) return false;
    const std::string text = w[1];
    *act = [text] { drive::commit(text); };
    return true;
  }
  if (is(verb, "wheel")) {
    if (n < 3 || n > 4 || !point(w[1], &a) || !number(w[2], &v)) return false;
    bool horizontal = n == 4 && is(w[3], "horizontal");
    if (n == 4 && !horizontal) return false;
    *act = [a, v, horizontal] { drive::wheel(a, v, horizontal); };
    return true;
  }
  if (is(verb, "openDocuments")) {
    if (n < 2) return false;
    std::vector<std::string> paths(w.begin() + 1, w.end());
    *act = [paths] { drive::openDocuments(paths); };
    return true;
  }
  if (is(verb, "dropFiles")) {
    if (n < 3 || !point(w[1], &a)) return false;
    for (std::size_t i = 2; i < n; ++i)
      if (!q[i]) return false;
    std::vector<std::string> paths(w.begin() + 2, w.end());
    *act = [a, paths] { drive::dropFiles(a, paths); };
    return true;
  }
  if (is(verb, "dropText")) {
    if (n != 3 || !point(w[1], &a) || !q[2]) return false;
    const std::string text = w[2];
    *act = [a, text] { drive::dropText(a, text); };
    return true;
  }
  if (is(verb, "advance")) {
    if (n != 2 || !number(w[1], &v) || v < 0) return false;
    *act = [v] { drive::advance(u32(v)); };
    return true;
  }
  return false;
}

}  // namespace

bool runinputscript(std::string_view text, std::string* error) {
  std::vector<Action> actions;
  int lineno = 0;
  std::string_view line;
  while (takeline(text, &line)) {
    ++lineno;
    std::vector<std::string> w;
    std::vector<bool> q;
    bool ok = words(line, &w, &q);
    if (ok && (w.empty() || (!q[0] && w[0][0] == '#'))) continue;
    Action act;
    if (!ok || q[0] || !parse(w, q, &act)) {
      if (error) *error = "input line " + std::to_string(lineno) + ": cannot read \"" + std::string(line) + "\"";
      return false;
    }
    actions.push_back(std::move(act));
  }
  for (const Action& a : actions) a();
  return true;
}

}  // namespace kv
