// The statement interpreter: a handler that loops a million times over `put x + 1 into x`,
// one that appends to a variable 100,000 times, and a recursive fib(20).
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/sendmes.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "shell/mainglobals.h"

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
    std::vector<hier> path(pathentries);
    static constexpr u8 ref[] = "\x05" "bench";
    static constexpr u8 none[] = "\x00";
    makehier(script, hierobject, ref, &path[0]);
    makehier(nilhandle, hiershared, none, &path[1]);
    Handle text = nilhandle, atoms = nilhandle;
    PtrToHand(message.data(), &text, Size(message.size()));
    tokenize(text, &atoms);
    Handle vars = NewHandle(0);
    fred result;
    newfred(&result, fredtemp, fredstring, 0);
    i16 st = sendmes(path, text, atoms, 0, vars, function ? &result : nullptr, sendmescommand);
    if (st != 0) state.SkipWithError("the handler failed");
    disposfred(&result);
    dumpvars(vars);
    DisposeHandle(atoms);
    DisposeHandle(text);
    dumphier(path);
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
