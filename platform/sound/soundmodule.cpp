// The sound module's table (built into kvmod_sound.so only).
#include "platform/sound/soundmodule.h"

namespace kv {
bool captureopen(SoundCapture* c) { return c->open(); }
void capturestart(SoundCapture* c) { c->start(); }
void capturestop(SoundCapture* c) { c->stop(); }
void capturedrain(SoundCapture* c, std::vector<i16>* out) { c->drain(*out); }
void captureclose(SoundCapture* c) { c->close(); }
}  // namespace kv

KV_MODULE_DEFINE_TABLE(SoundModule, kvmod_sound, KV_SOUND_ENTRIES)
