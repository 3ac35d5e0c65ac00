// Sound channels for sampled sound, over the audio output (platform/sound/audio.h). A channel
// takes commands in order (SndDoCommand) or at once (SndDoImmediate):
//   quietCmd     stops what the channel plays now
//   flushCmd     forgets the commands still queued
//   soundCmd     takes the header as the channel's voice (nothing sounds)
//   bufferCmd    plays the header's samples to their end, the next command after it
//   nullCmd      does nothing
//   callBackCmd  runs the channel's completion routine with the command, on the main thread
// Sound and buffer commands name a sampled-sound header in host order followed by its samples
// (platform/sound/soundformat.h): standard (8-bit mono), extended (8 or 16 bits, mono or
// stereo) and compressed ('ima4', MACE 3:1 and 6:1). Channels are registry ids.
#pragma once

#include <vector>

#include "platform/runtime/registry.h"
#include "platform/sound/soundformat.h"
#include "platform/types.h"

namespace kv {

struct SndCommand {
  u16 cmd = 0;
  i16 param1 = 0;
  i32 param2 = 0;
};

// A sampled-sound header and the bytes that follow it.
struct SampledSound {
  const u8* header = nullptr;
  Size length = 0;
};

// A channel's completion routine: called with the channel and the callback command reached.
using SndCallBackProc = void (*)(RegistryId channel, const SndCommand& command);

// A new channel for a synthesizer (sampled sound only): noErr and its id, or a failure.
OSErr SndNewChannel(RegistryId* channel, i16 synth, i32 init = 0, SndCallBackProc routine = nullptr);
OSErr SndDoCommand(RegistryId channel, const SndCommand& command, const SampledSound* sound = nullptr);
OSErr SndDoImmediate(RegistryId channel, const SndCommand& command, const SampledSound* sound = nullptr);
// Disposes of the channel: with quietNow what it plays stops at once, otherwise its queue plays
// out (its callbacks no longer reach anyone).
OSErr SndDisposeChannel(RegistryId channel, bool quietNow);
// noErr when a channel can read the header and its samples, else badFormat.
OSErr checksampledsound(const SampledSound& sound);
// The channels that exist.
std::size_t soundchannelcount();

// --- Test access ---------------------------------------------------------------------------
// What the channels were given to play (sound and buffer commands, oldest first; the last 256),
// and how many callback commands reached their channel.
struct QueuedSound {
  RegistryId channel;
  u32 tick;        // when it was given
  u32 samplerate;  // 16.16
  u16 command;     // soundCmd or bufferCmd
  std::vector<u8> samples;
};
const std::vector<QueuedSound>& queuedsounds();
u32 soundcallbacks();
// New channels fail (notEnoughHardwareErr) while set.
void failsoundchannels(bool fail);

}  // namespace kv
