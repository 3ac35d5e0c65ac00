// Handle table costs: allocation, growth by appending, and disposal.
#include <benchmark/benchmark.h>

#include "platform/memory/memory.h"
#include "platform/runtime/root.h"

namespace {

void BM_NewDisposeHandle(benchmark::State& st) {
  kv::setmemoryhardening(false);
  for (auto _ : st) {
    kv::Handle h = kv::NewHandle(64);
    benchmark::DoNotOptimize(h);
    kv::DisposeHandle(h);
  }
  kv::resetruntime();
}
BENCHMARK(BM_NewDisposeHandle);

void BM_AppendByte(benchmark::State& st) {
  kv::setmemoryhardening(false);
  for (auto _ : st) {
    kv::Handle h = kv::NewHandle(0);
    for (int i = 0; i < 10000; ++i) kv::PtrAndHand("x", h, 1);
    kv::DisposeHandle(h);
  }
  kv::resetruntime();
}
BENCHMARK(BM_AppendByte);

}  // namespace
