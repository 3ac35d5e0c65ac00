// A project killed while scripts change it. Every write to the file and every barrier is logged
// while the commands run; the file is then rebuilt as a disk may have kept it at each point:
// cut after any write, a write cut short at a sector boundary, or between two barriers only
// some of the writes. Each such file must open, read back exactly as the project stood after
// one of the commands around the cut (whole, never half a command), verify strictly once the
// program has opened and closed it, and open as a project that runs script.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "platform/memory/memory.h"
#include "store/starfile.h"
#include "shell/commandline.h"
#include "tests/store/starsupport.h"
#include "tests/support/projectcheck.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using startest::applywrite;
using startest::Bytes;
using startest::kSector;
using startest::LoggedWrite;
using startest::PName;
using startest::Rng;

struct Snapshot {
  std::size_t writes;                      // writes logged when the command had finished
  std::map<u32, std::vector<u8>> records;  // what the file held then
  std::string cards;                       // the number of cards
};

class ProjectCutTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    build(testproject::small());
    ASSERT_EQ(open(), 0);
    path = home->path() + "/p.kv45";
    base = startest::readwhole(dir, "p.kv45");
    setfilewritehook([this](const FileWriteEvent& ev) {
      if (ev.path == path) log.push_back(startest::logged(ev));
    });
    snapshot();
  }

  // Runs each line as a command of its own and notes what the file holds after it; the file
  // a finished command leaves verifies strictly.
  void run(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
      ASSERT_EQ(doline(line), 0) << line;
      snapshot();
      ASSERT_EQ(checkproject(startest::readwhole(dir, "p.kv45")), "") << "after " << line;
    }
  }
  void snapshot() { snapshot(cardvalue("the number of cards")); }
  void snapshot(const std::string& cards) {
    ProjectContents c = readproject(startest::readwhole(dir, "p.kv45"));
    snaps.push_back({log.size(), c.records, cards});
  }
  void finish() {
    closeallwindows();
    std::string cards = snaps.back().cards;
    snapshot(cards);
    setfilewritehook(nullptr);
    Bytes b = base;
    for (const LoggedWrite& w : log) applywrite(b, w);
    ASSERT_EQ(startest::readwhole(dir, "p.kv45"), b) << "the log replays to the file";
  }

  // The snapshots a file may hold when every write before `lo` reached the disk and none
  // from `hi` on: the last command finished by `lo` and those finishing up to `hi`.
  std::pair<std::size_t, std::size_t> around(std::size_t lo, std::size_t hi) const {
    std::size_t first = 0;
    while (first + 1 < snaps.size() && snaps[first + 1].writes <= lo) ++first;
    std::size_t last = first;
    while (last + 1 < snaps.size() && snaps[last].writes < hi) ++last;
    return {first, last};
  }

  // A file as the disk may have kept it: it opens, reads back as one of the snapshots around
  // it, and once the store has opened and closed it, it verifies strictly. Every `deep`th file
  // is also opened as a project.
  void check(const Bytes& image, std::size_t lo, std::size_t hi) {
    startest::writewhole(dir, "cut.kv45", image);
    ASSERT_EQ(verifystar(kBootVolume, dir, PName("cut.kv45")), 1000);
    RegistryId st = newprojectstore();
    ASSERT_EQ(openstar(kBootVolume, dir, PName("cut.kv45"), st), 0);
    ASSERT_EQ(closestar(st), 0);
    disposeprojectstore(st);
    ProjectContents c = readproject(startest::readwhole(dir, "cut.kv45"));
    ASSERT_EQ(c.fault, "");
    auto [first, last] = around(lo, hi);
    std::size_t match = SIZE_MAX;
    for (std::size_t j = first; j <= last && match == SIZE_MAX; ++j) {
      if (snaps[j].records == c.records) match = j;
    }
    ASSERT_NE(match, SIZE_MAX) << "the file holds none of the commands " << first << " to " << last << " whole";
    if (++checks % deep != 0) return;
    ASSERT_EQ(open("cut.kv45"), 0);
    EXPECT_EQ(cardvalue("the number of cards"), snaps[match].cards);
    closeallwindows();
    ASSERT_EQ(checkproject(startest::readwhole(dir, "cut.kv45")), "");
  }

  // Every cut of the log from write `from` on: after each write, inside each write at each
  // sector boundary, and between two barriers each write left out, each alone and some at
  // random; the last two only in every `stride`th command.
  void cuteverywhere(std::size_t from, std::size_t stride = 1) {
    Bytes image = base;
    for (std::size_t k = 0; k < from; ++k) applywrite(image, log[k]);
    Rng r{from * 7919 + 1};
    std::size_t runstart = from;
    for (std::size_t k = from; k <= log.size(); ++k) {
      SCOPED_TRACE("write " + std::to_string(k) + " of " + std::to_string(log.size()));
      check(image, k, k);
      if (HasFatalFailure()) return;
      if (k == log.size()) break;
      const LoggedWrite& w = log[k];
      bool every = around(k, k).first % stride == 0;
      if (!w.barrier && !w.length && every) {
        std::size_t end = std::size_t(w.position) + w.data.size();
        for (std::size_t cut = (std::size_t(w.position) / kSector + 1) * kSector; cut < end; cut += kSector) {
          Bytes torn = image;
          applywrite(torn, w, cut - std::size_t(w.position));
          check(torn, k, k + 1);
          if (HasFatalFailure()) return;
        }
      }
      if (w.barrier) {
        if (every) reorder(image, runstart, k, r);
        if (HasFatalFailure()) return;
        runstart = k + 1;
      }
      applywrite(image, w);
    }
  }
  // The writes of [from, to), none of them a barrier, on top of `image` (every write before
  // `from`), as a disk may keep some and not others.
  void reorder(const Bytes& image, std::size_t from, std::size_t to, Rng& r) {
    if (to - from < 2) return;
    auto kept = [&](const std::function<bool(std::size_t)>& keep) {
      Bytes b = image;
      for (std::size_t i = from; i < to; ++i)
        if (keep(i)) applywrite(b, log[i]);
      check(b, from, to);
    };
    for (std::size_t i = from; i < to && !HasFatalFailure(); ++i) {
      kept([i](std::size_t j) { return j != i; });
      if (!HasFatalFailure()) kept([i](std::size_t j) { return j == i; });
    }
    for (int n = 0; n < 3 && !HasFatalFailure(); ++n) kept([&r](std::size_t) { return r.below(2) == 0; });
  }

  std::string path;
  Bytes base;
  std::vector<LoggedWrite> log;
  std::vector<Snapshot> snaps;
  std::size_t checks = 0, deep = 37;
};

TEST_F(ProjectCutTest, CommandsAreOnDiskWholeOrNotAtAllWhereverTheyAreCut) {
  run({"new card", "put \"typed\" into field 1", "go card 3", "new card", "new card",
       "put \"more\" into field 1 of card 2", "new button", "new background", "compact", "new card"});
  if (HasFatalFailure()) return;
  finish();
  if (HasFatalFailure()) return;
  ASSERT_GT(log.size(), 30u);
  cuteverywhere(0);
  EXPECT_GT(checks, 200u);
}

// Three hundred cards in a row: pages of the card list split, the directory grows and the free
// list fills; each card reaches the disk with its count and its id, or not at all.
TEST_F(ProjectCutTest, ALongRunOfNewCardsKeepsItsCountsAndIdsTogether) {
  std::vector<std::string> lines(300, "new card");
  run(lines);
  if (HasFatalFailure()) return;
  EXPECT_EQ(snaps.back().cards, "303");
  finish();
  if (HasFatalFailure()) return;
  deep = 211;
  cuteverywhere(0, 10);
}

}  // namespace
}  // namespace kv
