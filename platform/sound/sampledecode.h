// Sampled sound to mixer frames (internal to platform/sound): a sampled-sound header in host
// order and its samples become stereo frames at the output rate. 8- and 16-bit samples are read
// directly; 'ima4' and MACE (3:1 and 6:1) go through FFmpeg's decoders; the rate is converted by
// libswresample.
#pragma once

#include <memory>

#include "platform/sound/mixer.h"
#include "platform/sound/soundformat.h"
#include "platform/types.h"

namespace kv {

enum class SampleCodec : u8 { offsetbinary8, bigendian16, ima4, mace3, mace6 };

// What a header says of its samples, checked against the bytes that follow it.
struct SampledInfo {
  SampleCodec codec = SampleCodec::offsetbinary8;
  i32 channels = 1;
  double rate = 0;    // frames a second
  u32 fixedrate = 0;  // the header's rate, 16.16
  i64 frames = 0;     // sample frames (for compressed sound: packets)
  const u8* data = nullptr;
  i64 bytes = 0;  // sample bytes used
};

// Reads the header at `header` with `length` bytes from there on: noErr, or badFormat when the
// header is of no known encoding or codec, names samples elsewhere, has no usable rate, or its
// counts run past the bytes.
OSErr readsampledheader(const u8* header, i64 length, SampledInfo* info);

// The frames of the sound at the output rate: noErr, or badFormat when a decoder fails.
OSErr decodesampled(const SampledInfo& info, std::shared_ptr<PcmSound>* out);

}  // namespace kv
