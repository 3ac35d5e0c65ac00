// replay-runs: 150 (each input opens a whole project; this keeps the replay short)
// Plays sounds by name as a script does, from a project whose resource library holds 'snd '
// records made from arbitrary bytes: `play` with and without notes, the sound asked for, and
// `play stop`. A damaged sound is refused or played within its bytes; nothing may crash, and
// every channel and record goes with the project. The input: a count of sounds, then each
// sound's name (a length byte and its bytes) and data (a 16-bit big-endian length and its
// bytes). The seeds are sounds our own swapper stored.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/projectlines.h"
#include "tests/fuzz/soundseeds.h"

namespace {

using namespace kv;

constexpr u32 kSnd = fourcc("snd ");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  std::size_t at = 0;
  auto byte = [&]() -> u8 { return at < size ? data[at++] : 0; };
  testproject::Project p = testproject::small();
  std::vector<std::string> names;
  for (int n = 1 + byte() % 3; n > 0 && at < size; --n) {
    testproject::Resource r;
    r.type = kSnd;
    for (int len = byte(); len > 0 && at < size; --len) {
      const char c = char(byte());
      if (c != '"' && c != '\r' && c != '\n' && c != 0) r.name.push_back(c);
    }
    std::size_t len = std::size_t(byte()) << 8;
    len |= byte();
    for (; len > 0 && at < size; --len) r.data.push_back(byte());
    names.push_back(r.name);
    p.resources.push_back(r);
  }
  fuzzlines::withproject(p, [&] {
    for (const std::string& name : names) {
      doscripttext("play \"" + name + "\"");
      std::string value;
      evaluatetext("the sound", &value);
      doscripttext("play \"" + name + "\" tempo 400 \"c4e d#5s r b3q\"");
      doscripttext("play stop");
    }
  });
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  const std::vector<std::vector<std::uint8_t>> sounds = soundseeds::storedsounds();
  std::vector<std::uint8_t> s{u8(sounds.size() - 1)};
  const char* names[] = {"Boing", "Two words", "\x8A"};
  for (std::size_t i = 0; i < sounds.size(); ++i) {
    const std::string name = names[i];
    s.push_back(u8(name.size()));
    s.insert(s.end(), name.begin(), name.end());
    s.push_back(u8(sounds[i].size() >> 8));
    s.push_back(u8(sounds[i].size()));
    s.insert(s.end(), sounds[i].begin(), sounds[i].end());
  }
  out->push_back(s);
  return out->size();
}
