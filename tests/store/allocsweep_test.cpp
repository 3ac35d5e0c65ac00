// Compound operations with every allocation failing in turn: each answers a clean error or
// does its whole job, leaks nothing, leaves the runtime running script and the project file
// verifying and opening (WindowTest::sweepallocations).
#include <gtest/gtest.h>

#include <algorithm>

#include "shell/commandline.h"
#include "store/starfile.h"
#include "tests/store/starsupport.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

class AllocationSweepTest : public WindowTest {
 protected:
  void openfirst() { ASSERT_EQ(open(), 0); }
  void sweep(std::string_view line, const std::function<void(i16)>& after, const std::function<void()>& setup = {}) {
    int runs = sweepallocations(
        testproject::small(), setup ? setup : [this] { openfirst(); }, [&] { return doline(line); }, after);
    EXPECT_GT(runs, 1) << "the operation allocates";
  }
};

TEST_F(AllocationSweepTest, OpeningAProject) {
  EXPECT_GT(sweepallocations(
                testproject::small(), [] {}, [this] { return open(); },
                [this](i16 st) {
                  if (st == 0) {
                    EXPECT_EQ(cardvalue("the number of cards"), "3");
                  }
                }),
            10);
}

TEST_F(AllocationSweepTest, GoingToACardOfAnotherBackground) {
  // A failure after the move (a message that could not be sent) reports its error with the
  // card shown; before it, the window stays where it was.
  sweep("go card 3", [this](i16 st) {
    std::string card = cardvalue("the number of this card");
    EXPECT_TRUE(card == "3" || (st != 0 && card == "1")) << card << ", status " << st;
  });
}

TEST_F(AllocationSweepTest, NewCardAndNewBackground) {
  // The card is made first, then shown: a failure while it is shown leaves it made.
  sweep("new card", [this](i16 st) {
    std::string cards = cardvalue("the number of cards");
    EXPECT_TRUE(cards == "4" || (st != 0 && cards == "3")) << cards << ", status " << st;
  });
  sweep("new background", [this](i16 st) {
    if (st == 0) {
      EXPECT_EQ(cardvalue("the number of cards"), "4");
    }
  });
}

TEST_F(AllocationSweepTest, PuttingIntoAFieldOfAnotherCard) {
  sweep("put \"swept\" into field 1 of card 2", [this](i16 st) {
    if (st == 0) {
      EXPECT_EQ(cardvalue("field 1 of card 2"), "swept");
    }
  });
}

TEST_F(AllocationSweepTest, Compacting) {
  sweep("compact", [this](i16) { EXPECT_EQ(cardvalue("the number of cards"), "3"); });
}

TEST_F(AllocationSweepTest, ReadingADamagedRecord) {
  // Card 2's record no longer unpacks: going there fails with an error, whatever fails first.
  sweep(
      "go card 2", [this](i16 st) { EXPECT_NE(st, 0); },
      [this] {
        openfirst();
        ASSERT_EQ(doline("go card 2"), 0);
        i32 card = i32(current().cardrecid);
        closeallwindows();
        RegistryId st = newprojectstore();
        ASSERT_EQ(openstar(kBootVolume, dir, startest::PName("p.kv45"), st), 0);
        u32 at = 0;
        ASSERT_EQ(idtoffset(st, card, &at), 0);
        closestar(st);
        disposeprojectstore(st);
        // The record's parts after its kind word: lengths that run past its end.
        startest::Bytes file = startest::readwhole(dir, "p.kv45");
        std::fill(file.begin() + at + 14, file.begin() + at + 60, 0xFF);
        startest::writewhole(dir, "p.kv45", file);
        openfirst();
      });
}

}  // namespace
}  // namespace kv
