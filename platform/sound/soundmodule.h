// The boundary of the sound module (kvmod_sound.so: SDL's audio and FluidSynth): the output
// device and mixer, capture, and the tune players. Entries as in platform/modules/modules.h.
// When the module is missing no sound plays or is heard (sends fail, no device, no note
// allocator); the event loop's service and the status queries only look at a loaded module,
// since before its first use there is nothing to serve.
#pragma once

#include "platform/modules/modules.h"
#include "platform/sound/audio.h"
#include "platform/sound/audiointernal.h"
#include "platform/sound/soundinput.h"
#include "platform/sound/soundmanager.h"
#include "platform/sound/tunes.h"

namespace kv {
// SoundCapture's routines as the table carries them.
bool captureopen(SoundCapture* c);
void capturestart(SoundCapture* c);
void capturestop(SoundCapture* c);
void capturedrain(SoundCapture* c, std::vector<i16>* out);
void captureclose(SoundCapture* c);
}  // namespace kv

// clang-format off
#define KV_SOUND_ENTRIES(X)                                                                                      \
  X(void, audioservice, (), (), , loadedmodule)                                                                  \
  X(void, SetDefaultOutputVolume, (u32 level), (level), , loadmodule)                                           \
  X(u32, GetDefaultOutputVolume, (), (), 0x01000100u, loadedmodule)                                             \
  X(void, usesdlaudio, (bool on), (on), , loadmodule)                                                            \
  X(bool, audiooutputopen, (), (), false, loadedmodule)                                                          \
  X(std::vector<i16>, renderedaudio, (u32 from, u32 to), (from, to), std::vector<i16>(), loadedmodule)         \
  X(bool, audiosend, (std::unique_ptr<AudioMessage> m), (std::move(m)), false, loadmodule)                      \
  X(void, setsoundinputdevices, (std::vector<std::string> names), (std::move(names)), , loadmodule)             \
  X(void, failsoundinput, (bool fail), (fail), , loadmodule)                                                     \
  X(void, injectsoundinput, (const std::vector<i16>& samples), (samples), , loadmodule)                         \
  X(std::vector<std::string>, inputdevicenames, (), (), std::vector<std::string>(), loadmodule)                 \
  X(bool, captureopen, (SoundCapture * c), (c), false, loadmodule)                                               \
  X(void, capturestart, (SoundCapture * c), (c), , loadedmodule)                                                 \
  X(void, capturestop, (SoundCapture * c), (c), , loadedmodule)                                                  \
  X(void, capturedrain, (SoundCapture * c, std::vector<i16> * out), (c, out), , loadedmodule)                   \
  X(void, captureclose, (SoundCapture * c), (c), , loadedmodule)                                                 \
  X(OSErr, NAOpen, (), (), OSErr(noteAllocatorUnavailable), loadmodule)                                         \
  X(OSErr, NAFindTone, (i32 instrument, u32 * flags), (instrument, flags), OSErr(noteAllocatorUnavailable),     \
    loadmodule)                                                                                                  \
  X(OSErr, NAStuffToneDescription, (i32 instrument, tonedescription * tone), (instrument, tone),                \
    OSErr(noteAllocatorUnavailable), loadmodule)                                                                 \
  X(OSErr, TuneOpen, (RegistryId * player), (player), (*player = nilid, OSErr(noteAllocatorUnavailable)),       \
    loadmodule)                                                                                                  \
  X(OSErr, TuneSetHeader, (RegistryId p, const u8* header, Size bytes), (p, header, bytes), OSErr(badTunePlayer), \
    loadmodule)                                                                                                  \
  X(OSErr, TuneQueue, (RegistryId p, const u8* words, Size bytes, u32 flags, TuneCallBackProc routine, u32 refcon), \
    (p, words, bytes, flags, routine, refcon), OSErr(badTunePlayer), loadmodule)                                 \
  X(OSErr, TuneGetStatus, (RegistryId p, i32 * queued), (p, queued), OSErr(badTunePlayer), loadmodule)          \
  X(OSErr, TuneStop, (RegistryId p), (p), OSErr(badTunePlayer), loadmodule)                                     \
  X(OSErr, TuneClose, (RegistryId p), (p), OSErr(badTunePlayer), loadmodule)                                    \
  X(std::size_t, tuneplayercount, (), (), 0, loadedmodule)
// clang-format on

namespace kv {
struct SoundModule {
  KV_SOUND_ENTRIES(KV_MODULE_TABLE_ENTRY)
};
}  // namespace kv
