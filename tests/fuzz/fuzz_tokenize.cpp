// Tokenises arbitrary bytes as a cached script and checks that every atom stays inside the
// text and every link names an atom.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "tests/fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv;
  if (size > 1 << 20) return 0;
  Handle text = nilhandle;
  if (PtrToHand(data, &text, Size(size)) != noErr) return 0;
  Size full = appendstop(text);
  check(full == Size(size) + 2);
  Handle atoms = NewHandle(0);
  hier entry;
  check(atomize(text, atoms, &entry) == 0);
  const atom* a = HandleAs<atom>(atoms);
  Size n = HandleCount<atom>(atoms);
  check(n >= 1 && a[n - 1].token == 1);
  for (Size i = 0; i < n; ++i) {
    check(u64(a[i].offset) + a[i].length <= u64(full));
    check(a[i].link >= -1 && a[i].link < n);
    check(a[i].literal == nilhandle && a[i].numstate == numnotcached);
  }
  check(entry.firsthandler >= -1 && entry.firsthandler < n);
  check(entry.firstfunction >= -1 && entry.firstfunction < n);
  DisposeHandle(atoms);
  DisposeHandle(text);
  return 0;
}

// Scripts with every structure the tokenizer links, for the replay to mutate.
extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const char* seeds[] = {
      "on mouseUp\r  if x > 1\r  then put \"a\" & b into c\r  else beep -- no\rend mouseUp\r",
      "function abs x\r  return x*2\rend abs\ron foo\r  go card window\rend foo",
      "switch x\rcase 1\r  try\r    put 1\r  catch e\r    put 2\r  end try\rcase 2\rend switch",
      "try\r try\r catch\r end try\rcatch\rend try\rput 1 \xC2 more\r + 2 <= 3 <> 4 && 5",
  };
  for (const char* s : seeds) out->emplace_back(s, s + std::strlen(s));
  return out->size();
}
