// What the parts of platform/sound share about the audio output.
#pragma once

#include <memory>

#include "platform/sound/mixer.h"

namespace kv {

// Hands a message to the mixer, opening the output on first use. The null device first renders
// up to the current tick, so the message takes effect at the frame of that tick. False when the
// device's queue is full.
bool audiosend(std::unique_ptr<AudioMessage> m);

// Whether sound goes through SDL's audio devices: with a display, or headless while a test
// asked for them (SDL's dummy and disk drivers, chosen through SDL_AUDIODRIVER).
bool sdlaudio();

// Where completions go on the main thread (channels.cpp and tunes.cpp).
void channelcompleted(const AudioCompletion& c);
void tunecompleted(const AudioCompletion& c);

}  // namespace kv
