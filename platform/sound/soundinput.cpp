#include "platform/sound/soundinput.h"

#include <SDL.h>

#include <algorithm>
#include <deque>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"
#include "platform/sound/audiointernal.h"
#include "platform/sound/mixer.h"
#include "platform/sound/soundmanager.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

struct SoundInputState {
  std::vector<std::string> devices;  // headless
  bool fail = false;
  std::deque<i16> injected;
};

SoundInputState& si() { return state<SoundInputState>(); }

bool live() { return sdlaudio(); }

// SDL's audio, held for as long as the caller uses it.
struct SdlAudio {
  bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  ~SdlAudio() {
    if (ok) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
};

}  // namespace

std::vector<std::string> inputdevicenames() {
  if (!live()) return si().devices;
  std::vector<std::string> out;
  SdlAudio sdl;
  if (!sdl.ok) return out;
  int n = SDL_GetNumAudioDevices(1);
  for (int i = 0; i < n; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 1);
    out.push_back(utf8tomacroman(name != nullptr ? name : ""));
  }
  return out;
}

void SoundCapture::close() {
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device_ = 0;
  }
}

bool SoundCapture::open() {
  if (opened_) return true;
  if (!live()) {
    opened_ = !si().devices.empty() && !si().fail;
    return opened_;
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{}, have{};
  want.freq = kOutputRate;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 1024;  // no callback: SDL queues what it hears
  // The first capture device, or the driver's default one when it lists none.
  const char* first = SDL_GetNumAudioDevices(1) > 0 ? SDL_GetAudioDeviceName(0, 1) : nullptr;
  device_ = SDL_OpenAudioDevice(first, 1, &want, &have, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  opened_ = true;
  return true;
}

void SoundCapture::start() {
  if (!opened_ || running_) return;
  running_ = true;
  since_ = backend().ticks();
  if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
}

void SoundCapture::stop() {
  if (!running_) return;
  std::vector<i16> rest;
  drain(rest);  // what was heard before stopping is kept for the next drain
  running_ = false;
  if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
  pending_.insert(pending_.end(), rest.begin(), rest.end());
}

void SoundCapture::drain(std::vector<i16>& out) {
  out.insert(out.end(), pending_.begin(), pending_.end());
  pending_.clear();
  if (!running_) return;
  if (device_ != 0) {
    i16 buffer[4096];
    while (u32 got = SDL_DequeueAudio(device_, buffer, sizeof buffer))
      out.insert(out.end(), buffer, buffer + got / sizeof(i16));
    return;
  }
  u32 now = backend().ticks();
  std::size_t want = std::size_t(now - since_) * kFramesPerTick;
  since_ = now;
  std::deque<i16>& in = si().injected;
  std::size_t n = std::min(want, in.size());
  out.insert(out.end(), in.begin(), in.begin() + std::ptrdiff_t(n));
  in.erase(in.begin(), in.begin() + std::ptrdiff_t(n));
  out.insert(out.end(), want - n, i16(0));
}

void setsoundinputdevices(std::vector<std::string> names) { si().devices = std::move(names); }
void failsoundinput(bool fail) { si().fail = fail; }
void injectsoundinput(const std::vector<i16>& samples) {
  si().injected.insert(si().injected.end(), samples.begin(), samples.end());
}

}  // namespace kv
