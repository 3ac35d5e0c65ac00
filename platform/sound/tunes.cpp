#include "platform/sound/tunes.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/sound/audiointernal.h"

namespace kv {

namespace {

constexpr i32 kFirstKit = 16385;
constexpr i16 kInstrumentNames = 2000;
// The drum kits that string list 2000 names (items 129-135), by program.
constexpr i32 kNamedKits[] = {0, 8, 16, 24, 25, 44, 48};
constexpr u32 kHeadWord = 0xF0010017, kTailWord = 0xC0010017;
constexpr Size kHeaderBytes = 96, kToneAt = 12;
constexpr char kSynthName[] = "FluidSynth";

struct Player {
  TuneCallBackProc routine = nullptr;
  i32 queued = 0;
  bool looping = false;
};

struct TuneState {
  bool open = false;
  int sfont = 0;
  std::map<std::pair<int, int>, std::string> presets;  // (bank, program) -> name
  Registry<Player, RegType::tuneplayer> players;
};

TuneState& ts() { return state<TuneState>(); }

u32 be32(const u8* p) { return u32(p[0]) << 24 | u32(p[1]) << 16 | u32(p[2]) << 8 | p[3]; }

// The SoundFont's bank and program of an instrument number; false when there is none.
bool instrumentpreset(i32 instrument, int* bank, int* program) {
  if (instrument >= 1 && instrument <= 128) {
    *bank = 0;
    *program = instrument - 1;
  } else if (instrument >= kFirstKit && instrument < kFirstKit + 128) {
    *bank = 128;
    *program = instrument - kFirstKit;
  } else {
    return false;
  }
  return ts().presets.count({*bank, *program}) != 0;
}

void silencelog() {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
}

}  // namespace

OSErr NAOpen() {
  TuneState& t = ts();
  if (t.open) return noErr;
  silencelog();
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return noteAllocatorUnavailable;
  fluid_settings_setnum(settings, "synth.sample-rate", kOutputRate);
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);
  fluid_synth_t* synth = new_fluid_synth(settings);
  int id = synth != nullptr ? fluid_synth_sfload(synth, kSoundFontPath, 0) : FLUID_FAILED;
  fluid_sfont_t* font = id != FLUID_FAILED ? fluid_synth_get_sfont_by_id(synth, id) : nullptr;
  if (font == nullptr) {
    if (synth != nullptr) delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return noteAllocatorUnavailable;
  }
  fluid_sfont_iteration_start(font);
  while (fluid_preset_t* p = fluid_sfont_iteration_next(font))
    t.presets[{fluid_preset_get_banknum(p), fluid_preset_get_num(p)}] = fluid_preset_get_name(p);
  t.sfont = id;
  t.open = true;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::synth;
  m->synth = synth;
  audiosend(std::move(m));
  return noErr;
}

OSErr NAFindTone(i32 instrument, u32* matchflags) {
  *matchflags = 0;
  if (OSErr e = NAOpen()) return e;
  int bank = 0, program = 0;
  if (instrumentpreset(instrument, &bank, &program)) *matchflags = bank == 0 ? toneMatchProgram : toneMatchKit;
  return noErr;
}

OSErr NAStuffToneDescription(i32 instrument, tonedescription* tone) {
  if (OSErr e = NAOpen()) return e;
  int bank = 0, program = 0;
  if (!instrumentpreset(instrument, &bank, &program)) return instrumentNotFound;
  Str255 name{};
  if (bank == 0) {
    GetIndString(name, kInstrumentNames, i16(instrument));
  } else {
    const i32* kit = std::find(std::begin(kNamedKits), std::end(kNamedKits), program);
    if (kit != std::end(kNamedKits)) GetIndString(name, kInstrumentNames, i16(129 + (kit - kNamedKits)));
  }
  if (name[0] == 0) {
    const std::string& n = ts().presets[{bank, program}];
    name[0] = u8(std::min<std::size_t>(n.size(), 31));
    std::memcpy(name + 1, n.data(), name[0]);
  }
  tonedescription d{};
  d.synthesizerType = fourcc("fsyn");
  d.synthesizerName.b[0] = u8(sizeof kSynthName - 1);
  std::memcpy(d.synthesizerName.b + 1, kSynthName, sizeof kSynthName - 1);
  d.instrumentName.b[0] = u8(std::min<int>(name[0], 31));
  std::memcpy(d.instrumentName.b + 1, name + 1, d.instrumentName.b[0]);
  d.instrumentNumber = u32(instrument);
  d.gmNumber = u32(instrument);
  endianswap(d);
  *tone = d;
  return noErr;
}

OSErr TuneOpen(RegistryId* player) {
  *player = nilid;
  if (OSErr e = NAOpen()) return e;
  if (ts().players.count() >= 16) return tunePlayerFull;
  RegistryId id = ts().players.add(std::make_unique<Player>());
  if (id == nilid) return tunePlayerFull;
  *player = id;
  return noErr;
}

OSErr TuneSetHeader(RegistryId player, const u8* header, Size bytes) {
  if (!ts().players.valid(player)) return badTunePlayer;
  if (header == nullptr || bytes < kHeaderBytes || be32(header) != kHeadWord || be32(header + 88) != kTailWord)
    return badTuneHeader;
  i32 gm = i32(be32(header + kToneAt + 72));
  int bank = 0, program = 0;
  if (!instrumentpreset(gm, &bank, &program)) return instrumentNotFound;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::program;
  m->target = player;
  m->sfont = ts().sfont;
  m->bank = bank;
  m->program = program;
  return audiosend(std::move(m)) ? OSErr(noErr) : badTunePlayer;
}

OSErr TuneQueue(RegistryId player, const u8* words, Size bytes, u32 flags, TuneCallBackProc routine, u32 refcon) {
  Player* p = ts().players.get(player);
  if (p == nullptr) return badTunePlayer;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::tunequeue;
  m->target = player;
  for (Size i = 0; i + 4 <= bytes; i += 4) m->words.push_back(be32(words + i));
  m->flag = (flags & tuneLoopUntil) != 0;
  m->notify = !m->flag;
  m->refcon = refcon;
  if (!audiosend(std::move(m))) return badTunePlayer;
  p->routine = routine;
  if ((flags & tuneLoopUntil) != 0) p->looping = true;
  else ++p->queued;
  return noErr;
}

OSErr TuneGetStatus(RegistryId player, i32* queued) {
  Player* p = ts().players.get(player);
  if (p == nullptr) return badTunePlayer;
  *queued = p->queued + (p->looping ? 1 : 0);
  return noErr;
}

OSErr TuneStop(RegistryId player) {
  Player* p = ts().players.get(player);
  if (p == nullptr) return badTunePlayer;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::tunestop;
  m->target = player;
  audiosend(std::move(m));
  p->queued = 0;
  p->looping = false;
  return noErr;
}

OSErr TuneClose(RegistryId player) {
  if (!ts().players.remove(player)) return badTunePlayer;
  auto m = std::make_unique<AudioMessage>();
  m->kind = AudioMessage::Kind::tunestop;
  m->target = player;
  m->flag = true;
  audiosend(std::move(m));
  return noErr;
}

std::size_t tuneplayercount() { return hasstate<TuneState>() ? ts().players.count() : 0; }

void tunecompleted(const AudioCompletion& c) {
  Player* p = ts().players.get(c.target);
  if (p == nullptr || p->queued == 0) return;
  --p->queued;
  if (p->routine != nullptr) p->routine(c.target, c.refcon);
}

}  // namespace kv
