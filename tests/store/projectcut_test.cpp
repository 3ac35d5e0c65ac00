// A project killed while a script changes it: the file is cut at every write of new card,
// a text put into a field, go and compact, and as it stood after each write it must verify,
// open as a project, hold every record that was committed before the cut and still there
// after the command, and be exactly as long as its data once the program opened and closed it.
#include <gtest/gtest.h>

#include <map>

#include "platform/memory/memory.h"
#include "store/packing.h"
#include "store/starfile.h"
#include "shell/commandline.h"
#include "tests/store/starsupport.h"
#include "tests/support/owned.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using startest::Bytes;
using startest::PName;

struct Snapshot {
  std::size_t writes;            // writes logged when the command had finished
  std::map<i32, Bytes> records;  // what the file held then
  std::string cards;             // the number of cards
};

class ProjectCutTest : public WindowTest {
 protected:
  // The records of an open store, as the file holds them.
  static std::map<i32, Bytes> records(RegistryId st) {
    std::map<i32, Bytes> out;
    for (i32 id = 0; id < i32(findprojectstore(st)->header.idsissued); ++id) {
      Bytes b;
      if (startest::readback(st, id, &b) == 0) out[id] = b;
    }
    return out;
  }
  void snapshot() { snaps.push_back({writes.size(), records(current().store), cardvalue("the number of cards")}); }

  std::vector<startest::Bytes> images;  // the file after each logged write
  std::vector<std::size_t> writes;
  std::vector<Snapshot> snaps;
};

TEST_F(ProjectCutTest, AProjectCutAtAnyWriteOpensAndHoldsWhatWasCommitted) {
  build(testproject::small());
  ASSERT_EQ(open(), 0);
  std::string path = home->path() + "/p.kv45";
  Bytes file = startest::readwhole(dir, "p.kv45");
  images.push_back(file);
  setfilewritehook([&](const FileWriteEvent& ev) {
    if (ev.path != path || ev.barrier) return;
    // The hook comes before the write: the image after the previous one is complete.
    writes.push_back(images.size());
    Bytes b = images.back();
    if (ev.data == nullptr) {
      b.resize(std::size_t(ev.count));
    } else {
      std::size_t end = std::size_t(ev.position + ev.count);
      if (b.size() < end) b.resize(end);
      std::copy(ev.data, ev.data + ev.count, b.begin() + ev.position);
    }
    images.push_back(b);
  });
  snapshot();
  for (const char* line : {"new card", "put \"typed\" into field 1", "go card 3", "new card", "new card",
                           "put \"more\" into field 1 of card 2", "compact", "new background"}) {
    ASSERT_EQ(doline(line), 0) << line;
    snapshot();
  }
  closeallwindows();
  setfilewritehook(nullptr);
  ASSERT_GT(images.size(), 30u);
  EXPECT_EQ(startest::readwhole(dir, "p.kv45"), images.back()) << "the log replays to the file";

  for (std::size_t k = 0; k < images.size(); ++k) {
    SCOPED_TRACE("cut after write " + std::to_string(k) + " of " + std::to_string(images.size() - 1));
    // The commands finished before the cut and the one running across it.
    std::size_t before = 0;
    while (before + 1 < snaps.size() && snaps[before + 1].writes <= k) ++before;
    const Snapshot& done = snaps[before];
    const Snapshot& next = snaps[std::min(before + 1, snaps.size() - 1)];
    startest::writewhole(dir, "cut.kv45", images[k]);
    ASSERT_EQ(verifystar(kBootVolume, dir, PName("cut.kv45")), 1000);
    RegistryId st = newprojectstore();
    ASSERT_EQ(openstar(kBootVolume, dir, PName("cut.kv45"), st), 0);
    startest::StoreWalk w = startest::walkstore(st);
    EXPECT_EQ(w.fault, "");
    for (const auto& [id, bytes] : done.records) {
      if (!next.records.count(id)) continue;  // the command took it away
      ASSERT_TRUE(w.records.count(u32(id))) << "committed record " << id << " missing";
      OwnedHandle h(NewHandle(0));
      ASSERT_EQ(getstar(st, id, h), 0) << id;
      ASSERT_EQ(unpack(h), 0) << "record " << id << " does not unpack";
      dump(h.release());
    }
    closestar(st);
    disposeprojectstore(st);
    ASSERT_EQ(open("cut.kv45"), 0);
    std::string cards = cardvalue("the number of cards");
    EXPECT_TRUE(cards == done.cards || cards == next.cards) << cards;
    closeallwindows();
    Bytes after = startest::readwhole(dir, "cut.kv45");
    EXPECT_EQ(after.size(), u64(startest::be32(after, 32)) + startest::be32(after, 4)) << "cut back to its data";
  }
}

}  // namespace
}  // namespace kv
