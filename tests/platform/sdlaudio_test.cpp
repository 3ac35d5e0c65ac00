// Sound through SDL's own audio devices rather than the null device: SDL's disk driver writes
// what the mixer plays into a file and reads what it hears from one, in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/runtime/root.h"
#include "platform/sound/audio.h"
#include "platform/sound/channels.h"
#include "platform/sound/soundinput.h"
#include "tests/support/homefolder.h"
#include "tests/support/sounds.h"

namespace kv {
namespace {

using namespace testsound;

struct Measure {
  i64 first = -1, last = -1;  // the first and last sounding frame
  int peak = 0;
};

// Stereo frames: where sound is, and how loud.
Measure measure(const std::vector<i16>& frames, int channels) {
  Measure m;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (frames[i] == 0) continue;
    i64 f = i64(i) / channels;
    if (m.first < 0) m.first = f;
    m.last = f;
    m.peak = std::max(m.peak, std::abs(int(frames[i])));
  }
  return m;
}

class SdlAudioTest : public HomeFolderTest {
 protected:
  void SetUp() override {
    HomeFolderTest::SetUp();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (home->path() + "/out.raw").c_str(), 1);
    setenv("SDL_DISKAUDIOFILEIN", (home->path() + "/in.raw").c_str(), 1);
  }
  void TearDown() override {
    resetruntime();  // closes the device
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIOFILEIN");
    HomeFolderTest::TearDown();
  }
  static void done(RegistryId, const SndCommand&) { ++finished; }
  // Plays the sound to its end on the output there is (real time for SDL's devices).
  static void playout(const std::vector<u8>& header, bool realtime) {
    finished = 0;
    RegistryId ch = nilid;
    ASSERT_EQ(SndNewChannel(&ch, sampledSynth, 0, done), noErr);
    SampledSound s{header.data(), Size(header.size())};
    ASSERT_EQ(SndDoCommand(ch, SndCommand{bufferCmd, 0, 0}, &s), noErr);
    ASSERT_EQ(SndDoCommand(ch, SndCommand{callBackCmd, 0, 0}), noErr);
    for (int i = 0; i < 500 && finished == 0; ++i) {
      if (realtime) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      else waitticks(1);
      audioservice();
    }
    EXPECT_EQ(finished, 1);
    SndDisposeChannel(ch, false);
  }
  static inline int finished = 0;
};

TEST_F(SdlAudioTest, TheDiskDriverWritesWhatThePlayedSoundHolds) {
  std::vector<u8> sound = standard(square(11025, 40), 22050);  // half a second
  // The null device's rendering is the measure.
  u32 start = TickCount();
  playout(sound, false);
  Measure expected = measure(renderedaudio(start, TickCount()), 2);
  ASSERT_GT(expected.peak, 0);
  resetruntime();
  usesdlaudio(true);
  playout(sound, true);
  resetruntime();
  std::ifstream in(home->path() + "/out.raw", std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<i16> frames(bytes.size() / 2);
  std::memcpy(frames.data(), bytes.data(), frames.size() * 2);
  Measure got = measure(frames, 2);
  EXPECT_EQ(got.peak, expected.peak);
  EXPECT_NEAR(double(got.last - got.first), double(expected.last - expected.first), 2.0);
}

TEST_F(SdlAudioTest, CaptureReadsTheDiskDriversInput) {
  // A fifth of a second of a square wave at the input's rate, then silence.
  std::vector<i16> said(8820);
  for (std::size_t i = 0; i < said.size(); ++i) said[i] = (i / 20) % 2 ? 12000 : -12000;
  std::vector<i16> padded = said;
  padded.resize(said.size() + 44100, 0);
  {
    std::ofstream out(home->path() + "/in.raw", std::ios::binary);
    out.write(reinterpret_cast<const char*>(padded.data()), std::streamsize(padded.size() * 2));
  }
  usesdlaudio(true);
  EXPECT_FALSE(inputdevicenames().empty());
  SoundCapture capture;
  ASSERT_TRUE(capture.open());
  capture.start();
  std::vector<i16> heard;
  for (int i = 0; i < 300 && heard.size() < padded.size() / 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    capture.drain(heard);
  }
  capture.stop();
  Measure m = measure(heard, 1);
  EXPECT_EQ(m.peak, 12000);
  EXPECT_NEAR(double(m.last - m.first + 1), double(said.size()), 2.0);
}

}  // namespace
}  // namespace kv
