// Sounds played from scripts: the sound queue, the background sound, stopping, the `sound`
// function, sounds kept on channels and recording, heard through the null audio device on the
// virtual clock.
#include <gtest/gtest.h>

#include "engine/textutil.h"
#include "media/sounds.h"
#include "platform/events/events.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/sound/audio.h"
#include "platform/sound/channels.h"
#include "platform/sound/soundmanager.h"
#include "platform/sound/tunes.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/testing/testmovies.h"
#include "platform/text/pstring.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"
#include "store/starfile.h"
#include "tests/support/sounds.h"
#include "tests/support/windows.h"

namespace kv {
namespace {

using namespace testsound;

constexpr u32 kSnd = fourcc("snd ");

// A format-1 resource around a standard header.
std::vector<u8> format1(const std::vector<u8>& header) {
  std::vector<u8> out;
  append(out, u16(1));
  append(out, u16(1));
  append(out, sndmodifier{u16(sampledSynth), 0x80});
  append(out, u16(1));
  append(out, sndcommandrec{u16(dataOffsetFlag | bufferCmd), 0, 20});
  out.insert(out.end(), header.begin(), header.end());
  return out;
}

class SoundTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default
    testproject::Project p = testproject::small();
    std::vector<u8> broken = standard(square(100, 10), 22050);
    broken[7] = 0x7F;  // a sample count far past the bytes
    p.resources = {{kSnd, "beep1", stored(resource(standard(square(2205, 50), 22050)))},  // 6 ticks
                   {kSnd, "loop1", stored(resource(standard(square(1470, 30), 22050)))},  // 4 ticks
                   {kSnd, "old", stored(format1(standard(square(100, 10), 22050)))},
                   {kSnd, "broken", stored(resource(broken))}};
    build(p);
    ASSERT_EQ(open(), 0);
    mainglobals().hasQuickTime = initquicktime();  // as at start-up: the movie layer plays files
  }
  void TearDown() override {
    doline("play stop");
    WindowTest::TearDown();
  }
  // The data of the current project's 'snd ' resource, as the store keeps it; its only record of
  // that name.
  static std::vector<u8> storedsound(const char* name) {
    RegistryId store = mainglobals().current.store;
    Str255 n{};
    setpstring(n, name);
    u32 id = 0;
    if (!locateresource(kSnd, store, n, &id)) return {};
    Handle rec = nilhandle;
    if (getvir(store, i32(id), &rec) != 0) return {};
    Handle data = resourcedata(rec);
    std::vector<u8> out(deref(data), deref(data) + GetHandleSize(data));
    putvir(store, i32(id));
    return out;
  }
  // The loudest sample of each tick from `from` on.
  static std::vector<int> ticks(u32 from, u32 count) {
    std::vector<int> out;
    for (u32 t = from; t < from + count; ++t) out.push_back(peak(renderedaudio(t, t + 1)));
    return out;
  }
};

TEST_F(SoundTest, TwentySoundsQueueAndPlayOneAfterAnother) {
  u32 start = TickCount();
  for (int i = 0; i < 20; ++i) ASSERT_EQ(doline("play \"beep1\""), 0);
  EXPECT_EQ(result(), "");
  ASSERT_EQ(doline("play \"beep1\""), 0);
  EXPECT_EQ(result(), resulttext(20)) << "the twenty-first";
  EXPECT_EQ(cardvalue("the sound"), "beep1");
  waitticks(100);
  EXPECT_EQ(cardvalue("the sound"), "beep1");
  waitticks(26);
  EXPECT_EQ(cardvalue("the sound"), "done") << "20 x 6 ticks and one service period";
  std::vector<int> heard = ticks(start, 125);
  for (u32 t = 0; t < 120; ++t) EXPECT_GT(heard[t], 1000) << "tick " << t;
  for (u32 t = 120; t < 125; ++t) EXPECT_EQ(heard[t], 0) << "tick " << t;
  EXPECT_EQ(soundchannelcount(), 0u) << "the shared channel went with the last sound";
}

