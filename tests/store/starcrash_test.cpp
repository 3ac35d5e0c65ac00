// A store killed at any moment: every write to the file and every barrier (fdatasync) is
// logged, and the file as a disk may have kept it must open, verify, agree with itself, hold
// every record that was flushed and not touched since, and take further work without losing
// anything. The disk keeps the writes in order, or cuts a write short at a sector boundary,
// or keeps any of the writes since the last barrier and not the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <functional>
#include <set>

#include "platform/memory/memory.h"
#include "store/starinternal.h"
#include "tests/store/starsupport.h"

namespace kv::startest {
namespace {

struct Step {
  std::size_t start;  // writes logged before the operation began
  u32 version;        // 0: deleted
};

// What the workload did, against the write log.
struct History {
  std::vector<LoggedWrite> writes;
  std::map<u32, std::vector<Step>> steps;
  struct Flushed {
    std::size_t writes;
    std::map<u32, u32> live;  // id -> version
  };
  std::vector<Flushed> flushes;
  std::map<u32, u32> live;
  u32 nextversion = 1;

  Bytes image(std::size_t k) const {
    Bytes b;
    for (std::size_t i = 0; i < k; ++i) applywrite(b, writes[i]);
    return b;
  }
  // The writes from `from` to `to` (a run between barriers) of which the disk kept those
  // that `kept` says, in their order.
  Bytes image(std::size_t from, std::size_t to, const std::function<bool(std::size_t)>& kept) const {
    Bytes b = image(from);
    for (std::size_t i = from; i < to; ++i)
      if (kept(i)) applywrite(b, writes[i]);
    return b;
  }
  // The runs of writes between barriers: [start, end) of each.
  std::vector<std::pair<std::size_t, std::size_t>> runs(std::size_t first) const {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    std::size_t start = first;
    for (std::size_t i = first; i <= writes.size(); ++i) {
      if (i == writes.size() || writes[i].barrier) {
        if (i > start) out.push_back({start, i});
        start = i + 1;
      }
    }
    return out;
  }
};

class StarCrashTest : public StarTest {
 protected:
  void logwrites(const std::string& path) {
    setfilewritehook([this, path](const FileWriteEvent& ev) {
      if (ev.path == path) hist.writes.push_back(logged(ev));
    });
  }

  void add(RegistryId st, u32 size) {
    std::size_t start = hist.writes.size();
    u32 version = hist.nextversion++;
    // The id is not known before the add; the bytes name the id it will get.
    u32 id = ps(st).header.recycledcount > 0 ? u32(ps(st).header.firstrecycled) : u32(ps(st).header.idsissued);
    i32 got;
    ASSERT_EQ(addbytes(st, recordbytes(id, version, size), &got), 0);
    ASSERT_EQ(u32(got), id);
    hist.steps[id].push_back({start, version});
    hist.live[id] = version;
  }
  void save(RegistryId st, u32 id, u32 size) {
    std::size_t start = hist.writes.size();
    u32 version = hist.nextversion++;
    ASSERT_EQ(savebytes(st, i32(id), recordbytes(id, version, size)), 0);
    hist.steps[id].push_back({start, version});
    hist.live[id] = version;
  }
  void remove(RegistryId st, u32 id) {
    std::size_t start = hist.writes.size();
    ASSERT_EQ(delstar(st, i32(id)), 0);
    hist.steps[id].push_back({start, 0});
    hist.live.erase(id);
  }
  void flush(RegistryId st) {
    ASSERT_EQ(flushstar(st), 0);
    hist.flushes.push_back({hist.writes.size(), hist.live});
  }
  u32 anylive(Rng& r) {
    auto it = hist.live.begin();
    std::advance(it, r.below(u32(hist.live.size())));
    return it->first;
  }

  // Live ids in the order of their places in the file.
  std::vector<u32> byplace(RegistryId st) {
    std::vector<std::pair<u32, u32>> places;
    for (auto& [id, version] : hist.live) {
      u32 at;
      EXPECT_EQ(idtoffset(st, i32(id), &at), 0);
      places.push_back({at, id});
    }
    std::sort(places.begin(), places.end());
    std::vector<u32> ids;
    for (auto& p : places) ids.push_back(p.second);
    return ids;
  }

