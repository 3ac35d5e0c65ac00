// Sound channels over the null audio device: every kind of sampled-sound header plays for its
// length, bad headers are refused, immediate commands and callbacks; the tune word reader.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/events/events.h"
#include "platform/sound/audio.h"
#include "platform/sound/channels.h"
#include "platform/sound/tunewords.h"
#include "tests/support/fixture.h"
#include "tests/support/sounds.h"

namespace kv {
namespace {

using namespace testsound;

constexpr i64 kTick = 735;  // frames a tick at the output rate
std::vector<i32> heard;     // the callbacks' parameters, in order

std::vector<u8> extended(u32 channels, u16 bits, u32 frames, u32 rate) {
  std::vector<u8> out;
  extsoundheader h{};
  h.numChannels = channels;
  h.sampleRate = rate << 16;
  h.encode = extSH;
  h.numFrames = frames;
  h.sampleSize = bits;
  append(out, h);
  for (u32 i = 0; i < frames * channels * bits / 8; ++i) out.push_back(u8((i / 16) % 2 ? 0x30 : 0xC0));
  return out;
}

std::vector<u8> compressed(u32 format, i16 id, u32 packets, u32 packetbytes, u32 rate) {
  std::vector<u8> out;
  cmpsoundheader h{};
  h.numChannels = 1;
  h.sampleRate = rate << 16;
  h.encode = cmpSH;
  h.numFrames = packets;
  h.format = format;
  h.compressionID = id;
  h.sampleSize = 16;
  append(out, h);
  for (u32 p = 0; p < packets; ++p)
    for (u32 i = 0; i < packetbytes; ++i)
      out.push_back(i < 2 && packetbytes == 34 ? u8(i == 0 ? 0 : 40) : u8(i % 2 ? 0x7F : 0xF0));
  return out;
}

class ChannelTest : public RuntimeTest {
 protected:
  // The frames from `start` until the last sounding one.
  static i64 soundinglength(u32 start, u32 ticks) {
    std::vector<i16> f = renderedaudio(start, start + ticks);
    for (i64 i = i64(f.size()) - 1; i >= 0; --i)
      if (f[std::size_t(i)] != 0) return i / 2 + 1;
    return 0;
  }
  static void callback(RegistryId, const SndCommand& c) { heard.push_back(c.param2); }
  void SetUp() override {
    RuntimeTest::SetUp();
    heard.clear();
  }
};

TEST_F(ChannelTest, EveryHeaderKindPlaysForItsLength) {
  struct Case {
    const char* what;
    std::vector<u8> header;
    i64 frames;  // at the output rate
  };
  const Case cases[] = {
      {"standard 8-bit", standard(square(2205, 40), 22050), 4410},
      {"extended 8-bit stereo", extended(2, 8, 1000, 11025), 4000},
      {"extended 16-bit mono", extended(1, 16, 4410, 44100), 4410},
      {"ima4", compressed(fourcc("ima4"), variableCompression, 20, 34, 22050), 2560},
      {"MACE 3:1", compressed(0, threeToOne, 600, 2, 22050), 7200},
      {"MACE 6:1", compressed(fourcc("MAC6"), fixedCompression, 600, 1, 22050), 7200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryId ch = nilid;
    ASSERT_EQ(SndNewChannel(&ch, sampledSynth), noErr);
    u32 start = TickCount();
    SampledSound s{c.header.data(), Size(c.header.size())};
    ASSERT_EQ(SndDoCommand(ch, SndCommand{bufferCmd, 0, 0}, &s), noErr);
    waitticks(u32(c.frames / kTick) + 4);
    i64 got = soundinglength(start, u32(c.frames / kTick) + 4);
    EXPECT_NEAR(double(got), double(c.frames), double(c.frames) * 0.03);
    EXPECT_EQ(SndDisposeChannel(ch, true), noErr);
  }
  EXPECT_EQ(soundchannelcount(), 0u);
}

TEST_F(ChannelTest, HeadersThatCannotBeReadAreRefused) {
  auto stdwith = [](auto change) {
    soundheader h{0, 100, 22050u << 16, 0, 0, stdSH, 60};
    change(h);
    std::vector<u8> out;
    append(out, h);
    out.insert(out.end(), 100, 0x80);
    return out;
  };
  auto extwith = [](auto change) {
    std::vector<u8> out = extended(1, 16, 10, 22050);
    extsoundheader h = sndread<extsoundheader>(out.data());
    change(h);
    std::memcpy(out.data(), &h, sizeof h);
    return out;
  };
  std::vector<u8> shortone = stdwith([](soundheader&) {});
  shortone.resize(20);
  const std::vector<u8> bad[] = {
      shortone,                                                // too short for a header
      stdwith([](soundheader& h) { h.length = 101; }),         // a sample count past the bytes
      stdwith([](soundheader& h) { h.encode = 1; }),           // no known encoding
      stdwith([](soundheader& h) { h.samplePtr = 0x1000; }),   // samples elsewhere
      stdwith([](soundheader& h) { h.sampleRate = 0x8000; }),  // under 1 Hz
      extwith([](extsoundheader& h) { h.numChannels = 3; }),
      extwith([](extsoundheader& h) { h.sampleSize = 12; }),
      extwith([](extsoundheader& h) { h.numFrames = 11; }),
      compressed(fourcc("xxxx"), fixedCompression, 1, 34, 22050),
      compressed(fourcc("ima4"), 7, 1, 34, 22050),
  };
  RegistryId ch = nilid;
  ASSERT_EQ(SndNewChannel(&ch, sampledSynth), noErr);
  for (const auto& h : bad) {
    SampledSound s{h.data(), Size(h.size())};
    EXPECT_EQ(checksampledsound(s), badFormat);
    EXPECT_EQ(SndDoCommand(ch, SndCommand{bufferCmd, 0, 0}, &s), badFormat);
  }
  EXPECT_EQ(SndDoCommand(ch, SndCommand{bufferCmd, 0, 0}), badFormat) << "no header at all";
  SndDisposeChannel(ch, true);
  EXPECT_EQ(SndDoCommand(ch, SndCommand{nullCmd, 0, 0}), badChannel);
  EXPECT_EQ(SndNewChannel(&ch, 1), notEnoughHardwareErr) << "sampled sound only";
}

TEST_F(ChannelTest, CommandsInOrderAndAtOnce) {
  std::vector<u8> h = standard(square(2205, 40), 22050);  // 6 ticks
  SampledSound s{h.data(), Size(h.size())};
  RegistryId ch = nilid;
  ASSERT_EQ(SndNewChannel(&ch, sampledSynth, 0, callback), noErr);
  u32 start = TickCount();
  SndDoCommand(ch, SndCommand{bufferCmd, 0, 0}, &s);
  SndDoCommand(ch, SndCommand{callBackCmd, 0, 1});
  SndDoCommand(ch, SndCommand{bufferCmd, 0, 0}, &s);
  SndDoCommand(ch, SndCommand{callBackCmd, 0, 2});
  SndDoImmediate(ch, SndCommand{callBackCmd, 0, 9});
  waitticks(1);
  EXPECT_EQ(heard, (std::vector<i32>{9})) << "an immediate callback comes at once";
  waitticks(6);
  EXPECT_EQ(heard, (std::vector<i32>{9, 1})) << "each callback after its buffer";
  SndDoImmediate(ch, SndCommand{flushCmd, 0, 0});
  SndDoImmediate(ch, SndCommand{quietCmd, 0, 0});
  u32 quiet = TickCount();
  waitticks(10);
  EXPECT_EQ(heard, (std::vector<i32>{9, 1})) << "flushed";
  EXPECT_GT(peak(renderedaudio(start, quiet)), 1000);
  EXPECT_EQ(peak(renderedaudio(quiet, quiet + 10)), 0) << "quiet at once";
  SetDefaultOutputVolume(0x01000000);  // left full, right off
  SndDoImmediate(ch, SndCommand{bufferCmd, 0, 0}, &s);
  waitticks(6);
  std::vector<i16> f = renderedaudio(quiet + 10, quiet + 16);
  int left = 0, right = 0;
  for (std::size_t i = 0; i < f.size(); i += 2) {
    left = std::max(left, std::abs(int(f[i])));
    right = std::max(right, std::abs(int(f[i + 1])));
  }
  EXPECT_GT(left, 1000);
  EXPECT_EQ(right, 0);
  SndDisposeChannel(ch, false);
}

TEST_F(ChannelTest, TuneWordsRead) {
  const std::vector<u32> words = {0x0000012C, 0x2173212C, 0x90010078, 0x9900012C, 0xF0010003,
                                  0,          0xC0010003, 0x40000000, kTuneEnd,   0x2173212C};
  std::size_t pc = 0;
  std::vector<std::string> got;
  for (;;) {
    TuneEvent e = readtuneevent(words, &pc);
    if (e.kind == TuneEvent::end) break;
    got.push_back(e.kind == TuneEvent::rest   ? "rest " + std::to_string(e.duration)
                  : e.kind == TuneEvent::note ? "note " + std::to_string(e.key) + "/" + std::to_string(e.velocity) +
                                                    "/" + std::to_string(e.duration)
                                              : "other");
  }
  EXPECT_EQ(got, (std::vector<std::string>{"rest 300", "note 60/100/300", "note 120/100/300", "other", "other"}));
  std::vector<u32> cut = {0x90010078};
  pc = 0;
  EXPECT_EQ(readtuneevent(cut, &pc).kind, TuneEvent::end) << "a long note cut short ends the tune";
}

}  // namespace
}  // namespace kv