TEST_F(SoundTest, SoundsThatCannotPlayLeaveAResult) {
  cardrows({{"play \"nosuch\"", "the result", resulttext(21)},
            {"play \"old\"", "the result", resulttext(22)},
            {"play \"broken\"", "the result", resulttext(22)},
            {"play file \"a.aiff\"", "the result", resulttext(37)},
            {"play using quickTime \"a.mov\"", "the result", resulttext(37)},
            {"set the soundVolume to 0", "", ""},
            {"play \"beep1\"", "the result", resulttext(23)},
            {"set the soundVolume to 0,5", "", ""},
            {"play \"beep1\"", "the result", ""}});
  EXPECT_EQ(doline("play \"beep1\" + "), 3) << "expression errors come back";
}

TEST_F(SoundTest, TheSoundOfAMovieFilePlaysAndItsTimeAdvances) {
  TestMovie movie;
  movie.sound = true;
  ASSERT_TRUE(writetestmovie(home->path() + "/m.mov", movie));  // 2 seconds
  const std::string file = "\"" + home->path() + "/m.mov\"";
  u32 start = TickCount();
  ASSERT_EQ(doline("play file " + file), 0);
  EXPECT_EQ(result(), "");
  EXPECT_EQ(cardvalue("the sound"), "m.mov");
  waitticks(30);
  EXPECT_EQ(cardvalue("the filePlayTime"), "00:00:00:15");
  waitticks(30);
  EXPECT_EQ(cardvalue("the filePlayTime"), "00:00:01:00");
  EXPECT_GT(peak(renderedaudio(start + 5, start + 55)), 1000) << "its sound track is heard";
  waitticks(70);
  EXPECT_EQ(cardvalue("the sound"), "done");
  // The same file through `play using quickTime`, stopped by `play stop`.
  ASSERT_EQ(doline("play using quickTime " + file), 0);
  waitticks(10);
  EXPECT_EQ(cardvalue("the sound"), "m.mov");
  ASSERT_EQ(doline("play stop"), 0);
  EXPECT_EQ(cardvalue("the sound"), "done");
}

TEST_F(SoundTest, ASoundWithMoreWordsIsTheVoiceAndCompletesAtOnce) {
  u32 start = TickCount();
  ASSERT_EQ(doline("play \"beep1\" tempo 120 \"c\""), 0);
  waitticks(6);
  EXPECT_EQ(cardvalue("the sound"), "done");
  EXPECT_EQ(peak(renderedaudio(start, start + 6)), 0);
}

TEST_F(SoundTest, TheBackgroundSoundLoopsUntilStopped) {
  ASSERT_EQ(doline("play forever \"loop1\""), 0);
  ASSERT_EQ(doline("play forever \"beep1\""), 0);
  waitticks(40);
  u32 at = TickCount() - 24;
  std::vector<i16> a = renderedaudio(at, at + 4), b = renderedaudio(at + 4, at + 8), c = renderedaudio(at + 8, at + 12);
  EXPECT_GT(peak(a), 1000);
  EXPECT_EQ(a, b) << "loop1's period of 4 ticks, the second background sound dropped";
  EXPECT_EQ(b, c);
  EXPECT_EQ(cardvalue("the sound"), "done") << "the background sound is not the queue's";
  ASSERT_EQ(doline("play stop resources"), 0);
  u32 stopped = TickCount();
  waitticks(10);
  EXPECT_EQ(peak(renderedaudio(stopped, stopped + 10)), 0);
  EXPECT_EQ(soundchannelcount(), 0u);
}

TEST_F(SoundTest, StopWordsStopTheirQueues) {
  ASSERT_EQ(doline("play forever \"loop1\""), 0);
  ASSERT_EQ(doline("play instrument 1 \"c d e\""), 0);
  ASSERT_EQ(doline("play stop resources"), 0);
  EXPECT_EQ(cardvalue("the sound"), "Tune Player") << "tunes play on";
  u32 at = TickCount();
  waitticks(10);
  EXPECT_GT(peak(renderedaudio(at, at + 10)), 0);
  ASSERT_EQ(doline("play \"beep1\""), 0);
  ASSERT_EQ(doline("play stop"), 0);
  EXPECT_EQ(cardvalue("the sound"), "done");
  at = TickCount();
  waitticks(120);
  EXPECT_EQ(peak(renderedaudio(at + 60, at + 120)), 0) << "after the notes' release";
  EXPECT_EQ(soundchannelcount(), 0u);
}