  // Adds past two directory pages, saves in place, in the freed slot and elsewhere,
  // deletes until the free list is full again and again, compacts: every kind of pass
  // that moves records.
  void workload(RegistryId st) {
    Rng r{0x5EED5EEDull};
    for (int i = 0; i < 300; ++i) {
      add(st, 10 + r.below(300));
      if (i == 60 || i == 140) flush(st);
    }
    flush(st);
    for (int i = 0; i < 160; ++i) {
      u32 pick = r.below(100);
      if (pick < 40) {
        u32 id = anylive(r);
        u32 size;
        ASSERT_EQ(sizestar(st, i32(id), &size), 0);
        save(st, id, pick < 20 ? size : 10 + r.below(400));
      } else if (pick < 65) {
        remove(st, anylive(r));
      } else {
        add(st, 10 + r.below(300));
      }
      if (i % 25 == 24) flush(st);
    }
    flush(st);
    // A record grows into the slot of its deleted neighbour, which the file still counts
    // as the record's own place.
    for (int i = 0; i < 3; ++i) {
      std::vector<u32> ids = byplace(st);
      u32 x = ids[10 + 20 * std::size_t(i)], y = ids[11 + 20 * std::size_t(i)];
      u32 xs, ys;
      ASSERT_EQ(sizestar(st, i32(x), &xs), 0);
      ASSERT_EQ(sizestar(st, i32(y), &ys), 0);
      remove(st, y);
      save(st, x, u32(starslot(xs) + starslot(ys)) - 12);
      flush(st);
    }
    // Every third record by place goes: the free list fills up, and each further change
    // first slides the records of its narrowest gap.
    std::vector<u32> ids = byplace(st);
    for (std::size_t i = 0; i < ids.size(); i += 3) {
      remove(st, ids[i]);
      if (i % 60 == 0) flush(st);
    }
    for (int i = 0; i < 20; ++i) save(st, anylive(r), 10 + r.below(600));
    flush(st);
    std::size_t start = hist.writes.size();
    ASSERT_EQ(compactstar(st), 0);
    ASSERT_GT(hist.writes.size(), start);
    flush(st);
    for (int i = 0; i < 10; ++i) add(st, 10 + r.below(200));
    save(st, anylive(r), 900);
    flush(st);
  }

  // Checks the file as it stood after the first k logged writes.
  void checkcut(std::size_t k) {
    SCOPED_TRACE("cut after write " + std::to_string(k) + " of " + std::to_string(hist.writes.size()));
    checkimage(hist.image(k), k, k, true);
  }

