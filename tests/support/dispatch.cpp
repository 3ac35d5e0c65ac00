#include "tests/support/dispatch.h"

#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/recordcache.h"

namespace kv {

std::string DispatchTest::logger(std::string_view name, std::string_view message, bool pass) {
  std::string s = "on " + std::string(message) + "\n  global log\n  put \"" + std::string(name) + ",\" after log\n";
  if (pass) s += "  pass " + std::string(message) + "\n";
  return s + "end " + std::string(message) + "\n";
}

testproject::Project DispatchTest::logproject() {
  using testproject::Object;
  testproject::Project p;
  p.script = logger("project", "ping", false) + "function twice n\n  return n * 2\nend twice";
  testproject::Window w;
  w.name = "Main";
  w.script = logger("window", "ping", true);
  testproject::Background bg{"Plain", logger("bg", "ping", true), {}};
  w.backgrounds = {bg};
  testproject::Card one;
  one.name = "One";
  one.script = logger("card", "ping", true) + logger("card", "mouseUp", false) +
               "on whoami\n  global who\n  put the target into who\nend whoami";
  Object t;
  t.name = "T";
  t.script = logger("T", "ping", true) + logger("btn", "mouseUp", true);
  one.objects.push_back(t);
  for (char c = 'A'; c <= 'G'; ++c) {
    Object o;
    o.name = std::string(1, c);
    o.script = logger(o.name, "mouseUp", true);
    one.objects.push_back(o);
  }
  testproject::Card two;
  two.name = "Two";
  two.script = logger("card2", "ping", true);
  w.cards = {one, two};
  p.windows.push_back(w);
  p.menus = {
      testproject::Menu{"File", logger("menu", "ping", true), {{"New", logger("item", "ping", true)}, {"Quit", ""}}}};
  return p;
}

i32 DispatchTest::spotindex(Handle list, std::string_view name) {
  for (i32 i = 0; i < spotcount(list); ++i) {
    Handle n = spotat(list, i).name;
    if (n != nilhandle && std::string_view(reinterpret_cast<const char*>(deref(n)), size_t(GetHandleSize(n))) == name)
      return i;
  }
  return -1;
}

void DispatchTest::closeshared() {
  MainGlobals& g = mainglobals();
  if (g.sharedstore == nilid) return;
  RegistryId s = g.sharedstore;
  g.sharedstore = nilid;
  g.sharedhead = nilhandle;
  EXPECT_EQ(putvir(s, 0), 0);
  EXPECT_EQ(closevir(s), 0);
}

std::string DispatchTest::log() {
  std::string v = global("log");
  return v.rfind("(no global", 0) == 0 ? "" : v;
}

std::string DispatchTest::text(fred* v) {
  return std::string(reinterpret_cast<const char*>(fredaddr(v)), size_t(getfredsize(v)));
}

}  // namespace kv