TEST_F(SoundTest, AStopWhileASoundHasPlayedButIsNotFreedEmptiesTheQueue) {
  ASSERT_EQ(doline("play \"beep1\""), 0);
  ASSERT_EQ(doline("play \"beep1\""), 0);
  waitticks(5);
  ASSERT_EQ(doline("get 1"), 0);  // a service before the first sound ends
  waitticks(2);                   // it has ended; the next service is not due yet
  ASSERT_EQ(doline("play stop"), 0);
  ASSERT_EQ(doline("play \"loop1\""), 0);
  EXPECT_EQ(cardvalue("the sound"), "loop1");
}

TEST_F(SoundTest, OpenSoundKeepsOneChannelPerName) {
  cardrows({{"open sound \"beep1\"", "the result", ""},
            {"open sound \"Beep1\"", "the result", ""},
            {"close sound \"nosuch\"", "the result", ""},
            {"open sound \"nosuch\"", "the result", resulttext(15)},
            {"open sound \"beep1\" x", "", "error 19"}});
  EXPECT_EQ(soundchanneltable().size(), 1u);
  EXPECT_EQ(soundchannelcount(), 1u);
  u32 start = TickCount();
  ASSERT_EQ(doline("play \"beep1\""), 0);
  waitticks(3);
  EXPECT_GT(peak(renderedaudio(start, start + 3)), 1000) << "a kept sound plays through the queue";
  ASSERT_EQ(doline("close sound \"beep1\""), 0);
  EXPECT_TRUE(soundchanneltable().empty());
  mainglobals().plugin = 1;
  EXPECT_EQ(doline("close sound \"beep1\""), 175);
  EXPECT_EQ(doline("open sound \"beep1\""), 0);
  mainglobals().plugin = 0;
  ASSERT_EQ(doline("close sound \"beep1\""), 0);
}

// Mend: a kept sound no longer holds its project's record for ever: going to another project
// closes the first one, and the name is then looked for in the projects that are open.
TEST_F(SoundTest, AKeptSoundLetsItsProjectClose) {
  build(testproject::small(), "q.kv45");
  const std::string q = home->path() + "/q.kv45";
  ASSERT_EQ(doline("open sound \"beep1\""), 0);
  ASSERT_EQ(doline("go card 1 of window 1 of project \"" + q + "\""), 0);
  EXPECT_EQ(cardvalue("the projects"), "project \"" + q + "\"");
  EXPECT_TRUE(soundchanneltable().empty());
  EXPECT_EQ(soundchannelcount(), 0u);
  // Nobody holds the first project's file: it opens for writing and verifies.
  Str255 p{};
  setpstring(p, "p.kv45");
  FileRef ref = nilid;
  ASSERT_EQ(HOpen(kBootVolume, dir, p, fsWrPerm, &ref), noErr);
  FSClose(ref);
  EXPECT_EQ(verifystar(kBootVolume, dir, p), 1000);
  cardrows({{"play \"beep1\"", "the result", resulttext(21)}});
  // Kept sounds go at quit with their records' holds.
  ASSERT_EQ(doline("go card 1 of window 1 of project \"" + home->path() + "/p.kv45\""), 0);
  ASSERT_EQ(doline("open sound \"beep1\""), 0);
  ASSERT_EQ(soundchanneltable().size(), 1u);
  closekeptsounds(nilid);
  EXPECT_TRUE(soundchanneltable().empty());
  EXPECT_EQ(soundchannelcount(), 0u);
}

TEST_F(SoundTest, ASoundOnlyTheSharedProjectHoldsOpensAndPlays) {
  testproject::Project shared = testproject::small();
  shared.resources = {{kSnd, "chime", stored(resource(standard(square(1102, 20), 11025)))}};
  build(shared, "shared.kv45");
  RegistryId s = newprojectstore();
  Str255 name{};
  setpstring(name, "shared.kv45");
  ASSERT_EQ(openvir(kBootVolume, dir, name, s), 0);
  mainglobals().sharedstore = s;
  cardrows({{"open sound \"chime\"", "the result", ""}, {"play \"chime\"", "the result", ""}});
  EXPECT_EQ(cardvalue("the sound"), "chime");
  ASSERT_EQ(doline("close sound \"chime\""), 0);
  EXPECT_TRUE(soundchanneltable().empty());
  ASSERT_EQ(doline("play stop"), 0);
  mainglobals().sharedstore = nilid;
  EXPECT_EQ(closevir(s), 0);
}

