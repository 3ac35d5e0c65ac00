#include "tests/support/windows.h"

#include <cstring>

#include "engine/variables.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
#include "shell/windnav.h"
#include "store/forms.h"

namespace kv {

void WindowTest::SetUp() {
  VeltrixTest::SetUp();
  home = std::make_unique<TemporaryHome>();
  ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
}

void WindowTest::TearDown() {
  closeallwindows();
  for (WindowRef w : windowlist()) DisposeWindow(w);
  home.reset();
  VeltrixTest::TearDown();
}

void WindowTest::build(const testproject::Project& p, std::string_view name) {
  ASSERT_EQ(testproject::build(dir, name, p), 0);
}

i16 WindowTest::open(std::string_view name, i32 windnum, u16 hidden) {
  form f{};
  f.wind = selpart{selnumber, windnum, {}, 0};
  std::string path = home->path() + "/" + std::string(name);
  pstrassign(f.proj.name, 256, path.data(), path.size());
  return openwindow(f, 0, hidden);
}

i16 WindowTest::doline(std::string_view lines) { return kv::doscripttext(testproject::scripttext(lines)); }

std::string WindowTest::cardvalue(std::string_view expr) {
  std::string value;
  i16 st = kv::evaluatetext(testproject::scripttext(expr), &value);
  return st == 0 ? value : "error " + std::to_string(st);
}

i16 WindowTest::readreference(std::string_view reference, objread* obj) {
  *obj = objread{};
  Handle text = nilhandle;
  Handle atoms = tokens(reference, &text);
  Handle vars = NewHandle(0);
  i32 used = 0;
  i16 st = scanobj(hierpath(), text, atoms, 0, vars, &used, obj);
  DisposeHandle(vars);
  return st;
}

void WindowTest::clearglobals() {
  MainGlobals& g = mainglobals();
  dumpglobalvars(g.globalvars);
  g.globalvars = NewHandle(0);
}

const desk& WindowTest::current() { return mainglobals().current; }

}  // namespace kv
