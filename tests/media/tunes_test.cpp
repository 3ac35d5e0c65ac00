// Tunes: note text into tune words and the tune header, and `play instrument` heard through the
// null audio device on the virtual clock.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/textutil.h"
#include "media/tunes.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/sound/audio.h"
#include "platform/sound/tunes.h"
#include "tests/support/sounds.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

using namespace testsound;

class TuneTest : public VeltrixTest {
 protected:
  void TearDown() override {
    stoptunes();
    VeltrixTest::TearDown();
  }
  // The words of the note text (the atoms after the instrument number), as hexadecimal.
  std::string words(std::string_view notes, i16* voices = nullptr) {
    Handle text = nilhandle;
    Handle atoms = tokens(notes, &text);
    Handle seq = nilhandle;
    i16 v = 0;
    i16 st = buildtunesequence(hierpath{}, text, atoms, 0, nilhandle, &v, &seq);
    if (st != 0) return "error " + std::to_string(st);
    if (voices != nullptr) *voices = v;
    std::string out;
    const u8* p = deref(seq);
    for (Size i = 0; i + 4 <= GetHandleSize(seq); i += 4) {
      char w[10];
      std::snprintf(w, sizeof w, "%s%02X%02X%02X%02X", i ? " " : "", p[i], p[i + 1], p[i + 2], p[i + 3]);
      out += w;
    }
    DisposeHandle(seq);
    return out;
  }
};

TEST_F(TuneTest, NoteTextBecomesTuneWords) {
  const std::string end = "00000064 60000000";
  EXPECT_EQ(words("\"c d e\""), "2173212C 0000012C 217B212C 0000012C 2183212C 0000012C " + end);
  EXPECT_EQ(words("tempo 60 \"c\""), "21732258 00000258 " + end);
  EXPECT_EQ(words("tempo 60"), "21732258 00000258 " + end) << "tempo alone: one middle C";
  EXPECT_EQ(words("tempo 0 \"c\""), "2173212C 0000012C " + end);
  EXPECT_EQ(words("\"c4q. e\""), "217321C2 000001C2 218321C2 000001C2 " + end) << "450 units each";
  i16 voices = 0;
  EXPECT_EQ(words("\"c+e+gh\"", &voices), "21732258 21832258 218F2258 00000258 " + end);
  EXPECT_EQ(voices, 3);
  EXPECT_EQ(words("\"c# e# bb cb b#3\""),
            "2177212C 0000012C 2183212C 0000012C 219B212C 0000012C 2173212C 0000012C 2173212C 0000012C " + end);
  EXPECT_EQ(words("\"zh\""), "00000258 " + end);
  EXPECT_EQ(words("\"60 62 \" \"64\""), "2173212C 0000012C 217B212C 0000012C 2183212C 0000012C " + end)
      << "numbers, and texts read as one stream";
  EXPECT_EQ(words("\"60 6\" \"2\""), "2173212C 0000012C 217B212C 0000012C " + end);
  EXPECT_EQ(words("\"c9 a9\""), "90010078 9900012C 0000012C 2173212C 0000012C " + end);
  EXPECT_EQ(words("\"20 c\""), "90010014 9900012C 0000012C 2173212C 0000012C " + end) << "below 32: the long form";
  EXPECT_EQ(words("tempo 9 \"cw\""), "9001003C 99003E80 00003E80 " + end) << "16,000 units: the long form";
  EXPECT_EQ(words("\"c\" + "), "error 3");
  // Sharps and flats apply to note numbers too; a duration a fast tempo rounds to nothing is
  // the shortest, not the one before it.
  EXPECT_EQ(words("\"60# 60b 61\""), "2177212C 0000012C 216F212C 0000012C 2177212C 0000012C " + end);
  EXPECT_EQ(words("tempo 5000 \"ch cx\""), "2173200E 0000000E 21732001 00000001 " + end);
}

TEST_F(TuneTest, TheHeaderCarriesTheInstrument) {
  i16 status = 0;
  Handle h = buildtuneheader(1, 3, &status);
  ASSERT_NE(h, nilhandle);
  const u8* p = deref(h);
  ASSERT_EQ(GetHandleSize(h), 96);
  auto word = [p](int at) { return u32(p[at]) << 24 | u32(p[at + 1]) << 16 | u32(p[at + 2]) << 8 | p[at + 3]; };
  EXPECT_EQ(word(0), 0xF0010017u);
  EXPECT_EQ(p[6] << 8 | p[7], 3);
  EXPECT_EQ(word(8), 0x00010000u);
  EXPECT_EQ(word(88), 0xC0010017u);
  EXPECT_EQ(word(92), 0x60000000u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 12 + 37), p[12 + 36]), "Acoustic Grand Piano");
  EXPECT_EQ(word(12 + 72), 1u) << "the General MIDI number";
  DisposeHandle(h);
  for (i32 missing : {300, 16385 + 44, 129}) {
    EXPECT_EQ(buildtuneheader(missing, 1, &status), nilhandle) << missing;
    EXPECT_EQ(status, 209);
  }
  h = buildtuneheader(16385 + 25, 1, &status);
  ASSERT_NE(h, nilhandle) << "a drum kit of the SoundFont";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(deref(h) + 12 + 37), deref(h)[12 + 36]), "Analog Kit");
  DisposeHandle(h);
  EXPECT_EQ(eval("midiNumToName(1)"), "Acoustic Grand Piano");
  EXPECT_EQ(eval("midiNumToName(300)"), "error 118");
}

TEST_F(TuneTest, ATunePlaysForItsLengthThenTheSoundIsDone) {
  u32 start = TickCount();
  ASSERT_EQ(run("play instrument 1 \"c d e\""), 0);
  EXPECT_EQ(eval("the sound"), "Tune Player");
  waitticks(96);
  EXPECT_EQ(eval("the sound"), "Tune Player") << "1,000 units are 100 ticks";
  waitticks(10);
  EXPECT_EQ(eval("the sound"), "done");
  EXPECT_GT(peak(renderedaudio(start + 2, start + 80)), 500);
  EXPECT_EQ(tuneplayercount(), 1u) << "the queue's player stays open";
}

TEST_F(TuneTest, InstrumentsAndTheQueueLimit) {
  rows({{"play instrument 0 \"c\"", "the result", ""},
        {"play instrument 300 \"c\"", "the result", resulttext(87)},
        {"play instrument 1", "", "error 2"},
        {"play stop instrument", "the sound", "done"}});
  for (int i = 0; i < 20; ++i) ASSERT_EQ(run("play instrument 1 \"zx\""), 0);
  EXPECT_EQ(result(), "");
  ASSERT_EQ(run("play instrument 1 \"c\""), 0);
  EXPECT_EQ(result(), resulttext(20)) << "the twenty-first";
  // Each tune of 118 units starts at the sound service after the one before.
  for (int i = 0; i < 60 && eval("the sound") != "done"; ++i) waitticks(10);
  EXPECT_EQ(eval("the sound"), "done") << "the twenty queued played on";
}

TEST_F(TuneTest, TheBackgroundTuneLoops) {
  ASSERT_EQ(run("play forever instrument 1 \"ce\""), 0);
  waitticks(120);
  EXPECT_EQ(eval("the sound"), "Tune Player");
  u32 at = TickCount();
  waitticks(30);
  EXPECT_GT(peak(renderedaudio(at, at + 30)), 500) << "still playing after many rounds";
  ASSERT_EQ(run("play stop instrument"), 0);
  EXPECT_EQ(eval("the sound"), "done");
}

}  // namespace
}  // namespace kv
