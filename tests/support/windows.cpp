#include "tests/support/windows.h"

#include <cstring>
#include <string>

#include "engine/variables.h"
#include "fields/listfields.h"
#include "platform/files/files.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/text/pstring.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/testing/driver.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/controlvisibility.h"
#include "shell/commandline.h"
#include "shell/engineservices.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "store/forms.h"
#include "store/objects.h"
#include "store/recordcache.h"
#include "store/starfile.h"
#include "textengine/werecord.h"

namespace kv {

void WindowTest::SetUp() {
  VeltrixTest::SetUp();
  installweliveparts();       // as at start-up: the live records fields get while drawn go with them
  installcontrolliveparts();  // and so do the controls buttons get
  installlistliveparts();     // and the lists of list fields
  home = std::make_unique<TemporaryHome>();
  ASSERT_EQ(folderidofpath(home->path(), &dir), noErr);
  // Projects are written whatever room the machine's disk has left; a test that wants a full
  // disk sets its own model.
  setfreespacemodel(u64(1) << 32);
}

void WindowTest::TearDown() {
  closeallwindows();
  if (shared != 0) {
    if (mainglobals().sharedstore == shared) {
      mainglobals().sharedstore = nilid;
      mainglobals().sharedhead = nilhandle;
    }
    EXPECT_EQ(closevir(shared), 0);
    shared = 0;
  }
  for (WindowRef w : windowlist()) DisposeWindow(w);
  home.reset();
  VeltrixTest::TearDown();
}

void WindowTest::build(const testproject::Project& p, std::string_view name) {
  ASSERT_EQ(testproject::build(dir, name, p), 0);
}

void WindowTest::openshared(const testproject::Project& p, std::string_view name) {
  build(p, name);
  RegistryId s = newprojectstore();
  Str255 file{};
  setpstring(file, name);
  ASSERT_EQ(openvir(kBootVolume, dir, file, s), 0);
  shared = s;
  // As the runtime opens a shared project: its store and its head record held.
  Handle head = nilhandle;
  ASSERT_EQ(holdrecord(s, 0, kindhead, &head), 0);
  mainglobals().sharedstore = s;
  mainglobals().sharedhead = head;
}

i16 WindowTest::open(std::string_view name, i32 windnum, u16 hidden) {
  form f{};
  f.wind = selpart{selnumber, windnum, {}, 0};
  std::string path = home->path() + "/" + std::string(name);
  pstrassign(f.proj.name, 256, path.data(), path.size());
  return openwindow(f, 0, hidden);
}

int WindowTest::sweepallocations(const testproject::Project& project, const std::function<void()>& setup,
                                 const std::function<i16()>& op, const std::function<void(i16)>& after) {
  auto fresh = [&] {
    ResetReport r = resetruntime();
    EXPECT_EQ(r.leakedhandles, 0u) << "handles left after closing every window";
    usebuiltinmetricsfont(true);
    setfilesyncs(false);
    installweliveparts();  // as SetUp: the live records fields get while drawn go with them
    installlistliveparts();
    installengineservices();
    EXPECT_EQ(initglobs(), 0);
    EXPECT_EQ(folderidofpath(home->path(), &dir), noErr);
  };
  int runs = 0;
  fatals = 0;
  for (std::size_t n = 1; n < 100000; ++n) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    closeallwindows();
    fresh();
    Str255 name{};
    pstrassign(name, 256, "p.kv45", 6);
    HDelete(kBootVolume, dir, name);
    build(project);
    setup();
    if (testing::Test::HasFatalFailure()) return runs;
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default answer
    // A store failure ends the program through the fatal-error path: the process would end
    // there, so only the file is checked after it.
    std::string fatal;
    setexithook([&](int, const std::string& reason) { fatal = reason; });
    failallocationafter(n);
    i16 status = 0;
    try {
      status = op();
    } catch (const ProcessExit&) {
      status = -1;
    }
    bool reached = !allocationfailurepending();
    failallocationafter(0);
    setexithook({});
    ++runs;
    if (!fatal.empty()) {
      ++fatals;
      resetruntime();  // what the ended process held
      fresh();
      EXPECT_EQ(open(), 0) << "the project opens after " << fatal;
      closeallwindows();
      if (testing::Test::HasFailure() || !reached) break;
      continue;
    }
    if (after) after(status);
    EXPECT_EQ(eval("1 + 1"), "2") << "the runtime still runs script (status " << status << ")";
    closeallwindows();
    EXPECT_EQ(verifystar(kBootVolume, dir, name), 1000);
    EXPECT_EQ(open(), 0) << "the project opens again (status " << status << ")";
    EXPECT_NE(cardvalue("the number of cards").rfind("error", 0), 0u);
    closeallwindows();
    if (testing::Test::HasFailure() || !reached) break;
  }
  fresh();
  return runs;
}

i16 WindowTest::doline(std::string_view lines) { return kv::doscripttext(testproject::scripttext(lines)); }

i16 WindowTest::failingline(std::string_view lines) {
  queueanswer(Answer{"alert", "Cancel", {}});
  const i16 st = doline(lines);
  clearanswers();
  return st;
}

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

Point WindowTest::toglobal(Point local) {
  SavePort saved;
  SetPort(GetWindowPort(current().window));
  LocalToGlobal(&local);
  return local;
}

Frame WindowTest::drawcard() {
  SavePort saved;
  SetPort(GetWindowPort(current().window));
  Rect all{};
  GetPortBounds(GetWindowPort(current().window), &all);
  FillRect(&all, &qdwhite);
  backspot(0);
  return drive::windowpixels(current().window);
}

}  // namespace kv
