// The statement interpreter: a handler that loops a million times over `put x + 1 into x`,
// one that appends to a variable 100,000 times, and a recursive fib(20).
#include <benchmark/benchmark.h>

#include <string_view>

#include "bench/sendline.h"
#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"

namespace {

using namespace kv;

constexpr std::string_view scripts =
    "on count\r"
    "put 0 into x\r"
    "repeat 1000000 times\r"
    "put x + 1 into x\r"
    "end repeat\r"
    "end count\r"
    "on append\r"
    "put empty into y\r"
    "repeat 100000 times\r"
    "put \"a\" after y\r"
    "end repeat\r"
    "end append\r"
    "function fib n\r"
    "if n < 2 then return n\r"
    "return fib(n - 1) + fib(n - 2)\r"
    "end fib\r";

// Sends one message line (or evaluates a function call) along a path holding the scripts.
void runmessage(benchmark::State& state, std::string_view message, bool function) {
  initglobs();
  Handle script = nilhandle;
  PtrToHand(scripts.data(), &script, Size(scripts.size()));
  for (auto _ : state) {
    fred result;
    newfred(&result, fredtemp, fredstring, 0);
    if (bench::sendline(script, message, function ? &result : nullptr) != 0) state.SkipWithError("the handler failed");
    disposfred(&result);
  }
  DisposeHandle(script);
  resetruntime();
}

void BM_PutXPlusOneAMillionTimes(benchmark::State& state) { runmessage(state, "count", false); }
BENCHMARK(BM_PutXPlusOneAMillionTimes)->Unit(benchmark::kMillisecond);

void BM_PutAfter100000Times(benchmark::State& state) { runmessage(state, "append", false); }
BENCHMARK(BM_PutAfter100000Times)->Unit(benchmark::kMillisecond);

void BM_Fib20(benchmark::State& state) { runmessage(state, "fib(20)", true); }
BENCHMARK(BM_Fib20)->Unit(benchmark::kMillisecond);

}  // namespace
