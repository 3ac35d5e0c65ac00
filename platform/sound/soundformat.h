// The layouts of sampled sound as the system stores and exchanges it: 'snd ' resources of
// format 1 and 2, their 8-byte sound commands, and the three sampled-sound headers (standard,
// extended and compressed) that sound and buffer commands name.
//
// A 'snd ' resource is big-endian in a project file. Taken from a project it is brought to host
// order (heads, commands and header fields; the samples stay as they are), and that host form is
// what sound channels read. Samples: 8-bit samples are offset binary (0x80 is silence); 16-bit
// samples are signed and big-endian, as the resource format has them.
#pragma once

#include <cstring>

#include "platform/memory/stored.h"

namespace kv {

// Sound command numbers. A sound or buffer command whose number has the data-offset flag names
// its header by an offset from the start of the resource in param2.
enum : u16 {
  nullCmd = 0,
  quietCmd = 3,
  flushCmd = 4,
  callBackCmd = 13,
  soundCmd = 80,
  bufferCmd = 81,
};
constexpr u16 dataOffsetFlag = 0x8000;

// Results of the sound services.
constexpr OSErr notEnoughHardwareErr = -201;
constexpr OSErr queueFull = -203;
constexpr OSErr badChannel = -205;
constexpr OSErr badFormat = -206;

// The synthesizer of sampled sound (a channel's only kind) and the header encodings.
constexpr i16 sampledSynth = 5;
enum : u8 { stdSH = 0x00, cmpSH = 0xFE, extSH = 0xFF };

// Compression ids of a compressed header; the format code names the codec when the id is one
// of the first two.
enum : i16 { fixedCompression = -1, variableCompression = -2, threeToOne = 3, sixToOne = 4 };

#define KV_SNDCOMMANDREC_FIELDS(F) \
  F(u16, cmd, 0)                   \
  F(i16, param1, 2)                \
  F(i32, param2, 4)
KV_STORED_RECORD(sndcommandrec, 8, KV_SNDCOMMANDREC_FIELDS)

// The head of a format-2 resource; `numCommands` commands follow.
#define KV_SND2HEAD_FIELDS(F) \
  F(u16, format, 0)           \
  F(u16, refCount, 2)         \
  F(u16, numCommands, 4)
KV_STORED_RECORD(snd2head, 6, KV_SND2HEAD_FIELDS)

// One synthesizer entry of a format-1 resource (after its u16 count).
#define KV_SNDMODIFIER_FIELDS(F) \
  F(u16, modNumber, 0)           \
  F(u32, modInit, 2)
KV_STORED_RECORD(sndmodifier, 6, KV_SNDMODIFIER_FIELDS)

// The standard header: 8-bit mono samples, `length` of them, follow it.
#define KV_SOUNDHEADER_FIELDS(F) \
  F(u32, samplePtr, 0)           \
  F(u32, length, 4)              \
  F(u32, sampleRate, 8)          \
  F(u32, loopStart, 12)          \
  F(u32, loopEnd, 16)            \
  F(u8, encode, 20)              \
  F(u8, baseFrequency, 21)
KV_STORED_RECORD(soundheader, 22, KV_SOUNDHEADER_FIELDS)

using u16x5 = arr<u16, 5>;

// The extended header: `numFrames` frames of `numChannels` samples of `sampleSize` bits.
#define KV_EXTSOUNDHEADER_FIELDS(F) \
  F(u32, samplePtr, 0)              \
  F(u32, numChannels, 4)            \
  F(u32, sampleRate, 8)             \
  F(u32, loopStart, 12)             \
  F(u32, loopEnd, 16)               \
  F(u8, encode, 20)                 \
  F(u8, baseFrequency, 21)          \
  F(u32, numFrames, 22)             \
  F(u16x5, AIFFSampleRate, 26)      \
  F(u32, markerChunk, 36)           \
  F(u32, instrumentChunks, 40)      \
  F(u32, AESRecording, 44)          \
  F(u16, sampleSize, 48)            \
  F(u16, futureUse1, 50)            \
  F(u32, futureUse2, 52)            \
  F(u32, futureUse3, 56)            \
  F(u32, futureUse4, 60)
KV_STORED_RECORD(extsoundheader, 64, KV_EXTSOUNDHEADER_FIELDS)

// The compressed header: `numFrames` packets of the codec named by `format` or `compressionID`.
#define KV_CMPSOUNDHEADER_FIELDS(F) \
  F(u32, samplePtr, 0)              \
  F(u32, numChannels, 4)            \
  F(u32, sampleRate, 8)             \
  F(u32, loopStart, 12)             \
  F(u32, loopEnd, 16)               \
  F(u8, encode, 20)                 \
  F(u8, baseFrequency, 21)          \
  F(u32, numFrames, 22)             \
  F(u16x5, AIFFSampleRate, 26)      \
  F(u32, markerChunk, 36)           \
  F(u32, format, 40)                \
  F(u32, futureUse2, 44)            \
  F(u32, stateVars, 48)             \
  F(u32, leftOverSamples, 52)       \
  F(i16, compressionID, 56)         \
  F(u16, packetSize, 58)            \
  F(u16, snthID, 60)                \
  F(u16, sampleSize, 62)
KV_STORED_RECORD(cmpsoundheader, 64, KV_CMPSOUNDHEADER_FIELDS)

// A stored record read from unaligned bytes.
template <class R>
R sndread(const u8* at) {
  R r;
  std::memcpy(&r, at, sizeof r);
  return r;
}

// Where the sampled-sound header of a 'snd ' resource of `size` bytes starts: after the head,
// the synthesizer entries (format 1) and the commands. False when the resource is of another
// format or its counts run past its bytes. `hostorder` tells how to read the counts.
bool sndheaderoffset(const u8* data, i64 size, bool hostorder, i64* offset);

// The size of the sampled-sound header at `at` (22 or 64 by its encoding), or 0 for an
// encoding that is none of the three.
inline i64 sndheadersize(const u8* header) {
  u8 encode = header[20];
  return encode == stdSH ? 22 : encode == extSH || encode == cmpSH ? 64 : 0;
}

}  // namespace kv
