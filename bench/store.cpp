// The project store with 100,000 records: adding them, reading them back at random,
// deleting every third one (which keeps the free list full), and compacting.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/benchsupport.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "store/starfile.h"

namespace {

using namespace kv;

constexpr int kRecords = 100000;

using bench::Name;
using bench::Rng;

const Name kFile("bench.kv45");

// A temporary folder with an open store of `records` records of 50-300 bytes.
struct BenchStore {
  std::unique_ptr<TemporaryHome> home = std::make_unique<TemporaryHome>();
  u32 dir = 0;
  RegistryId st = nilid;

  explicit BenchStore(int records) {
    setmemoryhardening(false);
    folderidofpath(home->path(), &dir);
    createstar(kBootVolume, dir, kFile);
    st = newprojectstore();
    openstar(kBootVolume, dir, kFile, st);
    add(records);
  }
  void add(int records) {
    Rng r;
    Handle h = NewHandleClear(400);
    deref(h)[1] = 2;
    for (int i = 0; i < records; ++i) {
      SetHandleSize(h, Size(50 + r.next() % 251));
      i32 id;
      if (addstar(st, &id, h) != 0) std::abort();
    }
    DisposeHandle(h);
    if (flushstar(st) != 0) std::abort();
  }
  ~BenchStore() {
    closestar(st);
    disposeprojectstore(st);
    resetruntime();
  }
};

void BM_StoreAdd(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto b = std::make_unique<BenchStore>(0);
    state.ResumeTiming();
    b->add(kRecords);
    state.PauseTiming();
    state.counters["file_MB"] = double(findprojectstore(b->st)->header.endofdata) / 1e6;
    b.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_StoreAdd)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StoreRandomRead(benchmark::State& state) {
  BenchStore b(kRecords);
  Handle h = NewHandle(0);
  Rng r;
  for (auto _ : state) {
    if (getstar(b.st, i32(r.next() % kRecords), h) != 0) std::abort();
  }
  DisposeHandle(h);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoreRandomRead);

void BM_StoreDeleteEveryThird(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto b = std::make_unique<BenchStore>(kRecords);
    state.ResumeTiming();
    for (int i = 0; i < kRecords; i += 3) {
      if (delstar(b->st, i) != 0) std::abort();
    }
    if (flushstar(b->st) != 0) std::abort();
    state.PauseTiming();
    b.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * (kRecords / 3 + 1));
}
BENCHMARK(BM_StoreDeleteEveryThird)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StoreCompact(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto b = std::make_unique<BenchStore>(kRecords);
    for (int i = 0; i < kRecords; i += 3) delstar(b->st, i);
    flushstar(b->st);
    u64 before = findprojectstore(b->st)->header.endofdata;
    state.ResumeTiming();
    if (compactstar(b->st) != 0) std::abort();
    if (flushstar(b->st) != 0) std::abort();
    state.PauseTiming();
    u64 after = findprojectstore(b->st)->header.endofdata;
    state.counters["MB_before"] = double(before) / 1e6;
    state.counters["MB_after"] = double(after) / 1e6;
    b.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StoreCompact)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
