// A window of 20,000 cards through the record cache: cards added and inserted into the card
// list at random positions (pages split as they fill), then every card walked in list order
// through the cache (each card loaded, held and released; evictions keep the cache within
// objectCache), once reading and once changing every card (each release writes it back).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench/benchsupport.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "platform/testing/temphome.h"
#include "core/mainglobals.h"
#include "store/packing.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace {

using namespace kv;

constexpr int kCards = 20000;

using bench::Name;
using bench::Rng;

const Name kFile("cards.kv45");

void need(bool ok) {
  if (!ok) std::abort();
}

Handle textof(const char* text, Size n) {
  Handle h = NewHandle(n);
  if (n > 0) BlockMoveData(text, deref(h), n);
  return h;
}

// A new card as the creating code makes it, named by its number.
Handle card(int n) {
  cardrec r{};
  r.kind = kindcard;
  r.rect = Rect{44, 4, 337, 500};
  char name[16];
  int len = std::snprintf(name, sizeof name, "card %d", n);
  r.name = textof(name, len);
  r.script = NewHandleClear(sizeof(scripttail));
  r.objects = NewHandle(0);
  r.backtext = NewHandle(0);
  Handle h = NewHandle(sizeof r);
  storeat<cardrec>(deref(h), r);
  return h;
}

Handle window() {
  windrec r{};
  r.kind = kindwind;
  r.name = textof("cards", 5);
  r.script = NewHandleClear(sizeof(scripttail));
  Handle h = NewHandle(sizeof r);
  storeat<windrec>(deref(h), r);
  return h;
}

// A project in a temporary folder with one window record, held.
struct BenchProject {
  std::unique_ptr<TemporaryHome> home = std::make_unique<TemporaryHome>();
  u32 dir = 0;
  RegistryId st = nilid;
  i32 windowid = -1;
  Handle wind = nilhandle;

  BenchProject() {
    setmemoryhardening(false);
    mainglobals().objectCache = 40;
    folderidofpath(home->path(), &dir);
    need(createstar(kBootVolume, dir, kFile) == 0);
    st = newprojectstore();
    need(openvir(kBootVolume, dir, kFile, st) == 0);
    need(addvir(st, &windowid, window()) == 0);
    need(getvir(st, windowid, &wind) == 0);
  }
  // Adds `cards` cards, each inserted after a random number of the cards before it.
  void insertcards(int cards) {
    Rng r;
    for (int i = 0; i < cards; ++i) {
      wordentry w{};
      i32 id;
      need(addvir(st, &id, card(i)) == 0);
      w.cardrecord = u32(id);
      w.cardid = u32(i + 1);
      need(sumutil(st, wind, windowid, i32(r.next() % u32(i + 1)), w) == 0);
      bumpage(st, wind, windowid);
    }
    need(flushstar(st) == 0);
  }
  // Walks every card in list order through the cache; with `change`, each is changed.
  void walk(bool change) {
    for (i32 p = 1; p <= kCards; ++p) {
      wordentry w;
      need(getword(st, wind, p, &w) == 0);
      Handle h;
      need(getvir(st, i32(w.cardrecord), &h) == 0);
      if (change) {
        cardrec c = loadat<cardrec>(deref(h));
        c.flags ^= 1;
        storeat<cardrec>(deref(h), c);
        need(changevir(st, i32(w.cardrecord)) == 0);
      }
      need(putvir(st, i32(w.cardrecord)) == 0);
    }
    need(flushstar(st) == 0);
  }
  u16 pages() const { return loadat<windrec>(deref(wind)).pagecount; }
  ~BenchProject() {
    putvir(st, windowid);
    closevir(st);
    resetruntime();
  }
};

void BM_VirInsertCardsAtRandom(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto b = std::make_unique<BenchProject>();
    state.ResumeTiming();
    b->insertcards(kCards);
    state.PauseTiming();
    state.counters["pages"] = b->pages();
    state.counters["file_MB"] = double(findprojectstore(b->st)->header.endofdata) / 1e6;
    b.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kCards);
}
BENCHMARK(BM_VirInsertCardsAtRandom)->Unit(benchmark::kMillisecond)->Iterations(1);

void walkbench(benchmark::State& state, bool change) {
  BenchProject b;
  b.insertcards(kCards);
  for (auto _ : state) b.walk(change);
  state.counters["cached"] = vircount(b.st);
  state.counters["pages"] = b.pages();
  state.SetItemsProcessed(state.iterations() * kCards);
}

void BM_VirWalkEveryCard(benchmark::State& state) { walkbench(state, false); }
BENCHMARK(BM_VirWalkEveryCard)->Unit(benchmark::kMillisecond);

void BM_VirWalkAndChangeEveryCard(benchmark::State& state) { walkbench(state, true); }
BENCHMARK(BM_VirWalkAndChangeEveryCard)->Unit(benchmark::kMillisecond);

}  // namespace
