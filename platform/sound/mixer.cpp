#include "platform/sound/mixer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <deque>

#include "platform/sound/soundformat.h"
#include "platform/sound/tunewords.h"

namespace kv {

namespace {

// The tune players read note words at 600 units a second: 73.5 frames a unit.
i64 unitframe(i64 units) { return units * 147 / 2; }

// Tune players are stepped in blocks of this many frames (the synthesizer's own block).
constexpr i32 kBlock = 64;
// The synthesizer keeps rendering this long after the last note ends, for its release.
constexpr i64 kReleaseFrames = 2 * kOutputRate;

struct Command {
  u16 cmd = 0;
  i16 param1 = 0;
  i32 param2 = 0;
  std::shared_ptr<const PcmSound> pcm;
};

struct Voice {
  u32 id = 0;
  std::deque<Command> queue;
  std::shared_ptr<const PcmSound> playing;
  i64 pos = 0;
  bool disposing = false;
  bool idle() const { return !playing && queue.empty(); }
};

struct Sequence {
  std::vector<u32> words;
  bool loop = false;
  bool notify = false;
  u32 refcon = 0;
};

struct Player {
  u32 id = 0;
  int channel = 0;
  std::deque<Sequence> queue;  // the front one plays
  std::size_t pc = 0;
  i64 frame = 0;  // frames since the front sequence started
  i64 units = 0;  // its time at the next word
  bool ended = false;
  std::vector<std::pair<i64, int>> offs;  // (frame, key) of the notes that sound
};

}  // namespace

struct Mixer::Impl {
  std::vector<Voice> voices;
  std::vector<Player> players;
  fluid_synth_t* synth = nullptr;
  fluid_settings_t* settings = nullptr;
  i64 synthquietat = 0;  // the synthesizer may stop rendering once this many frames were mixed
  i64 mixed = 0;
  float left = 1, right = 1;
  std::vector<float> mix, synthleft, synthright;

  Voice* voice(u32 id) {
    for (Voice& v : voices)
      if (v.id == id && !v.disposing) return &v;
    return nullptr;
  }
  Player& player(u32 id) {
    for (Player& p : players)
      if (p.id == id) return p;
    // A player's channel: the first of the 16 that no other player holds.
    Player p;
    p.id = id;
    for (int c = 0; c < 16; ++c) {
      bool taken = std::any_of(players.begin(), players.end(), [c](const Player& q) { return q.channel == c; });
      if (!taken) {
        p.channel = c;
        break;
      }
    }
    players.push_back(p);
    return players.back();
  }

  void command(Voice& v, const Command& c, bool now, std::vector<AudioCompletion>& done) {
    if (!now) {
      v.queue.push_back(c);
      return;
    }
    switch (c.cmd) {
      case quietCmd: v.playing.reset(); break;
      case flushCmd: v.queue.clear(); break;
      case bufferCmd:
        v.playing = c.pcm;
        v.pos = 0;
        break;
      case callBackCmd: done.push_back({AudioCompletion::Kind::channel, v.id, c.cmd, c.param1, c.param2, 0}); break;
      default: break;
    }
  }

  // Plays the voice's queue into the mix: buffers one after the other, callbacks as they come.
  void fill(Voice& v, float* out, i32 frames, std::vector<AudioCompletion>& done) {
    i32 at = 0;
    while (at < frames) {
      if (v.playing) {
        i64 n = std::min<i64>(frames - at, v.playing->frames() - v.pos);
        const float* src = v.playing->samples.data() + 2 * v.pos;
        for (i64 i = 0; i < 2 * n; ++i) out[2 * at + i] += src[i];
        at += i32(n);
        v.pos += n;
        if (v.pos >= v.playing->frames()) v.playing.reset();
        continue;
      }
      if (v.queue.empty()) break;
      Command c = std::move(v.queue.front());
      v.queue.pop_front();
      if (c.cmd == callBackCmd && v.disposing) continue;
      command(v, c, true, done);
    }
    // A callback queued after the last buffer is reached even when the voice is silent.
    while (!v.playing && !v.queue.empty()) {
      Command c = std::move(v.queue.front());
      v.queue.pop_front();
      if (!(c.cmd == callBackCmd && v.disposing)) command(v, c, true, done);
    }
  }

  void noteon(Player& p, int key, int velocity, i64 offat) {
    if (synth == nullptr) return;
    key = std::clamp(key, 0, 127);
    fluid_synth_noteon(synth, p.channel, key, std::clamp(velocity, 1, 127));
    p.offs.emplace_back(offat, key);
  }

