// Benchmark main: runs the benchmarks on the big-stack thread.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/runtime/bigstack.h"

int main(int argc, char** argv) {
  // The service modules are found where the build puts them.
  setenv("KESTROVE_MODULE_DIR", KV_MODULE_DIR, 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  return kv::runonbigstack([]() {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  });
}
