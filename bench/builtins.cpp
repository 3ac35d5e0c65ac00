// The built-in dispatchers on the main road: a million `add 1 to x` through the command table,
// and 100,000 lines that call four built-in functions in their three forms through the
// function table.
#include <benchmark/benchmark.h>

#include <string_view>

#include "bench/sendline.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"

namespace {

using namespace kv;

constexpr std::string_view scripts =
    "on adding\r"
    "put 0 into x\r"
    "repeat 1000000 times\r"
    "add 1 to x\r"
    "end repeat\r"
    "end adding\r"
    "on calling\r"
    "put \"a,b,c\" into s\r"
    "repeat 100000 times\r"
    "put length(s) + the abs of -1 + the number of items of s + round of 2.5 into n\r"
    "end repeat\r"
    "end calling\r";

void runmessage(benchmark::State& state, std::string_view message) {
  initglobs();
  Handle script = nilhandle;
  PtrToHand(scripts.data(), &script, Size(scripts.size()));
  for (auto _ : state)
    if (bench::sendline(script, message) != 0) state.SkipWithError("the handler failed");
  DisposeHandle(script);
  resetruntime();
}

void BM_AddOneAMillionTimes(benchmark::State& state) { runmessage(state, "adding"); }
BENCHMARK(BM_AddOneAMillionTimes)->Unit(benchmark::kMillisecond);

void BM_FourFunctions100000Times(benchmark::State& state) { runmessage(state, "calling"); }
BENCHMARK(BM_FourFunctions100000Times)->Unit(benchmark::kMillisecond);

}  // namespace
