// The note allocator and the tune player, over FluidSynth with the General MIDI SoundFont of
// fluid-soundfont-gm at its fixed path. Tunes play through the audio output
// (platform/sound/audio.h).
//
// Instruments: 1-128 are the General MIDI programs n - 1 of bank 0; 16385 + p is the drum kit p
// of bank 128 where the SoundFont has it; no other number matches. A tune is a run of music
// event words (platform/sound/tunewords.h), big-endian in the handles the system keeps, read at
// 600 units a second; its header is a general event with the tone description of its
// instrument.
#pragma once

#include "platform/memory/stored.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

constexpr const char* kSoundFontPath = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

// The tone description of an instrument, as a tune header holds it (big-endian).
#define KV_TONEDESCRIPTION_FIELDS(F) \
  F(u32, synthesizerType, 0)         \
  F(bytes<32>, synthesizerName, 4)   \
  F(bytes<32>, instrumentName, 36)   \
  F(u32, instrumentNumber, 68)       \
  F(u32, gmNumber, 72)
KV_STORED_RECORD(tonedescription, 76, KV_TONEDESCRIPTION_FIELDS)

// Results.
constexpr OSErr noteAllocatorUnavailable = -2020;  // the SoundFont or the synthesizer cannot be had
constexpr OSErr instrumentNotFound = -2021;
constexpr OSErr tunePlayerFull = -2022;  // every synthesizer channel is taken
constexpr OSErr badTuneHeader = -2023;
constexpr OSErr badTunePlayer = -2024;

// How an instrument number was matched: by its General MIDI program, or as a drum kit.
enum : u32 { toneMatchProgram = 8, toneMatchKit = 16 };

// Flags of TuneQueue.
enum : u32 { tuneStartNow = 1, tuneDontClipNotes = 2, tuneQuickStart = 8, tuneLoopUntil = 16 };

// Opens the note allocator and its music device (loading the SoundFont) when not yet open.
OSErr NAOpen();
// How the music device matches an instrument number (0: not at all).
OSErr NAFindTone(i32 instrument, u32* matchflags);
// The tone description of an instrument number.
OSErr NAStuffToneDescription(i32 instrument, tonedescription* tone);

// A tune player's completion routine: its tune, queued with a routine, played to its end.
using TuneCallBackProc = void (*)(RegistryId player, u32 refcon);

OSErr TuneOpen(RegistryId* player);
// Takes the instrument of a tune header (`bytes` bytes, big-endian words).
OSErr TuneSetHeader(RegistryId player, const u8* header, Size bytes);
// Queues a tune's words (big-endian) after what the player has queued.
OSErr TuneQueue(RegistryId player, const u8* words, Size bytes, u32 flags, TuneCallBackProc routine, u32 refcon);
// The number of tunes queued on the player and not yet played out (a looping one counts).
OSErr TuneGetStatus(RegistryId player, i32* queued);
// Stops the player and forgets what it had queued.
OSErr TuneStop(RegistryId player);
OSErr TuneClose(RegistryId player);
std::size_t tuneplayercount();

}  // namespace kv
