// Test support for windows of test projects: a fixture that builds projects in a temporary
// folder, opens their windows headless, and runs script lines in the current card's context.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/backend/backend.h"
#include "platform/testing/temphome.h"
#include "core/desk.h"
#include "store/objread.h"
#include "tests/support/project.h"
#include "tests/support/veltrix.h"

namespace kv {

// Beside VeltrixTest's own snippets (which run on a path of their own), `doline` and
// `cardvalue` run in the context of the current card.
class WindowTest : public VeltrixTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds a project file named `name` in the temporary folder.
  void build(const testproject::Project& p, std::string_view name = "p.kv45");
  // Opens window `windnum` of the project `name` (built before): the status of openwindow.
  i16 open(std::string_view name = "p.kv45", i32 windnum = 1, u16 hidden = 0);
  // Sends each line of a script to the current card, as --do does: the first failure's status.
  i16 doline(std::string_view lines);
  // The value of an expression in the current card's context, or "error N".
  std::string cardvalue(std::string_view expr);
  // Rows (VeltrixTest::rows) whose lines and expressions run in the current card.
  void cardrows(std::initializer_list<row> cases) { checkrows(cases, &WindowTest::doline, &WindowTest::cardvalue); }
  // doline for lines expected to fail: the error alert a failure shows is cancelled. Rows of
  // such lines and card expressions.
  i16 failingline(std::string_view lines);
  void failrows(std::initializer_list<row> cases) {
    checkrows(cases, &WindowTest::failingline, &WindowTest::cardvalue);
  }
  // Reads the descriptor of an object reference (store/objread.h), as a command reads one; the
  // caller releases it with writeobj. The status of scanobj.
  i16 readreference(std::string_view reference, objread* obj);
  // Every allocation fails in turn. For n = 1, 2, ... the runtime starts afresh, the project
  // "p.kv45" is built from `project`, `setup` brings it to where the operation starts, and
  // `op` runs with its nth allocation failing; the sweep ends with the first run that does not
  // reach n. After each run `after` sees the operation's status (it checks that a success did
  // the whole job); the runtime must still run script; closing every window and a reset must
  // leave no handle behind; and the project file must verify and open again. A run that ends
  // the program through the fatal-error path (a store failure, `checkerr`) is counted in
  // `fatals`, and only the file is checked after it. Answers the number of runs.
  int sweepallocations(const testproject::Project& project, const std::function<void()>& setup,
                       const std::function<i16()>& op, const std::function<void(i16)>& after = {});
  // Builds `p` as `name` and opens it as the shared project (searched after the current
  // project for handlers and resources); TearDown closes it.
  void openshared(const testproject::Project& p, std::string_view name = "shared.kv45");
  // Forgets every global variable.
  void clearglobals();

  const desk& current();
  // A point of the current window's port in global (screen) coordinates; the port is kept.
  Point toglobal(Point local);
  // Draws the current card into its window, on white, and answers the window's pixels.
  Frame drawcard();
  int fatals = 0;
  std::unique_ptr<TemporaryHome> home;
  u32 dir = 0;
  RegistryId shared = 0;
};

}  // namespace kv
