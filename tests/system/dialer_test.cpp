// The `dial` command: touch tones through the sound channels (their timing on the virtual
// clock), the statement's shapes, and modem dialing through a pseudo-terminal with the serial
// settings of `serialControl`, the hang-up time and the close.
#include "system/dialer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/resources/resourceformat.h"
#include "platform/resources/resources.h"
#include "platform/serial/serial.h"
#include "platform/sound/audio.h"
#include "platform/sound/channels.h"
#include "core/mainglobals.h"
#include "tests/support/sounds.h"
#include "tests/support/veltrix.h"

namespace kv {
namespace {

using testsound::peak;

class DialTest : public VeltrixTest {
 protected:
  void SetUp() override {
    VeltrixTest::SetUp();
    mainglobals().serialControl = 0x14C01;  // 38400, 8 bits, no parity, 1 stop bit, return, modem
    mainglobals().dialingTime = 200;
  }
  void TearDown() override {
    checkdialing(1, TickCount());
    VeltrixTest::TearDown();
  }
};

TEST_F(DialTest, TouchTonesPlayInOrderWithTheirPauses) {
  u32 start = TickCount();
  ASSERT_EQ(run("dial \"555,1234\""), 0);
  const auto& q = queuedsounds();
  ASSERT_EQ(q.size(), 14u) << "a sound and a buffer command for each of seven tones";
  std::vector<u32> at;
  for (std::size_t i = 0; i < q.size(); i += 2) {
    EXPECT_EQ(q[i].command, soundCmd);
    EXPECT_EQ(q[i + 1].command, bufferCmd);
    EXPECT_EQ(q[i].samples, q[i + 1].samples);
    EXPECT_EQ(q[i].samplerate, 11025u << 16);
    EXPECT_GT(q[i].samples.size(), 1000u);
    at.push_back(q[i].tick - start);
  }
  EXPECT_EQ(at, (std::vector<u32>{0, 10, 20, 90, 100, 110, 120})) << "10 ticks after each tone, 60 at the comma";
  EXPECT_EQ(soundcallbacks(), 7u);
  EXPECT_EQ(TickCount() - start, 130u);
  // Heard on the null device: each tone of 0.12 s, then silence until the next.
  for (u32 t : {0u, 10u, 20u}) {
    EXPECT_GT(peak(renderedaudio(start + t, start + t + 7)), 1000) << t;
    EXPECT_EQ(peak(renderedaudio(start + t + 8, start + t + 10)), 0) << t;
  }
  EXPECT_NE(q[0].samples, q[6].samples) << "the tones of 5 and 1 differ";
}

TEST_F(DialTest, LettersStarsAndHashesHaveTonesAndOtherCharactersNone) {
  EXPECT_EQ(touchtoneid('0'), 130);
  EXPECT_EQ(touchtoneid('9'), 139);
  EXPECT_EQ(touchtoneid('A'), 140);
  EXPECT_EQ(touchtoneid('D'), 143);
  EXPECT_EQ(touchtoneid('*'), 144);
  EXPECT_EQ(touchtoneid('#'), 145);
  EXPECT_EQ(touchtoneid('E'), 0);
  ASSERT_EQ(run("dial \"a-*x#\""), 0);
  EXPECT_EQ(queuedsounds().size(), 6u);
  ASSERT_EQ(run("dial empty"), 0);
  EXPECT_EQ(queuedsounds().size(), 6u);
  failsoundchannels(true);
  EXPECT_EQ(run("dial 123"), 0) << "no channel: nothing plays";
  EXPECT_EQ(queuedsounds().size(), 6u);
}

TEST_F(DialTest, AToneSoundOfTheWrongFormatStopsWithAResult) {
  std::vector<u8> bytes;
  std::string error;
  ASSERT_TRUE(buildresourcefile({ResourceItem{fourcc("snd "), 136, 0, "", {0, 1, 0, 0, 0, 0}}}, &bytes, &error));
  i16 file = openresourcebytes(bytes, "tones");
  ASSERT_GT(file, 0);
  ASSERT_EQ(run("dial \"5678\""), 0);
  EXPECT_EQ(queuedsounds().size(), 2u) << "5 played, 6 stopped the dialing";
  EXPECT_EQ(result(), "The sound is missing or cannot be played.");
  CloseResFile(file);
}

TEST_F(DialTest, StatementsOfOtherShapesAreRefused) {
  EXPECT_EQ(run("dial 1 modem"), 2);
  EXPECT_EQ(run("dial 1 with fax"), 2);
  EXPECT_EQ(run("dial 1 with modem \"ATDT\" \"x\""), 2);
}

TEST_F(DialTest, AModemIsDialedThroughTheSerialPortAndHungUpLater) {
  PseudoTerminal pty;
  ASSERT_FALSE(pty.path().empty());
  setserialdevices({{pty.path(), true}});
  ASSERT_EQ(run("dial \"5,5,5\" with modem"), 0);
  u32 written = TickCount();
  EXPECT_EQ(pty.read(10, 1000), "ATDT5,5,5\r") << "the default command, the number and a return";
  EXPECT_NE(dialerstate().serialport, nilid);
  EXPECT_EQ(pty.speed(), 38400);
  EXPECT_EQ(pty.databits(), 8);
  EXPECT_EQ(dialerstate().hanguptime, written + 200 + 2 * 120 + 0) << "dialingTime and 120 ticks for each comma";
  checkdialing(0, dialerstate().hanguptime);
  EXPECT_NE(dialerstate().serialport, nilid) << "not before the hang-up time has passed";
  checkdialing(0, dialerstate().hanguptime + 1);
  EXPECT_EQ(dialerstate().serialport, nilid);
  EXPECT_EQ(dialerstate().hanguptime, 0u);
}

TEST_F(DialTest, TheGivenCommandAndTheSettingsWord) {
  PseudoTerminal pty;
  setserialdevices({{pty.path(), true}});
  MainGlobals& g = mainglobals();
  // 14400 bits a second and no return. (A pseudo-terminal holds only 8 data bits and no parity.)
  g.serialControl = (0x14C01 & ~0x3FFu & ~0x10000u) | 6;
  ASSERT_EQ(run("dial 42 with modem \"ATDP\""), 0);
  EXPECT_EQ(pty.read(6, 1000), "ATDP42");
  EXPECT_EQ(pty.speed(), 14400) << "a rate without its own constant";
  checkdialing(1, 0);
  EXPECT_EQ(dialerstate().serialport, nilid) << "forced, the port closes at once";
}

TEST_F(DialTest, UnsupportedSettingsAndMissingDevicesFail) {
  PseudoTerminal pty;
  setserialdevices({{pty.path(), true}});
  MainGlobals& g = mainglobals();
  for (u32 config : {(0x14C01u & ~0xC000u) | (2u << 14), (0x14C01u & ~0x3000u) | (2u << 12), (0x14C01u & ~0x3FFu) | 62u,
                     (0x14C01u & ~0x3FFu) | 30u}) {
    g.serialControl = config;
    EXPECT_EQ(run("dial 1 with modem"), 221) << std::hex << config;
    EXPECT_EQ(dialerstate().serialport, nilid);
  }
  g.serialControl = 0x14C01 | (1u << 17);
  EXPECT_EQ(run("dial 1 with modem"), 221) << "a printer port never falls back to a modem";
  setserialdevices({{pty.path(), false}});
  g.serialControl = 0x14C01;
  EXPECT_EQ(run("dial 1 with modem"), 0) << "with no modem, any serial device";
  checkdialing(1, 0);
  setserialdevices({});
  EXPECT_EQ(run("dial 1 with modem"), 221);
  mainglobals().plugin = 1;
  EXPECT_EQ(run("dial 1"), 175);
  mainglobals().plugin = 0;
}

}  // namespace
}  // namespace kv
