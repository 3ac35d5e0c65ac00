#include "tests/support/veltrix.h"

#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

Handle newtext(std::string_view s) {
  Handle h = nilhandle;
  PtrToHand(s.data(), &h, Size(s.size()));
  return h;
}

std::string handtext(Handle h) {
  if (h == nilhandle) return "";
  return std::string(reinterpret_cast<const char*>(deref(h)), size_t(GetHandleSize(h)));
}

std::string fredtext(fred* v) {
  Size n = getfredsize(v);
  return std::string(reinterpret_cast<const char*>(fredaddr(v)), size_t(n));
}

std::string lines(std::string_view s) {
  // Tests write lines with '\n'; scripts end lines with return.
  std::string out(s);
  for (char& c : out)
    if (c == '\n') c = '\r';
  return out;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const outcome& o) {
  return os << "{status " << o.status << ", \"" << o.value << "\"}";
}

void VeltrixTest::SetUp() {
  RuntimeTest::SetUp();
  ASSERT_EQ(initglobs(), 0);
}

void VeltrixTest::TearDown() {
  for (Handle h : owned_) DisposeHandle(h);
  owned_.clear();
  RuntimeTest::TearDown();
}

void VeltrixTest::script(std::string_view text) {
  levels_.push_back(level{lines(text), "script " + std::to_string(++serial_)});
}

void VeltrixTest::setscript(size_t index, std::string_view text) {
  ASSERT_LT(index, levels_.size());
  Str255 ref;
  setpstring(ref, levels_[index].reference);
  markhier(u16(hierobject + index), ref);
  levels_[index] = level{lines(text), "script " + std::to_string(++serial_)};
}

i16 VeltrixTest::buildpath(std::vector<hier>& path) {
  path.assign(pathentries, hier{});
  size_t n = 0;
  i16 status = 0;
  for (size_t i = 0; i < levels_.size() && n + 1 < path.size(); ++i, ++n) {
    Handle s = newtext(levels_[i].text);
    Str255 ref;
    setpstring(ref, levels_[i].reference);
    u16 lvl = u16(i + hierobject > size_t(hierproject) ? size_t(hierproject) : i + hierobject);
    if (i16 st = makehier(s, lvl, ref, &path[n]); st != 0) status = st;
    DisposeHandle(s);
  }
  static constexpr u8 shared[] = "\x00";
  if (i16 st = makehier(nilhandle, hiershared, shared, &path[n]); st != 0) status = st;
  return status;
}

Handle VeltrixTest::tokens(std::string_view text, Handle* textout) {
  *textout = newtext(lines(text));
  Handle atoms = nilhandle;
  EXPECT_EQ(tokenize(*textout, &atoms), 0);
  owned_.push_back(*textout);
  owned_.push_back(atoms);
  return atoms;
}

outcome VeltrixTest::evaluatetext(std::vector<hier>& path, std::string_view expr, bool whole) {
  Handle text = newtext(lines(expr));
  Handle atoms = nilhandle;
  tokenize(text, &atoms);
  Handle vars = NewHandle(0);
  fred v;
  i32 count = 0;
  outcome o;
  o.status = expression(path, text, atoms, 0, vars, nilhandle, &count, &v);
  if (o.status == 0) {
    o.value = fredtext(&v);
    disposfred(&v);
    u16 after = tokenat(atoms, count);
    if (whole) {
      EXPECT_TRUE(after == tok::endofline || after == tok::endofscript) << "words left after \"" << expr << "\"";
    }
  }
  dumpvars(vars);
  DisposeHandle(atoms);
  DisposeHandle(text);
  return o;
}

outcome VeltrixTest::evaluate(std::string_view expr) {
  std::vector<hier> path;
  i16 st = buildpath(path);
  outcome o = st != 0 ? error(st) : evaluatetext(path, expr, true);
  dumphier(path);
  return o;
}

std::string VeltrixTest::eval(std::string_view expr) {
  outcome o = evaluate(expr);
  return o.status == 0 ? o.value : "error " + std::to_string(o.status);
}

i16 VeltrixTest::evalerror(std::string_view expr) { return evaluate(expr).status; }

i16 VeltrixTest::send(std::string_view message) {
  std::vector<hier> path;
  if (i16 st = buildpath(path); st != 0) {
    dumphier(path);
    return st;
  }
  Handle text = newtext(lines(message));
  Handle atoms = nilhandle;
  tokenize(text, &atoms);
  Handle vars = NewHandle(0);
  i16 st = sendmes(path, text, atoms, 0, vars, nullptr, sendmescommand);
  dumpvars(vars);
  DisposeHandle(atoms);
  DisposeHandle(text);
  dumphier(path);
  return st;
}

outcome VeltrixTest::runfn(std::string_view body, std::string_view arguments) {
  std::string handler = "function kvtestfn\n" + std::string(body) + "\nend kvtestfn";
  levels_.insert(levels_.begin(), level{lines(handler), "script " + std::to_string(++serial_)});
  std::vector<hier> path;
  i16 st = buildpath(path);
  outcome o = st != 0 ? error(st) : evaluatetext(path, "kvtestfn(" + std::string(arguments) + ")", false);
  dumphier(path);
  levels_.erase(levels_.begin());
  return o;
}

std::string VeltrixTest::fn(std::string_view body, std::string_view arguments) {
  outcome o = runfn(body, arguments);
  return o.status == 0 ? o.value : "error " + std::to_string(o.status);
}

i16 VeltrixTest::run(std::string_view body) {
  std::string handler = "on kvtestrun\n" + std::string(body) + "\nend kvtestrun";
  levels_.insert(levels_.begin(), level{lines(handler), "script " + std::to_string(++serial_)});
  i16 st = send("kvtestrun");
  levels_.erase(levels_.begin());
  return st;
}

std::string VeltrixTest::result() { return handtext(mainglobals().result); }

std::string VeltrixTest::msg() { return handtext(mainglobals().msgpending); }

std::string VeltrixTest::global(std::string_view name) {
  Handle list = mainglobals().globalvars;
  for (Size i = 0; list != nilhandle && i < HandleCount<varentry>(list); ++i) {
    varentry e = HandleAs<varentry>(list)[i];
    if (handtext(e.name) != name) continue;
    fred v = *HandleAs<fred>(e.value);
    v.cls = fredtemp;
    v.link = nilhandle;
    Handle kept = v.text;
    std::string s = fredtext(&v);
    if (v.text != kept && v.text != nilhandle) DisposeHandle(v.text);
    return s;
  }
  return "(no global " + std::string(name) + ")";
}

}  // namespace kv
