#include "platform/speech/speechchannels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"
#include "platform/sound/audio.h"
#include "platform/sound/channels.h"
#include "platform/speech/espeak.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

constexpr std::size_t kLoggedTexts = 64;
constexpr u8 kMiddleC = 60;

struct SpeechChannel {
  VoiceSpec voice{};
  i32 rate = -1;
  i32 pitch = -1;
  OSType mode = modeText;
  RegistryId sound = nilid;  // the sound channel it plays on
  bool speaking = false;
  std::vector<u8> samples;  // the extended header and its samples being played
};

struct SpeechChannelState {
  bool unavailable = false;  // tests: the synthesizer is taken to be missing
  Registry<SpeechChannel, RegType::speechchannel> channels;
  std::vector<SpokenText> spoken;
};

SpeechChannelState& sc() { return state<SpeechChannelState>(); }

SpeechChannel* channelof(RegistryId id) { return sc().channels.get(id); }

// The sound channel reached the callback after a text's samples: that text is spoken.
void spoken(RegistryId sound, const SndCommand&) {
  sc().channels.each([&](RegistryId, SpeechChannel& c) {
    if (c.sound == sound) c.speaking = false;
  });
}

void stopsound(SpeechChannel& c) {
  if (c.sound != nilid) SndDisposeChannel(c.sound, true);
  c.sound = nilid;
  c.speaking = false;
}

// An extended sampled-sound header in host order followed by the samples, big-endian.
std::vector<u8> sampledsound(const std::vector<i16>& samples, i32 rate) {
  extsoundheader h{};
  h.numChannels = 1;
  h.sampleRate = u32(rate) << 16;
  h.encode = extSH;
  h.baseFrequency = kMiddleC;
  h.numFrames = u32(samples.size());
  h.sampleSize = 16;
  std::vector<u8> out(sizeof h);
  std::memcpy(out.data(), &h, sizeof h);
  out.reserve(out.size() + samples.size() * 2);
  for (i16 s : samples) {
    out.push_back(u8(u16(s) >> 8));
    out.push_back(u8(s));
  }
  return out;
}

}  // namespace

bool speechsynthesizerready() { return !sc().unavailable && synthready(); }
void failspeechsynthesis(bool fail) { sc().unavailable = fail; }

OSErr NewSpeechChannel(const VoiceSpec* voice, RegistryId* channel) {
  *channel = nilid;
  if (!synthready()) return synthNotReady;
  VoiceDescription d{};
  if (voice != nullptr && GetVoiceDescription(voice, &d) != noErr) return voiceNotFound;
  auto c = std::make_unique<SpeechChannel>();
  if (voice != nullptr) c->voice = *voice;
  *channel = sc().channels.add(std::move(c));
  return *channel == nilid ? OSErr(noSynthFound) : OSErr(noErr);
}

OSErr SetSpeechRate(RegistryId channel, Fixed rate) {
  SpeechChannel* c = channelof(channel);
  if (c == nullptr) return paramErr;
  c->rate = std::clamp(i32(std::lround(rate / 65536.0)), 80, 450);
  return noErr;
}

OSErr SetSpeechPitch(RegistryId channel, Fixed pitch) {
  SpeechChannel* c = channelof(channel);
  if (c == nullptr) return paramErr;
  double p = std::clamp(pitch / 65536.0, 1.0, 98.0);
  c->pitch = i32(std::lround((p - 1) * 100 / 97));
  return noErr;
}

OSErr SetSpeechInfo(RegistryId channel, OSType selector, const void* info) {
  SpeechChannel* c = channelof(channel);
  if (c == nullptr) return paramErr;
  if (selector != soInputMode || info == nullptr) return paramErr;
  OSType mode = *static_cast<const OSType*>(info);
  if (mode != modeText && mode != modePhonemes) return paramErr;
  c->mode = mode;
  return noErr;
}

OSErr SpeakText(RegistryId channel, const u8* text, Size length) {
  SpeechChannel* c = channelof(channel);
  if (c == nullptr) return paramErr;
  stopsound(*c);
  std::string macroman(reinterpret_cast<const char*>(text), std::size_t(std::max<Size>(length, 0)));
  SynthSettings settings{voicevariant(c->voice), c->rate, c->pitch, c->mode == modePhonemes};
  std::vector<i16> samples;
  i32 rate = 0;
  if (!synthesize(settings, macromantoutf8(macroman), &samples, &rate)) return synthNotReady;
  auto& log = sc().spoken;
  if (log.size() >= kLoggedTexts) log.erase(log.begin());
  log.push_back({macroman, settings.variant, c->rate, c->pitch, c->mode, backend().ticks(), samples.size()});
  if (samples.empty()) return noErr;  // nothing to say: done at once
  if (OSErr e = SndNewChannel(&c->sound, sampledSynth, 0, spoken)) return e;
  c->samples = sampledsound(samples, rate);
  SampledSound sound{c->samples.data(), Size(c->samples.size())};
  OSErr e = SndDoCommand(c->sound, SndCommand{bufferCmd, 0, 0}, &sound);
  if (e == noErr) e = SndDoCommand(c->sound, SndCommand{callBackCmd, 0, 0});
  if (e != noErr) {
    stopsound(*c);
    return e;
  }
  c->speaking = true;
  return noErr;
}

OSErr DisposeSpeechChannel(RegistryId channel) {
  SpeechChannel* c = channelof(channel);
  if (c == nullptr) return paramErr;
  stopsound(*c);
  sc().channels.remove(channel);
  return noErr;
}

i16 SpeechBusySystemWide() {
  audioservice();
  i16 n = 0;
  sc().channels.each([&](RegistryId, SpeechChannel& c) { n = i16(n + (c.speaking ? 1 : 0)); });
  return n;
}

OSErr TextToPhonemes(RegistryId channel, const u8* text, Size length, std::string* phonemes) {
  if (channelof(channel) == nullptr) return paramErr;
  std::string utf8;
  if (!synthphonemes(macromantoutf8(
                         std::string_view(reinterpret_cast<const char*>(text), std::size_t(std::max<Size>(length, 0)))),
                     &utf8))
    return synthNotReady;
  *phonemes = utf8tomacroman(utf8);
  return noErr;
}

std::size_t speechchannelcount() { return sc().channels.count(); }

const std::vector<SpokenText>& spokentexts() { return sc().spoken; }

}  // namespace kv
