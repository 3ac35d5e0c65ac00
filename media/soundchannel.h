// Sound channels for sampled sound: a channel takes commands at once (quiet, play a sampled
// sound, queue a buffer, call back) in the order given. Playing is a later step of the sound
// services; until then the samples queued are kept, with the tick they were queued at, for the
// sound services to play and for tests to read.
#pragma once

#include <vector>

#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

enum : u16 { quietCmd = 3, callBackCmd = 13, soundCmd = 80, bufferCmd = 81 };
constexpr i16 sampledSynth = 5;

struct SndCommand {
  u16 cmd;
  i16 param1;
  i32 param2;
};

// A sampled-sound header as the sound and buffer commands name it: the bytes of the header
// (the standard 22-byte form, its numbers big-endian as a stored sound holds them) followed by
// its 8-bit samples.
struct SampledSound {
  const u8* header;
  Size length;
};

// What a channel was given to play.
struct QueuedSound {
  RegistryId channel;
  u32 tick;         // when it was queued
  u32 samplerate;   // 16.16
  u16 command;      // soundCmd or bufferCmd
  std::vector<u8> samples;
};

// A new channel for a synthesizer (sampled sound only): noErr and its id, or a failure.
OSErr SndNewChannel(RegistryId* channel, i16 synth);
// Runs one command now. A sound or buffer command takes the sampled-sound header; a header
// that is too short or whose sample count runs past its bytes answers badFormat.
OSErr SndDoImmediate(RegistryId channel, const SndCommand& command, const SampledSound* sound = nullptr);
OSErr SndDisposeChannel(RegistryId channel, bool quietnow);

// The sounds queued so far (oldest first), and how many callback commands ran.
const std::vector<QueuedSound>& queuedsounds();
u32 soundcallbacks();
// Test control: new channels fail (notEnoughHardwareErr) while set.
void failsoundchannels(bool fail);

constexpr OSErr badFormat = -206;
constexpr OSErr notEnoughHardwareErr = -201;
constexpr OSErr badChannel = -205;

}  // namespace kv