  // Checks a file the disk may have kept: writes before `done` all there, those from `done` to
  // k perhaps (the records they touch may hold either version or none). With `workon`, more
  // work on the opened store must lose nothing.
  void checkimage(const Bytes& image, std::size_t done, std::size_t k, bool workon) {
    writewhole(dir, "cut.kv45", image);
    ASSERT_EQ(verifystar(kBootVolume, dir, PName("cut.kv45")), 1000);
    RegistryId st = openstore("cut.kv45");
    ASSERT_NE(st, nilid);
    StoreWalk w = walkstore(st);
    ASSERT_EQ(w.fault, "");

    // The last flush that finished before the cut.
    std::size_t since = 0;
    std::map<u32, u32> flushed;
    for (const auto& f : hist.flushes) {
      if (f.writes <= done) {
        since = f.writes;
        flushed = f.live;
      }
    }
    auto touched = [&](u32 id, bool deletes) {
      for (const Step& s : hist.steps[id]) {
        if (s.start >= since && s.start < k && (!deletes || s.version == 0)) return true;
      }
      return false;
    };
    for (auto& [id, bytes] : w.records) {
      u32 rid, version;
      ASSERT_TRUE(decoderecord(bytes, &rid, &version)) << "record " << id << " holds foreign bytes";
      ASSERT_EQ(rid, id);
      bool known = flushed.count(id) && flushed[id] == version;
      for (const Step& s : hist.steps[id]) known = known || (s.version == version && s.start < k);
      ASSERT_TRUE(known) << "record " << id << " version " << version;
      if (flushed.count(id)) {
        ASSERT_GE(version, flushed[id]) << "record " << id << " went back";
      }
    }
    for (u32 id : w.broken) ASSERT_TRUE(touched(id, false)) << "untouched id " << id << " lost its record";
    for (auto& [id, version] : flushed) {
      if (!touched(id, true)) {
        ASSERT_TRUE(w.records.count(id)) << "flushed record " << id << " missing";
      }
    }
    if (!workon) {
      closestore(st);
      return;
    }

    // Work on: nothing that read back may be lost.
    std::map<u32, Bytes> model = w.records;
    std::set<u32> broken(w.broken.begin(), w.broken.end());
    Rng r{k * 7919 + 1};
    for (int i = 0; i < 6; ++i) {
      Bytes b = recordbytes(0, 0, 20 + r.below(300));
      i32 id;
      ASSERT_EQ(addbytes(st, b, &id), 0);
      model[u32(id)] = b;
      broken.erase(u32(id));
    }
    for (int i = 0; i < 4 && !model.empty(); ++i) {
      auto it = model.begin();
      std::advance(it, r.below(u32(model.size())));
      if (i % 2) {
        ASSERT_EQ(delstar(st, i32(it->first)), 0);
        model.erase(it);
      } else {
        it->second = recordbytes(1, 1, 20 + r.below(500));
        ASSERT_EQ(savebytes(st, i32(it->first), it->second), 0);
      }
    }
    ASSERT_EQ(compactstar(st), 0);
    closestore(st);
    st = openstore("cut.kv45");
    ASSERT_NE(st, nilid);
    StoreWalk after = walkstore(st);
    ASSERT_EQ(after.fault, "");
    ASSERT_EQ(after.records, model);
    ASSERT_EQ(std::set<u32>(after.broken.begin(), after.broken.end()), broken);
    EXPECT_EQ(u32(ps(st).header.freecount), 0u);
    EXPECT_EQ(readwhole(dir, "cut.kv45").size(), u64(ps(st).header.endofdata));
    closestore(st);
  }

  // Creates crash.kv45 and runs the workload on it with its writes logged: the number of
  // writes the creation made.
  std::size_t recordworkload() {
    logwrites(home->path() + "/crash.kv45");
    EXPECT_EQ(createstar(kBootVolume, dir, PName("crash.kv45")), 0);
    std::size_t created = hist.writes.size();
    RegistryId st = openstore("crash.kv45");
    workload(st);
    closestore(st);
    setfilewritehook(nullptr);
    return created;
  }

