#include "platform/sound/audio.h"

#include <SDL.h>

#include <algorithm>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"
#include "platform/sound/audiointernal.h"
#include "platform/sound/spsc.h"

namespace kv {

namespace {

constexpr i64 kKeptFrames = i64(kOutputRate) * 30;

struct AudioState {
  std::unique_ptr<Mixer> mixer;
  bool open = false;
  SDL_AudioDeviceID device = 0;  // 0: the null device
  bool keep = false;             // the null device keeps what it renders (headless)
  SpscQueue<AudioMessage*, 4096> messages;
  SpscQueue<AudioCompletion, 4096> completions;
  std::vector<AudioCompletion> pending;  // taken in, not yet delivered
  std::vector<AudioCompletion> scratch;  // the rendering side's completions
  u32 origin = 0;                        // the tick the output opened at
  i64 rendered = 0;                      // frames the null device rendered
  std::vector<i16> kept;                 // the null device's last frames
  i64 keptfirst = 0;                     // frame number of kept[0]
  std::vector<i16> chunk;
  u32 volume = 0x01000100;
  bool delivering = false;
  bool pumping = false;

  ~AudioState() {
    if (device != 0) {
      SDL_CloseAudioDevice(device);
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    while (auto m = messages.pop()) delete *m;
  }
};

AudioState& as() { return state<AudioState>(); }

struct AudioDeviceChoice {
  bool sdl = false;
};

void volumemessage(AudioState& a) {
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::volume;
  m->left = float(a.volume >> 16) / 256.0f;
  m->right = float(a.volume & 0xFFFF) / 256.0f;
  a.mixer->apply(*m, a.scratch);
}

// The device's thread: take the main thread's messages, mix, hand back completions.
void devicecallback(void* userdata, Uint8* stream, int len) {
  AudioState& a = *static_cast<AudioState*>(userdata);
  while (auto m = a.messages.pop()) {
    a.mixer->apply(**m, a.scratch);
    delete *m;
  }
  a.mixer->render(reinterpret_cast<i16*>(stream), len / 4, a.scratch);
  for (const AudioCompletion& c : a.scratch) a.completions.push(c);
  a.scratch.clear();
}

bool opendevice(AudioState& a) {
  if (!sdlaudio()) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{}, have{};
  want.freq = kOutputRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = devicecallback;
  want.userdata = &a;
  a.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (a.device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void openoutput(AudioState& a) {
  if (a.open) return;
  a.open = true;
  a.mixer = std::make_unique<Mixer>();
  a.origin = backend().ticks();
  volumemessage(a);
  if (opendevice(a)) {
    SDL_PauseAudioDevice(a.device, 0);
  } else {
    a.keep = backend().headless();
  }
}

void keep(AudioState& a, const i16* frames, i32 n) {
  if (!a.keep) return;
  if (i64(a.kept.size() / 2) + n > kKeptFrames) {
    i64 drop = std::min<i64>(i64(a.kept.size() / 2), kKeptFrames / 2 + n);
    a.kept.erase(a.kept.begin(), a.kept.begin() + std::ptrdiff_t(drop * 2));
    a.keptfirst += drop;
  }
  a.kept.insert(a.kept.end(), frames, frames + 2 * n);
}

void collect(AudioState& a) {
  a.pending.insert(a.pending.end(), a.scratch.begin(), a.scratch.end());
  a.scratch.clear();
}

// Runs the completion routines due (not while they run already).
void deliver(AudioState& a) {
  if (a.delivering || a.pending.empty()) return;
  a.delivering = true;
  std::vector<AudioCompletion> due;
  due.swap(a.pending);
  for (const AudioCompletion& c : due) {
    if (c.kind == AudioCompletion::Kind::channel) channelcompleted(c);
    else tunecompleted(c);
  }
  a.delivering = false;
}

// The null device: renders the mixer up to the current tick, one tick at a time. With
// `completions`, what each tick completed is delivered before the next is rendered, as a device
// serviced every tick would have it; messages sent meanwhile take effect at that tick.
void pump(AudioState& a, bool completions) {
  if (!a.open || a.device != 0 || a.pumping) return;
  a.pumping = true;
  i64 target = i64(u32(backend().ticks() - a.origin)) * kFramesPerTick;
  while (a.rendered < target) {
    i32 n = i32(std::min<i64>(target - a.rendered, kFramesPerTick - a.rendered % kFramesPerTick));
    a.chunk.resize(std::size_t(n) * 2);
    a.mixer->render(a.chunk.data(), n, a.scratch);
    keep(a, a.chunk.data(), n);
    a.rendered += n;
    collect(a);
    if (completions) deliver(a);
  }
  a.pumping = false;
}

}  // namespace

bool audiosend(std::unique_ptr<AudioMessage> m) {
  AudioState& a = as();
  openoutput(a);
  if (a.device != 0) {
    if (!a.messages.push(m.get())) return false;
    m.release();
    return true;
  }
  pump(a, false);
  a.mixer->apply(*m, a.scratch);
  collect(a);
  return true;
}

bool sdlaudio() { return !backend().headless() || (hasstate<AudioDeviceChoice>() && state<AudioDeviceChoice>().sdl); }
void usesdlaudio(bool on) { state<AudioDeviceChoice>().sdl = on; }

void audioservice() {
  if (!hasstate<AudioState>()) return;
  AudioState& a = as();
  if (!a.open) return;
  pump(a, true);
  while (auto c = a.completions.pop()) a.pending.push_back(*c);
  deliver(a);
}

void SetDefaultOutputVolume(u32 level) {
  AudioState& a = as();
  a.volume = level;
  if (!a.open) return;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::volume;
  m->left = float(level >> 16) / 256.0f;
  m->right = float(level & 0xFFFF) / 256.0f;
  audiosend(std::move(m));
}

u32 GetDefaultOutputVolume() { return hasstate<AudioState>() ? as().volume : 0x01000100u; }

bool audiooutputopen() { return hasstate<AudioState>() && as().open; }

std::vector<i16> renderedaudio(u32 fromtick, u32 totick) {
  std::vector<i16> out;
  if (!audiooutputopen() || i32(totick - fromtick) <= 0) return out;
  AudioState& a = as();
  pump(a, true);
  i64 from = i64(i32(fromtick - a.origin)) * kFramesPerTick, to = i64(i32(totick - a.origin)) * kFramesPerTick;
  to = std::min(to, a.rendered);
  for (i64 f = from; f < to; ++f) {
    i64 k = f - a.keptfirst;
    bool have = f >= 0 && k >= 0 && k < i64(a.kept.size() / 2);
    out.push_back(have ? a.kept[std::size_t(2 * k)] : i16(0));
    out.push_back(have ? a.kept[std::size_t(2 * k + 1)] : i16(0));
  }
  return out;
}

}  // namespace kv