  // Carries out the player's words due by its frame `f`.
  void step(Player& p, std::vector<AudioCompletion>& done) {
    for (std::size_t i = 0; i < p.offs.size();) {
      if (p.offs[i].first <= p.frame) {
        if (synth != nullptr) fluid_synth_noteoff(synth, p.channel, p.offs[i].second);
        p.offs.erase(p.offs.begin() + std::ptrdiff_t(i));
      } else {
        ++i;
      }
    }
    while (!p.queue.empty() && !p.ended && unitframe(p.units) <= p.frame) {
      const std::vector<u32>& w = p.queue.front().words;
      TuneEvent e = readtuneevent(w, &p.pc);
      switch (e.kind) {
        case TuneEvent::rest: p.units += e.duration; break;
        case TuneEvent::note: noteon(p, e.key, e.velocity, unitframe(p.units + e.duration)); break;
        case TuneEvent::end: p.ended = true; break;
        case TuneEvent::other: break;
      }
    }
    if (p.queue.empty() || !p.ended || !p.offs.empty()) return;
    Sequence& s = p.queue.front();
    if (!s.loop) {
      if (s.notify) done.push_back({AudioCompletion::Kind::tune, p.id, 0, 0, 0, s.refcon});
      p.queue.pop_front();
    }
    p.pc = 0;
    p.units = 0;
    p.frame = 0;
    p.ended = false;
  }

  void stop(Player& p) {
    if (synth != nullptr)
      for (auto& off : p.offs) fluid_synth_noteoff(synth, p.channel, off.second);
    p.offs.clear();
    p.queue.clear();
    p.pc = 0;
    p.units = 0;
    p.frame = 0;
    p.ended = false;
  }

  void tunes(float* out, i32 frames, std::vector<AudioCompletion>& done) {
    if (synth == nullptr) return;
    synthleft.resize(kBlock);
    synthright.resize(kBlock);
    for (i32 at = 0; at < frames; at += kBlock) {
      i32 n = std::min(kBlock, frames - at);
      bool active = false;
      for (Player& p : players) {
        step(p, done);
        if (!p.queue.empty() || !p.offs.empty()) active = true;
      }
      if (active) synthquietat = mixed + at + kReleaseFrames;
      if (mixed + at < synthquietat) {
        fluid_synth_write_float(synth, n, synthleft.data(), 0, 1, synthright.data(), 0, 1);
        for (i32 i = 0; i < n; ++i) {
          out[2 * (at + i)] += synthleft[std::size_t(i)];
          out[2 * (at + i) + 1] += synthright[std::size_t(i)];
        }
      }
      for (Player& p : players)
        if (!p.queue.empty()) p.frame += n;
    }
  }
};

Mixer::Mixer() : impl_(std::make_unique<Impl>()) {}

Mixer::~Mixer() {
  if (impl_->synth != nullptr) {
    fluid_settings_t* settings = fluid_synth_get_settings(impl_->synth);
    delete_fluid_synth(impl_->synth);
    delete_fluid_settings(settings);
  }
}

void Mixer::apply(AudioMessage& m, std::vector<AudioCompletion>& done) {
  Impl& s = *impl_;
  using K = AudioMessage::Kind;
  switch (m.kind) {
    case K::newchannel: s.voices.push_back(Voice{m.target, {}, nullptr, 0, false}); break;
    case K::command:
    case K::immediate:
      if (Voice* v = s.voice(m.target))
        s.command(*v, Command{m.cmd, m.param1, m.param2, m.pcm}, m.kind == K::immediate, done);
      break;
    case K::dispose:
      if (Voice* v = s.voice(m.target)) {
        v->disposing = true;
        if (m.flag) {
          v->queue.clear();
          v->playing.reset();
        }
      }
      break;
    case K::synth:
      if (s.synth == nullptr) s.synth = m.synth;
      else if (m.synth != nullptr) {
        fluid_settings_t* settings = fluid_synth_get_settings(m.synth);
        delete_fluid_synth(m.synth);
        delete_fluid_settings(settings);
      }
      m.synth = nullptr;
      break;
    case K::program:
      if (s.synth != nullptr)
        fluid_synth_program_select(s.synth, s.player(m.target).channel, m.sfont, m.bank, m.program);
      break;
    case K::tunequeue:
      s.player(m.target).queue.push_back(Sequence{std::move(m.words), m.flag, m.notify, m.refcon});
      break;
    case K::tunestop:
      s.stop(s.player(m.target));
      if (m.flag) std::erase_if(s.players, [&m](const Player& p) { return p.id == m.target; });
      break;
    case K::volume:
      s.left = m.left;
      s.right = m.right;
      break;
  }
}

void Mixer::render(i16* out, i32 frames, std::vector<AudioCompletion>& done) {
  Impl& s = *impl_;
  s.mix.assign(std::size_t(frames) * 2, 0.0f);
  for (Voice& v : s.voices) s.fill(v, s.mix.data(), frames, done);
  std::erase_if(s.voices, [](const Voice& v) { return v.disposing && v.idle(); });
  s.tunes(s.mix.data(), frames, done);
  s.mixed += frames;
  for (i32 i = 0; i < frames; ++i) {
    float l = s.mix[std::size_t(2 * i)] * s.left, r = s.mix[std::size_t(2 * i + 1)] * s.right;
    out[2 * i] = i16(std::lrint(std::clamp(l, -1.0f, 1.0f) * 32767.0f));
    out[2 * i + 1] = i16(std::lrint(std::clamp(r, -1.0f, 1.0f) * 32767.0f));
  }
}

}  // namespace kv
