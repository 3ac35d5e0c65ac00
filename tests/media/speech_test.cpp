// Speech and speech recognition driven from scripts: `say` through espeak-ng into the null audio
// device on the virtual clock, and listening through the test recognizer and pocketsphinx.
#include <gtest/gtest.h>

#include "media/mediaservice.h"
#include "media/sounds.h"
#include "media/speech.h"
#include "platform/events/events.h"
#include "platform/resources/resources.h"
#include "platform/testing/answers.h"
#include "platform/testing/driver.h"
#include "platform/sound/audio.h"
#include "platform/sound/soundmanager.h"
#include "platform/speech/espeak.h"
#include "platform/speech/recognition.h"
#include "platform/speech/speechchannels.h"
#include "platform/speech/voices.h"
#include "tests/support/eventloop.h"
#include "tests/support/sounds.h"

namespace kv {
namespace {

using testsound::peak;
using testsound::resulttext;

// Ticks a text's samples last (espeak-ng speaks at 22,050 Hz).
u32 ticksof(const SpokenText& s) { return u32(s.frames * 60 / 22050) + 1; }

// One pass of the sound service, however soon after the last.
void service() {
  resetsoundtimer();
  checksound(0);
}

// Runs the sound service tick by tick until the speech queue is empty (at most 10 s).
void speakout() {
  for (int i = 0; i < 600 && speechitems() > 0; ++i) {
    u32 end;
    Delay(1, &end);
    service();
  }
}

// The first installed voice of a gender: its variant.
std::string firstvoice(i16 gender) {
  i16 n = 0;
  CountVoices(&n);
  for (i16 i = 1; i <= n; ++i) {
    VoiceSpec v{};
    VoiceDescription d{};
    if (GetIndVoice(i, &v) == noErr && GetVoiceDescription(&v, &d) == noErr && d.gender == gender)
      return voicevariant(v);
  }
  return "";
}

class SpeechTest : public EventLoopTest {
 protected:
  void SetUp() override {
    EventLoopTest::SetUp();
    setunattendedpolicy(UnattendedPolicy::usedefault);  // error alerts take their default
    testproject::Project p = project();
    p.windows[0].cards[0].script += logs("", {"speechHeard"});
    ASSERT_EQ(openproject(p), 0);
  }
  void TearDown() override {
    doline("say stop all");
    EventLoopTest::TearDown();
  }
};

TEST_F(SpeechTest, OneSayIsBusyUntilItsSamplesHavePlayed) {
  ASSERT_EQ(doline("say \"hello\""), 0);
  EXPECT_EQ(cardvalue("the speechBusy"), "1");
  ASSERT_EQ(spokentexts().size(), 1u);
  const SpokenText s = spokentexts()[0];
  EXPECT_EQ(s.variant, firstvoice(2)) << "female by default";
  u32 end;
  Delay(ticksof(s) / 2, &end);
  EXPECT_EQ(cardvalue("the speechBusy"), "1");
  EXPECT_GT(peak(renderedaudio(s.tick, end)), 1000) << "the null device holds the speech";
  Delay(ticksof(s) + 2, &end);
  EXPECT_EQ(cardvalue("the speechBusy"), "0");
}

TEST_F(SpeechTest, SayingInTurnAndStopping) {
  ASSERT_EQ(doline("say \"one\"\nsay \"two\""), 0);
  speakout();
  ASSERT_EQ(spokentexts().size(), 2u);
  EXPECT_GE(spokentexts()[1].tick, spokentexts()[0].tick + ticksof(spokentexts()[0]))
      << "the second starts after the first's last sample";

  ASSERT_EQ(doline("say \"a longer sentence to cut short\"\nsay \"next\""), 0);
  EXPECT_EQ(cardvalue("the speechBusy"), "2");
  ASSERT_EQ(doline("say stop"), 0);
  EXPECT_EQ(speechitems(), 1);
  service();
  EXPECT_EQ(spokentexts().back().text, "next") << "the next starts on the next service pass";

  ASSERT_EQ(doline("say \"three\"\nsay \"four\""), 0);
  service();
  ASSERT_EQ(doline("say stop all"), 0);
  EXPECT_EQ(speechitems(), 0);
  u32 from = TickCount(), end;
  Delay(30, &end);
  EXPECT_EQ(peak(renderedaudio(from + 1, end)), 0) << "the output fell silent";
}

TEST_F(SpeechTest, VoicesRatesAndPitches) {
  ASSERT_EQ(doline("say \"hi\" with \"nosuch\" voice"), 0);
  EXPECT_EQ(cardvalue("the result"), resulttext(44));
  EXPECT_EQ(speechitems(), 0);
  ASSERT_EQ(doline("say \"hi\" with male at 200 wpm pitch 200"), 0);
  service();
  ASSERT_FALSE(spokentexts().empty());
  EXPECT_EQ(spokentexts().back().variant, firstvoice(1));
  EXPECT_EQ(spokentexts().back().rate, 200);
  EXPECT_EQ(spokentexts().back().pitch, 100) << "pitch 200 speaks at 98, the top";
  ASSERT_EQ(doline("say stop all\nsay \"hi\" pitch 50 at 120 words per minute"), 0);
  service();
  EXPECT_EQ(spokentexts().back().pitch, 51);
  EXPECT_EQ(spokentexts().back().rate, 120);
  EXPECT_NE(firstvoice(1), "");
  EXPECT_NE(firstvoice(2), "") << "the voices hold a male and a female voice";
  EXPECT_NE(cardvalue("the voices"), "");
  cardrows({{"say \"hi\" at 100 words minute", "", "error 155"},
            {"say \"hi\" at 100 words per", "", "error 156"},
            {"say \"hi\" using noise", "", "error 157"},
            {"say \"hi\" loudly", "", "error 2"},
            {"say \"x\" with pitch 200", "", "error 2"},  // `with` takes a voice, not an option
            {"say stop now", "", "error 19"}});
  ASSERT_EQ(doline("put empty into p\nsay \"hello world\" into p"), 0);
  EXPECT_EQ(cardvalue("p"), "h@l'oU w'3:ld");
}

TEST_F(SpeechTest, ListeningWithTheTestRecognizer) {
  usetestrecognizer(true);
  ASSERT_EQ(doline("set the allowListenModes to false"), 0);  // listening without the listen key
  auto state = [&](i16 n) {
    Str255 s;
    GetIndString(s, 1008, n);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
  };
  EXPECT_EQ(cardvalue("the recognitionState"), state(2));
  ASSERT_EQ(doline("start listening"), 0);
  EXPECT_EQ(cardvalue("the result"), resulttext(63));
  ASSERT_EQ(doline("set the recognitionPhrases to \"open\" & return & return & \"close\""), 0);
  EXPECT_EQ(cardvalue("the allowRecognition"), "true");
  EXPECT_EQ(cardvalue("the recognitionPhrases"), "open\rclose");
  ASSERT_EQ(doline("start listening\nstart listening"), 0);
  EXPECT_EQ(cardvalue("the recognitionState"), state(5));
  EXPECT_EQ(doline("start listening now"), 19);
  settle();
  clearlog();
  hearphrase("open");
  hearphrase("say \"hi\" there");
  passes(12);
  EXPECT_EQ(log(), "speechHeard open,speechHeard say hi there,") << "a quote inside the heard text ends no literal";

  refusemodels(true);
  ASSERT_EQ(doline("set the recognitionPhrases to \"stop\""), 0);
  EXPECT_EQ(cardvalue("the result"), resulttext(62));
  EXPECT_EQ(cardvalue("the recognitionPhrases"), "open\rclose");
  EXPECT_EQ(cardvalue("the recognitionState"), state(5)) << "still listening";
  ASSERT_EQ(doline("set the allowRecognition to false"), 0);
  EXPECT_EQ(cardvalue("the recognitionState"), state(2));
  EXPECT_EQ(cardvalue("the recognitionPhrases"), "");
}

// Mode 0 shows the feedback window; with the listen modes on, a phrase counts only while the
// listen key is held.
TEST_F(SpeechTest, FeedbackAndListenKeyModes) {
  usetestrecognizer(true);
  ASSERT_EQ(doline("set the allowListenModes to false"), 0);
  ASSERT_EQ(doline("set the recognitionPhrases to \"open\"\nstart listening"), 0);
  ASSERT_NE(recognitionfeedback(), nilid);
  hearphrase("open");
  passes(12);
  EXPECT_EQ(recognitionfeedbacklines(), (std::vector<std::string>{"Listening", "open"}));
  ASSERT_EQ(doline("stop listening"), 0);
  EXPECT_EQ(recognitionfeedback(), nilid);
  ASSERT_EQ(doline("set the allowRecognition to false\nset the allowListenModes to true"), 0);
  ASSERT_EQ(doline("set the recognitionPhrases to \"open\"\nstart listening"), 0);
  EXPECT_EQ(recognitionfeedback(), nilid);
  settle();
  clearlog();
  hearphrase("open");
  passes(12);
  EXPECT_EQ(log(), "");
  drive::keyDown(kListenKeyCode);
  settle();
  clearlog();
  hearphrase("open");
  passes(12);
  EXPECT_EQ(log(), "speechHeard open,");
  drive::keyUp(kListenKeyCode);
  settle();
}

// What the platform has answers, before any speech was used.
TEST_F(SpeechTest, SpeechManagersPresent) {
  EXPECT_EQ(cardvalue("the hasTextToSpeechMgr"), "true");
  EXPECT_EQ(cardvalue("the hasSpeechRecogMgr"), "true");
  failspeechsynthesis(true);
  EXPECT_EQ(cardvalue("the hasTextToSpeechMgr"), "false");
  failspeechsynthesis(false);
}

TEST_F(SpeechTest, NoRecognitionManagerWithoutAModel) {
  setrecognitionmodel("/nonexistent");
  EXPECT_EQ(cardvalue("the hasSpeechRecogMgr"), "false");
}

TEST_F(SpeechTest, NoAcousticModelNoRecognition) {
  setrecognitionmodel("/nonexistent");
  ASSERT_EQ(doline("set the allowRecognition to true"), 0);
  EXPECT_EQ(cardvalue("the result"), resulttext(60));
  EXPECT_EQ(cardvalue("the allowRecognition"), "false");
  // Phrases for a recognizer that cannot start fail the statement; the result says why.
  EXPECT_EQ(doline("set the recognitionPhrases to \"open\""), 124);
  EXPECT_EQ(cardvalue("the result"), resulttext(60));
  EXPECT_EQ(cardvalue("the allowRecognition"), "false");
  EXPECT_EQ(cardvalue("the recognitionPhrases"), "");
}

// espeak-ng's "close" heard by pocketsphinx through the sound input.
TEST_F(SpeechTest, PocketsphinxHearsSpokenPhrases) {
  setsoundinputdevices({"Microphone"});
  ASSERT_EQ(doline("set the recognitionPhrases to \"open\" & return & \"close\"\nstart listening"), 0);
  ASSERT_EQ(cardvalue("the allowRecognition"), "true") << cardvalue("the result");
  drive::keyDown(kListenKeyCode);  // the listen modes are on: the phrase counts with the key held
  settle();
  std::vector<i16> said;
  i32 rate = 0;
  ASSERT_TRUE(synthesize(SynthSettings{}, "close", &said, &rate));
  std::vector<i16> heard(44100 / 2, 0);                // half a second of silence around it
  for (std::size_t i = 0; i + 1 < said.size(); ++i) {  // 22,050 Hz to the input's 44,100
    heard.push_back(said[i]);
    heard.push_back(i16((said[i] + said[i + 1]) / 2));
  }
  heard.resize(heard.size() + 44100, 0);
  injectsoundinput(heard);
  settle();
  clearlog();
  for (int i = 0; i < 40 && log().find("speechHeard") == std::string::npos; ++i) {
    u32 end;
    Delay(5, &end);
    passes(2);
  }
  EXPECT_NE(log().find("speechHeard close,"), std::string::npos) << log();
  ASSERT_EQ(doline("set the recognitionPhrases to \"open\" & return & \"xyzzyplugh\""), 0);
  EXPECT_EQ(cardvalue("the result"), resulttext(62));
}

}  // namespace
}  // namespace kv
