// Arbitrary object references (lines of the input) read in a card of an open test project: as
// `there is` operands, as values, as containers of `put` and through scanobj directly. Nothing
// may crash, and once every reference is released no record of the project stays held and no
// project opened for a reference stays open.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/hier.h"
#include "engine/tokenizer.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/testing/temphome.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
#include "store/objread.h"
#include "store/recordcache.h"
#include "tests/support/project.h"

namespace {

using namespace kv;

// Uses of records held in every open project, and the number of open projects.
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

void scanone(const std::string& line) {
  Handle text = nilhandle, atoms = nilhandle;
  if (PtrToHand(line.data(), &text, Size(line.size())) != noErr) return;
  if (tokenize(text, &atoms) == 0) {
    std::vector<hier> path(pathentries);
    objread obj{};
    i32 used = 0;
    if (scanobj(path, text, atoms, 0, mainglobals().globalvars, &used, &obj) == 0) writeobj(&obj);
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(text);
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
        evaluatetext("there is " + line, &value);
        evaluatetext(line, &value);
        doscripttext("put \"v\" into " + line);
        scanone(line);
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
      "card field 1 of card 3\rfield 1 of card 2\rbutton \"Go\" of card 1\rthe last card\rnext card",
      "card 2 of background 2\rbackground \"Fancy\"\rwindow \"Main\"\rthis window\rprev window",
      "field \"Title\" of card \"Two\" of window 1 of this project\rcard id 103\rthe first card button",
      "item 1 of menu 1\rmenu \"x\"\rproject \"f.kv45\"\rcard 1 of project f.kv45\rrecent card",
      "object 1 of card field 1 of card 3\rme\rthe message\rsharedScript\rkestrove\rpart id 3",
      "card 0\rcard 999\rwindow 0\rbkgnd part \"Next\" of card 3\rmiddle card\rany card",
  };
  for (const char* s : seeds) out->emplace_back(s, s + std::string(s).size());
  return out->size();
}
