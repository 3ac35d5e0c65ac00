// Indents arbitrary bytes as a script in both forms: the text form keeps every line and every
// character but leading spaces, begins each line with (level x tab size) spaces of the level
// form's level, and keeps the selection inside the new text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/indent.h"
#include "platform/memory/memory.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

// The lines of a text, each without its leading spaces, and each line's leading spaces.
struct shape {
  std::vector<std::vector<std::uint8_t>> bodies;
  std::vector<long> margins;
};

shape shapeof(const std::uint8_t* p, std::size_t n) {
  shape s;
  std::size_t i = 0;
  for (;;) {
    long spaces = 0;
    while (i < n && p[i] == ' ') ++i, ++spaces;
    std::vector<std::uint8_t> body;
    while (i < n && p[i] != 13) body.push_back(p[i++]);
    s.bodies.push_back(body);
    s.margins.push_back(spaces);
    if (i >= n) return s;
    ++i;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size < 1 || size > 1 << 16) return 0;
  const i16 tabsize = i16(data[0] % 10);  // 9 is clamped to 8
  Handle text = nilhandle;
  if (PtrToHand(data + 1, &text, Size(size - 1)) != noErr) return 0;

  i32 start = i32(size / 3), end = i32(size / 2);
  Handle out = indent(text, &start, &end, tabsize, false);
  check(out != nilhandle);
  const Size outlength = GetHandleSize(out);
  check(start >= 0 && start <= outlength && end <= outlength && end >= start - 1);

  const shape before = shapeof(data + 1, size - 1);
  const shape after = shapeof(deref(out), size_t(outlength));
  check(after.bodies == before.bodies);

  Handle levels = nilhandle;
  check(indentlevels(text, tabsize, &levels) == 0);
  const i16* lv = HandleAs<i16>(levels);
  check(size_t(HandleCount<i16>(levels)) == after.margins.size());
  const long tab = tabsize > 8 ? 8 : tabsize;
  for (std::size_t i = 0; i < after.margins.size(); ++i) {
    check(lv[i] >= 0);
    check(after.margins[i] == long(lv[i]) * tab);
  }
  DisposeHandle(levels);
  DisposeHandle(out);
  DisposeHandle(text);
  return 0;
}

// Scripts with every block the indenter follows, for the replay to mutate (the first byte is
// the tab size).
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {
      "\3on mouseUp\rif x then\rbeep\relse\rbeep 2\rend if\rend mouseUp",
      "\2function f n\r  repeat with i = 1 to n\r  if i then put 1 else put 2\rend repeat\rend f\r",
      "\4on f\rswitch x\rcase 1\rtry\rput 1 \xC2\r+ 2\rcatch e\rend try\rend switch\rend f\r",
      "\1on f\rif a\r\rthen beep\relse if b then\rput \"if \xC2\" -- end f \xC2\rend if\rend g\r",
      "\x0Bon f\r  if a then if b then repeat\r   end repeat\r end if\r end f\r\r",
  };
  for (const char* s : seeds) out->emplace_back(s, s + std::strlen(s));
  return out->size();
}
