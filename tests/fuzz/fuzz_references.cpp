// replay-runs: 300 (each input opens a whole project; this keeps the replay short)
// Arbitrary object references (lines of the input) read in a card of an open test project: as
// `there is` operands, as values, as containers of `put` and through scanobj directly. Nothing
// may crash, and once every reference is released no record of the project stays held and no
// project opened for a reference stays open.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/hier.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "shell/commandline.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "tests/fuzz/projectlines.h"

namespace {

using namespace kv;

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
  fuzzlines::runlines(data, size, [](const std::string& line) {
    std::string value;
    evaluatetext("there is " + line, &value);
    evaluatetext(line, &value);
    doscripttext("put \"v\" into " + line);
    scanone(line);
  });
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