TEST_F(SoundTest, RecordingAsksTheInputAndTheDialog) {
  cardrows({{"record sound \"take\"", "the result", resulttext(39)}});
  setsoundinputdevices({"Microphone"});
  failsoundinput(true);
  cardrows({{"record sound \"take\"", "the result", resulttext(40)}});
  failsoundinput(false);
  cardrows({{"record sound file \"take\"", "the result", resulttext(78)},
            {"record sound \"take\" with worst", "", "error 145"},
            {"record sound \"take\" with best quality x", "", "error 19"}});
  queueanswer(Answer{"record sound", "Cancel", {}});
  cardrows({{"record sound \"take\" at 10,10 with cd", "the result", resulttext(1)}});
  // A recording of 30 ticks over an injected tone, kept as the project's 'snd ' "take".
  injectsoundinput(std::vector<i16>(22050, 8000));
  u32 start = TickCount();
  queueanswer(Answer{"record sound", "30", {30}});
  cardrows({{"record sound \"take\"", "the result", ""}});
  EXPECT_EQ(TickCount() - start, 30u) << "recorded on the clock";
  std::vector<u8> take = storedsound("take");
  ASSERT_GE(take.size(), 14u + 64u);
  EXPECT_EQ(std::vector<u8>(take.begin(), take.begin() + 14),
            (std::vector<u8>{0, 2, 0, 0, 0, 1, 0x80, 0x50, 0, 0, 0, 0, 0, 0x0E}));
  const u8* h = take.data() + 14;  // the extended header, big-endian
  EXPECT_EQ(h[20], extSH);
  EXPECT_EQ(std::vector<u8>(h + 4, h + 8), (std::vector<u8>{0, 0, 0, 1})) << "one channel";
  EXPECT_EQ(std::vector<u8>(h + 8, h + 12), (std::vector<u8>{0xAC, 0x44, 0, 0})) << "44,100 Hz";
  EXPECT_EQ(std::vector<u8>(h + 22, h + 26), (std::vector<u8>{0, 0, 0x56, 0x22})) << "22,050 frames";
  EXPECT_EQ(std::vector<u8>(h + 48, h + 50), (std::vector<u8>{0, 16})) << "16 bits";
  EXPECT_EQ(take.size(), 14u + 64u + 2u * 22050u);
  EXPECT_EQ(std::vector<u8>(h + 64, h + 66), (std::vector<u8>{0x1F, 0x40})) << "the tone's samples";
  // A second recording replaces the first; the recorded sound plays.
  queueanswer(Answer{"record sound", "6", {6}});
  cardrows({{"record sound \"take\"", "the result", ""}});
  EXPECT_EQ(storedsound("take").size(), 14u + 64u + 2u * 6u * 735u);
  cardrows({{"play \"take\"", "the result", ""}});
  EXPECT_EQ(cardvalue("the sound"), "take");
}

TEST_F(SoundTest, TheRecordingDialogRecordsStopsAndSaves) {
  setsoundinputdevices({"Microphone"});
  injectsoundinput(std::vector<i16>(40000, 8000));
  std::size_t windows = windowcount();
  // The buttons along the dialog's foot, 52 wide and 58 apart, from its corner at 100,100.
  auto button = [](int b) { return Point{i16(100 + 128 - 22), i16(100 + 12 + 58 * b + 26)}; };
  drive::click(button(0));  // Record
  drive::advance(30);
  drive::click(button(1));  // Stop
  drive::click(button(2));  // Play
  drive::click(button(3));  // Save
  cardrows({{"record sound \"take\" at 100,100", "the result", ""}});
  EXPECT_EQ(storedsound("take").size(), 14u + 64u + 2u * 33u * 735u) << "from the press of Record to Stop";
  EXPECT_EQ(windowcount(), windows);
  drive::click(button(0));
  drive::keychar(27);  // Escape cancels
  cardrows({{"record sound \"other\" at 100,100", "the result", resulttext(1)}});
  EXPECT_TRUE(storedsound("other").empty());
}

}  // namespace
}  // namespace kv
