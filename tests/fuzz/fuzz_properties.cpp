// Arbitrary property expressions and `set` statements (lines of the input) run in a card of an
// open test project: each line is read as `the <line>`, as itself, and as `set <line>`. Nothing
// may crash, and once every statement has run no record of the project stays held and no
// project opened for a reference stays open.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/testing/temphome.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
#include "store/recordcache.h"
#include "tests/support/project.h"

namespace {

using namespace kv;

u64 holds() {
  u64 n = 0;
  for (RegistryId s = mainglobals().openprojects; s != nilid; s = nextvir(s)) {
    const projectstore* st = findprojectstore(s);
    if (st == nullptr || st->cache == nilhandle) continue;
    for (Size i = 0; i < HandleCount<virentry>(st->cache); ++i) n += HandleAs<virentry>(st->cache)[i].usecount;
  }
  return n;
}
u32 projects() {
  u32 n = 0;
  for (RegistryId s = mainglobals().openprojects; s != nilid; s = nextvir(s)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TemporaryHome home;
  u32 dir = 0;
  if (folderidofpath(home.path(), &dir) != noErr || initglobs() != 0) return 0;
  if (testproject::build(dir, "f.kv45", testproject::small()) != 0) return 0;
  setexithook([](int, const std::string&) {});
  try {
    if (openprojectpath(home.path() + "/f.kv45") == 0) {
      u64 before = holds();
      std::string input(reinterpret_cast<const char*>(data), size);
      std::size_t start = 0;
      for (int lines = 0; lines < 16 && start <= input.size(); ++lines) {
        std::size_t end = input.find('\r', start);
        if (end == std::string::npos) end = input.size();
        std::string line = input.substr(start, end - start);
        start = end + 1;
        if (line.find('\n') != std::string::npos || line.find('\0') != std::string::npos) continue;
        std::string value;
        evaluatetext("the " + line, &value);
        evaluatetext(line, &value);
        doscripttext("set " + line);
        if (holds() != before || projects() != 1) std::abort();
      }
    }
    closeallwindows();
  } catch (const ProcessExit&) {
    // The fatal-error path ended the run: what is left goes with the runtime's reset.
  }
  setexithook({});
  dumpglobs(0);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {
      "name of card button 1\rlong id of field 1 of card 3\rnumber of card 2\rrect of button \"Go\"",
      "rect of card button 1 to 1,2,3,4\rloc of button 1 to the loc of field 1\rwidth of window 1 to 9999",
      "visible of the message box\rdisabled of filter 1 of graphic 1\rsharedHilite of bkgnd button 1",
      "color of card button 1 to 5\rcustomProperties of card 1\r__x of this card to 1\rscriptCache to 2",
      "serialControl to \"9600\",,,\"stop20\"\rmenuSet to editSelection\ritemDelimiter to empty\rtextStyle to bold",
      "backSize of bkgnd 1\rowner of card 2\rscript of this project\rkind of word 2 of field 1",
      "height of graphic 1 to -5\rtopLeft of the cursor to 1,1\rrect of line 1 of field 1 to 1,2\rclut of card 1",
  };
  for (const char* s : seeds) out->emplace_back(s, s + std::string(s).size());
  return out->size();
}
