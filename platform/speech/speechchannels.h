// Speech channels: a voice, a rate, a pitch and an input mode, speaking one text at a time
// through the audio output (platform/sound/audio.h). A text is synthesised whole by espeak-ng
// when speaking starts and played on a sound channel of its own, so how long it speaks depends
// only on its samples (on the virtual clock when headless). Channels are registry ids.
#pragma once

#include <string>
#include <vector>

#include "platform/runtime/registry.h"
#include "platform/speech/voices.h"
#include "platform/types.h"

namespace kv {

using Fixed = i32;  // 16.16

// Input modes (SetSpeechInfo with soInputMode).
constexpr OSType soInputMode = fourcc("inpt");
constexpr OSType modeText = fourcc("TEXT");
constexpr OSType modePhonemes = fourcc("PHON");

constexpr OSErr synthNotReady = -242;
constexpr OSErr noSynthFound = -240;

// True when the synthesizer started with its data.
bool speechsynthesizerready();
OSErr NewSpeechChannel(const VoiceSpec* voice, RegistryId* channel);
// Words a minute, 16.16 (espeak-ng speaks 80-450).
OSErr SetSpeechRate(RegistryId channel, Fixed rate);
// 1-98, 16.16, mapped linearly onto espeak-ng's pitch 0-100.
OSErr SetSpeechPitch(RegistryId channel, Fixed pitch);
// soInputMode with a pointer to modeText or modePhonemes (phonemes in espeak-ng's notation).
OSErr SetSpeechInfo(RegistryId channel, OSType selector, const void* info);
// Starts speaking the text (Mac Roman); what the channel was speaking stops.
OSErr SpeakText(RegistryId channel, const u8* text, Size length);
OSErr DisposeSpeechChannel(RegistryId channel);
// The number of this program's channels that are speaking (Linux has no system-wide speech
// state). Takes in what the audio output finished first.
i16 SpeechBusySystemWide();
// The phonemes of a text (Mac Roman in, Mac Roman out) in espeak-ng's notation.
OSErr TextToPhonemes(RegistryId channel, const u8* text, Size length, std::string* phonemes);
std::size_t speechchannelcount();

// --- Test access ---------------------------------------------------------------------------
// What a channel was given to speak with, kept per text spoken (the last 64).
struct SpokenText {
  std::string text;     // Mac Roman
  std::string variant;  // espeak-ng's voice variant
  i32 rate = -1;        // espeak-ng's rate, -1 the voice's own
  i32 pitch = -1;       // espeak-ng's pitch, -1 the voice's own
  OSType mode = modeText;
  u32 tick = 0;            // when speaking started
  std::size_t frames = 0;  // samples synthesised
};
const std::vector<SpokenText>& spokentexts();
// While set, the synthesizer is taken to be missing (speechsynthesizerready answers false).
void failspeechsynthesis(bool fail);

}  // namespace kv
