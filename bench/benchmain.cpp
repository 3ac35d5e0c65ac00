// Benchmark main: runs the benchmarks on the big-stack thread.
#include <benchmark/benchmark.h>

#include "platform/runtime/bigstack.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  return kv::runonbigstack([]() {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  });
}
