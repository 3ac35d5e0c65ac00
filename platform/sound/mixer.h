// The mixer behind the audio output (internal to platform/sound): sound channels that play
// queued buffers and report callback commands, tune players that sequence note words into the
// synthesizer, mixed at 44,100 Hz into 16-bit stereo frames.
//
// The mixer runs on whichever thread renders: the audio device's thread with a real device, the
// main thread for the null device. It is changed only by messages from the main thread, applied
// in order on the rendering thread, and answers with completions that the main thread takes.
#pragma once

#include <memory>
#include <vector>

#include "platform/types.h"

struct _fluid_synth_t;

namespace kv {

constexpr i32 kOutputRate = 44100;
constexpr i32 kFramesPerTick = 735;

// Sampled sound ready to mix: interleaved stereo frames at the output rate.
struct PcmSound {
  std::vector<float> samples;
  i64 frames() const { return i64(samples.size() / 2); }
};

struct AudioMessage {
  enum class Kind : u8 {
    newchannel,  // target: a new channel
    command,     // cmd/param1/param2 (and pcm for a buffer command) queued on the channel
    immediate,   // the same, carried out at once
    dispose,     // flag: at once; otherwise once the channel's queue has played
    synth,       // the synthesizer the tune players play through (the mixer owns it from now on)
    program,     // target player: bank and program of its instrument
    tunequeue,   // words played on the target player; flag: loop until stopped; notify: report the end
    tunestop,    // the target player stops and forgets what it had queued; flag: and goes
    volume,      // left and right output levels, 1.0 full
  };
  Kind kind = Kind::command;
  u32 target = 0;
  u16 cmd = 0;
  i16 param1 = 0;
  i32 param2 = 0;
  bool flag = false;
  bool notify = false;
  std::shared_ptr<const PcmSound> pcm;
  std::vector<u32> words;
  u32 refcon = 0;
  i32 sfont = 0, bank = 0, program = 0;
  float left = 1, right = 1;
  _fluid_synth_t* synth = nullptr;
};

// A callback command a channel reached, or a tune that played to its end.
struct AudioCompletion {
  enum class Kind : u8 { channel, tune };
  Kind kind = Kind::channel;
  u32 target = 0;
  u16 cmd = 0;
  i16 param1 = 0;
  i32 param2 = 0;
  u32 refcon = 0;
};

class Mixer {
 public:
  Mixer();
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  void apply(AudioMessage& m, std::vector<AudioCompletion>& done);
  // Mixes `frames` frames into `out` (interleaved stereo), noting completions.
  void render(i16* out, i32 frames, std::vector<AudioCompletion>& done);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kv
