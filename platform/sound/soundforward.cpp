// The program's side of the sound module: each routine loads kvmod_sound.so on first use and
// calls it, or answers that no sound can be played or heard.
#include <utility>

#include "platform/sound/soundmodule.h"

namespace kv {

#define KV_SOUND_FORWARDER(...) KV_MODULE_FORWARDER(SoundModule, "sound", __VA_ARGS__)
KV_SOUND_ENTRIES(KV_SOUND_FORWARDER)

// A capture reaches its device through the module; one that never opened has nothing there.
bool SoundCapture::open() { return captureopen(this); }
void SoundCapture::start() { capturestart(this); }
void SoundCapture::stop() { capturestop(this); }
void SoundCapture::drain(std::vector<i16>& out) { capturedrain(this, &out); }
void SoundCapture::close() { captureclose(this); }

}  // namespace kv