  History hist;
};

TEST_F(StarCrashTest, AKillAfterAnyWriteLeavesAStoreThatOpensAndHoldsItsRecords) {
  std::size_t created = recordworkload();
  if (HasFatalFailure()) return;
  ASSERT_GT(hist.writes.size(), created + 100);
  // The finished file is the image of the whole log.
  ASSERT_EQ(readwhole(dir, "crash.kv45"), hist.image(hist.writes.size()));
  for (std::size_t k = created; k <= hist.writes.size(); ++k) {
    checkcut(k);
    if (HasFatalFailure()) return;
  }
}

// The same workload, replayed from its log as a disk may have kept it: a write cut short at
// each sector boundary inside it, and between two barriers only some of the writes (each one
// left out, each one alone, and random choices).
TEST_F(StarCrashTest, TornAndReorderedWritesLeaveAStoreThatOpensAndHoldsItsRecords) {
  std::size_t created = recordworkload();
  if (HasFatalFailure()) return;
  std::size_t checks = 0;
  for (std::size_t k = created; k < hist.writes.size(); ++k) {
    const LoggedWrite& w = hist.writes[k];
    if (w.barrier || w.length) continue;
    std::size_t end = std::size_t(w.position) + w.data.size();
    for (std::size_t cut = (std::size_t(w.position) / kSector + 1) * kSector; cut < end; cut += kSector) {
      SCOPED_TRACE("write " + std::to_string(k) + " cut at byte " + std::to_string(cut));
      Bytes b = hist.image(k);
      applywrite(b, w, cut - std::size_t(w.position));
      checkimage(b, k, k + 1, ++checks % 16 == 0);
      if (HasFatalFailure()) return;
    }
  }
  Rng r{0xD15C};
  for (auto [from, to] : hist.runs(created)) {
    if (to - from < 2) continue;
    SCOPED_TRACE("writes " + std::to_string(from) + " to " + std::to_string(to));
    for (std::size_t i = from; i < to; ++i) {
      checkimage(hist.image(from, to, [i](std::size_t j) { return j != i; }), from, to, ++checks % 16 == 0);
      if (HasFatalFailure()) return;
      checkimage(hist.image(from, to, [i](std::size_t j) { return j == i; }), from, to, false);
      if (HasFatalFailure()) return;
    }
    for (int n = 0; n < 3; ++n) {
      checkimage(hist.image(from, to, [&r](std::size_t) { return r.below(2) == 0; }), from, to, false);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(checks, 100u);
}

TEST_F(StarCrashTest, AFailedCompactionStopsCleanlyAndReportsTheError) {
  // Compaction is made to fail at each of its writes in turn; the error comes back, the
  // store in memory and on disk stays whole, and a later compaction finishes the job.
  for (std::size_t n = 1;; ++n) {
    SCOPED_TRACE("write " + std::to_string(n) + " fails");
    std::string name = "fail" + std::to_string(n) + ".kv45";
    RegistryId st = makestore(name);
    hist = History{};
    Rng r{42};
    for (int i = 0; i < 150; ++i) add(st, 10 + r.below(400));
    for (int i = 0; i < 50; ++i) remove(st, anylive(r));
    flush(st);
    std::map<u32, Bytes> want = walkstore(st).records;
    failfilewriteafter(n);
    i16 e = compactstar(st);
    failfilewriteafter(0);
    if (e == 0) {
      ASSERT_GT(n, 3u);
      closestore(st);
      break;
    }
    ASSERT_EQ(e, dskFulErr);
    StoreWalk w = walkstore(st);
    ASSERT_EQ(w.fault, "");
    ASSERT_EQ(w.records, want);
    // Killed right here, the file still opens with every record.
    Bytes disk = readwhole(dir, name);
    writewhole(dir, "copy.kv45", disk);
    RegistryId copy = openstore("copy.kv45");
    ASSERT_NE(copy, nilid);
    StoreWalk cw = walkstore(copy);
    ASSERT_EQ(cw.fault, "");
    ASSERT_EQ(cw.records, want);
    ASSERT_TRUE(cw.broken.empty());
    closestore(copy);
    ASSERT_EQ(compactstar(st), 0);
    ASSERT_EQ(u32(ps(st).header.freecount), 0u);
    closestore(st);
    st = openstore(name);
    ASSERT_EQ(walkstore(st).records, want);
    closestore(st);
    ASSERT_EQ(deletestar(kBootVolume, dir, PName(name)), noErr);
  }
}

TEST_F(StarCrashTest, FailedWritesLeaveTheStoreAsItWas) {
  RegistryId st = makestore();
  Rng r{7};
  for (int i = 0; i < 130; ++i) add(st, 10 + r.below(300));
  flush(st);
  std::map<u32, Bytes> want = walkstore(st).records;
  u32 issued = ps(st).header.idsissued;
  failfilewriteafter(1);
  i32 id;
  EXPECT_EQ(addbytes(st, recordbytes(999, 1, 100), &id), dskFulErr);
  failfilewriteafter(1);
  EXPECT_EQ(savebytes(st, 3, recordbytes(3, 99, 1000)), dskFulErr);
  failfilewriteafter(1);
  EXPECT_EQ(savebytes(st, 4, recordbytes(4, 99, 50)), dskFulErr);
  failfilewriteafter(0);
  EXPECT_EQ(u32(ps(st).header.idsissued), issued);
  StoreWalk w = walkstore(st);
  EXPECT_EQ(w.fault, "");
  EXPECT_EQ(w.records, want);
  closestore(st);
}

}  // namespace
}  // namespace kv::startest
