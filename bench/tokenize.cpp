// Tokenising long scripts: the cost must grow linearly with the script's length.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/keywords.h"
#include "engine/tokenizer.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"

namespace {

// Lines with handlers, control structures, strings, numbers, operators and comments, as
// scripts are written.
constexpr const char* body[] = {
    "on mouseUp",
    "  put the number of cards into n -- count them",
    "  repeat with i = 1 to n",
    "    if item i of field \"list\" contains \"x\" then add 1.5 to total",
    "    else put total & \" \" && i after msg",
    "  end repeat",
    "  switch n",
    "  case 1",
    "    try",
    "      go to card (n - 1) of window \"main\"",
    "    catch err",
    "      answer \"failed\" with \"OK\"",
    "    end try",
    "  end switch",
    "end mouseUp",
    "function twice x",
    "  return x * 2 <= 10",
    "end twice",
};

// A script of `lines` lines, repeating the body.
std::string script(int lines) {
  std::string s;
  s.reserve(size_t(lines) * 40);
  for (int i = 0; i < lines; ++i) {
    s += body[i % (sizeof(body) / sizeof(body[0]))];
    s += '\r';
  }
  return s;
}

void BM_Tokenize(benchmark::State& st) {
  kv::setmemoryhardening(false);
  kv::hashtokens();
  std::string text = script(int(st.range(0)));
  std::size_t atoms = 0;
  for (auto _ : st) {
    kv::Handle h = kv::nilhandle;
    kv::PtrToHand(text.data(), &h, kv::Size(text.size()));
    kv::Handle a = kv::nilhandle;
    if (kv::tokenize(h, &a) != 0) st.SkipWithError("tokenize failed");
    atoms = std::size_t(kv::HandleCount<kv::atom>(a));
    kv::DisposeHandle(a);
    kv::DisposeHandle(h);
  }
  st.counters["atoms"] = double(atoms);
  st.counters["bytes/s"] = benchmark::Counter(double(text.size()), benchmark::Counter::kIsIterationInvariantRate);
  st.SetComplexityN(st.range(0));
  kv::resetruntime();
}
BENCHMARK(BM_Tokenize)
    ->RangeMultiplier(2)
    ->Range(12500, 200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
