// replay-runs: 300 (each input opens a whole project; this keeps the replay short)
// Arbitrary property expressions and `set` statements (lines of the input) run in a card of an
// open test project: each line is read as `the <line>`, as itself, and as `set <line>`. Nothing
// may crash, and once every statement has run no record of the project stays held and no
// project opened for a reference stays open.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/projectlines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kv::fuzzlines::runlines(data, size, [](const std::string& line) {
    std::string value;
    kv::evaluatetext("the " + line, &value);
    kv::evaluatetext(line, &value);
    kv::doscripttext("set " + line);
  });
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
